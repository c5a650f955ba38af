// One file written into a folder beside what may already be there: the step that saving
// the camera's pictures and copying an album's files share.
#pragma once

#include <functional>
#include <system_error>

namespace tessaly {

// What is done with a file of the same name that is already there.
enum class ExistingTarget {
  kAsk,      // ask "This file already exists. Replace existing file?"
  kSkip,     // leave it, and the new file is not written
  kReplace,  // replace it
};

// Whether an existing file may be replaced: kReplace, or kAsk and the user says Yes.
bool MayReplace(ExistingTarget existing);

enum class WriteOutcome {
  kWritten,
  kSkipped,  // a file of that name is there and stays
  kFailed,   // error says why
};

struct WriteStepResult {
  WriteOutcome outcome = WriteOutcome::kFailed;
  std::error_code error;
  // Replacing was allowed (asked and answered, or told): a second try of the same file
  // replaces without asking again.
  bool replaceAllowed = false;
};

// Writes one file through write(replace), which must fail with std::errc::file_exists
// rather than replace a file when replace is false. Without kReplace the first try does
// not replace; when a file of that name is there, the second try replaces it if existing
// allows (see MayReplace), and otherwise the file is skipped.
WriteStepResult WriteIntoPlace(const std::function<std::error_code(bool replace)>& write, ExistingTarget existing);

}  // namespace tessaly
