#include "shell/main_frame.h"

#include <wx/dialog.h>
#include <wx/display.h>
#include <wx/dnd.h>
#include <wx/menu.h>
#include <wx/stattext.h>
#include <wx/statusbr.h>
#include <wx/toolbar.h>
#include <wx/utils.h>
#include <wx/xrc/xmlres.h>

#include <glib-object.h>

#include <algorithm>
#include <memory>
#include <optional>
#include <utility>

#include "base/prompt.h"
#include "base/version.h"
#include "shell/app.h"
#include "shell/readme_window.h"
#include "shell/window_placement.h"
#include "ui/app_state.h"
#include "ui/processing_dlg.h"
#include "ui/status_progress.h"

// The toolkit's widget type, for its close signal (its headers are not needed for it).
extern "C" GType gtk_widget_get_type();
// The toolkit's allocation of a widget, given before the first show.
extern "C" {
struct ToolkitAllocation {
  int x, y, width, height;
};
void gtk_widget_set_allocation(void* widget, const ToolkitAllocation* allocation);
}

namespace tessaly::shell {
namespace {

std::vector<ScreenRect> Screens() {
  std::vector<ScreenRect> screens;
  for (unsigned i = 0; i < wxDisplay::GetCount(); ++i) {
    wxRect r = wxDisplay(i).GetGeometry();
    screens.push_back({r.x, r.y, r.width, r.height});
  }
  return screens;
}

std::optional<wxRect> SavedRect() {
  if (auto saved = UsableSavedRect(ReadLastWindow(), Screens()))
    return wxRect(saved->x, saved->y, saved->width, saved->height);
  return std::nullopt;
}

// The saved rectangle, or else the default one centred in the work area of the screen
// the pointer is on (the screen less the desktop's panels).
wxRect InitialRect() {
  if (std::optional<wxRect> saved = SavedRect()) return *saved;
  const int at = wxDisplay::GetFromPoint(wxGetMousePosition());
  const wxRect area = wxDisplay(at == wxNOT_FOUND ? 0u : static_cast<unsigned>(at)).GetClientArea();
  const ScreenRect placed = DefaultMainRect({area.x, area.y, area.width, area.height});
  return wxRect(placed.x, placed.y, placed.width, placed.height);
}

ScreenRect ToScreenRect(const wxRect& r) { return {r.x, r.y, r.width, r.height}; }

CMainFrame* g_mainFrame = nullptr;

// The window manager's close button, seen before wx sees it: wx drops it while the
// window is disabled, which it is while a job's "Processing Status" dialog is up.
guint DeleteEventSignal() { return g_signal_lookup("delete-event", gtk_widget_get_type()); }

gboolean OnDeleteEvent(GSignalInvocationHint*, guint count, const GValue* values, gpointer data) {
  auto* frame = static_cast<CMainFrame*>(data);
  if (count > 0 && G_VALUE_HOLDS_OBJECT(&values[0]) &&
      g_value_get_object(&values[0]) == static_cast<gpointer>(frame->GetHandle()) && !frame->IsEnabled())
    frame->CallAfter([frame] { frame->CloseAfterJobs(); });
  return TRUE;  // stays installed
}

// The window is on the screen: the window manager has placed it.
gboolean OnMapEvent(gpointer, gpointer, gpointer data) {
  static_cast<CMainFrame*>(data)->GoBackToLastPlace();
  return FALSE;
}

// Files and folders dropped on the main window open as File Open would open them.
class FileDrop : public wxFileDropTarget {
 public:
  bool OnDropFiles(wxCoord, wxCoord, const wxArrayString& files) override {
    CCameraApp* app = TheApp();
    if (app == nullptr) return false;
    for (const wxString& file : files) app->OpenDocumentFile(file);
    return true;
  }
};

// Commands of the tool bar that only a picture window carries out: disabled while no
// such window handles them.
const char* const kMissingCommands[] = {"ID_ZOOM_IN", "ID_ZOOM_OUT", "ID_ROTATE_90_RIGHT"};
const int kMissingStockCommands[] = {wxID_SAVE, wxID_COPY, wxID_PASTE, wxID_PRINT};

}  // namespace

CMainFrame::CMainFrame(wxDocManager* manager)
    : wxDocMDIParentFrame(manager, nullptr, wxID_ANY, wxTheApp->GetAppDisplayName(), InitialRect().GetPosition(),
                          InitialRect().GetSize()) {
  wxIconBundle icons;
  for (const char* name : {"IDR_ICON16", "IDR_ICON32", "IDR_ICON48"}) {
    wxIcon icon;
    icon.CopyFromBitmap(wxXmlResource::Get()->LoadBitmap(name));
    if (icon.IsOk()) icons.AddIcon(icon);
  }
  SetIcons(icons);
  g_mainFrame = this;
  CreateBars();
  SetProgressDisplay(std::make_unique<ui::StatusBarProgress>(this));
  InstallAccelerators();
  DisableMissingCommands();
  SetDropTarget(new FileDrop);
  if (wxWindow* client = GetClientWindow()) client->SetDropTarget(new FileDrop);

  Bind(wxEVT_CLOSE_WINDOW, &CMainFrame::OnClose, this);
  m_deleteHook = g_signal_add_emission_hook(DeleteEventSignal(), 0, &OnDeleteEvent, this, nullptr);
  Bind(wxEVT_SIZE, &CMainFrame::OnSize, this);
  Bind(wxEVT_IDLE, &CMainFrame::OnIdle, this);
  Bind(wxEVT_MENU, &CMainFrame::OnAbout, this, wxID_ABOUT);
  Bind(wxEVT_MENU, &CMainFrame::OnExit, this, wxID_EXIT);
  // The program's help is its README.
  for (int id : {int(wxID_HELP), int(wxID_HELP_CONTENTS), int(wxID_HELP_INDEX), int(wxID_CONTEXT_HELP)})
    Bind(
        wxEVT_MENU, [this](wxCommandEvent&) { ShowReadme(this); }, id);
  Bind(wxEVT_MENU, &CMainFrame::OnThumbnail, this, XRCID("ID_THUMBNAIL"));
  Bind(wxEVT_UPDATE_UI, &CMainFrame::OnUpdateThumbnail, this, XRCID("ID_THUMBNAIL"));
  Bind(wxEVT_MENU, &CMainFrame::OnViewToolBar, this, XRCID("ID_VIEW_TOOLBAR"));
  Bind(wxEVT_UPDATE_UI, &CMainFrame::OnUpdateViewToolBar, this, XRCID("ID_VIEW_TOOLBAR"));
  Bind(wxEVT_MENU, &CMainFrame::OnViewStatusBar, this, XRCID("ID_VIEW_STATUS_BAR"));
  Bind(wxEVT_UPDATE_UI, &CMainFrame::OnUpdateViewStatusBar, this, XRCID("ID_VIEW_STATUS_BAR"));
}

CMainFrame::~CMainFrame() {
  if (m_deleteHook != 0) g_signal_remove_emission_hook(DeleteEventSignal(), m_deleteHook);
  SetProgressDisplay(nullptr);
  if (g_mainFrame == this) g_mainFrame = nullptr;
}

CMainFrame* CMainFrame::Get() { return g_mainFrame; }

void CMainFrame::CreateBars() {
  SetMenuBar(wxXmlResource::Get()->LoadMenuBar("IDR_MAINFRAME"));
  if (wxMenu* file = GetMenuBar()->GetMenu(0); file && GetDocumentManager()) {
    // The recently used files go before "Exit", as on every document program.
    GetDocumentManager()->FileHistoryUseMenu(file);
    GetDocumentManager()->FileHistoryAddFilesToMenu(file);
  }
  wxToolBar* tools = wxXmlResource::Get()->LoadToolBar(this, "IDR_MAINFRAME_TOOLBAR");
  for (std::size_t i = 0; tools && i < tools->GetToolsCount(); ++i) {
    const wxToolBarToolBase* tool = tools->GetToolByPos(static_cast<int>(i));
    wxBitmap normal = tool->GetNormalBitmap();
    if (tool->IsButton() && normal.IsOk()) m_toolLooks.push_back({tool->GetId(), normal, normal.ConvertToDisabled()});
  }
  SetToolBar(tools);

  wxStatusBar* status = CreateStatusBar(kStatusPanes);
  const int widths[kStatusPanes] = {-1, 60, 60, 60, 60, 30, 40, 40, 40};
  const int styles[kStatusPanes] = {wxSB_NORMAL, wxSB_FLAT,   wxSB_FLAT,   wxSB_FLAT,  wxSB_FLAT,
                                    wxSB_SUNKEN, wxSB_SUNKEN, wxSB_SUNKEN, wxSB_SUNKEN};
  status->SetStatusWidths(kStatusPanes, widths);
  status->SetStatusStyles(kStatusPanes, styles);
  SetStatusBarPane(kPaneMessage);
}

void CMainFrame::InstallAccelerators() {
  std::unique_ptr<wxMenu> table(wxXmlResource::Get()->LoadMenu("IDR_MAINFRAME_ACCELERATORS"));
  if (!table) return;
  std::vector<wxAcceleratorEntry> entries;
  for (wxMenuItem* item : table->GetMenuItems()) {
    if (std::unique_ptr<wxAcceleratorEntry> accel{item->GetAccel()}) {
      entries.emplace_back(accel->GetFlags(), accel->GetKeyCode(), item->GetId());
    }
  }
  SetAcceleratorTable(wxAcceleratorTable(static_cast<int>(entries.size()), entries.data()));
}

void CMainFrame::DisableMissingCommands() {
  auto disable = [](wxUpdateUIEvent& event) { event.Enable(false); };
  for (const char* name : kMissingCommands) Bind(wxEVT_UPDATE_UI, disable, XRCID(name));
  for (int id : kMissingStockCommands) Bind(wxEVT_UPDATE_UI, disable, id);
}

void CMainFrame::ShowAtLastPlace() {
  // A window manager places a new window where it likes and takes the position given at
  // creation as a mere hint; once it has placed the window, the window is moved back to
  // where it was, which it follows like any other move.
  m_lastPlace = InitialRect();
  g_signal_connect(GetHandle(), "map-event", G_CALLBACK(OnMapEvent), this);
  // wx holds the toolkit's first show back until the window manager has told the size of
  // its frame, and realizes the window meanwhile. A window that has no allocation of its
  // own yet is realized two pixels wide, and the late show then lays out the tool bar,
  // the child windows' notebook and their scroll bars in those two pixels. Given the
  // size it will have, the window is realized at that size.
  const wxSize client = GetClientSize();
  const ToolkitAllocation allocation{0, 0, std::max(client.x, 2), std::max(client.y, 2)};
  gtk_widget_set_allocation(GetHandle(), &allocation);
  Show(true);
}

void CMainFrame::GoBackToLastPlace() {
  // Only the first placement: a later move is the user's (or the program's own).
  if (!m_lastPlace) return;
  const wxRect wanted = *std::exchange(m_lastPlace, std::nullopt);
  if (GetRect() != wanted) CallAfter([this, wanted] { SetSize(wanted); });
}

void CMainFrame::ShowAbout() {
  wxDialog dialog;
  if (!wxXmlResource::Get()->LoadDialog(&dialog, this, "IDD_ABOUTBOX")) return;
  if (auto* version = XRCCTRL(dialog, "IDC_VERSION", wxStaticText))
    version->SetLabel(wxString::Format(_("Version %s"), VersionText()));
  dialog.CentreOnParent();
  dialog.ShowModal();
}

bool CMainFrame::JobRunning() {
  for (wxWindow* window : wxTopLevelWindows)
    if (dynamic_cast<ui::CProcessingDlg*>(window) != nullptr && !window->IsBeingDeleted()) return true;
  return false;
}

void CMainFrame::CloseAfterJobs() {
  m_closeAfterJobs = true;
  for (wxWindow* window : wxTopLevelWindows)
    if (auto* job = dynamic_cast<ui::CProcessingDlg*>(window)) job->Cancel();
}

void CMainFrame::OnClose(wxCloseEvent& event) {
  if (event.CanVeto() && JobRunning()) {
    CloseAfterJobs();
    event.Veto();
    return;
  }
  if (!IsIconized()) WriteLastWindow(ToScreenRect(GetRect()));
  event.Skip();  // the document frame's close asks every document to close
}

void CMainFrame::OnSize(wxSizeEvent& event) {
  event.Skip();
  // Minimised child windows are lined up again once the new size is in place.
  CallAfter([this] { ArrangeIcons(); });
}

void CMainFrame::ShowToolStates() {
  // GTK draws some theme icons the same whether their button is enabled or not, so a
  // disabled button gets a faded copy of its icon.
  wxToolBar* tools = GetToolBar();
  if (tools == nullptr) return;
  for (ToolLook& look : m_toolLooks) {
    const bool faded = !tools->GetToolEnabled(look.id);
    if (faded == look.faded) continue;
    look.faded = faded;
    tools->SetToolNormalBitmap(look.id, faded ? look.fadedBitmap : look.normal);
  }
}

void CMainFrame::RaiseWithDialogs() {
  // A window that stays in front of everything (a slide show over the whole screen)
  // keeps its place and the keyboard: the main window does not come between.
  for (wxWindow* window : wxTopLevelWindows) {
    if (window != this && window->IsShown() && !window->IsBeingDeleted() && window->HasFlag(wxSTAY_ON_TOP) &&
        !window->HasFlag(wxFRAME_FLOAT_ON_PARENT)) {
      window->Raise();
      return;
    }
  }
  Raise();
  for (wxWindow* window : wxTopLevelWindows)
    if (window != this && window->IsShown() && dynamic_cast<wxDialog*>(window) && window->GetParent() &&
        wxGetTopLevelParent(window->GetParent()) == this)
      window->Raise();
}

void CMainFrame::OnIdle(wxIdleEvent& event) {
  if (m_closeAfterJobs && IsEnabled() && !JobRunning()) {
    m_closeAfterJobs = false;
    CallAfter([this] { Close(); });
  }
  ShowToolStates();
  if (wxStatusBar* status = GetStatusBar()) {
    auto show = [status](int pane, wxKeyCode key, const wxString& text) {
      wxString wanted = wxGetKeyState(key) ? text : wxString();
      if (status->GetStatusText(pane) != wanted) status->SetStatusText(wanted, pane);
    };
    show(kPaneCaps, WXK_CAPITAL, _("CAP"));
    show(kPaneNum, WXK_NUMLOCK, _("NUM"));
    show(kPaneScroll, WXK_SCROLL, _("SCRL"));
  }
  event.Skip();
}

void CMainFrame::OnAbout(wxCommandEvent&) { ShowAbout(); }

void CMainFrame::OnExit(wxCommandEvent&) { Close(); }

void CMainFrame::OnThumbnail(wxCommandEvent&) {
  ui::TheAppState().namesOnlyPreference = !ui::TheAppState().namesOnlyPreference;
}

void CMainFrame::OnUpdateThumbnail(wxUpdateUIEvent& event) { event.Check(!ui::TheAppState().namesOnlyPreference); }

void CMainFrame::OnViewToolBar(wxCommandEvent&) {
  if (wxToolBar* bar = GetToolBar()) {
    bar->Show(!bar->IsShown());
    SendSizeEvent();
  }
}

void CMainFrame::OnUpdateViewToolBar(wxUpdateUIEvent& event) { event.Check(GetToolBar() && GetToolBar()->IsShown()); }

void CMainFrame::OnViewStatusBar(wxCommandEvent&) {
  if (wxStatusBar* bar = GetStatusBar()) {
    bar->Show(!bar->IsShown());
    SendSizeEvent();
  }
}

void CMainFrame::OnUpdateViewStatusBar(wxUpdateUIEvent& event) {
  event.Check(GetStatusBar() && GetStatusBar()->IsShown());
}

}  // namespace tessaly::shell
