#include "picture/album_thumbnail.h"

#include <gtest/gtest.h>

#include "picture/contact_sheet.h"
#include "test_support/pictures.h"

namespace tessaly {
namespace {

using test::Bgr;

constexpr RgbQuad kBackground{10, 20, 30, 0};  // blue, green, red
const Bgr kBackgroundBgr{10, 20, 30};

// ---------------------------------------------------------------- the fit

struct FitCase {
  const char* description;
  int width, height, cellWidth, cellHeight;
  ThumbnailFit expected;
};

TEST(AlbumThumbnail, FitsEveryShapeByAWholeFactorOrStep) {
  const FitCase cases[] = {
      {"a camera thumbnail doubles exactly", 40, 30, 80, 60, {true, 2, 40, 30, 0}},
      {"small and wide: the smaller factor, centred", 30, 10, 80, 60, {true, 2, 30, 10, 10}},
      {"one pixel fills the cell's height", 1, 1, 80, 60, {true, 60, 1, 1, 10}},
      {"as wide as the cell: step 1, no enlargement", 80, 30, 80, 60, {false, 1, 80, 30, 0}},
      {"wide picture reduced by 2 with margins", 100, 40, 80, 60, {false, 2, 50, 20, 15}},
      {"the camera's fine picture fills the cell", 640, 480, 80, 60, {false, 8, 80, 60, 0}},
      {"portrait: step 11, 44 columns from 18", 480, 640, 80, 60, {false, 11, 44, 59, 18}},
      {"the largest picture", 1280, 1024, 80, 60, {false, 18, 72, 57, 4}},
      {"a print cell", 640, 480, 320, 240, {false, 2, 320, 240, 0}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.description);
    EXPECT_EQ(FitThumbnail(c.width, c.height, c.cellWidth, c.cellHeight), c.expected);
  }
}

// ---------------------------------------------------------------- 24-bit pixels

// Every cell pixel of a 24-bit thumbnail of a Numbered picture is the background or
// the source pixel the rule names.
void ExpectRule24(int width, int height) {
  SCOPED_TRACE(testing::Message() << width << " x " << height);
  Picture source = test::Numbered(width, height);
  Picture cell = MakeAlbumThumbnail(source, kBackground);
  ASSERT_EQ(cell.width, 80);
  ASSERT_EQ(cell.height, 60);
  ASSERT_EQ(cell.bitsPerPixel, 24);
  ThumbnailFit fit = FitThumbnail(width, height, 80, 60);
  int span = fit.enlarge ? fit.factor : 1;
  int usedRows = fit.rows * span;
  for (int y = 0; y < 60; ++y)
    for (int x = 0; x < 80; ++x) {
      // Stored row r = 59 - y; the picture's stored rows start at the cell's row 0.
      int r = 59 - y;
      int cx = x - fit.left;
      Bgr expected = kBackgroundBgr;
      if (r < usedRows && cx >= 0 && cx < fit.columns * span) {
        int sourceRow = fit.enlarge ? r / span : r * fit.factor;
        int sourceX = fit.enlarge ? cx / span : cx * fit.factor;
        expected = test::Origin(sourceX, height - 1 - sourceRow);
      }
      ASSERT_EQ(test::At(cell, x, y), expected) << "at " << x << "," << y;
    }
}

TEST(AlbumThumbnail, TrueColourPixelsFollowTheRuleOnTheBackground) {
  for (auto [w, h] : {std::pair{40, 30}, {100, 40}, {640, 480}, {480, 640}, {81, 7}, {3, 59}, {1280, 1024}})
    ExpectRule24(w, h);
}

TEST(AlbumThumbnail, TheEdgeCasesLandWhereTheyShould) {
  // 100 x 40: 15 background columns each side, 40 background rows on top.
  Picture wide = MakeAlbumThumbnail(test::Filled(100, 40, {200, 100, 50}), kBackground);
  EXPECT_EQ(test::At(wide, 14, 59), kBackgroundBgr);
  EXPECT_EQ(test::At(wide, 15, 59), (Bgr{200, 100, 50}));
  EXPECT_EQ(test::At(wide, 64, 40), (Bgr{200, 100, 50}));
  EXPECT_EQ(test::At(wide, 65, 40), kBackgroundBgr);
  EXPECT_EQ(test::At(wide, 30, 39), kBackgroundBgr);
  EXPECT_EQ(test::At(wide, 30, 40), (Bgr{200, 100, 50}));
  // 480 x 640: 44 columns from column 18, 59 rows from the bottom.
  Picture tall = MakeAlbumThumbnail(test::Filled(480, 640, {1, 2, 3}), kBackground);
  EXPECT_EQ(test::At(tall, 17, 30), kBackgroundBgr);
  EXPECT_EQ(test::At(tall, 18, 30), (Bgr{1, 2, 3}));
  EXPECT_EQ(test::At(tall, 61, 30), (Bgr{1, 2, 3}));
  EXPECT_EQ(test::At(tall, 62, 30), kBackgroundBgr);
  EXPECT_EQ(test::At(tall, 30, 0), kBackgroundBgr);
  EXPECT_EQ(test::At(tall, 30, 1), (Bgr{1, 2, 3}));
}

// ---------------------------------------------------------------- indexed pixels

TEST(AlbumThumbnail, SmallPalettesGetTheBackgroundAsTheEntryAfterTheirColours) {
  for (int bits : {1, 4}) {
    SCOPED_TRACE(bits);
    Picture source = test::Indexed(20, 15, bits);
    Picture cell = MakeAlbumThumbnail(source, kBackground);
    ASSERT_EQ(cell.bitsPerPixel, 8);
    ASSERT_EQ(cell.ColourCount(), 256);
    const int colours = 1 << bits;
    for (int i = 0; i < colours; ++i) EXPECT_EQ(cell.colourTable[i], source.colourTable[i]);
    EXPECT_EQ(cell.colourTable[colours], kBackground);
    for (int i = colours + 1; i < 256; ++i) ASSERT_EQ(cell.colourTable[i], RgbQuad{}) << i;
    // Enlarged 4 times: (20 x 4 = 80) x (15 x 4 = 60), so no background is left.
    for (int y = 0; y < 60; ++y)
      for (int x = 0; x < 80; ++x) ASSERT_EQ(cell.Line(y)[x], test::IndexOf(source, x / 4, y / 4));
    // A reduced picture leaves background rows at the top, drawn with the new entry.
    Picture reduced = MakeAlbumThumbnail(test::Indexed(160, 40, bits), kBackground);
    EXPECT_EQ(reduced.Line(0)[0], colours);
    EXPECT_EQ(reduced.Line(59)[0], test::IndexOf(test::Indexed(160, 40, bits), 0, 39));
  }
}

TEST(AlbumThumbnail, EightBitPicturesUseTheirNearestColourAsBackground) {
  Picture source = test::Indexed(160, 40, 8);
  // Colour i is blue i, green i / 2, red 255 - i: the background (blue 10, green 20,
  // red 30) is nearest to ... the table's entry with the smallest distance.
  int best = NearestColourIndex(source.colourTable, kBackground);
  int bestDistance = 768;
  for (int i = 0; i < 256; ++i) {
    const RgbQuad& c = source.colourTable[i];
    int d = std::abs(c.red - 30) + std::abs(c.green - 20) + std::abs(c.blue - 10);
    if (d < bestDistance) bestDistance = d, best = i;
  }
  EXPECT_EQ(NearestColourIndex(source.colourTable, kBackground), best);
  Picture cell = MakeAlbumThumbnail(source, kBackground);
  EXPECT_EQ(cell.Line(0)[40], best);  // the top rows are background
  EXPECT_EQ(std::vector<RgbQuad>(cell.colourTable.begin(), cell.colourTable.end()), source.colourTable);
  // The first of equally near entries wins; a search starts at 768, so a table of
  // entries all 768 away still gives entry 0.
  std::vector<RgbQuad> ties{{0, 0, 0, 0}, {20, 20, 20, 0}, {20, 20, 20, 0}};
  EXPECT_EQ(NearestColourIndex(ties, RgbQuad{20, 20, 20, 0}), 1);
  EXPECT_EQ(NearestColourIndex({{255, 255, 255, 0}}, RgbQuad{0, 0, 0, 0}), 0);
}

TEST(AlbumThumbnail, RefusesPicturesItCannotRead) {
  Picture broken = test::Make24(10, 10);
  broken.pixels.resize(20);
  EXPECT_TRUE(MakeAlbumThumbnail(broken, kBackground).Empty());
  EXPECT_TRUE(MakeAlbumThumbnail(Picture{}, kBackground).Empty());
}

// ---------------------------------------------------------------- contact sheets

TEST(ContactSheetLayout, FortyAPageInRowsOfEightOrFive) {
  EXPECT_EQ(ContactSheetLayout::PageCount(1), 1);
  EXPECT_EQ(ContactSheetLayout::PageCount(40), 1);
  EXPECT_EQ(ContactSheetLayout::PageCount(41), 2);
  EXPECT_EQ(ContactSheetLayout::PageCount(81), 3);
  EXPECT_TRUE(ContactSheetLayout::IsLandscape(1100, 850));
  EXPECT_FALSE(ContactSheetLayout::IsLandscape(850, 1100));
  EXPECT_FALSE(ContactSheetLayout::IsLandscape(850, 850));

  ContactSheetLayout landscape(true), portrait(false);
  EXPECT_EQ(landscape.ItemsOnPage(2, 41), 1);
  EXPECT_EQ(landscape.FirstItem(2), 40);
  struct Case {
    const ContactSheetLayout& layout;
    int k;
    PixelRect thumb;
  } cases[] = {
      {landscape, 0, {40 - 1600, 40 - 1000, 320, 240}},
      {landscape, 7, {40 + 7 * 400 - 1600, 40 - 1000, 320, 240}},
      {landscape, 8, {40 - 1600, 440 - 1000, 320, 240}},  // the 9th file starts row 2
      {landscape, 39, {40 + 7 * 400 - 1600, 40 + 4 * 400 - 1000, 320, 240}},
      {portrait, 5, {40 - 1000, 440 - 1600, 320, 240}},
      {portrait, 39, {40 + 4 * 400 - 1000, 40 + 7 * 400 - 1600, 320, 240}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.k);
    EXPECT_EQ(c.layout.ThumbRect(c.k), c.thumb);
    EXPECT_EQ(c.layout.CaptionRect(c.k), (PixelRect{c.thumb.left, c.thumb.top + 260, 320, 60}));
    // Every cell lies inside the logical page.
    EXPECT_GE(c.thumb.left, -c.layout.ExtentX() / 2);
    EXPECT_LE(c.thumb.left + 400 - 40, c.layout.ExtentX() / 2);
    EXPECT_LE(c.thumb.top + 320, c.layout.ExtentY() / 2);
  }
  // The same scale both ways, the larger logical extent filling its side of the page.
  EXPECT_DOUBLE_EQ(landscape.Scale(3300, 2550), 3300.0 / 3200);
  EXPECT_DOUBLE_EQ(landscape.Scale(4400, 2550), 2550.0 / 2000);
  EXPECT_EQ(landscape.ToDevice({-1600, -1000, 3200, 2000}, 3200, 2000), (PixelRect{0, 0, 3200, 2000}));
  EXPECT_EQ(portrait.ToDevice({0, 0, 400, 400}, 1000, 1600), (PixelRect{500, 800, 200, 200}));
}

}  // namespace
}  // namespace tessaly
