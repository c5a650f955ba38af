#include "picture/renderer.h"

#include <gtest/gtest.h>

#include "picture/colour_cube.h"
#include "picture/depth_name.h"
#include "picture/memory_canvas.h"
#include "test_support/allocation_limit.h"
#include "test_support/case_name.h"
#include "test_support/pictures.h"
#include "test_support/recorded_prompt.h"
#include "test_support/recording_progress.h"

namespace tessaly {
namespace {

using test::MemoryCanvas;
using test::Rgb;
using Texts = std::vector<std::string>;

// Picture colour at (x, y) counted from the top.
Rgb PixelAt(const Picture& picture, int x, int y) {
  const test::Bgr c = test::At(picture, x, y);
  return {static_cast<std::uint8_t>(c.r), static_cast<std::uint8_t>(c.g), static_cast<std::uint8_t>(c.b)};
}

TEST(DepthName, NamesEveryDepth) {
  EXPECT_EQ(DepthName(1), "1 Bit color");
  EXPECT_EQ(DepthName(4), "16 Colors (4 Bit)");
  EXPECT_EQ(DepthName(8), "8 bit colors");
  EXPECT_EQ(DepthName(24), "24 bit colors");
  EXPECT_EQ(DepthName(32), "24 bit colors");
  EXPECT_EQ(DepthName(16), "HHH");
}

// ---------------------------------------------------------------- choice by depth

struct DepthCase {
  const char* description;
  int bits, planes, forced;
  bool palette, trueColour;
  int colourCount;
};

void PrintTo(const DepthCase& c, std::ostream* out) { *out << c.description; }

class RendererChoice : public testing::TestWithParam<DepthCase> {};

TEST_P(RendererChoice, FollowsTheDeviceDepth) {
  const DepthCase& c = GetParam();
  Picture picture = test::Noise24(8, 6);
  MemoryCanvas canvas(8, 6, c.bits, c.planes);
  RendererSlot slot;
  slot.colourCount = 77;
  EXPECT_EQ(CreateRenderer(slot, 8, 6, picture.pixels, 0, 0, 8, 6, canvas, c.forced), c.palette || c.trueColour);
  EXPECT_EQ(dynamic_cast<PaletteRenderer*>(slot.renderer.get()) != nullptr, c.palette);
  EXPECT_EQ(dynamic_cast<TrueColourRenderer*>(slot.renderer.get()) != nullptr, c.trueColour);
  EXPECT_EQ(slot.colourCount, c.colourCount);
}

INSTANTIATE_TEST_SUITE_P(Depths, RendererChoice,
                         testing::Values(DepthCase{"monochrome", 1, 1, 0, true, false, 256},
                                         DepthCase{"16 colours", 4, 1, 0, true, false, 256},
                                         DepthCase{"256 colours", 8, 1, 0, true, false, 256},
                                         DepthCase{"high colour", 16, 1, 0, false, true, 0x10000},
                                         DepthCase{"true colour", 24, 1, 0, false, true, 0},
                                         DepthCase{"32 bits", 32, 1, 0, false, true, 0},
                                         DepthCase{"4 planes of 1 bit", 1, 4, 0, true, false, 256},
                                         DepthCase{"three planes of 5 bits", 5, 3, 0, false, true, 0},
                                         DepthCase{"one plane of 12 bits", 12, 1, 0, true, false, 256},
                                         DepthCase{"two planes of 5 bits", 5, 2, 0, false, false, 0},
                                         DepthCase{"forced 8 on a true-colour device", 24, 1, 8, true, false, 256},
                                         DepthCase{"forced 24 on a palette device", 8, 1, 24, false, true, 0}),
                         [](const auto& row) { return test::CaseName(row.param.description); });

TEST(RendererChoice, RectangleOutsideThePictureGetsNoRenderer) {
  Picture picture = test::Noise24(8, 6);
  MemoryCanvas canvas(8, 6, 24);
  RendererSlot slot;
  EXPECT_FALSE(CreateRenderer(slot, 8, 6, picture.pixels, 4, 0, 5, 6, canvas));
  EXPECT_FALSE(CreateRenderer(slot, 8, 6, picture.pixels, 0, 2, 8, 5, canvas));
  EXPECT_FALSE(CreateRenderer(slot, 8, 6, std::span(picture.pixels).first(10), 0, 0, 8, 6, canvas));
  EXPECT_EQ(slot.renderer, nullptr);
}

// ---------------------------------------------------------------- the renderers

TEST(TrueColourRenderer, BorrowsTheWholePictureAndCopiesARectangle) {
  Picture picture = test::Noise24(13, 9);
  MemoryCanvas canvas(13, 9, 24);
  RendererSlot slot;
  ASSERT_TRUE(CreateRenderer(slot, 13, 9, picture.pixels, 0, 0, 13, 9, canvas));
  EXPECT_EQ(slot.renderer->Block().pixels, picture.pixels.data());
  EXPECT_EQ(slot.renderer->Header(), (BitmapHeader{40, 13, 9, 1, 24, 0, 0, 0, 0, 0, 0}));
  ASSERT_TRUE(CreateRenderer(slot, 13, 9, picture.pixels, 3, 2, 7, 5, canvas));
  ASSERT_TRUE(slot.renderer->OwnsPixels());
  ASSERT_TRUE(slot.renderer->DrawStretched(canvas, 7, 5));
  for (int y = 0; y < 5; ++y)
    for (int x = 0; x < 7; ++x) EXPECT_EQ(canvas.At(x, y), PixelAt(picture, 3 + x, 2 + y)) << x << "," << y;
}

TEST(PaletteRenderer, ReducesTheRectangleWithProgressAndDrawsCubeColours) {
  test::ScopedRecordingProgress recording;
  Picture picture = test::Noise24(30, 20);
  MemoryCanvas canvas(11, 7, 8);
  RendererSlot slot;
  ASSERT_TRUE(CreateRenderer(slot, 30, 20, picture.pixels, 5, 4, 11, 7, canvas));
  auto* renderer = dynamic_cast<PaletteRenderer*>(slot.renderer.get());
  ASSERT_NE(renderer, nullptr);
  EXPECT_EQ(recording.Log().begun, std::vector<MessageId>{kMsgReducingColour});
  EXPECT_EQ(recording.Log().range, 7);
  EXPECT_EQ(recording.Log().steps, 7);
  EXPECT_FALSE(recording.Log().shown);
  auto expected = ReduceToColourCube(30, 20, picture.pixels.data(), 5, 4, 11, 7);
  EXPECT_TRUE(std::equal(expected.begin(), expected.end(), renderer->Block().pixels));
  EXPECT_EQ(renderer->Header(), (BitmapHeader{40, 11, 7, 1, 8, 0, 0, 0, 0, 0, 0}));
  ASSERT_NE(renderer->GetPalette(), nullptr);
  EXPECT_EQ(renderer->GetPalette()->entries.size(), 216u);

  ASSERT_TRUE(renderer->DrawStretched(canvas, 11, 7));
  EXPECT_EQ(canvas.paletteSelections, 1);
  EXPECT_EQ(canvas.paletteRestores, 1);
  EXPECT_EQ(canvas.selectedPalette, renderer->GetPalette());
  for (int y = 0; y < 7; ++y)
    for (int x = 0; x < 11; ++x) {
      const Rgb c = canvas.At(x, y);
      for (int v : {c.red, c.green, c.blue}) EXPECT_EQ(v % 51, 0);
    }
}

TEST(PaletteRenderer, RunningOutOfMemoryLeavesARendererThatCannotDraw) {
  test::RecordedPrompt prompt;
  test::ScopedRecordingProgress recording;
  Picture picture = test::Noise24(1280, 1024);
  MemoryCanvas canvas(64, 64, 8);
  RendererSlot slot;
  {
    // The result block (1280 x 1024 bytes) cannot be had; the error rows can.
    test::ScopedAllocationLimit limit(1 << 20);
    ASSERT_TRUE(CreateRenderer(slot, 1280, 1024, picture.pixels, 0, 0, 1280, 1024, canvas));
  }
  EXPECT_EQ(prompt.Texts(), Texts{"Not enough memory."});
  EXPECT_FALSE(recording.Log().shown);
  ASSERT_NE(slot.renderer, nullptr);
  EXPECT_FALSE(slot.renderer->HasPixels());
  EXPECT_FALSE(slot.renderer->DrawZoomed(canvas, 0, 0, 100));
  EXPECT_TRUE(canvas.stretches.empty());
  EXPECT_EQ(canvas.placeholders.size(), 1u);
}

TEST(IndexedRenderer, ExpandsOneAndFourBitPixelsAndBorrowsEightBitOnes) {
  Picture mono = Picture::Make(10, 2, 1);
  mono.Row(0)[0] = 0b1010'0000;
  mono.Row(0)[1] = 0b0100'0000;  // pixel 9
  mono.Row(1)[0] = 0b0000'0001;  // pixel 7
  auto renderer = CreateIndexedRenderer(mono);
  ASSERT_NE(renderer, nullptr);
  const std::uint8_t rows[24] = {1, 0, 1, 0, 0, 0, 0, 0, 0, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1, 0, 0};
  EXPECT_TRUE(std::equal(rows, rows + 22, renderer->Block().pixels));
  EXPECT_EQ(renderer->Block().header->clrUsed, 2u);

  Picture sixteen = test::Indexed(5, 1, 4);
  renderer = CreateIndexedRenderer(sixteen);
  ASSERT_NE(renderer, nullptr);
  for (int x = 0; x < 5; ++x) EXPECT_EQ(renderer->Block().pixels[x], test::IndexOf(sixteen, x, 0)) << x;
  // A 16-entry table yields a logical palette in which entries 16 to 31 repeat 0 to 15.
  const LogicalPalette* palette = renderer->GetPalette();
  ASSERT_NE(palette, nullptr);
  ASSERT_EQ(palette->entries.size(), 256u);
  for (std::size_t i = 0; i < 256; ++i) {
    const RgbQuad& source = sixteen.colourTable[i % 16];
    EXPECT_EQ(palette->entries[i], (PaletteEntry{source.red, source.green, source.blue, 0})) << i;
  }

  Picture eight = test::Indexed(6, 3, 8);
  renderer = CreateIndexedRenderer(eight);
  ASSERT_NE(renderer, nullptr);
  EXPECT_EQ(renderer->Block().pixels, eight.pixels.data());

  EXPECT_EQ(CreateIndexedRenderer(Picture::Make(4, 4, 24)), nullptr);
  eight.colourTable.clear();
  EXPECT_EQ(CreateIndexedRenderer(eight), nullptr);
  sixteen.pixels.resize(2);
  EXPECT_EQ(CreateIndexedRenderer(sixteen), nullptr);
}

// ---------------------------------------------------------------- drawing

TEST(DrawingArithmetic, BandsCoverTheDestinationFromTheTop) {
  // Three rows onto 7 destination rows: m = 2.333..., bands of 3 rows.
  EXPECT_EQ(BandForRow(2, 3, 0, 7), (Band{0, 3}));
  EXPECT_EQ(BandForRow(0, 3, 0, 7), (Band{4, 3}));
  // Shrinking: 4 rows onto 2.
  EXPECT_EQ(BandForRow(3, 4, 10, 2), (Band{10, 1}));
  EXPECT_EQ(BandForRow(0, 4, 10, 2), (Band{11, 1}));
  const int n = 480, height = 3600;
  std::vector<bool> covered(height);
  for (int i = 0; i < n; ++i) {
    Band band = BandForRow(i, n, 0, height);
    for (int y = band.top; y < band.top + band.height && y < height; ++y) covered[static_cast<std::size_t>(y)] = true;
  }
  EXPECT_EQ(std::count(covered.begin(), covered.end(), false), 0);
  EXPECT_EQ(ZoomedDestination(3, 5, 101, 51, 50), (PixelRect{1, 2, 51, 26}));
  EXPECT_EQ(PrintedHeight(640, 480, 4800, 600, 300), 1800);  // unequal densities
  EXPECT_EQ(PrintedHeight(640, 480, 4800, 0, 600), 0);
}

class Drawing : public testing::Test {
 protected:
  RendererSlot Renderer(int width, int height, MemoryCanvas& canvas) {
    m_picture = test::Noise24(width, height);
    RendererSlot slot;
    EXPECT_TRUE(CreateRenderer(slot, width, height, m_picture.pixels, 0, 0, width, height, canvas));
    return slot;
  }
  static void MakePrinter(MemoryCanvas& printer, int pageWidth, int density) {
    printer.printing = true;
    printer.pageWidth = pageWidth;
    printer.pixelsPerInchX = printer.pixelsPerInchY = density;
  }
  Picture m_picture;
  test::RecordedPrompt m_prompt;
};

TEST_F(Drawing, ZoomDrawsIntoTheScaledRectangle) {
  MemoryCanvas canvas(120, 60, 24);
  RendererSlot slot = Renderer(101, 51, canvas);
  EXPECT_TRUE(slot.renderer->DrawZoomed(canvas, 0, 0, 50));
  ASSERT_EQ(canvas.stretches.size(), 1u);
  EXPECT_EQ(canvas.stretches[0].source, (PixelRect{0, 0, 101, 51}));
  EXPECT_EQ(canvas.stretches[0].destination, (PixelRect{0, 0, 50, 25}));
  EXPECT_EQ(canvas.At(10, 10), PixelAt(m_picture, 20, 20));
}

TEST_F(Drawing, WideDestinationIsBandedEvenOnTheScreen) {
  MemoryCanvas canvas(1400, 40, 24);
  RendererSlot slot = Renderer(40, 30, canvas);
  ASSERT_TRUE(slot.renderer->DrawStretched(canvas, 1280, 30));
  EXPECT_EQ(canvas.stretches.size(), 1u);
  canvas.stretches.clear();
  ASSERT_TRUE(slot.renderer->DrawStretched(canvas, 1281, 30));
  ASSERT_EQ(canvas.stretches.size(), 30u);
  for (int i = 0; i < 30; ++i) {
    const auto& band = canvas.stretches[static_cast<std::size_t>(i)];
    EXPECT_EQ(band.header.height, 1);
    EXPECT_EQ(band.header.sizeImage, RowStride(40, 24));
    EXPECT_EQ(band.source, (PixelRect{0, 0, 40, 1}));
    EXPECT_EQ(band.destination, (PixelRect{0, 29 - i, 1281, 1}));
  }
  EXPECT_EQ(slot.renderer->Header().height, 30);  // the renderer's own header is whole
  for (int y = 0; y < 30; ++y) EXPECT_EQ(canvas.At(1280, y), PixelAt(m_picture, 39, y));
}

TEST_F(Drawing, PrintingFillsThePageWidthRowByRow) {
  MemoryCanvas printer(10, 10, 24);
  MakePrinter(printer, 4800, 600);
  RendererSlot slot = Renderer(640, 480, printer);
  ASSERT_TRUE(slot.renderer->PrintFitWidth(printer));
  ASSERT_EQ(printer.stretches.size(), 480u);  // 4800 x 3600 in rows of 8
  EXPECT_EQ(printer.stretches.front().destination, (PixelRect{0, 3592, 4800, 8}));
  EXPECT_EQ(printer.stretches.back().destination, (PixelRect{0, 0, 4800, 8}));
  EXPECT_TRUE(m_prompt.Texts().empty());
}

// On the screen a failed stretch is reported every time; a zoomed drawing that fails
// shows the placeholder instead; printing reports once, and one row drawn is enough.
TEST_F(Drawing, FailuresAreReportedAsEachWayOfDrawingRequires) {
  MemoryCanvas canvas(100, 100, 24);
  canvas.failStretchesFrom = 0;
  RendererSlot slot = Renderer(30, 20, canvas);
  EXPECT_FALSE(slot.renderer->DrawStretched(canvas, 30, 20));
  EXPECT_FALSE(slot.renderer->DrawStretched(canvas, 30, 20));
  EXPECT_EQ(m_prompt.Texts(), Texts(2, "Not enough memory."));

  m_prompt->Clear();
  canvas.stretches.clear();
  canvas.failStretchesFrom = 5;
  EXPECT_FALSE(slot.renderer->DrawZoomed(canvas, 0, 0, 4400));  // banded, failing at the sixth row
  EXPECT_EQ(canvas.stretches.size(), 6u);
  EXPECT_EQ(canvas.placeholders, std::vector<PixelRect>{(PixelRect{0, 0, 30, 20})});
  canvas.placeholderWorks = false;
  EXPECT_FALSE(slot.renderer->DrawZoomed(canvas, 0, 0, 100));
  EXPECT_TRUE(m_prompt.Texts().empty());

  MemoryCanvas printer(10, 10, 24);
  MakePrinter(printer, 300, 300);
  printer.failStretchesFrom = 0;
  printer.placeholderWorks = false;
  slot = Renderer(30, 20, printer);
  EXPECT_FALSE(slot.renderer->PrintFitWidth(printer));
  EXPECT_FALSE(slot.renderer->PrintFitWidth(printer));
  EXPECT_EQ(m_prompt.Texts(), Texts{"Not enough memory."});
  printer.failStretchesFrom = static_cast<int>(printer.stretches.size()) + 1;
  printer.placeholders.clear();
  EXPECT_TRUE(slot.renderer->PrintFitWidth(printer));
  EXPECT_TRUE(printer.placeholders.empty());

  m_prompt->Clear();
  MemoryCanvas screen(8, 8, 24);
  slot = Renderer(8, 8, screen);
  EXPECT_TRUE(slot.renderer->BlitViaBitmap(screen, nullptr));
  EXPECT_EQ(screen.At(7, 7), PixelAt(m_picture, 7, 7));
  screen.blitResult = BlitResult::kNoMemoryContext;
  EXPECT_FALSE(slot.renderer->BlitViaBitmap(screen, nullptr));
  EXPECT_FALSE(slot.renderer->BlitViaBitmap(screen, nullptr));
  EXPECT_EQ(m_prompt.Texts().size(), 2u);
}

}  // namespace
}  // namespace tessaly
