// Neighbourhood filters of a 24-bit picture: sharpen, soften and mosaic. Each computes
// into a new block (or works block by block without allocating) so that a failure leaves
// the picture as it was. Pictures that are not 24-bit are left alone.
#pragma once

#include "picture/picture.h"
#include "retouch/picture_rect.h"

namespace tessaly {

inline constexpr double kSharpenGain = 0.4;
inline constexpr int kSoftenWindow = 5;
inline constexpr int kMosaicBlock = 8;

// Each component of an inner pixel becomes centre + trunc(0.4 * (4 * centre - left - right
// - above - below)), clamped; the outermost rows and columns stay as they are.
void Sharpen(Picture& picture);

// Each component becomes the integer mean of the window x window pixels around it that lie
// inside the picture (window odd, 1...15; other windows change nothing).
void Soften(Picture& picture, int window = kSoftenWindow);

// Fills blocks of block x block pixels, laid from the region's top-left corner and clipped
// to the region, with their integer mean colour. The region is clipped to the picture; an
// empty region means the whole picture.
void Mosaic(Picture& picture, const PictureRect& region, int block = kMosaicBlock);

}  // namespace tessaly
