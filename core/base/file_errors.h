// What kind of failure a file-system call reported, in the few classes the program's
// messages tell apart. Every caller that explains a failed read or write starts from
// this one classification and picks its own message and next step for each class.
#pragma once

#include <string_view>
#include <system_error>

namespace tessaly {

enum class FileErrorKind {
  kAccessDenied,    // no permission, or the name is a folder where a file was meant
  kNotReady,        // the medium or the device is gone (a card pulled, a stick removed)
  kMissing,         // the file or a folder on its path does not exist
  kNotAFolder,      // a component of the path is a file, not a folder
  kWriteProtected,  // the file system is mounted read-only
  kDiskFull,        // no room left on the drive or in the user's quota
  kBadPath,         // the name cannot be a path here: too long, a loop, bad bytes, no device
  kBusy,            // the device or the file is locked or busy for now
  kExists,          // the name is taken
  kHardware,        // the device reported an input/output error
  kOther,           // anything else, including errors outside the system's own codes
};

FileErrorKind ClassifyFileError(std::error_code error);

// A short English name of the class, for test output and logs.
std::string_view FileErrorKindName(FileErrorKind kind);

}  // namespace tessaly
