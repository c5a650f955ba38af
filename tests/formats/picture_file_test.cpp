#include "formats/picture_file.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "base/prompt.h"
#include "formats/bmp.h"
#include "formats/tiff.h"
#include "test_support/temp_folder.h"

namespace tessaly {
namespace {

// Records every message shown during a test.
class PromptRecorder {
 public:
  PromptRecorder() : m_scope(MakePrompt()) {}
  std::vector<std::string> Texts() const { return m_prompt->Texts(); }

 private:
  std::unique_ptr<UserPrompt> MakePrompt() {
    auto prompt = std::make_unique<ScriptedPrompt>();
    m_prompt = prompt.get();
    return prompt;
  }
  ScriptedPrompt* m_prompt = nullptr;
  ScopedPrompt m_scope;
};

std::vector<std::string> Texts(std::initializer_list<MessageId> ids) {
  std::vector<std::string> texts;
  for (MessageId id : ids) texts.emplace_back(MessageText(id));
  return texts;
}

void WriteBytes(const std::filesystem::path& path, const Bytes& bytes) { ASSERT_FALSE(WriteFileAtomically(path, bytes)); }

Bytes ReadBytes(const std::filesystem::path& path) {
  Bytes bytes;
  EXPECT_FALSE(ReadWholeFile(path, bytes));
  return bytes;
}

Picture Sample(int width, int height, int bits) {
  Picture p = Picture::Make(width, height, bits);
  for (std::size_t i = 0; i < p.pixels.size(); ++i) p.pixels[i] = static_cast<std::uint8_t>(i * 11);
  for (std::size_t i = 0; i < p.colourTable.size(); ++i)
    p.colourTable[i] = RgbQuad{static_cast<std::uint8_t>(i), 0, static_cast<std::uint8_t>(~i), 0};
  return p;
}

// ---------------------------------------------------------------- the extension rules

TEST(PictureFileNames, ExtensionTable) {
  struct Row {
    std::string_view name;
    PictureFormat format;
    std::string_view typeName;
  };
  const Row rows[] = {
      {"a.bmp", PictureFormat::kBmp, "BMP TYPE"},
      {"A.DIB", PictureFormat::kBmp, "BMP TYPE"},
      {"PHOTO.JPG", PictureFormat::kJpeg, "JPEG TYPE"},
      {"dir/x.Tif", PictureFormat::kTiff, "TIFF TYPE"},
      {"photo.jpeg", PictureFormat::kUnknown, ""},
      {"scan.tiff", PictureFormat::kUnknown, ""},
      {"image.ppm", PictureFormat::kUnknown, ""},
      {"movie.gif", PictureFormat::kUnknown, ""},
      {"bmp", PictureFormat::kUnknown, ""},
      {".bmp", PictureFormat::kBmp, "BMP TYPE"},
      {"a.bmp.txt", PictureFormat::kUnknown, ""},
      {"写真.JPG", PictureFormat::kJpeg, "JPEG TYPE"},
      {"", PictureFormat::kUnknown, ""},
  };
  for (const Row& row : rows) {
    EXPECT_EQ(FormatOfName(row.name), row.format) << row.name;
    EXPECT_EQ(IsPictureExtension(row.name), row.format != PictureFormat::kUnknown) << row.name;
    EXPECT_EQ(FileTypeName(row.name), row.typeName) << row.name;
  }
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
  for (const Row& row : rows) {
    EXPECT_EQ(ColourConditionRefusal(row.current, row.chosen, row.bits), row.refusal)
        << row.current << " -> " << row.chosen;
  }
  PromptRecorder prompt;
  EXPECT_FALSE(CheckColourCondition("a.bmp", "a.tif", 8));
  EXPECT_TRUE(CheckColourCondition("a.bmp", "a.jpg", 24));
  EXPECT_EQ(prompt.Texts(), Texts({kMsgCannotSaveTiff}));
}

TEST(PictureFileNames, CanOpenPictureNeedsAKnownNameAndANonEmptyFile) {
  test::TempFolder folder;
  WriteBytes(folder / "empty.jpg", {});
  WriteBytes(folder / "full.bmp", {'B'});
  WriteBytes(folder / "full.txt", {'B'});
  std::filesystem::create_directory(folder / "folder.tif");
  EXPECT_FALSE(CanOpenPicture(folder / "empty.jpg"));
  EXPECT_TRUE(CanOpenPicture(folder / "full.bmp"));
  EXPECT_FALSE(CanOpenPicture(folder / "full.txt"));
  EXPECT_FALSE(CanOpenPicture(folder / "missing.bmp"));
  EXPECT_FALSE(CanOpenPicture(folder / "folder.tif"));
}

// ---------------------------------------------------------------- loading

TEST(PictureFileLoad, KeepsWhatTheDocumentNeeds) {
  test::TempFolder folder;
  Bytes os2 = CBMP::SetupBmpWrite(Sample(4, 3, 8), BmpHeaderStyle::kOs2);
  WriteBytes(folder / "OLD.BMP", os2);
  PromptRecorder prompt;
  PictureFile file;
  ASSERT_TRUE(file.LoadPicture(folder / "OLD.BMP"));
  EXPECT_EQ(file.type, PictureType::kBmp);
  EXPECT_EQ(file.fileSize, os2.size());
  EXPECT_TRUE(file.os2Header);
  EXPECT_EQ(file.comment, "");
  EXPECT_EQ(file.picture.bitsPerPixel, 8);
  EXPECT_TRUE(prompt.Texts().empty());

  // Saved again as BMP, it keeps its OS/2 header.
  ASSERT_TRUE(file.SavePicture(folder / "again.bmp"));
  EXPECT_EQ(ReadBytes(folder / "again.bmp"), os2);

  ASSERT_TRUE(file.LoadPicture(CTIFF::SetupTiffWrite(Sample(2, 2, 24)), "x.tif"));
  EXPECT_EQ(file.type, PictureType::kTiff);
  EXPECT_FALSE(file.os2Header);
}

TEST(PictureFileLoad, RefusalsShowOneMessageAndKeepTheOldPicture) {
  const Bytes bmp = CBMP::SetupBmpWrite(Sample(2, 2, 24), BmpHeaderStyle::kWindows);
  Picture wide = Picture::Make(1281, 960, 8);
  struct Case {
    std::string name;
    Bytes bytes;
    MessageId message;
  };
  const Case cases[] = {
      {"photo.jpeg", bmp, kMsgNotValidFileType},
      {"picture.ppm", bmp, kMsgNotValidFileType},
      {"picture.tif", bmp, kMsgNotValidFileType},  // BMP bytes under a TIFF name
      {"wide.bmp", CBMP::SetupBmpWrite(wide, BmpHeaderStyle::kWindows), kMsgPictureTooLarge},
      {"wide.tif", CTIFF::SetupTiffWrite(wide), kMsgPictureTooLarge},
  };
  for (const Case& c : cases) {
    PromptRecorder prompt;
    PictureFile file;
    file.picture = Sample(1, 1, 24);
    file.type = PictureType::kJpeg;
    file.comment = "kept";
    EXPECT_FALSE(file.LoadPicture(c.bytes, c.name)) << c.name;
    EXPECT_EQ(prompt.Texts(), Texts({c.message})) << c.name;
    EXPECT_EQ(file.picture.width, 1) << c.name;
    EXPECT_EQ(file.type, PictureType::kJpeg) << c.name;
    EXPECT_EQ(file.comment, "kept") << c.name;
  }
  PictureFile file;
  EXPECT_TRUE(file.LoadPicture(CBMP::SetupBmpWrite(Picture::Make(1280, 1024, 8), BmpHeaderStyle::kWindows), "a.bmp"));
}

TEST(PictureFileLoad, SymbolicLinksAreShortcutsToTheirTargets) {
  test::TempFolder folder;
  WriteBytes(folder / "real.bmp", CBMP::SetupBmpWrite(Sample(3, 1, 24), BmpHeaderStyle::kWindows));
  WriteBytes(folder / "data.bin", CBMP::SetupBmpWrite(Sample(3, 1, 24), BmpHeaderStyle::kWindows));
  std::filesystem::create_symlink("real.bmp", folder / "shortcut");
  std::filesystem::create_symlink("shortcut", folder / "second.lnk");
  std::filesystem::create_symlink("data.bin", folder / "named.bmp");
  std::filesystem::create_symlink("gone.bmp", folder / "dangling.bmp");

  PromptRecorder prompt;
  PictureFile file;
  EXPECT_TRUE(OpenPictureFile(file, folder / "shortcut"));
  EXPECT_TRUE(OpenPictureFile(file, folder / "second.lnk"));
  EXPECT_EQ(file.picture.width, 3);
  EXPECT_TRUE(prompt.Texts().empty());
  // The target's name chooses the format.
  EXPECT_FALSE(OpenPictureFile(file, folder / "named.bmp"));
  EXPECT_FALSE(OpenPictureFile(file, folder / "dangling.bmp"));
  EXPECT_FALSE(OpenPictureFile(file, folder / "missing.bmp"));
  EXPECT_EQ(prompt.Texts(), (std::vector<std::string>{
                                std::string(MessageText(kMsgNotValidFileType)),
                                MessageTextWith(kMsgFileNotFound, (folder / "dangling.bmp").string()),
                                MessageTextWith(kMsgFileNotFound, (folder / "missing.bmp").string()),
                            }));
}

// ---------------------------------------------------------------- saving

TEST(PictureFileSave, ChoosesTheFormatByTheName) {
  test::TempFolder folder;
  Picture document = Sample(5, 4, 8);
  PictureFile file;
  file.InitFromDocument(document, false, "");
  EXPECT_EQ(file.type, PictureType::kFromDocument);
  ASSERT_TRUE(file.SavePicture(folder / "a.TIF"));
  EXPECT_EQ(file.type, PictureType::kTiff);
  EXPECT_EQ(ReadBytes(folder / "a.TIF"), CTIFF::SetupTiffWrite(document));
  ASSERT_TRUE(file.SavePicture(folder / "a.dib"));
  EXPECT_EQ(ReadBytes(folder / "a.dib"), CBMP::SetupBmpWrite(document, BmpHeaderStyle::kWindows));
  // The document's picture was borrowed, not taken.
  EXPECT_EQ(document.pixels, Sample(5, 4, 8).pixels);
  EXPECT_TRUE(file.picture.Empty());
}

TEST(PictureFileSave, UnknownNameWritesNothingAndSaysNothing) {
  test::TempFolder folder;
  PromptRecorder prompt;
  PictureFile file;
  file.picture = Sample(2, 2, 24);
  EXPECT_FALSE(file.SavePicture(folder / "a.ppm"));
  EXPECT_FALSE(file.SavePicture(folder / "a.jpeg"));
  EXPECT_TRUE(prompt.Texts().empty());
  EXPECT_TRUE(std::filesystem::is_empty(folder.Path()));
}

TEST(PictureFileSave, FailedWriteIsReportedAndLeavesNothing) {
  test::TempFolder folder;
  PromptRecorder prompt;
  PictureFile file;
  file.picture = Sample(2, 2, 24);
  auto path = folder / "missing" / "a.bmp";
  EXPECT_FALSE(file.SavePicture(path));
  EXPECT_EQ(prompt.Texts(), std::vector<std::string>{MessageTextWith(kMsgFileNotFound, path.string())});
  EXPECT_TRUE(std::filesystem::is_empty(folder.Path()));
}

}  // namespace
}  // namespace tessaly
