// The program's prompt: a message box, translated, with the icon its kind of message
// calls for, naming the file the message is about.
#pragma once

#include <wx/string.h>

#include <string_view>

#include "base/prompt.h"

namespace tessaly::ui {

// A text of the core (a message, a format), in the program's language.
wxString Translated(std::string_view english);

class WxPrompt : public UserPrompt {
 public:
  using UserPrompt::Show;
  PromptAnswer Show(std::string_view text, PromptButtons buttons) override;
};

}  // namespace tessaly::ui
