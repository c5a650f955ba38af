#include "picture/icon_grid.h"

#include <gtest/gtest.h>

namespace tessaly {
namespace {

// Cells of 104 x 88: an 80 x 60 icon, a 16-pixel caption, spacing 24 across and 12 down.
const IconGridLayout kGrid(80, 60, 16);

TEST(IconGridLayout, FillsRowsLeftToRightAsWideAsTheWindow) {
  EXPECT_EQ(kGrid.CellWidth(), 104);
  EXPECT_EQ(kGrid.CellHeight(), 88);
  EXPECT_EQ(kGrid.Columns(50), 1);  // never fewer than one
  EXPECT_EQ(kGrid.Columns(520), 5);
  EXPECT_EQ(kGrid.Columns(623), 5);
  EXPECT_EQ(kGrid.CellRect(4, 520), (PixelRect{416, 0, 104, 88}));
  EXPECT_EQ(kGrid.CellRect(5, 520), (PixelRect{0, 88, 104, 88}));
  EXPECT_EQ(kGrid.IconRect(6, 520), (PixelRect{104 + 12, 88 + 6, 80, 60}));
  EXPECT_EQ(kGrid.ContentHeight(0, 520), 0);
  EXPECT_EQ(kGrid.ContentHeight(10, 520), 176);
  EXPECT_EQ(kGrid.ContentHeight(11, 520), 264);
}

TEST(IconGridLayout, HitsIconsAndCaptionsOnly) {
  struct Case {
    int x, y, expected;
  } cases[] = {
      {12, 6, 0},   // the first icon's corner
      {91, 65, 0},  // its last pixel
      {5, 5, -1},   // spacing left of the icon
      {50, 70, 0},  // the caption
      {116, 6, 1},  // the second icon
      {12 + 104 * 4, 6 + 88, 9},
      {12 + 104 * 4, 6 + 88 * 2, -1},  // past the last item
      {530, 10, -1},                   // right of the last column
      {-1, 10, -1},
  };
  for (const auto& c : cases) EXPECT_EQ(kGrid.HitTest(c.x, c.y, 10, 520), c.expected) << c.x << "," << c.y;
  EXPECT_EQ(kGrid.ItemsIn({0, 0, 220, 50}, 10, 520), (std::vector<int>{0, 1}));  // icon 2 starts at 220
  EXPECT_EQ(kGrid.ItemsIn({0, 0, 221, 50}, 10, 520), (std::vector<int>{0, 1, 2}));
}

TEST(IconGridLayout, KeysMoveByCellsRowsAndPagesInsideTheList) {
  using Move = IconGridLayout::Move;
  struct Case {
    int from;
    Move move;
    int expected;
  } cases[] = {
      {-1, Move::kRight, 0}, {0, Move::kLeft, 0},      {4, Move::kRight, 5},   {5, Move::kUp, 0},
      {1, Move::kUp, 1},     {7, Move::kDown, 7},      {2, Move::kDown, 7},    {3, Move::kHome, 0},
      {3, Move::kEnd, 11},   {0, Move::kPageDown, 10}, {11, Move::kPageUp, 1}, {11, Move::kRight, 11},
  };
  // 12 items, 5 across, two rows to a page of 200 pixels.
  for (const auto& c : cases)
    EXPECT_EQ(kGrid.Moved(c.from, c.move, 12, 520, 200), c.expected) << c.from << " " << static_cast<int>(c.move);
  EXPECT_EQ(kGrid.Moved(0, Move::kRight, 0, 520, 200), -1);
}

}  // namespace
}  // namespace tessaly
