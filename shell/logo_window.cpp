#include "shell/logo_window.h"

#include <wx/dcclient.h>
#include <wx/xrc/xmlres.h>

#include "base/prompt.h"
#include "shell/main_frame.h"

namespace tessaly::shell {
namespace {

// The warning about a display of too few colours is shown once per run.
bool g_depthWarned = false;

}  // namespace

CLogoWindow::CLogoWindow(wxWindow* parent)
    : wxFrame(parent, wxID_ANY, wxTheApp->GetAppDisplayName(), wxDefaultPosition, wxDefaultSize,
              wxFRAME_NO_TASKBAR | wxFRAME_FLOAT_ON_PARENT | wxSTAY_ON_TOP | wxBORDER_SIMPLE | wxFRAME_TOOL_WINDOW),
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
  Bind(wxEVT_LEFT_DOWN, &CLogoWindow::OnClick, this);
  Bind(wxEVT_TIMER, &CLogoWindow::OnTimer, this);
  // A one-shot timer rather than the idle loop counting the time, so that the program
  // does not spin while the logo is up; floating on the main window keeps it in front.
  m_timer.StartOnce(kLifetimeMs);
  Show();
  Update();
}

void CLogoWindow::OnPaint(wxPaintEvent&) {
  wxPaintDC dc(this);
  if (m_bitmap.IsOk()) dc.DrawBitmap(m_bitmap, kMargin, kMargin);
  if (!g_depthWarned && wxDisplayDepth() < 8) {
    g_depthWarned = true;
    CallAfter([] { Prompt().Show(kMsgTooFewColours); });
  }
}

CLogoWindow::~CLogoWindow() { Unfollow(); }

void CLogoWindow::Unfollow() {
  if (wxWindow* parent = GetParent()) {
    parent->Unbind(wxEVT_MOVE, &CLogoWindow::OnParentMoved, this);
    parent->Unbind(wxEVT_SIZE, &CLogoWindow::OnParentMoved, this);
  }
}

void CLogoWindow::OnParentMoved(wxEvent& event) {
  event.Skip();
  if (!m_finished) CentreOnParent();
}

void CLogoWindow::OnClick(wxMouseEvent&) { Finish(); }

void CLogoWindow::OnTimer(wxTimerEvent&) { Finish(); }

void CLogoWindow::Finish() {
  if (m_finished) return;
  m_finished = true;
  m_timer.Stop();
  Unfollow();
  // A dialog opened meanwhile (a camera listing's progress) stays in front.
  if (auto* frame = dynamic_cast<CMainFrame*>(GetParent())) frame->RaiseWithDialogs();
  else if (wxWindow* parent = GetParent()) parent->Raise();
  Destroy();
}

}  // namespace tessaly::shell
