// The tone dialogs' 80 x 60 preview pictures and the arithmetic of their scroll bars.
#pragma once

#include "picture/picture.h"

namespace tessaly {

inline constexpr int kPreviewWidth = 80;
inline constexpr int kPreviewHeight = 60;
inline constexpr int kPreviewLineStep = 5;
inline constexpr int kPreviewPageStep = 10;

// Decimation step of the "Thumbnail" preview: the smallest whole step that brings the
// picture within 80 x 60, the same in both directions.
int ThumbnailStep(int width, int height);

// The whole 24-bit picture reduced by decimation: (W div s) x (H div s) pixels, pixel
// (i, j) being the picture's pixel (i s, j s), columns from the left and stored rows from
// the bottom. No averaging takes place. Empty for a picture that is not 24-bit.
Picture ThumbnailPreview(const Picture& picture);

// "Window": a min(W, 80) x min(H, 60) region at full size whose top-left corner is (left,
// top), top counted from the top line. The region is moved back inside the picture where
// it would reach past an edge. Empty for a picture that is not 24-bit.
Picture WindowPreview(const Picture& picture, int left, int top);

// "Window" is offered only for a picture larger than 80 x 60 in some direction.
bool WindowPreviewAvailable(int width, int height);

// A preview scroll bar over a picture extent with a page of 80 (horizontal) or 60
// (vertical); it is shown only when the extent exceeds the page.
bool PreviewScrollBarShown(int extent, int page);
// Moves a scroll position by delta (a line step, a page step or a thumb drag), keeping it
// between 0 and the last position that still shows a full page.
int MovePreviewScroll(int position, int delta, int extent, int page);

}  // namespace tessaly
