// The retouch window's mouse and keyboard handling as sequences of inputs: the rubber
// band, the drag of a shown selection, the floating picture, the Shift zoom, the mouse
// rotation, the zoom commands and scrolling, each with the actions the window carries
// out and the selection the document ends with.
#include "retouch/interaction.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "test_support/pictures.h"
#include "test_support/recorded_prompt.h"

namespace tessaly {
namespace {

using Kind = PictureEdit::Kind;

// One input of a sequence.
struct Input {
  enum class What { kPress, kMove, kRelease, kRightPress, kDoubleClick, kShiftDown, kShiftUp, kDiscard, kZoom };
  What what;
  ViewPoint at{};
  bool shift = false;
  int zoomIndex = 0;
};

Input Press(int x, int y, bool shift = false) { return {Input::What::kPress, {x, y}, shift}; }
Input Move(int x, int y) { return {Input::What::kMove, {x, y}}; }
Input Release(int x, int y) { return {Input::What::kRelease, {x, y}}; }
Input RightPress(int x, int y, bool shift = false) { return {Input::What::kRightPress, {x, y}, shift}; }
Input Zoom(int index) { return {Input::What::kZoom, {}, false, index}; }

// A window of 800 x 600 over a picture, which plays the document: it makes each edit
// and tells the interaction, as the document's update does.
class Window {
 public:
  explicit Window(Picture picture, int width = 800, int height = 600) {
    m_picture.SetPicture(std::move(picture));
    m_model.SetPictureSize(m_picture.Current().width, m_picture.Current().height);
    m_model.SetWindow(width, height, {0, 0});
  }

  InteractionActions Feed(const Input& input) {
    InteractionActions actions;
    switch (input.what) {
      case Input::What::kPress: actions = m_model.Press({input.at, input.shift, false}, m_picture); break;
      case Input::What::kMove: actions = m_model.Move(input.at, m_picture); break;
      case Input::What::kRelease: actions = m_model.Release(input.at, m_picture); break;
      case Input::What::kRightPress: actions = m_model.RightPress({input.at, input.shift, false}, m_picture); break;
      case Input::What::kDoubleClick: actions = m_model.DoubleClick(); break;
      case Input::What::kShiftDown: actions = m_model.Shift(true); break;
      case Input::What::kShiftUp: actions = m_model.Shift(false); break;
      case Input::What::kDiscard: actions = m_model.Discard(m_picture); break;
      case Input::What::kZoom: actions = m_model.SetZoom(input.zoomIndex, m_picture); break;
    }
    if (actions.edit.kind != Kind::kNone) {
      MakeEdit(m_picture, actions.edit);
      m_model.PictureChanged(m_picture);
    }
    return actions;
  }
  InteractionActions Feed(std::initializer_list<Input> inputs) {
    InteractionActions last;
    for (const Input& input : inputs) last = Feed(input);
    return last;
  }
  // A picture pasted to float at `at`, as Paste leaves it.
  void Float(Picture floating, FloatingPosition at) {
    ASSERT_EQ(m_picture.PastePicture(std::move(floating)), PasteResult::kLoaded);
    m_picture.MoveFloating(at);
    m_model.PictureChanged(m_picture);
  }

  RetouchInteraction m_model;
  RetouchPictureState m_picture;
};

TEST(RetouchInteraction, RubberBandBecomesTheDocumentsSelection) {
  struct Case {
    const char* description;
    int zoomIndex;
    ViewPoint from, to;
    PictureRect selection;  // empty: none
    PictureRect outline;    // window pixels; empty: none drawn
  };
  const Case cases[] = {
      {"three pixels wide is dropped", 2, {10, 10}, {13, 30}, {}, {}},
      {"four pixels wide is a selection", 2, {10, 10}, {14, 30}, {10, 10, 14, 30}, {10, 10, 14, 30}},
      {"dragged up and left", 2, {60, 50}, {20, 20}, {20, 20, 60, 50}, {20, 20, 60, 50}},
      {"no height is dropped", 2, {10, 10}, {40, 10}, {}, {}},
      {"at 200 % in picture pixels", 4, {100, 100}, {300, 160}, {50, 50, 150, 80}, {100, 100, 300, 160}},
      {"at 75 % the outline stays as dragged", 1, {10, 10}, {50, 40}, {13, 13, 66, 53}, {10, 10, 50, 40}},
      {"held inside the window", 3, {780, 550}, {900, 700}, {520, 366, 532, 399}, {780, 550, 799, 599}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.description);
    Window w(test::Make24(640, 480, 0));
    w.Feed(Zoom(c.zoomIndex));
    const InteractionActions pressed = w.Feed(Press(c.from.x, c.from.y));
    EXPECT_EQ(pressed.capture, MouseCapture::kCapture);
    EXPECT_EQ(pressed.cursor, RetouchCursor::kCross);
    EXPECT_TRUE(w.m_model.Dragging());
    w.Feed(Move(c.to.x, c.to.y));
    const InteractionActions released = w.Feed(Release(c.to.x, c.to.y));
    EXPECT_EQ(released.capture, MouseCapture::kRelease);
    EXPECT_EQ(released.cursor, RetouchCursor::kArrow);
    EXPECT_EQ(released.repaint, Repaint::kOutline);
    EXPECT_EQ(w.m_picture.Selection(), c.selection);
    EXPECT_EQ(w.m_model.SelectionShown(), !c.selection.Empty());
    EXPECT_EQ(w.m_model.OutlineRect(), c.outline);
    EXPECT_FALSE(w.m_model.Dragging());
  }
}

TEST(RetouchInteraction, StatusTextFollowsTheMouseAndTheBand) {
  Window w(test::Make24(640, 480, 0));
  w.Feed(Zoom(4));
  EXPECT_EQ(w.Feed(Move(31, 21)).positionText, (ViewPoint{15, 10}));
  w.Feed(Press(10, 10));
  const InteractionActions moved = w.Feed(Move(50, 30));
  EXPECT_FALSE(moved.positionText);
  EXPECT_EQ(moved.bandText, (PictureRect{5, 5, 25, 15}));
  EXPECT_EQ(moved.repaint, Repaint::kOutline);
  EXPECT_EQ(moved.previousOutline, (PictureRect{10, 10, 10, 10}));
}

TEST(RetouchInteraction, AClickClearsTheSelectionAndAPressInsideItDragsIt) {
  Window w(test::Make24(200, 100, 0));
  w.Feed({Press(10, 10), Move(60, 50), Release(60, 50)});
  ASSERT_TRUE(w.m_model.SelectionShown());
  const InteractionActions inside = w.Feed(Press(30, 30));
  EXPECT_TRUE(inside.startSelectionDrag);
  EXPECT_EQ(inside.capture, MouseCapture::kKeep);
  EXPECT_FALSE(w.m_model.Dragging());
  EXPECT_EQ(w.m_picture.Selection(), (PictureRect{10, 10, 60, 50}));

  w.Feed({Press(100, 80), Release(100, 80)});
  EXPECT_FALSE(w.m_model.SelectionShown());
  EXPECT_TRUE(w.m_picture.Selection().Empty());

  // Esc: the selection goes with its outline.
  w.Feed({Press(10, 10), Move(60, 50), Release(60, 50)});
  const InteractionActions discarded = w.Feed(Input{Input::What::kDiscard});
  EXPECT_EQ(discarded.edit.kind, Kind::kDiscard);
  EXPECT_EQ(discarded.previousOutline, (PictureRect{10, 10, 60, 50}));
  EXPECT_TRUE(w.m_picture.Selection().Empty());
  EXPECT_EQ(w.m_model.Outline(), OutlineKind::kNone);
}

TEST(RetouchInteraction, FloatingPictureIsDraggedThenStampedInByAClickOutside) {
  test::RecordedPrompt prompt;
  Window w(test::Make24(200, 150, 0));
  w.Float(test::Filled(40, 30, {0, 0, 255}), {0, 0});
  EXPECT_EQ(w.m_model.Outline(), OutlineKind::kFloating);
  EXPECT_EQ(w.m_model.OutlineRect(), (PictureRect{0, 0, 40, 30}));

  EXPECT_EQ(w.Feed(Press(10, 10)).capture, MouseCapture::kCapture);
  w.Feed(Move(60, 50));
  EXPECT_EQ(w.m_model.OutlineRect(), (PictureRect{50, 40, 90, 70}));
  const InteractionActions dropped = w.Feed(Release(60, 50));
  EXPECT_EQ(dropped.edit, (PictureEdit{Kind::kMoveFloating, {}, {50, 40}, 0}));
  EXPECT_EQ(w.m_picture.FloatingAt(), (FloatingPosition{50, 40}));

  const InteractionActions outside = w.Feed(Press(150, 120));
  EXPECT_EQ(outside.edit, (PictureEdit{Kind::kCommitFloating, {}, {50, 40}, 0}));
  EXPECT_EQ(outside.repaint, Repaint::kAll);
  EXPECT_FALSE(w.m_picture.HasFloating());
  EXPECT_EQ(test::At(w.m_picture.Current(), 50, 40), (test::Bgr{0, 0, 255}));
  EXPECT_EQ(w.m_model.Outline(), OutlineKind::kNone);
  EXPECT_TRUE(prompt.Texts().empty());
}

TEST(RetouchInteraction, AFloatingPictureAsLargeAsThePictureStaysPut) {
  Window w(test::Make24(40, 30, 0));
  w.Float(test::Filled(40, 30, {0, 0, 255}), {0, 0});
  const InteractionActions pressed = w.Feed(Press(10, 10));
  EXPECT_EQ(pressed.capture, MouseCapture::kKeep);
  EXPECT_EQ(pressed.edit.kind, Kind::kNone);
  EXPECT_FALSE(w.m_model.Dragging());
  EXPECT_TRUE(w.m_picture.HasFloating());
}

TEST(RetouchInteraction, ShiftZoomsAboutTheClickedPoint) {
  Window w(test::Make24(1280, 960, 0));
  EXPECT_EQ(w.Feed(Input{Input::What::kShiftDown}).cursor, RetouchCursor::kMagnifier);
  EXPECT_TRUE(w.m_model.ZoomMode());
  const InteractionActions in = w.Feed(Press(600, 450));
  EXPECT_TRUE(in.scrollArea);
  EXPECT_TRUE(in.scrollToGeometry);
  EXPECT_EQ(w.m_model.Geometry().ZoomPercent(), 150);
  // The clicked point (600, 450) is at (900, 675) of the scroll area, in the middle.
  EXPECT_EQ(w.m_model.Geometry().Scroll(), (ViewPoint{500, 375}));
  EXPECT_FALSE(w.m_model.Dragging());
  w.Feed(RightPress(10, 10));
  EXPECT_EQ(w.m_model.Geometry().ZoomPercent(), 100);
  EXPECT_EQ(w.Feed(Input{Input::What::kShiftUp}).cursor, RetouchCursor::kArrow);
  EXPECT_FALSE(w.m_model.ZoomMode());
  // A click with Shift held zooms even before the key's own event.
  w.Feed(Press(10, 10, true));
  EXPECT_EQ(w.m_model.Geometry().ZoomPercent(), 150);
}

TEST(RetouchInteraction, ZoomKeepsTheSelectionOverItsPixelsAndDiscardsAFloatingPicture) {
  Window w(test::Make24(640, 480, 0));
  w.Feed({Press(10, 20), Move(110, 70), Release(110, 70)});
  const InteractionActions zoomed = w.Feed(Zoom(4));
  EXPECT_TRUE(zoomed.scrollArea);
  EXPECT_EQ(zoomed.edit.kind, Kind::kNone);
  EXPECT_EQ(w.m_model.OutlineRect(), (PictureRect{20, 40, 220, 140}));
  EXPECT_EQ(w.m_picture.Selection(), (PictureRect{10, 20, 110, 70}));
  // The same step again changes nothing.
  EXPECT_FALSE(w.Feed(Zoom(4)).scrollArea);
  EXPECT_EQ(w.m_model.ZoomStepOf(RetouchCommandRowOf(RetouchCommand::kZoomOut)), 3);
  EXPECT_EQ(w.m_model.ZoomStepOf(RetouchCommandRowOf(RetouchCommand::kZoom75)), 1);
  EXPECT_EQ(w.m_model.ZoomStepOf(RetouchCommandRowOf(RetouchCommand::kSharpen)), std::nullopt);

  Window f(test::Make24(640, 480, 0));
  f.Float(test::Make24(50, 40, 9), {0, 0});
  EXPECT_EQ(f.Feed(Zoom(1)).edit.kind, Kind::kDiscard);
  EXPECT_FALSE(f.m_picture.HasFloating());
  EXPECT_EQ(f.m_model.Outline(), OutlineKind::kNone);
  EXPECT_EQ(f.m_model.Geometry().DisplayedWidth(), 480);
}

TEST(RetouchInteraction, ScrollingMovesTheOutlineWithThePicture) {
  Window w(test::Make24(1280, 960, 0));
  w.Feed({Press(10, 20), Move(110, 70), Release(110, 70)});
  w.m_model.SetWindow(800, 600, {30, 5});
  EXPECT_EQ(w.m_model.OutlineRect(), (PictureRect{-20, 15, 80, 65}));
  // The band's corner is still picture pixel (10, 20).
  EXPECT_EQ(w.m_model.Geometry().ToPicture(ViewPoint{-20, 15}), (ViewPoint{10, 20}));
}

TEST(RetouchInteraction, MouseRotation) {
  Window w(test::Make24(200, 100, 0));
  w.Feed({Press(10, 10), Move(60, 50), Release(60, 50)});
  const InteractionActions started = w.m_model.StartRotation();
  EXPECT_EQ(started.cursor, RetouchCursor::kRotate);
  EXPECT_EQ(started.edit.kind, Kind::kClearSelection);
  EXPECT_EQ(w.m_model.Outline(), OutlineKind::kNone);
  // Shift does not enter the zoom mode while rotating, neither by key nor with a click.
  EXPECT_FALSE(w.Feed(Input{Input::What::kShiftDown}).cursor);
  EXPECT_FALSE(w.m_model.ZoomMode());
  w.Feed(Press(150, 50, true));
  EXPECT_TRUE(w.m_model.RotationTracking());
  w.Feed(Move(100, 100));
  EXPECT_EQ(w.m_model.RotationAngle(), 90);
  // Back where it started: 0 degrees, nothing to do.
  w.Feed(Move(150, 50));
  InteractionActions released = w.Feed(Release(150, 50));
  EXPECT_EQ(released.edit.kind, Kind::kNone);
  EXPECT_FALSE(w.m_model.RotationMode());

  w.m_model.StartRotation();
  w.Feed({Press(150, 50), Move(100, 100)});
  released = w.Feed(Release(100, 100));
  EXPECT_EQ(released.edit, (PictureEdit{Kind::kRotate, {}, {}, 90}));
  EXPECT_EQ(released.cursor, RetouchCursor::kArrow);
  EXPECT_EQ(w.m_picture.Current().width, 100);
  EXPECT_EQ(w.m_picture.Current().height, 200);
  EXPECT_EQ(w.m_model.RotationAngle(), 0);

  // A double click ends the mode.
  w.m_model.StartRotation();
  const InteractionActions ended = w.Feed(Input{Input::What::kDoubleClick});
  EXPECT_EQ(ended.capture, MouseCapture::kRelease);
  EXPECT_FALSE(w.m_model.RotationMode());
  EXPECT_EQ(w.Feed(Input{Input::What::kDoubleClick}).repaint, Repaint::kNone);
}

TEST(RetouchInteraction, APalettePictureTakesNoMouseEditsButTheRightButtonStillDiscards) {
  Window w(test::Indexed(40, 30, 8));
  EXPECT_EQ(w.Feed(Press(10, 10)).capture, MouseCapture::kKeep);
  EXPECT_FALSE(w.m_model.Dragging());
  EXPECT_FALSE(w.Feed(Press(10, 10, true)).scrollArea);
  EXPECT_FALSE(w.Feed(RightPress(10, 10, true)).scrollArea);
  EXPECT_EQ(w.Feed(RightPress(10, 10)).edit.kind, Kind::kDiscard);
}

TEST(RetouchInteraction, TheDocumentsChangesReachTheOutline) {
  Window w(test::Make24(200, 100, 0));
  w.Feed({Press(10, 10), Move(60, 50), Release(60, 50)});
  // A turn drops the selection: its outline goes.
  ASSERT_EQ(w.m_picture.Rotate180(), EditResult::kDone);
  const InteractionActions changed = w.m_model.PictureChanged(w.m_picture);
  EXPECT_EQ(changed.repaint, Repaint::kOutline);
  EXPECT_EQ(w.m_model.Outline(), OutlineKind::kNone);
  // Select All shows the whole picture's outline.
  w.m_picture.SelectAll();
  w.m_model.ShowSelection(w.m_picture);
  EXPECT_EQ(w.m_model.OutlineRect(), (PictureRect{0, 0, 200, 100}));
  EXPECT_EQ(w.m_model.PasteCorner(), (FloatingPosition{0, 0}));
  // Save takes the outline away.
  w.m_model.Reset();
  EXPECT_FALSE(w.m_model.SelectionShown());
}

TEST(RetouchInteraction, CommandContextJoinsTheWindowAndThePicture) {
  Window w(test::Make24(200, 100, 0));
  RetouchCommandContext c = w.m_model.CommandContext(w.m_picture, true);
  EXPECT_TRUE(c.trueColour);
  EXPECT_FALSE(c.selectionShown);
  EXPECT_FALSE(c.dragging);
  EXPECT_EQ(c.zoomIndex, kDefaultZoomIndex);
  w.Feed({Press(10, 10), Move(60, 50)});
  EXPECT_TRUE(w.m_model.CommandContext(w.m_picture, true).dragging);
  w.Feed(Release(60, 50));
  c = w.m_model.CommandContext(w.m_picture, false);
  EXPECT_TRUE(c.selectionShown);
  EXPECT_FALSE(c.clipboardPicture);
}

TEST(RetouchInteraction, AnOutlineIsPaintedAgainAlongItsEdges) {
  EXPECT_TRUE(OutlineEdges({}).empty());
  EXPECT_TRUE(OutlineEdges({5, 5, 5, 5}).empty());
  // A 10 x 4 outline at (20, 30) spans pixels 20 ... 30 and 30 ... 34; each edge is
  // painted two pixels either side.
  const std::vector<PictureRect> expected{{18, 28, 33, 33}, {18, 32, 33, 37}, {18, 28, 23, 37}, {28, 28, 33, 37}};
  EXPECT_EQ(OutlineEdges({30, 34, 20, 30}), expected);
}

}  // namespace
}  // namespace tessaly
