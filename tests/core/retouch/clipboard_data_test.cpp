// What Copy puts on the clipboard: the area, the device-independent bitmap, the native
// data and the BMP file around a bitmap.
#include "retouch/clipboard_data.h"

#include <gtest/gtest.h>

#include "formats/bmp.h"
#include "test_support/pictures.h"

namespace tessaly {
namespace {

using test::At;
using test::Origin;

std::uint32_t U32At(const std::vector<std::uint8_t>& b, std::size_t at) {
  return b[at] | b[at + 1] << 8 | b[at + 2] << 16 | static_cast<std::uint32_t>(b[at + 3]) << 24;
}

TEST(ClipboardData, AreaIsTheSelectionOrTheWholePictureInEachDirection) {
  struct Case {
    const char* what;
    PictureRect selection;
    int originX, originY;
    PictureRect area;
  };
  const Case cases[] = {
      {"no selection", {}, 0, 0, {0, 0, 30, 20}},
      {"a selection", {5, 4, 15, 9}, 0, 0, {5, 4, 15, 9}},
      {"dragged backwards", {15, 9, 5, 4}, 0, 0, {5, 4, 15, 9}},
      {"no height: full height", {5, 4, 15, 4}, 0, 0, {5, 0, 15, 20}},
      {"no width: full width", {5, 4, 5, 9}, 0, 0, {0, 4, 30, 9}},
      {"relative to the visible origin", {5, 4, 15, 9}, 2, 3, {3, 1, 13, 6}},
      {"clipped to the picture", {25, 15, 40, 30}, 0, 0, {25, 15, 30, 20}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(CopyArea(30, 20, c.selection, c.originX, c.originY), c.area);
  }
}

TEST(ClipboardData, ExtractedAreaKeepsItsPixels) {
  const Picture picture = test::Numbered(30, 20);
  const Picture area = ExtractArea(picture, {5, 4, 15, 9});
  ASSERT_EQ(area.width, 10);
  ASSERT_EQ(area.height, 5);
  for (int y = 0; y < 5; ++y)
    for (int x = 0; x < 10; ++x) EXPECT_EQ(At(area, x, y), Origin(x + 5, y + 4));
  // A document without pixels copies white; an area outside the picture copies nothing.
  Picture blank;
  blank.width = 30;
  blank.height = 20;
  EXPECT_EQ(ExtractArea(blank, {0, 0, 3, 2}).pixels, std::vector<std::uint8_t>(2 * 12, 255));
  EXPECT_TRUE(ExtractArea(picture, {25, 15, 31, 20}).pixels.empty());
}

TEST(ClipboardData, BitmapAndNativeDataLayouts) {
  const Picture area = test::Noise24(5, 3);  // stride 16, N = 48
  const auto dib = MakeAreaDib(area);
  ASSERT_EQ(dib.size(), 40u + 48u);
  const std::uint32_t header[] = {40, 5, 3};
  for (int i = 0; i < 3; ++i) EXPECT_EQ(U32At(dib, 4 * i), header[i]);
  EXPECT_EQ(dib[12] | dib[13] << 8, 1);
  EXPECT_EQ(dib[14] | dib[15] << 8, 24);
  EXPECT_EQ(U32At(dib, 16), 0u);
  EXPECT_EQ(U32At(dib, 20), 48u);
  for (std::size_t at = 24; at < 40; at += 4) EXPECT_EQ(U32At(dib, at), 0u);
  EXPECT_TRUE(std::equal(area.pixels.begin(), area.pixels.end(), dib.begin() + 40));
  // The bitmap reads back as the same picture.
  Picture back;
  ASSERT_TRUE(CBMP::ReadPackedDib(dib, back));
  EXPECT_TRUE(test::SamePicture(back, area));

  const auto native = MakeNativeData(area, 7, 9);
  ASSERT_EQ(native.size(), 20u + 48u);
  const std::uint32_t fields[] = {5, 3, 48, 7, 9};
  for (int i = 0; i < 5; ++i) EXPECT_EQ(U32At(native, 4 * i), fields[i]);
  EXPECT_TRUE(std::equal(area.pixels.begin(), area.pixels.end(), native.begin() + 20));
}

// Native data: the five header values, then pixelBytes bytes of rows.
// The bytes cut after keep bytes when keep is given.
std::vector<std::uint8_t> Native(std::uint32_t w, std::uint32_t h, std::uint32_t n, std::size_t pixelBytes,
                                 std::size_t keep = SIZE_MAX) {
  std::vector<std::uint8_t> bytes;
  for (std::uint32_t v : {w, h, n, 7u, 9u})
    for (int i = 0; i < 4; ++i) bytes.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
  for (std::size_t i = 0; i < pixelBytes; ++i) bytes.push_back(static_cast<std::uint8_t>(i * 13));
  if (keep < bytes.size()) bytes.resize(keep);
  return bytes;
}

TEST(ClipboardData, NativeDataReaderChecksEveryLength) {
  struct Case {
    const char* what;
    std::vector<std::uint8_t> bytes;
    NativeDataStatus status;
  };
  const Case cases[] = {
      {"good", Native(5, 3, 48, 48), NativeDataStatus::kOk},
      {"trailing bytes are left alone", Native(5, 3, 48, 60), NativeDataStatus::kOk},
      {"largest picture", Native(1280, 1024, 3840 * 1024, 3840 * 1024), NativeDataStatus::kOk},
      {"header cut short", Native(5, 3, 48, 0, 19), NativeDataStatus::kMalformed},
      {"pixels cut short", Native(5, 3, 48, 47), NativeDataStatus::kMalformed},
      {"N is not stride x height", Native(5, 3, 45, 48), NativeDataStatus::kMalformed},
      {"N far beyond the bytes", Native(5, 3, 0xFFFFFFF0u, 48), NativeDataStatus::kMalformed},
      {"no width", Native(0, 3, 0, 0), NativeDataStatus::kMalformed},
      {"no height", Native(5, 0, 0, 0), NativeDataStatus::kMalformed},
      {"too wide", Native(1281, 1, 3844, 3844), NativeDataStatus::kTooLarge},
      {"too high", Native(1, 1025, 4 * 1025, 4 * 1025), NativeDataStatus::kTooLarge},
      {"sizes that overflow", Native(0xFFFFFFFFu, 0xFFFFFFFFu, 0, 0), NativeDataStatus::kTooLarge},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    NativeItemData item;
    EXPECT_EQ(ReadNativeData(c.bytes, item), c.status);
    if (c.status != NativeDataStatus::kOk) {
      EXPECT_TRUE(item.picture.pixels.empty());
    }
  }
  // What MakeNativeData writes reads back as the same area and values.
  const Picture area = test::Noise24(5, 3);
  NativeItemData item;
  ASSERT_EQ(ReadNativeData(MakeNativeData(area, 7, 9), item), NativeDataStatus::kOk);
  EXPECT_TRUE(test::SamePicture(item.picture, area));
  EXPECT_EQ(item.firstValue, 7u);
  EXPECT_EQ(item.secondValue, 9u);
}

TEST(ClipboardData, BmpFileAroundABitmapLoadsAsAFile) {
  for (int bits : {24, 8, 4, 1}) {
    SCOPED_TRACE(bits);
    const Picture picture = bits == 24 ? test::Noise24(7, 5) : test::Indexed(7, 5, bits);
    const auto file = BmpFileFromDib(CBMP::MakePackedDib(picture));
    Picture loaded;
    BmpHeaderStyle style{};
    ASSERT_TRUE(CBMP::ReadBmpFile(file, loaded, style).Ok());
    EXPECT_TRUE(test::SamePicture(loaded, picture));
  }
  EXPECT_TRUE(BmpFileFromDib(std::vector<std::uint8_t>(10, 0)).empty());
}

TEST(ClipboardData, RgbRowsRunTopDownRedFirst) {
  const Picture picture = test::Numbered(5, 3);
  const auto rgb = RgbFromPicture(picture);
  ASSERT_EQ(rgb.size(), 45u);
  // Pixel (4, 2), the last of the bottom line: red, green, blue.
  const test::Bgr last = Origin(4, 2);
  EXPECT_EQ(rgb[42], last.r);
  EXPECT_EQ(rgb[43], last.g);
  EXPECT_EQ(rgb[44], last.b);
  EXPECT_TRUE(test::SamePicture(PictureFromRgb(5, 3, rgb), picture));
  EXPECT_TRUE(PictureFromRgb(5, 3, std::span(rgb).first(44)).pixels.empty());
  EXPECT_TRUE(RgbFromPicture(test::Indexed(5, 3, 8)).empty());
}

}  // namespace
}  // namespace tessaly
