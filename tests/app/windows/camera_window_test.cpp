// The camera window against the camera emulator: listing, names, opening, copying and
// saving, driven through the window's commands with the message boxes answered by a
// script.
#include <gtest/gtest.h>
#include <wx/clipbrd.h>
#include <wx/dataobj.h>
#include <wx/statusbr.h>
#include <wx/timer.h>
#include <wx/uiaction.h>
#include <wx/xrc/xmlres.h>

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>

#include "base/file_io.h"
#include "base/ini_file.h"
#include "camera/camera_ops.h"
#include "camera/thumbnail.h"
#include "retouch_window/retouch_doc.h"
#include "shell/app.h"
#include "shell/command_line.h"
#include "shell/doc_manager.h"
#include "shell/logo_window.h"
#include "shell/main_frame.h"
#include "shell_test_support.h"
#include "test_support/emulator_process.h"
#include "test_support/recorded_prompt.h"
#include "test_support/temp_folder.h"
#include "ui/app_state.h"
#include "ui/file_dialogs.h"
#include "ui/processing_dlg.h"
#include "windows/camera_window.h"
#include "workflows/connection.h"
#include "x_screen.h"

namespace tessaly::windows {
namespace {

namespace fs = std::filesystem;
using ui::AppState;
using ui::TheAppState;

// Answers the next folder dialog with a folder, as a person typing it and pressing OK.
class FolderAnswer : public wxTimer {
 public:
  explicit FolderAnswer(fs::path folder) : m_folder(std::move(folder)) { Start(20); }
  void Notify() override {
    for (wxWindow* window : wxTopLevelWindows) {
      auto* dialog = dynamic_cast<ui::CFolderDialog*>(window);
      if (dialog && dialog->IsModal()) {
        m_title = dialog->GetTitle();
        dialog->SetFolder(wxString::FromUTF8(m_folder.string()));
        dialog->EndModal(wxID_OK);
        Stop();
        return;
      }
    }
  }
  const wxString& Title() const { return m_title; }

 private:
  fs::path m_folder;
  wxString m_title;
};

class CameraWindowTest : public ::testing::Test {
 protected:
  void TearDown() override {
    App().CloseEverything();
    test::Pump(20);
  }

  // The emulator on COM1 (the other slots name nothing), then the program's start.
  void Start(std::vector<std::string> emulatorArgs) {
    m_emulator = std::make_unique<test::EmulatorProcess>(std::move(emulatorArgs));
    ASSERT_TRUE(m_emulator->Running());
    for (int slot = 1; slot <= 4; ++slot) {
      std::string device = slot == 1 ? m_emulator->DevicePath() : (m_folder / ("none" + std::to_string(slot))).string();
      m_ports.push_back(std::make_unique<test::ScopedEnv>(("TESSALY_COM" + std::to_string(slot)).c_str(), device));
    }
    LinkInit();
    ui::TheAppState() = ui::AppState{};
    ASSERT_TRUE(App().InitInstance(shell::CAppCommandLineInfo::Parse({})));
    test::Pump(50);
  }

  shell::CCameraApp& App() { return *shell::TheApp(); }

  CCameraView* View() {
    for (wxDocument* doc : App().DocManager()->GetDocumentsVector())
      if (auto* camera = dynamic_cast<CCameraDoc*>(doc)) return dynamic_cast<CCameraView*>(camera->GetFirstView());
    return nullptr;
  }

  // Opens the camera window and waits until its list is complete or the window went.
  CCameraView* OpenCamera() {
    wxCommandEvent open(wxEVT_MENU, XRCID("ID_OPEN_CAMERA_ALBUM"));
    App().MainFrame()->GetEventHandler()->ProcessEvent(open);
    test::Pump(50);
    EXPECT_TRUE(test::PumpUntil([&] { return View() == nullptr || !View()->Busy(); }, 20000));
    test::Pump(50);
    return View();
  }

  std::vector<std::string> Names(CCameraView* view) {
    std::vector<std::string> names;
    for (const IconGridItem& item : view->Items()) names.push_back(item.name);
    return names;
  }

  // The retouch window that opening an item made, once there is one.
  wxDocument* OpenedPicture() {
    wxDocument* opened = nullptr;
    test::PumpUntil([&] {
      for (wxDocument* doc : App().DocManager()->GetDocumentsVector())
        if (dynamic_cast<retouch::CRetouchDoc*>(doc)) opened = doc;
      return opened != nullptr;
    });
    return opened;
  }

  // The host's command frames in the emulator's log ("RD", "RM", ...).
  std::vector<std::string> Commands() {
    std::vector<std::string> commands;
    for (const auto& token : test::Exchange(m_emulator->LogLines()))
      if (token.rfind("host:", 0) == 0 && token.size() == 7) commands.push_back(token.substr(5));
    return commands;
  }

  test::TempFolder m_folder;
  test::ScopedEnv m_ini{"TESSALY_INI", (m_folder / "Tessaly.ini").string()};
  std::unique_ptr<test::EmulatorProcess> m_emulator;
  std::vector<std::unique_ptr<test::ScopedEnv>> m_ports;
  test::RecordedPrompt m_prompt;
};

TEST_F(CameraWindowTest, ListsEveryThumbnailUnderItsNameAndDrawsTheCameraPixels) {
  Start({"--generate", "12", "--ng-thumbnail", "3"});
  CCameraView* view = OpenCamera();
  ASSERT_NE(view, nullptr);
  std::vector<std::string> names = Names(view);
  ASSERT_EQ(names.size(), 12u);
  EXPECT_EQ(names[0], "AUT_0001.JPG");
  EXPECT_EQ(names[11], "AUT_0012.JPG");
  EXPECT_TRUE(m_prompt.Texts().empty()) << "an NG thumbnail shows the placeholder, no message";
  EXPECT_FALSE(view->NameMode());

  // The pictures go in rows, left to right, as the camera numbers them.
  const wxRect first = view->Grid()->IconScreenRect(0), second = view->Grid()->IconScreenRect(1);
  EXPECT_EQ(second.y, first.y);
  EXPECT_GT(second.x, first.x);

  // What the list shows for picture 1 is the core's conversion of the camera's thumbnail.
  view->Grid()->EnsureVisible(0);
  test::Pump(100);
  std::vector<std::uint8_t> raw(kThumbnailBytes);
  ASSERT_EQ(CameraConnect(), kCamDone);
  ASSERT_EQ(CameraGetThumbnail(raw, 1), kCamDone);
  CameraDisconnect();
  const Picture expected = ConvertThumbnail(raw);
  const wxImage shown = test::GrabScreen(view->Grid()->IconScreenRect(0));
  test::SaveScreenshot("camera-thumbnails");
  ASSERT_EQ(shown.GetWidth(), 80);
  ASSERT_EQ(shown.GetHeight(), 60);
  int differing = 0;
  for (int y = 0; y < 60; ++y)
    for (int x = 0; x < 80; ++x) {
      const std::uint8_t* bgr = expected.Row(59 - y) + 3 * x;
      differing += shown.GetRed(x, y) != bgr[2] || shown.GetGreen(x, y) != bgr[1] || shown.GetBlue(x, y) != bgr[0];
    }
  EXPECT_EQ(differing, 0) << "the 80 x 60 thumbnail of picture 1 is on the screen pixel for pixel";
}

// The start-up logo going while a listing runs brings the main window forward, and the
// progress dialog over it stays in sight.
TEST_F(CameraWindowTest, TheProgressStaysInFrontWhenTheLogoGoes) {
  Start({"--generate", "40", "--realtime"});
  ASSERT_NE(App().LogoWindow(), nullptr);
  wxImage before, after;
  int step = 0;
  wxTimer watcher;
  watcher.Bind(wxEVT_TIMER, [&](wxTimerEvent&) {
    wxDialog* dialog = nullptr;
    for (wxWindow* window : wxTopLevelWindows)
      if (auto* found = dynamic_cast<ui::CProcessingDlg*>(window); found && found->IsShown()) dialog = found;
    CCameraView* view = View();
    if (dialog == nullptr || view == nullptr || view->Items().size() < 2) return;
    if (step == 0) {
      before = test::GrabScreen(dialog->GetScreenRect());
      if (App().LogoWindow()) App().LogoWindow()->Finish();
      step = 1;
    } else if (++step == 10) {
      after = test::GrabScreen(dialog->GetScreenRect());
      view->CancelJob();
    }
  });
  watcher.Start(50);
  wxCommandEvent open(wxEVT_MENU, XRCID("ID_OPEN_CAMERA_ALBUM"));
  App().MainFrame()->GetEventHandler()->ProcessEvent(open);
  ASSERT_TRUE(test::PumpUntil([&] { return step >= 10 && View() && !View()->Busy(); }, 30000));
  watcher.Stop();
  ASSERT_TRUE(before.IsOk() && after.IsOk());
  // The bar may have moved on; the rest of the dialog is as it was.
  int differing = 0;
  for (int y = 0; y < before.GetHeight(); ++y)
    for (int x = 0; x < before.GetWidth(); ++x)
      differing += before.GetRed(x, y) != after.GetRed(x, y) || before.GetGreen(x, y) != after.GetGreen(x, y) ||
                   before.GetBlue(x, y) != after.GetBlue(x, y);
  EXPECT_LT(differing, before.GetWidth() * before.GetHeight() / 10);
}

TEST_F(CameraWindowTest, AnEmptyCameraSaysSoAndListsNothing) {
  Start({"--generate", "0"});
  CCameraView* view = OpenCamera();
  EXPECT_EQ(m_prompt.Texts(), std::vector<std::string>{"No data in camera."});
  EXPECT_TRUE(view == nullptr || view->Items().empty());
  EXPECT_TRUE(test::PumpUntil([&] { return View() == nullptr; })) << "the window closes after the message";
}

TEST_F(CameraWindowTest, ASilentCameraClosesTheWindowWithTheMessage) {
  Start({"--generate", "4", "--silent-enqs", "1000"});
  OpenCamera();
  EXPECT_EQ(m_prompt.Texts(), std::vector<std::string>{"Failed to communicate."});
  EXPECT_TRUE(test::PumpUntil([&] { return View() == nullptr; }));
}

TEST_F(CameraWindowTest, CancelDuringTheListingKeepsWhatArrived) {
  Start({"--generate", "12"});
  wxCommandEvent open(wxEVT_MENU, XRCID("ID_OPEN_CAMERA_ALBUM"));
  // Cancel is pressed once three thumbnails are in the list.
  wxTimer watcher;
  watcher.Bind(wxEVT_TIMER, [&](wxTimerEvent&) {
    if (CCameraView* view = View(); view && view->Items().size() >= 3) view->CancelJob();
  });
  watcher.Start(1);
  App().MainFrame()->GetEventHandler()->ProcessEvent(open);
  ASSERT_TRUE(test::PumpUntil([&] { return View() && !View()->Busy() && !View()->Items().empty(); }, 20000));
  watcher.Stop();
  const int count = static_cast<int>(View()->Items().size());
  EXPECT_GE(count, 3);
  EXPECT_LT(count, 12);
  EXPECT_TRUE(m_prompt.Texts().empty()) << "a cancel says nothing";
  test::Pump(100);
  EXPECT_NE(View(), nullptr) << "the window stays with what arrived";
}

TEST_F(CameraWindowTest, NamesOnlyAndBackReadOnlyWhatEachModeNeeds) {
  Start({"--generate", "5"});
  CCameraView* view = OpenCamera();
  ASSERT_NE(view, nullptr);
  view->ShowNames();
  EXPECT_TRUE(view->NameMode());
  EXPECT_EQ(Names(view).size(), 5u);
  test::Pump(200);
  test::SaveScreenshot("camera-names");
  view->ShowThumbnails();
  EXPECT_FALSE(view->NameMode());
  EXPECT_EQ(Names(view).size(), 5u);
  App().CloseEverything();
  EXPECT_EQ(ReadProfileInt("Last Name Mode", "Camera", -1), 0);
  std::vector<std::string> commands = Commands();
  EXPECT_EQ(std::count(commands.begin(), commands.end(), "RM"), 10) << "thumbnails twice, none for the names";
}

TEST_F(CameraWindowTest, TheApplicationsCommandsWorkFromTheCameraWindowsMenu) {
  Start({"--generate", "2"});
  CCameraView* view = OpenCamera();
  ASSERT_NE(view, nullptr);
  const bool before = ui::TheAppState().namesOnlyPreference;
  wxCommandEvent thumbnail(wxEVT_MENU, XRCID("ID_THUMBNAIL"));
  view->GetFrame()->GetEventHandler()->ProcessEvent(thumbnail);
  EXPECT_NE(ui::TheAppState().namesOnlyPreference, before);
  wxUpdateUIEvent open(XRCID("ID_OPEN_CAMERA_ALBUM"));
  open.SetEventObject(view->GetFrame());
  view->GetFrame()->GetEventHandler()->ProcessEvent(open);
  EXPECT_TRUE(open.GetSetEnabled() && !open.GetEnabled()) << "one camera window at most";
}

TEST_F(CameraWindowTest, DoubleClickOpensTheDecodedPictureUnderItsName) {
  Start({"--generate", "3"});
  CCameraView* view = OpenCamera();
  ASSERT_NE(view, nullptr);
  const wxRect icon = view->Grid()->IconScreenRect(1);
  wxUIActionSimulator input;
  input.MouseMove(icon.GetPosition() + wxPoint(icon.width / 2, icon.height / 2));
  test::Pump(50);
  input.MouseDblClick();
  wxDocument* opened = OpenedPicture();
  ASSERT_NE(opened, nullptr);
  EXPECT_EQ(opened->GetUserReadableName(), "AUT_0002.JPG");
  const Picture& picture = static_cast<retouch::CRetouchDoc*>(opened)->GetPicture();
  EXPECT_EQ(picture.width, 320);
  EXPECT_EQ(picture.height, 240);
  EXPECT_FALSE(opened->IsModified());
}

// The list takes the keyboard as soon as it is there: an arrow moves the selection and
// Enter opens the picture, whose window takes the focus and fills the status bar's panes.
TEST_F(CameraWindowTest, TheKeyboardAloneOpensAPicture) {
  Start({"--generate", "3"});
  CCameraView* view = OpenCamera();
  ASSERT_NE(view, nullptr);
  ASSERT_TRUE(test::PumpUntil([&] { return wxWindow::FindFocus() == view->Grid(); }));
  wxUIActionSimulator input;
  input.Char(WXK_RIGHT);
  input.Char(WXK_RIGHT);
  ASSERT_TRUE(test::PumpUntil([&] { return view->Items()[1].selected; }));
  EXPECT_FALSE(view->Items()[0].selected);
  input.Char(WXK_RETURN);
  wxDocument* opened = OpenedPicture();
  ASSERT_NE(opened, nullptr);
  EXPECT_EQ(opened->GetUserReadableName(), "AUT_0002.JPG");
  wxStatusBar* bar = App().MainFrame()->GetStatusBar();
  EXPECT_TRUE(test::PumpUntil([&] { return bar->GetStatusText(1) == "320x240"; }));
  opened->Modify(false);
}

TEST_F(CameraWindowTest, CopyPutsCompleteFilesWithTheCameraBytesOnTheClipboard) {
  Start({"--generate", "3"});
  CCameraView* view = OpenCamera();
  ASSERT_NE(view, nullptr);
  view->Items()[0].selected = view->Items()[2].selected = true;
  view->CopySelected();
  wxFileDataObject files;
  ASSERT_TRUE(wxTheClipboard->Open());
  ASSERT_TRUE(wxTheClipboard->GetData(files));
  wxTheClipboard->Close();
  ASSERT_EQ(files.GetFilenames().size(), 2u);
  for (const wxString& name : files.GetFilenames()) {
    Bytes data;
    ASSERT_FALSE(ReadWholeFile(name.utf8_string(), data)) << name;
    ASSERT_GT(data.size(), 2u);
    EXPECT_EQ(data[0], 0xFF);
    EXPECT_EQ(data[1], 0xD8) << "a whole JPEG file";
  }
  EXPECT_TRUE(files.GetFilenames()[1].EndsWith("AUT_0003.JPG"));
  // Closing the window takes its temporary files with it.
  App().CloseEverything();
  for (const wxString& name : files.GetFilenames()) EXPECT_FALSE(fs::exists(name.utf8_string()));
}

TEST_F(CameraWindowTest, SaveAllNamesThePicturesWithThePrefix) {
  Start({"--generate", "12"});
  ui::TheAppState().savePrefix = "ABCD";
  fs::create_directories(m_folder / "out");
  FolderAnswer answer(m_folder / "out");
  App().SaveCameraImagesToDisk();
  EXPECT_EQ(answer.Title(), "Save Camera Images To Disk");
  EXPECT_TRUE(m_prompt.Texts().empty());
  EXPECT_TRUE(fs::exists(m_folder / "out" / "ABCD0012.JPG"));
  EXPECT_EQ(std::distance(fs::directory_iterator(m_folder / "out"), fs::directory_iterator()), 12);
  EXPECT_EQ(ReadProfileString("Last AllSave Dir", "Camera", ""), (m_folder / "out").string());
  EXPECT_EQ(ReadProfileInt("Last AllSave Ext", "Camera", -1), 1) << "the first type, counted from 1";
  EXPECT_EQ(App().MainFrame()->GetStatusBar()->GetStatusText(0), "12 saved, 0 skipped, 0 failed, 0 not tried");
}

TEST_F(CameraWindowTest, ACardChangedDuringSaveAllGivesTheMemoryCardMessage) {
  Start({"--generate", "4", "--card-changed-after", "2"});
  fs::create_directories(m_folder / "out");
  FolderAnswer answer(m_folder / "out");
  App().SaveCameraImagesToDisk();
  ASSERT_FALSE(m_prompt.Texts().empty());
  EXPECT_EQ(m_prompt.Texts().back(), "Memory card is probably changed.\nOpen camera album again.");
}

TEST_F(CameraWindowTest, AnExistingTargetIsSettledBeforeItsPictureMoves) {
  Start({"--generate", "2"});
  fs::create_directories(m_folder / "out");
  std::ofstream(m_folder / "out" / "AUT_0001.JPG") << "old";
  m_prompt->Answer(PromptAnswer::kNo);
  FolderAnswer answer(m_folder / "out");
  App().SaveCameraImagesToDisk();
  EXPECT_EQ(m_prompt.Texts(), std::vector<std::string>{"This file already exists.\nReplace existing file?"});
  Bytes kept;
  ASSERT_FALSE(ReadWholeFile(m_folder / "out" / "AUT_0001.JPG", kept));
  EXPECT_EQ(std::string(kept.begin(), kept.end()), "old");
  EXPECT_TRUE(fs::exists(m_folder / "out" / "AUT_0002.JPG"));
  std::vector<std::string> commands = Commands();
  EXPECT_EQ(std::count(commands.begin(), commands.end(), "RD"), 1) << "picture 1 never came over the line";
  EXPECT_EQ(App().MainFrame()->GetStatusBar()->GetStatusText(0), "1 saved, 1 skipped, 0 failed, 0 not tried");
}

// A small file system of our own (root only: the tests run as root in CI).
class MountedFolder {
 public:
  MountedFolder(const fs::path& where, const std::string& options) : m_where(where) {
    fs::create_directories(where);
    m_mounted =
        ::getuid() == 0 &&
        std::system(("mount -t tmpfs -o " + options + " tmpfs '" + where.string() + "' 2>/dev/null").c_str()) == 0;
  }
  ~MountedFolder() {
    if (m_mounted) std::system(("umount '" + m_where.string() + "'").c_str());
  }
  bool Mounted() const { return m_mounted; }

 private:
  fs::path m_where;
  bool m_mounted = false;
};

TEST_F(CameraWindowTest, AFullDiskEndsTheSaveAndLeavesOnlyWholePictures) {
  MountedFolder small(m_folder / "small", "size=40k");
  if (!small.Mounted()) GTEST_SKIP() << "cannot mount a small file system here";
  Start({"--generate", "12"});
  FolderAnswer answer(m_folder / "small");
  App().SaveCameraImagesToDisk();
  ASSERT_FALSE(m_prompt.Texts().empty());
  EXPECT_EQ(m_prompt.Texts().back().rfind("Disk is full.", 0), 0u) << m_prompt.Texts().back();
  int pictures = 0;
  for (const auto& entry : fs::directory_iterator(m_folder / "small")) {
    Bytes data;
    ASSERT_FALSE(ReadWholeFile(entry.path(), data));
    ASSERT_GE(data.size(), 4u) << entry.path();
    EXPECT_EQ(entry.path().filename().string().rfind("AUT_", 0), 0u) << "no temporary file is left";
    EXPECT_TRUE(data[data.size() - 2] == 0xFF && data.back() == 0xD9) << entry.path() << " is whole";
    ++pictures;
  }
  EXPECT_LT(pictures, 12);
  EXPECT_NE(App().MainFrame()->GetStatusBar()->GetStatusText(0).Find("stopped: disk full"), wxNOT_FOUND);
}

TEST_F(CameraWindowTest, AWriteProtectedFolderIsRefusedBeforeAnyPictureMoves) {
  MountedFolder locked(m_folder / "locked", "ro,size=64k");
  if (!locked.Mounted()) GTEST_SKIP() << "cannot mount a read-only file system here";
  Start({"--generate", "3"});
  FolderAnswer answer(m_folder / "locked");
  App().SaveCameraImagesToDisk();
  ASSERT_EQ(m_prompt.Texts().size(), 1u);
  EXPECT_EQ(m_prompt.Texts()[0].rfind("It is write protected.", 0), 0u) << m_prompt.Texts()[0];
  EXPECT_NE(m_prompt.Texts()[0].find((m_folder / "locked").string()), std::string::npos) << "the folder is named";
  std::vector<std::string> commands = Commands();
  EXPECT_EQ(std::count(commands.begin(), commands.end(), "RD"), 0);
}

}  // namespace
}  // namespace tessaly::windows
