// The recovery copies kept at the end of a session: written beside nothing of the user's,
// read back pixel for pixel, and a copy cut short is no copy.
#include "shell/recovery.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "test_support/pictures.h"
#include "test_support/temp_folder.h"

namespace tessaly::shell {
namespace {

namespace fs = std::filesystem;

TEST(Recovery, CopiesComeBackInOrderWithTheirPixelsAndNames) {
  test::TempFolder home;
  const fs::path folder = home / "state" / "tessaly" / "recovery";
  const Picture colour = test::Noise24(13, 7, 5);  // an odd width: rows are padded
  const Picture indexed = test::Indexed(9, 4, 8);
  ASSERT_FALSE(WriteRecoveryCopy(folder, colour, "/home/u/holiday.jpg", "holiday.jpg"));
  ASSERT_FALSE(WriteRecoveryCopy(folder, indexed, "", "Untitled1"));

  const std::vector<RecoveryCopy> copies = ListRecoveryCopies(folder);
  ASSERT_EQ(copies.size(), 2u);
  EXPECT_EQ(copies[0].originalPath, "/home/u/holiday.jpg");
  EXPECT_EQ(copies[0].title, "holiday.jpg");
  EXPECT_EQ(copies[1].originalPath, "");
  EXPECT_EQ(copies[1].title, "Untitled1");
  Picture back;
  ASSERT_TRUE(LoadRecoveryPicture(copies[0], back));
  EXPECT_TRUE(test::SamePicture(back, colour));
  ASSERT_TRUE(LoadRecoveryPicture(copies[1], back));
  EXPECT_TRUE(test::SamePicture(back, indexed)) << "the colour table and the indexes stay";
  EXPECT_EQ(fs::status(folder).permissions() & fs::perms::all, fs::perms::owner_all);

  DiscardRecoveryCopy(copies[0]);
  EXPECT_FALSE(fs::exists(copies[0].picture));
  EXPECT_FALSE(fs::exists(copies[0].description));
  ASSERT_EQ(ListRecoveryCopies(folder).size(), 1u);
  // A later copy never takes the number of one still there.
  ASSERT_FALSE(WriteRecoveryCopy(folder, colour, "/a.bmp", "a.bmp"));
  const std::vector<RecoveryCopy> after = ListRecoveryCopies(folder);
  ASSERT_EQ(after.size(), 2u);
  EXPECT_EQ(after[1].title, "a.bmp");
  EXPECT_NE(after[1].picture, copies[1].picture);
}

TEST(Recovery, APictureWithoutItsDescriptionIsACopyCutShort) {
  test::TempFolder folder;
  ASSERT_FALSE(WriteRecoveryCopy(folder.Path(), test::Make24(2, 2), "/x.bmp", "x.bmp"));
  { std::ofstream(folder / "picture-7.bmp") << "BM"; }  // killed before its description
  { std::ofstream(folder / "notes.txt") << "the user's"; }
  const std::vector<RecoveryCopy> copies = ListRecoveryCopies(folder.Path());
  ASSERT_EQ(copies.size(), 1u);
  EXPECT_EQ(copies[0].title, "x.bmp");
  EXPECT_FALSE(fs::exists(folder / "picture-7.bmp"));
  EXPECT_TRUE(fs::exists(folder / "notes.txt")) << "only our own files are touched";
  EXPECT_TRUE(ListRecoveryCopies(folder / "missing").empty());
}

TEST(Recovery, TheFolderFollowsTheStateHome) {
  test::ScopedEnv state("XDG_STATE_HOME", std::string("/tmp/s"));
  EXPECT_EQ(RecoveryFolder(), fs::path("/tmp/s/tessaly/recovery"));
  test::ScopedEnv relative("XDG_STATE_HOME", std::string("relative"));  // not absolute: ignored
  test::ScopedEnv home("HOME", std::string("/home/u"));
  EXPECT_EQ(RecoveryFolder(), fs::path("/home/u/.local/state/tessaly/recovery"));
}

TEST(RecoveryQuestion, NamesEachPictureByItsNameWithItsFolderShortened) {
  RecoveryCopy copy;
  copy.originalPath = "/home/ann/Pictures/AUT_0001.JPG";
  EXPECT_EQ(DescribeRecoveryCopy(copy, "/home/ann"), "AUT_0001.JPG (~/Pictures)");
  EXPECT_EQ(DescribeRecoveryCopy(copy, "/home/an"), "AUT_0001.JPG (/home/ann/Pictures)") << "not inside that home";
  copy.originalPath = "/home/ann/Pictures/2024/summer holidays/the coast/day three/写真.bmp";
  const std::string described = DescribeRecoveryCopy(copy, "/home/ann", 20);
  EXPECT_EQ(described, "写真.bmp (~/Picture\u2026/day three)");
  copy.originalPath.clear();
  copy.title = "Untitled1";
  EXPECT_EQ(DescribeRecoveryCopy(copy, "/home/ann"), "Untitled1") << "a new picture by its title";
}

}  // namespace
}  // namespace tessaly::shell
