#include "formats/picture_file.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <string>
#include <vector>

#include "formats/bmp.h"
#include "formats/tiff.h"
#include "test_support/pictures.h"
#include "test_support/recorded_prompt.h"
#include "test_support/temp_folder.h"

namespace tessaly {
namespace {

using Texts = std::vector<std::string>;

Texts TextsOf(std::initializer_list<MessageId> ids) {
  Texts texts;
  for (MessageId id : ids) texts.emplace_back(MessageText(id));
  return texts;
}

Bytes ReadBytes(const std::filesystem::path& path) {
  Bytes bytes;
  EXPECT_FALSE(ReadWholeFile(path, bytes));
  return bytes;
}

Bytes Bmp(const Picture& p, BmpHeaderStyle style = BmpHeaderStyle::kWindows) { return CBMP::SetupBmpWrite(p, style); }

class PictureFileTest : public testing::Test {
 protected:
  void Write(const std::string& name, const Bytes& bytes) { ASSERT_FALSE(WriteFileAtomically(m_folder / name, bytes)); }
  test::TempFolder m_folder;
  test::RecordedPrompt m_prompt;
};

// ---------------------------------------------------------------- the extension rules

TEST(PictureFileNames, ExtensionTable) {
  struct Row {
    std::string_view name;
    PictureFormat format;
    std::string_view typeName;
  };
  const Row rows[] = {
      {"a.bmp", PictureFormat::kBmp, "BMP TYPE"},       {"A.DIB", PictureFormat::kBmp, "BMP TYPE"},
      {"PHOTO.JPG", PictureFormat::kJpeg, "JPEG TYPE"}, {"dir/x.Tif", PictureFormat::kTiff, "TIFF TYPE"},
      {"photo.jpeg", PictureFormat::kUnknown, ""},      {"scan.tiff", PictureFormat::kUnknown, ""},
      {"image.ppm", PictureFormat::kUnknown, ""},       {"bmp", PictureFormat::kUnknown, ""},
      {".bmp", PictureFormat::kBmp, "BMP TYPE"},        {"a.bmp.txt", PictureFormat::kUnknown, ""},
      {"写真.JPG", PictureFormat::kJpeg, "JPEG TYPE"},  {"", PictureFormat::kUnknown, ""},
  };
  for (const Row& row : rows) {
    EXPECT_EQ(FormatOfName(row.name), row.format) << row.name;
    EXPECT_EQ(IsPictureExtension(row.name), row.format != PictureFormat::kUnknown) << row.name;
    EXPECT_EQ(FileTypeName(row.name), row.typeName) << row.name;
  }
}

TEST(PictureFileNames, EveryReadableKindAndWhatIsWritten) {
  struct Row {
    std::string_view name;
    PictureFormat read;
    PictureFormat written;
  };
  const Row rows[] = {
      {"photo.jpeg", PictureFormat::kJpeg, PictureFormat::kUnknown},
      {"PHOTO.JPE", PictureFormat::kJpeg, PictureFormat::kUnknown},
      {"scan.TIFF", PictureFormat::kTiff, PictureFormat::kUnknown},
      {"a.Png", PictureFormat::kPng, PictureFormat::kPng},
      {"a.webp", PictureFormat::kWebp, PictureFormat::kUnknown},
      {"IMG_0001.HEIC", PictureFormat::kHeif, PictureFormat::kUnknown},
      {"a.heif", PictureFormat::kHeif, PictureFormat::kUnknown},
      {"a.avif", PictureFormat::kHeif, PictureFormat::kUnknown},
      {"a.jpg", PictureFormat::kJpeg, PictureFormat::kJpeg},
      {"a.dib", PictureFormat::kBmp, PictureFormat::kBmp},
      {"a.gif", PictureFormat::kUnknown, PictureFormat::kUnknown},
      {"a.png.txt", PictureFormat::kUnknown, PictureFormat::kUnknown},
      {"jpeg", PictureFormat::kUnknown, PictureFormat::kUnknown},
  };
  for (const Row& row : rows) {
    EXPECT_EQ(FormatOfAnyName(row.name), row.read) << row.name;
    EXPECT_EQ(IsReadablePictureName(row.name), row.read != PictureFormat::kUnknown) << row.name;
    EXPECT_EQ(SaveFormatOfName(row.name), row.written) << row.name;
  }
  // The list the dialogs and the desktop entry take names only what is read.
  for (std::string_view extension : ReadablePictureExtensions())
    EXPECT_NE(FormatOfAnyName(std::string("x") + std::string(extension)), PictureFormat::kUnknown) << extension;
  EXPECT_EQ(ReadablePictureExtensions().size(), 12u);
}

TEST(PictureFileNames, TheFirstBytesSayTheKind) {
  struct Row {
    const char* description;
    Bytes head;
    PictureFormat format;
  };
  const Row rows[] = {
      {"PNG signature", {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'}, PictureFormat::kPng},
      {"PNG signature cut short", {0x89, 'P', 'N', 'G'}, PictureFormat::kUnknown},
      {"JPEG start of image and a marker", {0xFF, 0xD8, 0xFF, 0xE0}, PictureFormat::kJpeg},
      {"little-endian TIFF", {'I', 'I', 42, 0}, PictureFormat::kTiff},
      {"big-endian TIFF", {'M', 'M', 0, 42}, PictureFormat::kTiff},
      {"BigTIFF is left to the name", {'I', 'I', 43, 0}, PictureFormat::kUnknown},
      {"WebP", {'R', 'I', 'F', 'F', 1, 2, 3, 4, 'W', 'E', 'B', 'P'}, PictureFormat::kWebp},
      {"a RIFF that is no WebP", {'R', 'I', 'F', 'F', 1, 2, 3, 4, 'W', 'A', 'V', 'E'}, PictureFormat::kUnknown},
      {"HEIC", {0, 0, 0, 24, 'f', 't', 'y', 'p', 'h', 'e', 'i', 'c'}, PictureFormat::kHeif},
      {"AVIF", {0, 0, 0, 24, 'f', 't', 'y', 'p', 'a', 'v', 'i', 'f'}, PictureFormat::kHeif},
      {"an MP4 video", {0, 0, 0, 24, 'f', 't', 'y', 'p', 'i', 's', 'o', 'm'}, PictureFormat::kUnknown},
      {"BMP", {'B', 'M', 0, 0}, PictureFormat::kBmp},
      {"nothing", {}, PictureFormat::kUnknown},
  };
  for (const Row& row : rows) EXPECT_EQ(FormatOfBytes(row.head), row.format) << row.description;
}

TEST(PictureFileNames, ColourConditionForSaveAs) {
  struct Row {
    std::string_view current, chosen;
    int bits;
    std::optional<MessageId> refusal;
  };
  const Row rows[] = {
      {"a.bmp", "a.tif", 8, kMsgCannotSaveTiff},
      {"a.bmp", "b.bmp", 8, std::nullopt},
      {"a.bmp", "b.jpg", 4, kMsgCannotSaveJpeg},
      {"a.tif", "a.BMP", 1, kMsgCannotSaveBmp},
      {"a.tif", "b.TIF", 8, std::nullopt},
      {"a.dib", "b.bmp", 8, std::nullopt},  // one format under two names
      {"a.jpg", "a.tif", 24, std::nullopt},
      {"a.bmp", "a.png", 8, std::nullopt},  // left to the save, which writes nothing
      {"", "new.bmp", 8, kMsgCannotSaveBmp},
  };
  for (const Row& row : rows)
    EXPECT_EQ(ColourConditionRefusal(row.current, row.chosen, row.bits), row.refusal)
        << row.current << " -> " << row.chosen;
  test::RecordedPrompt prompt;
  EXPECT_FALSE(CheckColourCondition("a.bmp", "a.tif", 8));
  EXPECT_TRUE(CheckColourCondition("a.bmp", "a.jpg", 24));
  EXPECT_EQ(prompt.Texts(), TextsOf({kMsgCannotSaveTiff}));
}

// The four failures every reader and writer of files meets, as the picture files report
// them with the file's name.
TEST(PictureFileErrors, CommonFailuresNameTheFile) {
  struct Row {
    const char* description;
    int error;
    MessageId message;
  };
  const Row rows[] = {
      {"disk full", ENOSPC, kMsgFileDiskFull},    {"quota exceeded", EDQUOT, kMsgFileDiskFull},
      {"read-only", EROFS, kMsgFileAccessDenied}, {"missing folder", ENOENT, kMsgFileNotFound},
      {"not a folder", ENOTDIR, kMsgFileBadPath}, {"removed device", ENXIO, kMsgFileHardIo},
      {"no device", ENODEV, kMsgFileBadPath},     {"busy", EBUSY, kMsgFileGeneric},
  };
  for (const auto& row : rows)
    EXPECT_EQ(FileErrorMessage({row.error, std::generic_category()}), row.message) << row.description;

  test::RecordedPrompt prompt;
  ReportFileError({ENOSPC, std::generic_category()}, "/media/card/a.bmp");
  EXPECT_EQ(prompt.Texts(), Texts{"Disk full while accessing /media/card/a.bmp."});
}

TEST_F(PictureFileTest, CanOpenPictureNeedsAKnownNameAndANonEmptyFile) {
  Write("empty.jpg", {});
  Write("full.bmp", {'B'});
  Write("full.txt", {'B'});
  std::filesystem::create_directory(m_folder / "folder.tif");
  EXPECT_FALSE(CanOpenPicture(m_folder / "empty.jpg"));
  EXPECT_TRUE(CanOpenPicture(m_folder / "full.bmp"));
  EXPECT_FALSE(CanOpenPicture(m_folder / "full.txt"));
  EXPECT_FALSE(CanOpenPicture(m_folder / "missing.bmp"));
  EXPECT_FALSE(CanOpenPicture(m_folder / "folder.tif"));
}

// ---------------------------------------------------------------- loading

TEST_F(PictureFileTest, AnOs2PictureIsSavedAgainWithItsHeader) {
  const Bytes os2 = Bmp(test::Indexed(4, 3, 8), BmpHeaderStyle::kOs2);
  Write("OLD.BMP", os2);
  PictureFile file;
  ASSERT_TRUE(file.LoadPicture(m_folder / "OLD.BMP"));
  EXPECT_EQ(file.type, PictureType::kBmp);
  EXPECT_EQ(file.fileSize, os2.size());
  EXPECT_TRUE(file.os2Header);
  ASSERT_TRUE(file.SavePicture(m_folder / "again.bmp"));
  EXPECT_EQ(ReadBytes(m_folder / "again.bmp"), os2);
  ASSERT_TRUE(file.LoadPicture(CTIFF::SetupTiffWrite(test::Noise24(2, 2)), "x.tif"));
  EXPECT_EQ(file.type, PictureType::kTiff);
  EXPECT_FALSE(file.os2Header);
  EXPECT_TRUE(m_prompt.Texts().empty());
}

TEST(PictureFileLoad, RefusalsShowOneMessageAndKeepTheOldPicture) {
  const Bytes bmp = Bmp(test::Noise24(2, 2));
  Picture wide = Picture::Make(1281, 960, 8);
  struct Case {
    std::string name;
    Bytes bytes;
    MessageId message;
  };
  const Case cases[] = {
      {"picture.ppm", bmp, kMsgNotValidFileType},  // a name of no picture kind
      {"picture.tif", Bytes(bmp.begin() + 2, bmp.end()), kMsgNotValidFileType},
      {"wide.bmp", Bmp(wide), kMsgPictureTooLarge},
      {"wide.tif", CTIFF::SetupTiffWrite(wide), kMsgPictureTooLarge},
  };
  for (const Case& c : cases) {
    test::RecordedPrompt prompt;
    PictureFile file;
    file.picture = test::Noise24(1, 1);
    file.type = PictureType::kJpeg;
    file.comment = "kept";
    EXPECT_FALSE(file.LoadPicture(c.bytes, c.name)) << c.name;
    EXPECT_EQ(prompt.Texts(), TextsOf({c.message})) << c.name;
    EXPECT_EQ(file.picture.width, 1) << c.name;
    EXPECT_EQ(file.type, PictureType::kJpeg) << c.name;
    EXPECT_EQ(file.comment, "kept") << c.name;
  }
  PictureFile file;
  EXPECT_TRUE(file.LoadPicture(Bmp(Picture::Make(1280, 1024, 8)), "a.bmp"));
}

TEST_F(PictureFileTest, SymbolicLinksAreShortcutsToTheirTargets) {
  Write("real.bmp", Bmp(test::Noise24(3, 1)));
  Write("data.bin", Bmp(test::Noise24(3, 1)));
  std::filesystem::create_symlink("real.bmp", m_folder / "shortcut");
  std::filesystem::create_symlink("shortcut", m_folder / "second.lnk");
  std::filesystem::create_symlink("data.bin", m_folder / "named.bmp");
  std::filesystem::create_symlink("gone.bmp", m_folder / "dangling.bmp");
  PictureFile file;
  EXPECT_TRUE(OpenPictureFile(file, m_folder / "shortcut"));
  EXPECT_TRUE(OpenPictureFile(file, m_folder / "second.lnk"));
  EXPECT_EQ(file.picture.width, 3);
  EXPECT_TRUE(m_prompt.Texts().empty());
  // The target's name chooses the format.
  EXPECT_FALSE(OpenPictureFile(file, m_folder / "named.bmp"));
  EXPECT_FALSE(OpenPictureFile(file, m_folder / "dangling.bmp"));
  EXPECT_EQ(m_prompt.Texts(), (Texts{std::string(MessageText(kMsgNotValidFileType)),
                                     MessageTextWith(kMsgFileNotFound, (m_folder / "dangling.bmp").string())}));
}

// ---------------------------------------------------------------- saving

TEST_F(PictureFileTest, SaveChoosesTheFormatByTheNameAndBorrowsTheDocumentsPicture) {
  const Picture document = test::Indexed(5, 4, 8);
  PictureFile file;
  file.InitFromDocument(document, false, "");
  ASSERT_TRUE(file.SavePicture(m_folder / "a.TIF"));
  EXPECT_EQ(file.type, PictureType::kTiff);
  EXPECT_EQ(ReadBytes(m_folder / "a.TIF"), CTIFF::SetupTiffWrite(document));
  ASSERT_TRUE(file.SavePicture(m_folder / "a.dib"));
  EXPECT_EQ(ReadBytes(m_folder / "a.dib"), Bmp(document));
  EXPECT_TRUE(file.picture.Empty());
  EXPECT_TRUE(test::SamePicture(document, test::Indexed(5, 4, 8)));
}

TEST_F(PictureFileTest, AnUnknownNameWritesNothingSilentlyAndAFailedWriteIsReported) {
  PictureFile file;
  file.picture = test::Noise24(2, 2);
  EXPECT_FALSE(file.SavePicture(m_folder / "a.ppm"));
  EXPECT_FALSE(file.SavePicture(m_folder / "a.jpeg"));
  EXPECT_TRUE(m_prompt.Texts().empty());
  auto path = m_folder / "missing" / "a.bmp";
  EXPECT_FALSE(file.SavePicture(path));
  EXPECT_EQ(m_prompt.Texts(), Texts{MessageTextWith(kMsgFileNotFound, path.string())});
  EXPECT_TRUE(std::filesystem::is_empty(m_folder.Path()));
}

}  // namespace
}  // namespace tessaly
