#include "shell/dc_render_device.h"

#include <wx/bitmap.h>
#include <wx/dc.h>
#include <wx/image.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "shell/app_state.h"
#include "shell/display_rgb.h"

namespace tessaly::shell {

int DcRenderDevice::BitsPerPixel() const {
  int depth = m_dc.GetDepth();
  return depth > 0 ? depth : wxDisplayDepth();
}

int DcRenderDevice::PageWidth() const { return m_dc.GetSize().GetWidth(); }
int DcRenderDevice::PixelsPerInchX() const { return m_dc.GetPPI().GetWidth(); }
int DcRenderDevice::PixelsPerInchY() const { return m_dc.GetPPI().GetHeight(); }

bool DcRenderDevice::StretchBlock(const DisplayBlock& block, const PixelRect& source, const PixelRect& destination) {
  if (destination.width <= 0 || destination.height <= 0 || source.width <= 0 || source.height <= 0) return false;
  // Only the part of the destination that can be seen is converted: a picture drawn at
  // 200 % into a small window would otherwise be scaled whole on every paint.
  wxRect visible(destination.left, destination.top, destination.width, destination.height);
  wxCoord clipX, clipY, clipW, clipH;
  m_dc.GetClippingBox(&clipX, &clipY, &clipW, &clipH);
  if (clipW > 0 && clipH > 0 && !IsPrinting()) visible.Intersect(wxRect(clipX, clipY, clipW, clipH));
  if (visible.IsEmpty()) return true;

  // The source pixels under the visible part, widened by one so that rounding never
  // leaves a gap at the edges.
  const double scaleX = static_cast<double>(destination.width) / source.width;
  const double scaleY = static_cast<double>(destination.height) / source.height;
  int sx0 = source.left + static_cast<int>((visible.x - destination.left) / scaleX);
  int sy0 = source.top + static_cast<int>((visible.y - destination.top) / scaleY);
  int sx1 = source.left + static_cast<int>((visible.GetRight() + 1 - destination.left) / scaleX) + 1;
  int sy1 = source.top + static_cast<int>((visible.GetBottom() + 1 - destination.top) / scaleY) + 1;
  sx0 = std::clamp(sx0, source.left, source.left + source.width - 1);
  sy0 = std::clamp(sy0, source.top, source.top + source.height - 1);
  sx1 = std::clamp(sx1, sx0 + 1, source.left + source.width);
  sy1 = std::clamp(sy1, sy0 + 1, source.top + source.height);

  std::vector<std::uint8_t> rgb = DisplayBlockRgb(block, {sx0, sy0, sx1 - sx0, sy1 - sy0});
  if (rgb.empty()) return false;
  // wxImage takes ownership of a malloc'ed block.
  auto* data = static_cast<unsigned char*>(std::malloc(rgb.size()));
  if (data == nullptr) return false;
  std::memcpy(data, rgb.data(), rgb.size());
  wxImage image(sx1 - sx0, sy1 - sy0, data);
  // Where the converted source pixels land, by the same integer arithmetic in both
  // directions as for the whole picture.
  auto mapX = [&](int sx) { return destination.left + (sx - source.left) * destination.width / source.width; };
  auto mapY = [&](int sy) { return destination.top + (sy - source.top) * destination.height / source.height; };
  const int left = mapX(sx0);
  const int top = mapY(sy0);
  const int width = std::max(1, mapX(sx1) - left);
  const int height = std::max(1, mapY(sy1) - top);
  if (width != image.GetWidth() || height != image.GetHeight()) image.Rescale(width, height, wxIMAGE_QUALITY_NEAREST);
  wxBitmap bitmap(image);
  if (!bitmap.IsOk()) return false;
  m_dc.DrawBitmap(bitmap, left, top);
  return true;
}

bool DcRenderDevice::DrawPlaceholder(const PixelRect& destination) {
  // A grey field with a cross stands in for a picture that cannot be drawn.
  m_dc.SetPen(*wxGREY_PEN);
  m_dc.SetBrush(*wxLIGHT_GREY_BRUSH);
  m_dc.DrawRectangle(destination.left, destination.top, destination.width, destination.height);
  m_dc.DrawLine(destination.left, destination.top, destination.left + destination.width,
                destination.top + destination.height);
  m_dc.DrawLine(destination.left + destination.width, destination.top, destination.left,
                destination.top + destination.height);
  return true;
}

BlitResult DcRenderDevice::BlitViaBitmap(const DisplayBlock& block, const LogicalPalette*) {
  if (block.header == nullptr) return BlitResult::kFailed;
  const PixelRect whole{0, 0, block.header->width, block.header->height};
  return StretchBlock(block, whole, whole) ? BlitResult::kDone : BlitResult::kFailed;
}

void DcRenderDevice::NoteOutOfMemory() { TheAppState().outOfMemory = true; }

}  // namespace tessaly::shell
