#include "windows/icon_grid_window.h"

#include <wx/control.h>
#include <wx/dcbuffer.h>
#include <wx/settings.h>

#include <algorithm>
#include <cstdlib>

namespace tessaly::windows {

PixelRect ToPixelRect(const wxRect& r) { return {r.x, r.y, r.width, r.height}; }
wxRect ToWxRect(const PixelRect& r) { return {r.left, r.top, r.width, r.height}; }

CIconGrid::CIconGrid(wxWindow* parent, IconGridOwner& owner, const wxString& name, wxSize iconSize,
                     const wxString& widestCaption)
    : wxScrolledCanvas(parent, wxID_ANY, wxDefaultPosition, wxDefaultSize,
                       wxVSCROLL | wxBORDER_SUNKEN | wxWANTS_CHARS | wxFULL_REPAINT_ON_RESIZE),
      m_owner(owner),
      m_layout(iconSize.x, iconSize.y, 0) {
  SetName(name);
  SetBackgroundStyle(wxBG_STYLE_PAINT);
  SetBackgroundColour(wxSystemSettings::GetColour(wxSYS_COLOUR_LISTBOX));
  SetForegroundColour(wxSystemSettings::GetColour(wxSYS_COLOUR_LISTBOXTEXT));
  SetIconSize(iconSize, widestCaption);
  SetScrollRate(0, 10);
  ShowScrollbars(wxSHOW_SB_NEVER, wxSHOW_SB_DEFAULT);
  Bind(wxEVT_PAINT, &CIconGrid::OnPaint, this);
  Bind(wxEVT_SIZE, &CIconGrid::OnSize, this);
  Bind(wxEVT_LEFT_DOWN, &CIconGrid::OnLeftDown, this);
  Bind(wxEVT_LEFT_UP, &CIconGrid::OnLeftUp, this);
  Bind(wxEVT_LEFT_DCLICK, &CIconGrid::OnDoubleClick, this);
  Bind(wxEVT_MOTION, &CIconGrid::OnMotion, this);
  Bind(wxEVT_KEY_DOWN, &CIconGrid::OnKeyDown, this);
  Bind(wxEVT_MOUSE_CAPTURE_LOST, [this](wxMouseCaptureLostEvent&) {
    m_banding = false;
    Refresh();
  });
  // The right button does nothing here.
  Bind(wxEVT_RIGHT_DOWN, [](wxMouseEvent&) {});
  Bind(wxEVT_RIGHT_UP, [](wxMouseEvent&) {});
}

void CIconGrid::SetIconSize(wxSize iconSize, const wxString& widestCaption) {
  constexpr int kSpacing = 24;
  const int captionWidth = widestCaption.empty() ? 0 : GetTextExtent(widestCaption).x;
  const int spacing = std::max(kSpacing, captionWidth + 12 - iconSize.x);
  m_layout = IconGridLayout(iconSize.x, iconSize.y, GetCharHeight() + 4, spacing);
}

void CIconGrid::ItemsChanged() {
  int width = GetClientSize().GetWidth();
  SetVirtualSize(width, m_layout.ContentHeight(static_cast<int>(Items().size()), width));
  int count = static_cast<int>(Items().size());
  if (m_focus >= count) m_focus = count - 1;
  if (m_anchor >= count) m_anchor = -1;
  Refresh();
}

void CIconGrid::ItemsAdded(int first, int end) {
  if (end <= first) return;
  // Only the new cells are drawn; the others are as they were. The scroll range changes
  // only when the items open a row.
  const int width = GetClientSize().GetWidth();
  const int height = m_layout.ContentHeight(end, width);
  if (height != GetVirtualSize().GetHeight()) SetVirtualSize(width, height);
  wxRect cells = ToWxRect(m_layout.CellRect(first, width));
  if (end - first > 1) {
    // The new cells run from the first one's row to the last one's: whole rows but the first.
    const wxRect last = ToWxRect(m_layout.CellRect(end - 1, width));
    if (last.y != cells.y)
      cells = wxRect(0, cells.y, width, last.GetBottom() + 1 - cells.y);
    else
      cells.Union(last);
  }
  wxRect shown(CalcScrolledPosition(cells.GetPosition()), cells.GetSize());
  shown.Intersect(wxRect(GetClientSize()));
  if (!shown.IsEmpty()) RefreshRect(shown, false);
}

wxRect CIconGrid::IconScreenRect(int i) const {
  wxRect icon = ToWxRect(m_layout.IconRect(i, GetClientSize().GetWidth()));
  wxPoint origin = CalcScrolledPosition(icon.GetPosition());
  return wxRect(ClientToScreen(origin), icon.GetSize());
}

void CIconGrid::EnsureVisible(int i) {
  if (i < 0) return;
  wxRect cell = ToWxRect(m_layout.CellRect(i, GetClientSize().GetWidth()));
  int unitX = 0, unitY = 0;
  GetScrollPixelsPerUnit(&unitX, &unitY);
  if (unitY <= 0) return;
  int top = GetViewStart().y * unitY;
  int height = GetClientSize().GetHeight();
  if (cell.y < top)
    Scroll(-1, cell.y / unitY);
  else if (cell.GetBottom() > top + height)
    Scroll(-1, (cell.GetBottom() - height) / unitY + 1);
}

void CIconGrid::OnPaint(wxPaintEvent&) {
  wxAutoBufferedPaintDC dc(this);
  DoPrepareDC(dc);
  dc.SetBackground(wxBrush(GetBackgroundColour()));
  dc.Clear();
  dc.SetFont(GetFont());
  const int width = GetClientSize().GetWidth();
  int unitX = 0, unitY = 0;
  GetScrollPixelsPerUnit(&unitX, &unitY);
  const int top = GetViewStart().y * std::max(unitY, 1);
  // Only the cells the update region touches are drawn again.
  wxRect visible = GetUpdateRegion().GetBox();
  visible.SetPosition(CalcUnscrolledPosition(visible.GetPosition()));
  if (visible.IsEmpty()) visible = wxRect(0, top, width, GetClientSize().GetHeight());
  const wxColour highlight = wxSystemSettings::GetColour(wxSYS_COLOUR_HIGHLIGHT);
  const wxColour highlightText = wxSystemSettings::GetColour(wxSYS_COLOUR_HIGHLIGHTTEXT);
  const auto& items = Items();
  for (int i = 0; i < static_cast<int>(items.size()); ++i) {
    wxRect cell = ToWxRect(m_layout.CellRect(i, width));
    if (!cell.Intersects(visible)) continue;
    const IconGridItem& item = items[i];
    wxRect icon = ToWxRect(m_layout.IconRect(i, width));
    wxRect caption = ToWxRect(m_layout.CaptionRect(i, width));
    if (item.selected) {
      // The frame is the 2-pixel ring around the icon: filled first, then covered by the
      // icon, so that it is whole on every side and never touches the icon's pixels.
      dc.SetPen(*wxTRANSPARENT_PEN);
      dc.SetBrush(wxBrush(highlight));
      dc.DrawRectangle(wxRect(icon).Inflate(kSelectionFrame));
    }
    if (!item.thumbnail.IsOk()) m_owner.MakeGridIcon(i);
    if (item.thumbnail.IsOk()) dc.DrawBitmap(item.thumbnail, icon.x, icon.y, false);
    wxString text = wxControl::Ellipsize(item.caption, dc, wxELLIPSIZE_MIDDLE, caption.width - 4);
    wxSize extent = dc.GetTextExtent(text);
    wxRect label(caption.x + (caption.width - extent.x) / 2 - 2, caption.y, extent.x + 4, caption.height);
    if (item.selected) {
      dc.SetPen(*wxTRANSPARENT_PEN);
      dc.SetBrush(wxBrush(highlight));
      dc.DrawRectangle(label);
      dc.SetTextForeground(highlightText);
    } else {
      dc.SetTextForeground(GetForegroundColour());
    }
    dc.DrawText(text, label.x + 2, label.y + 2);
    if (i == m_focus && HasFocus() && !m_banding) {
      dc.SetPen(wxPen(GetForegroundColour(), 1, wxPENSTYLE_DOT));
      dc.SetBrush(*wxTRANSPARENT_BRUSH);
      dc.DrawRectangle(label);
    }
  }
  DrawBand(dc);
}

void CIconGrid::DrawBand(wxDC& dc) {
  if (!m_banding) return;
  dc.SetPen(wxPen(GetForegroundColour(), 1, wxPENSTYLE_DOT));
  dc.SetBrush(*wxTRANSPARENT_BRUSH);
  dc.DrawRectangle(wxRect(m_bandStart, m_bandEnd));
}

void CIconGrid::OnSize(wxSizeEvent& event) {
  ItemsChanged();
  event.Skip();
}

int CIconGrid::HitTest(const wxPoint& windowPoint) {
  wxPoint content = CalcUnscrolledPosition(windowPoint);
  return m_layout.HitTest(content.x, content.y, static_cast<int>(Items().size()), GetClientSize().GetWidth());
}

void CIconGrid::SelectOnly(int i) {
  for (auto& item : Items()) item.selected = false;
  if (i >= 0) Items()[i].selected = true;
}

void CIconGrid::OnLeftDown(wxMouseEvent& event) {
  SetFocus();
  int i = HitTest(event.GetPosition());
  auto& items = Items();
  m_pressed = i >= 0;
  m_pressAt = event.GetPosition();
  m_pressedOnSelected = i >= 0 && items[i].selected;
  if (i < 0) {
    if (!event.ControlDown()) SelectOnly(-1);
    // A press beside the items starts a rubber band that selects what it touches.
    m_banding = true;
    m_bandStart = CalcUnscrolledPosition(event.GetPosition());
    m_bandEnd = m_bandStart;
    m_bandBase.clear();
    for (const auto& item : items) m_bandBase.push_back(item.selected);
    CaptureMouse();
  } else if (event.ControlDown()) {
    items[i].selected = !items[i].selected;
    m_anchor = i;
  } else if (event.ShiftDown() && m_anchor >= 0) {
    SelectOnly(-1);
    for (int k = std::min(m_anchor, i); k <= std::max(m_anchor, i); ++k) items[k].selected = true;
  } else {
    // A press on a selected item keeps the selection, so that it can be dragged.
    if (!items[i].selected) SelectOnly(i);
    m_anchor = i;
  }
  if (i >= 0) m_focus = i;
  Refresh();
}

void CIconGrid::OnLeftUp(wxMouseEvent& event) {
  if (m_banding) {
    m_banding = false;
    if (HasCapture()) ReleaseMouse();
    Refresh();
    return;
  }
  if (m_pressed && m_pressedOnSelected && !event.ControlDown() && !event.ShiftDown()) {
    int i = HitTest(event.GetPosition());
    if (i >= 0) SelectOnly(i);
    Refresh();
  }
  m_pressed = false;
}

void CIconGrid::OnDoubleClick(wxMouseEvent& event) {
  int i = HitTest(event.GetPosition());
  if (i < 0) return;
  SelectOnly(i);
  m_focus = i;
  Refresh();
  m_owner.OpenGridItem(i);
}

void CIconGrid::OnMotion(wxMouseEvent& event) {
  if (m_banding && event.LeftIsDown()) {
    m_bandEnd = CalcUnscrolledPosition(event.GetPosition());
    wxRect band(m_bandStart, m_bandEnd);
    auto& items = Items();
    for (std::size_t k = 0; k < items.size(); ++k) items[k].selected = k < m_bandBase.size() && m_bandBase[k];
    for (int k : m_layout.ItemsIn(ToPixelRect(band), static_cast<int>(items.size()), GetClientSize().GetWidth()))
      items[k].selected = true;
    Refresh();
    return;
  }
  if (!m_pressed || !event.LeftIsDown()) return;
  wxPoint moved = event.GetPosition() - m_pressAt;
  if (std::abs(moved.x) <= wxSystemSettings::GetMetric(wxSYS_DRAG_X, this) &&
      std::abs(moved.y) <= wxSystemSettings::GetMetric(wxSYS_DRAG_Y, this))
    return;
  m_pressed = false;
  m_owner.BeginGridDrag();
}

void CIconGrid::OnKeyDown(wxKeyEvent& event) {
  using Move = IconGridLayout::Move;
  Move move;
  switch (event.GetKeyCode()) {
    case WXK_LEFT: move = Move::kLeft; break;
    case WXK_RIGHT: move = Move::kRight; break;
    case WXK_UP: move = Move::kUp; break;
    case WXK_DOWN: move = Move::kDown; break;
    case WXK_HOME: move = Move::kHome; break;
    case WXK_END: move = Move::kEnd; break;
    case WXK_PAGEUP: move = Move::kPageUp; break;
    case WXK_PAGEDOWN: move = Move::kPageDown; break;
    case WXK_RETURN:
    case WXK_NUMPAD_ENTER:
      if (m_focus >= 0) {
        SelectOnly(m_focus);
        Refresh();
        m_owner.OpenGridItem(m_focus);
        return;
      }
      event.Skip();
      return;
    case WXK_SPACE:
      if (event.ControlDown() && m_focus >= 0) {
        Items()[m_focus].selected = !Items()[m_focus].selected;
        Refresh();
        return;
      }
      event.Skip();
      return;
    default: event.Skip(); return;
  }
  auto& items = Items();
  int count = static_cast<int>(items.size());
  int to = m_layout.Moved(m_focus, move, count, GetClientSize().GetWidth(), GetClientSize().GetHeight());
  if (to < 0) return;
  if (event.ShiftDown()) {
    if (m_anchor < 0) m_anchor = std::max(m_focus, 0);
    SelectOnly(-1);
    for (int k = std::min(m_anchor, to); k <= std::max(m_anchor, to); ++k) items[k].selected = true;
  } else if (!event.ControlDown()) {
    SelectOnly(to);
    m_anchor = to;
  }
  m_focus = to;
  EnsureVisible(to);
  Refresh();
}

}  // namespace tessaly::windows
