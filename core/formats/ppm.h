// The place of a PPM reader and writer in the file-type dispatch.
//
// The retouch document's template announces ".ppm" (and ".gif" and ".pct") names, but
// the system reads and writes none of them: opening such a file ends in "This is not a
// valid file type." and saving under such a name writes nothing. CPPM holds a file image
// and a size, like the other format objects, so that a reader can be added later without
// changing PictureFile; the dispatch does not call it.
#pragma once

#include "base/file_io.h"

namespace tessaly {

class CPPM {
 public:
  Bytes fileImage;
  int width = 1;
  int height = 1;
};

}  // namespace tessaly
