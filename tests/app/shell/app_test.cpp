// The application's start-up and the ways it opens files, through the real start-up
// (InitInstance) with a settings file and serial ports of each test's own.
#include <gtest/gtest.h>
#include <wx/dialog.h>
#include <wx/filehistory.h>
#include <wx/modalhook.h>
#include <wx/statusbr.h>

#include <csignal>
#include <filesystem>
#include <fstream>
#include <future>
#include <memory>

#include "base/file_io.h"
#include "base/ini_file.h"
#include "formats/picture_file.h"
#include "retouch_window/retouch_doc.h"
#include "shell/app.h"
#include "shell/app_settings.h"
#include "shell/doc_manager.h"
#include "shell/logo_window.h"
#include "shell/main_frame.h"
#include "shell/readme_window.h"
#include "shell/recovery.h"
#include "shell/session_end.h"
#include "shell/single_instance.h"
#include "shell_test_support.h"
#include "test_support/pictures.h"
#include "test_support/pseudo_terminal.h"
#include "test_support/recorded_prompt.h"
#include "test_support/temp_folder.h"
#include "ui/app_state.h"
#include "ui/processing_dlg.h"
#include "ui/wx_path.h"
#include "windows/album_window.h"
#include "workflows/connection.h"
#include "x_window.h"

namespace tessaly::shell {
namespace {

namespace fs = std::filesystem;

class AppTest : public ::testing::Test {
 protected:
  // COM2 is a pseudo-terminal, the other slots name devices that do not exist.
  void SetUp() override {
    for (int slot = 1; slot <= 4; ++slot) {
      std::string device = slot == 2 ? m_terminal.Path() : (m_folder / ("missing-tty" + std::to_string(slot))).string();
      m_ports.push_back(std::make_unique<test::ScopedEnv>(("TESSALY_COM" + std::to_string(slot)).c_str(), device));
    }
  }
  void TearDown() override { Stop(); }

  // The program's start: the probe of its construction, then InitInstance.
  bool Start(const std::vector<std::string>& args = {}) {
    LinkInit();
    ui::TheAppState() = ui::AppState{};
    bool started = App().InitInstance(CAppCommandLineInfo::Parse(args));
    // The toolkit shows the first main window once it has heard from the window manager,
    // or given up on one: the test goes on with the window on the screen, as a person does.
    if (CMainFrame* frame = App().MainFrame(); started && frame != nullptr && frame->IsShown())
      test::PumpUntil([&] { return !test::FrameOnScreen(frame).IsEmpty(); }, 5000);
    test::Pump(100);
    return started;
  }
  void Stop() {
    App().CloseEverything();
    test::Pump(20);
  }
  CCameraApp& App() { return *TheApp(); }

  // A small 24-bit picture file of the given name, as the program itself writes it.
  fs::path WritePicture(const std::string& name, int width = 8, int height = 6) {
    fs::path path = m_folder / name;
    Picture picture = Picture::Make(width, height, 24, 0x40);
    PictureFile file;
    file.InitFromDocument(picture, false, "");
    EXPECT_TRUE(file.SavePicture(path)) << path;
    return path;
  }
  // The pattern of each album open.
  std::vector<std::string> AlbumPatterns() {
    std::vector<std::string> patterns;
    for (wxDocument* doc : App().DocManager()->GetDocumentsVector())
      if (auto* album = dynamic_cast<windows::CAlbumDoc*>(doc)) patterns.push_back(album->Album().Pattern());
    return patterns;
  }
  std::vector<std::string> OpenPaths() {
    std::vector<std::string> paths;
    for (wxDocument* doc : App().DocManager()->GetDocumentsVector()) paths.push_back(doc->GetFilename().utf8_string());
    return paths;
  }

  test::TempFolder m_folder;
  test::ScopedEnv m_ini{"TESSALY_INI", (m_folder / "Tessaly.ini").string()};
  test::PseudoTerminal m_terminal;
  std::vector<std::unique_ptr<test::ScopedEnv>> m_ports;
  test::RecordedPrompt m_prompt;
};

TEST_F(AppTest, FirstStartWithoutSettingsFile) {
  ASSERT_TRUE(Start());
  const ui::AppState& state = ui::TheAppState();
  EXPECT_EQ(state.lastPort, 2) << "port 0 becomes the first usable port";
  EXPECT_EQ(TheLinkSetup().currentPort, 2);
  EXPECT_EQ(state.lastBps, 9600u);
  for (const std::string* dir : {&state.albumDir, &state.albumSaveDir, &state.retouchDir, &state.retouchSaveDir,
                                 &state.cameraDir, &state.cameraSaveDir, &state.cameraAllSaveDir})
    EXPECT_EQ(*dir, "");
  for (int index : {state.albumFilterIndex, state.retouchFilterIndex, state.cameraFilterIndex,
                    state.retouchSaveFilterIndex, state.cameraSaveFilterIndex})
    EXPECT_EQ(index, 0);
  EXPECT_FALSE(state.starting);
  EXPECT_TRUE(App().MainFrame()->IsShown());
  EXPECT_TRUE(OpenPaths().empty()) << "no document at start";
  EXPECT_TRUE(m_prompt.Texts().empty());
}

TEST(StartupSettings, EveryEntryIsReadBackAndEmptyDirectoriesTakeTheInstallationFolder) {
  IniFile ini;
  ini.Parse(
      "[Velmora DigitalCamera]\r\nDirectory=/opt/pictures\r\n"
      "[Last Used Dir]\r\nAlbum=/a/used\r\nRetouch=/r/used\r\nCamera=\r\n"
      "[Last Saved Dir]\r\nAlbum=/a/saved\r\nRetouch=/r/saved\r\nCamera=/c/saved\r\n"
      "[Last AllSave Dir]\r\nCamera=/c/all\r\n"
      "[Last Used Ext]\r\nAlbum=1\r\nRetouch=2\r\nCamera=3\r\n"
      "[Last Saved Ext]\r\nCamera=4\r\nRetouch=5\r\n"
      "[Last Name Mode]\r\nAlbum=1\r\n");
  ui::AppState state;
  ReadStartupSettings(ini, state);
  EXPECT_EQ(state.albumDir, "/a/used");
  EXPECT_EQ(state.albumSaveDir, "/a/saved");
  EXPECT_EQ(state.retouchDir, "/r/used");
  EXPECT_EQ(state.retouchSaveDir, "/r/saved");
  EXPECT_EQ(state.cameraDir, "/opt/pictures") << "empty: the installation folder";
  EXPECT_EQ(state.cameraSaveDir, "/c/saved");
  EXPECT_EQ(state.cameraAllSaveDir, "/c/all");
  EXPECT_EQ(state.albumFilterIndex, 1);
  EXPECT_EQ(state.retouchFilterIndex, 2);
  EXPECT_EQ(state.cameraFilterIndex, 3);
  EXPECT_EQ(state.cameraSaveFilterIndex, 4);
  EXPECT_EQ(state.retouchSaveFilterIndex, 5);

  IniFile installOnly;
  installOnly.Parse("[Velmora DigitalCamera]\nDirectory=/opt/pictures\n");
  ReadStartupSettings(installOnly, state);
  EXPECT_EQ(state.albumDir, "/opt/pictures");
  EXPECT_EQ(state.cameraAllSaveDir, "/opt/pictures");
  EXPECT_EQ(state.retouchFilterIndex, 0);
}

TEST_F(AppTest, StoredPortAndSpeedAreApplied) {
  WriteProfileInt("Last Used Port", "Comm", 2);
  WriteProfileInt("Last Used Bps", "Comm", 38400);
  ASSERT_TRUE(Start());
  EXPECT_EQ(ui::TheAppState().lastPort, 2);
  EXPECT_EQ(ui::TheAppState().lastBps, 38400u);
  EXPECT_EQ(TheLinkSetup().currentSpeed, 38400u);
}

TEST_F(AppTest, CommandLineFilesOpenInOrder) {
  std::vector<std::string> files = {WritePicture("one.bmp").string(), WritePicture("two.JPG").string(),
                                    WritePicture("three.tif").string()};
  ASSERT_TRUE(Start(files));
  EXPECT_EQ(OpenPaths(), files);
  EXPECT_TRUE(m_prompt.Texts().empty());
}

TEST_F(AppTest, WhatCannotBeOpenedSaysSoAndTheRestOpens) {
  fs::path gif = m_folder / "x.gif";
  std::ofstream(gif) << "GIF89a";
  fs::path picture = WritePicture("ok.bmp");
  ASSERT_TRUE(Start({gif.string(), m_folder.Path().string(), picture.string()}));
  EXPECT_EQ(m_prompt.Texts(), (std::vector<std::string>{std::string(MessageText(kMsgNotValidFileType))}));
  EXPECT_EQ(AlbumPatterns(), (std::vector<std::string>{"*.*"})) << "a folder opens with every picture type";
  // The folder opens as an album window, the picture in a retouch window.
  EXPECT_EQ(OpenPaths(), (std::vector<std::string>{m_folder.Path().string(), picture.string()}));
}

TEST_F(AppTest, EmbeddingShowsNoMainWindow) {
  ASSERT_TRUE(Start({"-Embedding"}));
  EXPECT_FALSE(App().MainFrame()->IsShown());
  EXPECT_TRUE(OpenPaths().empty());
}

TEST_F(AppTest, OpenDocumentFileRules) {
  ASSERT_TRUE(Start());
  fs::path picture = WritePicture("target.jpg");
  fs::path link = m_folder / "shortcut";
  fs::create_symlink(picture, link);
  fs::path empty = m_folder / "empty.bmp";
  std::ofstream{empty};

  wxDocument* doc = App().OpenDocumentFile(link.string());
  ASSERT_NE(doc, nullptr) << "a symbolic link opens what it names";
  EXPECT_EQ(doc->GetFilename().utf8_string(), picture.string());
  EXPECT_EQ(App().OpenDocumentFile(picture.string()), doc) << "an open file is not opened twice";

  EXPECT_EQ(App().OpenDocumentFile(empty.string()), nullptr);
  EXPECT_EQ(App().OpenDocumentFile((m_folder / "none.bmp").string()), nullptr);
  EXPECT_EQ(m_prompt.Texts(), std::vector<std::string>(2, std::string(MessageText(kMsgNotValidFileType))));

  EXPECT_EQ(OpenPaths().size(), 1u);
}

// What is on the screen at the moment a message shows.
class ObservingPrompt : public UserPrompt {
 public:
  explicit ObservingPrompt(std::function<void()> look) : m_look(std::move(look)) {}
  using UserPrompt::Show;
  PromptAnswer Show(std::string_view text, PromptButtons) override {
    texts.emplace_back(text);
    m_look();
    return PromptAnswer::kOk;
  }
  std::vector<std::string> texts;

 private:
  std::function<void()> m_look;
};

TEST_F(AppTest, AFileThatDoesNotLoadShowsNoWindowEvenForAMoment) {
  ASSERT_TRUE(Start());
  fs::path gif = m_folder / "fake.bmp";
  std::ofstream(gif) << "GIF89a0000";
  fs::path stub = m_folder / "stub.bmp";
  std::ofstream(stub, std::ios::binary) << std::string("BM\x0e\0\0\0\0\0\0\0\x0e\0\0\0", 14);
  wxStatusBar* bar = App().MainFrame()->GetStatusBar();
  std::vector<std::string> seen;
  auto prompt = std::make_unique<ObservingPrompt>([&] {
    int children = 0;
    for (wxWindow* child : App().MainFrame()->GetClientWindow()->GetChildren())
      if (dynamic_cast<wxMDIChildFrame*>(child)) ++children;
    std::string panes;
    for (int i = 1; i <= 3; ++i) panes += bar->GetStatusText(i).utf8_string();
    seen.push_back(std::to_string(children) + " windows, panes '" + panes + "'");
  });
  ObservingPrompt* observed = prompt.get();
  ScopedPrompt scope(std::move(prompt));
  for (const fs::path& file : {gif, stub}) {
    EXPECT_EQ(App().OpenDocumentFile(file.string()), nullptr) << file;
    test::Pump(50);
  }
  ASSERT_EQ(observed->texts.size(), 2u);
  EXPECT_EQ(seen, std::vector<std::string>(2, "0 windows, panes ''"));
  EXPECT_TRUE(OpenPaths().empty());
}

TEST_F(AppTest, TheCloseButtonDuringAJobCancelsItAndThenClosesAsExitDoes) {
  ASSERT_TRUE(Start());
  if (CLogoWindow* logo = App().LogoWindow()) logo->Finish();
  test::Pump(50);
  // A job as the camera and album windows run theirs: the main window is disabled.
  auto* job = new ui::CProcessingDlg(App().MainFrame(), 10, "AUT_0001.JPG");
  ASSERT_FALSE(App().MainFrame()->IsEnabled());
  test::SendCloseButton(App().MainFrame());
  ASSERT_TRUE(test::PumpUntil([&] { return job->Cancelled(); })) << "the job is asked to stop";
  test::Pump(100);
  ASSERT_NE(App().MainFrame(), nullptr) << "the window waits for the job";
  job->Destroy();  // the job stops
  EXPECT_TRUE(test::PumpUntil([&] { return App().MainFrame() == nullptr; })) << "then it closes";
  IniFile ini;
  ASSERT_TRUE(ini.Load(SettingsFilePath()));
  EXPECT_GT(ini.GetInt("Last Window", "Width", 0), 0) << "as Exit, it writes its place";
}

// The windows reach the application only through the services it installs.
TEST_F(AppTest, WindowsReachTheApplicationThroughItsServices) {
  ASSERT_TRUE(Start());
  ui::AppServices* services = ui::InstalledAppServices();
  ASSERT_NE(services, nullptr) << "the application object installs its services";
  EXPECT_EQ(services->MainWindow(), App().MainFrame());
  EXPECT_EQ(&services->PrintData(), &App().PrintData());

  wxDocument* doc = services->OpenPicture({Picture::Make(32, 24, 24, 0x80), "a comment", "AUT_0003.JPG"});
  ASSERT_NE(doc, nullptr);
  auto* retouch = dynamic_cast<retouch::CRetouchDoc*>(doc);
  ASSERT_NE(retouch, nullptr);
  EXPECT_EQ(retouch->GetPicture().width, 32);
  EXPECT_EQ(retouch->GetOrigin(), retouch::CRetouchDoc::Origin::kHanded);
  EXPECT_EQ(retouch->Comment(), "a comment");
  EXPECT_EQ(doc->GetTitle(), "AUT_0003.JPG");
  EXPECT_FALSE(doc->GetDocumentSaved()) << "a handed-over picture has no file yet";
}

// Confirms the "New" dialog of a new retouch document with its default size.
class ConfirmNewSize : public wxModalDialogHook {
 public:
  ConfirmNewSize() { Register(); }
  ~ConfirmNewSize() override { Unregister(); }
  int shown = 0;

 protected:
  int Enter(wxDialog* dialog) override {
    ++shown;
    dialog->CallAfter([dialog] { dialog->EndModal(wxID_OK); });
    return wxID_NONE;
  }
  void Exit(wxDialog*) override {}
};

TEST_F(AppTest, NoBlankDocumentWhileStarting) {
  ASSERT_TRUE(Start());
  ConfirmNewSize confirm;
  ui::TheAppState().starting = true;
  EXPECT_EQ(App().DocManager()->NewDocument(App().RetouchTemplate()), nullptr);
  EXPECT_EQ(confirm.shown, 0);
  ui::TheAppState().starting = false;
  EXPECT_NE(App().DocManager()->NewDocument(App().RetouchTemplate()), nullptr);
  EXPECT_EQ(confirm.shown, 1);
}

TEST_F(AppTest, RecentFilesKeepFourEntriesAcrossARestart) {
  ASSERT_TRUE(Start());
  std::vector<std::string> files;
  for (int i = 1; i <= 5; ++i) files.push_back(WritePicture("p" + std::to_string(i) + ".bmp").string());
  for (const std::string& file : files) ASSERT_NE(App().OpenDocumentFile(file), nullptr);
  Stop();

  IniFile ini;
  ASSERT_TRUE(ini.Load(SettingsFilePath()));
  EXPECT_EQ(ReadRecentFiles(ini), (std::vector<std::string>{files[4], files[3], files[2], files[1]}));

  ASSERT_TRUE(Start());
  wxFileHistory* history = App().DocManager()->GetFileHistory();
  ASSERT_EQ(history->GetCount(), 4u);
  EXPECT_EQ(history->GetHistoryFile(0).utf8_string(), files[4]);
  EXPECT_EQ(history->GetHistoryFile(3).utf8_string(), files[1]);
}

}  // namespace
}  // namespace tessaly::shell

#include <wx/frame.h>

#include "ui/file_dialogs.h"

namespace tessaly::shell {
namespace {

TEST_F(AppTest, PreviewSaysModifyingForAnEditedOpenPicture) {
  ASSERT_TRUE(Start());
  fs::path picture = WritePicture("edited.bmp", 40, 30);
  wxDocument* doc = App().OpenDocumentFile(picture.string());
  ASSERT_NE(doc, nullptr);
  auto* frame = new wxFrame(nullptr, wxID_ANY, "preview");
  auto* panel = new ui::CPreviewPanel(frame);
  panel->ShowPreview(picture.string());
  EXPECT_EQ(panel->StatusText(), "") << "open but unchanged";
  doc->Modify(true);
  panel->ShowPreview(picture.string());
  EXPECT_EQ(panel->StatusText(), "Modifying ...");
  EXPECT_EQ(panel->WidthText(), "40");
  frame->Destroy();
}

}  // namespace
}  // namespace tessaly::shell

#include <wx/checkbox.h>
#include <wx/dnd.h>
#include <wx/menu.h>
#include <wx/xrc/xmlres.h>

#include "shell/logo_window.h"

namespace tessaly::shell {
namespace {

TEST_F(AppTest, LogoComesWithTheMainWindowAndGoesOnAClick) {
  ASSERT_TRUE(Start());
  CLogoWindow* logo = App().LogoWindow();
  ASSERT_NE(logo, nullptr);
  EXPECT_TRUE(logo->IsShown());
  EXPECT_TRUE(logo->Picture().IsOk());
  EXPECT_EQ(logo->GetClientSize(), logo->Picture().GetSize() + wxSize(20, 20)) << "the picture with a margin of 10";
  wxMouseEvent click(wxEVT_LEFT_DOWN);
  click.SetEventObject(logo);
  logo->HandleWindowEvent(click);
  EXPECT_TRUE(test::PumpUntil([&] { return App().LogoWindow() == nullptr; }));
}

TEST_F(AppTest, NoLogoForAnEmbeddedStart) {
  ASSERT_TRUE(Start({"-Embedding"}));
  EXPECT_EQ(App().LogoWindow(), nullptr);
  Stop();
  ASSERT_TRUE(Start({"/Automation"}));
  EXPECT_EQ(App().LogoWindow(), nullptr);
  EXPECT_FALSE(App().MainFrame()->IsShown());
}

TEST_F(AppTest, DroppedFilesOpenInOrder) {
  ASSERT_TRUE(Start());
  wxArrayString files;
  files.Add(WritePicture("drop1.bmp").string());
  files.Add(WritePicture("drop2.jpg").string());
  auto* target = dynamic_cast<wxFileDropTarget*>(App().MainFrame()->GetDropTarget());
  ASSERT_NE(target, nullptr);
  EXPECT_TRUE(target->OnDropFiles(10, 10, files));
  EXPECT_EQ(OpenPaths(), (std::vector<std::string>{files[0].utf8_string(), files[1].utf8_string()}));
}

TEST_F(AppTest, RecentFilesAreOnTheFileMenu) {
  ASSERT_TRUE(Start());
  fs::create_directory(m_folder / "other");
  const fs::path elsewhere = WritePicture("other/far.jpg");
  fs::path picture = WritePicture("recent.bmp");
  ASSERT_NE(App().OpenDocumentFile(elsewhere.string()), nullptr);
  ASSERT_NE(App().OpenDocumentFile(picture.string()), nullptr);
  auto labels = [&] {
    std::vector<std::string> shown;
    for (int id : {wxID_FILE1, wxID_FILE2})
      if (wxMenuItem* item = App().MainFrame()->GetMenuBar()->FindItem(id))
        shown.push_back(item->GetItemLabel().utf8_string());
    return shown;
  };
  const std::vector<std::string> before = labels();
  wxMenuItem* first = App().MainFrame()->GetMenuBar()->FindItem(wxID_FILE1);
  ASSERT_NE(first, nullptr);
  EXPECT_TRUE(first->GetItemLabelText().Contains("recent.bmp"));
  wxMenu* file = App().MainFrame()->GetMenuBar()->GetMenu(0);
  const size_t count = file->GetMenuItemCount();
  EXPECT_EQ(file->FindItemByPosition(count - 1)->GetId(), wxID_EXIT) << "Exit stays last";
  EXPECT_TRUE(file->FindItemByPosition(count - 2)->IsSeparator());
  EXPECT_EQ(file->FindItemByPosition(count - 3)->GetId(), wxID_FILE2);
  EXPECT_EQ(file->FindItemByPosition(count - 4)->GetId(), wxID_FILE1);
  EXPECT_FALSE(file->FindItemByPosition(count - 5)->IsSeparator() &&
               file->FindItemByPosition(count - 6)->IsSeparator());

  Stop();
  ASSERT_TRUE(Start());
  EXPECT_EQ(labels(), before) << "the list reads the same after a restart";
  EXPECT_EQ(before.size(), 2u);
  file = App().MainFrame()->GetMenuBar()->GetMenu(0);
  EXPECT_EQ(file->FindItemByPosition(file->GetMenuItemCount() - 1)->GetId(), wxID_EXIT) << "after a restart too";
  EXPECT_EQ(file->FindItemByPosition(file->GetMenuItemCount() - 3)->GetId(), wxID_FILE2);
}

}  // namespace
}  // namespace tessaly::shell

#include "ui/file_dialogs.h"

namespace tessaly::shell {
namespace {

// Runs the File Open command and answers its dialog with path and OK.
void ChooseInFileOpen(CMainFrame* frame, const fs::path& path, bool readOnly = false) {
  wxTheApp->CallAfter([path, readOnly] {
    ui::CPreviewFileDialog* dialog = nullptr;
    test::PumpUntil([&] { return (dialog = ui::CPreviewFileDialog::Running()) != nullptr && dialog->IsModal(); });
    if (dialog == nullptr) return;
    dialog->SetPath(path.string());
    test::Pump(300);
    if (readOnly && dialog->Panel()) XRCCTRL(*dialog->Panel(), "IDC_READ_ONLY", wxCheckBox)->SetValue(true);
    test::PressButton(*dialog, wxID_OK);
  });
  wxCommandEvent open(wxEVT_MENU, wxID_OPEN);
  frame->ProcessWindowEvent(open);
}

TEST_F(AppTest, FileOpenRefusesAGifAndOpensAPicture) {
  ASSERT_TRUE(Start());
  fs::path gif = m_folder / "x.gif";
  std::ofstream(gif) << "GIF89a";
  ChooseInFileOpen(App().MainFrame(), gif);
  EXPECT_EQ(m_prompt.Texts(), std::vector<std::string>{std::string(MessageText(kMsgNotValidFileType))});
  EXPECT_TRUE(OpenPaths().empty());

  fs::path picture = WritePicture("chosen.jpg");
  ChooseInFileOpen(App().MainFrame(), picture, true);
  EXPECT_EQ(OpenPaths(), std::vector<std::string>{picture.string()});
  EXPECT_TRUE(ui::TheAppState().readOnlyChosen);
  EXPECT_EQ(ReadProfileString("Last Used Dir", "Retouch", ""), m_folder.Path().string());
  auto* doc = dynamic_cast<retouch::CRetouchDoc*>(App().DocManager()->GetDocumentsVector().front());
  ASSERT_NE(doc, nullptr);
  EXPECT_TRUE(doc->IsReadOnly());
}

}  // namespace
}  // namespace tessaly::shell

namespace tessaly::shell {
namespace {

TEST_F(AppTest, ApplicationCommandsAndTheirEnabling) {
  ASSERT_TRUE(Start());
  CMainFrame* frame = App().MainFrame();
  auto enabled = [&](int id) {
    wxUpdateUIEvent event(id);
    event.SetEventObject(frame);
    frame->ProcessWindowEvent(event);
    return !event.GetSetEnabled() || event.GetEnabled();
  };
  for (int id : {int(wxID_NEW), int(wxID_OPEN), XRCID("ID_OPEN_ALBUM"), XRCID("ID_OPEN_CAMERA_ALBUM"),
                 XRCID("ID_SAVE_CAMERA_IMAGES"), XRCID("ID_COMM_SETUP"), int(wxID_ABOUT), int(wxID_PRINT_SETUP),
                 int(wxID_EXIT), int(wxID_CONTEXT_HELP)})
    EXPECT_TRUE(enabled(id)) << "command " << id;
  for (int id : {XRCID("ID_PHOTO_PROPERTIES"), XRCID("ID_SAVE_FROM_ALBUM")})
    EXPECT_FALSE(enabled(id)) << "command " << id << " belongs to a window that is not there";

  // Help, F1 and Shift+F1 show the README (the source tree's, for a program of the build
  // tree) in one window, brought forward when asked again.
  auto readmeWindows = [] {
    std::vector<wxWindow*> found;
    for (wxWindow* window : wxTopLevelWindows)
      if (window->GetLabel() == "Tessaly Help" && !window->IsBeingDeleted()) found.push_back(window);
    return found;
  };
  for (int id : {int(wxID_HELP), int(wxID_CONTEXT_HELP)}) {
    wxCommandEvent command(wxEVT_MENU, id);
    frame->ProcessWindowEvent(command);
    EXPECT_EQ(readmeWindows().size(), 1u) << "command " << id;
  }
  EXPECT_TRUE(m_prompt.Texts().empty());
  wxString text;
  ASSERT_TRUE(ReadReadme(ReadmePath(), text));
  EXPECT_TRUE(text.StartsWith("# ")) << "the README itself";
  for (wxWindow* window : readmeWindows()) window->Destroy();
}

TEST_F(AppTest, NewMakesABlankPictureOnceStarted) {
  ASSERT_TRUE(Start());
  ConfirmNewSize confirm;
  wxCommandEvent command(wxEVT_MENU, wxID_NEW);
  App().MainFrame()->ProcessWindowEvent(command);
  auto docs = App().DocManager()->GetDocumentsVector();
  ASSERT_EQ(docs.size(), 1u);
  auto* doc = dynamic_cast<retouch::CRetouchDoc*>(docs[0]);
  ASSERT_NE(doc, nullptr);
  EXPECT_EQ(doc->GetOrigin(), retouch::CRetouchDoc::Origin::kBlank);
  EXPECT_EQ(confirm.shown, 1);
}

}  // namespace
}  // namespace tessaly::shell

namespace tessaly::shell {
namespace {

TEST_F(AppTest, PrintFlagPrintsEachFileAndEndsWithoutTheMainWindow) {
  std::string one = WritePicture("print1.bmp").string(), two = WritePicture("print2.bmp").string();
  // The pages go to a file instead of a printer, without the print dialog.
  const fs::path printed = m_folder / "printed.pdf";
  test::ScopedEnv target("TESSALY_PRINT_FILE", printed.string());
  ASSERT_TRUE(Start({"-p", one, two}));
  EXPECT_FALSE(App().MainFrame() != nullptr && App().MainFrame()->IsShown());
  EXPECT_EQ(App().LogoWindow(), nullptr);
  EXPECT_TRUE(m_prompt.Texts().empty());
  EXPECT_TRUE(fs::exists(printed)) << "each file reaches the printing";
  EXPECT_TRUE(OpenPaths().empty()) << "printed documents close again";
}

TEST_F(AppTest, DdeFilesOpen) {
  std::string one = WritePicture("dde.bmp").string();
  ASSERT_TRUE(Start({"-dde", one}));
  EXPECT_EQ(OpenPaths(), std::vector<std::string>{one});
}

}  // namespace
}  // namespace tessaly::shell

namespace tessaly::shell {
namespace {

// Files another start of the program handed over open (or print) as the command line's
// do, but the program stays and its window comes to the front.
TEST_F(AppTest, HandedOverFilesAreCarriedOutAndTheProgramStays) {
  ASSERT_TRUE(Start());
  const fs::path one = WritePicture("one.bmp"), two = WritePicture("two.bmp");
  const fs::path gif = m_folder / "x.gif";
  std::ofstream(gif) << "GIF89a";
  const fs::path printed = m_folder / "handed.pdf";
  test::ScopedEnv target("TESSALY_PRINT_FILE", printed.string());
  App().TakeHandedOver({{{InstanceCommand::kOpen, one.string()},
                         {InstanceCommand::kOpen, m_folder.Path().string()},
                         {InstanceCommand::kOpen, gif.string()},
                         {InstanceCommand::kPrint, two.string()}}});
  EXPECT_TRUE(OpenPaths().empty()) << "taken now, carried out once the main loop is free";
  ASSERT_TRUE(test::PumpUntil([&] { return fs::exists(printed) && !m_prompt.Texts().empty(); }, 20000));
  test::Pump(100);
  EXPECT_EQ(OpenPaths(), (std::vector<std::string>{one.string(), m_folder.Path().string()}));
  EXPECT_EQ(m_prompt.Texts(), (std::vector<std::string>{std::string(MessageText(kMsgNotValidFileType))}));
  EXPECT_EQ(AlbumPatterns(), (std::vector<std::string>{"*.*"}));
  ASSERT_NE(App().MainFrame(), nullptr) << "printing for another start does not end the program";
  EXPECT_TRUE(App().MainFrame()->IsShown());

  App().TakeHandedOver({});
  test::Pump(100);
  EXPECT_EQ(OpenPaths().size(), 2u) << "no files: only to the front";
  EXPECT_TRUE(App().MainFrame()->IsShown());
}

// The whole way: a later start in another thread, the server's thread, the main thread.
TEST_F(AppTest, ALaterStartsFilesOpenInTheRunningProgram) {
  ASSERT_TRUE(Start());
  fs::create_directory(m_folder / "run");
  fs::permissions(m_folder / "run", fs::perms::owner_all);
  InstanceEnvironment environment;
  environment.runtimeDir = (m_folder / "run").string();
  environment.displayKey = "x11-test";
  environment.uid = ::getuid();
  StartDecision served = DecideStart(CAppCommandLineInfo::Parse({}), environment, m_folder.Path());
  ASSERT_EQ(served.outcome, StartOutcome::kServe);
  App().ServeLaterStarts(served.server.get());

  const std::string shiftJis = "\x8e\xca\x90\x5e.bmp";
  WritePicture("one.bmp");
  WritePicture(shiftJis);
  auto later = std::async(std::launch::async, [&] {
    return DecideStart(CAppCommandLineInfo::Parse({"one.bmp", shiftJis}), environment, m_folder.Path()).outcome;
  });
  ASSERT_TRUE(test::PumpUntil(
      [&] { return later.wait_for(std::chrono::seconds(0)) == std::future_status::ready && OpenPaths().size() == 2; },
      30000));
  EXPECT_EQ(later.get(), StartOutcome::kHandedOver);
  std::vector<fs::path> opened;
  for (wxDocument* doc : App().DocManager()->GetDocumentsVector()) opened.push_back(ui::WxToPath(doc->GetFilename()));
  EXPECT_EQ(opened, (std::vector<fs::path>{m_folder / "one.bmp", m_folder / shiftJis})) << "names stay bytes";
  EXPECT_TRUE(m_prompt.Texts().empty()) << testing::PrintToString(m_prompt.Texts());
  served.server.reset();
}

}  // namespace
}  // namespace tessaly::shell

namespace tessaly::shell {
namespace {

// A logout's SIGTERM ends the program as Exit does, without a question: the changed
// picture is kept as a copy beside nothing of the user's, the main window writes its
// place, and the next start offers the copy back with the same pixels.
TEST_F(AppTest, SigtermKeepsTheChangedPictureAndTheNextStartOffersIt) {
  test::ScopedEnv state("XDG_STATE_HOME", (m_folder / "state").string());
  const fs::path file = WritePicture("changed.bmp", 9, 5);
  Bytes before;
  ASSERT_FALSE(ReadWholeFile(file, before));
  ASSERT_TRUE(Start({file.string()}));
  InstallEndSignals();
  auto* doc = dynamic_cast<retouch::CRetouchDoc*>(App().DocManager()->GetDocumentsVector().at(0));
  ASSERT_NE(doc, nullptr);
  doc->AdjustBrightness(30);
  ASSERT_TRUE(doc->IsModified());
  const Picture changed = doc->GetPicture();
  ASSERT_FALSE(test::SamePicture(changed, Picture::Make(9, 5, 24, 0x40)));

  ASSERT_EQ(::raise(SIGTERM), 0);
  ASSERT_TRUE(test::PumpUntil([&] { return App().MainFrame() == nullptr; }, 10000));
  EXPECT_TRUE(m_prompt.Texts().empty()) << "nothing asked: " << testing::PrintToString(m_prompt.Texts());
  Bytes after;
  ASSERT_FALSE(ReadWholeFile(file, after));
  EXPECT_EQ(after, before) << "the user's file is not written";
  IniFile settings;
  ASSERT_TRUE(settings.Load(m_folder / "Tessaly.ini"));
  EXPECT_TRUE(settings.Get("Last Window", "Width").has_value()) << "the main window wrote its place";
  ASSERT_EQ(ListRecoveryCopies(RecoveryFolder()).size(), 1u);

  std::vector<std::string> offered;
  SetRecoveryAnswerForTests([&](const std::vector<RecoveryCopy>& copies) {
    for (const RecoveryCopy& copy : copies) offered.push_back(copy.originalPath);
    return true;
  });
  ASSERT_TRUE(Start());
  OfferRecoveredPictures();
  SetRecoveryAnswerForTests(nullptr);
  EXPECT_EQ(offered, std::vector<std::string>{file.string()});
  ASSERT_EQ(OpenPaths(), std::vector<std::string>{file.string()});
  auto* back = dynamic_cast<retouch::CRetouchDoc*>(App().DocManager()->GetDocumentsVector().at(0));
  EXPECT_TRUE(test::SamePicture(back->GetPicture(), changed));
  EXPECT_TRUE(back->IsModified()) << "still to be saved";
  EXPECT_TRUE(ListRecoveryCopies(RecoveryFolder()).empty()) << "taken back";
}

TEST_F(AppTest, DiscardedRecoveryCopiesAreGoneAndNothingOpens) {
  test::ScopedEnv state("XDG_STATE_HOME", (m_folder / "state").string());
  ASSERT_FALSE(WriteRecoveryCopy(RecoveryFolder(), Picture::Make(4, 4, 24, 9), "", "Untitled"));
  SetRecoveryAnswerForTests([](const std::vector<RecoveryCopy>&) { return false; });
  ASSERT_TRUE(Start());
  OfferRecoveredPictures();
  SetRecoveryAnswerForTests(nullptr);
  EXPECT_TRUE(OpenPaths().empty());
  EXPECT_TRUE(ListRecoveryCopies(RecoveryFolder()).empty());
}

}  // namespace
}  // namespace tessaly::shell
