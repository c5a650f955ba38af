#include "formats/thumbnail_cache.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <sys/time.h>

#include <fstream>
#include <sstream>
#include <string>

#include "base/file_io.h"
#include "base/version.h"
#include "test_support/pictures.h"
#include "test_support/reference_decoder.h"
#include "test_support/temp_folder.h"

namespace tessaly {
namespace {

namespace fs = std::filesystem;

class ThumbnailCache : public ::testing::Test {
 protected:
  ThumbnailCache() : m_cacheHome(m_folder / "cache"), m_env("XDG_CACHE_HOME", m_cacheHome.string()) {
    fs::create_directories(m_folder / "pictures");
  }

  // A picture file as the cache sees it: any bytes, with a known modification time.
  fs::path MakeFile(const std::string& name, long seconds = 1'700'000'000) {
    const fs::path path = m_folder / "pictures" / name;
    std::ofstream(path, std::ios::binary) << "not looked at";
    SetTime(path, seconds);
    return path;
  }
  static void SetTime(const fs::path& path, long seconds) {
    const timeval times[2] = {{seconds, 0}, {seconds, 0}};
    ASSERT_EQ(::utimes(path.c_str(), times), 0);
  }
  static int ModeOf(const fs::path& path) {
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 ? static_cast<int>(info.st_mode & 07777) : -1;
  }
  // Runs a python3 script with the arguments; its standard output, or a failed test.
  std::string RunPython(const std::string& script, const std::vector<std::string>& arguments) {
    const fs::path file = m_folder / "script.py";
    std::ofstream(file) << script;
    std::string command = test::Python() + " " + test::Quoted(file);
    for (const std::string& argument : arguments) command += " " + test::Quoted(argument);
    auto [status, output] = test::RunCommand(command);
    EXPECT_EQ(status, 0) << output;
    return output;
  }

  test::TempFolder m_folder;
  fs::path m_cacheHome;
  test::ScopedEnv m_env;
};

// --- Names: other programs must find our entries and we theirs.

TEST_F(ThumbnailCache, UriEscapesAsTheDesktopDoes) {
  EXPECT_EQ(ThumbnailUri("/tmp/a b;\xC3\xA9%#.jpg"), "file:///tmp/a%20b%3B%C3%A9%25%23.jpg");
  EXPECT_EQ(ThumbnailUri("/p/x_y-z.~!*'()@&=+$,:.png"), "file:///p/x_y-z.~!*'()@&=+$,:.png");
  EXPECT_EQ(ThumbnailUri("/p/./q/../r.png"), "file:///p/r.png");
  EXPECT_EQ(ThumbnailUri("rel.png"), "file://" + (fs::current_path() / "rel.png").string());
}

TEST_F(ThumbnailCache, EntryNameIsTheMd5OfTheUriByAnotherImplementation) {
  const std::vector<std::string> names = {"plain.jpg", "with space.JPG", "caf\xC3\xA9;#%?.png", "[x]{y}<z>\"`^|.tif"};
  std::vector<std::string> paths;
  for (const std::string& name : names) paths.push_back(MakeFile(name).string());
  const std::string output = RunPython(R"PY(
import hashlib, os, sys, urllib.parse
for p in sys.argv[1:]:
    uri = "file://" + urllib.parse.quote(os.fsencode(p), safe="/!$&'()*+,:=@~")
    print(uri, hashlib.md5(uri.encode()).hexdigest())
)PY",
                                       paths);
  std::istringstream lines(output);
  for (const std::string& path : paths) {
    std::string uri, md5;
    lines >> uri >> md5;
    EXPECT_EQ(ThumbnailUri(path), uri);
    EXPECT_EQ(CachedThumbnailPath(path), m_cacheHome / "thumbnails" / "normal" / (md5 + ".png"));
    EXPECT_EQ(FailedThumbnailPath(path),
              m_cacheHome / "thumbnails" / "fail" / (std::string("tessaly-") + VersionText()) / (md5 + ".png"));
  }
}

TEST_F(ThumbnailCache, RootFollowsTheEnvironment) {
  EXPECT_EQ(ThumbnailCacheRoot(), m_cacheHome / "thumbnails");
  test::ScopedEnv home("HOME", "/home/someone");
  {
    test::ScopedEnv relative("XDG_CACHE_HOME", "relative/cache");  // not absolute: ignored
    EXPECT_EQ(ThumbnailCacheRoot(), fs::path("/home/someone/.cache/thumbnails"));
  }
  test::ScopedEnv unset("XDG_CACHE_HOME", std::nullopt);
  EXPECT_EQ(ThumbnailCacheRoot(), fs::path("/home/someone/.cache/thumbnails"));
}

// --- Writing and reading back.

TEST_F(ThumbnailCache, WrittenEntryReadsBackWithItsPixelsAndKeys) {
  const fs::path file = MakeFile("photo.jpg");
  const Picture thumbnail = test::Noise24(128, 96);
  ASSERT_TRUE(StoreThumbnail(file, thumbnail, {4000, 3000}));

  const std::optional<Picture> back = LoadCachedThumbnail(file);
  ASSERT_TRUE(back);
  ASSERT_EQ(back->width, 128);
  ASSERT_EQ(back->height, 96);
  for (int y = 0; y < 96; ++y)
    for (int x = 0; x < 128; ++x) ASSERT_EQ(test::At(*back, x, y), test::At(thumbnail, x, y)) << x << "," << y;

  // What another program reading the entry sees.
  const std::string keys = RunPython(R"PY(
import sys
from PIL import Image
im = Image.open(sys.argv[1])
for k in ["Thumb::URI", "Thumb::MTime", "Thumb::Size", "Thumb::Image::Width", "Thumb::Image::Height", "Software"]:
    print(k, im.text.get(k))
print(im.size)
)PY",
                                     {CachedThumbnailPath(file).string()});
  EXPECT_EQ(keys, "Thumb::URI " + ThumbnailUri(file) +
                      "\nThumb::MTime 1700000000\nThumb::Size 13\nThumb::Image::Width 4000\n"
                      "Thumb::Image::Height 3000\nSoftware Tessaly " +
                      VersionText() + "\n(128, 96)\n");
}

TEST_F(ThumbnailCache, LargerPicturesAreReducedToTheNormalSize) {
  const fs::path wide = MakeFile("wide.png");
  ASSERT_TRUE(StoreThumbnail(wide, test::Filled(400, 100, {10, 20, 30})));
  const std::optional<Picture> back = LoadCachedThumbnail(wide);
  ASSERT_TRUE(back);
  EXPECT_EQ(back->width, 128);
  EXPECT_EQ(back->height, 32);
  EXPECT_EQ(test::At(*back, 127, 31), (test::Bgr{10, 20, 30}));
}

TEST_F(ThumbnailCache, FoldersArePrivateAndEntriesTheUsersAlone) {
  const mode_t old = ::umask(022);
  const fs::path file = MakeFile("photo.jpg");
  const bool stored = StoreThumbnail(file, test::Noise24(8, 8));
  const bool failed = StoreThumbnailFailure(file);
  ::umask(old);
  ASSERT_TRUE(stored && failed);
  EXPECT_EQ(ModeOf(m_cacheHome / "thumbnails"), 0700);
  EXPECT_EQ(ModeOf(m_cacheHome / "thumbnails" / "normal"), 0700);
  EXPECT_EQ(ModeOf(CachedThumbnailPath(file)), 0600);
  EXPECT_EQ(ModeOf(FailedThumbnailPath(file).parent_path()), 0700);
  EXPECT_EQ(ModeOf(FailedThumbnailPath(file)), 0600);
  // A replaced entry is private too, and the folder holds nothing but the entry.
  fs::permissions(CachedThumbnailPath(file), fs::perms(0644));
  ASSERT_TRUE(StoreThumbnail(file, test::Noise24(8, 8, 2)));
  EXPECT_EQ(ModeOf(CachedThumbnailPath(file)), 0600);
  EXPECT_EQ(std::distance(fs::directory_iterator(m_cacheHome / "thumbnails" / "normal"), fs::directory_iterator()), 1);
}

// --- Entries that must not be taken.

TEST_F(ThumbnailCache, StaleOrForeignOrMissingEntriesAreIgnored) {
  const fs::path file = MakeFile("photo.jpg");
  EXPECT_FALSE(LoadCachedThumbnail(file)) << "no entry yet";
  ASSERT_TRUE(StoreThumbnail(file, test::Noise24(16, 16)));
  SetTime(file, 1'700'000'001);
  EXPECT_FALSE(LoadCachedThumbnail(file)) << "the file changed after the entry was written";
  SetTime(file, 1'700'000'000);
  EXPECT_TRUE(LoadCachedThumbnail(file));

  // Another file's entry under this file's name (as a collision or a rename leaves it).
  const fs::path other = MakeFile("other.jpg");
  ASSERT_TRUE(StoreThumbnail(other, test::Noise24(16, 16)));
  fs::copy_file(CachedThumbnailPath(other), CachedThumbnailPath(file), fs::copy_options::overwrite_existing);
  EXPECT_FALSE(LoadCachedThumbnail(file));

  fs::remove(file);
  EXPECT_FALSE(LoadCachedThumbnail(file)) << "the file is gone";
}

TEST_F(ThumbnailCache, DamagedEntriesAreIgnored) {
  const fs::path file = MakeFile("photo.jpg");
  ASSERT_TRUE(StoreThumbnail(file, test::Noise24(64, 48)));
  Bytes good;
  ASSERT_FALSE(ReadWholeFile(CachedThumbnailPath(file), good));
  const std::string uri = ThumbnailUri(file);
  ASSERT_TRUE(ReadThumbnailEntry(good, uri, "1700000000"));

  // Every cut of the file: refused or a picture, never a crash (the sanitizers watch).
  for (std::size_t size = 0; size < good.size(); size += 7)
    (void)ReadThumbnailEntry(ByteSpan(good).first(size), uri, "1700000000");
  EXPECT_FALSE(ReadThumbnailEntry(ByteSpan(good).first(good.size() / 3), uri, "1700000000"));
  // Keys that must match exactly, and an empty time that matches nothing.
  EXPECT_FALSE(ReadThumbnailEntry(good, uri + "x", "1700000000"));
  EXPECT_FALSE(ReadThumbnailEntry(good, uri, "170000000"));
  EXPECT_FALSE(ReadThumbnailEntry(good, uri, ""));

  std::ofstream(CachedThumbnailPath(file), std::ios::binary | std::ios::trunc) << "\x89PNG\r\n\x1a\n garbage";
  EXPECT_FALSE(LoadCachedThumbnail(file));
  fs::remove(CachedThumbnailPath(file));
  fs::create_directory(CachedThumbnailPath(file));  // a folder in its place
  EXPECT_FALSE(LoadCachedThumbnail(file));
  EXPECT_FALSE(StoreThumbnail(file, test::Noise24(8, 8)));
}

// --- Sharing with other programs.

TEST_F(ThumbnailCache, EntryWrittenByAnotherProgramIsRead) {
  struct Case {
    const char* description;
    const char* how;  // how the other program writes the URI's chunk
  };
  for (const Case& c : {Case{"tEXt", "text"}, Case{"iTXt", "itxt"}, Case{"zTXt", "ztxt"}}) {
    const fs::path file = MakeFile(std::string("from other ") + c.description + ".jpg");
    fs::create_directories(CachedThumbnailPath(file).parent_path());
    RunPython(R"PY(
import sys
from PIL import Image, PngImagePlugin
out, uri, how = sys.argv[1], sys.argv[2], sys.argv[3]
im = Image.new("RGBA", (100, 75))
im.putdata([(x * 2, y * 3, 200, 255 if x < 50 else 0) for y in range(75) for x in range(100)])
info = PngImagePlugin.PngInfo()
if how == "itxt":
    info.add_itxt("Thumb::URI", uri)
else:
    info.add_text("Thumb::URI", uri, zip=(how == "ztxt"))
info.add_text("Thumb::MTime", "1700000000")
info.add_text("Software", "someone else")
im.save(out, pnginfo=info)
)PY",
              {CachedThumbnailPath(file).string(), ThumbnailUri(file), c.how});
    const std::optional<Picture> back = LoadCachedThumbnail(file);
    ASSERT_TRUE(back) << c.description;
    ASSERT_EQ(back->width, 100);
    ASSERT_EQ(back->height, 75);
    EXPECT_EQ(test::At(*back, 10, 20), (test::Bgr{200, 60, 20})) << c.description;
    EXPECT_EQ(test::At(*back, 60, 20), (test::Bgr{255, 255, 255})) << c.description << ": clear is laid over white";
  }
}

// --- Failures and the cache's own folder.

TEST_F(ThumbnailCache, FailureIsRememberedWhileTheFileIsUnchanged) {
  const fs::path file = MakeFile("broken.jpg");
  EXPECT_FALSE(HasFreshFailure(file));
  ASSERT_TRUE(StoreThumbnailFailure(file));
  EXPECT_TRUE(HasFreshFailure(file));
  EXPECT_FALSE(LoadCachedThumbnail(file)) << "a failure is no thumbnail";
  SetTime(file, 1'700'000'100);
  EXPECT_FALSE(HasFreshFailure(file)) << "a changed file is tried again";
}

TEST_F(ThumbnailCache, NothingIsWrittenForTheCachesOwnFilesOrWhereItCannotBe) {
  const fs::path file = MakeFile("photo.jpg");
  ASSERT_TRUE(StoreThumbnail(file, test::Noise24(8, 8)));
  const fs::path entry = CachedThumbnailPath(file);
  EXPECT_FALSE(StoreThumbnail(entry, test::Noise24(8, 8)));
  EXPECT_FALSE(StoreThumbnailFailure(entry));
  EXPECT_FALSE(fs::exists(CachedThumbnailPath(entry)));

  EXPECT_FALSE(StoreThumbnail(m_folder / "pictures" / "missing.jpg", test::Noise24(8, 8)));
  EXPECT_FALSE(StoreThumbnail(file, Picture{})) << "no picture";

  // A cache that cannot be made (a file where its folder should be).
  test::ScopedEnv blocked("XDG_CACHE_HOME", (m_folder / "pictures" / "photo.jpg").string());
  EXPECT_FALSE(StoreThumbnail(file, test::Noise24(8, 8)));
  EXPECT_FALSE(StoreThumbnailFailure(file));
  EXPECT_FALSE(HasFreshFailure(file));
}

// --- The album's cell.

TEST_F(ThumbnailCache, AlbumCellComesFromTheCacheFittedToTheCell) {
  const fs::path file = MakeFile("photo.jpg");
  const RgbQuad background{1, 2, 3, 0};
  EXPECT_FALSE(AlbumThumbnailFromCache(file, background));
  ASSERT_TRUE(StoreThumbnail(file, test::Filled(128, 96, {50, 100, 150})));
  const std::optional<Picture> cell = AlbumThumbnailFromCache(file, background);
  ASSERT_TRUE(cell);
  EXPECT_EQ(cell->width, kAlbumThumbWidth);
  EXPECT_EQ(cell->height, kAlbumThumbHeight);
  EXPECT_EQ(test::RgbAt(*cell, 0, 0), (std::array<std::uint8_t, 3>{150, 100, 50}));
  EXPECT_EQ(test::RgbAt(*cell, 79, 59), (std::array<std::uint8_t, 3>{150, 100, 50}));
}

}  // namespace
}  // namespace tessaly
