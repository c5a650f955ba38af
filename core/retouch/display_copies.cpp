#include "retouch/display_copies.h"

#include <new>

namespace tessaly {

void BuildDisplayCopies(const RetouchPictureState& state, RendererSlot& picture, RendererSlot& floating,
                        RenderDevice& device) {
  picture.Clear();
  floating.Clear();
  const Picture& current = state.Current();
  if (current.Empty()) return;
  try {
    if (state.HasFloating()) {
      const Picture& f = state.Floating();
      CreateRenderer(floating, f.width, f.height, f.pixels, 0, 0, f.width, f.height, device);
    }
    if (current.bitsPerPixel == 24) {
      CreateRenderer(picture, current.width, current.height, current.pixels, 0, 0, current.width, current.height,
                     device);
    } else {
      picture.renderer = CreateIndexedRenderer(current);
      picture.colourCount = 256;
    }
  } catch (const std::bad_alloc&) {
    picture.Clear();
    floating.Clear();
    throw;
  }
}

}  // namespace tessaly
