#include "picture/renderer.h"

#include <gtest/gtest.h>

#include <numeric>
#include <random>

#include "base/prompt.h"
#include "picture/colour_cube.h"
#include "picture/depth_name.h"
#include "picture/memory_canvas.h"
#include "test_support/allocation_limit.h"
#include "test_support/recording_progress.h"

namespace tessaly {
namespace {

using test::MemoryCanvas;
using test::Rgb;

Picture Noise(int width, int height, unsigned seed = 1) {
  Picture picture = Picture::Make(width, height, 24);
  std::mt19937 random(seed);
  for (auto& byte : picture.pixels) byte = static_cast<std::uint8_t>(random());
  return picture;
}

// Picture colour at (x, y) counted from the top.
Rgb PixelAt(const Picture& picture, int x, int y) {
  const std::uint8_t* p = picture.Line(y) + 3 * x;
  return {p[2], p[1], p[0]};
}

class RecordingPromptTest : public testing::Test {
 protected:
  RecordingPromptTest() {
    auto prompt = std::make_unique<ScriptedPrompt>();
    m_prompt = prompt.get();
    m_scope = std::make_unique<ScopedPrompt>(std::move(prompt));
  }
  std::vector<std::string> Texts() const { return m_prompt->Texts(); }

 private:
  ScriptedPrompt* m_prompt;
  std::unique_ptr<ScopedPrompt> m_scope;
};

// ---------------------------------------------------------------- depth names

TEST(DepthName, NamesEveryDepth) {
  EXPECT_EQ(DepthName(1), "1 Bit color");
  EXPECT_EQ(DepthName(4), "16 Colors (4 Bit)");
  EXPECT_EQ(DepthName(8), "8 bit colors");
  EXPECT_EQ(DepthName(24), "24 bit colors");
  EXPECT_EQ(DepthName(32), "24 bit colors");
  EXPECT_EQ(DepthName(16), "HHH");
  EXPECT_EQ(DepthName(0), "HHH");
  EXPECT_EQ(DepthNameId(4), kMsgDepth4);
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
  Picture picture = Noise(8, 6);
  MemoryCanvas canvas(8, 6, c.bits, c.planes);
  RendererSlot slot;
  slot.colourCount = 77;
  bool made = CreateRenderer(slot, 8, 6, picture.pixels, 0, 0, 8, 6, canvas, c.forced);
  EXPECT_EQ(made, c.palette || c.trueColour);
  EXPECT_EQ(dynamic_cast<PaletteRenderer*>(slot.renderer.get()) != nullptr, c.palette);
  EXPECT_EQ(dynamic_cast<TrueColourRenderer*>(slot.renderer.get()) != nullptr, c.trueColour);
  EXPECT_EQ(slot.colourCount, c.colourCount);
  if (slot.renderer) {
    EXPECT_EQ(slot.renderer->SourceDepth(), 24);
    EXPECT_TRUE(slot.renderer->ReportFailure());
  }
}

INSTANTIATE_TEST_SUITE_P(
    Depths, RendererChoice,
    testing::Values(DepthCase{"monochrome", 1, 1, 0, true, false, 256}, DepthCase{"16 colours", 4, 1, 0, true, false, 256},
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
    [](const auto& info) {
      std::string name = info.param.description;
      for (char& ch : name)
        if (!std::isalnum(static_cast<unsigned char>(ch))) ch = '_';
      return name;
    });

TEST(RendererChoice, RectangleOutsideThePictureGetsNoRenderer) {
  Picture picture = Noise(8, 6);
  MemoryCanvas canvas(8, 6, 24);
  RendererSlot slot;
  EXPECT_FALSE(CreateRenderer(slot, 8, 6, picture.pixels, 4, 0, 5, 6, canvas));
  EXPECT_FALSE(CreateRenderer(slot, 8, 6, picture.pixels, 0, 2, 8, 5, canvas));
  EXPECT_FALSE(CreateRenderer(slot, 8, 6, std::span(picture.pixels).first(10), 0, 0, 8, 6, canvas));
  EXPECT_EQ(slot.renderer, nullptr);
}

// ---------------------------------------------------------------- true colour

TEST(TrueColourRenderer, BorrowsTheWholePictureAndCopiesARectangle) {
  Picture picture = Noise(13, 9);
  MemoryCanvas canvas(13, 9, 24);
  RendererSlot slot;
  ASSERT_TRUE(CreateRenderer(slot, 13, 9, picture.pixels, 0, 0, 13, 9, canvas));
  EXPECT_FALSE(slot.renderer->OwnsPixels());
  EXPECT_EQ(slot.renderer->Block().pixels, picture.pixels.data());
  EXPECT_EQ(slot.renderer->Header(), (BitmapHeader{40, 13, 9, 1, 24, 0, 0, 0, 0, 0, 0}));

  ASSERT_TRUE(CreateRenderer(slot, 13, 9, picture.pixels, 3, 2, 7, 5, canvas));
  ASSERT_TRUE(slot.renderer->OwnsPixels());
  EXPECT_EQ(slot.renderer->Width(), 7);
  EXPECT_EQ(slot.renderer->Height(), 5);
  ASSERT_TRUE(slot.renderer->DrawStretched(canvas, 7, 5));
  for (int y = 0; y < 5; ++y)
    for (int x = 0; x < 7; ++x) EXPECT_EQ(canvas.At(x, y), PixelAt(picture, 3 + x, 2 + y)) << x << "," << y;
}

// ---------------------------------------------------------------- colour cube renderer

TEST(PaletteRenderer, ReducesWithProgressAndDrawsCubeColours) {
  test::ScopedRecordingProgress recording;
  Picture picture = Noise(20, 12);
  MemoryCanvas canvas(20, 12, 8);
  RendererSlot slot;
  ASSERT_TRUE(CreateRenderer(slot, 20, 12, picture.pixels, 0, 0, 20, 12, canvas));
  auto* renderer = dynamic_cast<PaletteRenderer*>(slot.renderer.get());
  ASSERT_NE(renderer, nullptr);
  EXPECT_EQ(recording.Log().begun, std::vector<MessageId>{kMsgReducingColour});
  EXPECT_EQ(recording.Log().range, 12);
  EXPECT_EQ(recording.Log().step, 1);
  EXPECT_EQ(recording.Log().steps, 12);
  EXPECT_FALSE(recording.Log().shown);

  EXPECT_TRUE(renderer->OwnsPixels());
  EXPECT_EQ(renderer->Header(), (BitmapHeader{40, 20, 12, 1, 8, 0, 0, 0, 0, 0, 0}));
  ASSERT_NE(renderer->GetPalette(), nullptr);
  EXPECT_EQ(renderer->GetPalette()->entries.size(), 216u);
  EXPECT_EQ(renderer->Block().colours.size(), 256u);

  ASSERT_TRUE(renderer->DrawStretched(canvas, 20, 12));
  EXPECT_EQ(canvas.paletteSelections, 1);
  EXPECT_EQ(canvas.paletteRestores, 1);
  EXPECT_EQ(canvas.selectedPalette, renderer->GetPalette());
  for (int y = 0; y < 12; ++y)
    for (int x = 0; x < 20; ++x) {
      const Rgb c = canvas.At(x, y);
      for (int v : {c.red, c.green, c.blue}) EXPECT_EQ(v % 51, 0);
    }
}

TEST(PaletteRenderer, SubRectangleIsReducedOnItsOwn) {
  Picture picture = Noise(30, 20);
  MemoryCanvas canvas(30, 20, 8);
  RendererSlot slot;
  ASSERT_TRUE(CreateRenderer(slot, 30, 20, picture.pixels, 5, 4, 11, 7, canvas));
  auto expected = ReduceToColourCube(30, 20, picture.pixels.data(), 5, 4, 11, 7);
  const DisplayBlock block = slot.renderer->Block();
  EXPECT_TRUE(std::equal(expected.begin(), expected.end(), block.pixels));
}

TEST(PaletteRenderer, RunningOutOfMemoryLeavesARendererThatCannotDraw) {
  auto prompt = std::make_unique<ScriptedPrompt>();
  ScriptedPrompt* log = prompt.get();
  ScopedPrompt scope(std::move(prompt));
  test::ScopedRecordingProgress recording;
  Picture picture = Noise(1280, 1024);
  MemoryCanvas canvas(64, 64, 8);
  RendererSlot slot;
  {
    // The result block (1280 x 1024 bytes) cannot be had; the error rows can.
    test::ScopedAllocationLimit limit(1 << 20);
    ASSERT_TRUE(CreateRenderer(slot, 1280, 1024, picture.pixels, 0, 0, 1280, 1024, canvas));
  }
  EXPECT_EQ(log->Texts(), std::vector<std::string>{"Not enough memory."});
  EXPECT_FALSE(recording.Log().shown);
  EXPECT_EQ(slot.colourCount, 256);
  ASSERT_NE(slot.renderer, nullptr);
  EXPECT_FALSE(slot.renderer->HasPixels());
  EXPECT_EQ(slot.renderer->GetPalette(), nullptr);
  EXPECT_FALSE(slot.renderer->DrawZoomed(canvas, 0, 0, 100));
  EXPECT_TRUE(canvas.stretches.empty());
  EXPECT_EQ(canvas.placeholders.size(), 1u);
}

// ---------------------------------------------------------------- indexed pictures

TEST(IndexedRenderer, ExpandsOneBitPixels) {
  Picture picture = Picture::Make(10, 2, 1);
  picture.colourTable = {{0, 0, 0, 0}, {255, 255, 255, 0}};
  picture.Row(0)[0] = 0b1010'0000;
  picture.Row(0)[1] = 0b0100'0000;  // pixel 9
  picture.Row(1)[0] = 0b0000'0001;  // pixel 7
  auto renderer = CreateIndexedRenderer(picture);
  ASSERT_NE(renderer, nullptr);
  EXPECT_TRUE(renderer->OwnsPixels());
  EXPECT_EQ(renderer->SourceDepth(), 1);
  const DisplayBlock block = renderer->Block();
  const std::uint8_t row0[12] = {1, 0, 1, 0, 0, 0, 0, 0, 0, 1, 0, 0};
  const std::uint8_t row1[10] = {0, 0, 0, 0, 0, 0, 0, 1, 0, 0};
  EXPECT_TRUE(std::equal(row1, row1 + 10, block.pixels + 12));
  EXPECT_TRUE(std::equal(row0, row0 + 10, block.pixels));
  EXPECT_EQ(block.header->clrUsed, 2u);
  EXPECT_EQ(block.header->clrImportant, 2u);
  EXPECT_EQ(block.colours.size(), 2u);
}

TEST(IndexedRenderer, FourBitPaletteRepeatsItsSixteenColours) {
  Picture picture = Picture::Make(5, 1, 4);
  for (int i = 0; i < 16; ++i)
    picture.colourTable[static_cast<std::size_t>(i)] = RgbQuad{static_cast<std::uint8_t>(i), static_cast<std::uint8_t>(2 * i), static_cast<std::uint8_t>(3 * i), 0};
  picture.pixels[0] = 0x1F;
  picture.pixels[1] = 0xA2;
  picture.pixels[2] = 0x70;
  auto renderer = CreateIndexedRenderer(picture);
  ASSERT_NE(renderer, nullptr);
  const std::uint8_t expected[5] = {0x1, 0xF, 0xA, 0x2, 0x7};
  EXPECT_TRUE(std::equal(expected, expected + 5, renderer->Block().pixels));
  const LogicalPalette* palette = renderer->GetPalette();
  ASSERT_NE(palette, nullptr);
  ASSERT_EQ(palette->entries.size(), 256u);
  EXPECT_EQ(palette->version, 0x300);
  for (std::size_t i = 0; i < 256; ++i) {
    const RgbQuad& source = picture.colourTable[i % 16];
    EXPECT_EQ(palette->entries[i], (PaletteEntry{source.red, source.green, source.blue, 0})) << i;
    EXPECT_EQ(renderer->ColourTableCopy()[i], source);
  }
  EXPECT_EQ(palette->entries[16], palette->entries[0]);
  EXPECT_EQ(palette->entries[31], palette->entries[15]);
}

TEST(IndexedRenderer, EightBitPixelsAreBorrowed) {
  Picture picture = Picture::Make(6, 3, 8, 4);
  picture.compression = 0;
  auto renderer = CreateIndexedRenderer(picture);
  ASSERT_NE(renderer, nullptr);
  EXPECT_FALSE(renderer->OwnsPixels());
  EXPECT_EQ(renderer->Block().pixels, picture.pixels.data());
  EXPECT_EQ(renderer->Header().sizeImage, picture.imageSize);
  EXPECT_EQ(renderer->Header().clrUsed, 256u);
}

TEST(IndexedRenderer, RefusesWhatIsNotAnIndexedPicture) {
  EXPECT_EQ(CreateIndexedRenderer(Picture::Make(4, 4, 24)), nullptr);
  Picture noTable = Picture::Make(4, 4, 8);
  noTable.colourTable.clear();
  EXPECT_EQ(CreateIndexedRenderer(noTable), nullptr);
  Picture shortPixels = Picture::Make(4, 4, 4);
  shortPixels.pixels.resize(8);
  EXPECT_EQ(CreateIndexedRenderer(shortPixels), nullptr);
}

// ---------------------------------------------------------------- drawing arithmetic

TEST(DrawingArithmetic, BandsCoverTheDestinationFromTheTop) {
  // Three rows onto 7 destination rows: m = 2.333..., bands of 3 rows.
  EXPECT_EQ(BandForRow(2, 3, 0, 7), (Band{0, 3}));
  EXPECT_EQ(BandForRow(1, 3, 0, 7), (Band{2, 3}));
  EXPECT_EQ(BandForRow(0, 3, 0, 7), (Band{4, 3}));
  // Shrinking: 4 rows onto 2.
  EXPECT_EQ(BandForRow(3, 4, 10, 2), (Band{10, 1}));
  EXPECT_EQ(BandForRow(0, 4, 10, 2), (Band{11, 1}));
  // Every destination row is covered by some band.
  const int n = 480, height = 3600;
  std::vector<bool> covered(height);
  for (int i = 0; i < n; ++i) {
    Band band = BandForRow(i, n, 0, height);
    for (int y = band.top; y < band.top + band.height && y < height; ++y) covered[static_cast<std::size_t>(y)] = true;
  }
  EXPECT_EQ(std::count(covered.begin(), covered.end(), false), 0);
}

TEST(DrawingArithmetic, ZoomedDestinationUsesIntegerDivision) {
  EXPECT_EQ(ZoomedDestination(0, 0, 101, 51, 50), (PixelRect{0, 0, 50, 25}));
  EXPECT_EQ(ZoomedDestination(3, 5, 101, 51, 50), (PixelRect{1, 2, 51, 26}));
  EXPECT_EQ(ZoomedDestination(0, 0, 640, 480, 200), (PixelRect{0, 0, 1280, 960}));
}

TEST(DrawingArithmetic, PrintedHeightKeepsTheProportions) {
  EXPECT_EQ(PrintedHeight(640, 480, 4800, 600, 600), 3600);
  EXPECT_EQ(PrintedHeight(640, 480, 4800, 600, 300), 1800);
  EXPECT_EQ(PrintedHeight(3, 1, 10, 1, 1), 3);  // 3.33 truncated
  EXPECT_EQ(PrintedHeight(640, 480, 4800, 0, 600), 0);
}

// ---------------------------------------------------------------- drawing

class Drawing : public RecordingPromptTest {};

TEST_F(Drawing, ZoomDrawsIntoTheScaledRectangle) {
  Picture picture = Noise(101, 51);
  MemoryCanvas canvas(120, 60, 24);
  RendererSlot slot;
  ASSERT_TRUE(CreateRenderer(slot, 101, 51, picture.pixels, 0, 0, 101, 51, canvas));
  EXPECT_TRUE(slot.renderer->DrawZoomed(canvas, 0, 0, 50));
  ASSERT_EQ(canvas.stretches.size(), 1u);
  EXPECT_EQ(canvas.stretches[0].source, (PixelRect{0, 0, 101, 51}));
  EXPECT_EQ(canvas.stretches[0].destination, (PixelRect{0, 0, 50, 25}));
  EXPECT_EQ(canvas.At(10, 10), PixelAt(picture, 20, 20));
}

TEST_F(Drawing, WideDestinationIsBandedEvenOnTheScreen) {
  Picture picture = Noise(40, 30);
  MemoryCanvas canvas(1400, 40, 24);
  RendererSlot slot;
  ASSERT_TRUE(CreateRenderer(slot, 40, 30, picture.pixels, 0, 0, 40, 30, canvas));

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
  // The renderer's own header still describes the whole picture.
  EXPECT_EQ(slot.renderer->Header().height, 30);
  for (int y = 0; y < 30; ++y) EXPECT_EQ(canvas.At(1280, y), PixelAt(picture, 39, y));
}

TEST_F(Drawing, PrintingFillsThePageWidthRowByRow) {
  Picture picture = Noise(640, 480);
  MemoryCanvas printer(10, 10, 24);
  printer.printing = true;
  printer.pageWidth = 4800;
  printer.pixelsPerInchX = printer.pixelsPerInchY = 600;
  RendererSlot slot;
  ASSERT_TRUE(CreateRenderer(slot, 640, 480, picture.pixels, 0, 0, 640, 480, printer));
  ASSERT_TRUE(slot.renderer->PrintFitWidth(printer));
  ASSERT_EQ(printer.stretches.size(), 480u);
  EXPECT_EQ(printer.stretches.front().destination, (PixelRect{0, 3592, 4800, 8}));
  EXPECT_EQ(printer.stretches.back().destination, (PixelRect{0, 0, 4800, 8}));
  EXPECT_TRUE(Texts().empty());
}

TEST_F(Drawing, StretchFailureIsReportedEveryTime) {
  Picture picture = Noise(8, 8);
  MemoryCanvas canvas(8, 8, 24);
  canvas.failStretchesFrom = 0;
  RendererSlot slot;
  ASSERT_TRUE(CreateRenderer(slot, 8, 8, picture.pixels, 0, 0, 8, 8, canvas));
  EXPECT_FALSE(slot.renderer->DrawStretched(canvas, 8, 8));
  EXPECT_FALSE(slot.renderer->ReportFailure());
  EXPECT_FALSE(slot.renderer->DrawStretched(canvas, 8, 8));
  EXPECT_EQ(Texts(), (std::vector<std::string>{"Not enough memory.", "Not enough memory."}));
}

TEST_F(Drawing, FailedZoomDrawsThePlaceholderSilently) {
  Picture picture = Noise(30, 20);
  MemoryCanvas canvas(100, 100, 24);
  canvas.failStretchesFrom = 5;
  RendererSlot slot;
  ASSERT_TRUE(CreateRenderer(slot, 30, 20, picture.pixels, 0, 0, 30, 20, canvas));
  // Banded (1300 wide) and failing at the sixth row.
  EXPECT_FALSE(slot.renderer->DrawZoomed(canvas, 0, 0, 4400));
  EXPECT_EQ(canvas.stretches.size(), 6u);
  EXPECT_EQ(canvas.placeholders, std::vector<PixelRect>{(PixelRect{0, 0, 30, 20})});
  canvas.placeholderWorks = false;
  EXPECT_FALSE(slot.renderer->DrawZoomed(canvas, 0, 0, 100));
  EXPECT_TRUE(Texts().empty());
}

TEST_F(Drawing, PrintingThatDrawsNothingReportsOnce) {
  Picture picture = Noise(30, 20);
  MemoryCanvas printer(10, 10, 24);
  printer.printing = true;
  printer.pageWidth = 300;
  printer.pixelsPerInchX = printer.pixelsPerInchY = 300;
  printer.failStretchesFrom = 0;
  printer.placeholderWorks = false;
  RendererSlot slot;
  ASSERT_TRUE(CreateRenderer(slot, 30, 20, picture.pixels, 0, 0, 30, 20, printer));
  EXPECT_FALSE(slot.renderer->PrintFitWidth(printer));
  EXPECT_FALSE(slot.renderer->PrintFitWidth(printer));
  EXPECT_EQ(Texts(), std::vector<std::string>{"Not enough memory."});
  EXPECT_EQ(printer.outOfMemoryNotes, 1);

  // One row drawn is enough: no placeholder.
  printer.failStretchesFrom = static_cast<int>(printer.stretches.size()) + 1;
  printer.placeholders.clear();
  EXPECT_TRUE(slot.renderer->PrintFitWidth(printer));
  EXPECT_TRUE(printer.placeholders.empty());
}

TEST_F(Drawing, BlitFailuresAreReported) {
  Picture picture = Noise(8, 8);
  MemoryCanvas canvas(8, 8, 24);
  RendererSlot slot;
  ASSERT_TRUE(CreateRenderer(slot, 8, 8, picture.pixels, 0, 0, 8, 8, canvas));
  EXPECT_TRUE(slot.renderer->BlitViaBitmap(canvas, nullptr));
  EXPECT_EQ(canvas.At(7, 7), PixelAt(picture, 7, 7));
  canvas.blitResult = BlitResult::kNoMemoryContext;
  EXPECT_FALSE(slot.renderer->BlitViaBitmap(canvas, nullptr));
  EXPECT_FALSE(slot.renderer->BlitViaBitmap(canvas, nullptr));
  EXPECT_EQ(canvas.outOfMemoryNotes, 1);
  EXPECT_EQ(Texts().size(), 2u);
}

}  // namespace
}  // namespace tessaly
