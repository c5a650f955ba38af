// A picture of the core as a bitmap that list controls hold.
#pragma once

#include <wx/bitmap.h>

#include "picture/picture.h"

namespace tessaly::windows {

// The picture drawn at 100 % through the renderer the screen asks for (a palette
// picture through its own colours); an empty bitmap when no renderer fits it.
wxBitmap PictureBitmap(const Picture& picture);

}  // namespace tessaly::windows
