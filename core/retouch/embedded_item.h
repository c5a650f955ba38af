// The arithmetic of the retouch document's embedded item: the size it reports in
// HIMETRIC units, and which part of the picture a drawing covers at which size.
//
// The wx item (retouch_window/dsc_srvr_item.h) feeds these the document's values and
// the screen's density; nothing here needs a window.
#pragma once

#include <cstdint>

#include "retouch/picture_rect.h"

namespace tessaly {

// HIMETRIC: hundredths of a millimetre, 2540 to the inch.
inline constexpr int kHimetricPerInch = 2540;

struct HimetricSize {
  long width = 0;
  long height = 0;
  friend bool operator==(const HimetricSize&, const HimetricSize&) = default;
};

// A size in device pixels on a device of the given densities, rounded to the nearest
// HIMETRIC unit. A density of 0 or less counts as 96 pixels per inch.
HimetricSize PixelsToHimetric(int widthPixels, int heightPixels, int pixelsPerInchX, int pixelsPerInchY);

// What the item reads of its document when it reports its size or draws.
struct ItemSource {
  int pictureWidth = 0;
  int pictureHeight = 0;
  PictureRect selection;       // picture pixels; empty when there is none
  bool copySelection = false;  // raised while Copy or a drag hands the item out
  int originX = 0;             // the visible area's origin inside the picture
  int originY = 0;
};

// The area of the picture one drawing covers.
struct DrawPlan {
  int drawWidth = 0;  // the size the drawing reports (the mapping's window extent)
  int drawHeight = 0;
  PictureRect source;  // the rendered rectangle inside the picture; empty: nothing to draw
};

// The item's state between drawings.
struct ItemDrawState {
  // When 1, the next drawing takes the selection's size and clears it. The item raises
  // it when it is handed out, so that the first picture a receiver draws is the
  // selection and not the whole picture.
  std::int32_t firstDraw = 0;
  std::int32_t extentWidth = 0;  // the size last reported, in pixels
  std::int32_t extentHeight = 0;
  std::int32_t drawWidth = 0;  // the size last drawn
  std::int32_t drawHeight = 0;
  std::int32_t sourceX = 0;  // the offset of the drawn area inside the picture
  std::int32_t sourceY = 0;
  std::int32_t renderResult1 = 0;  // what the renderer factory returned at the last drawing
  std::int32_t renderResult2 = 0;  // and the display colour count it recorded
};

// The selection's area: the selection relative to the visible origin, or the whole
// picture in a direction where the selection has no extent.
PictureRect SelectionArea(const ItemSource& source);

// The area the item hands out as data: the selection's area while the copy-selection
// flag is raised, else the whole picture.
PictureRect RenderedArea(const ItemSource& source);

// The size in pixels the item reports: the selection's size.
void ReportExtent(ItemDrawState& state, const ItemSource& source, int& width, int& height);

// One drawing: the selection's size when firstDraw is 1 (which it clears), else the whole
// picture's; the source offset is the selection's corner while the copy-selection flag is
// raised, else (0, 0). The rendered rectangle is that offset and size kept inside the
// picture. Records the drawn size and the offset in the state.
DrawPlan PlanDraw(ItemDrawState& state, const ItemSource& source);

}  // namespace tessaly
