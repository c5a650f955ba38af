// Palette indices of 1-, 4- and 8-bit rows, for the writers that store them differently.
#pragma once

#include <cstdint>

namespace tessaly {

// The palette index of pixel x in a row of a 1-, 4- or 8-bit picture: the most
// significant bit is the leftmost pixel in 1-bit rows, the high nibble in 4-bit rows.
inline std::uint8_t IndexAt(const std::uint8_t* row, int x, int bitsPerPixel) {
  switch (bitsPerPixel) {
    case 1: return (row[x / 8] >> (7 - x % 8)) & 0x01;
    case 4: return x % 2 == 0 ? row[x / 2] >> 4 : row[x / 2] & 0x0F;
    default: return row[x];
  }
}

}  // namespace tessaly
