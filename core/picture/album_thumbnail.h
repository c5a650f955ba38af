// The miniature of a picture that the album lists, and that its contact sheets print.
//
// A picture smaller than the cell in both directions is enlarged by a whole factor
// (each pixel repeated); any other is reduced by a whole step (every d-th pixel of every
// d-th row, without averaging), so that one pass over the picture suffices. The result
// stands on the bottom edge of the cell, centred across, on the background colour.
#pragma once

#include "picture/picture.h"

namespace tessaly {

// The album's cell, and the contact sheet's.
inline constexpr int kAlbumThumbWidth = 80;
inline constexpr int kAlbumThumbHeight = 60;
inline constexpr int kPrintThumbWidth = 320;
inline constexpr int kPrintThumbHeight = 240;

// How a picture of width x height is fitted into a cell of cellWidth x cellHeight.
struct ThumbnailFit {
  bool enlarge = false;  // factor is a repetition count; otherwise a decimation step
  int factor = 1;
  int columns = 0;  // pixels of the picture that land in the cell, across and down
  int rows = 0;
  int left = 0;  // background columns left of the picture
  friend bool operator==(const ThumbnailFit&, const ThumbnailFit&) = default;
};
ThumbnailFit FitThumbnail(int width, int height, int cellWidth, int cellHeight);

// The entry of an 8-bit colour table nearest the colour (smallest sum of the absolute
// differences of red, green and blue; the first of equals).
int NearestColourIndex(const std::vector<RgbQuad>& table, RgbQuad colour);

// The miniature of source in a cell of cellWidth x cellHeight: 24 bits for a 24-bit
// picture, else 8 bits with a 256-entry colour table (the picture's colours, then, for 1-
// and 4-bit pictures, the background colour in the entry after them; the rest zero).
// Throws std::bad_alloc when memory runs out; an empty picture for a source without
// pixels.
Picture MakeAlbumThumbnail(const Picture& source, RgbQuad background, int cellWidth = kAlbumThumbWidth,
                           int cellHeight = kAlbumThumbHeight);

}  // namespace tessaly
