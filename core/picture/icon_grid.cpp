#include "picture/icon_grid.h"

#include <algorithm>

namespace tessaly {
namespace {

bool Inside(const PixelRect& r, int x, int y) {
  return x >= r.left && x < r.left + r.width && y >= r.top && y < r.top + r.height;
}

bool Meets(const PixelRect& a, const PixelRect& b) {
  return a.left < b.left + b.width && b.left < a.left + a.width && a.top < b.top + b.height && b.top < a.top + a.height;
}

}  // namespace

int IconGridLayout::Columns(int clientWidth) const { return std::max(1, clientWidth / CellWidth()); }

int IconGridLayout::ContentHeight(int items, int clientWidth) const {
  if (items <= 0) return 0;
  int rows = (items + Columns(clientWidth) - 1) / Columns(clientWidth);
  return rows * CellHeight();
}

PixelRect IconGridLayout::CellRect(int i, int clientWidth) const {
  int columns = Columns(clientWidth);
  return {(i % columns) * CellWidth(), (i / columns) * CellHeight(), CellWidth(), CellHeight()};
}

PixelRect IconGridLayout::IconRect(int i, int clientWidth) const {
  PixelRect cell = CellRect(i, clientWidth);
  return {cell.left + m_spacingX / 2, cell.top + m_spacingY / 2, m_iconWidth, m_iconHeight};
}

PixelRect IconGridLayout::CaptionRect(int i, int clientWidth) const {
  PixelRect cell = CellRect(i, clientWidth);
  return {cell.left + 2, cell.top + m_spacingY / 2 + m_iconHeight + 2, cell.width - 4, m_captionHeight};
}

int IconGridLayout::HitTest(int x, int y, int items, int clientWidth) const {
  if (x < 0 || y < 0) return -1;
  int columns = Columns(clientWidth);
  int column = x / CellWidth();
  if (column >= columns) return -1;
  int i = (y / CellHeight()) * columns + column;
  if (i >= items) return -1;
  return Inside(IconRect(i, clientWidth), x, y) || Inside(CaptionRect(i, clientWidth), x, y) ? i : -1;
}

std::vector<int> IconGridLayout::ItemsIn(const PixelRect& area, int items, int clientWidth) const {
  std::vector<int> found;
  for (int i = 0; i < items; ++i) {
    PixelRect icon = IconRect(i, clientWidth), caption = CaptionRect(i, clientWidth);
    if (Meets(area, icon) || Meets(area, caption)) found.push_back(i);
  }
  return found;
}

int IconGridLayout::Moved(int from, Move move, int items, int clientWidth, int clientHeight) const {
  if (items <= 0) return -1;
  if (from < 0) return 0;
  int columns = Columns(clientWidth);
  int pageRows = std::max(1, clientHeight / CellHeight());
  int to = from;
  switch (move) {
    case Move::kLeft: to = from - 1; break;
    case Move::kRight: to = from + 1; break;
    case Move::kUp: to = from - columns >= 0 ? from - columns : from; break;
    case Move::kDown: to = from + columns < items ? from + columns : from; break;
    case Move::kHome: to = 0; break;
    case Move::kEnd: to = items - 1; break;
    case Move::kPageUp: to = from - pageRows * columns; break;
    case Move::kPageDown: to = from + pageRows * columns; break;
  }
  return std::clamp(to, 0, items - 1);
}

}  // namespace tessaly
