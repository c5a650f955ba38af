#include "base/file_errors.h"

#include <cerrno>

namespace tessaly {

FileErrorKind ClassifyFileError(std::error_code error) {
  if (!error) return FileErrorKind::kOther;
  if (error.category() != std::generic_category() && error.category() != std::system_category())
    return FileErrorKind::kOther;
  switch (error.value()) {
    case EACCES:
    case EPERM:
    // Writing over a folder is refused as access denied, as the save would be anywhere.
    case EISDIR: return FileErrorKind::kAccessDenied;
    case ENOMEDIUM:
    case ENXIO: return FileErrorKind::kNotReady;
    case ENOENT: return FileErrorKind::kMissing;
    case ENOTDIR: return FileErrorKind::kNotAFolder;
    case EROFS: return FileErrorKind::kWriteProtected;
    case ENOSPC:
    case EDQUOT:
    case EFBIG: return FileErrorKind::kDiskFull;
    case ENAMETOOLONG:
    case ELOOP:
    case EINVAL:
    case EILSEQ:
    case ENODEV:
    case ENETUNREACH:
    case EHOSTUNREACH:
    case EHOSTDOWN: return FileErrorKind::kBadPath;
    case EBUSY:
    case ETXTBSY:
    case EAGAIN:
    case ENOLCK: return FileErrorKind::kBusy;
    case EEXIST: return FileErrorKind::kExists;
    case EIO: return FileErrorKind::kHardware;
    default: return FileErrorKind::kOther;
  }
}

std::string_view FileErrorKindName(FileErrorKind kind) {
  switch (kind) {
    case FileErrorKind::kAccessDenied: return "access denied";
    case FileErrorKind::kNotReady: return "not ready";
    case FileErrorKind::kMissing: return "missing";
    case FileErrorKind::kNotAFolder: return "not a folder";
    case FileErrorKind::kWriteProtected: return "write protected";
    case FileErrorKind::kDiskFull: return "disk full";
    case FileErrorKind::kBadPath: return "bad path";
    case FileErrorKind::kBusy: return "busy";
    case FileErrorKind::kExists: return "exists";
    case FileErrorKind::kHardware: return "hardware";
    case FileErrorKind::kOther: return "other";
  }
  return "other";
}

}  // namespace tessaly
