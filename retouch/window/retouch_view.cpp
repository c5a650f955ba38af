#include "retouch/window/retouch_view.h"

#include <wx/dcbuffer.h>
#include <wx/dcclient.h>
#include <wx/dcmemory.h>
#include <wx/dnd.h>
#include <wx/image.h>
#include <wx/sizer.h>
#include <wx/statusbr.h>
#include <wx/time.h>
#include <wx/utils.h>
#include <wx/weakref.h>
#include <wx/xrc/xmlres.h>

#include <algorithm>
#include <new>

#include "base/prompt.h"
#include "picture/depth_name.h"
#include "retouch/clipboard_data.h"
#include "retouch/window/dsc_srvr_item.h"
#include "retouch/window/retouch_clipboard.h"
#include "retouch/window/retouch_dialogs.h"
#include "retouch/window/retouch_doc.h"
#include "retouch/window/retouch_frame.h"
#include "retouch/window/retouch_printout.h"
#include "ui/dc_render_device.h"
#include "ui/app_services.h"
#include "ui/former_names.h"
#include "ui/printing.h"

namespace tessaly::retouch {

wxIMPLEMENT_DYNAMIC_CLASS(CRetouchView, wxView);

namespace {

// The colour right of and below the picture.
const wxColour kBackground(50, 100, 100);

wxString Translated(std::string_view english) {
  return wxGetTranslation(wxString::FromUTF8(english.data(), english.size()));
}

wxString Filled(const StatusText& text) {
  wxString out = Translated(text.format);
  if (text.argumentCount > 0) out.Replace("%1", wxString::Format("%lld", text.arguments[0]));
  if (text.argumentCount > 1) out.Replace("%2", wxString::Format("%lld", text.arguments[1]));
  return out;
}

bool Contains(const PictureRect& rect, ViewPoint p) {
  const PictureRect r = rect.Normalized();
  return !r.Empty() && p.x >= r.left && p.x < r.right && p.y >= r.top && p.y < r.bottom;
}

class RetouchCanvas : public wxScrolledCanvas {
 public:
  RetouchCanvas(wxWindow* parent, CRetouchView* view)
      : wxScrolledCanvas(parent, wxID_ANY, wxDefaultPosition, wxDefaultSize, wxHSCROLL | wxVSCROLL | wxWANTS_CHARS),
        m_view(view) {
    SetName("retouch-canvas");
    SetBackgroundStyle(wxBG_STYLE_PAINT);
    SetBackgroundColour(kBackground);
    SetScrollRate(1, 1);
    Bind(wxEVT_LEFT_DOWN, [this](wxMouseEvent& e) {
      SetFocus();
      m_view->LeftDown(e.GetPosition(), e.ShiftDown());
    });
    Bind(wxEVT_LEFT_UP, [this](wxMouseEvent& e) { m_view->LeftUp(e.GetPosition()); });
    Bind(wxEVT_LEFT_DCLICK, [this](wxMouseEvent&) { m_view->LeftDoubleClick(); });
    Bind(wxEVT_RIGHT_DOWN, [this](wxMouseEvent& e) { m_view->RightDown(e.GetPosition(), e.ShiftDown()); });
    Bind(wxEVT_MOTION, [this](wxMouseEvent& e) { m_view->Motion(e.GetPosition(), e.LeftIsDown()); });
    Bind(wxEVT_MOUSE_CAPTURE_LOST, [this](wxMouseCaptureLostEvent&) { m_view->LeftUp(ScreenToClient(wxGetMousePosition())); });
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
    Bind(wxEVT_SET_FOCUS, [this](wxFocusEvent& e) {
      m_view->FocusChanged(true);
      e.Skip();
    });
    Bind(wxEVT_KILL_FOCUS, [this](wxFocusEvent& e) {
      m_view->FocusChanged(false);
      e.Skip();
    });
    Bind(wxEVT_SIZE, [this](wxSizeEvent& e) {
      m_view->Resized();
      e.Skip();
    });
  }
  void OnDraw(wxDC& dc) override { m_view->OnDraw(&dc); }

 private:
  CRetouchView* m_view;
};

}  // namespace

const wxCursor& MagnifierCursor() {
  static const wxCursor cursor = [] {
    // A lens with a handle, drawn on a transparent 32 x 32 square; the hot spot is the
    // middle of the lens.
    wxBitmap bitmap(32, 32, 24);
    {
      wxMemoryDC dc(bitmap);
      dc.SetBackground(wxBrush(wxColour(255, 0, 255)));
      dc.Clear();
      dc.SetBrush(wxBrush(wxColour(255, 255, 255)));
      dc.SetPen(wxPen(wxColour(0, 0, 0), 2));
      dc.DrawCircle(12, 12, 9);
      dc.SetPen(wxPen(wxColour(0, 0, 0), 4));
      dc.DrawLine(19, 19, 29, 29);
      dc.SetPen(wxPen(wxColour(0, 0, 0), 1));
      dc.DrawLine(8, 12, 17, 12);
      dc.DrawLine(12, 8, 12, 17);
    }
    wxImage image = bitmap.ConvertToImage();
    image.SetMaskColour(255, 0, 255);
    image.SetOption(wxIMAGE_OPTION_CUR_HOTSPOT_X, 12);
    image.SetOption(wxIMAGE_OPTION_CUR_HOTSPOT_Y, 12);
    return wxCursor(image);
  }();
  return cursor;
}

wxBEGIN_EVENT_TABLE(CRetouchView, wxView)
  EVT_MENU(wxID_COPY, CRetouchView::OnCopy)
  EVT_MENU(wxID_PASTE, CRetouchView::OnPaste)
  EVT_UPDATE_UI(wxID_PASTE, CRetouchView::OnUpdatePaste)
  EVT_MENU(wxID_UNDO, CRetouchView::OnUndo)
  EVT_MENU(wxID_SAVE, CRetouchView::OnSave)
  EVT_MENU(wxID_SAVEAS, CRetouchView::OnSave)
  EVT_MENU(wxID_PRINT, CRetouchView::OnPrint)
  EVT_MENU(wxID_PREVIEW, CRetouchView::OnPrintPreview)
wxEND_EVENT_TABLE()

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
  // The display depth the window was made on decides the palette way and the print
  // preview's depth.
  m_displayDepth = windows::ForcedDisplayDepth() != 0 ? windows::ForcedDisplayDepth() : wxDisplayDepth();

  // Commands by XRC name; the handlers and their enabling rules.
  const char* const zooms[] = {"ID_ZOOM_50", "ID_ZOOM_75", "ID_ZOOM_100", "ID_ZOOM_150", "ID_ZOOM_200",
                               "ID_ZOOM_IN", "ID_ZOOM_OUT"};
  for (const char* name : zooms) {
    Bind(wxEVT_MENU, &CRetouchView::OnZoom, this, XRCID(name));
    Bind(wxEVT_UPDATE_UI, &CRetouchView::OnUpdateZoom, this, XRCID(name));
  }
  const char* const tools[] = {"ID_ADJUST_COLOR", "ID_ADJUST_CONTRAST", "ID_ADJUST_BRIGHTNESS", "ID_SHARPEN",
                               "ID_SOFTEN", "ID_MOSAIC", "ID_ROTATE_180", "ID_ROTATE_90_RIGHT",
                               "ID_ROTATE_90_LEFT", "ID_ROTATE_FREE", "ID_ROTATE_MOUSE", "ID_SIZE_QUARTER",
                               "ID_SIZE_HALF", "ID_SIZE_DOUBLE", "ID_SIZE_FOUR", "ID_FIT_CAMERA_SIZE",
                               "ID_TRIMMING", "ID_CONVERT_24", "ID_EDIT_SELECT_ALL", "ID_PHOTO_PROPERTIES"};
  for (const char* name : tools) {
    Bind(wxEVT_MENU, &CRetouchView::OnTool, this, XRCID(name));
    Bind(wxEVT_UPDATE_UI, &CRetouchView::OnUpdateTool, this, XRCID(name));
  }
  // Ctrl+A, the key of Select All in the other windows and most programs, selects the
  // whole picture here too, beside the window's own Ctrl+I.
  Bind(wxEVT_MENU, &CRetouchView::OnTool, this, XRCID("ID_EDIT_SELECT_ALL_IMAGES"));
  Bind(wxEVT_UPDATE_UI, &CRetouchView::OnUpdateTool, this, wxID_COPY);
  Bind(wxEVT_UPDATE_UI, &CRetouchView::OnUpdateTool, this, wxID_UNDO);
  Bind(wxEVT_MENU, &CRetouchView::OnDiscard, this, XRCID("ID_DISCARD_FLOATING"));
  Bind(wxEVT_MENU, &CRetouchView::OnSaveToCamera, this, XRCID("ID_SAVE_TO_CAMERA"));
  for (int id : {int(wxID_SAVE), int(wxID_SAVEAS), int(wxID_PRINT), int(wxID_PREVIEW), int(XRCID("ID_DISCARD_FLOATING")),
                 int(XRCID("ID_SAVE_TO_CAMERA"))})
    Bind(wxEVT_UPDATE_UI, [](wxUpdateUIEvent& e) { e.Enable(true); }, id);

  frame->Show();
  Activate(true);
  return true;
}

bool CRetouchView::IsTrueColour() const { return GetRetouchDoc()->State().IsTrueColour(); }

bool CRetouchView::CanEdit() const {
  return IsTrueColour() && !Dragging() && !GetRetouchDoc()->State().HasFloating();
}

// ---------------------------------------------------------------- coordinates

ViewPoint CRetouchView::ToDisplay(const wxPoint& window) const {
  const wxPoint p = m_canvas->CalcUnscrolledPosition(window);
  return {p.x, p.y};
}

ViewPoint CRetouchView::DisplayToPicture(ViewPoint display) const {
  const int zoom = m_geometry.ZoomPercent();
  return {display.x * 100 / zoom, display.y * 100 / zoom};
}

PictureRect CRetouchView::DisplayToPicture(const PictureRect& display) const {
  const ViewPoint a = DisplayToPicture(ViewPoint{display.left, display.top});
  const ViewPoint b = DisplayToPicture(ViewPoint{display.right, display.bottom});
  return {a.x, a.y, b.x, b.y};
}

PictureRect CRetouchView::PictureToDisplay(const PictureRect& picture) const {
  const int zoom = m_geometry.ZoomPercent();
  return {picture.left * zoom / 100, picture.top * zoom / 100, picture.right * zoom / 100, picture.bottom * zoom / 100};
}

void CRetouchView::UpdateScrollArea() {
  const Picture& picture = GetRetouchDoc()->GetPicture();
  m_geometry.SetPictureSize(picture.width, picture.height);
  const wxSize client = m_canvas->GetClientSize();
  m_geometry.SetWindowSize(client.x, client.y);
  m_canvas->SetVirtualSize(m_geometry.DisplayedWidth(), m_geometry.DisplayedHeight());
  const wxPoint start = m_canvas->GetViewStart();
  m_geometry.SetScroll(m_geometry.ClampedScroll({start.x, start.y}));
}

// ---------------------------------------------------------------- updates and drawing

void CRetouchView::OnUpdate(wxView*, wxObject*) {
  m_displayDirty = true;
  if (m_canvas == nullptr) return;
  UpdateScrollArea();
  const RetouchPictureState& state = GetRetouchDoc()->State();
  // The selection the document dropped (a turn, a trim, a save) goes from the window too.
  if (state.Selection().Empty() && m_selectionExists) {
    m_selectionExists = false;
    m_tracking = {};
  }
  if (!state.HasFloating() && !m_selectionExists && !m_buttonDown) m_tracking = {};
  m_canvas->Refresh(false);
}

void CRetouchView::BuildRenderers(wxDC& dc) {
  m_displayDirty = false;
  m_pictureSlot.Clear();
  m_floatingSlot.Clear();
  // The panes follow once this paint is over: a status bar whose text changes repaints
  // at once, and a paint inside another one brings GTK's drawing down.
  if (m_canvas != nullptr && !m_panesDue) {
    m_panesDue = true;
    m_canvas->CallAfter([this] {
      m_panesDue = false;
      if (m_canvas != nullptr) SetUpStatusPanes();
    });
  }
  const RetouchPictureState& state = GetRetouchDoc()->State();
  const Picture& picture = state.Current();
  if (picture.Empty()) return;
  wxBusyCursor busy;
  windows::DcRenderDevice device(dc, {});
  try {
    if (state.HasFloating()) {
      const Picture& floating = state.Floating();
      CreateRenderer(m_floatingSlot, floating.width, floating.height, floating.pixels, 0, 0, floating.width,
                     floating.height, device);
    }
    if (picture.bitsPerPixel == 24) {
      CreateRenderer(m_pictureSlot, picture.width, picture.height, picture.pixels, 0, 0, picture.width,
                     picture.height, device);
    } else {
      m_pictureSlot.renderer = CreateIndexedRenderer(picture);
      m_pictureSlot.colourCount = 256;
    }
  } catch (const std::bad_alloc&) {
    m_pictureSlot.Clear();
    m_floatingSlot.Clear();
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
    cx = origin.x;
    cy = origin.y;
    cw = client.x;
    ch = client.y;
  }
  dc->SetPen(*wxTRANSPARENT_PEN);
  dc->SetBrush(wxBrush(kBackground));
  const int dw = m_geometry.DisplayedWidth();
  const int dh = m_geometry.DisplayedHeight();
  if (!state.HasPixels() || !m_pictureSlot.renderer) {
    dc->DrawRectangle(cx, cy, cw, ch);
  } else {
    if (cx + cw > dw) dc->DrawRectangle(std::max(cx, dw), cy, cx + cw - std::max(cx, dw), ch);
    if (cy + ch > dh) dc->DrawRectangle(cx, std::max(cy, dh), std::min(cx + cw, dw) - cx, cy + ch - std::max(cy, dh));
    windows::DcRenderDevice device(*dc, {});
    m_pictureSlot.renderer->DrawZoomed(device, 0, 0, m_geometry.ZoomPercent());
    if (state.HasFloating() && m_floatingSlot.renderer)
      m_floatingSlot.renderer->DrawZoomed(device, state.FloatingAt().left, state.FloatingAt().top,
                                          m_geometry.ZoomPercent());
  }
  DrawOverlay(*dc);
}

void CRetouchView::DrawOverlay(wxDC& dc) {
  // The outlines are drawn white with black dashes over them, which shows on every
  // picture the way inverted ink does, and are taken away by repainting what lies below.
  wxPen white(*wxWHITE, 1);
  wxPen dashes(*wxBLACK, 1, wxPENSTYLE_SHORT_DASH);
  dc.SetBrush(*wxTRANSPARENT_BRUSH);
  if (m_rotationMode) {
    // The overlay is drawn in scroll-area coordinates: the geometry without its scroll.
    RetouchViewGeometry g = m_geometry;
    g.SetScroll({0, 0});
    const auto corners = g.TurnedOutline(m_rotationAngle);
    wxPoint points[5];
    for (int i = 0; i < 4; ++i) points[i] = wxPoint(static_cast<int>(corners[i].x), static_cast<int>(corners[i].y));
    points[4] = points[0];
    for (const wxPen& pen : {white, dashes}) {
      dc.SetPen(pen);
      dc.DrawLines(5, points);
      if (m_rotationTracking) {
        const ScreenPoint centre = g.RotationCentre();
        dc.DrawLine(static_cast<int>(centre.x), static_cast<int>(centre.y), m_rotationPoint.x, m_rotationPoint.y);
      }
    }
    return;
  }
  const PictureRect r = m_tracking.Normalized();
  if (r.Width() == 0 && r.Height() == 0) return;
  if (!(m_selectionExists || m_buttonDown || GetRetouchDoc()->State().HasFloating())) return;
  for (const wxPen& pen : {white, dashes}) {
    dc.SetPen(pen);
    dc.DrawRectangle(r.left, r.top, std::max(r.Width(), 1), std::max(r.Height(), 1));
  }
}

void CRetouchView::RefreshTracking(const PictureRect& rect) {
  const PictureRect r = rect.Normalized();
  if (r.Width() == 0 && r.Height() == 0) return;
  const wxPoint tl = m_canvas->CalcScrolledPosition(wxPoint(r.left, r.top));
  const int w = r.Width() + 1, h = r.Height() + 1;
  // Only the four edges need painting again.
  m_canvas->RefreshRect(wxRect(tl.x - 2, tl.y - 2, w + 4, 5), false);
  m_canvas->RefreshRect(wxRect(tl.x - 2, tl.y + h - 3, w + 4, 5), false);
  m_canvas->RefreshRect(wxRect(tl.x - 2, tl.y - 2, 5, h + 4), false);
  m_canvas->RefreshRect(wxRect(tl.x + w - 3, tl.y - 2, 5, h + 4), false);
}

void CRetouchView::RefreshRotation() { m_canvas->Refresh(false); }

// ---------------------------------------------------------------- status bar

void CRetouchView::SetUpStatusPanes() {
  wxMDIParentFrame* frame = ui::MainWindow();
  wxStatusBar* bar = frame ? frame->GetStatusBar() : nullptr;
  if (bar == nullptr || bar->GetFieldsCount() < 5) return;
  if (!m_panesSetUp) {
    if (wxWindow::FindFocus() != m_canvas) return;
    for (int i = 0; i < 5; ++i) m_savedPanes[i] = {bar->GetStatusText(i), bar->GetStatusWidth(i)};
    std::vector<int> widths(bar->GetFieldsCount());
    for (int i = 0; i < bar->GetFieldsCount(); ++i) widths[i] = bar->GetStatusWidth(i);
    bar->SetStatusWidths(static_cast<int>(widths.size()), widths.data());
    m_panesSetUp = true;
  }
  const Picture& picture = GetRetouchDoc()->GetPicture();
  const wxString texts[3] = {wxString::FromUTF8(SizeText(picture.width, picture.height)),
                             Translated(DepthName(picture.bitsPerPixel)),
                             Filled(ByteSizeText(picture.width, picture.height, picture.bitsPerPixel))};
  // Panes 1 to 3 are 80 pixels wide, or as wide as their text needs in this font, so
  // that no text is cut off.
  std::vector<int> widths(bar->GetFieldsCount());
  for (int i = 0; i < bar->GetFieldsCount(); ++i) widths[i] = bar->GetStatusWidth(i);
  for (int i = 1; i <= 3; ++i) widths[i] = std::max(80, bar->GetTextExtent(texts[i - 1]).x + 16);
  bar->SetStatusWidths(static_cast<int>(widths.size()), widths.data());
  for (int i = 1; i <= 3; ++i) bar->SetStatusText(texts[i - 1], i);
}

void CRetouchView::RestoreStatusPanes() {
  if (!m_panesSetUp) return;
  m_panesSetUp = false;
  wxMDIParentFrame* frame = ui::MainWindow();
  wxStatusBar* bar = frame ? frame->GetStatusBar() : nullptr;
  if (bar == nullptr || bar->GetFieldsCount() < 5) return;
  bar->SetStatusText(m_savedPanes[0].text, 0);
  std::vector<int> widths(bar->GetFieldsCount());
  for (int i = 0; i < bar->GetFieldsCount(); ++i) widths[i] = bar->GetStatusWidth(i);
  for (int i = 1; i <= 3; ++i) {
    bar->SetStatusText(wxString(), i);
    widths[i] = m_savedPanes[i].width;
  }
  bar->SetStatusWidths(static_cast<int>(widths.size()), widths.data());
}

void CRetouchView::ShowStatusText(const wxString& text) {
  wxMDIParentFrame* frame = ui::MainWindow();
  if (wxStatusBar* bar = frame ? frame->GetStatusBar() : nullptr) bar->SetStatusText(text, 0);
}

void CRetouchView::FocusChanged(bool gained) {
  if (m_canvas == nullptr) return;
  if (gained) SetUpStatusPanes();
  else RestoreStatusPanes();
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

// ---------------------------------------------------------------- zoom

void CRetouchView::SetZoomIndex(int index) {
  RetouchPictureState& state = GetRetouchDoc()->State();
  const PictureRect picture = DisplayToPicture(m_tracking);
  if (!m_geometry.SetZoomIndex(index)) return;
  if (state.HasFloating()) {
    state.DiscardFloating();
    m_tracking = {};
    m_displayDirty = true;
  } else {
    m_tracking = PictureToDisplay(picture);
  }
  UpdateScrollArea();
  m_canvas->Refresh(false);
}

void CRetouchView::OnZoom(wxCommandEvent& event) {
  const int id = event.GetId();
  const int steps[] = {XRCID("ID_ZOOM_50"), XRCID("ID_ZOOM_75"), XRCID("ID_ZOOM_100"), XRCID("ID_ZOOM_150"),
                       XRCID("ID_ZOOM_200")};
  for (int i = 0; i < 5; ++i)
    if (id == steps[i]) SetZoomIndex(i);
  if (id == XRCID("ID_ZOOM_IN")) SetZoomIndex(m_geometry.ZoomIndex() + 1);
  if (id == XRCID("ID_ZOOM_OUT")) SetZoomIndex(m_geometry.ZoomIndex() - 1);
}

void CRetouchView::OnUpdateZoom(wxUpdateUIEvent& event) {
  const int id = event.GetId();
  const int steps[] = {XRCID("ID_ZOOM_50"), XRCID("ID_ZOOM_75"), XRCID("ID_ZOOM_100"), XRCID("ID_ZOOM_150"),
                       XRCID("ID_ZOOM_200")};
  for (int i = 0; i < 5; ++i)
    if (id == steps[i]) {
      event.Enable(true);
      event.Check(m_geometry.ZoomIndex() == i);
    }
  if (id == XRCID("ID_ZOOM_IN")) event.Enable(m_geometry.CanZoomIn());
  if (id == XRCID("ID_ZOOM_OUT")) event.Enable(m_geometry.CanZoomOut());
}

// ---------------------------------------------------------------- the mouse

void CRetouchView::LeftDown(const wxPoint& at, bool shift) {
  if (!IsTrueColour() || wxGetMouseState().RightIsDown()) return;
  CRetouchDoc* doc = GetRetouchDoc();
  RetouchPictureState& state = doc->State();
  const ViewPoint p = ToDisplay(at);
  if ((m_zoomMode || shift) && !m_rotationMode) {
    UpdateScrollArea();
    const PictureRect picture = DisplayToPicture(m_tracking);
    if (state.HasFloating()) {
      state.DiscardFloating();
      m_displayDirty = true;
      m_tracking = {};
    }
    m_geometry.ZoomAt({at.x, at.y}, +1);
    if (!state.HasFloating() && m_selectionExists) m_tracking = PictureToDisplay(picture);
    m_canvas->SetVirtualSize(m_geometry.DisplayedWidth(), m_geometry.DisplayedHeight());
    m_canvas->Scroll(m_geometry.Scroll().x, m_geometry.Scroll().y);
    m_canvas->Refresh(false);
    return;
  }
  if (state.HasFloating()) {
    const Picture& floating = state.Floating();
    const bool coversAll = floating.width == state.Current().width && floating.height == state.Current().height;
    if (Contains(m_tracking, p)) {
      if (coversAll) return;  // it cannot be moved anywhere
      m_draggingFloating = true;
      m_dragOffset = {p.x - m_tracking.left, p.y - m_tracking.top};
      m_canvas->CaptureMouse();
      return;
    }
    // A click outside stamps it in where its outline lies.
    const ViewPoint corner = DisplayToPicture(ViewPoint{m_tracking.left, m_tracking.top});
    state.MoveFloating({corner.x, corner.y});
    const bool committed = state.CommitFloating();
    m_tracking = {};
    m_selectionExists = false;
    state.ClearSelection();
    if (committed) doc->Changed(true);
    else m_canvas->Refresh(false);
    return;
  }
  if (m_rotationMode) {
    m_press = p;
    m_rotationPoint = p;
    m_rotationTracking = true;
    m_canvas->CaptureMouse();
    return;
  }
  if (m_selectionExists && Contains(m_tracking, p)) {
    StartSelectionDrag();
    return;
  }
  const PictureRect old = m_tracking;
  m_tracking = {p.x, p.y, p.x, p.y};
  m_press = p;
  m_buttonDown = true;
  m_selectionExists = false;
  RefreshTracking(old);
  m_canvas->SetCursor(wxCursor(wxCURSOR_CROSS));
  m_canvas->CaptureMouse();
}

void CRetouchView::Motion(const wxPoint& at, bool) {
  // While a button is held the pointer stays inside the window.
  const wxSize client = m_canvas->GetClientSize();
  const wxPoint held(std::clamp(at.x, 0, std::max(client.x - 1, 0)), std::clamp(at.y, 0, std::max(client.y - 1, 0)));
  if (m_buttonDown) {
    const ViewPoint p = ToDisplay(held);
    const PictureRect old = m_tracking;
    m_tracking = RetouchViewGeometry::Band(m_press, p);
    RefreshTracking(old);
    RefreshTracking(m_tracking);
    ShowStatusText(wxString::FromUTF8(BandText(DisplayToPicture(m_tracking), std::string(Translated(kPointFormat).utf8_str()),
                                               std::string(Translated(kJoinFormat).utf8_str()),
                                               std::string(Translated(kBandSizeFormat).utf8_str()))));
    return;
  }
  if (m_draggingFloating) {
    const ViewPoint p = ToDisplay(at);
    const PictureRect old = m_tracking;
    const int w = m_tracking.Width(), h = m_tracking.Height();
    m_tracking = {p.x - m_dragOffset.x, p.y - m_dragOffset.y, p.x - m_dragOffset.x + w, p.y - m_dragOffset.y + h};
    RefreshTracking(old);
    RefreshTracking(m_tracking);
    return;
  }
  if (m_rotationTracking) {
    m_rotationPoint = ToDisplay(at);
    UpdateScrollArea();
    const wxPoint press = m_canvas->CalcScrolledPosition(wxPoint(m_press.x, m_press.y));
    m_rotationAngle = m_geometry.RotationAngle({press.x, press.y}, {at.x, at.y});
    RefreshRotation();
    return;
  }
  const ViewPoint picture = DisplayToPicture(ToDisplay(at));
  ShowStatusText(Filled(PositionText(picture)));
}

void CRetouchView::LeftUp(const wxPoint& at) {
  CRetouchDoc* doc = GetRetouchDoc();
  RetouchPictureState& state = doc->State();
  if (m_canvas->HasCapture()) m_canvas->ReleaseMouse();
  if (m_buttonDown) {
    m_buttonDown = false;
    m_canvas->SetCursor(wxNullCursor);
    const wxSize client = m_canvas->GetClientSize();
    const ViewPoint p = ToDisplay(wxPoint(std::clamp(at.x, 0, std::max(client.x - 1, 0)),
                                          std::clamp(at.y, 0, std::max(client.y - 1, 0))));
    const PictureRect old = m_tracking;
    if (RetouchViewGeometry::BandAccepted(m_press, p)) {
      m_tracking = RetouchViewGeometry::Band(m_press, p);
      state.SetSelection(DisplayToPicture(m_tracking));
      m_selectionExists = true;
    } else {
      // A click clears the selection; a band too narrow or too low is dropped.
      m_tracking = {};
      m_selectionExists = false;
      state.ClearSelection();
    }
    RefreshTracking(old);
    RefreshTracking(m_tracking);
    return;
  }
  if (m_draggingFloating) {
    m_draggingFloating = false;
    const ViewPoint corner = DisplayToPicture(ViewPoint{m_tracking.left, m_tracking.top});
    state.MoveFloating({corner.x, corner.y});
    m_tracking = PictureToDisplay({corner.x, corner.y, corner.x + state.Floating().width, corner.y + state.Floating().height});
    m_canvas->Refresh(false);
    return;
  }
  if (m_rotationTracking) {
    m_rotationTracking = false;
    m_rotationMode = false;
    const int angle = m_rotationAngle;
    m_rotationAngle = 0;
    m_canvas->SetCursor(wxNullCursor);
    m_canvas->Refresh(false);
    if (angle % 360 != 0) {
      wxBusyCursor busy;
      ClearSelection();
      doc->Apply(state.RotateFree(angle));
    }
  }
}

void CRetouchView::LeftDoubleClick() {
  if (!m_rotationMode && !m_rotationTracking) return;
  m_rotationMode = false;
  m_rotationTracking = false;
  m_rotationAngle = 0;
  if (m_canvas->HasCapture()) m_canvas->ReleaseMouse();
  m_canvas->SetCursor(wxNullCursor);
  m_canvas->Refresh(false);
}

void CRetouchView::RightDown(const wxPoint& at, bool shift) {
  if ((m_zoomMode || shift) && !m_rotationMode) {
    if (!IsTrueColour()) return;
    RetouchPictureState& state = GetRetouchDoc()->State();
    UpdateScrollArea();
    const PictureRect picture = DisplayToPicture(m_tracking);
    if (state.HasFloating()) {
      state.DiscardFloating();
      m_displayDirty = true;
      m_tracking = {};
    }
    m_geometry.ZoomAt({at.x, at.y}, -1);
    if (m_selectionExists) m_tracking = PictureToDisplay(picture);
    m_canvas->SetVirtualSize(m_geometry.DisplayedWidth(), m_geometry.DisplayedHeight());
    m_canvas->Scroll(m_geometry.Scroll().x, m_geometry.Scroll().y);
    m_canvas->Refresh(false);
    return;
  }
  DiscardFloatingAndSelection();
}

void CRetouchView::ShiftKey(bool down) {
  if (down) {
    if (m_rotationMode || m_zoomMode) return;
    m_zoomMode = true;
    m_canvas->SetCursor(MagnifierCursor());
  } else if (m_zoomMode) {
    m_zoomMode = false;
    m_canvas->SetCursor(m_rotationMode ? wxCursor(wxCURSOR_SIZENWSE) : wxNullCursor);
  }
}

void CRetouchView::Resized() {
  if (m_canvas == nullptr || GetDocument() == nullptr || m_canvas->IsBeingDeleted()) return;
  RetouchPictureState& state = GetRetouchDoc()->State();
  if (state.HasFloating()) {
    state.DiscardFloating();
    m_tracking = {};
    m_displayDirty = true;
  }
  UpdateScrollArea();
  m_canvas->Refresh(false);
}

void CRetouchView::ClearSelection() {
  const PictureRect old = m_tracking;
  m_tracking = {};
  m_selectionExists = false;
  GetRetouchDoc()->State().ClearSelection();
  RefreshTracking(old);
}

void CRetouchView::DiscardFloatingAndSelection() {
  RetouchPictureState& state = GetRetouchDoc()->State();
  if (state.HasFloating()) {
    state.DiscardFloating();
    m_displayDirty = true;
    m_canvas->Refresh(false);
  }
  ClearSelection();
}

void CRetouchView::ShowFloatingOutline() {
  RetouchPictureState& state = GetRetouchDoc()->State();
  const FloatingPosition at = state.FloatingAt();
  m_tracking = PictureToDisplay({at.left, at.top, at.left + state.Floating().width, at.top + state.Floating().height});
  m_selectionExists = false;
}

// ---------------------------------------------------------------- commands

void CRetouchView::OnUpdateTool(wxUpdateUIEvent& event) {
  const int id = event.GetId();
  const RetouchPictureState& state = GetRetouchDoc()->State();
  if (id == XRCID("ID_TRIMMING") || id == wxID_COPY) {
    event.Enable(m_selectionExists && IsTrueColour());
  } else if (id == XRCID("ID_CONVERT_24")) {
    event.Enable(!IsTrueColour());
  } else if (id == XRCID("ID_PHOTO_PROPERTIES")) {
    event.Enable(!Dragging() && !state.HasFloating());
  } else if (id == wxID_UNDO) {
    event.Enable(state.CanUndo());
  } else {
    event.Enable(CanEdit());
  }
}

void CRetouchView::OnTool(wxCommandEvent& event) {
  const int id = event.GetId();
  CRetouchDoc* doc = GetRetouchDoc();
  RetouchPictureState& state = doc->State();
  // Commands arrive from accelerators too: the enabling rules hold for them as well.
  wxUpdateUIEvent check(id);
  check.SetEventObject(m_canvas);
  OnUpdateTool(check);
  if (!check.GetEnabled()) return;

  if (id == XRCID("ID_ADJUST_COLOR")) return doc->AdjustColorCommand();
  if (id == XRCID("ID_ADJUST_CONTRAST")) return doc->AdjustContrastCommand();
  if (id == XRCID("ID_ADJUST_BRIGHTNESS")) return doc->AdjustBrightnessCommand();
  if (id == XRCID("ID_PHOTO_PROPERTIES")) return doc->PhotoPropertiesCommand();
  if (id == XRCID("ID_EDIT_SELECT_ALL") || id == XRCID("ID_EDIT_SELECT_ALL_IMAGES")) {
    const PictureRect old = m_tracking;
    state.SelectAll();
    m_tracking = PictureToDisplay(state.Selection());
    m_selectionExists = true;
    RefreshTracking(old);
    RefreshTracking(m_tracking);
    return;
  }
  if (id == XRCID("ID_ROTATE_MOUSE")) {
    ClearSelection();
    m_rotationMode = true;
    m_rotationAngle = 0;
    m_zoomMode = false;
    m_canvas->SetCursor(wxCursor(wxCURSOR_SIZENWSE));
    m_canvas->Refresh(false);
    return;
  }
  if (id == XRCID("ID_ROTATE_FREE")) {
    CRotateDlg dialog(GetFrame());
    if (dialog.ShowModal() != wxID_OK) return;
    wxBusyCursor busy;
    ClearSelection();
    doc->Apply(state.RotateFree(dialog.Angle()));
    return;
  }
  wxBusyCursor busy;
  if (id == XRCID("ID_SHARPEN")) doc->Apply(state.Sharpen());
  else if (id == XRCID("ID_SOFTEN")) doc->Apply(state.Soften());
  else if (id == XRCID("ID_MOSAIC")) doc->Apply(state.Mosaic());
  else if (id == XRCID("ID_CONVERT_24")) doc->Apply(state.ConvertTo24());
  else if (id == XRCID("ID_TRIMMING")) {
    // The trim takes the selection before the window lets it go.
    const EditResult result = state.Crop();
    ClearSelection();
    doc->Apply(result);
  } else {
    // The commands that change the picture's shape drop the selection.
    ClearSelection();
    if (id == XRCID("ID_ROTATE_180")) doc->Apply(state.Rotate180());
    else if (id == XRCID("ID_ROTATE_90_RIGHT")) doc->Apply(state.Rotate90Right());
    else if (id == XRCID("ID_ROTATE_90_LEFT")) doc->Apply(state.Rotate90Left());
    else if (id == XRCID("ID_SIZE_QUARTER")) doc->Apply(state.ScalePercent(25));
    else if (id == XRCID("ID_SIZE_HALF")) doc->Apply(state.ScalePercent(50));
    else if (id == XRCID("ID_SIZE_DOUBLE")) doc->Apply(state.ScalePercent(200));
    else if (id == XRCID("ID_SIZE_FOUR")) doc->Apply(state.ScalePercent(400));
    else if (id == XRCID("ID_FIT_CAMERA_SIZE")) doc->Apply(state.FitCameraSize());
  }
}

namespace {

// The copy-selection flag raised while the embedded item is handed out, and lowered again
// however that ends.
class CopySelectionRaised {
 public:
  explicit CopySelectionRaised(CRetouchDoc& doc) : m_doc(doc) { m_doc.SetCopySelection(true); }
  ~CopySelectionRaised() { m_doc.SetCopySelection(false); }
  CopySelectionRaised(const CopySelectionRaised&) = delete;
  CopySelectionRaised& operator=(const CopySelectionRaised&) = delete;

 private:
  CRetouchDoc& m_doc;
};

}  // namespace

void CRetouchView::OnCopy(wxCommandEvent&) {
  CRetouchDoc* doc = GetRetouchDoc();
  if (!m_selectionExists || !IsTrueColour()) return;
  try {
    CopySelectionRaised raised(*doc);
    if (!doc->GetEmbeddedItem().CopyToClipboard()) Prompt().Show(kMsgFailedToPutClipboard);
  } catch (const std::bad_alloc&) {
    Prompt().Show(kMsgNotEnoughMemory);
  }
  m_pasteCheckedAt = -1000000;
}

void CRetouchView::StartSelectionDrag() {
  CRetouchDoc* doc = GetRetouchDoc();
  try {
    CopySelectionRaised raised(*doc);
    doc->GetEmbeddedItem().DoDragDrop(m_canvas);
  } catch (const std::bad_alloc&) {
    Prompt().Show(kMsgNotEnoughMemory);
  }
}

void CRetouchView::OnUpdatePaste(wxUpdateUIEvent& event) {
  const long now = static_cast<long>(wxGetLocalTimeMillis().GetValue());
  if (now - m_pasteCheckedAt > 500) {
    m_pasteCheckedAt = now;
    m_pasteOffered = ClipboardOffersPicture();
  }
  event.Enable(m_pasteOffered && CanEdit());
}

void CRetouchView::OnPaste(wxCommandEvent&) {
  if (!CanEdit()) return;
  CRetouchDoc* doc = GetRetouchDoc();
  RetouchPictureState& state = doc->State();
  const auto dib = ReadClipboardDib();
  ClearSelection();
  if (!dib) {
    Prompt().Show(kMsgFailedToReadClipboard);
    return;
  }
  const bool hadFloating = state.HasFloating();
  const PasteResult result = state.Paste(*dib);
  if (result != PasteResult::kLoaded) return;
  if (state.HasFloating()) {
    // The floating picture appears at the window's top-left corner.
    UpdateScrollArea();
    const ViewPoint corner = DisplayToPicture(m_geometry.Scroll());
    state.MoveFloating({corner.x, corner.y});
    ShowFloatingOutline();
    doc->Changed(false);
  } else if (!hadFloating && state.CanUndo()) {
    doc->Changed(true);  // the same-size picture was stamped in at once
  } else {
    doc->Changed(false);
  }
}

void CRetouchView::OnUndo(wxCommandEvent&) {
  CRetouchDoc* doc = GetRetouchDoc();
  RetouchPictureState& state = doc->State();
  if (!state.CanUndo()) return;
  if (state.Undo() != EditResult::kDone) return;
  m_buttonDown = m_draggingFloating = false;
  UpdateScrollArea();
  if (state.HasFloating()) {
    ShowFloatingOutline();
  } else {
    m_tracking = {};
    m_selectionExists = false;
  }
  doc->Changed(true);
}

void CRetouchView::OnDiscard(wxCommandEvent&) { DiscardFloatingAndSelection(); }

void CRetouchView::OnSave(wxCommandEvent& event) {
  m_buttonDown = m_draggingFloating = m_rotationTracking = false;
  m_tracking = {};
  m_selectionExists = false;
  CRetouchDoc* doc = GetRetouchDoc();
  if (event.GetId() == wxID_SAVEAS) doc->SaveAs();
  else doc->Save();
  m_canvas->Refresh(false);
}

void CRetouchView::OnSaveToCamera(wxCommandEvent&) {
  m_buttonDown = m_draggingFloating = m_rotationTracking = false;
  m_tracking = {};
  m_selectionExists = false;
  GetRetouchDoc()->SaveToCamera();
  m_canvas->Refresh(false);
}

void CRetouchView::OnPhotoProperties(wxCommandEvent&) { GetRetouchDoc()->PhotoPropertiesCommand(); }

void CRetouchView::OnPrint(wxCommandEvent&) {
  shell::PrintWithDialog(GetFrame(), new CRetouchPrintout(GetRetouchDoc(), m_displayDepth));
}

void CRetouchView::OnPrintPreview(wxCommandEvent&) {
  shell::ShowPrintPreview(GetFrame(), new CRetouchPrintout(GetRetouchDoc(), m_displayDepth),
                          new CRetouchPrintout(GetRetouchDoc(), m_displayDepth), GetRetouchDoc()->GetUserReadableName());
}

bool CRetouchView::OnClose(bool deleteWindow) {
  RestoreStatusPanes();
  if (!wxView::OnClose(deleteWindow)) return false;
  Activate(false);
  m_canvas = nullptr;
  return true;
}

}  // namespace tessaly::retouch
