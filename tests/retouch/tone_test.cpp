#include "retouch/tone.h"

#include <gtest/gtest.h>

#include "picture_helpers.h"

namespace tessaly {
namespace {

using test::Bgr;

// A picture holding every byte value, in rows whose length is not a multiple of the
// vector width, so that the fast paths and their scalar tails both see every value.
Picture AllByteValues() {
  Picture p = test::Make24(29, 9);
  for (std::size_t i = 0; i < p.pixels.size(); ++i) p.pixels[i] = static_cast<std::uint8_t>(i * 7 + i / 256);
  return p;
}

TEST(Tone, NeutralSettingsChangeNothing) {
  const Picture original = test::Noise24(13, 7);
  Picture p = original;
  AdjustBrightness(p, 0);
  AdjustContrast(p, kToneSliderNeutral);
  AdjustColor(p, 0, 0, 0);
  for (int channel = 0; channel < 3; ++channel) AdjustColorChannel(p, 0, channel);
  EXPECT_TRUE(test::SamePicture(p, original));
}

TEST(Tone, ContrastFactorIsAWholeNumberOf256ths) {
  for (int v = 0; v <= 255; ++v) EXPECT_EQ(ContrastFactor(v), 0.5f + static_cast<float>(v) / 256.0f) << v;
}

TEST(Tone, ContrastEndPoints) {
  const ToneTable low = ContrastTable(0);
  EXPECT_EQ(low[0], 64);
  EXPECT_EQ(low[128], 128);
  EXPECT_EQ(low[255], 191);
  const ToneTable high = ContrastTable(255);
  EXPECT_EQ(high[0], 0);    // -63.5 truncates to -63 and is clamped
  EXPECT_EQ(high[255], 255);  // 318 is clamped
}

TEST(Tone, BrightnessEndPoints) {
  EXPECT_EQ(BrightnessTable(0 - kToneSliderNeutral)[100], 0);
  EXPECT_EQ(BrightnessTable(255 - kToneSliderNeutral)[200], 255);
}

// The vector paths must give exactly what the written arithmetic gives for every value.
TEST(Tone, BrightnessAndContrastMatchTheirArithmeticForEveryValue) {
  const Picture source = AllByteValues();
  for (int slider = 0; slider <= 255; ++slider) {
    Picture bright = source;
    AdjustBrightness(bright, slider - kToneSliderNeutral);
    Picture contrast = source;
    AdjustContrast(contrast, slider);
    const float f = ContrastFactor(slider);
    for (std::size_t i = 0; i < source.pixels.size(); ++i) {
      const int in = source.pixels[i];
      ASSERT_EQ(bright.pixels[i], std::clamp(in + slider - 128, 0, 255)) << slider << " " << in;
      const float t = f * static_cast<float>(in - 128) + 128.0f;
      ASSERT_EQ(contrast.pixels[i], std::clamp(static_cast<int>(t), 0, 255)) << slider << " " << in;
    }
  }
}

TEST(Tone, BrightnessAndContrastChangeThePaddingAndTheColourCurveDoesNot) {
  Picture p = test::Make24(3, 2, 100);  // 9 bytes of pixels and 3 of padding per row
  AdjustBrightness(p, 10);
  EXPECT_EQ(p.Row(0)[11], 110);
  AdjustContrast(p, 0);
  EXPECT_EQ(p.Row(1)[11], 119);  // 0.5 * (110 - 128) + 128
  const std::uint8_t padding = p.Row(0)[10];
  AdjustColorChannel(p, 100, kChannelRed);
  AdjustColorChannel(p, 100, kChannelBlue);
  EXPECT_EQ(p.Row(0)[10], padding);
  EXPECT_NE(p.Row(0)[0], 119);
}

TEST(Tone, RedAtFullRaisesOnlyTheRedChannel) {
  const int offset = 255 - kToneSliderNeutral;
  EXPECT_EQ(ColorCurveKnee(offset), 64);
  Picture p = test::Make24(3, 1);
  test::Set(p, 0, 0, {64, 64, 64});
  test::Set(p, 1, 0, {0, 0, 0});
  test::Set(p, 2, 0, {255, 255, 255});
  AdjustColor(p, offset, 0, 0);
  EXPECT_EQ(test::At(p, 0, 0), (Bgr{64, 64, 191}));
  EXPECT_EQ(test::At(p, 1, 0), (Bgr{0, 0, 0}));
  EXPECT_EQ(test::At(p, 2, 0), (Bgr{255, 255, 255}));
}

// The curve is the two-segment line through (0, 0), (K, 255 - K) and (255, 255), each
// value the line's value rounded down (checked here in exact integer terms).
TEST(Tone, ColourCurveIsTheTwoSegmentLineRoundedDown) {
  for (int offset = -128; offset <= 127; ++offset) {
    const int k = ColorCurveKnee(offset);
    ASSERT_GE(k, 64);
    ASSERT_LE(k, 191);
    const ToneTable table = ColorCurveTable(offset);
    if (k == 127) {
      for (int x = 0; x < 256; ++x) ASSERT_EQ(table[x], x) << offset;
      continue;
    }
    EXPECT_EQ(table[k], 255 - k) << offset;
    for (int x = 0; x < 256; ++x) {
      const long out = table[x];
      if (x < k) {
        // out <= x (255 - K) / K < out + 1
        ASSERT_LE(out * k, long{x} * (255 - k)) << offset << " " << x;
        ASSERT_GT((out + 1) * k, long{x} * (255 - k)) << offset << " " << x;
      } else {
        // out <= 255 - (255 - x) K / (255 - K) < out + 1
        const long scaled = 255L * (255 - k) - long{255 - x} * k;
        ASSERT_LE(out * (255 - k), scaled) << offset << " " << x;
        ASSERT_GT((out + 1) * (255 - k), scaled) << offset << " " << x;
      }
    }
  }
}

TEST(Tone, ColourInOnePassGivesTheCurveForEveryValue) {
  // Each row holds every value in every channel, and is long enough for the vector path.
  Picture source = test::Make24(256 + 5, 1);
  for (int x = 0; x < source.width; ++x) test::Set(source, x, 0, {x % 256, (x + 85) % 256, (x + 170) % 256});
  for (int offset = -128; offset <= 127; ++offset) {
    Picture p = source;
    const int other = (offset * 37) % 128;
    AdjustColor(p, offset, other, -offset - 1);
    const ToneTable red = ColorCurveTable(offset), green = ColorCurveTable(other), blue = ColorCurveTable(-offset - 1);
    for (int x = 0; x < source.width; ++x) {
      const Bgr in = test::At(source, x, 0);
      ASSERT_EQ(test::At(p, x, 0), (Bgr{blue[in.b], green[in.g], red[in.r]})) << offset << " " << x;
    }
  }
}

TEST(Tone, ColourInOnePassEqualsRedThenGreenThenBlue) {
  const Picture source = test::Noise24(17, 5, 3);
  Picture fused = source;
  AdjustColor(fused, 90, -40, 7);
  Picture separate = source;
  AdjustColorChannel(separate, 90, kChannelRed);
  AdjustColorChannel(separate, -40, kChannelGreen);
  AdjustColorChannel(separate, 7, kChannelBlue);
  EXPECT_TRUE(test::SamePicture(fused, separate));
}

TEST(Tone, PalettePicturesAreLeftAlone) {
  const Picture original = Picture::Make(8, 2, 8, 77);
  Picture p = original;
  AdjustBrightness(p, 50);
  AdjustContrast(p, 0);
  AdjustColor(p, 100, 100, 100);
  EXPECT_TRUE(test::SamePicture(p, original));
}

}  // namespace
}  // namespace tessaly
