// Pastes arbitrary bytes as a clipboard bitmap into a retouch picture, answering every
// question with Yes so that the conversion and the stamping run as well.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>

#include "base/prompt.h"
#include "picture/picture.h"
#include "retouch/picture_state.h"

namespace {

class AgreeingPrompt : public tessaly::UserPrompt {
 public:
  using UserPrompt::Show;
  tessaly::PromptAnswer Show(std::string_view, tessaly::PromptButtons buttons) override {
    return buttons == tessaly::PromptButtons::kYesNo ? tessaly::PromptAnswer::kYes : tessaly::PromptAnswer::kOk;
  }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static tessaly::ScopedPrompt prompt(std::make_unique<AgreeingPrompt>());
  tessaly::RetouchPictureState state;
  state.SetPicture(tessaly::Picture::Make(64, 48, 24, 128));
  if (state.Paste(std::span<const std::uint8_t>(data, size)) == tessaly::PasteResult::kLoaded && state.HasFloating()) {
    state.MoveFloating({-3, 40});
    state.CommitFloating();
  }
  return 0;
}
