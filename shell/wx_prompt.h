// The program's prompt: a message box with the information icon, translated.
#pragma once

#include "base/prompt.h"

namespace tessaly::shell {

class WxPrompt : public UserPrompt {
 public:
  using UserPrompt::Show;
  PromptAnswer Show(std::string_view text, PromptButtons buttons) override;
};

}  // namespace tessaly::shell
