#include "shell/logo_window.h"

#include <wx/dcclient.h>
#include <wx/mdi.h>
#include <wx/xrc/xmlres.h>

#include "base/prompt.h"

namespace tessaly::shell {
namespace {

// The warning about a display of too few colours is shown once per run.
bool g_depthWarned = false;

// What a person does with the program: a key, a button of the mouse, a menu.
bool IsUserAction(wxEventType type) {
  return type == wxEVT_KEY_DOWN || type == wxEVT_LEFT_DOWN || type == wxEVT_RIGHT_DOWN || type == wxEVT_MIDDLE_DOWN ||
         type == wxEVT_AUX1_DOWN || type == wxEVT_AUX2_DOWN || type == wxEVT_MOUSEWHEEL || type == wxEVT_MENU_OPEN ||
         type == wxEVT_CONTEXT_MENU;
}

}  // namespace

CLogoWindow::CLogoWindow(wxWindow* parent)
    // Floating on the main window: the window manager keeps it over that window alone.
    : wxFrame(parent, wxID_ANY, wxTheApp->GetAppDisplayName(), wxDefaultPosition, wxDefaultSize,
              wxFRAME_NO_TASKBAR | wxFRAME_FLOAT_ON_PARENT | wxBORDER_SIMPLE | wxFRAME_TOOL_WINDOW),
      m_timer(this) {
  m_bitmap = wxXmlResource::Get()->LoadBitmap("IDB_LOGO");
  SetBackgroundColour(*wxWHITE);
  SetClientSize(m_bitmap.GetWidth() + 2 * kMargin, m_bitmap.GetHeight() + 2 * kMargin);
  if (parent != nullptr) {
    CentreOnParent();
    // The window manager places the main window after it is shown; the logo follows it
    // there, and wherever it is moved while the logo is up.
    parent->Bind(wxEVT_MOVE, &CLogoWindow::OnParentMoved, this);
    parent->Bind(wxEVT_SIZE, &CLogoWindow::OnParentMoved, this);
  } else {
    CentreOnScreen();
  }
  Bind(wxEVT_PAINT, &CLogoWindow::OnPaint, this);
  Bind(wxEVT_TIMER, &CLogoWindow::OnTimer, this);
  // A one-shot timer rather than the idle loop counting the time, so that the program
  // does not spin while the logo is up.
  m_timer.StartOnce(kLifetimeMs);
  wxEvtHandler::AddFilter(this);
  m_dialogWatch.Register();
  m_watching = true;
  // The keyboard stays with the main window.
  ShowWithoutActivating();
  Update();
}

CLogoWindow::~CLogoWindow() { StopWatching(); }

int CLogoWindow::DialogWatch::Enter(wxDialog*) {
  m_logo.Finish();
  return wxID_NONE;
}

int CLogoWindow::FilterEvent(wxEvent& event) {
  const wxEventType type = event.GetEventType();
  if (IsUserAction(type)) {
    // Finishing here only marks the window for deletion, which the filter may do.
    Finish();
  } else if (type == wxEVT_SHOW && static_cast<wxShowEvent&>(event).IsShown()) {
    // Another window of the program coming up: a dialog shown without being modal, a
    // picture, album or camera window.
    auto* shown = dynamic_cast<wxWindow*>(event.GetEventObject());
    if (shown != nullptr && shown != this && shown != GetParent() && shown->IsTopLevel()) Finish();
  } else if (type == wxEVT_CREATE && dynamic_cast<wxMDIChildFrameBase*>(event.GetEventObject()) != nullptr) {
    Finish();  // a picture, album or camera window inside the main window
  }
  return Event_Skip;
}

void CLogoWindow::StopWatching() {
  if (!m_watching) return;
  m_watching = false;
  wxEvtHandler::RemoveFilter(this);
  m_dialogWatch.Unregister();
  if (wxWindow* parent = GetParent()) {
    parent->Unbind(wxEVT_MOVE, &CLogoWindow::OnParentMoved, this);
    parent->Unbind(wxEVT_SIZE, &CLogoWindow::OnParentMoved, this);
  }
}

void CLogoWindow::OnPaint(wxPaintEvent&) {
  wxPaintDC dc(this);
  if (m_bitmap.IsOk()) dc.DrawBitmap(m_bitmap, kMargin, kMargin);
  if (!g_depthWarned && wxDisplayDepth() < 8) {
    g_depthWarned = true;
    CallAfter([] { Prompt().Show(kMsgTooFewColours); });
  }
}

void CLogoWindow::OnParentMoved(wxEvent& event) {
  event.Skip();
  if (!m_finished) CentreOnParent();
}

void CLogoWindow::OnTimer(wxTimerEvent&) { Finish(); }

void CLogoWindow::Finish() {
  if (m_finished) return;
  m_finished = true;
  m_timer.Stop();
  StopWatching();
  // Nothing is raised: the logo was over the main window alone, so whatever the person
  // opened meanwhile is where it should be.
  Hide();
  Destroy();
}

}  // namespace tessaly::shell
