// The display-ready copy of a picture through which every view, the embedded item and
// printing draw.
//
// A view asks CreateRenderer for a renderer that fits its device and keeps it until the
// picture or the device changes. On displays of 256 colours or fewer a true-colour
// picture is reduced to the colour cube (PaletteRenderer); deeper displays take the
// pixels as they are (TrueColourRenderer). Indexed pictures always get a
// PaletteRenderer with their own colours (CreateIndexedRenderer).
//
// A renderer may borrow the picture's pixel block instead of copying it; the holder of
// the picture destroys the renderer before it frees or replaces those pixels.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <span>
#include <vector>

#include "picture/picture.h"
#include "picture/progress.h"
#include "picture/render_device.h"

namespace tessaly {

// Destinations larger than this are drawn one source row at a time, so that no single
// stretch has to handle a very large bitmap.
inline constexpr int kLargestUnbandedWidth = 1280;
inline constexpr int kLargestUnbandedHeight = 1024;

// ---------------------------------------------------------------- drawing arithmetic

// Where stored row `row` (0 is the bottom row) of a picture of rowCount rows lands when
// the picture is drawn one row at a time onto a destination of height destinationHeight
// whose top is destinationTop.
struct Band {
  int top = 0;
  int height = 0;
  friend bool operator==(const Band&, const Band&) = default;
};
Band BandForRow(int row, int rowCount, int destinationTop, int destinationHeight);

// True when a destination has to be drawn banded: larger than 1280 x 1024, or on a printer.
bool NeedsBanding(const PixelRect& destination, bool printing);

// The destination of a picture of width x height drawn at zoom percent with its top-left
// corner at (x, y) in unzoomed picture coordinates.
PixelRect ZoomedDestination(int x, int y, int width, int height, int percent);

// The height a picture of width x height gets when printed across a page pageWidth
// pixels wide, keeping its proportions on a device whose horizontal and vertical pixel
// densities differ.
int PrintedHeight(int width, int height, int pageWidth, int pixelsPerInchX, int pixelsPerInchY);

// ---------------------------------------------------------------- renderers

class PictureRenderer {
 public:
  virtual ~PictureRenderer() = default;
  PictureRenderer(const PictureRenderer&) = delete;
  PictureRenderer& operator=(const PictureRenderer&) = delete;

  // The whole picture stretched into (0, 0)-(w, h). A failure shows "Not enough memory."
  // every time.
  bool DrawStretched(RenderDevice& device, int w, int h);
  // The whole picture at zoom percent with its top-left corner at (x, y) in unzoomed
  // coordinates; the placeholder when that fails. True when the picture itself was drawn.
  bool DrawZoomed(RenderDevice& device, int x, int y, int percent);
  // The whole picture across the page width, one row at a time; the placeholder when not
  // a single row could be drawn. True when at least one row was drawn.
  bool PrintFitWidth(RenderDevice& device);
  // The picture copied unscaled to the device through a screen-compatible bitmap, with
  // palette realised. A failure shows "Not enough memory.".
  bool BlitViaBitmap(RenderDevice& device, const LogicalPalette* palette);
  // The renderer's logical palette, or none.
  virtual const LogicalPalette* GetPalette() const = 0;

  int Width() const { return m_width; }
  int Height() const { return m_height; }
  int SourceDepth() const { return m_sourceDepth; }
  bool OwnsPixels() const { return m_pixels != nullptr && m_pixels == m_ownPixels.data(); }
  bool HasPixels() const { return m_pixels != nullptr; }
  bool ReportFailure() const { return m_reportFailure; }
  const BitmapHeader& Header() const { return m_header; }
  // The display block as the device gets it (no pixels when preparation failed).
  DisplayBlock Block() const { return {&m_header, Colours(), m_pixels}; }

 protected:
  PictureRenderer(int width, int height, int sourceDepth);
  virtual std::span<const RgbQuad> Colours() const = 0;

  void BorrowPixels(const std::uint8_t* pixels) { m_pixels = pixels; }
  void OwnPixels(std::vector<std::uint8_t> pixels) {
    m_ownPixels = std::move(pixels);
    m_pixels = m_ownPixels.data();
  }
  void DropPixels() {
    m_ownPixels = {};
    m_pixels = nullptr;
  }

  BitmapHeader m_header;

 private:
  // The source rectangle is always the whole picture.
  bool DrawRegion(RenderDevice& device, const PixelRect& destination);
  int DrawBanded(RenderDevice& device, const PixelRect& destination);

  const std::uint8_t* m_pixels = nullptr;
  std::vector<std::uint8_t> m_ownPixels;
  int m_width;
  int m_height;
  int m_sourceDepth;
  bool m_reportFailure = true;
};

// Takes 24-bit pixels as they are, for displays of 16 bits or more.
class TrueColourRenderer : public PictureRenderer {
 public:
  // Borrows the pixel block when the rectangle is the whole picture, else copies the
  // rectangle (throws std::bad_alloc).
  TrueColourRenderer(int pictureWidth, int pictureHeight, const std::uint8_t* pixels, int x0, int y0, int w, int h);
  const LogicalPalette* GetPalette() const override { return nullptr; }

 protected:
  std::span<const RgbQuad> Colours() const override { return {}; }
};

// Draws 8-bit indices with a logical palette: the colour cube for a reduced true-colour
// picture, or an indexed picture's own colours.
class PaletteRenderer : public PictureRenderer {
 public:
  enum class Source { kColourCube, kIndexed };

  // Reduces the rectangle of a 24-bit picture to the colour cube. Running out of memory
  // during the reduction shows "Not enough memory." and leaves the renderer without
  // pixels and palette (drawing it then fails).
  PaletteRenderer(int pictureWidth, int pictureHeight, const std::uint8_t* pixels, int x0, int y0, int w, int h);
  // A whole 1-, 4- or 8-bit picture with colour table; 8-bit pixels are borrowed, 1- and
  // 4-bit pixels expanded to one byte each (throws std::bad_alloc). Running out of memory
  // for the palette shows "Not enough memory." and leaves the renderer without pixels and
  // palette.
  explicit PaletteRenderer(const Picture& indexed);

  const LogicalPalette* GetPalette() const override { return m_palette.entries.empty() ? nullptr : &m_palette; }
  // The 256-entry colour table copy (cube colours, or the picture's table repeated).
  const std::array<RgbQuad, 256>& ColourTableCopy() const { return m_colourTable; }
  Source Kind() const { return m_kind; }

 protected:
  std::span<const RgbQuad> Colours() const override;

 private:
  Source m_kind;
  LogicalPalette m_palette;
  std::array<RgbQuad, 256> m_colourTable{};
  StatusProgress m_progress;
};

// One view's (or drawing site's) current renderer and the display colour count the
// factory recorded: 256 for a palette display, 65536 for a 16-bit display, 0 for 24 or
// 32 bits.
struct RendererSlot {
  std::unique_ptr<PictureRenderer> renderer;
  int colourCount = 0;
  void Clear() {
    renderer.reset();
    colourCount = 0;
  }
};

// Makes a renderer for the w x h rectangle at (x0, y0) (from the top) of a 24-bit
// picture, chosen by the device's depth (or forcedDepth when that is not 0), and stores it
// in slot after destroying the previous one. Returns false (and leaves the slot empty)
// for a depth no renderer fits, or a rectangle that is not inside the picture. Running
// out of memory while copying pixels throws std::bad_alloc.
bool CreateRenderer(RendererSlot& slot, int pictureWidth, int pictureHeight, std::span<const std::uint8_t> pixels,
                    int x0, int y0, int w, int h, RenderDevice& device, int forcedDepth = 0);

// Makes a palette renderer for a whole 1-, 4- or 8-bit picture; null for a picture that
// is not indexed or not self-consistent.
std::unique_ptr<PaletteRenderer> CreateIndexedRenderer(const Picture& picture);

}  // namespace tessaly
