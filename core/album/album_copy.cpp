#include "album/album_copy.h"

#include <sys/stat.h>
#include <sys/sysmacros.h>

#include <cerrno>
#include <fstream>

#include "base/file_errors.h"
#include "base/file_io.h"
#include "base/prompt.h"
#include "base/write_step.h"

namespace tessaly {
namespace {

namespace fs = std::filesystem;

std::string Folded(const fs::path& path) {
  std::string text = path.lexically_normal().native();
  while (text.size() > 1 && text.back() == '/') text.pop_back();
  for (char& c : text)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return text;
}

bool ReadFlag(const fs::path& file) {
  std::ifstream in(file);
  int value = 0;
  return in >> value && value == 1;
}

// Writes one file or link into place. Links are made under a temporary name and renamed,
// so that a replaced link appears in one step too.
std::error_code WriteOne(const fs::path& from, const fs::path& to, bool replace) {
  std::error_code error;
  if (fs::is_symlink(from, error)) {
    const std::optional<fs::path> target = FollowShortcut(from, error);
    if (!target) return error;
    if (!replace) {
      fs::create_symlink(*target, to, error);
      return error;
    }
    fs::path temporary = to;
    temporary += ".tessaly-link";
    fs::remove(temporary, error);
    fs::create_symlink(*target, temporary, error);
    if (error) return error;
    fs::rename(temporary, to, error);
    if (error) fs::remove(temporary);
    return error;
  }
  Bytes data;
  if ((error = ReadWholeFile(from, data))) return error;
  return replace ? WriteFileAtomically(to, data) : WriteNewFileAtomically(to, {data});
}

}  // namespace

namespace {

struct CopyStep {
  WriteOutcome outcome;
  bool stop;  // the copy ends here
};

// Copies one file into place, asking before it replaces one; a missing folder on a
// removable drive is made (once), and a full one can be swapped and the file tried again.
CopyStep CopyOne(const fs::path& from, const fs::path& to, const fs::path& destination, bool removable) {
  ExistingTarget existing = ExistingTarget::kAsk;
  bool madeFolder = false;
  for (;;) {
    const WriteStepResult written = WriteIntoPlace([&](bool replace) { return WriteOne(from, to, replace); }, existing);
    if (written.outcome != WriteOutcome::kFailed) return {written.outcome, false};
    if (written.replaceAllowed) existing = ExistingTarget::kReplace;
    const CopyRule rule = CopyRuleFor(written.error, removable);
    switch (rule.action) {
      case CopyAction::kAskReplace:
      case CopyAction::kSkipFile: return {WriteOutcome::kSkipped, false};
      case CopyAction::kMakeFolder: {
        std::error_code folderError;
        if (madeFolder || !fs::create_directories(destination, folderError) || folderError) {
          Prompt().Show(kMsgFailedToSaveFromAlbum);
          return {WriteOutcome::kFailed, true};
        }
        madeFolder = true;
        break;
      }
      case CopyAction::kAskRetry:
        if (Prompt().Show(*rule.message, PromptButtons::kRetryCancel) != PromptAnswer::kRetry)
          return {WriteOutcome::kFailed, true};
        break;
      case CopyAction::kNextFile: Prompt().Show(*rule.message); return {WriteOutcome::kFailed, false};
      case CopyAction::kStop: Prompt().Show(*rule.message); return {WriteOutcome::kFailed, true};
    }
  }
}

}  // namespace

CopyRule CopyRuleFor(std::error_code error, bool removable) {
  switch (ClassifyFileError(error)) {
    case FileErrorKind::kAccessDenied:
    case FileErrorKind::kNotReady: return {kMsgFailedToAccessCard, CopyAction::kStop};
    case FileErrorKind::kMissing:
    case FileErrorKind::kNotAFolder:
      if (removable) return {std::nullopt, CopyAction::kMakeFolder};
      return {std::nullopt, CopyAction::kSkipFile};
    case FileErrorKind::kWriteProtected: return {kMsgWriteProtected, CopyAction::kStop};
    case FileErrorKind::kDiskFull:
      if (removable) return {kMsgDiskFullInsert, CopyAction::kAskRetry};
      return {kMsgDiskFull, CopyAction::kStop};
    case FileErrorKind::kBadPath: return {kMsgInvalidPath, CopyAction::kNextFile};
    case FileErrorKind::kBusy: return {kMsgDeviceBusy, CopyAction::kNextFile};
    case FileErrorKind::kExists: return {kMsgFileExistsReplace, CopyAction::kAskReplace};
    case FileErrorKind::kHardware:
    case FileErrorKind::kOther: break;
  }
  return {kMsgFailedToSaveFromAlbum, CopyAction::kStop};
}

bool IsRemovableDrive(const fs::path& path) {
  fs::path probe = path;
  struct stat info {};
  while (::stat(probe.c_str(), &info) != 0) {
    if (!probe.has_parent_path() || probe.parent_path() == probe) return false;
    probe = probe.parent_path();
  }
  fs::path device =
      fs::path("/sys/dev/block") / (std::to_string(major(info.st_dev)) + ":" + std::to_string(minor(info.st_dev)));
  // A partition carries no flag of its own; its disk, one folder up, does.
  return ReadFlag(device / "removable") || ReadFlag(device / ".." / "removable");
}

bool SameFolder(const fs::path& a, const fs::path& b) {
  if (Folded(a) == Folded(b)) return true;
  std::error_code error;
  return fs::equivalent(a, b, error);
}

CopyTally CopyAlbumFiles(const fs::path& source, const std::vector<std::string>& names, const fs::path& destination,
                         const std::function<bool(const fs::path&)>& isRemovable) {
  CopyTally tally;
  if (SameFolder(source, destination)) {
    tally.skipped = static_cast<int>(names.size());
    return tally;
  }
  const bool removable = isRemovable(destination);
  for (const std::string& name : names) {
    const fs::path from = source / name;
    // A source that vanished since the album was built is not the destination's
    // fault; its error would read like a missing destination folder.
    std::error_code sourceError;
    if (!fs::exists(from, sourceError)) {
      Prompt().Show(kMsgFailedToSaveFromAlbum);
      ++tally.failed;
      tally.stopped = true;
      break;
    }
    const CopyStep step = CopyOne(from, destination / name, destination, removable);
    switch (step.outcome) {
      case WriteOutcome::kWritten: ++tally.copied; break;
      case WriteOutcome::kSkipped: ++tally.skipped; break;
      case WriteOutcome::kFailed: ++tally.failed; break;
    }
    if (step.stop) {
      tally.stopped = true;
      break;
    }
  }
  return tally;
}

}  // namespace tessaly
