// What leaves the retouch window: Save To Camera against the camera emulator, Copy into
// another program and Paste from one, and printing to a PDF file without a printer.
#include <wx/print.h>
#include <wx/process.h>
#include <wx/utils.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <memory>

#include "base/ini_file.h"
#include "camera/camera_ops.h"
#include "camera/link.h"
#include "camera/over_emulator.h"
#include "camera/port.h"
#include "retouch/clipboard_data.h"
#include "retouch_window/retouch_clipboard.h"
#include "retouch_window_support.h"
#include "test_support/emulator_process.h"
#include "test_support/temp_folder.h"
#include "ui/file_dialogs.h"
#include "workflows/connection.h"

namespace tessaly::test {
namespace {

namespace fs = std::filesystem;
using retouch::CRetouchDoc;
using Texts = std::vector<std::string>;

// Runs a program to its end while the window goes on answering (the clipboard's owner
// must serve the other program). Returns its exit code, or -1 when it did not end.
int RunAlongside(const wxString& command, int timeoutMs = 15000) {
  // Shared with the handler, which may come after a time-out has returned.
  struct Outcome {
    int code = -1;
    bool ended = false;
  };
  auto outcome = std::make_shared<Outcome>();
  auto* process = new wxProcess;
  process->Bind(wxEVT_END_PROCESS, [outcome](wxProcessEvent& e) {
    outcome->code = e.GetExitCode();
    outcome->ended = true;
    // Left unhandled, so that the process object deletes itself.
    e.Skip();
  });
  if (wxExecute(command, wxEXEC_ASYNC, process) <= 0) {
    delete process;
    return -1;
  }
  PumpUntil([&] { return outcome->ended; }, timeoutMs);
  return outcome->ended ? outcome->code : -1;
}

class RetouchTransferTest : public RetouchWindowTest {
 protected:
  void StartCamera(std::vector<std::string> args) {
    m_device.reset();
    m_emulator.reset();
    args.insert(args.end(), {"--card", m_card.Path().string()});
    m_emulator = std::make_unique<EmulatorProcess>(args);
    ASSERT_TRUE(m_emulator->Running());
    m_device = std::make_unique<ScopedEnv>("TESSALY_COM1", m_emulator->DevicePath());
    ForgetCameraLink();
  }
  void TearDown() override {
    CameraDisconnect();
    RetouchWindowTest::TearDown();
  }
  std::vector<fs::path> Received() const {
    std::vector<fs::path> files;
    for (const auto& entry : fs::directory_iterator(m_card.Path())) files.push_back(entry.path());
    std::sort(files.begin(), files.end());
    return files;
  }

  TempFolder m_card;
  TempFolder m_folder;
  std::unique_ptr<EmulatorProcess> m_emulator;
  std::unique_ptr<ScopedEnv> m_device;
};

TEST_F(RetouchTransferTest, SaveToCameraSendsThePictureFittedAndLeavesTheDocumentAsItWas) {
  struct Case {
    int w, h;
    int sentW, sentH;
  };
  for (const Case& c : {Case{1024, 768, 640, 480}, Case{200, 100, 320, 240}}) {
    SCOPED_TRACE(testing::Message() << c.w << "x" << c.h);
    StartCamera({});
    for (const fs::path& old : Received()) fs::remove(old);
    const Picture original = Filled(c.w, c.h, {40, 80, 160});
    CRetouchDoc* doc = Open(original);
    Command(doc, "ID_SAVE_TO_CAMERA");
    EXPECT_TRUE(m_prompt.Texts().empty()) << m_prompt.Texts().front();
    const auto files = Received();
    ASSERT_EQ(files.size(), 1u);
    PictureFile sent;
    ASSERT_TRUE(sent.LoadPicture(files[0]));
    EXPECT_EQ(sent.picture.width, c.sentW);
    EXPECT_EQ(sent.picture.height, c.sentH);
    // 200 x 100 is enlarged to 320 x 160 and padded with 40 white lines above and below.
    if (c.w == 200) {
      const Bgr top = At(sent.picture, 160, 5);
      EXPECT_GT(top.r + top.g + top.b, 3 * 245);
      const Bgr middle = At(sent.picture, 160, 120);
      EXPECT_NEAR(middle.r, 160, 12);
      EXPECT_NEAR(middle.b, 40, 12);
    }
    EXPECT_TRUE(SamePicture(doc->GetPicture(), original));
    EXPECT_FALSE(doc->IsModified());
    doc->DeleteAllViews();
    Forget();
  }
}

TEST_F(RetouchTransferTest, SaveToCameraReportsAFullCardAndABlankPicturesQuestion) {
  StartCamera({"--free-memory", "100"});
  CRetouchDoc* doc = Open(Noise24(320, 240));
  Command(doc, "ID_SAVE_TO_CAMERA");
  EXPECT_EQ(m_prompt.Texts(), Texts{"Memory card is full."});
  EXPECT_TRUE(Received().empty());

  m_prompt->Clear();
  DialogScript script;
  script.Then(DialogScript::Ok());
  auto* blank = dynamic_cast<CRetouchDoc*>(s_manager->NewDocument(s_manager->RetouchTemplate()));
  ASSERT_NE(blank, nullptr);
  Command(blank, "ID_SAVE_TO_CAMERA");
  EXPECT_EQ(m_prompt.Texts(), Texts{"No data to save.\nSave blank image ?"});
  EXPECT_FALSE(blank->State().HasPixels()) << "No ends the command";
}

TEST_F(RetouchTransferTest, CopiedSelectionPastesInAnotherProgram) {
  const Picture picture = Numbered(200, 150);
  CRetouchDoc* doc = Open(picture);
  auto* view = View(doc);
  view->LeftDown({20, 30}, false);
  view->Motion({120, 90}, true);
  view->LeftUp({120, 90});
  Command(doc, wxID_COPY);
  const fs::path out = m_folder / "from-tessaly.png";
  ASSERT_EQ(RunAlongside(wxString::Format("%s get image/png %s", TESSALY_CLIPBOARD_PEER, out.string())), 0);
  wxImage image;
  ASSERT_TRUE(image.LoadFile(wxString::FromUTF8(out.string()), wxBITMAP_TYPE_PNG));
  EXPECT_TRUE(SamePicture(retouch::PictureFromImage(image), ExtractArea(picture, {20, 30, 120, 90})));
  const fs::path bmp = m_folder / "from-tessaly.bmp";
  ASSERT_EQ(RunAlongside(wxString::Format("%s get image/bmp %s", TESSALY_CLIPBOARD_PEER, bmp.string())), 0);
  PictureFile loaded;
  ASSERT_TRUE(loaded.LoadPicture(bmp));
  EXPECT_TRUE(SamePicture(loaded.picture, ExtractArea(picture, {20, 30, 120, 90})));
}

TEST_F(RetouchTransferTest, PictureFromAnotherProgramPastesAsAFloatingPicture) {
  const Picture clip = Numbered(60, 40);
  const fs::path png = m_folder / "other.png";
  ASSERT_TRUE(retouch::ImageFromPicture(clip).SaveFile(wxString::FromUTF8(png.string()), wxBITMAP_TYPE_PNG));
  ASSERT_TRUE(OfferFromAnotherProgram("image/png", png));
  Pump(300);
  CRetouchDoc* doc = Open(Make24(200, 150, 0));
  Command(doc, wxID_PASTE);
  ASSERT_TRUE(doc->State().HasFloating());
  EXPECT_TRUE(SamePicture(doc->State().Floating(), clip));
}

TEST_F(RetouchTransferTest, PrintingToPdfGivesOnePageWithThePictureAcrossTheWidthWithinTheMargins) {
  if (!wxFileName::IsFileExecutable("/usr/bin/gs")) GTEST_SKIP() << "ghostscript is needed to rasterise the page";
  const fs::path pdf = m_folder / "page.pdf";
  ScopedEnv target("TESSALY_PRINT_FILE", pdf.string());
  CRetouchDoc* doc = Open(Filled(640, 480, {30, 60, 90}));
  Command(doc, wxID_PRINT);
  ASSERT_TRUE(fs::exists(pdf));
  const fs::path pages = m_folder / "page%d.png";
  ASSERT_EQ(wxExecute(wxString::Format("gs -q -dNOPAUSE -dBATCH -sDEVICE=png16m -r40 -sOutputFile=%s %s",
                                       pages.string(), pdf.string()),
                      wxEXEC_SYNC),
            0);
  EXPECT_TRUE(fs::exists(m_folder / "page1.png"));
  EXPECT_FALSE(fs::exists(m_folder / "page2.png")) << "exactly one page";
  wxImage page;
  ASSERT_TRUE(page.LoadFile(wxString::FromUTF8((m_folder / "page1.png").string()), wxBITMAP_TYPE_PNG));
  auto printed = [&](int x, int y) { return page.GetRed(x, y) < 200; };
  const int row = 20;
  int left = -1, right = -1, top = -1, bottom = -1;
  for (int x = 0; x < page.GetWidth(); ++x)
    if (printed(x, row)) {
      if (left < 0) left = x;
      right = x;
    }
  for (int y = 0; y < page.GetHeight(); ++y)
    if (printed(page.GetWidth() / 2, y)) {
      if (top < 0) top = y;
      bottom = y;
    }
  // The page set-up's margins, 10 mm, at 40 dots an inch.
  const int margin = static_cast<int>(std::lround(10 / 25.4 * 40));
  EXPECT_NEAR(left, margin, 1);
  EXPECT_NEAR(top, margin, 1);
  EXPECT_NEAR(right, page.GetWidth() - 1 - margin, 1);
  // 640 x 480 keeps its proportions: three quarters of its width high.
  EXPECT_NEAR(bottom + 1 - top, (right + 1 - left) * 3 / 4, 2);
}

}  // namespace
}  // namespace tessaly::test

namespace tessaly::test {
namespace {

class RetouchSaveTest : public RetouchWindowTest {
 protected:
  retouch::CRetouchDoc* OpenFile(const std::string& name, bool readOnly = false) {
    const fs::path path = m_folder / name;
    PictureFile file;
    Picture picture = Noise24(40, 30);
    file.InitFromDocument(picture, false, "");
    EXPECT_TRUE(file.SavePicture(path));
    ui::TheAppState().readOnlyChosen = readOnly;
    auto* doc =
        dynamic_cast<retouch::CRetouchDoc*>(s_manager->CreateDocument(wxString::FromUTF8(path.string()), wxDOC_SILENT));
    ui::TheAppState().readOnlyChosen = false;
    Settle();
    return doc;
  }
  TempFolder m_folder;
};

TEST_F(RetouchSaveTest, SaveWritesTheFileAndStartsAfresh) {
  retouch::CRetouchDoc* doc = OpenFile("saved.bmp");
  ASSERT_NE(doc, nullptr);
  Command(doc, "ID_SOFTEN");
  Command(doc, "ID_EDIT_SELECT_ALL");
  Command(doc, wxID_SAVE);
  EXPECT_TRUE(m_prompt.Texts().empty());
  EXPECT_FALSE(doc->IsModified());
  EXPECT_FALSE(doc->State().CanUndo());
  EXPECT_TRUE(doc->State().Selection().Empty());
  PictureFile again;
  ASSERT_TRUE(again.LoadPicture(m_folder / "saved.bmp"));
  EXPECT_TRUE(SamePicture(again.picture, doc->GetPicture()));
}

TEST_F(RetouchSaveTest, SaveRefusesAReadOnlyDocumentAndAPathThatCannotBeWritten) {
  retouch::CRetouchDoc* doc = OpenFile("locked.bmp", true);
  ASSERT_NE(doc, nullptr);
  Command(doc, "ID_SOFTEN");
  Command(doc, wxID_SAVE);
  EXPECT_EQ(m_prompt.Texts(), Texts{"File is \"Read-only\".\nSave with different file name."});
  EXPECT_TRUE(doc->IsModified());

  m_prompt->Clear();
  retouch::CRetouchDoc* lost = OpenFile("lost.bmp");
  lost->SetFilename(wxString::FromUTF8((m_folder / "no-such-folder" / "lost.bmp").string()));
  Command(lost, "ID_SOFTEN");
  Command(lost, wxID_SAVE);
  EXPECT_EQ(m_prompt.Texts(), Texts{"lost.bmpHardware I/O error is detected during access."});
  EXPECT_TRUE(lost->IsModified());
}

// Save As starts with the type of the document's own name, and keeps the type chosen as
// the settings count it, from 1.
TEST_F(RetouchSaveTest, SaveAsStartsWithTheNamesTypeAndKeepsTheChoice) {
  const struct {
    const char* name;
    int shown;  // the dialog's type, counted from 0: BMP, JPEG, TIFF
  } cases[] = {{"a.bmp", 0}, {"b.jpg", 1}, {"c.tif", 2}};
  ui::TheAppState().retouchSaveDir.clear();
  wxString firstFolder;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    retouch::CRetouchDoc* doc = OpenFile(c.name);
    ASSERT_NE(doc, nullptr);
    int shown = -1;
    wxTheApp->CallAfter([&] {
      ui::CFileSaveDialog* dialog = nullptr;
      if (!PumpUntil([&] { return (dialog = ui::CFileSaveDialog::Running()) != nullptr && dialog->IsModal(); })) return;
      Pump(200);
      shown = dialog->GetFilterIndex();
      if (firstFolder.empty()) firstFolder = dialog->GetDirectory();
      dialog->SetPath(wxString::FromUTF8((m_folder / "copy.jpg").string()));
      dialog->SetFilterIndex(1);
      Pump(100);
      dialog->EndModal(wxID_OK);
    });
    EXPECT_TRUE(doc->SaveAs());
    EXPECT_EQ(shown, c.shown);
    EXPECT_EQ(ui::TheAppState().retouchSaveFilterIndex, 2) << "JPEG, the second type";
    EXPECT_EQ(ReadProfileInt("Last Saved Ext", "Retouch", -1), 2);
    EXPECT_TRUE(fs::exists(m_folder / "copy.jpg"));
    EXPECT_EQ(fs::path(firstFolder.utf8_string()), fs::path(doc->GetFilename().utf8_string()).parent_path())
        << "with no folder stored, Save As starts where the picture is";
    fs::remove(m_folder / "copy.jpg");
    doc->DeleteAllViews();
    Forget();
  }
}

// A picture over the limit of editing opens reduced to fit it, says so in its title, and
// is never saved over its file: Save asks for a new name, offering the file's with a
// suffix, and refuses the file's own.
TEST_F(RetouchSaveTest, ALargePictureOpensReducedAndIsNeverSavedOverItsFile) {
  const fs::path path = m_folder / "large.jpg";
  {
    PictureFile file;
    const Picture picture = Noise24(1600, 1200);
    file.InitFromDocument(picture, false, "");
    ASSERT_TRUE(file.SavePicture(path));
  }
  const auto before = fs::last_write_time(path);
  auto* doc =
      dynamic_cast<retouch::CRetouchDoc*>(s_manager->CreateDocument(wxString::FromUTF8(path.string()), wxDOC_SILENT));
  Settle();
  ASSERT_NE(doc, nullptr);
  EXPECT_TRUE(m_prompt.Texts().empty()) << "no box says it";
  EXPECT_EQ(doc->GetPicture().width, 1280);
  EXPECT_EQ(doc->GetPicture().height, 960);
  EXPECT_TRUE(doc->IsReduced());
  EXPECT_EQ(doc->GetUserReadableName(), "large.jpg (reduced from 1600 x 1200)");

  std::vector<wxString> offered;
  auto answer = [&](const fs::path& chosen) {
    wxTheApp->CallAfter([&, chosen] {
      ui::CFileSaveDialog* dialog = nullptr;
      if (!PumpUntil([&] { return (dialog = ui::CFileSaveDialog::Running()) != nullptr && dialog->IsModal(); })) return;
      Pump(200);
      offered.push_back(dialog->GetFilename());
      dialog->SetPath(wxString::FromUTF8(chosen.string()));
      Pump(100);
      dialog->EndModal(wxID_OK);
    });
  };
  answer(path);
  Command(doc, wxID_SAVE);
  ASSERT_EQ(offered.size(), 1u) << "Save asks for a name";
  EXPECT_EQ(offered[0], "large-reduced") << "with the JPEG type, whose extension the dialog adds";
  EXPECT_EQ(m_prompt.Texts().size(), 1u) << "the file's own name is refused";
  EXPECT_EQ(fs::last_write_time(path), before);

  answer(m_folder / "small.jpg");
  Command(doc, wxID_SAVE);
  EXPECT_TRUE(fs::exists(m_folder / "small.jpg"));
  EXPECT_FALSE(doc->IsReduced());
  EXPECT_EQ(fs::last_write_time(path), before) << "the original is untouched";
}

TEST_F(RetouchSaveTest, PrintPreviewShowsThePage) {
  retouch::CRetouchDoc* doc = Open(Filled(640, 480, {30, 60, 90}));
  Command(doc, wxID_PREVIEW);
  Pump(500);
  wxPreviewFrame* preview = nullptr;
  for (wxWindow* window : wxTopLevelWindows)
    if (auto* frame = dynamic_cast<wxPreviewFrame*>(window)) preview = frame;
  ASSERT_NE(preview, nullptr);
  SaveScreenshot(std::string("retouch_print_preview_") + ShotLanguage());
  preview->Close(true);
  Forget();
  EXPECT_TRUE(m_prompt.Texts().empty());
}

}  // namespace
}  // namespace tessaly::test
