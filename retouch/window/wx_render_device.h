// A renderer's drawing surface over a wx device context: the window, a memory bitmap, a
// printer page or the print preview.
#pragma once

#include <wx/dc.h>

#include "picture/render_device.h"

namespace tessaly::retouch {

class WxRenderDevice : public RenderDevice {
 public:
  // depth 0 takes the display's depth; tests and the palette path pass 8.
  struct Options {
    int depth = 0;
    bool printing = false;
    // Printing: the page's printable width in device pixels and its densities.
    int pageWidth = 0;
    int pixelsPerInchX = 0;
    int pixelsPerInchY = 0;
  };

  WxRenderDevice(wxDC& dc, Options options);

  int BitsPerPixel() const override;
  int Planes() const override { return 1; }
  bool IsPrinting() const override { return m_options.printing; }
  bool StretchBlock(const DisplayBlock& block, const PixelRect& source, const PixelRect& destination) override;
  int PageWidth() const override { return m_options.pageWidth; }
  int PixelsPerInchX() const override { return m_options.pixelsPerInchX; }
  int PixelsPerInchY() const override { return m_options.pixelsPerInchY; }
  bool DrawPlaceholder(const PixelRect& destination) override;
  BlitResult BlitViaBitmap(const DisplayBlock& block, const LogicalPalette* palette) override;
  void NoteOutOfMemory() override;

 private:
  // The region of the device that is drawn at all, in its logical coordinates.
  PixelRect Visible() const;

  wxDC& m_dc;
  Options m_options;
};

// The depth the retouch window's drawings take instead of the display's when not 0: 8
// makes them go the palette way with the colour cube, as on a 256-colour display. Set by
// the TESSALY_DISPLAY_DEPTH environment variable at start and by tests.
int& ForcedDisplayDepth();

// The 80 x 60 picture that stands in for one that cannot be drawn.
wxBitmap PlaceholderBitmap();

}  // namespace tessaly::retouch
