#include "retouch/preview.h"

#include <gtest/gtest.h>

#include "picture_helpers.h"

namespace tessaly {
namespace {

Picture Numbered(int w, int h) {
  Picture p = test::Make24(w, h);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) test::Set(p, x, y, {x % 256, y % 256, 0});
  return p;
}

TEST(Preview, ThumbnailDecimatesWithOneStep) {
  EXPECT_EQ(ThumbnailStep(640, 480), 8);
  EXPECT_EQ(ThumbnailStep(80, 60), 1);
  EXPECT_EQ(ThumbnailStep(81, 10), 2);
  EXPECT_EQ(ThumbnailStep(100, 40), 2);

  const Picture p = Numbered(100, 41);
  const Picture thumb = ThumbnailPreview(p);
  ASSERT_EQ(thumb.width, 50);
  ASSERT_EQ(thumb.height, 20);
  // Pixel (i, j) of the preview is pixel (2i, 2j) counted from the first stored row.
  for (int j = 0; j < 20; ++j)
    for (int i = 0; i < 50; ++i) {
      ASSERT_EQ(thumb.Row(j)[3 * i], 2 * i);
      ASSERT_EQ(thumb.Row(j)[3 * i + 1], p.Row(2 * j)[1]);
    }
}

TEST(Preview, WindowShowsARegionAtFullSize) {
  const Picture p = Numbered(200, 100);
  const Picture window = WindowPreview(p, 30, 25);
  ASSERT_EQ(window.width, 80);
  ASSERT_EQ(window.height, 60);
  EXPECT_EQ(test::At(window, 0, 0), (test::Bgr{30, 25, 0}));
  EXPECT_EQ(test::At(window, 79, 59), (test::Bgr{109, 84, 0}));
  // A region reaching past an edge is moved back inside.
  EXPECT_EQ(test::At(WindowPreview(p, 190, 99), 0, 0), (test::Bgr{120, 40, 0}));
  const Picture small = WindowPreview(Numbered(30, 70), 0, 5);
  EXPECT_EQ(small.width, 30);
  EXPECT_EQ(small.height, 60);
  EXPECT_EQ(test::At(small, 0, 0), (test::Bgr{0, 5, 0}));
}

TEST(Preview, WindowChoiceAndScrollBars) {
  EXPECT_FALSE(WindowPreviewAvailable(80, 60));
  EXPECT_TRUE(WindowPreviewAvailable(81, 60));
  EXPECT_TRUE(WindowPreviewAvailable(20, 61));
  EXPECT_FALSE(PreviewScrollBarShown(80, kPreviewWidth));
  EXPECT_TRUE(PreviewScrollBarShown(81, kPreviewWidth));
  EXPECT_EQ(MovePreviewScroll(0, -kPreviewLineStep, 200, 80), 0);
  EXPECT_EQ(MovePreviewScroll(0, kPreviewPageStep, 200, 80), 10);
  EXPECT_EQ(MovePreviewScroll(118, kPreviewLineStep, 200, 80), 120);
}

TEST(Preview, PalettePicturesHaveNoPreview) {
  EXPECT_TRUE(ThumbnailPreview(Picture::Make(10, 10, 8)).pixels.empty());
  EXPECT_TRUE(WindowPreview(Picture::Make(10, 10, 4), 0, 0).pixels.empty());
}

}  // namespace
}  // namespace tessaly
