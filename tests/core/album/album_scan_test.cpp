#include "album/album_scan.h"

#include <gtest/gtest.h>

#include <fstream>

#include "test_support/recorded_prompt.h"
#include "test_support/temp_folder.h"

namespace tessaly {
namespace {

namespace fs = std::filesystem;
using Names = std::vector<std::string>;

void Touch(const fs::path& path) { std::ofstream(path) << "x"; }

TEST(AlbumScan, PatternsComeFromTheTypeLabels) {
  EXPECT_EQ(PatternOfTypeLabel("JPEG(*.jpg)"), "*.jpg");
  EXPECT_EQ(PatternOfTypeLabel("ALL(*.*)"), "*.*");
  EXPECT_EQ(PatternOfTypeLabel("TIFF(*.tif)"), "*.tif");
  EXPECT_EQ(PatternOfTypeLabel("no dot"), "*.*");
  EXPECT_TRUE(IsAllPattern("*.*"));
  EXPECT_FALSE(IsAllPattern("*.bmp"));
}

TEST(AlbumScan, MatchingIgnoresCase) {
  struct Case {
    const char* name;
    const char* pattern;
    bool matches;
  } cases[] = {
      {"a.JPG", "*.jpg", true},   {"a.jpg", "*.JPG", true},   {"a.jpeg", "*.jpg", false},
      {"ajpg", "*.jpg", false},   {"x.y.bmp", "*.bmp", true}, {"a.jpg", "?.jpg", true},
      {"ab.jpg", "?.jpg", false}, {"noext", "*.*", false},    {"a.b", "*.*", true},
  };
  for (const auto& c : cases) EXPECT_EQ(MatchesPattern(c.name, c.pattern), c.matches) << c.name << " " << c.pattern;
  EXPECT_TRUE(AcceptsTargetName("y.BMP", "*.bmp"));
  EXPECT_FALSE(AcceptsTargetName("y.jpg", "*.bmp"));
  EXPECT_TRUE(AcceptsTargetName("y.DIB", "*.*"));
  EXPECT_FALSE(AcceptsTargetName("y.gif", "*.*"));
}

TEST(AlbumScan, AllPatternListsEveryKindThatIsRead) {
  test::TempFolder folder;
  for (const char* name : {"a.JPG", "b.gif", "c.dib", "d.tif", "e.Bmp", "f.txt", "g.jpeg", "i.PNG", "j.heic", "k.webp"})
    Touch(folder / name);
  fs::create_directory(folder / "h.jpg");  // a folder is not a picture
  EXPECT_EQ(ScanAlbumFolder(folder.Path(), "*.*").names,
            (Names{"a.JPG", "c.dib", "d.tif", "e.Bmp", "g.jpeg", "i.PNG", "j.heic", "k.webp"}));
  EXPECT_EQ(ScanAlbumFolder(folder.Path(), "*.jpg").names, (Names{"a.JPG"}));
  EXPECT_EQ(ScanAlbumFolder(folder.Path(), "*.png").names, (Names{"i.PNG"}));
  EXPECT_TRUE(ScanAlbumFolder(folder.Path(), "*.xcf").names.empty());
  EXPECT_TRUE(ScanAlbumFolder(folder / "missing", "*.*").names.empty());
}

TEST(AlbumScan, LinksAreListedUnderTheirOwnNamesWhenTheirTargetsFit) {
  test::TempFolder album, elsewhere;
  Touch(elsewhere / "y.BMP");
  Touch(elsewhere / "z.jpg");
  for (const char* name : {"a.bmp", "m.bmp", "z.bmp"}) Touch(album / name);
  fs::create_symlink(elsewhere / "y.BMP", album / "x.lnk");
  fs::create_symlink(elsewhere / "z.jpg", album / "w.lnk");     // a JPEG: not for "*.bmp"
  fs::create_symlink(elsewhere / "gone.bmp", album / "b.lnk");  // broken
  fs::create_symlink(elsewhere.Path(), album / "folder.bmp");   // a folder
  fs::create_symlink(elsewhere / "y.BMP", album / "n.bmp");     // a link with a picture's name
  EXPECT_EQ(ScanAlbumFolder(album.Path(), "*.bmp").names, (Names{"a.bmp", "m.bmp", "n.bmp", "x.lnk", "z.bmp"}));
  EXPECT_EQ(ScanAlbumFolder(album.Path(), "*.*").names, (Names{"a.bmp", "m.bmp", "n.bmp", "w.lnk", "x.lnk", "z.bmp"}));
}

TEST(AlbumScan, SortingIgnoresCaseAndKeepsTheArrivalOrderOfEquals) {
  Names names;
  for (const char* name : {"b.jpg", "A.jpg", "c.jpg", "a.jpg", "B.JPG", "_.jpg"}) InsertSorted(names, name);
  EXPECT_EQ(names, (Names{"_.jpg", "A.jpg", "a.jpg", "b.jpg", "B.JPG", "c.jpg"}));
  // In Shift-JIS "ソ" is 83 5C and "ア" is 83 41: its second byte is an "A" that must
  // not fold, so "ア" stays before "a" (0x41 < 0x61 after the lead byte 83 too).
  EXPECT_TRUE(AlbumNameLess("\x83\x41.jpg", "\x83\x61.jpg"));
  EXPECT_FALSE(AlbumNameLess("\x83\x61.jpg", "\x83\x41.jpg"));
  EXPECT_FALSE(AlbumNameLess("ABC.jpg", "abc.jpg"));
  EXPECT_FALSE(AlbumNameLess("abc.jpg", "ABC.jpg"));
}

TEST(AlbumScan, NamesThatAreNotUtf8AreKeptAsBytes) {
  test::TempFolder folder;
  const std::string shiftJis = "\x8e\xca\x90\x5e.jpg";  // "写真.jpg"
  Touch(folder / shiftJis);
  Touch(folder / "b.jpg");
  Names names = ScanAlbumFolder(folder.Path(), "*.jpg").names;
  ASSERT_EQ(names, (Names{"b.jpg", shiftJis}));
  EXPECT_TRUE(fs::exists(folder.Path() / names[1]));
  EXPECT_FALSE(IsValidUtf8(shiftJis));
  EXPECT_EQ(DisplayNameUtf8(shiftJis), "写真.jpg");
  EXPECT_EQ(DisplayNameUtf8("写真.jpg"), "写真.jpg");
  // Bytes that are neither: each becomes the replacement character.
  EXPECT_EQ(DisplayNameUtf8("a\xff.jpg"), "a\xEF\xBF\xBD.jpg");
}

TEST(AlbumScan, Utf8CheckRefusesBrokenForms) {
  EXPECT_TRUE(IsValidUtf8(""));
  EXPECT_TRUE(IsValidUtf8("\xF0\x9F\x93\xB7"));
  for (const char* bad : {"\xC0\xAF", "\xE0\x80\xAF", "\xED\xA0\x80", "\xF4\x90\x80\x80", "\xE3\x81", "\x80"})
    EXPECT_FALSE(IsValidUtf8(bad)) << testing::PrintToString(std::string(bad));
}

}  // namespace
}  // namespace tessaly
