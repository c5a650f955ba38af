// The pixel copying behind drawing a renderer's display block on a window or a page: the
// source rectangle stretched onto the destination rectangle pixel for pixel (each
// destination pixel takes the source pixel it falls on; no blending), computed only for
// the visible region of the destination alone, as top-down RGB rows the window layer
// hands to the screen as they are.
#pragma once

#include <cstdint>
#include <vector>

#include "picture/render_device.h"

namespace tessaly {

struct RgbCanvas {
  PixelRect area;                 // the destination pixels computed (destination within visible)
  std::vector<std::uint8_t> rgb;  // area.height rows of 3 x area.width bytes, top row first
};

// The source pixel a destination offset falls on: offset x sourceLength / destinationLength.
int StretchSourceOffset(int destinationOffset, int sourceLength, int destinationLength);

// An empty canvas when nothing of the destination is visible, or the block or the source
// rectangle is unusable (no pixels, a depth other than 8 or 24, a rectangle outside it).
// Indices of an 8-bit block past its colour table come out black.
RgbCanvas StretchBlockToRgb(const DisplayBlock& block, const PixelRect& source, const PixelRect& destination,
                            const PixelRect& visible);

}  // namespace tessaly
