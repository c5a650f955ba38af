#include "base/write_step.h"

#include "base/file_errors.h"
#include "base/prompt.h"

namespace tessaly {

bool MayReplace(ExistingTarget existing) {
  switch (existing) {
    case ExistingTarget::kReplace: return true;
    case ExistingTarget::kSkip: return false;
    case ExistingTarget::kAsk: break;
  }
  return Prompt().Show(kMsgFileExistsReplace, PromptButtons::kYesNo) == PromptAnswer::kYes;
}

WriteStepResult WriteIntoPlace(const std::function<std::error_code(bool replace)>& write, ExistingTarget existing) {
  WriteStepResult result;
  result.replaceAllowed = existing == ExistingTarget::kReplace;
  result.error = write(result.replaceAllowed);
  if (result.error && !result.replaceAllowed && ClassifyFileError(result.error) == FileErrorKind::kExists) {
    if (!MayReplace(existing)) {
      result.outcome = WriteOutcome::kSkipped;
      result.error.clear();
      return result;
    }
    result.replaceAllowed = true;
    result.error = write(true);
  }
  result.outcome = result.error ? WriteOutcome::kFailed : WriteOutcome::kWritten;
  return result;
}

}  // namespace tessaly
