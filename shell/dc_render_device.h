// The render device over a wx device context: how the renderers' display copies reach
// windows, dialog previews and pages.
#pragma once

#include "picture/render_device.h"

class wxDC;

namespace tessaly::shell {

class DcRenderDevice : public RenderDevice {
 public:
  enum class Target { kScreen, kPrinter };
  explicit DcRenderDevice(wxDC& dc, Target target = Target::kScreen) : m_dc(dc), m_target(target) {}

  int BitsPerPixel() const override;
  int Planes() const override { return 1; }
  bool IsPrinting() const override { return m_target == Target::kPrinter; }
  int PageWidth() const override;
  int PixelsPerInchX() const override;
  int PixelsPerInchY() const override;

  bool StretchBlock(const DisplayBlock& block, const PixelRect& source, const PixelRect& destination) override;
  bool DrawPlaceholder(const PixelRect& destination) override;
  BlitResult BlitViaBitmap(const DisplayBlock& block, const LogicalPalette* palette) override;
  void NoteOutOfMemory() override;

 private:
  wxDC& m_dc;
  Target m_target;
};

}  // namespace tessaly::shell
