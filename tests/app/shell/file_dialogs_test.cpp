// The file dialogs: their plain rules as tables, and the dialogs themselves driven the
// way the toolkit drives them (its OK arrives as the dialog's OK button event).
#include "ui/file_dialogs.h"

#include <gtest/gtest.h>
#include <wx/frame.h>
#include <wx/timer.h>
#include <wx/uiaction.h>

#include <filesystem>
#include <fstream>
#include <functional>

#include "formats/picture_file.h"
#include "shell/app.h"
#include "shell/doc_manager.h"
#include "shell_test_support.h"
#include "test_support/recorded_prompt.h"
#include "test_support/temp_folder.h"
#include "ui/file_dialog_rules.h"

namespace tessaly::ui {
namespace {

namespace fs = std::filesystem;

TEST(FileDialogRules, TypeLabelsGiveTheirPatterns) {
  const std::pair<const char*, const char*> cases[] = {
      {"JPEG(*.jpg)", "*.jpg"}, {"ALL(*.*)", "*.*"}, {"TIFF(*.tif)", "*.tif"},
      {"BMP(*.bmp)", "*.bmp"},  {"No dot", ""},      {".", ""},
  };
  for (const auto& [label, pattern] : cases) EXPECT_EQ(PatternOfTypeLabel(label), pattern) << label;
}

TEST(FileDialogRules, FilterEntriesAndPatterns) {
  const std::string filter(MessageText(kMsgOpenFilter));
  auto entries = FilterEntries(filter);
  ASSERT_EQ(entries.size(), 7u);
  EXPECT_EQ(entries[2], (std::pair<std::string, std::string>{"JPEG(*.jpg)", "*.jpg"}));
  EXPECT_EQ(FilterPattern(kSaveAsFilter, 0), "*.bmp");
  EXPECT_EQ(FilterPattern(kSaveAsFilter, 2), "*.tif");
  EXPECT_EQ(FilterPattern(kSaveAsFilter, 3), "*.png");
  EXPECT_EQ(FilterPattern(kSaveAsFilter, 4), "");
  EXPECT_EQ(FilterPattern(kSaveAsFilter, -1), "");
  EXPECT_EQ(ToolkitFilter("JPEG(*.jpg)|*.jpg|"), "JPEG(*.jpg)|*.jpg");
  EXPECT_EQ(CaseBlindPatterns("ALL(*.*)|*.*|JPEG(*.jpg)|*.jpg|"), "ALL(*.*)|*.*|JPEG(*.jpg)|*.[jJ][pP][gG]|");
  EXPECT_EQ(ToolkitFilterIndex(0), 0);
  EXPECT_EQ(ToolkitFilterIndex(3), 2);
  EXPECT_EQ(StoredFilterIndex(2), 3);
}

TEST(FileDialogRules, ExtensionFollowsTheType) {
  struct Case {
    const char* name;
    const char* pattern;
    std::optional<std::string> corrected;
  };
  const Case cases[] = {
      {"photo.bmp", "*.jpg", "photo.jpg"},
      {"PHOTO.JPG", "*.jpg", "PHOTO.jpg"},  // compared case-sensitively
      {"photo", "*.tif", "photo.tif"},
      {"photo.jpg", "*.jpg", std::nullopt},
      {"my.pictures/photo", "*.bmp", "my.pictures/photo.bmp"},  // a folder's dot is no extension
      {"a.b.c", "*.tif", "a.b.tif"},
      {"photo.bmp", "*.*", std::nullopt},  // no name gets a wildcard extension
      {"photo.bmp", "*", std::nullopt},
  };
  for (const Case& c : cases)
    EXPECT_EQ(CorrectedFileName(c.name, PatternExtension(c.pattern)), c.corrected) << c.name << " " << c.pattern;
}

TEST(FileDialogRules, PreviewPictureIsDecimated) {
  struct Case {
    int width, height, step;
  };
  for (const Case& c : {Case{640, 480, 8}, Case{320, 240, 4}, Case{80, 60, 1}, Case{81, 60, 2}, Case{100, 2000, 34},
                        Case{10, 1024, 18}}) {
    Picture picture = Picture::Make(c.width, c.height, 24);
    for (int y = 0; y < c.height; ++y)
      for (int x = 0; x < c.width; ++x) {
        std::uint8_t* pixel = picture.Row(y) + 3 * x;
        pixel[0] = static_cast<std::uint8_t>(x);
        pixel[1] = static_cast<std::uint8_t>(y);
        pixel[2] = static_cast<std::uint8_t>(y >> 8);
      }
    Picture reduced = PreviewPicture(picture);
    const int width = std::max(1, c.width / c.step), height = std::max(1, c.height / c.step);
    ASSERT_EQ(reduced.width, width) << c.width << "x" << c.height;
    ASSERT_EQ(reduced.height, height) << c.width << "x" << c.height;
    EXPECT_LE(reduced.width, 80);
    EXPECT_LE(reduced.height, 60);
    const int i = width - 1, j = height - 1;
    const std::uint8_t* pixel = reduced.Row(j) + 3 * i;
    EXPECT_EQ(pixel[0], static_cast<std::uint8_t>(i * c.step));
    EXPECT_EQ(pixel[1] | pixel[2] << 8, j * c.step) << "stored rows counted from the bottom";
  }
}

TEST(FileDialogRules, IndexedPreviewsBecomeEightBitsWithAFullTable) {
  Picture picture = Picture::Make(16, 4, 4);
  picture.colourTable[5] = {1, 2, 3, 0};
  picture.Row(0)[0] = 0x05;  // pixels 0 and 1 of the bottom row: 0 and 5
  picture.Row(1)[0] = 0x50;
  Picture reduced = PreviewPicture(picture);
  ASSERT_EQ(reduced.bitsPerPixel, 8);
  ASSERT_EQ(reduced.colourTable.size(), 256u);
  EXPECT_EQ(reduced.colourTable[5], (RgbQuad{1, 2, 3, 0}));
  EXPECT_EQ(reduced.Row(0)[1], 5);
  EXPECT_EQ(reduced.Row(1)[0], 5);

  Picture mono = Picture::Make(9, 1, 1);
  mono.Row(0)[1] = 0x80;  // pixel 8
  EXPECT_EQ(PreviewPicture(mono).Row(0)[8], 1);
  EXPECT_TRUE(PreviewPicture(Picture{}).Empty());
}

using test::RunModal;

void PressOk(wxDialog& dialog) { test::PressButton(dialog, wxID_OK); }

class SaveDialogTest : public ::testing::Test {
 protected:
  test::TempFolder m_folder;
  test::RecordedPrompt m_prompt;
};

TEST_F(SaveDialogTest, FirstOkCorrectsTheNameAndStaysOpen) {
  struct Case {
    const char* typed;
    int type;  // from 0: BMP, JPEG, TIFF
    const char* corrected;
  };
  for (const Case& c :
       {Case{"photo.bmp", 1, "photo.jpg"}, Case{"PHOTO.JPG", 1, "PHOTO.jpg"}, Case{"photo", 2, "photo.tif"}}) {
    CFileSaveDialog dialog(nullptr, "Save As", kSaveAsFilter, m_folder.Path().string(), c.typed, c.type);
    wxString before, afterFirst;
    bool openAfterFirst = false;
    int answer = RunModal(dialog, [&] {
      before = dialog.GetFilename();
      PressOk(dialog);
      afterFirst = dialog.GetFilename();
      openAfterFirst = dialog.IsModal();
      PressOk(dialog);
    });
    EXPECT_EQ(before, c.typed) << "the name is shown as given";
    EXPECT_EQ(afterFirst, c.corrected) << c.typed;
    EXPECT_TRUE(openAfterFirst) << c.typed;
    EXPECT_EQ(answer, wxID_OK) << c.typed << ": the second OK saves";
    EXPECT_EQ(wxFileName(dialog.GetPath()).GetFullName(), c.corrected);
  }
}

TEST_F(SaveDialogTest, ANameTypedWithItsFolderKeepsTheFolderWhenCorrected) {
  const fs::path out = m_folder / "out";
  fs::create_directory(out);
  CFileSaveDialog dialog(nullptr, "Save As", kSaveAsFilter, m_folder.Path().string(), "", 1);
  wxString afterFirst;
  int answer = RunModal(dialog, [&] {
    // Typed into the name box, as a person types it.
    wxUIActionSimulator input;
    input.Text((out / "photo.bmp").string().c_str());
    test::Pump(200);
    PressOk(dialog);
    afterFirst = dialog.GetFilename();
    PressOk(dialog);
  });
  EXPECT_EQ(afterFirst, "photo.jpg");
  EXPECT_EQ(answer, wxID_OK);
  EXPECT_EQ(fs::path(dialog.GetPath().utf8_string()), out / "photo.jpg");
}

TEST_F(SaveDialogTest, ChoosingAnotherTypeChangesTheExtensionAtOnce) {
  CFileSaveDialog dialog(nullptr, "Save As", kSaveAsFilter, m_folder.Path().string(), "photo.bmp", 0);
  wxString shown;
  RunModal(dialog, [&] {
    dialog.SetFilterIndex(2);
    test::PumpUntil([&] { return dialog.GetFilename() != "photo.bmp"; }, 2000);
    shown = dialog.GetFilename();
    dialog.EndModal(wxID_CANCEL);
  });
  EXPECT_EQ(shown, "photo.tif");
}

TEST_F(SaveDialogTest, AnExistingFileIsReplacedOnlyWhenTheUserSaysSo) {
  std::ofstream(m_folder / "photo.jpg") << "old";
  CFileSaveDialog dialog(nullptr, "Save As", kSaveAsFilter, m_folder.Path().string(), "photo.jpg", 1);
  bool openAfterNo = false;
  m_prompt->Answer(PromptAnswer::kNo);
  m_prompt->Answer(PromptAnswer::kYes);
  int answer = RunModal(dialog, [&] {
    dialog.SetFilename("photo.jpg");
    PressOk(dialog);
    openAfterNo = dialog.IsModal();
    PressOk(dialog);
  });
  EXPECT_TRUE(openAfterNo);
  EXPECT_EQ(answer, wxID_OK);
  EXPECT_EQ(m_prompt.Texts(), std::vector<std::string>(2, std::string(MessageText(kMsgFileExistsReplace))));
}

TEST(FolderDialog, RecordsTheFolderAndTheTypeLabel) {
  test::TempFolder folder;
  test::RecordedPrompt prompt;
  CFolderDialog dialog(nullptr, "Open Album", MessageText(kMsgOpenFilter), folder.Path().string(), 0);
  EXPECT_EQ(dialog.GetTypeLabel(), "ALL(*.*)");
  EXPECT_EQ(dialog.GetFolder(), folder.Path().string());
  int answer = RunModal(dialog, [&] {
    dialog.SetFolder((folder / "missing").string());
    PressOk(dialog);  // refused: no such folder
    EXPECT_TRUE(dialog.IsModal());
    dialog.SetFolder(folder.Path().string());
    dialog.SetFilterIndex(2);
    PressOk(dialog);
  });
  EXPECT_EQ(answer, wxID_OK);
  EXPECT_EQ(dialog.GetTypeLabel(), "JPEG(*.jpg)");
  EXPECT_EQ(PatternOfTypeLabel(dialog.GetTypeLabel().utf8_string()), "*.jpg");
  EXPECT_EQ(dialog.GetFolder(), folder.Path().string());
  EXPECT_EQ(prompt.Texts(), std::vector<std::string>{std::string(MessageText(kMsgInvalidPath))});
}

class PreviewPanelTest : public ::testing::Test {
 protected:
  void SetUp() override {
    m_frame = new wxFrame(nullptr, wxID_ANY, "preview");
    m_panel = new CPreviewPanel(m_frame);
    m_frame->Show();
    test::Pump(50);
  }
  void TearDown() override {
    m_frame->Destroy();
    test::Pump(20);
  }
  std::filesystem::path Write(const std::string& name, int width, int height) {
    Picture picture = Picture::Make(width, height, 24, 0x30);
    PictureFile file;
    file.InitFromDocument(picture, false, "");
    EXPECT_TRUE(file.SavePicture(m_folder / name));
    return m_folder / name;
  }

  test::TempFolder m_folder;
  test::RecordedPrompt m_prompt;
  wxFrame* m_frame = nullptr;
  CPreviewPanel* m_panel = nullptr;
};

TEST_F(PreviewPanelTest, ShowsSizeAndClearsForFoldersAndBadFiles) {
  m_panel->ShowPreview(Write("big.bmp", 640, 480).string());
  EXPECT_EQ(m_panel->WidthText(), "640");
  EXPECT_EQ(m_panel->HeightText(), "480");
  EXPECT_EQ(m_panel->Reduced().width, 80);
  EXPECT_EQ(m_panel->StatusText(), "");

  m_panel->ShowPreview(m_folder.Path().string());
  EXPECT_EQ(m_panel->WidthText(), "");
  EXPECT_TRUE(m_panel->Reduced().Empty());

  std::ofstream(m_folder / "broken.jpg") << "not a picture";
  m_panel->ShowPreview((m_folder / "broken.jpg").string());
  EXPECT_EQ(m_panel->HeightText(), "");
  EXPECT_TRUE(m_prompt.Texts().empty()) << "browsing shows no messages";
  test::Pump(50);
}

}  // namespace
}  // namespace tessaly::ui
