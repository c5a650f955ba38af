#include "base/file_io.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <fstream>

#include "test_support/temp_folder.h"

namespace tessaly {
namespace {

Bytes Of(std::string_view text) { return Bytes(text.begin(), text.end()); }

TEST(FileIo, AtomicWriteReplacesWholeFileAndKeepsItsMode) {
  test::TempFolder folder;
  auto path = folder / "picture.bmp";
  ASSERT_FALSE(WriteFileAtomically(path, Of("old contents")));
  ::chmod(path.c_str(), 0640);
  Bytes head = Of("new "), tail = Of("contents");
  ASSERT_FALSE(WriteFileAtomically(path, {head, tail}));
  Bytes read;
  ASSERT_FALSE(ReadWholeFile(path, read));
  EXPECT_EQ(read, Of("new contents"));
  struct stat info {};
  ASSERT_EQ(::stat(path.c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 0777, 0640u);
  // No temporary file is left behind.
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder.Path()), {}), 1);
}

TEST(FileIo, FailedWriteLeavesNothing) {
  test::TempFolder folder;
  auto path = folder / "missing-folder" / "x.jpg";
  EXPECT_TRUE(WriteFileAtomically(path, Of("data")));
  EXPECT_FALSE(std::filesystem::exists(path));
}

TEST(FileIo, NewFileIsNeverReplaced) {
  test::TempFolder folder;
  auto path = folder / "AUT_0001.JPG";
  ASSERT_FALSE(WriteNewFileAtomically(path, {Of("first")}));
  auto ec = WriteNewFileAtomically(path, {Of("second")});
  EXPECT_EQ(ec, std::make_error_code(std::errc::file_exists));
  Bytes read;
  ASSERT_FALSE(ReadWholeFile(path, read));
  EXPECT_EQ(read, Of("first"));
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder.Path()), {}), 1);
}

TEST(FileIo, ReadingMissingFileOrFolderFails) {
  test::TempFolder folder;
  Bytes read;
  EXPECT_EQ(ReadWholeFile(folder / "none", read), std::make_error_code(std::errc::no_such_file_or_directory));
  EXPECT_TRUE(ReadWholeFile(folder.Path(), read));
}

TEST(FileIo, PrivateTempDirBelongsToTheUser) {
  auto dir = PrivateTempDir();
  ASSERT_FALSE(dir.empty());
  struct stat info {};
  ASSERT_EQ(::stat(dir.c_str(), &info), 0);
  EXPECT_TRUE(S_ISDIR(info.st_mode));
  EXPECT_EQ(info.st_uid, ::getuid());
  EXPECT_EQ(info.st_mode & 077, 0u);
}

}  // namespace
}  // namespace tessaly
