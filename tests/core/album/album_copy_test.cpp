#include "album/album_copy.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <fstream>

#include "base/file_io.h"
#include "test_support/recorded_prompt.h"
#include "test_support/temp_folder.h"

namespace tessaly {
namespace {

namespace fs = std::filesystem;
using Texts = std::vector<std::string>;

void Write(const fs::path& path, const std::string& text) { std::ofstream(path) << text; }
std::string Read(const fs::path& path) {
  std::ifstream in(path);
  return std::string(std::istreambuf_iterator<char>(in), {});
}
std::error_code Errno(int value) { return {value, std::generic_category()}; }

TEST(AlbumCopy, EveryPlatformErrorHasItsRule) {
  struct Case {
    int error;
    bool removable;
    CopyRule rule;
  } cases[] = {
      {EACCES, false, {kMsgFailedToAccessCard, CopyAction::kStop}},
      {EPERM, true, {kMsgFailedToAccessCard, CopyAction::kStop}},
      {ENOMEDIUM, true, {kMsgFailedToAccessCard, CopyAction::kStop}},
      {ENOENT, true, {std::nullopt, CopyAction::kMakeFolder}},
      {ENOENT, false, {std::nullopt, CopyAction::kSkipFile}},
      {EROFS, false, {kMsgWriteProtected, CopyAction::kStop}},
      {ENOSPC, true, {kMsgDiskFullInsert, CopyAction::kAskRetry}},
      {EDQUOT, false, {kMsgDiskFull, CopyAction::kStop}},
      {ENAMETOOLONG, false, {kMsgInvalidPath, CopyAction::kNextFile}},
      {EHOSTUNREACH, false, {kMsgInvalidPath, CopyAction::kNextFile}},
      {EBUSY, false, {kMsgDeviceBusy, CopyAction::kNextFile}},
      {ENOLCK, false, {kMsgDeviceBusy, CopyAction::kNextFile}},
      {EEXIST, false, {kMsgFileExistsReplace, CopyAction::kAskReplace}},
      {EIO, false, {kMsgFailedToSaveFromAlbum, CopyAction::kStop}},
  };
  for (const auto& c : cases) EXPECT_EQ(CopyRuleFor(Errno(c.error), c.removable), c.rule) << c.error;
}

// The four failures every writer of files meets, as the album's copy answers them.
TEST(AlbumCopy, CommonFailuresOnEitherDrive) {
  struct Case {
    const char* description;
    int error;
    bool removable;
    CopyRule rule;
  } cases[] = {
      {"disk full on a card", ENOSPC, true, {kMsgDiskFullInsert, CopyAction::kAskRetry}},
      {"disk full on a fixed disk", ENOSPC, false, {kMsgDiskFull, CopyAction::kStop}},
      {"read-only", EROFS, true, {kMsgWriteProtected, CopyAction::kStop}},
      {"missing folder on a card", ENOENT, true, {std::nullopt, CopyAction::kMakeFolder}},
      {"missing folder on a fixed disk", ENOTDIR, false, {std::nullopt, CopyAction::kSkipFile}},
      {"removed device", ENXIO, true, {kMsgFailedToAccessCard, CopyAction::kStop}},
      {"a folder where the file goes", EISDIR, false, {kMsgFailedToAccessCard, CopyAction::kStop}},
  };
  for (const auto& c : cases) EXPECT_EQ(CopyRuleFor(Errno(c.error), c.removable), c.rule) << c.description;
}

struct AlbumCopyFiles : ::testing::Test {
  void SetUp() override {
    for (const char* name : {"a.jpg", "b.jpg", "c.jpg"}) Write(source / name, std::string("new ") + name);
  }
  test::TempFolder source, destination;
  test::RecordedPrompt prompt;
  std::vector<std::string> names{"a.jpg", "b.jpg", "c.jpg"};
  std::function<bool(const fs::path&)> fixed = [](const fs::path&) { return false; };
};

TEST_F(AlbumCopyFiles, CopiesEveryFileWhole) {
  CopyTally tally = CopyAlbumFiles(source.Path(), names, destination.Path(), fixed);
  EXPECT_EQ(tally.copied, 3);
  EXPECT_EQ(Read(destination / "b.jpg"), "new b.jpg");
  EXPECT_TRUE(prompt.Texts().empty());
}

TEST_F(AlbumCopyFiles, ItsOwnFolderSkipsEveryFile) {
  CopyTally tally = CopyAlbumFiles(source.Path(), names, source.Path() / ".", fixed);
  EXPECT_EQ(tally.copied, 0);
  EXPECT_EQ(tally.skipped, 3);
  EXPECT_EQ(Read(source / "a.jpg"), "new a.jpg");
  EXPECT_TRUE(prompt.Texts().empty());
}

TEST_F(AlbumCopyFiles, AnExistingTargetAsksOncePerFile) {
  Write(destination / "a.jpg", "old a");
  Write(destination / "c.jpg", "old c");
  prompt->Answer(PromptAnswer::kNo);
  prompt->Answer(PromptAnswer::kYes);
  CopyTally tally = CopyAlbumFiles(source.Path(), names, destination.Path(), fixed);
  EXPECT_EQ(prompt.Texts(),
            (Texts{std::string(MessageText(kMsgFileExistsReplace)), std::string(MessageText(kMsgFileExistsReplace))}));
  EXPECT_EQ(Read(destination / "a.jpg"), "old a");
  EXPECT_EQ(Read(destination / "c.jpg"), "new c.jpg");
  EXPECT_EQ(tally.copied, 2);
  EXPECT_EQ(tally.skipped, 1);
}

TEST_F(AlbumCopyFiles, AMissingFolderIsMadeOnARemovableDriveAndSkippedElsewhere) {
  fs::path missing = destination / "new" / "deeper";
  CopyTally elsewhere = CopyAlbumFiles(source.Path(), names, missing, fixed);
  EXPECT_EQ(elsewhere.skipped, 3);
  EXPECT_FALSE(fs::exists(missing));
  CopyTally removable = CopyAlbumFiles(source.Path(), names, missing, [](const fs::path&) { return true; });
  EXPECT_EQ(removable.copied, 3);
  EXPECT_EQ(Read(missing / "c.jpg"), "new c.jpg");
  EXPECT_TRUE(prompt.Texts().empty());
}

TEST_F(AlbumCopyFiles, LinksAreCopiedAsLinksAndNamesAsBytes) {
  test::TempFolder elsewhere;
  Write(elsewhere / "y.BMP", "target");
  fs::create_symlink(elsewhere / "y.BMP", source / "x.lnk");
  const std::string shiftJis = "\x8e\xca\x90\x5e.jpg";
  Write(source / shiftJis, "sjis");
  CopyTally tally = CopyAlbumFiles(source.Path(), {"x.lnk", shiftJis}, destination.Path(), fixed);
  EXPECT_EQ(tally.copied, 2);
  EXPECT_TRUE(fs::is_symlink(destination / "x.lnk"));
  EXPECT_EQ(Read(destination / "x.lnk"), "target");
  EXPECT_EQ(Read(destination / shiftJis), "sjis");
}

TEST_F(AlbumCopyFiles, AReadOnlyDestinationStopsAtTheFirstFile) {
  if (::geteuid() == 0) GTEST_SKIP() << "root writes into read-only folders";
  fs::permissions(destination.Path(), fs::perms::owner_read | fs::perms::owner_exec);
  CopyTally tally = CopyAlbumFiles(source.Path(), names, destination.Path(), fixed);
  fs::permissions(destination.Path(), fs::perms::owner_all);
  EXPECT_TRUE(tally.stopped);
  EXPECT_EQ(tally.failed, 1);
  EXPECT_EQ(prompt.Texts(), (Texts{std::string(MessageText(kMsgFailedToAccessCard))}));
}

TEST_F(AlbumCopyFiles, AVanishedSourceStopsWithTheGeneralMessage) {
  fs::remove(source / "b.jpg");
  CopyTally tally = CopyAlbumFiles(source.Path(), names, destination.Path(), fixed);
  EXPECT_EQ(tally.copied, 1);
  EXPECT_TRUE(tally.stopped);
  EXPECT_EQ(prompt.Texts(), (Texts{std::string(MessageText(kMsgFailedToSaveFromAlbum))}));
}

TEST(AlbumCopy, SameFolderIgnoresCaseAndSpelling) {
  test::TempFolder folder;
  EXPECT_TRUE(SameFolder("/Pictures/Trip/", "/pictures/trip"));
  EXPECT_TRUE(SameFolder(folder.Path(), folder.Path() / "sub" / ".."));
  EXPECT_FALSE(SameFolder(folder.Path(), folder.Path() / "other"));
}

}  // namespace
}  // namespace tessaly
