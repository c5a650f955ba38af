// What every fuzz target checks of a picture a reader accepted.
#pragma once

#include <cstdlib>

#include "picture/picture.h"

namespace tessaly {

inline void CheckPicture(const Picture& picture, bool limited) {
  bool consistent = picture.width > 0 && picture.height > 0 &&
                    (!limited || (picture.width <= kMaxPictureWidth && picture.height <= kMaxPictureHeight)) &&
                    picture.pixels.size() == picture.Stride() * static_cast<std::size_t>(picture.height) &&
                    picture.imageSize == picture.pixels.size() &&
                    picture.ColourCount() == ColourCountFor(picture.bitsPerPixel) && picture.compression == 0;
  if (!consistent) std::abort();
}

}  // namespace tessaly
