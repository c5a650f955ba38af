// The retouch window tests' fixture: a main window with the retouch template, pictures
// opened as the camera window hands them over, dialogs answered by script, commands sent
// as the menus send them, and the window's pixels read back from the X server.
#pragma once

#include <gtest/gtest.h>
#include <wx/clipbrd.h>
#include <wx/dialog.h>
#include <wx/modalhook.h>
#include <wx/process.h>
#include <wx/textctrl.h>
#include <wx/utils.h>
#include <wx/xrc/xmlres.h>

#include <deque>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "formats/picture_file.h"
#include "retouch_window/retouch_clipboard.h"
#include "retouch_window/retouch_doc.h"
#include "retouch_window/retouch_template.h"
#include "retouch_window/retouch_view.h"
#include "shell/doc_manager.h"
#include "shell/main_frame.h"
#include "shell_test_support.h"
#include "test_support/pictures.h"
#include "test_support/recorded_prompt.h"
#include "ui/app_state.h"
#include "ui/dc_render_device.h"
#include "x_screen.h"

namespace tessaly::test {

// Answers the modal dialogs that open, one scripted action each; a dialog without an
// action is cancelled.
class DialogScript : public wxModalDialogHook {
 public:
  using Action = std::function<void(wxDialog&)>;
  DialogScript() { Register(); }
  ~DialogScript() override { Unregister(); }
  DialogScript& Then(Action action) {
    m_actions.push_back(std::move(action));
    return *this;
  }
  const std::vector<wxString>& Titles() const { return m_titles; }

  // Types into an edit field of the dialog.
  static void Type(wxDialog& dialog, const char* name, const wxString& text) {
    XRCCTRL(dialog, name, wxTextCtrl)->SetValue(text);
  }
  // Presses a button as the user does.
  static void Press(wxDialog& dialog, int id) {
    wxCommandEvent event(wxEVT_BUTTON, id);
    event.SetEventObject(dialog.FindWindow(id));
    dialog.ProcessWindowEvent(event);
  }
  static Action Ok() {
    return [](wxDialog& d) { Press(d, wxID_OK); };
  }

 protected:
  int Enter(wxDialog* dialog) override {
    m_titles.push_back(dialog->GetTitle());
    Action action = m_actions.empty() ? Action([](wxDialog& d) { d.EndModal(wxID_CANCEL); }) : m_actions.front();
    if (!m_actions.empty()) m_actions.pop_front();
    dialog->CallAfter([dialog, action] {
      action(*dialog);
      // A dialog the action left open (a refused value) is cancelled afterwards.
      if (dialog->IsModal())
        dialog->CallAfter([dialog] {
          if (dialog->IsModal()) dialog->EndModal(wxID_CANCEL);
        });
    });
    return wxID_NONE;
  }
  void Exit(wxDialog*) override {}

 private:
  std::deque<Action> m_actions;
  std::vector<wxString> m_titles;
};

// The other programs a test started to offer the clipboard. One left to end by itself
// would, as it ends, give up the clipboard that a later test's program holds by then:
// they are killed, which lets the clipboard be.
inline std::vector<long>& OfferingPrograms() {
  static std::vector<long> pids;
  return pids;
}
inline void EndOfferingPrograms() {
  for (long pid : OfferingPrograms()) wxKill(pid, wxSIGKILL);
  OfferingPrograms().clear();
}

// What the retouch window asks of the application, answered by the fixture's main window
// and document manager; the printer settings stay the application's.
class FixtureServices : public ui::AppServices {
 public:
  FixtureServices(wxMDIParentFrame* frame, shell::CDocManager* manager, ui::AppServices& application)
      : m_frame(frame), m_manager(manager), m_application(application) {}
  wxMDIParentFrame* MainWindow() const override { return m_frame; }
  wxDocument* OpenPicture(ui::HandedPicture picture) override {
    return retouch::OpenHandedPicture(m_manager->RetouchTemplate(), std::move(picture));
  }
  wxDocument* FindOpenDocument(const wxString& path) const override { return m_manager->FindOpenDocument(path); }
  wxPrintData& PrintData() override { return m_application.PrintData(); }

 private:
  wxMDIParentFrame* m_frame;
  shell::CDocManager* m_manager;
  ui::AppServices& m_application;
};

class RetouchWindowTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    if (s_manager) return;
    s_manager = new shell::CDocManager;
    s_manager->SetRetouchTemplate(retouch::CreateRetouchTemplate(s_manager));
    s_frame = new shell::CMainFrame(s_manager);
    s_frame->SetSize(0, 0, 1100, 900);
    s_frame->Show();
    wxTheApp->SetTopWindow(s_frame);
    Pump(200);
  }

  void SetUp() override {
    ui::TheAppState().starting = false;
    ui::ForcedDisplayDepth() = 0;
    m_application = ui::InstalledAppServices();
    ASSERT_NE(m_application, nullptr);
    m_services = std::make_unique<FixtureServices>(s_frame, s_manager, *m_application);
    ui::InstallAppServices(m_services.get());
  }
  void TearDown() override {
    EndOfferingPrograms();
    for (wxDocument* doc : s_manager->GetDocumentsVector()) {
      doc->Modify(false);
      doc->DeleteAllViews();
    }
    Forget();
    if (m_application != nullptr) ui::InstallAppServices(m_application);
  }
  // Lets the closed windows go, as the idle time after a close does.
  static void Forget() {
    Pump(20);
    wxTheApp->ProcessIdle();
    Pump(20);
  }

  // A picture as the camera window hands it to a new document.
  retouch::CRetouchDoc* Open(Picture picture, const std::string& name = "picture.bmp") {
    wxDocument* doc = ui::InstalledAppServices()->OpenPicture({std::move(picture), {}, name});
    Settle();
    return dynamic_cast<retouch::CRetouchDoc*>(doc);
  }
  static retouch::CRetouchView* View(retouch::CRetouchDoc* doc) {
    return dynamic_cast<retouch::CRetouchView*>(doc->GetFirstView());
  }
  // The scroll area: the picture's size at the current zoom.
  static wxSize ScrollArea(retouch::CRetouchDoc* doc) {
    const auto& g = View(doc)->Geometry();
    return {g.DisplayedWidth(), g.DisplayedHeight()};
  }
  // A menu command as the menu bar sends it.
  static void Command(retouch::CRetouchDoc* doc, const char* name) { Command(doc, XRCID(name)); }
  static void Command(retouch::CRetouchDoc* doc, int id) {
    wxCommandEvent event(wxEVT_MENU, id);
    View(doc)->GetFrame()->ProcessWindowEvent(event);
    Settle();
  }
  // Whether a command is enabled (and checked) as the menu would show it.
  static std::pair<bool, bool> UiState(retouch::CRetouchDoc* doc, const char* name) {
    wxUpdateUIEvent event(XRCID(name));
    View(doc)->GetFrame()->ProcessWindowEvent(event);
    return {event.GetEnabled(), event.GetChecked()};
  }
  // Lets the window paint.
  static void Settle() {
    Pump(30);
    for (wxDocument* doc : s_manager->GetDocumentsVector())
      if (auto* view = dynamic_cast<retouch::CRetouchView*>(doc->GetFirstView())) view->Canvas()->Update();
    Pump(30);
  }
  static wxImage Shown(retouch::CRetouchDoc* doc) {
    Settle();
    return GrabWindow(View(doc)->Canvas());
  }

  static shell::CDocManager* s_manager;
  static inline shell::CMainFrame* s_frame = nullptr;
  ui::AppServices* m_application = nullptr;
  std::unique_ptr<FixtureServices> m_services;
  RecordedPrompt m_prompt;
};

inline Bgr Pixel(const wxImage& image, int x, int y) {
  return {image.GetBlue(x, y), image.GetGreen(x, y), image.GetRed(x, y)};
}

// Another program takes the clipboard and offers file's bytes as type for 6 seconds.
// What this program put there earlier goes first, so that the wait sees the other
// program's offer rather than a leftover of an earlier Copy.
inline bool OfferFromAnotherProgram(const char* type, const std::filesystem::path& file) {
  {
    wxClipboardLocker lock;
    if (!lock) return false;
    wxTheClipboard->Clear();
  }
  // The window hears of a clipboard's contents after they change: what it heard of the
  // last owner goes first, so that the offer heard below is the other program's.
  if (!PumpUntil([] { return !retouch::ClipboardOffersPicture(); }, 8000)) return false;
  auto* process = new wxProcess;
  process->Redirect();
  const long pid =
      wxExecute(wxString::Format("%s put %s %s 6", TESSALY_CLIPBOARD_PEER, type, file.string()), wxEXEC_ASYNC, process);
  if (pid <= 0) return false;
  OfferingPrograms().push_back(pid);
  return PumpUntil([] { return retouch::ClipboardOffersPicture(); }, 8000);
}

}  // namespace tessaly::test
