// The retouch window's arithmetic: zoom steps and conversions, the rubber band's rules,
// the Shift zoom's centring, the mouse rotation about the displayed centre, and the
// status bar texts.
#include "retouch/view_geometry.h"

#include <gtest/gtest.h>

#include <vector>

namespace tessaly {
namespace {

RetouchViewGeometry Geometry(int pictureW, int pictureH, int windowW, int windowH, int zoomIndex = kDefaultZoomIndex) {
  RetouchViewGeometry g;
  g.SetPictureSize(pictureW, pictureH);
  g.SetWindowSize(windowW, windowH);
  g.SetZoomIndex(zoomIndex);
  return g;
}

TEST(RetouchViewGeometry, ZoomStepsGiveTheScrollArea) {
  struct Case {
    int index;
    int percent;
    int displayW;
    int displayH;
  };
  // A 640 x 480 picture; at 75 % the scroll area is 480 x 360.
  const Case cases[] = {
      {0, 50, 320, 240}, {1, 75, 480, 360}, {2, 100, 640, 480}, {3, 150, 960, 720}, {4, 200, 1280, 960}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.percent);
    const RetouchViewGeometry g = Geometry(640, 480, 300, 200, c.index);
    EXPECT_EQ(g.ZoomPercent(), c.percent);
    EXPECT_EQ(g.DisplayedWidth(), c.displayW);
    EXPECT_EQ(g.DisplayedHeight(), c.displayH);
    EXPECT_EQ(g.CanZoomIn(), c.index < 4);
    EXPECT_EQ(g.CanZoomOut(), c.index > 0);
  }
  // Integer division: 101 x 51 at 50 % is 50 x 25; the table's ends hold.
  RetouchViewGeometry g = Geometry(101, 51, 10, 10, 0);
  EXPECT_EQ(g.DisplayedWidth(), 50);
  EXPECT_EQ(g.DisplayedHeight(), 25);
  EXPECT_FALSE(g.SetZoomIndex(-1));
  EXPECT_TRUE(g.SetZoomIndex(9));
  EXPECT_EQ(g.ZoomPercent(), 200);
}

TEST(RetouchViewGeometry, ConversionsUseIntegerDivisionAndTheScrollPosition) {
  struct Case {
    int index;
    ViewPoint scroll;
    ViewPoint picture;
    ViewPoint window;  // picture -> window
    ViewPoint back;    // window -> picture
  };
  const Case cases[] = {
      {2, {0, 0}, {10, 20}, {10, 20}, {10, 20}},
      {2, {30, 5}, {10, 20}, {-20, 15}, {10, 20}},
      {0, {0, 0}, {11, 21}, {5, 10}, {10, 20}},  // 50 %: odd points are lost on the way back
      {1, {0, 0}, {10, 10}, {7, 7}, {9, 9}},     // 75 %: 7.5 -> 7, 700 / 75 = 9
      {4, {100, 50}, {100, 60}, {100, 70}, {100, 60}},
      {3, {0, 0}, {3, 3}, {4, 4}, {2, 2}},  // 150 %: 4.5 -> 4, 400 / 150 = 2
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "zoom " << kZoomSteps[c.index] << " picture " << c.picture.x);
    RetouchViewGeometry g = Geometry(2000, 2000, 100, 100, c.index);
    g.SetScroll(c.scroll);
    EXPECT_EQ(g.ToWindow(c.picture), c.window);
    EXPECT_EQ(g.ToPicture(c.window), c.back);
  }
}

TEST(RetouchViewGeometry, ZoomingKeepsTheTrackingRectangleOverThePicture) {
  RetouchViewGeometry g = Geometry(640, 480, 1000, 1000);
  const PictureRect at100{40, 20, 140, 80};
  const PictureRect at200 = g.Rezoom(4, at100);
  EXPECT_EQ(at200, (PictureRect{80, 40, 280, 160}));
  EXPECT_EQ(g.ToPicture(at200), at100);
  EXPECT_EQ(g.Rezoom(0, at200), (PictureRect{20, 10, 70, 40}));
  // The same step again changes nothing.
  EXPECT_EQ(g.Rezoom(0, PictureRect{1, 2, 3, 4}), (PictureRect{1, 2, 3, 4}));
}

TEST(RetouchViewGeometry, ScrollPositionStaysInsideTheScrollRange) {
  RetouchViewGeometry g = Geometry(640, 480, 300, 200);
  EXPECT_EQ(g.ClampedScroll({-5, 900}), (ViewPoint{0, 280}));
  EXPECT_EQ(g.ClampedScroll({400, 100}), (ViewPoint{340, 100}));
  g.SetScroll({340, 280});
  g.SetZoomIndex(0);  // 320 x 240: only 20 and 40 left to scroll
  EXPECT_EQ(g.Scroll(), (ViewPoint{20, 40}));
  // A picture smaller than the window does not scroll at all.
  EXPECT_EQ(Geometry(100, 100, 300, 200).ClampedScroll({50, 50}), (ViewPoint{0, 0}));
}

TEST(RetouchViewGeometry, ShiftZoomCentresTheClickedPoint) {
  struct Case {
    const char* what;
    int index;
    ViewPoint scroll;
    ViewPoint click;
    int direction;
    bool changed;
    int percent;
    ViewPoint scrollAfter;
  };
  const Case cases[] = {
      // Picture point (200, 150) at 150 % is (300, 225); minus half the window (150, 100).
      {"in, centred", 2, {0, 0}, {200, 150}, +1, true, 150, {150, 125}},
      // Near the top-left corner the scroll position cannot go below 0.
      {"in, held at the corner", 2, {0, 0}, {10, 10}, +1, true, 150, {0, 0}},
      // Out from 100 % at (600, 450): at 75 % it is (450, 337); the range ends at 180, 160.
      {"out, held at the far end", 2, {340, 280}, {260, 170}, -1, true, 75, {180, 160}},
      // At 200 % there is no further step, but the point is still centred.
      {"in at the end", 4, {0, 0}, {400, 300}, +1, false, 200, {250, 200}},
      {"out at the end", 0, {0, 0}, {10, 10}, -1, false, 50, {0, 0}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    RetouchViewGeometry g = Geometry(640, 480, 300, 200, c.index);
    g.SetScroll(c.scroll);
    EXPECT_EQ(g.ZoomAt(c.click, c.direction), c.changed);
    EXPECT_EQ(g.ZoomPercent(), c.percent);
    EXPECT_EQ(g.Scroll(), c.scrollAfter);
  }
}

TEST(RetouchViewGeometry, RubberBandNeedsFourPixelsWidthAndOneHeight) {
  struct Case {
    ViewPoint press;
    ViewPoint release;
    bool accepted;
  };
  const Case cases[] = {
      {{10, 10}, {13, 30}, false},                               // 3 wide
      {{10, 10}, {14, 30}, true},                                // 4 wide
      {{14, 30}, {10, 10}, true},                                // dragged up and left
      {{10, 10}, {7, 30}, false},  {{10, 10}, {40, 10}, false},  // no height
      {{10, 10}, {40, 11}, true},  {{10, 10}, {10, 10}, false},  // a click
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.press.x << "," << c.press.y << " -> " << c.release.x << "," << c.release.y);
    EXPECT_EQ(RetouchViewGeometry::BandAccepted(c.press, c.release), c.accepted);
  }
  EXPECT_EQ(RetouchViewGeometry::Band({14, 30}, {10, 10}), (PictureRect{10, 10, 14, 30}));
  EXPECT_EQ(RetouchViewGeometry::Scrolled({10, 10, 20, 20}, 5, -3), (PictureRect{5, 13, 15, 23}));
}

TEST(RetouchViewGeometry, MouseRotationTurnsAboutTheDisplayedCentre) {
  RetouchViewGeometry g = Geometry(200, 100, 500, 500);  // centre (100, 50)
  EXPECT_EQ(g.RotationCentre(), (ScreenPoint{100, 50}));
  // From the right of the centre to below it is a quarter turn clockwise on screen.
  EXPECT_EQ(g.RotationAngle({150, 50}, {100, 100}), 90);
  EXPECT_EQ(g.RotationAngle({100, 100}, {150, 50}), 270);
  // Back where it started: 0, which means no turn.
  EXPECT_EQ(g.RotationAngle({150, 50}, {150, 50}), 0);
  g.SetZoomIndex(4);  // 400 x 200: centre (200, 100), minus the scroll
  g.SetScroll({50, 20});
  EXPECT_EQ(g.RotationCentre(), (ScreenPoint{150, 80}));
  const auto outline = g.TurnedOutline(0);
  EXPECT_EQ(outline[0], (ScreenPoint{-50, -20}));
  EXPECT_EQ(outline[2], (ScreenPoint{350, 180}));
}

TEST(RetouchViewStatus, PaneTexts) {
  EXPECT_EQ(SizeText(640, 480), "640x480");
  struct Case {
    int w, h, depth;
    std::string text;
  };
  const Case cases[] = {
      {640, 480, 24, "900 KByte"}, {1280, 1024, 24, "3 MByte"}, {16, 16, 24, "768 Byte"},      {32, 32, 8, "1 KByte"},
      {31, 33, 8, "1023 Byte"},    {1024, 1024, 8, "1 MByte"},  {1023, 1024, 8, "1023 KByte"}, {9, 1, 1, "1 Byte"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    EXPECT_EQ(ByteSizeText(c.w, c.h, c.depth).English(), c.text);
  }
  EXPECT_EQ(PositionText({12, 7}).English(), "( 12, 7)");
  EXPECT_EQ(BandText({30, 40, 10, 20}, kPointFormat, kJoinFormat, kBandSizeFormat),
            "( 10, 20) - ( 30, 40) Width : 20 Height : 20");
  EXPECT_EQ(FillFormat("%2/%1%", "a", "b"), "b/a%");
}

TEST(RetouchViewGeometry, BackgroundShowsRightOfAndBelowThePicture) {
  struct Case {
    const char* description;
    PictureRect area;
    std::vector<PictureRect> parts;
  };
  // A 100 x 80 picture at 50 %: 50 x 40 on the screen.
  const Case cases[] = {
      {"all over the picture", {0, 0, 50, 40}, {}},
      {"the whole window", {0, 0, 300, 200}, {{50, 0, 300, 200}, {0, 40, 50, 200}}},
      {"right of it only", {60, 10, 90, 30}, {{60, 10, 90, 30}}},
      {"below it only", {10, 50, 30, 70}, {{10, 50, 30, 70}}},
      {"across its corner", {40, 30, 60, 50}, {{50, 30, 60, 50}, {40, 40, 50, 50}}},
  };
  const RetouchViewGeometry g = Geometry(100, 80, 300, 200, 0);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.description);
    EXPECT_EQ(g.Background(c.area), c.parts);
  }
}

}  // namespace
}  // namespace tessaly
