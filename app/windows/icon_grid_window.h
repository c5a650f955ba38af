// The owner-drawn list of pictures that the album and the camera window show: icons with
// their captions in rows, left to right and then down, scrolled up and down only. The
// grid draws its owner's items and takes the mouse and the keyboard; what a double-click,
// Enter or a drag does is the owner's business.
#pragma once

#include <wx/bitmap.h>
#include <wx/scrolwin.h>

#include <string>
#include <vector>

#include "picture/icon_grid.h"

namespace tessaly::windows {

struct IconGridItem {
  std::string name;    // the file's or picture's name as bytes
  wxString caption;    // the name as shown
  wxBitmap thumbnail;  // the icon's size; made by the owner when first drawn if not set
  bool selected = false;
};

class IconGridOwner {
 public:
  virtual std::vector<IconGridItem>& GridItems() = 0;
  // A double-click on item i, or Enter with i focused.
  virtual void OpenGridItem(int i) = 0;
  // The mouse moved far enough with the button held on a selected item.
  virtual void BeginGridDrag() = 0;
  // Item i is about to be drawn without its icon: the owner may make it now, so that
  // only the icons that are ever seen are turned into bitmaps.
  virtual void MakeGridIcon(int i) { (void)i; }

 protected:
  ~IconGridOwner() = default;
};

PixelRect ToPixelRect(const wxRect& r);
wxRect ToWxRect(const PixelRect& r);

class CIconGrid : public wxScrolledCanvas {
 public:
  // The width of the frame drawn around a selected icon, outside the icon.
  static constexpr int kSelectionFrame = 2;

  CIconGrid(wxWindow* parent, IconGridOwner& owner, const wxString& name, wxSize iconSize,
            const wxString& widestCaption = {});

  const IconGridLayout& Layout() const { return m_layout; }
  // Icons of another size, for all items from now on; the cells are made wide enough for
  // widestCaption as well.
  void SetIconSize(wxSize iconSize, const wxString& widestCaption = {});
  // The screen rectangle of item i's icon, for tests that read pixels back.
  wxRect IconScreenRect(int i) const;
  void ItemsChanged();
  // Item i was added at the end of the list while it is built.
  void ItemAdded(int i) { ItemsAdded(i, i + 1); }
  // Items first .. end - 1 were added at the end of the list: one change of the scroll
  // range and one repaint of the new cells that can be seen.
  void ItemsAdded(int first, int end);
  void EnsureVisible(int i);
  int Focus() const { return m_focus; }
  wxColour Background() const { return GetBackgroundColour(); }

 private:
  std::vector<IconGridItem>& Items() { return m_owner.GridItems(); }
  void OnPaint(wxPaintEvent& event);
  void OnSize(wxSizeEvent& event);
  void OnLeftDown(wxMouseEvent& event);
  void OnLeftUp(wxMouseEvent& event);
  void OnDoubleClick(wxMouseEvent& event);
  void OnMotion(wxMouseEvent& event);
  void OnKeyDown(wxKeyEvent& event);
  int HitTest(const wxPoint& windowPoint);
  void DrawBand(wxDC& dc);
  void SelectOnly(int i);

  IconGridOwner& m_owner;
  IconGridLayout m_layout;
  int m_focus = -1;
  int m_anchor = -1;
  wxPoint m_pressAt;
  bool m_pressed = false;
  bool m_pressedOnSelected = false;
  // The rubber band, in content coordinates, and the selection it started from.
  bool m_banding = false;
  wxPoint m_bandStart, m_bandEnd;
  std::vector<bool> m_bandBase;
};

}  // namespace tessaly::windows
