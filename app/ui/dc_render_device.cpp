#include "ui/dc_render_device.h"

#include <wx/dcmemory.h>
#include <wx/gdicmn.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <new>

#include "retouch/canvas_stretch.h"
#include "ui/app_state.h"

namespace tessaly::ui {

int& ForcedDisplayDepth() {
  static int depth = [] {
    const char* text = std::getenv("TESSALY_DISPLAY_DEPTH");
    return text ? std::atoi(text) : 0;
  }();
  return depth;
}

int DcRenderDevice::BitsPerPixel() const {
  if (m_options.depth != 0) return m_options.depth;
  if (ForcedDisplayDepth() != 0 && !m_options.printing) return ForcedDisplayDepth();
  const int depth = m_dc.GetDepth();
  if (depth > 0) return depth;
  const int display = wxDisplayDepth();
  return display > 0 ? display : 24;
}

int DcRenderDevice::PageWidth() const {
  return m_options.pageWidth > 0 ? m_options.pageWidth : m_dc.GetSize().GetWidth();
}

int DcRenderDevice::PixelsPerInchX() const {
  return m_options.pixelsPerInchX > 0 ? m_options.pixelsPerInchX : m_dc.GetPPI().x;
}

int DcRenderDevice::PixelsPerInchY() const {
  return m_options.pixelsPerInchY > 0 ? m_options.pixelsPerInchY : m_dc.GetPPI().y;
}

PixelRect DcRenderDevice::Visible() const {
  wxCoord x = 0, y = 0, w = 0, h = 0;
  m_dc.GetClippingBox(&x, &y, &w, &h);
  if (w > 0 && h > 0) return {x, y, w, h};
  // No clipping: everything the device shows, from its logical origin.
  const wxSize size = m_dc.GetSize();
  return {m_dc.DeviceToLogicalX(0), m_dc.DeviceToLogicalY(0), m_dc.DeviceToLogicalXRel(size.x),
          m_dc.DeviceToLogicalYRel(size.y)};
}

bool DcRenderDevice::StretchBlock(const DisplayBlock& block, const PixelRect& source, const PixelRect& destination) {
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

bool DcRenderDevice::DrawPlaceholder(const PixelRect& destination) {
  const wxBitmap placeholder = PlaceholderBitmap();
  if (!placeholder.IsOk()) return false;
  const wxImage scaled = placeholder.ConvertToImage().Scale(std::max(destination.width, 1),
                                                            std::max(destination.height, 1), wxIMAGE_QUALITY_NEAREST);
  m_dc.DrawBitmap(wxBitmap(scaled), destination.left, destination.top, false);
  return true;
}

BlitResult DcRenderDevice::BlitViaBitmap(const DisplayBlock& block, const LogicalPalette*) {
  if (block.header == nullptr) return BlitResult::kFailed;
  const PixelRect whole{0, 0, block.header->width, std::abs(block.header->height)};
  return StretchBlock(block, whole, whole) ? BlitResult::kDone : BlitResult::kFailed;
}

wxImage ImageOfBlock(const DisplayBlock& block, const PixelRect& source) {
  const BitmapHeader& header = *block.header;
  wxImage image(source.width, source.height, false);
  unsigned char* out = image.GetData();
  const std::size_t stride = RowStride(header.width, header.bitCount);
  const int rows = std::abs(header.height);
  for (int y = 0; y < source.height; ++y) {
    int line = source.top + y;
    const std::uint8_t* row = block.pixels + static_cast<std::size_t>(rows - 1 - line) * stride;
    for (int x = 0; x < source.width; ++x, out += 3) {
      int sx = source.left + x;
      if (header.bitCount == 24) {
        out[0] = row[3 * sx + 2];
        out[1] = row[3 * sx + 1];
        out[2] = row[3 * sx];
      } else if (row[sx] < block.colours.size()) {
        const RgbQuad& c = block.colours[row[sx]];
        out[0] = c.red;
        out[1] = c.green;
        out[2] = c.blue;
      } else {
        out[0] = out[1] = out[2] = 0;
      }
    }
  }
  return image;
}

wxImage ImageOfPicture(const Picture& picture) {
  BitmapHeader header;
  header.width = picture.width;
  header.height = picture.height;
  header.bitCount = static_cast<std::uint16_t>(picture.bitsPerPixel);
  if (picture.bitsPerPixel != 24 && picture.bitsPerPixel != 8) return {};
  DisplayBlock block{&header, picture.colourTable, picture.pixels.data()};
  return ImageOfBlock(block, {0, 0, picture.width, picture.height});
}

wxBitmap BitmapThroughRenderer(const Picture& cell) {
  std::unique_ptr<PictureRenderer> renderer;
  if (cell.bitsPerPixel == 24)
    renderer = std::make_unique<TrueColourRenderer>(cell.width, cell.height, cell.pixels.data(), 0, 0, cell.width,
                                                    cell.height);
  else
    renderer = CreateIndexedRenderer(cell);
  if (!renderer || !renderer->HasPixels()) return {};
  // The renderer's display block becomes the bitmap as it is: the cell is already at
  // its size, so there is nothing to stretch.
  wxImage image = ImageOfBlock(renderer->Block(), {0, 0, cell.width, cell.height});
  return image.IsOk() ? wxBitmap(image) : wxBitmap();
}

}  // namespace tessaly::ui
