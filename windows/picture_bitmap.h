// A picture of the core as a bitmap the list controls can hold.
#pragma once

#include <wx/bitmap.h>
#include <wx/image.h>

#include "picture/picture.h"

namespace tessaly::windows {

// The picture's pixels, top row first, in any of its depths (an indexed picture through
// its colour table). An empty image when the picture has no pixels.
wxImage PictureImage(const Picture& picture);
inline wxBitmap PictureBitmap(const Picture& picture) { return wxBitmap(PictureImage(picture)); }

}  // namespace tessaly::windows
