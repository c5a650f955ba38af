#include "shell/session_end.h"

#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <wx/evtloop.h>
#include <wx/evtloopsrc.h>
#include <wx/msgdlg.h>
#include <wx/stopwatch.h>
#include <wx/timer.h>

#include <cerrno>
#include <cstdlib>
#include <memory>

#include "formats/picture_file.h"
#include "retouch_window/retouch_doc.h"
#include "shell/app.h"
#include "shell/doc_manager.h"
#include "shell/main_frame.h"
#include "shell/window_placement.h"
#include "ui/message_box.h"
#include "ui/processing_dlg.h"
#include "ui/wx_path.h"
#include "windows/album_window.h"

namespace tessaly::shell {
namespace {

// The signal handler only writes the signal's number into this pipe; the main loop
// watches its other end, so that the work is done on the main thread, between events.
int g_signalPipe[2] = {-1, -1};
bool g_ending = false;
std::function<bool(const std::vector<RecoveryCopy>&)> g_answerForTests;

extern "C" void OnEndSignal(int signal) {
  const int saved = errno;
  const char number = static_cast<char>(signal);
  [[maybe_unused]] ssize_t written = ::write(g_signalPipe[1], &number, 1);
  errno = saved;
}

class EndSignalReader : public wxEventLoopSourceHandler {
 public:
  void OnReadWaiting() override {
    char buffer[16];
    while (::read(g_signalPipe[0], buffer, sizeof buffer) > 0) {
    }
    EndWithoutQuestions();
  }
  void OnWriteWaiting() override {}
  void OnExceptionWaiting() override {}
};

bool AskToOpen(const std::vector<RecoveryCopy>& copies) {
  if (g_answerForTests) return g_answerForTests(copies);
  wxString names;
  const char* home = std::getenv("HOME");
  for (const RecoveryCopy& copy : copies)
    names += "  " + wxString::FromUTF8(DescribeRecoveryCopy(copy, home != nullptr ? home : "")) + "\n";
  CCameraApp* app = TheApp();
  wxMessageDialog dialog(app ? app->MainFrame() : nullptr,
                         wxString::Format(_("Tessaly was ended before these pictures were saved:\n\n%s\n"
                                            "Copies of them were kept. Open them again?"),
                                          names),
                         wxTheApp->GetAppDisplayName(), wxYES_NO | wxYES_DEFAULT | wxICON_QUESTION | wxCENTRE);
  dialog.SetYesNoLabels(_("&Open"), _("&Discard"));
  return ui::ShowMessageBox(dialog, ui::MessageIcon::kQuestion) == wxID_YES;
}

}  // namespace

void InstallEndSignals() {
  if (g_signalPipe[0] >= 0 || wxTheApp == nullptr) return;
  if (::pipe2(g_signalPipe, O_CLOEXEC | O_NONBLOCK) != 0) return;
  // Watched in every event loop, a modal dialog's too.
  if (!wxEventLoopBase::AddSourceForFD(g_signalPipe[0], new EndSignalReader, wxEVENT_SOURCE_INPUT)) {
    ::close(g_signalPipe[0]);
    ::close(g_signalPipe[1]);
    g_signalPipe[0] = g_signalPipe[1] = -1;
    return;
  }
  struct sigaction action = {};
  action.sa_handler = OnEndSignal;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESTART;
  for (int signal : {SIGTERM, SIGHUP, SIGINT}) ::sigaction(signal, &action, nullptr);
  wxTheApp->Bind(wxEVT_QUERY_END_SESSION, [](wxCloseEvent&) { EndWithoutQuestions(); });
  wxTheApp->Bind(wxEVT_END_SESSION, [](wxCloseEvent&) { EndWithoutQuestions(); });
}

int KeepChangedPictures(wxDocManager* manager) {
  if (manager == nullptr) return 0;
  int kept = 0;
  const std::filesystem::path folder = RecoveryFolder();
  for (wxDocument* doc : manager->GetDocumentsVector()) {
    auto* retouch = dynamic_cast<retouch::CRetouchDoc*>(doc);
    if (retouch == nullptr || !retouch->IsModified()) continue;
    // What the window shows: a pasted picture still floating is part of it.
    retouch->MakeSavable();
    const std::string path = ui::WxToPath(retouch->GetFilename()).native();
    if (!WriteRecoveryCopy(folder, retouch->GetPicture(), path, retouch->GetUserReadableName().utf8_string())) {
      ++kept;
      retouch->Modify(false);
    }
  }
  return kept;
}

namespace {

// How often the end looks whether the jobs and dialogs it stopped have gone, and how long
// it waits for them before the program ends regardless.
constexpr int kEndingTickMs = 20;
constexpr int kEndingAtMostMs = 1500;

// Stops what would keep the program from ending: the running jobs (as their Cancel
// does), the dialogs that wait for an answer and the message boxes. True when none is
// left, so that the windows may close: closing them under a job or a dialog would pull
// them out from under their callers.
bool StopJobsAndDialogs() {
  bool clear = true;
  for (wxWindow* window : wxTopLevelWindows) {
    if (auto* job = dynamic_cast<ui::CProcessingDlg*>(window); job && !window->IsBeingDeleted()) {
      job->Cancel();
      clear = false;
    }
    if (auto* dialog = dynamic_cast<wxDialog*>(window); dialog && dialog->IsModal()) {
      dialog->EndModal(wxID_CANCEL);
      clear = false;
    }
  }
  if (ui::MessageBoxOpen()) {
    ui::CloseMessageBoxes();
    clear = false;
  }
  return clear;
}

// True while the main loop is not the one handling events: a modal loop, or a wait that
// yields to events (the clipboard's, a progress display's). The code that waits returns
// into windows and documents, so they may not be closed under it.
bool InsideWait() {
  const wxEventLoopBase* active = wxEventLoopBase::GetActive();
  return active == nullptr || !active->IsMain() || active->IsYielding();
}

// Runs on the main thread until the jobs, dialogs and waits have gone, then closes the
// main window, which closes each document once and writes "Last Window".
class Ending : public wxTimer {
 public:
  void Notify() override {
    CCameraApp* app = TheApp();
    if (app == nullptr) return;
    CMainFrame* frame = app->MainFrame();
    if (frame == nullptr) {
      g_ending = false;
      app->ExitMainLoop();
      return;
    }
    const bool stopped = StopJobsAndDialogs();
    if ((!stopped || InsideWait()) && m_watch.Time() < kEndingAtMostMs) {
      StartOnce(kEndingTickMs);
      return;
    }
    if (m_watch.Time() >= kEndingAtMostMs) {
      // Something would not stop (a toolkit dialog out of reach): the copies are kept,
      // the settings are written, and the program ends without its windows.
      if (!frame->IsIconized())
        WriteLastWindow({frame->GetPosition().x, frame->GetPosition().y, frame->GetSize().x, frame->GetSize().y});
      std::_Exit(0);
    }
    g_ending = false;
    frame->Close(true);
  }

 private:
  wxStopWatch m_watch;
};

std::unique_ptr<Ending> g_endingTimer;

}  // namespace

void EndWithoutQuestions() {
  if (g_ending) return;
  CCameraApp* app = TheApp();
  if (app == nullptr) return;
  g_ending = true;
  KeepChangedPictures(app->DocManager());
  for (wxDocument* doc : app->DocManager() ? app->DocManager()->GetDocumentsVector() : wxDocVector{})
    doc->Modify(false);  // a picture that could not be kept is lost either way; nothing may ask
  StopJobsAndDialogs();
  // The rest waits for the loops of what was stopped to return.
  g_endingTimer = std::make_unique<Ending>();
  g_endingTimer->StartOnce(1);
}

void OfferRecoveredPictures() {
  CCameraApp* app = TheApp();
  if (app == nullptr || app->MainFrame() == nullptr || !app->MainFrame()->IsShown()) return;
  const std::vector<RecoveryCopy> copies = ListRecoveryCopies(RecoveryFolder());
  if (copies.empty()) return;
  if (!AskToOpen(copies)) {
    for (const RecoveryCopy& copy : copies) DiscardRecoveryCopy(copy);
    return;
  }
  for (const RecoveryCopy& copy : copies) {
    Picture picture;
    if (!LoadRecoveryPicture(copy, picture)) continue;  // kept for another try
    wxDocument* doc = app->OpenPicture({std::move(picture), {}, copy.title});
    if (doc == nullptr) continue;
    if (!copy.originalPath.empty()) doc->SetFilename(ui::PathToWx(copy.originalPath), true);
    if (!copy.title.empty()) doc->SetTitle(wxString::FromUTF8(copy.title));
    doc->Modify(true);
    DiscardRecoveryCopy(copy);
  }
}

void SetRecoveryAnswerForTests(std::function<bool(const std::vector<RecoveryCopy>&)> answer) {
  g_answerForTests = std::move(answer);
}

}  // namespace tessaly::shell
