// The renderers' drawing surface over a wx device context: a window, a memory bitmap,
// a printer page or its preview.
#pragma once

#include <wx/bitmap.h>
#include <wx/dc.h>
#include <wx/image.h>

#include "picture/picture.h"
#include "picture/render_device.h"
#include "picture/renderer.h"

namespace tessaly::ui {

class DcRenderDevice : public RenderDevice {
 public:
  struct Options {
    // The depth the renderer factory sees; 0 takes the forced display depth (not when
    // printing), else the device context's own. The print preview passes 8 to go the
    // palette way as the screen does.
    int depth = 0;
    bool printing = false;
    // Printing: the page's printable width in device pixels and its densities; 0 takes
    // the device context's.
    int pageWidth = 0;
    int pixelsPerInchX = 0;
    int pixelsPerInchY = 0;
  };

  explicit DcRenderDevice(wxDC& dc, bool printing = false) : m_dc(dc) { m_options.printing = printing; }
  DcRenderDevice(wxDC& dc, const Options& options) : m_dc(dc), m_options(options) {}

  int BitsPerPixel() const override;
  int Planes() const override { return 1; }
  bool IsPrinting() const override { return m_options.printing; }
  // Only the portion of the destination that the device shows is computed: a picture
  // stretched over a large page or zoomed far in never becomes one huge image.
  bool StretchBlock(const DisplayBlock& block, const PixelRect& source, const PixelRect& destination) override;
  bool DrawPlaceholder(const PixelRect& destination) override;
  BlitResult BlitViaBitmap(const DisplayBlock& block, const LogicalPalette* palette) override;
  int PageWidth() const override;
  int PixelsPerInchX() const override;
  int PixelsPerInchY() const override;

 private:
  // The region of the device that is drawn at all, in its logical coordinates.
  PixelRect Visible() const;

  wxDC& m_dc;
  Options m_options;
};

// The depth the windows' drawings take instead of the display's when not 0: 8 makes them
// go the palette way with the colour cube, as on a 256-colour display. Set by the
// TESSALY_DISPLAY_DEPTH environment variable at start and by tests.
int& ForcedDisplayDepth();

// The 80 x 60 picture that stands in for one that cannot be drawn.
wxBitmap PlaceholderBitmap();

// The rectangle of a display block (measured from its top row) as an image.
wxImage ImageOfBlock(const DisplayBlock& block, const PixelRect& source);

// A 24-bit or indexed picture as an image, pixel for pixel (no colour reduction).
wxImage ImageOfPicture(const Picture& picture);

// A thumbnail cell turned into a bitmap through the renderer that fits it: the true
// colour renderer for 24 bits, the palette renderer for indexed cells. An invalid
// bitmap when the renderer could not be made.
wxBitmap BitmapThroughRenderer(const Picture& cell);

}  // namespace tessaly::ui
