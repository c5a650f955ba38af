// The arrangement of the album's and the camera window's icons: cells of one size laid
// out in rows, left to right and then down, as many across as the window is wide,
// scrolled up and down only.
#pragma once

#include <vector>

#include "picture/render_device.h"

namespace tessaly {

class IconGridLayout {
 public:
  // A cell holds the thumbnail centred at its top and the caption lines beneath.
  IconGridLayout(int iconWidth, int iconHeight, int captionHeight, int spacingX = 24, int spacingY = 12)
      : m_iconWidth(iconWidth),
        m_iconHeight(iconHeight),
        m_captionHeight(captionHeight),
        m_spacingX(spacingX),
        m_spacingY(spacingY) {}

  int CellWidth() const { return m_iconWidth + m_spacingX; }
  int CellHeight() const { return m_iconHeight + m_captionHeight + m_spacingY; }

  // Cells across a client area of this width (at least one).
  int Columns(int clientWidth) const;
  // The height all items take, for the scroll range.
  int ContentHeight(int items, int clientWidth) const;

  // Where item i goes, in content coordinates (before scrolling).
  PixelRect CellRect(int i, int clientWidth) const;
  PixelRect IconRect(int i, int clientWidth) const;
  PixelRect CaptionRect(int i, int clientWidth) const;

  // The item whose thumbnail or caption lies under a content point, or -1.
  int HitTest(int x, int y, int items, int clientWidth) const;
  // The items whose cells meet a content rectangle (a rubber band), in order.
  std::vector<int> ItemsIn(const PixelRect& area, int items, int clientWidth) const;

  // Keyboard moves from item `from`: one cell left, right, up or down, or the first and
  // last item; stays inside 0 .. items - 1.
  enum class Move { kLeft, kRight, kUp, kDown, kHome, kEnd, kPageUp, kPageDown };
  int Moved(int from, Move move, int items, int clientWidth, int clientHeight) const;

 private:
  int m_iconWidth;
  int m_iconHeight;
  int m_captionHeight;
  int m_spacingX;
  int m_spacingY;
};

}  // namespace tessaly
