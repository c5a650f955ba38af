#include "picture/renderer.h"

#include <cmath>
#include <cstring>
#include <new>

#include "base/prompt.h"
#include "picture/colour_cube.h"

namespace tessaly {
namespace {

// Selects a palette renderer's palette into the device for one drawing operation and
// puts the previous one back afterwards.
class PaletteSelection {
 public:
  PaletteSelection(RenderDevice& device, const LogicalPalette* palette) {
    if (palette == nullptr) return;
    device.SelectPalette(*palette);
    m_device = &device;
  }
  ~PaletteSelection() {
    if (m_device != nullptr) m_device->RestorePalette();
  }
  PaletteSelection(const PaletteSelection&) = delete;
  PaletteSelection& operator=(const PaletteSelection&) = delete;

 private:
  RenderDevice* m_device = nullptr;
};

enum class RendererKind { kNone, kPalette, kTrueColour };

struct Choice {
  RendererKind kind;
  int colourCount;
};

Choice ChooseByDepth(int depth, int planes) {
  switch (depth) {
    case 1:
    case 4:
    case 8: return {RendererKind::kPalette, 256};
    case 16: return {RendererKind::kTrueColour, 0x10000};
    case 24:
    case 32: return {RendererKind::kTrueColour, 0};
    default: break;
  }
  if (planes == 3) return {RendererKind::kTrueColour, 0};
  if (planes == 1) return {RendererKind::kPalette, 256};
  return {RendererKind::kNone, 0};
}

bool RectangleInside(int pictureWidth, int pictureHeight, int x0, int y0, int w, int h) {
  return pictureWidth > 0 && pictureHeight > 0 && x0 >= 0 && y0 >= 0 && w > 0 && h > 0 &&
         static_cast<long long>(x0) + w <= pictureWidth && static_cast<long long>(y0) + h <= pictureHeight;
}

// One byte per pixel from a 1- or 4-bit row, the leftmost pixel in the most significant bits.
std::vector<std::uint8_t> ExpandToBytes(const Picture& picture) {
  const std::size_t sourceStride = picture.Stride();
  const std::size_t stride = RowStride(picture.width, 8);
  std::vector<std::uint8_t> expanded(stride * static_cast<std::size_t>(picture.height));
  for (int r = 0; r < picture.height; ++r) {
    const std::uint8_t* source = picture.pixels.data() + static_cast<std::size_t>(r) * sourceStride;
    std::uint8_t* out = expanded.data() + static_cast<std::size_t>(r) * stride;
    for (int x = 0; x < picture.width; ++x) {
      if (picture.bitsPerPixel == 1)
        out[x] = (source[x / 8] >> (7 - x % 8)) & 1;
      else
        out[x] = x % 2 == 0 ? source[x / 2] >> 4 : source[x / 2] & 0x0F;
    }
  }
  return expanded;
}

}  // namespace

// ---------------------------------------------------------------- drawing arithmetic

Band BandForRow(int row, int rowCount, int destinationTop, int destinationHeight) {
  // Single precision on purpose: the bands meet exactly as they always have, including
  // the overlaps that rounding up the height creates.
  const float m = static_cast<float>(destinationHeight) / static_cast<float>(rowCount);
  const float offset = m * static_cast<float>(rowCount - 1 - row);
  return {destinationTop + static_cast<int>(std::floor(offset)), static_cast<int>(std::ceil(m))};
}

bool NeedsBanding(const PixelRect& destination, bool printing) {
  return printing || destination.height > kLargestUnbandedHeight || destination.width > kLargestUnbandedWidth;
}

PixelRect ZoomedDestination(int x, int y, int width, int height, int percent) {
  const long long p = percent;
  const long long left = x * p / 100, top = y * p / 100;
  const long long right = (static_cast<long long>(x) + width) * p / 100;
  const long long bottom = (static_cast<long long>(y) + height) * p / 100;
  return {static_cast<int>(left), static_cast<int>(top), static_cast<int>(right - left),
          static_cast<int>(bottom - top)};
}

int PrintedHeight(int width, int height, int pageWidth, int pixelsPerInchX, int pixelsPerInchY) {
  const double across = static_cast<double>(width) * pixelsPerInchX;
  if (across <= 0) return 0;
  return static_cast<int>(static_cast<double>(height) * pixelsPerInchY * pageWidth / across);
}

// ---------------------------------------------------------------- PictureRenderer

PictureRenderer::PictureRenderer(int width, int height, int sourceDepth)
    : m_width(width), m_height(height), m_sourceDepth(sourceDepth) {
  m_header.width = width;
  m_header.height = height;
}

bool PictureRenderer::DrawRegion(RenderDevice& device, const PixelRect& destination) {
  bool drawn = false;
  if (m_pixels != nullptr) {
    if (NeedsBanding(destination, device.IsPrinting()))
      drawn = DrawBanded(device, destination) == m_height;
    else
      drawn = device.StretchBlock(Block(), {0, 0, m_width, m_height}, destination);
  }
  if (!drawn) m_reportFailure = false;
  return drawn;
}

int PictureRenderer::DrawBanded(RenderDevice& device, const PixelRect& destination) {
  if (m_pixels == nullptr) return 0;
  // Each band is a block of its own that describes one row; the renderer's header stays
  // as it is.
  const std::size_t stride = RowStride(m_width, m_header.bitCount);
  BitmapHeader oneRow = m_header;
  oneRow.height = 1;
  oneRow.sizeImage = static_cast<std::uint32_t>(stride);
  for (int row = 0; row < m_height; ++row) {
    const Band band = BandForRow(row, m_height, destination.top, destination.height);
    const DisplayBlock block{&oneRow, Colours(), m_pixels + static_cast<std::size_t>(row) * stride};
    if (!device.StretchBlock(block, {0, 0, m_width, 1}, {destination.left, band.top, destination.width, band.height}))
      return row;
  }
  return m_height;
}

bool PictureRenderer::DrawStretched(RenderDevice& device, int w, int h) {
  PaletteSelection selection(device, GetPalette());
  if (DrawRegion(device, {0, 0, w, h})) return true;
  Prompt().Show(kMsgNotEnoughMemory);
  return false;
}

bool PictureRenderer::DrawZoomed(RenderDevice& device, int x, int y, int percent) {
  PaletteSelection selection(device, GetPalette());
  if (DrawRegion(device, ZoomedDestination(x, y, m_width, m_height, percent))) return true;
  // The failed region has already cleared reportFailure, so a placeholder that cannot be
  // drawn either is not reported.
  device.DrawPlaceholder({0, 0, m_width, m_height});
  return false;
}

bool PictureRenderer::PrintFitWidth(RenderDevice& device) {
  PaletteSelection selection(device, GetPalette());
  const int pageWidth = device.PageWidth();
  const int printedHeight =
      PrintedHeight(m_width, m_height, pageWidth, device.PixelsPerInchX(), device.PixelsPerInchY());
  if (DrawBanded(device, {0, 0, pageWidth, printedHeight}) > 0) return true;
  if (!device.DrawPlaceholder({0, 0, m_width, m_height}) && m_reportFailure) {
    m_reportFailure = false;
    Prompt().Show(kMsgNotEnoughMemory);
  }
  return false;
}

bool PictureRenderer::BlitViaBitmap(RenderDevice& device, const LogicalPalette* palette) {
  PaletteSelection selection(device, GetPalette());
  BlitResult result = m_pixels != nullptr ? device.BlitViaBitmap(Block(), palette) : BlitResult::kFailed;
  if (result == BlitResult::kDone) return true;
  Prompt().Show(kMsgNotEnoughMemory);
  return false;
}

// ---------------------------------------------------------------- TrueColourRenderer

TrueColourRenderer::TrueColourRenderer(int pictureWidth, int pictureHeight, const std::uint8_t* pixels, int x0, int y0,
                                       int w, int h)
    : PictureRenderer(w, h, 24) {
  m_header.bitCount = 24;
  if (x0 == 0 && y0 == 0 && w == pictureWidth && h == pictureHeight) {
    BorrowPixels(pixels);
    return;
  }
  const std::size_t sourceStride = RowStride(pictureWidth, 24);
  const std::size_t stride = RowStride(w, 24);
  const std::size_t rowBytes = 3 * static_cast<std::size_t>(w);
  const std::size_t firstRow = static_cast<std::size_t>(pictureHeight - y0 - h);
  std::vector<std::uint8_t> copy(stride * static_cast<std::size_t>(h));
  for (int k = 0; k < h; ++k) {
    const std::uint8_t* source =
        pixels + (firstRow + static_cast<std::size_t>(k)) * sourceStride + 3 * static_cast<std::size_t>(x0);
    std::memcpy(copy.data() + static_cast<std::size_t>(k) * stride, source, rowBytes);
  }
  OwnPixels(std::move(copy));
}

// ---------------------------------------------------------------- PaletteRenderer

PaletteRenderer::PaletteRenderer(int pictureWidth, int pictureHeight, const std::uint8_t* pixels, int x0, int y0, int w,
                                 int h)
    : PictureRenderer(w, h, 24), m_kind(Source::kColourCube) {
  m_header.bitCount = 8;
  try {
    m_progress.Begin(kMsgReducingColour);
    m_progress.SetRange(h);
    m_progress.SetStep(1);
    OwnPixels(ReduceToColourCube(pictureWidth, pictureHeight, pixels, x0, y0, w, h, &m_progress));
    const auto cube = CubeColourTable();
    std::copy(cube.begin(), cube.end(), m_colourTable.begin());
    m_palette = CubePalette();
  } catch (const std::bad_alloc&) {
    DropPixels();
    m_palette = {};
    Prompt().Show(kMsgNotEnoughMemory);
  }
  m_progress.End();
}

PaletteRenderer::PaletteRenderer(const Picture& indexed)
    : PictureRenderer(indexed.width, indexed.height, indexed.bitsPerPixel), m_kind(Source::kIndexed) {
  const int colourCount = ColourCountFor(indexed.bitsPerPixel);
  m_header.bitCount = 8;
  m_header.compression = indexed.compression;
  m_header.sizeImage = indexed.imageSize;
  m_header.clrUsed = static_cast<std::uint32_t>(colourCount);
  m_header.clrImportant = static_cast<std::uint32_t>(colourCount);

  if (indexed.bitsPerPixel == 8)
    BorrowPixels(indexed.pixels.data());
  else
    OwnPixels(ExpandToBytes(indexed));

  // The palette repeats the picture's colours over all 256 entries, so a 1- or 4-bit
  // picture realises the same colours whichever entries the display matches.
  const std::size_t tableSize = indexed.colourTable.size();
  for (std::size_t i = 0; i < m_colourTable.size(); ++i) m_colourTable[i] = indexed.colourTable[i % tableSize];
  try {
    m_palette.entries.reserve(m_colourTable.size());
    for (const RgbQuad& colour : m_colourTable)
      m_palette.entries.push_back(PaletteEntry{colour.red, colour.green, colour.blue, 0});
  } catch (const std::bad_alloc&) {
    DropPixels();
    m_palette = {};
    Prompt().Show(kMsgNotEnoughMemory);
  }
}

std::span<const RgbQuad> PaletteRenderer::Colours() const {
  // A reduced picture's header counts no colours, which means all 256 entries follow it;
  // an indexed picture's header counts its own table.
  std::size_t count = m_header.clrUsed == 0 ? m_colourTable.size() : m_header.clrUsed;
  return std::span<const RgbQuad>(m_colourTable).first(count);
}

// ---------------------------------------------------------------- factories

bool CreateRenderer(RendererSlot& slot, int pictureWidth, int pictureHeight, std::span<const std::uint8_t> pixels,
                    int x0, int y0, int w, int h, RenderDevice& device, int forcedDepth) {
  slot.Clear();
  if (!RectangleInside(pictureWidth, pictureHeight, x0, y0, w, h) ||
      pixels.size() < RowStride(pictureWidth, 24) * static_cast<std::size_t>(pictureHeight))
    return false;

  const int planes = device.Planes();
  const int depth = forcedDepth != 0 ? forcedDepth : planes * device.BitsPerPixel();
  const Choice choice = ChooseByDepth(depth, planes);
  switch (choice.kind) {
    case RendererKind::kNone: return false;
    case RendererKind::kPalette:
      slot.renderer = std::make_unique<PaletteRenderer>(pictureWidth, pictureHeight, pixels.data(), x0, y0, w, h);
      break;
    case RendererKind::kTrueColour:
      slot.renderer = std::make_unique<TrueColourRenderer>(pictureWidth, pictureHeight, pixels.data(), x0, y0, w, h);
      break;
  }
  slot.colourCount = choice.colourCount;
  return true;
}

std::unique_ptr<PaletteRenderer> CreateIndexedRenderer(const Picture& picture) {
  const int bits = picture.bitsPerPixel;
  if ((bits != 1 && bits != 4 && bits != 8) || picture.width <= 0 || picture.height <= 0 ||
      picture.colourTable.empty() || picture.colourTable.size() > static_cast<std::size_t>(ColourCountFor(bits)) ||
      picture.pixels.size() < picture.Stride() * static_cast<std::size_t>(picture.height))
    return nullptr;
  return std::make_unique<PaletteRenderer>(picture);
}

}  // namespace tessaly
