#include "retouch_window/retouch_view.h"

#include <wx/sizer.h>
#include <wx/statusbr.h>
#include <wx/time.h>
#include <wx/utils.h>
#include <wx/weakref.h>
#include <wx/xrc/xmlres.h>

#include <algorithm>
#include <new>
#include <tuple>

#include "base/prompt.h"
#include "picture/depth_name.h"
#include "retouch/display_copies.h"
#include "retouch_window/retouch_clipboard.h"
#include "retouch_window/retouch_doc.h"
#include "retouch_window/retouch_frame.h"
#include "retouch_window/retouch_printout.h"
#include "ui/app_services.h"
#include "ui/dc_render_device.h"
#include "ui/printing.h"
#include "ui/wx_prompt.h"

namespace tessaly::retouch {

wxIMPLEMENT_DYNAMIC_CLASS(CRetouchView, wxView);

namespace {

using ui::Translated;

// The colour right of and below the picture.
const wxColour kBackground(50, 100, 100);

// The least width and height in which the canvas shows its scroll bars at first.
constexpr int kRoomForScrollBars = 64;

wxString Filled(const StatusText& text) { return wxString::FromUTF8(text.With(Translated(text.format).utf8_string())); }

class RetouchCanvas : public wxScrolledCanvas {
 public:
  RetouchCanvas(wxWindow* parent, CRetouchView* view)
      : wxScrolledCanvas(parent, wxID_ANY, wxDefaultPosition, wxDefaultSize, wxHSCROLL | wxVSCROLL | wxWANTS_CHARS),
        m_view(view) {
    SetName("retouch-canvas");
    SetBackgroundStyle(wxBG_STYLE_PAINT);
    SetBackgroundColour(kBackground);
    SetScrollRate(1, 1);
    // A new window is made small and gets its size only when the main window lays it
    // out: its scroll bars come once there is room for them, so that they are never laid
    // out in less room than they need.
    ShowScrollbars(wxSHOW_SB_NEVER, wxSHOW_SB_NEVER);
    Bind(wxEVT_LEFT_DOWN, [this](wxMouseEvent& e) {
      SetFocus();
      m_view->LeftDown(e.GetPosition(), e.ShiftDown());
    });
    Bind(wxEVT_LEFT_UP, [this](wxMouseEvent& e) { m_view->LeftUp(e.GetPosition()); });
    Bind(wxEVT_LEFT_DCLICK, [this](wxMouseEvent&) { m_view->LeftDoubleClick(); });
    Bind(wxEVT_RIGHT_DOWN, [this](wxMouseEvent& e) { m_view->RightDown(e.GetPosition(), e.ShiftDown()); });
    Bind(wxEVT_MOTION, [this](wxMouseEvent& e) { m_view->Motion(e.GetPosition(), e.LeftIsDown()); });
    Bind(wxEVT_MOUSE_CAPTURE_LOST,
         [this](wxMouseCaptureLostEvent&) { m_view->LeftUp(ScreenToClient(wxGetMousePosition())); });
    Bind(wxEVT_KEY_DOWN, [this](wxKeyEvent& e) {
      switch (e.GetKeyCode()) {
        case WXK_SHIFT: m_view->ShiftKey(true); break;
        case WXK_ESCAPE:
        case WXK_DELETE: m_view->DiscardFloatingAndSelection(); break;
        default: e.Skip();
      }
    });
    Bind(wxEVT_KEY_UP, [this](wxKeyEvent& e) {
      if (e.GetKeyCode() == WXK_SHIFT) m_view->ShiftKey(false);
      e.Skip();
    });
    for (const auto type : {wxEVT_SET_FOCUS, wxEVT_KILL_FOCUS})
      Bind(type, [this](wxFocusEvent& e) {
        m_view->FocusChanged(e.GetEventType() == wxEVT_SET_FOCUS);
        e.Skip();
      });
    Bind(wxEVT_SIZE, [this](wxSizeEvent& e) {
      if (!m_scrollBarsShown && e.GetSize().x >= kRoomForScrollBars && e.GetSize().y >= kRoomForScrollBars) {
        m_scrollBarsShown = true;
        ShowScrollbars(wxSHOW_SB_DEFAULT, wxSHOW_SB_DEFAULT);
        AdjustScrollbars();
      }
      m_view->Resized();
      e.Skip();
    });
  }
  void OnDraw(wxDC& dc) override { m_view->OnDraw(&dc); }

 private:
  CRetouchView* m_view;
  bool m_scrollBarsShown = false;
};

wxCursor CursorOf(RetouchCursor cursor) {
  if (cursor == RetouchCursor::kCross) return wxCursor(wxCURSOR_CROSS);
  if (cursor == RetouchCursor::kRotate) return wxCursor(wxCURSOR_SIZENWSE);
  return cursor == RetouchCursor::kMagnifier ? MagnifierCursor() : wxNullCursor;
}

std::vector<int> PaneWidths(wxStatusBar* bar) {
  std::vector<int> widths(bar->GetFieldsCount());
  for (int i = 0; i < bar->GetFieldsCount(); ++i) widths[i] = bar->GetStatusWidth(i);
  return widths;
}

}  // namespace

CRetouchDoc* CRetouchView::GetRetouchDoc() const { return wxStaticCast(GetDocument(), CRetouchDoc); }

bool CRetouchView::OnCreate(wxDocument* doc, long flags) {
  if (!wxView::OnCreate(doc, flags)) return false;
  wxMDIParentFrame* parent = ui::MainWindow();
  if (parent == nullptr) return false;
  auto* frame = new CRetouchFrame(doc, this, parent);
  m_canvas = new RetouchCanvas(frame, this);
  auto* sizer = new wxBoxSizer(wxVERTICAL);
  sizer->Add(m_canvas, 1, wxEXPAND);
  frame->SetSizer(sizer);
  // The canvas takes the window's size before the window is shown: at the size it was
  // made with, its scroll bars would be laid out in less room than they need.
  // The display depth the window was made on decides the palette way and the print
  // preview's depth.
  m_displayDepth = ui::ForcedDisplayDepth() != 0 ? ui::ForcedDisplayDepth() : wxDisplayDepth();
  for (const RetouchCommandRow& row : RetouchCommands()) {
    const int id = wxXmlResource::GetXRCID(wxString::FromUTF8(row.menuName.data(), row.menuName.size()));
    m_commands[id] = &row;
    Bind(wxEVT_MENU, &CRetouchView::OnCommand, this, id);
    Bind(wxEVT_UPDATE_UI, &CRetouchView::OnUpdateCommand, this, id);
  }
  // Ctrl+A, the key of Select All in the other windows and most programs, selects the
  // whole picture here too, beside the window's own Ctrl+I.
  m_commands[XRCID("ID_EDIT_SELECT_ALL_IMAGES")] = &RetouchCommandRowOf(RetouchCommand::kSelectAll);
  Bind(wxEVT_MENU, &CRetouchView::OnCommand, this, XRCID("ID_EDIT_SELECT_ALL_IMAGES"));
  frame->Show();
  Activate(true);
  return true;
}

// ---------------------------------------------------------------- the model's answers

const RetouchPictureState& CRetouchView::SyncWindow() {
  const RetouchPictureState& state = GetRetouchDoc()->State();
  m_model.SetPictureSize(state.Current().width, state.Current().height);
  const wxSize client = m_canvas->GetClientSize();
  const wxPoint start = m_canvas->GetViewStart();
  m_model.SetWindow(client.x, client.y, {start.x, start.y});
  return state;
}

void CRetouchView::Apply(const InteractionActions& actions) {
  if (m_canvas && actions.capture == MouseCapture::kRelease && m_canvas->HasCapture()) m_canvas->ReleaseMouse();
  GetRetouchDoc()->Make(actions.edit);
  if (m_canvas == nullptr) return;
  if (actions.scrollArea) m_canvas->SetVirtualSize(Geometry().DisplayedWidth(), Geometry().DisplayedHeight());
  if (actions.scrollToGeometry) m_canvas->Scroll(Geometry().Scroll().x, Geometry().Scroll().y);
  if (actions.scrollArea || actions.scrollToGeometry) SyncWindow();
  if (actions.cursor) m_canvas->SetCursor(CursorOf(*actions.cursor));
  if (actions.capture == MouseCapture::kCapture && !m_canvas->HasCapture()) m_canvas->CaptureMouse();
  if (actions.positionText) ShowStatusText(Filled(PositionText(*actions.positionText)));
  if (actions.bandText)
    ShowStatusText(
        wxString::FromUTF8(BandText(*actions.bandText, Translated(kPointFormat).utf8_string(),
                                    Translated(kJoinFormat).utf8_string(), Translated(kBandSizeFormat).utf8_string())));
  if (actions.repaint == Repaint::kAll) {
    m_canvas->Refresh(false);
  } else if (actions.repaint == Repaint::kOutline) {
    for (const PictureRect& rect : {actions.previousOutline, m_model.OutlineRect()})
      for (const PictureRect& e : OutlineEdges(rect))
        m_canvas->RefreshRect(wxRect(e.left, e.top, e.Width(), e.Height()), false);
  }
  if (actions.startSelectionDrag) GetRetouchDoc()->DragSelection(m_canvas);
}

void CRetouchView::LeftDown(const wxPoint& at, bool shift) {
  Apply(m_model.Press({{at.x, at.y}, shift, wxGetMouseState().RightIsDown()}, SyncWindow()));
}
void CRetouchView::Motion(const wxPoint& at, bool) { Apply(m_model.Move({at.x, at.y}, SyncWindow())); }
void CRetouchView::LeftUp(const wxPoint& at) { Apply(m_model.Release({at.x, at.y}, SyncWindow())); }
void CRetouchView::LeftDoubleClick() { Apply(m_model.DoubleClick()); }
void CRetouchView::RightDown(const wxPoint& at, bool shift) {
  Apply(m_model.RightPress({{at.x, at.y}, shift, false}, SyncWindow()));
}
void CRetouchView::ShiftKey(bool down) { Apply(m_model.Shift(down)); }
void CRetouchView::DiscardFloatingAndSelection() { Apply(m_model.Discard(GetRetouchDoc()->State())); }
void CRetouchView::SetZoomIndex(int index) { Apply(m_model.SetZoom(index, SyncWindow())); }

void CRetouchView::Resized() {
  if (m_canvas == nullptr || GetDocument() == nullptr || m_canvas->IsBeingDeleted()) return;
  Apply(m_model.Resize(SyncWindow()));
}

// ---------------------------------------------------------------- updates and drawing

void CRetouchView::OnUpdate(wxView*, wxObject* hint) {
  // A change of the outline alone rebuilds nothing and paints only the outlines again.
  const bool outlineOnly = hint == CRetouchDoc::OutlineHint();
  if (!outlineOnly) m_displayDirty = true;
  if (m_canvas == nullptr) return;
  InteractionActions actions = m_model.PictureChanged(SyncWindow());
  if (!outlineOnly) {
    actions.scrollArea = true;
    actions.repaint = Repaint::kAll;
  }
  Apply(actions);
}

void CRetouchView::BuildRenderers(wxDC& dc) {
  m_displayDirty = false;
  // The panes follow once this paint is over: a status bar whose text changes repaints
  // at once, and a paint inside another one brings GTK's drawing down.
  if (m_canvas != nullptr && !m_panesDue) {
    m_panesDue = true;
    m_canvas->CallAfter([this] {
      m_panesDue = false;
      if (m_canvas != nullptr) SetUpStatusPanes();
    });
  }
  m_pictureSlot.Clear();
  m_floatingSlot.Clear();
  if (GetRetouchDoc()->GetPicture().Empty()) return;
  wxBusyCursor busy;
  ui::DcRenderDevice device(dc, {});
  try {
    BuildDisplayCopies(GetRetouchDoc()->State(), m_pictureSlot, m_floatingSlot, device);
  } catch (const std::bad_alloc&) {
    // Like the panes, the message waits for the paint to end.
    m_canvas->CallAfter([] { Prompt().Show(kMsgNotEnoughMemory); });
  }
}

void CRetouchView::OnDraw(wxDC* dc) {
  if (m_displayDirty) BuildRenderers(*dc);
  const RetouchPictureState& state = GetRetouchDoc()->State();
  wxCoord cx = 0, cy = 0, cw = 0, ch = 0;
  dc->GetClippingBox(&cx, &cy, &cw, &ch);
  if (cw <= 0 || ch <= 0) {
    const wxSize client = m_canvas->GetClientSize();
    const wxPoint origin = m_canvas->CalcUnscrolledPosition(wxPoint(0, 0));
    std::tie(cx, cy, cw, ch) = std::tuple(origin.x, origin.y, client.x, client.y);
  }
  dc->SetPen(*wxTRANSPARENT_PEN);
  dc->SetBrush(wxBrush(kBackground));
  const PictureRect area{cx, cy, cx + cw, cy + ch};
  const bool shown = state.HasPixels() && m_pictureSlot.renderer;
  for (const PictureRect& r : shown ? Geometry().Background(area) : std::vector{area})
    dc->DrawRectangle(r.left, r.top, r.Width(), r.Height());
  if (shown) {
    ui::DcRenderDevice device(*dc, {});
    m_pictureSlot.renderer->DrawZoomed(device, 0, 0, ZoomPercent());
    if (state.HasFloating() && m_floatingSlot.renderer)
      m_floatingSlot.renderer->DrawZoomed(device, state.FloatingAt().left, state.FloatingAt().top, ZoomPercent());
  }
  DrawOverlay(*dc);
}

void CRetouchView::DrawOverlay(wxDC& dc) {
  // The outlines are drawn white with black dashes over them, which shows on every
  // picture the way inverted ink does, and are taken away by repainting what lies below.
  const wxPen pens[] = {wxPen(*wxWHITE, 1), wxPen(*wxBLACK, 1, wxPENSTYLE_SHORT_DASH)};
  dc.SetBrush(*wxTRANSPARENT_BRUSH);
  if (m_model.RotationMode()) {
    const RotationOverlay o = m_model.Overlay();
    wxPoint points[5];
    for (int i = 0; i < 5; ++i) points[i] = wxPoint(o.corners[i % 4].x, o.corners[i % 4].y);
    for (const wxPen& pen : pens) {
      dc.SetPen(pen);
      dc.DrawLines(5, points);
      if (o.line) dc.DrawLine(o.centre.x, o.centre.y, o.mouse.x, o.mouse.y);
    }
    return;
  }
  const PictureRect r = m_model.DrawnOutline().Normalized();
  if (m_model.Outline() == OutlineKind::kNone || (r.Width() == 0 && r.Height() == 0)) return;
  for (const wxPen& pen : pens) {
    dc.SetPen(pen);
    dc.DrawRectangle(r.left, r.top, std::max(r.Width(), 1), std::max(r.Height(), 1));
  }
}

// ---------------------------------------------------------------- status bar

void CRetouchView::SetUpStatusPanes() {
  wxMDIParentFrame* frame = ui::MainWindow();
  wxStatusBar* bar = frame ? frame->GetStatusBar() : nullptr;
  if (bar == nullptr || bar->GetFieldsCount() < 5) return;
  // The status bar draws each new text at once, and with it the main window's other
  // parts: a window just opened gets its size first.
  ui::LayOutMainWindowNow();
  if (!m_panesSetUp) {
    if (wxWindow::FindFocus() != m_canvas) return;
    for (int i = 0; i < 5; ++i) m_savedPanes[i] = {bar->GetStatusText(i), bar->GetStatusWidth(i)};
    const std::vector<int> widths = PaneWidths(bar);
    bar->SetStatusWidths(static_cast<int>(widths.size()), widths.data());
    m_panesSetUp = true;
  }
  const Picture& picture = GetRetouchDoc()->GetPicture();
  const wxString texts[3] = {wxString::FromUTF8(SizeText(picture.width, picture.height)),
                             Translated(DepthName(picture.bitsPerPixel)),
                             Filled(ByteSizeText(picture.width, picture.height, picture.bitsPerPixel))};
  // Panes 1 to 3 are 80 pixels wide, or as wide as their text needs in this font, so
  // that no text is cut off.
  std::vector<int> widths = PaneWidths(bar);
  for (int i = 1; i <= 3; ++i) widths[i] = std::max(80, bar->GetTextExtent(texts[i - 1]).x + 16);
  bar->SetStatusWidths(static_cast<int>(widths.size()), widths.data());
  for (int i = 1; i <= 3; ++i) bar->SetStatusText(texts[i - 1], i);
}

void CRetouchView::RestoreStatusPanes() {
  if (!m_panesSetUp) return;
  m_panesSetUp = false;
  ui::LayOutMainWindowNow();
  wxMDIParentFrame* frame = ui::MainWindow();
  wxStatusBar* bar = frame ? frame->GetStatusBar() : nullptr;
  if (bar == nullptr || bar->GetFieldsCount() < 5) return;
  bar->SetStatusText(m_savedPanes[0].text, 0);
  std::vector<int> widths = PaneWidths(bar);
  for (int i = 1; i <= 3; ++i) {
    bar->SetStatusText(wxString(), i);
    widths[i] = m_savedPanes[i].width;
  }
  bar->SetStatusWidths(static_cast<int>(widths.size()), widths.data());
}

void CRetouchView::ShowStatusText(const wxString& text) { ui::ShowStatusMessage(text); }

void CRetouchView::FocusChanged(bool gained) {
  if (m_canvas != nullptr) gained ? SetUpStatusPanes() : RestoreStatusPanes();
}

void CRetouchView::OnActivateView(bool activate, wxView*, wxView*) {
  // The panes belong to the window in front: another window brought forward takes them
  // back, whether or not the keyboard focus has left this canvas yet.
  if (!activate) RestoreStatusPanes();
  // The focus moves once the activation is over: GTK does not take a focus change in
  // the middle of showing a window.
  if (activate && m_canvas && !m_canvas->IsBeingDeleted()) {
    wxWeakRef<wxWindow> canvas(m_canvas);
    m_canvas->CallAfter([canvas] {
      if (canvas && !canvas->IsBeingDeleted()) canvas->SetFocus();
    });
  }
}

// ---------------------------------------------------------------- commands

void CRetouchView::OnUpdateCommand(wxUpdateUIEvent& event) {
  const auto it = m_commands.find(event.GetId());
  if (it == m_commands.end()) return;
  const bool paste = it->second->command == RetouchCommand::kPaste;
  const auto context = m_model.CommandContext(GetRetouchDoc()->State(), !paste || retouch::ClipboardOffersPicture());
  const CommandState state = QueryCommand(*it->second, context);
  event.Enable(state.enabled);
  if (state.checked) event.Check(*state.checked);
}

void CRetouchView::OnCommand(wxCommandEvent& event) {
  const auto it = m_commands.find(event.GetId());
  if (it == m_commands.end()) return;
  const RetouchCommandRow& row = *it->second;
  // Commands arrive from accelerators too: the rules hold for them as well. Paste reads
  // the clipboard itself and says so when it holds no picture.
  CRetouchDoc* doc = GetRetouchDoc();
  if (!QueryCommand(row, m_model.CommandContext(doc->State(), true)).enabled) return;
  switch (row.command) {
    case RetouchCommand::kRotateMouse: return Apply(m_model.StartRotation());
    case RetouchCommand::kSelectAll: doc->Run(row.command); return Apply(m_model.ShowSelection(doc->State()));
    case RetouchCommand::kCopy: doc->CopySelectionToClipboard(); return;
    case RetouchCommand::kPaste: SyncWindow(); return doc->Paste(m_model.PasteCorner());
    case RetouchCommand::kDiscard: return DiscardFloatingAndSelection();
    case RetouchCommand::kSave:
    case RetouchCommand::kSaveAs:
    case RetouchCommand::kSaveToCamera:
      // The outline goes first: the document's save commits a floating picture.
      m_model.Reset();
      doc->Run(row.command);
      return m_canvas->Refresh(false);
    case RetouchCommand::kPrint: ui::PrintWithDialog(GetFrame(), new CRetouchPrintout(doc, m_displayDepth)); return;
    case RetouchCommand::kPrintPreview:
      ui::ShowPrintPreview(GetFrame(), new CRetouchPrintout(doc, m_displayDepth),
                           new CRetouchPrintout(doc, m_displayDepth), doc->GetUserReadableName());
      return;
    default:
      if (const auto zoom = m_model.ZoomStepOf(row)) return SetZoomIndex(*zoom);
      doc->Run(row.command);
  }
}

bool CRetouchView::OnClose(bool deleteWindow) {
  RestoreStatusPanes();
  if (!wxView::OnClose(deleteWindow)) return false;
  Activate(false);
  m_canvas = nullptr;
  return true;
}

}  // namespace tessaly::retouch
