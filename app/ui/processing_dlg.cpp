#include "ui/processing_dlg.h"

#include <wx/app.h>
#include <wx/button.h>
#include <wx/evtloop.h>
#include <wx/gauge.h>
#include <wx/stattext.h>
#include <wx/utils.h>
#include <wx/xrc/xmlres.h>

#include <algorithm>

#include "album/album_scan.h"

namespace tessaly::ui {

CProcessingDlg::CProcessingDlg(wxWindow* parent, int steps, const wxString& name) {
  wxXmlResource::Get()->LoadDialog(this, parent, "IDD_PROCESSING");
  m_name = XRCCTRL(*this, "ID_PROCESSING_NAME", wxStaticText);
  m_gauge = XRCCTRL(*this, "ID_PROCESSING_PROGRESS", wxGauge);
  m_detail = XRCCTRL(*this, "ID_PROCESSING_DETAIL", wxStaticText);
  Bind(wxEVT_BUTTON, &CProcessingDlg::OnCancel, this, wxID_CANCEL);
  Bind(wxEVT_CLOSE_WINDOW, &CProcessingDlg::OnClose, this);
  SetRange(steps);
  SetName(name);
  CentreOnParent();
  m_focusBefore = wxWindow::FindFocus();
  Show();
  // Everything but this dialog stays disabled while the job runs, so that the events
  // the job lets through cannot start a second job or close the window it works for.
  m_disabler = std::make_unique<wxWindowDisabler>(this);
  Update();
}

CProcessingDlg::~CProcessingDlg() {
  m_disabler.reset();
  // The keyboard goes back to the window the dialog stood over, and within it to where
  // it was. A window manager gives the window back by itself; without one nothing would.
  // While the user is in another program, the window stays where it is.
  wxWindow* top = GetParent() ? wxGetTopLevelParent(GetParent()) : nullptr;
  if (top && top->IsShown() && !top->IsBeingDeleted() && wxTheApp->IsActive()) top->Raise();
  // A window the job opened meanwhile keeps the focus it took.
  wxWindow* now = wxWindow::FindFocus();
  const bool unclaimed = now == nullptr || now == this || IsDescendant(now);
  if (unclaimed && m_focusBefore && !m_focusBefore->IsBeingDeleted() && m_focusBefore->IsShownOnScreen() &&
      wxGetTopLevelParent(m_focusBefore) == top)
    m_focusBefore->SetFocus();
}

void CProcessingDlg::SetName(const wxString& name) {
  if (m_name) m_name->SetLabel(name);
}

void CProcessingDlg::SetDetail(const wxString& text) {
  if (m_detail && m_detail->GetLabel() != text) m_detail->SetLabel(text);
}

void CProcessingDlg::SetRange(int steps) {
  if (!m_gauge) return;
  m_gauge->SetRange(std::max(steps, 1));
  m_gauge->SetValue(0);
}

void CProcessingDlg::SetPos(int position) {
  if (!m_gauge) return;
  m_gauge->SetValue(std::clamp(position, 0, m_gauge->GetRange()));
}

void CProcessingDlg::StepIt() { SetPos(Pos() + m_step); }

int CProcessingDlg::Pos() const { return m_gauge ? m_gauge->GetValue() : 0; }

int CProcessingDlg::Range() const { return m_gauge ? m_gauge->GetRange() : 0; }

wxString CProcessingDlg::Name() const { return m_name ? m_name->GetLabel() : wxString(); }

namespace {

// Serves events, then the application's pending ones. A job may run before the main loop
// has started (a command line, a test); it gets a loop of its own for that time.
template <typename Serve>
void WithEventLoop(Serve serve) {
  wxEventLoopBase* loop = wxEventLoopBase::GetActive();
  std::unique_ptr<wxGUIEventLoop> ownLoop;
  std::unique_ptr<wxEventLoopActivator> activator;
  if (!loop) {
    ownLoop = std::make_unique<wxGUIEventLoop>();
    activator = std::make_unique<wxEventLoopActivator>(ownLoop.get());
    loop = ownLoop.get();
  }
  serve(*loop);
  wxTheApp->ProcessPendingEvents();
}

}  // namespace

bool CProcessingDlg::Pump() {
  // Bounded like any other serving of events: a timer of 0 ms or a slow paint is always
  // due again, so "until none is waiting" might never end.
  return ServeReadyEvents(std::chrono::milliseconds(100));
}

bool CProcessingDlg::ServeReadyEvents(std::chrono::milliseconds atMost) {
  if (m_cancelled || !wxTheApp) return !m_cancelled;
  const auto until = std::chrono::steady_clock::now() + atMost;
  WithEventLoop([&](wxEventLoopBase& loop) {
    while (!m_cancelled && loop.Pending() && std::chrono::steady_clock::now() < until)
      if (loop.DispatchTimeout(0) != 1) break;
  });
  return !m_cancelled;
}

void CProcessingDlg::OnCancel(wxCommandEvent&) { Cancel(); }

void CProcessingDlg::OnClose(wxCloseEvent& event) {
  // The window's close box means Cancel; the owner of the job destroys the dialog.
  m_cancelled = true;
  if (event.CanVeto()) event.Veto();
}

// ---------------------------------------------------------------- ProcessingObserver

ProcessingObserver::~ProcessingObserver() { End(); }

void ProcessingObserver::Begin(std::string_view name, std::uint64_t total) {
  if (!name.empty()) m_name = DisplayName(name);
  int steps = static_cast<int>(std::min<std::uint64_t>(total / CProcessingDlg::kByteUnit, INT32_MAX));
  if (!m_dialog) {
    m_dialog = new CProcessingDlg(m_parent, steps, m_name);
  } else {
    m_dialog->SetRange(steps);
    m_dialog->SetName(m_name);
  }
  m_dialog->Pump();
}

void ProcessingObserver::Item(std::string_view name) {
  m_name = DisplayName(name);
  if (m_dialog) m_dialog->SetName(m_name);
}

bool ProcessingObserver::Progress(std::uint64_t done) {
  if (!m_dialog) return !m_cancelled;
  m_dialog->SetPos(static_cast<int>(std::min<std::uint64_t>(done / CProcessingDlg::kByteUnit, INT32_MAX)));
  if (!m_dialog->Pump()) m_cancelled = true;
  return !m_cancelled;
}

bool ProcessingObserver::Cancelled() {
  if (m_dialog && m_dialog->Cancelled()) m_cancelled = true;
  return m_cancelled;
}

void ProcessingObserver::End() {
  if (!m_dialog) return;
  if (m_dialog->Cancelled()) m_cancelled = true;
  m_dialog->Destroy();
  m_dialog = nullptr;
}

wxString DisplayName(std::string_view bytes) {
  std::string text = DisplayNameUtf8(bytes);
  return wxString::FromUTF8(text.data(), text.size());
}

}  // namespace tessaly::ui
