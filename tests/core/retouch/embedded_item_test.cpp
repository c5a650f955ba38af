// The embedded item's size in HIMETRIC units and what each drawing covers.
#include "retouch/embedded_item.h"

#include <gtest/gtest.h>

namespace tessaly {
namespace {

TEST(EmbeddedItem, PixelsBecomeHundredthsOfAMillimetre) {
  struct Case {
    int width, height, ppiX, ppiY;
    HimetricSize expected;
  };
  const Case cases[] = {
      {96, 96, 96, 96, {2540, 2540}},      // one inch
      {640, 480, 96, 96, {16933, 12700}},  // 16933.3 rounds down
      {100, 50, 96, 72, {2646, 1764}},     // 2645.8 and 1763.9 round up
      {1, 1, 96, 96, {26, 26}},            // 26.46
      {200, 200, 0, -5, {5292, 5292}},     // no density known: 96
      {0, 0, 96, 96, {0, 0}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.width << "x" << c.height << " at " << c.ppiX << "/" << c.ppiY);
    EXPECT_EQ(PixelsToHimetric(c.width, c.height, c.ppiX, c.ppiY), c.expected);
  }
}

TEST(EmbeddedItem, ExtentIsTheSelectionsSize) {
  ItemDrawState state;
  int w = 0, h = 0;
  ReportExtent(state, {300, 200, {10, 20, 110, 70}}, w, h);
  EXPECT_EQ(w, 100);
  EXPECT_EQ(h, 50);
  EXPECT_EQ(state.extentWidth, 100);
  EXPECT_EQ(state.extentHeight, 50);
  // Without a selection the item is the whole picture.
  ReportExtent(state, {300, 200, {}}, w, h);
  EXPECT_EQ(w, 300);
  EXPECT_EQ(h, 200);
}

TEST(EmbeddedItem, FirstDrawingTakesTheSelectionThenTheWholePicture) {
  struct Step {
    const char* what;
    bool copySelection;
    int drawWidth, drawHeight;
    PictureRect source;
  };
  const ItemSource document{300, 200, {10, 20, 110, 70}};
  ItemDrawState state;
  state.firstDraw = 1;
  const Step steps[] = {
      {"first drawing of a copy: the selection", true, 100, 50, {10, 20, 110, 70}},
      {"second drawing of a copy: the picture's size from the corner", true, 300, 200, {10, 20, 300, 200}},
      {"not copying: the whole picture", false, 300, 200, {0, 0, 300, 200}},
  };
  for (const Step& step : steps) {
    SCOPED_TRACE(step.what);
    ItemSource source = document;
    source.copySelection = step.copySelection;
    const DrawPlan plan = PlanDraw(state, source);
    EXPECT_EQ(plan.drawWidth, step.drawWidth);
    EXPECT_EQ(plan.drawHeight, step.drawHeight);
    EXPECT_EQ(plan.source, step.source);
    EXPECT_EQ(state.firstDraw, 0);
    EXPECT_EQ(state.drawWidth, step.drawWidth);
    EXPECT_EQ(state.sourceX, step.copySelection ? 10 : 0);
    EXPECT_EQ(state.sourceY, step.copySelection ? 20 : 0);
  }
  // The visible origin moves the selection's corner.
  ItemSource shifted = document;
  shifted.copySelection = true;
  shifted.originX = 4;
  shifted.originY = 5;
  state.firstDraw = 1;
  EXPECT_EQ(PlanDraw(state, shifted).source, (PictureRect{6, 15, 106, 65}));
  EXPECT_EQ(RenderedArea(shifted), (PictureRect{6, 15, 106, 65}));
  shifted.copySelection = false;
  EXPECT_EQ(RenderedArea(shifted), (PictureRect{0, 0, 300, 200}));
}

}  // namespace
}  // namespace tessaly
