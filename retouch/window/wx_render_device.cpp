#include "retouch/window/wx_render_device.h"

#include <wx/bitmap.h>
#include <wx/dcmemory.h>
#include <wx/gdicmn.h>
#include <wx/image.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <new>

#include "retouch/canvas_stretch.h"
#include "shell/app_state.h"

namespace tessaly::retouch {

int& ForcedDisplayDepth() {
  static int depth = [] {
    const char* text = std::getenv("TESSALY_DISPLAY_DEPTH");
    return text ? std::atoi(text) : 0;
  }();
  return depth;
}

WxRenderDevice::WxRenderDevice(wxDC& dc, Options options) : m_dc(dc), m_options(options) {}

int WxRenderDevice::BitsPerPixel() const {
  if (m_options.depth != 0) return m_options.depth;
  if (ForcedDisplayDepth() != 0 && !m_options.printing) return ForcedDisplayDepth();
  const int depth = wxDisplayDepth();
  return depth > 0 ? depth : 24;
}

PixelRect WxRenderDevice::Visible() const {
  wxCoord x = 0, y = 0, w = 0, h = 0;
  m_dc.GetClippingBox(&x, &y, &w, &h);
  if (w > 0 && h > 0) return {x, y, w, h};
  // No clipping: everything the device shows, from its logical origin.
  const wxSize size = m_dc.GetSize();
  return {m_dc.DeviceToLogicalX(0), m_dc.DeviceToLogicalY(0), m_dc.DeviceToLogicalXRel(size.x),
          m_dc.DeviceToLogicalYRel(size.y)};
}

bool WxRenderDevice::StretchBlock(const DisplayBlock& block, const PixelRect& source, const PixelRect& destination) {
  try {
    RgbCanvas canvas = StretchBlockToRgb(block, source, destination, Visible());
    if (canvas.rgb.empty()) {
      // Nothing of it is visible (or the block cannot be drawn at all).
      return block.pixels != nullptr;
    }
    // wxImage takes the RGB block over and frees it with free().
    const std::size_t bytes = canvas.rgb.size();
    auto* data = static_cast<unsigned char*>(std::malloc(bytes));
    if (data == nullptr) return false;
    std::memcpy(data, canvas.rgb.data(), bytes);
    wxImage image(canvas.area.width, canvas.area.height, data, false);
    const wxBitmap bitmap(image);
    if (!bitmap.IsOk()) return false;
    m_dc.DrawBitmap(bitmap, canvas.area.left, canvas.area.top, false);
    return true;
  } catch (const std::bad_alloc&) {
    return false;
  }
}

wxBitmap PlaceholderBitmap() {
  // A 16-colour picture of a frame with a cross: plainly no photograph.
  wxBitmap bitmap(80, 60, 24);
  wxMemoryDC dc(bitmap);
  dc.SetBackground(wxBrush(wxColour(192, 192, 192)));
  dc.Clear();
  dc.SetPen(wxPen(wxColour(128, 128, 128), 1));
  dc.SetBrush(*wxTRANSPARENT_BRUSH);
  dc.DrawRectangle(0, 0, 80, 60);
  dc.SetPen(wxPen(wxColour(128, 0, 0), 2));
  dc.DrawLine(10, 10, 70, 50);
  dc.DrawLine(70, 10, 10, 50);
  dc.SelectObject(wxNullBitmap);
  return bitmap;
}

bool WxRenderDevice::DrawPlaceholder(const PixelRect& destination) {
  const wxBitmap placeholder = PlaceholderBitmap();
  if (!placeholder.IsOk()) return false;
  const wxImage scaled = placeholder.ConvertToImage().Scale(std::max(destination.width, 1),
                                                           std::max(destination.height, 1), wxIMAGE_QUALITY_NEAREST);
  m_dc.DrawBitmap(wxBitmap(scaled), destination.left, destination.top, false);
  return true;
}

BlitResult WxRenderDevice::BlitViaBitmap(const DisplayBlock& block, const LogicalPalette*) {
  if (block.header == nullptr) return BlitResult::kFailed;
  const int w = block.header->width;
  const int h = block.header->height;
  return StretchBlock(block, {0, 0, w, h}, {0, 0, w, h}) ? BlitResult::kDone : BlitResult::kFailed;
}

void WxRenderDevice::NoteOutOfMemory() { shell::TheAppState().outOfMemory = true; }

}  // namespace tessaly::retouch
