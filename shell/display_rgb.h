// The pixels of a renderer's display block as the toolkit's images take them.
#pragma once

#include <cstdint>
#include <vector>

#include "picture/render_device.h"

namespace tessaly::shell {

// The source rectangle (measured from the top row) of a 24-bit or 8-bit display block as
// red-green-blue bytes, top row first. Empty when the rectangle does not lie inside the
// block, the depth is neither 24 nor 8, or the block has no pixels. An 8-bit index
// beyond the colour table reads black.
std::vector<std::uint8_t> DisplayBlockRgb(const DisplayBlock& block, const PixelRect& source);

}  // namespace tessaly::shell
