// "Save From Album": copying an album's files into another folder, each copy written
// whole or not at all, and what a failed copy tells the user.
#pragma once

#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <system_error>
#include <vector>

#include "base/messages.h"

namespace tessaly {

// What a copy does after the platform refused to write a file.
enum class CopyAction {
  kStop,        // show the message and copy nothing more
  kNextFile,    // show the message and go on with the next file
  kSkipFile,    // go on with the next file without a word
  kAskReplace,  // "This file already exists. Replace existing file?"
  kMakeFolder,  // the folder is missing: make it, then copy again
  kAskRetry,    // a full removable disk: "Insert a new disk." with Retry and Cancel
};

struct CopyRule {
  std::optional<MessageId> message;
  CopyAction action = CopyAction::kStop;
  friend bool operator==(const CopyRule&, const CopyRule&) = default;
};

// The rule for the error of a failed write into the destination; removable says
// whether the destination lies on a removable drive (a card, a stick, a floppy).
CopyRule CopyRuleFor(std::error_code error, bool removable);

// True when the path (or the nearest folder above it that exists) lies on a block
// device the system marks as removable.
bool IsRemovableDrive(const std::filesystem::path& path);

// True when two folders are the same: equal without regard to case, as the album
// compares them, or the same folder on disk under another spelling.
bool SameFolder(const std::filesystem::path& a, const std::filesystem::path& b);

struct CopyTally {
  int copied = 0;
  int skipped = 0;
  int failed = 0;
  bool stopped = false;  // a failure ended the copy early
};

// Copies the named files (names as bytes, no folder) from source to destination,
// without replacing a file unless the user says so. A file of the source folder that is
// a symbolic link is copied as a link to the same target. Nothing is copied when the two
// folders are the same. isRemovable decides the rules that depend on the drive.
CopyTally CopyAlbumFiles(const std::filesystem::path& source, const std::vector<std::string>& names,
                         const std::filesystem::path& destination,
                         const std::function<bool(const std::filesystem::path&)>& isRemovable = IsRemovableDrive);

}  // namespace tessaly
