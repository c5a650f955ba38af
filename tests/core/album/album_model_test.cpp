#include "album/album_model.h"

#include <gtest/gtest.h>

#include <fstream>

#include "formats/picture_file.h"
#include "formats/thumbnail_cache.h"
#include "test_support/pictures.h"
#include "test_support/recorded_prompt.h"
#include "test_support/temp_folder.h"

namespace tessaly {
namespace {

namespace fs = std::filesystem;
using Names = std::vector<std::string>;

constexpr RgbQuad kWhite{255, 255, 255, 0};

void Save(const fs::path& path, const Picture& picture) {
  PictureFile file;
  file.picture = picture;
  ASSERT_TRUE(file.SavePicture(path)) << path;
}

// Records what a build tells its sink; stops before file `stopAt`.
struct RecordingSink : AlbumBuildSink {
  bool Next(std::size_t index, std::size_t count, std::string_view name) override {
    asked.push_back({index, count, std::string(name)});
    return index != stopAt;
  }
  void Done(std::size_t index, int entry) override { done.push_back({index, entry}); }

  struct Asked {
    std::size_t index, count;
    std::string name;
    bool operator==(const Asked&) const = default;
  };
  std::vector<Asked> asked;
  std::vector<std::pair<std::size_t, int>> done;
  std::size_t stopAt = SIZE_MAX;
};

Names EntryNames(const AlbumModel& album) {
  Names names;
  for (const AlbumEntry& entry : album.Entries()) names.push_back(entry.name);
  return names;
}

class AlbumModelTest : public ::testing::Test {
 protected:
  // b.bmp, a.jpg, c.tif and a file that is not a picture at all, d.bmp.
  void SetUp() override {
    Save(m_folder / "b.bmp", test::Indexed(100, 40, 8));
    Save(m_folder / "a.jpg", test::Noise24(640, 480));
    Save(m_folder / "c.tif", test::Numbered(40, 30));
    std::ofstream(m_folder / "d.bmp") << "not a picture";
    m_album.SetFolder(m_folder.Path(), "*.*");
  }

  test::TempFolder m_folder;
  test::RecordedPrompt m_prompt;
  AlbumModel m_album;
};

TEST_F(AlbumModelTest, BuildMakesAThumbnailForEachLoadableFileInTheScansOrder) {
  RecordingSink sink;
  EXPECT_EQ(m_album.Build(kWhite, sink), AlbumBuildEnd::kDone);
  EXPECT_EQ(m_album.Files(), (Names{"a.jpg", "b.bmp", "c.tif", "d.bmp"}));
  EXPECT_EQ(EntryNames(m_album), (Names{"a.jpg", "b.bmp", "c.tif"}));
  // Every file is announced before it is loaded and reported after, the one that
  // failed as no entry; the loader has said why.
  EXPECT_EQ(sink.asked,
            (std::vector<RecordingSink::Asked>{{0, 4, "a.jpg"}, {1, 4, "b.bmp"}, {2, 4, "c.tif"}, {3, 4, "d.bmp"}}));
  EXPECT_EQ(sink.done, (std::vector<std::pair<std::size_t, int>>{{0, 0}, {1, 1}, {2, 2}, {3, -1}}));
  EXPECT_TRUE(m_prompt.Texts().empty()) << "the build shows nothing of its own";
  ASSERT_EQ(m_album.Failures().size(), 1u) << "the file it could not read is kept for one message at the end";
  EXPECT_EQ(m_album.Failures()[0].name, "d.bmp");
  EXPECT_FALSE(m_album.Failures()[0].message.empty());

  for (std::size_t i = 0; i < m_album.Count(); ++i) {
    SCOPED_TRACE(m_album.Entries()[i].name);
    PictureFile file;
    ASSERT_TRUE(OpenPictureFile(file, m_album.PathOf(i)));
    EXPECT_TRUE(test::SamePicture(m_album.Entries()[i].thumbnail, MakeAlbumThumbnail(file.picture, kWhite)));
  }
  EXPECT_EQ(m_album.Entries()[1].thumbnail.bitsPerPixel, 8);
  EXPECT_EQ(m_album.PathOf(2), m_folder / "c.tif");
  EXPECT_FALSE(m_album.OutOfMemory());
}

TEST_F(AlbumModelTest, CancelKeepsWhatWasBuiltAndTheFolderIsScannedOnce) {
  RecordingSink sink;
  sink.stopAt = 2;
  EXPECT_EQ(m_album.Build(kWhite, sink), AlbumBuildEnd::kCancelled);
  EXPECT_EQ(EntryNames(m_album), (Names{"a.jpg", "b.bmp"}));

  // A file that comes later is not seen: the names stay those of the first scan.
  Save(m_folder / "0.bmp", test::Numbered(8, 8));
  RecordingSink again;
  EXPECT_EQ(m_album.Build(kWhite, again), AlbumBuildEnd::kDone);
  EXPECT_EQ(EntryNames(m_album), (Names{"a.jpg", "b.bmp", "c.tif"}));

  AlbumModel empty;
  empty.SetFolder(m_folder / "missing", "*.jpg");
  EXPECT_EQ(empty.Build(kWhite, again), AlbumBuildEnd::kDone);
  EXPECT_EQ(empty.Count(), 0u);
}

TEST_F(AlbumModelTest, DeleteAsksUntilAllAndCancelStops) {
  RecordingSink sink;
  m_album.Build(kWhite, sink);
  // Asked No, then All: the first stays, the second and every later one go unasked.
  Names asked;
  std::vector<DeleteAnswer> answers{DeleteAnswer::kNo, DeleteAnswer::kAll};
  auto script = [&](const AlbumEntry& entry) {
    asked.push_back(entry.name);
    DeleteAnswer answer = answers.empty() ? DeleteAnswer::kCancel : answers.front();
    if (!answers.empty()) answers.erase(answers.begin());
    return answer;
  };
  EXPECT_EQ(m_album.Delete({2, 0, 1}, script), (std::vector<int>{1, 2}));
  EXPECT_EQ(asked, (Names{"a.jpg", "b.bmp"}));
  EXPECT_EQ(EntryNames(m_album), (Names{"a.jpg"}));
  EXPECT_EQ(m_album.Files(), (Names{"a.jpg", "d.bmp"}));
  EXPECT_TRUE(fs::exists(m_folder / "a.jpg"));
  EXPECT_FALSE(fs::exists(m_folder / "b.bmp"));
  EXPECT_FALSE(fs::exists(m_folder / "c.tif"));

  // Cancel ends at once; Yes deletes one and asks again.
  EXPECT_TRUE(m_album.Delete({0}, [](const AlbumEntry&) { return DeleteAnswer::kCancel; }).empty());
  EXPECT_EQ(m_album.Count(), 1u);
  // A file already gone from the disk still leaves the album.
  fs::remove(m_folder / "a.jpg");
  EXPECT_EQ(m_album.Delete({0, 7}, [](const AlbumEntry&) { return DeleteAnswer::kYes; }), (std::vector<int>{0}));
  EXPECT_EQ(m_album.Count(), 0u);
}

TEST_F(AlbumModelTest, CopyToTakesTheEntriesFilesAndSkipsItsOwnFolder) {
  RecordingSink sink;
  m_album.Build(kWhite, sink);
  EXPECT_EQ(m_album.NamesOf({2, 0, 9}), (Names{"c.tif", "a.jpg"}));
  EXPECT_EQ(m_album.PathsOf({1}), (std::vector<fs::path>{m_folder / "b.bmp"}));
  test::TempFolder target;
  CopyTally tally = m_album.CopyTo({0, 2}, target.Path(), [](const fs::path&) { return false; });
  EXPECT_EQ(tally.copied, 2);
  EXPECT_EQ(fs::file_size(target / "c.tif"), fs::file_size(m_folder / "c.tif"));
  EXPECT_FALSE(fs::exists(target / "b.bmp"));
  EXPECT_EQ(m_album.CopyTo({0}, m_folder.Path(), [](const fs::path&) { return false; }).copied, 0);
}

TEST(AlbumModel, AFolderLinkIsFollowedAndAnEmptyPatternMeansAll) {
  test::TempFolder folder;
  fs::create_directory(folder / "real");
  fs::create_directory_symlink(folder / "real", folder / "link");
  AlbumModel album;
  album.SetFolder(folder / "link", "");
  EXPECT_EQ(album.Folder(), fs::canonical(folder / "real"));
  EXPECT_EQ(album.Pattern(), "*.*");
}

// A picture over the limit of editing is kept in the desktop's shared cache when it is
// first read, and the next opening draws it from there without reading the file; the
// camera's pictures within the limit are read as ever, so their thumbnails stay the same.
TEST(AlbumModelCache, ALargePictureIsDrawnFromTheSharedCacheTheSecondTime) {
  test::TempFolder folder, cache;
  test::ScopedEnv cacheHome("XDG_CACHE_HOME", cache.Path().string());
  test::RecordedPrompt prompt;
  Save(folder / "large.jpg", test::Noise24(1600, 1200));
  Save(folder / "small.jpg", test::Noise24(320, 240));
  AlbumModel album;
  album.SetFolder(folder.Path(), "*.*");
  RecordingSink sink;
  ASSERT_EQ(album.Build(kWhite, sink), AlbumBuildEnd::kDone);
  ASSERT_EQ(album.Count(), 2u);
  const Picture firstLarge = album.Entries()[0].thumbnail;
  EXPECT_FALSE(LoadCachedThumbnail(folder / "small.jpg").has_value()) << "a camera picture within the limit";
  ASSERT_TRUE(LoadCachedThumbnail(folder / "large.jpg").has_value());

  // The file's bytes are spoilt, its size and time kept: only the cache can draw it now.
  const auto time = fs::last_write_time(folder / "large.jpg");
  const auto size = fs::file_size(folder / "large.jpg");
  std::ofstream(folder / "large.jpg", std::ios::binary) << std::string(size, 'x');
  fs::last_write_time(folder / "large.jpg", time);
  AlbumModel again;
  again.SetFolder(folder.Path(), "*.*");
  RecordingSink second;
  ASSERT_EQ(again.Build(kWhite, second), AlbumBuildEnd::kDone);
  ASSERT_EQ(again.Count(), 2u);
  EXPECT_TRUE(again.Failures().empty());
  EXPECT_EQ(again.Entries()[0].thumbnail.width, firstLarge.width);

  // Changed since: the stale entry is ignored and the spoilt file is named.
  fs::last_write_time(folder / "large.jpg", time + std::chrono::seconds(5));
  AlbumModel stale;
  stale.SetFolder(folder.Path(), "*.*");
  RecordingSink third;
  stale.Build(kWhite, third);
  ASSERT_EQ(stale.Failures().size(), 1u);
  EXPECT_EQ(stale.Failures()[0].name, "large.jpg");
}

// The build reads the next file beside the one it shows: whichever thread read a file,
// its refusal is its own, nothing reaches the program's prompt, and the order is the
// scan's. A picture over the limit of editing gets its cell from the reduced decode.
TEST(AlbumModelBuild, EachFileKeepsItsOwnAnswerInTheScansOrder) {
  test::TempFolder folder, cache;
  test::ScopedEnv cacheHome("XDG_CACHE_HOME", cache.Path().string());
  test::RecordedPrompt prompt;
  std::ofstream(folder / "1.bmp") << "not a picture";
  std::ofstream(folder / "2.png") << "\x89PNG\r\n\x1a\n";
  Save(folder / "3.jpg", test::Noise24(64, 48));
  // A header that declares 20000 x 20000 pixels, over what is ever opened.
  std::ofstream(folder / "4.bmp", std::ios::binary)
      << std::string("BM\x36\0\0\0\0\0\0\0\x36\0\0\0\x28\0\0\0\x20\x4e\0\0\x20\x4e\0\0\x01\0\x18\0", 30)
      << std::string(24, '\0');
  Save(folder / "5.jpg", test::Noise24(1600, 1200));
  std::ofstream(folder / "6.tif") << "II*";
  AlbumModel album;
  album.SetFolder(folder.Path(), "*.*");
  RecordingSink sink;
  ASSERT_EQ(album.Build(kWhite, sink), AlbumBuildEnd::kDone);
  EXPECT_EQ(EntryNames(album), (Names{"3.jpg", "5.jpg"}));
  EXPECT_EQ(sink.done, (std::vector<std::pair<std::size_t, int>>{{0, -1}, {1, -1}, {2, 0}, {3, -1}, {4, 1}, {5, -1}}));
  Names failed;
  for (const AlbumFailure& failure : album.Failures()) failed.push_back(failure.name);
  EXPECT_EQ(failed, (Names{"1.bmp", "2.png", "4.bmp", "6.tif"}));
  const std::string notPicture(MessageText(kMsgNotValidFileType));
  ASSERT_EQ(album.Failures().size(), 4u);
  EXPECT_EQ(album.Failures()[0].message, notPicture);
  EXPECT_EQ(album.Failures()[2].message, MessageText(kMsgPictureTooLarge));
  EXPECT_TRUE(prompt.Texts().empty());

  PictureFile reduced;
  ASSERT_TRUE(reduced.LoadPictureToFit(folder / "5.jpg", 256, 256, ReduceWhen::kOverEditable));
  EXPECT_TRUE(test::SamePicture(album.Entries()[1].thumbnail, AlbumCellOfThumbnail(reduced.picture, kWhite)));
}

}  // namespace
}  // namespace tessaly
