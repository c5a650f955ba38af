#include "retouch/picture_state.h"

#include <gtest/gtest.h>

#include <functional>

#include "base/prompt.h"
#include "formats/bmp.h"
#include "picture_helpers.h"

namespace tessaly {
namespace {

using test::SamePicture;

class PictureStateTest : public testing::Test {
 protected:
  PictureStateTest() : m_scope(Install()) {}
  std::unique_ptr<UserPrompt> Install() {
    auto prompt = std::make_unique<ScriptedPrompt>();
    m_prompt = prompt.get();
    return prompt;
  }
  ScriptedPrompt& Prompted() { return *m_prompt; }

 private:
  ScriptedPrompt* m_prompt = nullptr;
  ScopedPrompt m_scope;
};

Picture Palette8(int w, int h) {
  Picture p = Picture::Make(w, h, 8, 0);
  for (std::size_t i = 0; i < p.pixels.size(); ++i) p.pixels[i] = static_cast<std::uint8_t>(i * 13);
  for (std::size_t i = 0; i < 256; ++i) p.colourTable[i] = {static_cast<std::uint8_t>(i), 0, static_cast<std::uint8_t>(~i), 0};
  return p;
}

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

TEST_F(PictureStateTest, UndoAfterEveryOperationRestoresThePictureByteForByte) {
  for (const Operation& operation : kOperations) {
    SCOPED_TRACE(operation.name);
    const Picture original = test::Noise24(37, 23, 11);
    RetouchPictureState state;
    state.SetPicture(original);
    ASSERT_EQ(operation.run(state), EditResult::kDone);
    EXPECT_TRUE(state.CanUndo());
    EXPECT_TRUE(state.Modified());
    const Picture changed = state.Current();
    EXPECT_FALSE(SamePicture(changed, original));
    ASSERT_EQ(state.Undo(), EditResult::kDone);
    EXPECT_TRUE(SamePicture(state.Current(), original));
    // A second Undo brings the change back, and a third takes it away again.
    ASSERT_EQ(state.Undo(), EditResult::kDone);
    EXPECT_TRUE(SamePicture(state.Current(), changed));
    ASSERT_EQ(state.Undo(), EditResult::kDone);
    EXPECT_TRUE(SamePicture(state.Current(), original));
  }
  EXPECT_TRUE(Prompted().Log().empty());
}

TEST_F(PictureStateTest, ConversionUndoesToThePalettePicture) {
  const Picture original = Palette8(9, 5);
  RetouchPictureState state;
  state.SetPicture(original);
  EXPECT_EQ(state.Sharpen(), EditResult::kRefused);
  EXPECT_EQ(Prompted().Texts(), std::vector<std::string>{"Cannot edit with this color condition.\nConvert to 24 bit colors."});
  ASSERT_EQ(state.ConvertTo24(), EditResult::kDone);
  EXPECT_EQ(state.Current().bitsPerPixel, 24);
  EXPECT_EQ(state.Sharpen(), EditResult::kDone);
  ASSERT_EQ(state.Undo(), EditResult::kDone);
  ASSERT_EQ(state.ConvertTo24(), EditResult::kUnchanged);  // a 24-bit picture stays as it is
  state.SetPicture(original);
  ASSERT_EQ(state.ConvertTo24(), EditResult::kDone);
  ASSERT_EQ(state.Undo(), EditResult::kDone);
  EXPECT_TRUE(SamePicture(state.Current(), original));
}

TEST_F(PictureStateTest, UndoAfterARotationRestoresTheSize) {
  RetouchPictureState state;
  state.SetPicture(test::Noise24(30, 10));
  state.Rotate90Right();
  EXPECT_EQ(state.Current().width, 10);
  state.Undo();
  EXPECT_EQ(state.Current().width, 30);
  EXPECT_EQ(state.Current().height, 10);
}

TEST_F(PictureStateTest, NothingToUndo) {
  RetouchPictureState state;
  state.SetPicture(test::Noise24(4, 4));
  EXPECT_EQ(state.Undo(), EditResult::kRefused);
  EXPECT_EQ(Prompted().Texts(), std::vector<std::string>{"There is nothing to undo."});
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
  EXPECT_EQ(Prompted().Texts(), (std::vector<std::string>{
                                    "The picture size exceeds the maximum size.\nCannot rotate picture.",
                                    "The picture size exceeds the maximum size.\nCannot rotate picture.",
                                    "The picture size exceeds the maximum size.\nCannot rotate picture.",
                                    "An image can be enlarged up to maximum 1280x1024 pixels.",
                                }));
  EXPECT_TRUE(SamePicture(state.Current(), brightened));
  ASSERT_EQ(state.Undo(), EditResult::kDone);
  EXPECT_EQ(state.Current().pixels[0], 40);

  // A tall picture can be turned to lie within the limit.
  state.SetPicture(test::Make24(1024, 1280));
  EXPECT_EQ(state.Rotate90Right(), EditResult::kDone);
  EXPECT_EQ(state.Current().width, 1280);
  EXPECT_EQ(state.Current().height, 1024);
}

TEST_F(PictureStateTest, ReductionsToNothingAreRefused) {
  const Picture original = test::Noise24(3, 40);
  RetouchPictureState state;
  state.SetPicture(original);
  EXPECT_EQ(state.ScalePercent(25), EditResult::kRefused);
  EXPECT_EQ(Prompted().Texts(), std::vector<std::string>{"The picture would become smaller than one pixel."});
  EXPECT_TRUE(SamePicture(state.Current(), original));
  EXPECT_FALSE(state.CanUndo());
  EXPECT_EQ(state.ScalePercent(50), EditResult::kDone);
  EXPECT_EQ(state.Current().width, 1);
}

TEST_F(PictureStateTest, TrimmingUsesTheSelectionAndClearsIt) {
  RetouchPictureState state;
  state.SetPicture(test::Noise24(120, 80));
  const auto topLeft = test::At(state.Current(), 10, 20);
  state.SetSelection({110, 70, 10, 20});  // dragged from the bottom right
  ASSERT_EQ(state.Crop(), EditResult::kDone);
  EXPECT_EQ(state.Current().width, 100);
  EXPECT_EQ(state.Current().height, 50);
  EXPECT_EQ(test::At(state.Current(), 0, 0), topLeft);
  EXPECT_TRUE(state.Selection().Empty());
  state.SetSelection({200, 200, 300, 300});
  EXPECT_EQ(state.Crop(), EditResult::kRefused);
  EXPECT_EQ(Prompted().Texts(), std::vector<std::string>{"The selection lies outside the picture."});
}

TEST_F(PictureStateTest, FitCameraLeavesCameraSizesAlone) {
  RetouchPictureState state;
  state.SetPicture(test::Noise24(320, 240));
  EXPECT_EQ(state.FitCameraSize(), EditResult::kUnchanged);
  EXPECT_FALSE(state.CanUndo());
  state.SetPicture(test::Noise24(1280, 960));
  EXPECT_EQ(state.FitCameraSize(), EditResult::kDone);
  EXPECT_EQ(state.Current().width, 640);
  EXPECT_EQ(state.Current().height, 480);
}

TEST_F(PictureStateTest, AToneCommandOnAnEmptyDocumentAsksFirst) {
  RetouchPictureState state;
  state.SetBlank(30, 20);
  EXPECT_FALSE(state.ConfirmToneOnEmpty(kMsgNoDataAdjustBrightness));
  EXPECT_FALSE(state.HasPixels());
  Prompted().Answer(PromptAnswer::kYes);
  EXPECT_TRUE(state.ConfirmToneOnEmpty(kMsgNoDataAdjustContrast));
  ASSERT_TRUE(state.HasPixels());
  EXPECT_EQ(state.Current().pixels, std::vector<std::uint8_t>(RowStride(30, 24) * 20, 255));
  EXPECT_EQ(Prompted().Texts(),
            (std::vector<std::string>{"No data exist. Adjust brightness?", "No data exist. Adjust contrast?"}));
  EXPECT_EQ(Prompted().Log()[0].buttons, PromptButtons::kYesNo);
}

TEST_F(PictureStateTest, FiltersOnAnEmptyDocumentStartFromWhite) {
  RetouchPictureState state;
  EXPECT_EQ(state.Current().width, 200);
  ASSERT_EQ(state.Mosaic(), EditResult::kDone);
  EXPECT_EQ(state.Current().pixels, std::vector<std::uint8_t>(600 * 200, 255));
  EXPECT_TRUE(Prompted().Log().empty());
}

TEST_F(PictureStateTest, SelectAllCoversThePicture) {
  RetouchPictureState state;
  state.SetPicture(test::Noise24(12, 7));
  state.SelectAll();
  EXPECT_EQ(state.Selection(), (PictureRect{0, 0, 12, 7}));
}

TEST_F(PictureStateTest, PastingALargerPictureIsRefused) {
  RetouchPictureState state;
  state.SetPicture(test::Noise24(20, 10));
  EXPECT_EQ(state.PastePicture(test::Noise24(21, 5)), PasteResult::kTooLarge);
  EXPECT_EQ(state.PastePicture(test::Noise24(5, 11)), PasteResult::kTooLarge);
  EXPECT_FALSE(state.HasFloating());
}

TEST_F(PictureStateTest, AFloatingPictureIsStampedInAndUndoBringsItBack) {
  const Picture original = test::Noise24(20, 10);
  RetouchPictureState state;
  state.SetPicture(original);
  ASSERT_EQ(state.PastePicture(test::Make24(4, 3, 7)), PasteResult::kLoaded);
  EXPECT_TRUE(state.HasFloating());
  EXPECT_FALSE(state.CanUndo());
  state.MoveFloating({5, 2});
  ASSERT_TRUE(state.CommitFloating());
  EXPECT_FALSE(state.HasFloating());
  EXPECT_TRUE(state.CanUndo());
  EXPECT_EQ(test::At(state.Current(), 5, 2), test::Grey(7));
  EXPECT_EQ(test::At(state.Current(), 8, 4), test::Grey(7));
  EXPECT_EQ(test::At(state.Current(), 9, 4), test::At(original, 9, 4));
  EXPECT_EQ(test::At(state.Current(), 5, 5), test::At(original, 5, 5));

  ASSERT_EQ(state.Undo(), EditResult::kDone);
  EXPECT_TRUE(SamePicture(state.Current(), original));
  EXPECT_TRUE(state.HasFloating());
  EXPECT_EQ(state.FloatingAt(), (FloatingPosition{5, 2}));
  EXPECT_EQ(state.Selection(), (PictureRect{5, 2, 9, 5}));
}

TEST_F(PictureStateTest, AFloatingPictureDraggedPastTheEdgeIsClipped) {
  const Picture original = test::Noise24(10, 10);
  RetouchPictureState state;
  state.SetPicture(original);
  ASSERT_EQ(state.PastePicture(test::Make24(4, 4, 9)), PasteResult::kLoaded);
  state.MoveFloating({-2, 8});
  ASSERT_TRUE(state.CommitFloating());
  EXPECT_EQ(test::At(state.Current(), 0, 8), test::Grey(9));
  EXPECT_EQ(test::At(state.Current(), 1, 9), test::Grey(9));
  EXPECT_EQ(test::At(state.Current(), 2, 9), test::At(original, 2, 9));
  EXPECT_EQ(test::At(state.Current(), 0, 7), test::At(original, 0, 7));
}

TEST_F(PictureStateTest, DiscardingAFloatingPictureDisablesUndo) {
  RetouchPictureState state;
  state.SetPicture(test::Noise24(10, 10));
  state.Sharpen();
  ASSERT_EQ(state.PastePicture(Palette8(3, 3)), PasteResult::kLoaded);
  EXPECT_EQ(state.Floating().bitsPerPixel, 24);
  state.DiscardFloating();
  EXPECT_FALSE(state.HasFloating());
  EXPECT_FALSE(state.CanUndo());
  EXPECT_EQ(state.Floating().width, 0);
}

TEST_F(PictureStateTest, PastingAPalettePictureAsksToConvertFirst) {
  const Picture original = test::Noise24(20, 10);
  RetouchPictureState state;
  state.SetPicture(original);
  state.Soften();
  const Bytes dib = CBMP::MakePackedDib(Palette8(6, 4));

  EXPECT_EQ(state.Paste(dib), PasteResult::kDeclined);
  EXPECT_EQ(Prompted().Texts(), std::vector<std::string>{"Convert to 24 bit colors data to edit.\nAre you sure?"});
  EXPECT_FALSE(state.HasFloating());
  // The declined paste kept the soften's undo step.
  ASSERT_EQ(state.Undo(), EditResult::kDone);
  EXPECT_TRUE(SamePicture(state.Current(), original));

  Prompted().Clear();
  Prompted().Answer(PromptAnswer::kYes);
  EXPECT_EQ(state.Paste(dib), PasteResult::kLoaded);
  EXPECT_EQ(Prompted().Log().size(), 1u);
  ASSERT_TRUE(state.HasFloating());
  EXPECT_EQ(state.Floating().bitsPerPixel, 24);
  EXPECT_EQ(state.Floating().width, 6);
  EXPECT_EQ(state.FloatingAt(), (FloatingPosition{0, 0}));
  EXPECT_EQ(test::At(state.Floating(), 1, 0), (test::Bgr{13 * 25 % 256, 0, 255 - 13 * 25 % 256}));
}

TEST_F(PictureStateTest, PasteRefusals) {
  RetouchPictureState state;
  state.SetPicture(test::Noise24(20, 10));
  EXPECT_EQ(state.Paste(CBMP::MakePackedDib(test::Noise24(21, 10))), PasteResult::kTooLarge);
  Bytes deep = CBMP::MakePackedDib(test::Noise24(4, 4));
  deep[14] = 32;
  Prompted().Answer(PromptAnswer::kYes);
  EXPECT_EQ(state.Paste(deep), PasteResult::kUnsupportedDepth);
  Bytes truncated = CBMP::MakePackedDib(test::Noise24(4, 4));
  truncated.resize(60);
  EXPECT_EQ(state.Paste(truncated), PasteResult::kUnreadable);
  EXPECT_EQ(state.Paste(Bytes{1, 2, 3}), PasteResult::kUnreadable);
  EXPECT_EQ(Prompted().Texts(), (std::vector<std::string>{
                                    "Clipboard data is too large. ",
                                    "Convert to 24 bit colors data to edit.\nAre you sure?",
                                    "Failed to read from Clipboard.",
                                    "Failed to read from Clipboard.",
                                    "Failed to read from Clipboard.",
                                }));
  EXPECT_FALSE(state.HasFloating());
}

TEST_F(PictureStateTest, PastingAPictureOfTheSameSizeAsks) {
  const Picture clip = test::Noise24(8, 5, 4);
  RetouchPictureState state;
  state.SetPicture(test::Noise24(8, 5, 3));
  EXPECT_EQ(state.Paste(CBMP::MakePackedDib(clip)), PasteResult::kLoaded);
  EXPECT_EQ(Prompted().Texts(),
            std::vector<std::string>{"The pasted picture is same size as the frame.\nAre you sure to confirm ?"});
  EXPECT_FALSE(state.HasFloating());  // No discards it
  EXPECT_FALSE(state.CanUndo());

  Prompted().Answer(PromptAnswer::kYes);
  EXPECT_EQ(state.Paste(CBMP::MakePackedDib(clip)), PasteResult::kLoaded);
  EXPECT_FALSE(state.HasFloating());
  EXPECT_TRUE(state.CanUndo());
  EXPECT_EQ(state.Current().pixels.size(), clip.pixels.size());
  for (int y = 0; y < 5; ++y)
    for (int x = 0; x < 8; ++x) EXPECT_EQ(test::At(state.Current(), x, y), test::At(clip, x, y));
}

}  // namespace
}  // namespace tessaly
