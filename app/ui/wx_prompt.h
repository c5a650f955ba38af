// The program's prompt: a message box, translated, with the icon its kind of message
// calls for, naming the file the message is about.
#pragma once

#include "base/prompt.h"

namespace tessaly::ui {

class WxPrompt : public UserPrompt {
 public:
  using UserPrompt::Show;
  PromptAnswer Show(std::string_view text, PromptButtons buttons) override;
};

}  // namespace tessaly::ui
