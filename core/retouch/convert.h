// Expansion of a palette picture (1, 4 or 8 bits per pixel) to 24-bit colour.
#pragma once

#include "picture/picture.h"

namespace tessaly {

// Replaces each colour index by the blue, green and red of its colour-table entry and
// drops the table. An index past the end of the table (a short table read from a file)
// gives black. Returns false, leaving the picture unchanged, for any other depth (a
// 24-bit picture stays as it is) or a picture without pixels. A failed allocation
// (std::bad_alloc) also leaves the picture unchanged.
bool ConvertTo24(Picture& picture);
// The expansion as a new picture, leaving the source alone; empty where ConvertTo24
// would return false.
Picture ConvertedTo24(const Picture& picture);

}  // namespace tessaly
