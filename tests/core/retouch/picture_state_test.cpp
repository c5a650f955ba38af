// The retouch document's two picture states (undo), the conversion to 24 bits, the
// refusals with their messages, and pasting.
#include "retouch/picture_state.h"

#include <gtest/gtest.h>

#include <functional>

#include "formats/bmp.h"
#include "retouch/convert.h"
#include "test_support/allocation_limit.h"
#include "test_support/pictures.h"
#include "test_support/recorded_prompt.h"

namespace tessaly {
namespace {

using test::At;
using test::Bgr;
using test::SamePicture;
using Texts = std::vector<std::string>;

// Colour i of test::Indexed.
Bgr Entry(int i) { return {i, i / 2, 255 - i}; }

TEST(ConvertTo24, EachDepthReadsItsPixelsInOrder) {
  // A 1-bit picture of width 9 has rows of 4 bytes; pixel 8 is the top bit of the second.
  Picture one = test::Indexed(9, 1, 1);
  one.Row(0)[0] = 0b0100'0000;
  one.Row(0)[1] = 0b1000'0000;
  // A 4-bit picture of width 3: high nibble, low nibble of byte 0, then high nibble of byte 1.
  Picture four = test::Indexed(3, 1, 4);
  four.Row(0)[0] = 0x5A;
  four.Row(0)[1] = 0xC0;
  // 8 bits, with an index past a short table, which is black.
  Picture eight = test::Indexed(5, 3, 8);
  eight.colourTable.resize(200);
  eight.Line(2)[4] = 252;
  for (Picture* p : {&one, &four, &eight}) {
    const Picture before = *p;
    ASSERT_TRUE(ConvertTo24(*p));
    EXPECT_EQ(p->bitsPerPixel, 24);
    EXPECT_TRUE(p->colourTable.empty());
    EXPECT_EQ(p->imageSize, RowStride(p->width, 24) * static_cast<std::size_t>(p->height));
    for (int y = 0; y < p->height; ++y)
      for (int x = 0; x < p->width; ++x) {
        const int index = test::IndexOf(before, x, y);
        EXPECT_EQ(At(*p, x, y), index < 200 ? Entry(index) : Bgr{}) << before.bitsPerPixel << ": " << x << "," << y;
      }
  }
  EXPECT_EQ(At(one, 8, 0), Entry(1));
  EXPECT_EQ(At(one, 7, 0), Entry(0));
  EXPECT_EQ(At(four, 1, 0), Entry(10));
  EXPECT_EQ(At(four, 2, 0), Entry(12));
  Picture trueColour = test::Noise24(4, 4);
  EXPECT_FALSE(ConvertTo24(trueColour));
  Picture truncated = test::Indexed(8, 8, 8);
  truncated.pixels.resize(10);
  EXPECT_FALSE(ConvertTo24(truncated));
}

class PictureStateTest : public testing::Test {
 protected:
  test::RecordedPrompt m_prompt;
};

struct Operation {
  const char* name;
  std::function<EditResult(RetouchPictureState&)> run;
};

const Operation kOperations[] = {
    {"brightness", [](RetouchPictureState& s) { return s.AdjustBrightness(-40); }},
    {"contrast", [](RetouchPictureState& s) { return s.AdjustContrast(200); }},
    {"colour", [](RetouchPictureState& s) { return s.AdjustColor(60, -20, 5); }},
    {"sharpen", [](RetouchPictureState& s) { return s.Sharpen(); }},
    {"soften", [](RetouchPictureState& s) { return s.Soften(); }},
    {"mosaic", [](RetouchPictureState& s) { return s.Mosaic(); }},
    {"mosaic of a selection",
     [](RetouchPictureState& s) {
       s.SetSelection({3, 2, 20, 9});
       return s.Mosaic();
     }},
    {"rotate right", [](RetouchPictureState& s) { return s.Rotate90Right(); }},
    {"rotate left", [](RetouchPictureState& s) { return s.Rotate90Left(); }},
    {"rotate 180", [](RetouchPictureState& s) { return s.Rotate180(); }},
    {"rotate 30", [](RetouchPictureState& s) { return s.RotateFree(30); }},
    {"scale 50", [](RetouchPictureState& s) { return s.ScalePercent(50); }},
    {"scale 400", [](RetouchPictureState& s) { return s.ScalePercent(400); }},
    {"fit camera", [](RetouchPictureState& s) { return s.FitCameraSize(); }},
    {"crop",
     [](RetouchPictureState& s) {
       s.SetSelection({25, 12, 4, 1});
       return s.Crop();
     }},
};

// Undo restores the picture (its size too), and a second Undo brings the change back.
TEST_F(PictureStateTest, UndoAfterEveryOperationRestoresThePictureByteForByte) {
  for (const Operation& operation : kOperations) {
    SCOPED_TRACE(operation.name);
    const Picture original = test::Noise24(37, 23, 11);
    RetouchPictureState state;
    state.SetPicture(original);
    state.SetFurtherValues(7, 9);
    ASSERT_EQ(operation.run(state), EditResult::kDone);
    // The values an embedded picture came with do not survive an edit.
    EXPECT_EQ(state.FirstFurtherValue(), 0u);
    EXPECT_EQ(state.SecondFurtherValue(), 0u);
    EXPECT_TRUE(state.CanUndo());
    EXPECT_TRUE(state.Modified());
    const Picture changed = state.Current();
    EXPECT_FALSE(SamePicture(changed, original));
    ASSERT_EQ(state.Undo(), EditResult::kDone);
    EXPECT_TRUE(SamePicture(state.Current(), original));
    ASSERT_EQ(state.Undo(), EditResult::kDone);
    EXPECT_TRUE(SamePicture(state.Current(), changed));
    ASSERT_EQ(state.Undo(), EditResult::kDone);
    EXPECT_TRUE(SamePicture(state.Current(), original));
  }
  EXPECT_TRUE(m_prompt->Log().empty());
}

TEST_F(PictureStateTest, ConversionOpensTheToolsAndUndoesToThePalettePicture) {
  const Picture original = test::Indexed(9, 5, 8);
  RetouchPictureState state;
  state.SetPicture(original);
  EXPECT_EQ(state.Undo(), EditResult::kRefused);
  EXPECT_EQ(state.Sharpen(), EditResult::kRefused);
  ASSERT_EQ(state.ConvertTo24(), EditResult::kDone);
  EXPECT_EQ(state.Sharpen(), EditResult::kDone);
  ASSERT_EQ(state.Undo(), EditResult::kDone);
  ASSERT_EQ(state.ConvertTo24(), EditResult::kUnchanged);  // a 24-bit picture stays as it is
  state.SetPicture(original);
  ASSERT_EQ(state.ConvertTo24(), EditResult::kDone);
  ASSERT_EQ(state.Undo(), EditResult::kDone);
  EXPECT_TRUE(SamePicture(state.Current(), original));
  EXPECT_EQ(m_prompt.Texts(),
            (Texts{"There is nothing to undo.", "Cannot edit with this color condition.\nConvert to 24 bit colors."}));
}

TEST_F(PictureStateTest, RefusedOperationsChangeNothingAndKeepTheUndoStep) {
  RetouchPictureState state;
  state.SetPicture(test::Make24(1280, 960, 40));
  ASSERT_EQ(state.AdjustBrightness(10), EditResult::kDone);
  const Picture brightened = state.Current();
  EXPECT_EQ(state.Rotate90Right(), EditResult::kRefused);
  EXPECT_EQ(state.Rotate90Left(), EditResult::kRefused);
  EXPECT_EQ(state.RotateFree(30), EditResult::kRefused);
  EXPECT_EQ(state.ScalePercent(200), EditResult::kRefused);
  state.SetSelection({1300, 1000, 1400, 1100});
  EXPECT_EQ(state.Crop(), EditResult::kRefused);
  Texts expected(3, "The picture size exceeds the maximum size.\nCannot rotate picture.");
  expected.push_back("An image can be enlarged up to maximum 1280x1024 pixels.");
  expected.push_back("The selection lies outside the picture.");
  EXPECT_EQ(m_prompt.Texts(), expected);
  EXPECT_TRUE(SamePicture(state.Current(), brightened));
  ASSERT_EQ(state.Undo(), EditResult::kDone);
  EXPECT_EQ(state.Current().pixels[0], 40);

  // A tall picture can be turned to lie within the limit.
  state.SetPicture(test::Make24(1024, 1280));
  EXPECT_EQ(state.Rotate90Right(), EditResult::kDone);
  EXPECT_EQ(state.Current().width, 1280);
  EXPECT_EQ(state.Current().height, 1024);
}

TEST_F(PictureStateTest, SizesThatNeedNoChange) {
  // A reduction to nothing is refused; the camera's own sizes need no fitting.
  const Picture thin = test::Noise24(3, 40);
  RetouchPictureState state;
  state.SetPicture(thin);
  EXPECT_EQ(state.ScalePercent(25), EditResult::kRefused);
  EXPECT_EQ(m_prompt.Texts(), Texts{"The picture would become smaller than one pixel."});
  EXPECT_TRUE(SamePicture(state.Current(), thin));
  EXPECT_FALSE(state.CanUndo());
  EXPECT_EQ(state.ScalePercent(50), EditResult::kDone);
  EXPECT_EQ(state.Current().width, 1);
  state.SetPicture(test::Noise24(320, 240));
  EXPECT_EQ(state.FitCameraSize(), EditResult::kUnchanged);
  EXPECT_FALSE(state.CanUndo());
}

TEST_F(PictureStateTest, TrimmingUsesTheSelectionAndClearsIt) {
  RetouchPictureState state;
  state.SetPicture(test::Noise24(120, 80));
  const auto topLeft = At(state.Current(), 10, 20);
  state.SetSelection({110, 70, 10, 20});  // dragged from the bottom right
  ASSERT_EQ(state.Crop(), EditResult::kDone);
  EXPECT_EQ(state.Current().width, 100);
  EXPECT_EQ(state.Current().height, 50);
  EXPECT_EQ(At(state.Current(), 0, 0), topLeft);
  EXPECT_TRUE(state.Selection().Empty());
  state.SelectAll();
  EXPECT_EQ(state.Selection(), (PictureRect{0, 0, 100, 50}));
}

TEST_F(PictureStateTest, AnEmptyDocumentAsksBeforeAToneCommandAndStartsFromWhite) {
  RetouchPictureState state;
  state.SetBlank(30, 20);
  EXPECT_FALSE(state.ConfirmToneOnEmpty(kMsgNoDataAdjustBrightness));  // No: nothing is made
  EXPECT_FALSE(state.HasPixels());
  m_prompt->Answer(PromptAnswer::kYes);
  EXPECT_TRUE(state.ConfirmToneOnEmpty(kMsgNoDataAdjustContrast));
  ASSERT_TRUE(state.HasPixels());
  EXPECT_EQ(state.Current().pixels, std::vector<std::uint8_t>(RowStride(30, 24) * 20, 255));
  EXPECT_EQ(m_prompt.Texts(), (Texts{"No data exist. Adjust brightness?", "No data exist. Adjust contrast?"}));
  EXPECT_EQ(m_prompt->Log()[0].buttons, PromptButtons::kYesNo);
  // A filter does not ask.
  RetouchPictureState fresh;
  ASSERT_EQ(fresh.Mosaic(), EditResult::kDone);
  EXPECT_EQ(fresh.Current().pixels, std::vector<std::uint8_t>(600 * 200, 255));
  EXPECT_EQ(m_prompt->Log().size(), 2u);
}

// ---------------------------------------------------------------- pasting

TEST_F(PictureStateTest, AFloatingPictureIsStampedInClippedAndUndoBringsItBack) {
  const Picture original = test::Noise24(20, 10);
  RetouchPictureState state;
  state.SetPicture(original);
  ASSERT_EQ(state.PastePicture(test::Make24(4, 3, 7)), PasteResult::kLoaded);
  EXPECT_TRUE(state.HasFloating());
  EXPECT_FALSE(state.CanUndo());
  state.MoveFloating({5, 2});
  ASSERT_TRUE(state.CommitFloating());
  EXPECT_FALSE(state.HasFloating());
  EXPECT_EQ(At(state.Current(), 5, 2), test::Grey(7));
  EXPECT_EQ(At(state.Current(), 8, 4), test::Grey(7));
  EXPECT_EQ(At(state.Current(), 9, 4), At(original, 9, 4));
  EXPECT_EQ(At(state.Current(), 5, 5), At(original, 5, 5));
  ASSERT_EQ(state.Undo(), EditResult::kDone);
  EXPECT_TRUE(SamePicture(state.Current(), original));
  EXPECT_TRUE(state.HasFloating());
  EXPECT_EQ(state.FloatingAt(), (FloatingPosition{5, 2}));
  EXPECT_EQ(state.Selection(), (PictureRect{5, 2, 9, 5}));

  // Dragged past the edge, it is clipped.
  state.MoveFloating({-2, 8});
  ASSERT_TRUE(state.CommitFloating());
  EXPECT_EQ(At(state.Current(), 0, 8), test::Grey(7));
  EXPECT_EQ(At(state.Current(), 1, 9), test::Grey(7));
  EXPECT_EQ(At(state.Current(), 2, 9), At(original, 2, 9));
  EXPECT_EQ(At(state.Current(), 0, 7), At(original, 0, 7));
}

TEST_F(PictureStateTest, DiscardingAFloatingPictureDisablesUndo) {
  RetouchPictureState state;
  state.SetPicture(test::Noise24(10, 10));
  state.Sharpen();
  ASSERT_EQ(state.PastePicture(test::Make24(3, 3)), PasteResult::kLoaded);
  state.DiscardFloating();
  EXPECT_FALSE(state.HasFloating());
  EXPECT_FALSE(state.CanUndo());
}

TEST_F(PictureStateTest, PastingAPalettePictureAsksToConvertFirst) {
  const Picture original = test::Noise24(20, 10);
  RetouchPictureState state;
  state.SetPicture(original);
  state.Soften();
  const Bytes dib = CBMP::MakePackedDib(test::Indexed(6, 4, 8));
  EXPECT_EQ(state.Paste(dib), PasteResult::kDeclined);
  EXPECT_EQ(m_prompt.Texts(), Texts{"Convert to 24 bit colors data to edit.\nAre you sure?"});
  EXPECT_FALSE(state.HasFloating());
  // No changed nothing: the soften's undo step is still there.
  ASSERT_EQ(state.Undo(), EditResult::kDone);
  EXPECT_TRUE(SamePicture(state.Current(), original));

  m_prompt->Answer(PromptAnswer::kYes);
  EXPECT_EQ(state.Paste(dib), PasteResult::kLoaded);
  EXPECT_EQ(m_prompt->Log().size(), 2u);
  ASSERT_TRUE(state.HasFloating());
  EXPECT_EQ(state.Floating().bitsPerPixel, 24);
  EXPECT_EQ(state.FloatingAt(), (FloatingPosition{0, 0}));
  EXPECT_EQ(At(state.Floating(), 1, 0), Entry(13 * 25 % 256));  // byte 25 of the bottom-up rows
}

TEST_F(PictureStateTest, PasteRefusals) {
  RetouchPictureState state;
  state.SetPicture(test::Noise24(20, 10));
  EXPECT_EQ(state.PastePicture(test::Noise24(21, 5)), PasteResult::kTooLarge);
  EXPECT_EQ(state.PastePicture(test::Noise24(5, 11)), PasteResult::kTooLarge);
  m_prompt->Clear();
  EXPECT_EQ(state.Paste(CBMP::MakePackedDib(test::Noise24(21, 10))), PasteResult::kTooLarge);
  Bytes deep = CBMP::MakePackedDib(test::Noise24(4, 4));
  deep[14] = 32;
  m_prompt->Answer(PromptAnswer::kYes);
  EXPECT_EQ(state.Paste(deep), PasteResult::kUnsupportedDepth);
  Bytes truncated = CBMP::MakePackedDib(test::Noise24(4, 4));
  truncated.resize(60);
  EXPECT_EQ(state.Paste(truncated), PasteResult::kUnreadable);
  EXPECT_EQ(state.Paste(Bytes{1, 2, 3}), PasteResult::kUnreadable);
  EXPECT_EQ(
      m_prompt.Texts(),
      (Texts{"Clipboard data is too large. ", "Convert to 24 bit colors data to edit.\nAre you sure?",
             "Failed to read from Clipboard.", "Failed to read from Clipboard.", "Failed to read from Clipboard."}));
  EXPECT_FALSE(state.HasFloating());
}

TEST_F(PictureStateTest, PastingAPictureOfTheSameSizeAsks) {
  const Picture clip = test::Noise24(8, 5, 4);
  RetouchPictureState state;
  state.SetPicture(test::Noise24(8, 5, 3));
  EXPECT_EQ(state.Paste(CBMP::MakePackedDib(clip)), PasteResult::kLoaded);
  EXPECT_EQ(m_prompt.Texts(), Texts{"The pasted picture is same size as the frame.\nAre you sure to confirm ?"});
  EXPECT_FALSE(state.HasFloating());  // No discards it
  EXPECT_FALSE(state.CanUndo());
  m_prompt->Answer(PromptAnswer::kYes);
  EXPECT_EQ(state.Paste(CBMP::MakePackedDib(clip)), PasteResult::kLoaded);
  EXPECT_FALSE(state.HasFloating());
  EXPECT_TRUE(state.CanUndo());
  for (int y = 0; y < 5; ++y)
    for (int x = 0; x < 8; ++x) EXPECT_EQ(At(state.Current(), x, y), At(clip, x, y));
}

// Running out of memory while the pasted palette picture is expanded is the conversion's
// failure, and nothing floats afterwards.
TEST_F(PictureStateTest, MemoryRunningOutDuringThePastedExpansionIsTheConversionsFailure) {
  RetouchPictureState state;
  state.SetBlank(100, 50);  // no pixels yet, so no snapshot is taken before the paste
  const Bytes dib = CBMP::MakePackedDib(test::Indexed(100, 50, 8));
  m_prompt->Answer(PromptAnswer::kYes);
  {
    // The 8-bit rows (5000 bytes) can be read, their 24-bit expansion (15000) cannot.
    test::ScopedAllocationLimit limit(10000);
    EXPECT_EQ(state.Paste(dib), PasteResult::kExpansionFailed);
  }
  EXPECT_EQ(m_prompt.Texts(),
            (Texts{"Convert to 24 bit colors data to edit.\nAre you sure?", "Failed to put the Clipboard."}));
  EXPECT_FALSE(state.HasFloating());
  EXPECT_FALSE(state.HasPixels());
}

// A picture that is not 24-bit cannot take the floating rows: the commit is refused and
// leaves everything as it was instead of dropping the pasted picture.
TEST_F(PictureStateTest, CommittingOntoAPalettePictureIsRefused) {
  const Picture palette = test::Indexed(12, 9, 8);
  RetouchPictureState state;
  state.SetPicture(palette);
  ASSERT_EQ(state.PastePicture(test::Make24(4, 3, 7)), PasteResult::kLoaded);
  state.MoveFloating({2, 1});
  EXPECT_FALSE(state.CommitFloating());
  EXPECT_EQ(m_prompt.Texts(), Texts{"Failed to put the Clipboard."});
  EXPECT_TRUE(SamePicture(state.Current(), palette));
  ASSERT_TRUE(state.HasFloating());
  EXPECT_EQ(state.FloatingAt(), (FloatingPosition{2, 1}));
  EXPECT_EQ(state.Floating().width, 4);
  EXPECT_FALSE(state.Modified());
  EXPECT_FALSE(state.CanUndo());
}

}  // namespace
}  // namespace tessaly
