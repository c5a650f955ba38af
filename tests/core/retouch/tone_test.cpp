// Brightness, contrast and the colour curve, and the dialogs' previews.
#include "retouch/tone.h"

#include <gtest/gtest.h>

#include <cstring>

#include "retouch/preview.h"
#include "test_support/pictures.h"

namespace tessaly {
namespace {

using test::At;
using test::Bgr;

TEST(Tone, NeutralSettingsAndPalettePicturesChangeNothing) {
  for (const Picture& original : {test::Noise24(13, 7), Picture::Make(8, 2, 8, 77)}) {
    Picture p = original;
    AdjustBrightness(p, 0);
    AdjustContrast(p, kToneSliderNeutral);
    AdjustColor(p, 0, 0, 0);
    if (p.bitsPerPixel == 8) {
      AdjustBrightness(p, 50);
      AdjustContrast(p, 0);
      AdjustColor(p, 100, 100, 100);
    }
    EXPECT_TRUE(test::SamePicture(p, original)) << original.bitsPerPixel;
  }
}

TEST(Tone, EndPoints) {
  const ToneTable low = ContrastTable(0), high = ContrastTable(255);
  EXPECT_EQ(low[0], 64);
  EXPECT_EQ(low[128], 128);
  EXPECT_EQ(low[255], 191);
  EXPECT_EQ(high[0], 0);      // -63.5 truncates to -63 and is clamped
  EXPECT_EQ(high[255], 255);  // 318 is clamped
  EXPECT_EQ(BrightnessTable(0 - kToneSliderNeutral)[100], 0);
  EXPECT_EQ(BrightnessTable(255 - kToneSliderNeutral)[200], 255);
  // Red at 255 (K = 64): red 64 -> 191, 0 -> 0, 255 -> 255; green and blue untouched.
  Picture p = test::Make24(3, 1);
  test::Set(p, 0, 0, test::Grey(64));
  test::Set(p, 2, 0, test::Grey(255));
  AdjustColor(p, 255 - kToneSliderNeutral, 0, 0);
  EXPECT_EQ(At(p, 0, 0), (Bgr{64, 64, 191}));
  EXPECT_EQ(At(p, 1, 0), test::Grey(0));
  EXPECT_EQ(At(p, 2, 0), test::Grey(255));
}

TEST(Tone, BrightnessAndContrastChangeThePaddingAndTheColourCurveDoesNot) {
  Picture p = test::Make24(3, 2, 100);  // 9 bytes of pixels and 3 of padding per row
  AdjustBrightness(p, 10);
  EXPECT_EQ(p.Row(0)[11], 110);
  AdjustContrast(p, 0);
  EXPECT_EQ(p.Row(1)[11], 119);  // 0.5 * (110 - 128) + 128
  AdjustColor(p, 100, 0, 100);
  EXPECT_EQ(p.Row(0)[10], 119);
  EXPECT_NE(p.Row(0)[0], 119);
}

// The curve is the two-segment line through (0, 0), (K, 255 - K) and (255, 255), each
// value the line's value rounded down (checked here in exact integer terms); the picture
// gets each channel's curve, on the vector path as well.
TEST(Tone, ColourCurveIsTheTwoSegmentLineRoundedDown) {
  Picture source = test::Make24(256 + 5, 1);
  for (int x = 0; x < source.width; ++x) test::Set(source, x, 0, {x % 256, (x + 85) % 256, (x + 170) % 256});
  for (int offset = -128; offset <= 127; ++offset) {
    const int k = ColorCurveKnee(offset);
    ASSERT_GE(k, 64);
    ASSERT_LE(k, 191);
    const ToneTable table = ColorCurveTable(offset);
    for (long x = 0; x < 256; ++x) {
      const long out = table[x];
      if (k == 127) {
        ASSERT_EQ(out, x) << offset;
      } else if (x < k) {  // out <= x (255 - K) / K < out + 1
        ASSERT_LE(out * k, x * (255 - k)) << offset << " " << x;
        ASSERT_GT((out + 1) * k, x * (255 - k)) << offset << " " << x;
      } else {  // out <= 255 - (255 - x) K / (255 - K) < out + 1
        const long scaled = 255L * (255 - k) - (255 - x) * k;
        ASSERT_LE(out * (255 - k), scaled) << offset << " " << x;
        ASSERT_GT((out + 1) * (255 - k), scaled) << offset << " " << x;
      }
    }
    Picture p = source;
    const int other = (offset * 37) % 128;
    AdjustColor(p, offset, other, -offset - 1);
    const ToneTable green = ColorCurveTable(other), blue = ColorCurveTable(-offset - 1);
    for (int x = 0; x < source.width; ++x) {
      const Bgr in = At(source, x, 0);
      ASSERT_EQ(At(p, x, 0), (Bgr{blue[in.b], green[in.g], table[in.r]})) << offset << " " << x;
    }
  }
}

// ---------------------------------------------------------------- previews

TEST(Preview, ThumbnailDecimatesWithOneStep) {
  EXPECT_EQ(ThumbnailStep(640, 480), 8);
  EXPECT_EQ(ThumbnailStep(80, 60), 1);
  EXPECT_EQ(ThumbnailStep(81, 10), 2);
  const Picture p = test::Numbered(100, 41);
  const Picture thumb = ThumbnailPreview(p);
  ASSERT_EQ(thumb.width, 50);
  ASSERT_EQ(thumb.height, 20);
  // Pixel (i, j) of the preview is pixel (2i, 2j) counted from the first stored row.
  for (int j = 0; j < 20; ++j)
    for (int i = 0; i < 50; ++i)
      ASSERT_EQ(0, std::memcmp(thumb.Row(j) + 3 * i, p.Row(2 * j) + 6 * i, 3)) << i << "," << j;
  EXPECT_TRUE(ThumbnailPreview(Picture::Make(10, 10, 8)).pixels.empty());
}

TEST(Preview, WindowShowsARegionAtFullSizeAndOnlyForLargerPictures) {
  const Picture p = test::Numbered(200, 100);
  const Picture window = WindowPreview(p, 30, 25);
  ASSERT_EQ(window.width, 80);
  ASSERT_EQ(window.height, 60);
  EXPECT_EQ(At(window, 0, 0), test::Origin(30, 25));
  EXPECT_EQ(At(window, 79, 59), test::Origin(109, 84));
  // A region reaching past an edge is moved back inside.
  EXPECT_EQ(At(WindowPreview(p, 190, 99), 0, 0), test::Origin(120, 40));
  const Picture narrow = WindowPreview(test::Numbered(30, 70), 0, 5);
  EXPECT_EQ(narrow.width, 30);
  EXPECT_EQ(narrow.height, 60);
  EXPECT_TRUE(WindowPreview(Picture::Make(10, 10, 4), 0, 0).pixels.empty());
  EXPECT_FALSE(WindowPreviewAvailable(80, 60));
  EXPECT_TRUE(WindowPreviewAvailable(81, 60));
  EXPECT_TRUE(WindowPreviewAvailable(20, 61));
  EXPECT_FALSE(PreviewScrollBarShown(80, kPreviewWidth));
  EXPECT_TRUE(PreviewScrollBarShown(81, kPreviewWidth));
  EXPECT_EQ(MovePreviewScroll(0, -kPreviewLineStep, 200, 80), 0);
  EXPECT_EQ(MovePreviewScroll(0, kPreviewPageStep, 200, 80), 10);
  EXPECT_EQ(MovePreviewScroll(118, kPreviewLineStep, 200, 80), 120);
}

}  // namespace
}  // namespace tessaly
