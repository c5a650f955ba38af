#include "shell/app.h"

#include <wx/cmndata.h>
#include <wx/filename.h>
#include <wx/printdlg.h>
#include <wx/xrc/xmlres.h>

#include <iostream>

#include "base/file_io.h"
#include "base/ini_file.h"
#include "base/prompt.h"
#include "formats/picture_file.h"
#include "retouch_window/retouch_embedding.h"
#include "retouch_window/retouch_template.h"
#include "shell/app_settings.h"
#include "shell/comm_setup_dialog.h"
#include "shell/doc_manager.h"
#include "shell/launch_feedback.h"
#include "shell/logo_window.h"
#include "shell/main_frame.h"
#include "shell/resources.h"
#include "shell/session_end.h"
#include "shell/single_instance.h"
#include "shell/translations.h"
#include "ui/app_state.h"
#include "ui/file_dialog_rules.h"
#include "ui/file_dialogs.h"
#include "ui/printing.h"
#include "ui/wx_path.h"
#include "ui/wx_prompt.h"
#include "windows/album_window.h"
#include "windows/camera_window.h"
#include "workflows/connection.h"

namespace tessaly::shell {

CCameraApp* TheApp() { return dynamic_cast<CCameraApp*>(wxApp::GetInstance()); }

namespace {

// What a later start says before it starts on its own, in the user's language.
void ReportInstanceNotices() {
  for (const InstanceNoticeItem& item : TakeInstanceNotices()) {
    wxString text;
    switch (item.notice) {
      case InstanceNotice::kNotAnswering:
        text = _("The running Tessaly does not answer; this one starts on its own.");
        break;
      case InstanceNotice::kOtherVersion:
        text = _("Another version of Tessaly is running; this one starts on its own.");
        break;
      case InstanceNotice::kFolderNotPrivate:
        text = wxString::Format(
            _("The folder %s is not private to this user; Tessaly starts without looking for a running one."),
            ui::PathToWx(item.folder));
        break;
    }
    std::cerr << "tessaly: " << text.utf8_string() << '\n';
  }
}

void TellOpened(wxDocManager* manager) {
  if (manager == nullptr) return;
  std::vector<std::string> opened;
  for (wxDocument* doc : manager->GetDocumentsVector()) opened.push_back(ui::WxToPath(doc->GetFilename()).native());
  TellOpenedDocuments(opened);
}

// The application as the windows see it.
class Services : public ui::AppServices {
 public:
  explicit Services(CCameraApp& app) : m_app(app) {}
  wxMDIParentFrame* MainWindow() const override { return CMainFrame::Get(); }
  wxDocument* OpenPicture(ui::HandedPicture picture) override { return m_app.OpenPicture(std::move(picture)); }
  wxDocument* FindOpenDocument(const wxString& path) const override {
    CDocManager* manager = m_app.DocManager();
    return manager != nullptr ? manager->FindOpenDocument(path) : nullptr;
  }
  wxPrintData& PrintData() override { return m_app.PrintData(); }

 private:
  CCameraApp& m_app;
};

}  // namespace

CCameraApp::CCameraApp() : m_services(std::make_unique<Services>(*this)) {
  LinkInit();
  ui::InstallAppServices(m_services.get());
}

CCameraApp::~CCameraApp() {
  if (ui::InstalledAppServices() == m_services.get()) ui::InstallAppServices(nullptr);
  delete m_printData;
}

bool CCameraApp::OnInit() {
  SetAppName("Tessaly");
  SetAppDisplayName("Tessaly");
  std::vector<std::string> args;
  if (const std::vector<std::string>* raw = ProgramArguments())
    args = *raw;
  else
    for (int i = 1; i < argc; ++i) args.push_back(argv[i].utf8_string());
  CAppCommandLineInfo info = CAppCommandLineInfo::Parse(args);
  if (!info.error.empty()) {
    std::cerr << "tessaly: " << info.error << '\n';
    return false;
  }
  InstallTranslations(info.language);
  ReportInstanceNotices();
  InitResources();
  SetPrompt(std::make_unique<ui::WxPrompt>());
  if (!InitInstance(info)) return false;
  ServeLaterStarts(TheInstanceServer());
  InstallEndSignals();
  CallAfter([] { OfferRecoveredPictures(); });
  return true;
}

int CCameraApp::OnExit() {
  if (InstanceServer* server = TheInstanceServer()) server->SetHandler(nullptr);
  CloseEverything();
  return wxApp::OnExit();
}

bool CCameraApp::InitInstance(const CAppCommandLineInfo& info) {
  if (m_docManager != nullptr) CloseEverything();
  ui::AppState& state = ui::TheAppState();
  state.starting = true;

  m_docManager = new CDocManager;
  m_docManager->LoadRecentFiles();

  ApplyStartupPortAndSpeed(state);
  IniFile ini;
  ini.Load(SettingsFilePath());
  ReadStartupSettings(ini, state);

  m_retouchTemplate = retouch::CreateRetouchTemplate(m_docManager);
  m_docManager->SetRetouchTemplate(m_retouchTemplate);

  m_frame = new CMainFrame(m_docManager);
  m_frame->Bind(wxEVT_DESTROY, [this](wxWindowDestroyEvent& event) {
    if (event.GetEventObject() == m_frame) {
      m_frame = nullptr;
      // The program is ending: a later start must not hand its files to it, but wait
      // for its socket to go and start on its own.
      if (InstanceServer* server = TheInstanceServer()) server->SetHandler(nullptr);
    }
    event.Skip();
  });
  SetTopWindow(m_frame);
  BindCommands();

  if (info.runEmbedded || info.runAutomated) {
    // Started for another program: no main window and no logo.
    // Automation has no client on this system: such a start has nothing to serve and
    // ends at once, as an embedded start without a file does.
    retouch::ServeEmbedded(m_retouchTemplate,
                           info.runEmbedded && !info.entries.empty() ? info.entries.front().fileName : std::string());
    return true;
  }
  if (RunCommandLine(info) == AfterCommandLine::kEnd) {
    // Started only to print: the program ends without showing its window.
    state.starting = false;
    CallAfter([this] {
      if (m_frame != nullptr) m_frame->Close(true);
    });
    return true;
  }

  m_frame->ShowAtLastPlace();
  m_frame->Update();
  if (info.showLogo) ShowLogo();
  state.starting = false;
  return true;
}

void CCameraApp::ShowLogo() { m_logo = new CLogoWindow(m_frame); }

CLogoWindow* CCameraApp::LogoWindow() const { return dynamic_cast<CLogoWindow*>(m_logo.get()); }

CCameraApp::AfterCommandLine CCameraApp::RunCommandLine(const CAppCommandLineInfo& info) {
  using Command = CAppCommandLineInfo::ShellCommand;
  bool onlyPrinting = !info.entries.empty();
  for (const CAppCommandLineInfo::Entry& entry : info.entries) {
    const wxString path = ui::PathToWx(entry.fileName);
    switch (entry.command) {
      case Command::kNew:
      case Command::kOpen:
      case Command::kDde:  // no other program talks to this one: the file simply opens
        onlyPrinting = false;
        // A file that does not open has said so; the others still open.
        OpenDocumentFile(path);
        break;
      case Command::kPrint:
      case Command::kPrintTo: PrintDocumentFile(path); break;
    }
  }
  return onlyPrinting ? AfterCommandLine::kEnd : AfterCommandLine::kShowMainWindow;
}

void CCameraApp::PrintDocumentFile(const wxString& path) {
  wxDocument* doc = OpenDocumentFile(path);
  if (doc == nullptr) return;
  // The window of the document prints it; until one can, the user is told.
  wxCommandEvent print(wxEVT_MENU, wxID_PRINT);
  wxView* view = doc->GetFirstView();
  if (view == nullptr || !view->ProcessEventLocally(print)) Prompt().Show(kMsgCannotPrint);
  // Printed from the command line, the document closes again.
  if (!doc->IsModified()) doc->DeleteAllViews();
}

void CCameraApp::CloseEverything() {
  if (m_docManager != nullptr) {
    for (wxDocument* doc : m_docManager->GetDocumentsVector()) {
      doc->Modify(false);
      doc->DeleteAllViews();
    }
  }
  if (CLogoWindow* logo = LogoWindow()) logo->Destroy();
  if (m_frame != nullptr) {
    m_frame->Destroy();
    m_frame = nullptr;
  }
  DeletePendingObjects();  // the frames go before the document manager
  delete m_docManager;
  m_docManager = nullptr;
  m_retouchTemplate = m_cameraTemplate = m_albumTemplate = nullptr;
}

wxDocument* CCameraApp::OpenDocumentFile(const wxString& path) {
  if (m_docManager == nullptr) return nullptr;
  // File names are the file system's bytes, whatever their encoding.
  OpenDecision decision = DecideOpen(ui::WxToPath(path));
  if (m_frame != nullptr && m_frame->IsShown()) m_frame->RaiseWithDialogs();
  const wxString target = ui::PathToWx(decision.path);
  switch (decision.target) {
    case OpenTarget::kAlbum: return OpenAlbumWindow(target, "*.*");
    case OpenTarget::kPicture: return m_docManager->CreateDocument(target, wxDOC_SILENT);
    case OpenTarget::kInvalid: break;
  }
  PromptSubject subject(decision.path.native());
  Prompt().Show(kMsgNotValidFileType);
  return nullptr;
}

void CCameraApp::ServeLaterStarts(InstanceServer* server) {
  if (server != nullptr) {
    // Called on the server's thread: the request only crosses to the main thread, where
    // queueing it is what "taken" tells the later start.
    server->SetHandler([this](InstanceRequest request, std::function<void()> taken) {
      CallAfter([this, request, taken] {
        // Arrived while the main window goes: left untaken, so the later start opens
        // the files itself once this program has ended.
        if (m_frame == nullptr || m_frame->IsBeingDeleted()) return;
        TakeHandedOver(request);
        taken();
      });
    });
  }
  TellOpened(m_docManager);
}

void CCameraApp::TakeHandedOver(InstanceRequest request) {
  m_handedOver.push_back(std::move(request));
  CallAfter([this] { RunHandedOver(); });
}

void CCameraApp::RunHandedOver() {
  // An open that shows a message runs the event loop again, and with it this; the
  // outer run carries out what arrives meanwhile, in order.
  if (m_runningHandedOver) return;
  m_runningHandedOver = true;
  while (!m_handedOver.empty() && m_frame != nullptr && m_docManager != nullptr) {
    InstanceRequest request = std::move(m_handedOver.front());
    m_handedOver.pop_front();
    // The launcher's feedback ends before the files open (one may show a message).
    const std::string launchId = LaunchIdToUse(request, ToolkitOnWayland());
    if (!launchId.empty()) BringToFront(launchId);
    // A file printed for a later start leaves this program running, unlike printing
    // from its own command line.
    RunCommandLine(CommandLineOfRequest(request));
    BringToFront();
  }
  m_runningHandedOver = false;
  TellOpened(m_docManager);
}

void CCameraApp::BringToFront(const std::string& launchId) {
  if (m_frame == nullptr) return;
  TakeLaunchId(m_frame, launchId);
  if (m_frame->IsIconized()) m_frame->Iconize(false);
  if (!m_frame->IsShown()) m_frame->Show(true);
  m_frame->RaiseWithDialogs();
}

wxDocument* CCameraApp::OpenPicture(ui::HandedPicture picture) {
  if (m_docManager == nullptr) return nullptr;
  return retouch::OpenHandedPicture(m_retouchTemplate, std::move(picture));
}

wxDocument* CCameraApp::OpenAlbumWindow(const wxString& folder, const wxString& pattern) {
  return windows::OpenAlbumWindow(m_docManager, ui::WxToPath(folder), pattern.utf8_string());
}

wxDocument* CCameraApp::OpenCameraWindow() {
  if (m_docManager == nullptr || IsCameraWindowOpen()) return nullptr;
  if (m_cameraTemplate == nullptr) m_cameraTemplate = windows::CreateCameraTemplate(m_docManager);
  return m_docManager->NewDocument(m_cameraTemplate);
}

bool CCameraApp::IsCameraWindowOpen() const {
  if (m_docManager == nullptr || m_cameraTemplate == nullptr) return false;
  for (wxDocument* doc : m_docManager->GetDocumentsVector())
    if (doc->GetDocumentTemplate() == m_cameraTemplate) return true;
  return false;
}

void CCameraApp::OpenAlbum() {
  windows::RunOpenAlbum(m_frame, [this](const std::filesystem::path& folder, const std::string& pattern) {
    OpenAlbumWindow(ui::PathToWx(folder), wxString::FromUTF8(pattern));
  });
}

void CCameraApp::SaveCameraImagesToDisk() {
  if (m_cameraTemplate == nullptr && m_docManager) m_cameraTemplate = windows::CreateCameraTemplate(m_docManager);
  windows::SaveAllCameraImages(m_frame);
}

void CCameraApp::FileOpen() {
  ui::AppState& state = ui::TheAppState();
  ui::CPreviewFileDialog dialog(m_frame, _("Open"), MessageText(kMsgOpenFilter), wxString::FromUTF8(state.retouchDir),
                                ui::ToolkitFilterIndex(state.retouchFilterIndex));
  if (dialog.ShowModal() != wxID_OK) return;
  const wxString path = dialog.GetPath();
  std::error_code error;
  const std::filesystem::path target = FollowShortcut(path.utf8_string(), error).value_or(path.utf8_string());
  if (!CanOpenPicture(target)) {
    PromptSubject subject(target.native());
    Prompt().Show(kMsgNotValidFileType);
    return;
  }
  state.readOnlyChosen = dialog.ReadOnlyChosen();
  ui::RememberChoice(ui::DialogChoice::kRetouchOpen, wxFileName(path).GetPath().utf8_string(),
                     ui::StoredFilterIndex(dialog.GetFilterIndex()));
  OpenDocumentFile(wxString::FromUTF8(target.string()));
}

void CCameraApp::CommSetup() {
  ui::AppState& state = ui::TheAppState();
  CCommSetupDialog dialog(m_frame, state);
  if (dialog.ShowModal() != wxID_OK) return;
  state.lastPort = dialog.Result().port;
  state.lastBps = dialog.Result().speed;
  state.savePrefix = dialog.Result().prefix;
}

wxPrintData& CCameraApp::PrintData() {
  if (m_printData == nullptr) m_printData = new wxPrintData;
  return *m_printData;
}

void CCameraApp::BindCommands() {
  if (m_commandsBound) return;
  m_commandsBound = true;
  Bind(
      wxEVT_MENU, [this](wxCommandEvent&) { OpenAlbum(); }, XRCID("ID_OPEN_ALBUM"));
  Bind(
      wxEVT_MENU, [this](wxCommandEvent&) { OpenCameraWindow(); }, XRCID("ID_OPEN_CAMERA_ALBUM"));
  Bind(
      wxEVT_UPDATE_UI, [this](wxUpdateUIEvent& event) { event.Enable(!IsCameraWindowOpen()); },
      XRCID("ID_OPEN_CAMERA_ALBUM"));
  Bind(
      wxEVT_MENU, [this](wxCommandEvent&) { SaveCameraImagesToDisk(); }, XRCID("ID_SAVE_CAMERA_IMAGES"));
  Bind(
      wxEVT_MENU, [this](wxCommandEvent&) { CommSetup(); }, XRCID("ID_COMM_SETUP"));
  Bind(
      wxEVT_MENU,
      [this](wxCommandEvent&) {
        wxPageSetupDialogData data(PrintData());
        ui::PageMargins& margins = ui::ThePageMargins();
        data.SetMarginTopLeft(wxPoint(margins.left, margins.top));
        data.SetMarginBottomRight(wxPoint(margins.right, margins.bottom));
        wxPageSetupDialog dialog(m_frame, &data);
        if (dialog.ShowModal() == wxID_OK) {
          const wxPageSetupDialogData& chosen = dialog.GetPageSetupDialogData();
          PrintData() = chosen.GetPrintData();
          margins = {chosen.GetMarginTopLeft().x, chosen.GetMarginTopLeft().y, chosen.GetMarginBottomRight().x,
                     chosen.GetMarginBottomRight().y};
        }
      },
      wxID_PRINT_SETUP);
  // Commands of windows that handle them themselves while they are active.
  auto disable = [](wxUpdateUIEvent& event) { event.Enable(false); };
  Bind(wxEVT_UPDATE_UI, disable, XRCID("ID_PHOTO_PROPERTIES"));
  Bind(wxEVT_UPDATE_UI, disable, XRCID("ID_SAVE_FROM_ALBUM"));
}

}  // namespace tessaly::shell
