// The one classification of file-system errors that the album, the camera window's save
// and the picture files each turn into their own messages.
#include "base/file_errors.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <future>

namespace tessaly {
namespace {

TEST(FileErrors, EachSystemErrorHasOneClass) {
  struct Row {
    int error;
    FileErrorKind kind;
  };
  const Row rows[] = {
      {EACCES, FileErrorKind::kAccessDenied}, {EPERM, FileErrorKind::kAccessDenied},
      {EISDIR, FileErrorKind::kAccessDenied}, {ENOMEDIUM, FileErrorKind::kNotReady},
      {ENXIO, FileErrorKind::kNotReady},      {ENOENT, FileErrorKind::kMissing},
      {ENOTDIR, FileErrorKind::kNotAFolder},  {EROFS, FileErrorKind::kWriteProtected},
      {ENOSPC, FileErrorKind::kDiskFull},     {EDQUOT, FileErrorKind::kDiskFull},
      {EFBIG, FileErrorKind::kDiskFull},      {ENAMETOOLONG, FileErrorKind::kBadPath},
      {ELOOP, FileErrorKind::kBadPath},       {EINVAL, FileErrorKind::kBadPath},
      {EILSEQ, FileErrorKind::kBadPath},      {ENODEV, FileErrorKind::kBadPath},
      {ENETUNREACH, FileErrorKind::kBadPath}, {EHOSTUNREACH, FileErrorKind::kBadPath},
      {EHOSTDOWN, FileErrorKind::kBadPath},   {EBUSY, FileErrorKind::kBusy},
      {ETXTBSY, FileErrorKind::kBusy},        {EAGAIN, FileErrorKind::kBusy},
      {ENOLCK, FileErrorKind::kBusy},         {EEXIST, FileErrorKind::kExists},
      {EIO, FileErrorKind::kHardware},        {EMFILE, FileErrorKind::kOther},
  };
  for (const Row& row : rows) {
    EXPECT_EQ(ClassifyFileError({row.error, std::generic_category()}), row.kind)
        << std::generic_category().message(row.error);
    // The file-system calls of the standard library report through the system category.
    EXPECT_EQ(ClassifyFileError({row.error, std::system_category()}), row.kind)
        << std::generic_category().message(row.error);
  }
}

TEST(FileErrors, NoErrorAndErrorsOfOtherKindsAreOther) {
  EXPECT_EQ(ClassifyFileError({}), FileErrorKind::kOther);
  // A code of another category is not an errno, whatever its number.
  EXPECT_EQ(ClassifyFileError(std::make_error_code(std::future_errc::broken_promise)), FileErrorKind::kOther);
  EXPECT_EQ(FileErrorKindName(FileErrorKind::kDiskFull), "disk full");
}

}  // namespace
}  // namespace tessaly
