// The eight orientations a camera records (the EXIF Orientation values): how the stored
// picture must be turned and mirrored to stand the right way up.
#pragma once

#include "picture/picture.h"

namespace tessaly {

// 1 upright, 2 mirrored left to right, 3 turned half round, 4 mirrored top to bottom,
// 5 mirrored along the main diagonal, 6 to be turned a quarter clockwise, 7 mirrored
// along the other diagonal, 8 to be turned a quarter anticlockwise. Other values mean 1.
inline constexpr int kOrientationUpright = 1;
bool SwapsSides(int orientation);

// The size the picture has once shown upright.
PictureSize OrientedSize(int width, int height, int orientation);

// A 24-bit picture as it is shown upright. Orientation 1 (and any unknown value) returns
// it unchanged without a copy.
Picture Oriented(Picture picture, int orientation);

}  // namespace tessaly
