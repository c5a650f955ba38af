// The display copies of a retouch picture, rebuilt whenever the document changed: one
// for the floating pasted picture (when one floats) and one for the picture, a palette
// picture with its own colours.
#pragma once

#include "picture/renderer.h"
#include "retouch/picture_state.h"

namespace tessaly {

// Empties both slots, then fills them for the device. Throws std::bad_alloc when memory
// runs out (the slots are left empty).
void BuildDisplayCopies(const RetouchPictureState& state, RendererSlot& picture, RendererSlot& floating,
                        RenderDevice& device);

}  // namespace tessaly
