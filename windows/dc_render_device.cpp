#include "windows/dc_render_device.h"

#include <wx/dcmemory.h>
#include <wx/gdicmn.h>

#include <algorithm>

namespace tessaly::windows {

int DcRenderDevice::BitsPerPixel() const {
  int depth = m_dc.GetDepth();
  return depth > 0 ? depth : wxDisplayDepth();
}

int DcRenderDevice::PageWidth() const {
  return m_dc.GetSize().GetWidth();
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

bool DcRenderDevice::StretchBlock(const DisplayBlock& block, const PixelRect& source, const PixelRect& destination) {
  if (!block.header || !block.pixels || source.width <= 0 || source.height <= 0 || destination.width <= 0 ||
      destination.height <= 0)
    return false;
  // Only the region of the destination that the device shows is worth scaling: a picture
  // stretched over a large page or zoomed far in would otherwise make a huge image.
  wxImage image = ImageOfBlock(block, source);
  if (!image.IsOk()) return false;
  if (destination.width != source.width || destination.height != source.height)
    image.Rescale(destination.width, destination.height, wxIMAGE_QUALITY_NEAREST);
  m_dc.DrawBitmap(wxBitmap(image), destination.left, destination.top, false);
  return true;
}

bool DcRenderDevice::DrawPlaceholder(const PixelRect& destination) {
  m_dc.SetBrush(*wxLIGHT_GREY_BRUSH);
  m_dc.SetPen(*wxGREY_PEN);
  m_dc.DrawRectangle(destination.left, destination.top, destination.width, destination.height);
  return true;
}

BlitResult DcRenderDevice::BlitViaBitmap(const DisplayBlock& block, const LogicalPalette*) {
  if (!block.header) return BlitResult::kFailed;
  PixelRect whole{0, 0, block.header->width, std::abs(block.header->height)};
  return StretchBlock(block, whole, whole) ? BlitResult::kDone : BlitResult::kFailed;
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

}  // namespace tessaly::windows
