#include "windows/picture_bitmap.h"

#include <wx/dcmemory.h>

#include "picture/renderer.h"
#include "shell/dc_render_device.h"

namespace tessaly::windows {

wxBitmap PictureBitmap(const Picture& picture) {
  if (picture.width <= 0 || picture.height <= 0) return {};
  wxBitmap bitmap(picture.width, picture.height, 24);
  wxMemoryDC dc(bitmap);
  shell::DcRenderDevice device(dc);
  bool drawn = false;
  if (picture.bitsPerPixel == 24) {
    RendererSlot slot;
    if (CreateRenderer(slot, picture.width, picture.height, picture.pixels, 0, 0, picture.width, picture.height, device))
      drawn = slot.renderer->DrawZoomed(device, 0, 0, 100);
  } else if (auto renderer = CreateIndexedRenderer(picture)) {
    drawn = renderer->DrawZoomed(device, 0, 0, 100);
  }
  dc.SelectObject(wxNullBitmap);
  return drawn ? bitmap : wxBitmap();
}

}  // namespace tessaly::windows
