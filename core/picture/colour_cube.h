// The 216-colour cube that true-colour pictures are reduced to on palette displays.
//
// The cube holds every combination of the six levels 0, 51, 102, 153, 204 and 255 for
// red, green and blue. A pixel of the reduced picture is the index r + 6 g + 36 b of its
// colour, where r, g and b count the levels (0 to 5).
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "picture/picture.h"
#include "picture/progress.h"
#include "picture/render_device.h"

namespace tessaly {

inline constexpr int kCubeColours = 216;
inline constexpr std::array<std::uint8_t, 6> kCubeLevels = {0, 51, 102, 153, 204, 255};

// The cube value nearest below-or-at a component value: 0-42 give 0, 43-85 give 51, ...,
// 215-255 give 255.
constexpr int QuantiseToCube(int value) { return value / 43 * 51; }

// The palette index of a colour whose components are cube levels.
constexpr int CubeIndex(int red, int green, int blue) { return red * 5 / 255 + green * 30 / 255 + blue * 180 / 255; }

// The colour table the reduced pixels index: 216 entries, entry r + 6 g + 36 b is the
// colour (r, g, b).
std::array<RgbQuad, kCubeColours> CubeColourTable();

// The logical palette realised for the cube: the same 216 colours listed with red
// varying slowest (entry 36 r + 6 g + b).
LogicalPalette CubePalette();

// Reduces the w x h rectangle whose top-left corner is (x0, y0) (measured from the top)
// of a 24-bit picture (pictureHeight bottom-up rows of RowStride(pictureWidth, 24) bytes)
// to cube indices by error diffusion. The result has h bottom-up rows of (w + 3) / 4 * 4
// bytes. Steps progress once per row; the caller sets its range. The rectangle must lie
// inside the picture. Throws std::bad_alloc.
std::vector<std::uint8_t> ReduceToColourCube(int pictureWidth, int pictureHeight, const std::uint8_t* pixels, int x0,
                                             int y0, int w, int h, StatusProgress* progress = nullptr);

}  // namespace tessaly
