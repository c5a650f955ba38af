// The renderers' drawing surface over a wx device context: a window, a memory bitmap,
// a printer page or its preview.
#pragma once

#include <wx/bitmap.h>
#include <wx/dc.h>
#include <wx/image.h>

#include "picture/picture.h"
#include "picture/render_device.h"
#include "picture/renderer.h"

namespace tessaly::windows {

class DcRenderDevice : public RenderDevice {
 public:
  explicit DcRenderDevice(wxDC& dc, bool printing = false) : m_dc(dc), m_printing(printing) {}

  int BitsPerPixel() const override;
  int Planes() const override { return 1; }
  bool IsPrinting() const override { return m_printing; }
  bool StretchBlock(const DisplayBlock& block, const PixelRect& source, const PixelRect& destination) override;
  bool DrawPlaceholder(const PixelRect& destination) override;
  BlitResult BlitViaBitmap(const DisplayBlock& block, const LogicalPalette* palette) override;
  int PageWidth() const override;
  int PixelsPerInchX() const override { return m_dc.GetPPI().x; }
  int PixelsPerInchY() const override { return m_dc.GetPPI().y; }

 private:
  wxDC& m_dc;
  bool m_printing;
};

// The rectangle of a display block (measured from its top row) as an image.
wxImage ImageOfBlock(const DisplayBlock& block, const PixelRect& source);

// A 24-bit or indexed picture as an image, pixel for pixel (no colour reduction).
wxImage ImageOfPicture(const Picture& picture);

// A thumbnail cell turned into a bitmap through the renderer that fits it: the true
// colour renderer for 24 bits, the palette renderer for indexed cells. An invalid
// bitmap when the renderer could not be made.
wxBitmap BitmapThroughRenderer(const Picture& cell);

}  // namespace tessaly::windows
