#include "retouch/embedded_item.h"

#include "retouch/clipboard_data.h"

namespace tessaly {
namespace {

constexpr int kFallbackPixelsPerInch = 96;

long ToHimetric(int pixels, int pixelsPerInch) {
  if (pixelsPerInch <= 0) pixelsPerInch = kFallbackPixelsPerInch;
  // Rounded to the nearest unit, halves away from zero, as a scaled integer division does.
  const long long scaled = static_cast<long long>(pixels) * kHimetricPerInch;
  const long long half = pixelsPerInch / 2;
  return static_cast<long>(scaled >= 0 ? (scaled + half) / pixelsPerInch : (scaled - half) / pixelsPerInch);
}

}  // namespace

HimetricSize PixelsToHimetric(int widthPixels, int heightPixels, int pixelsPerInchX, int pixelsPerInchY) {
  return {ToHimetric(widthPixels, pixelsPerInchX), ToHimetric(heightPixels, pixelsPerInchY)};
}

PictureRect SelectionArea(const ItemSource& source) {
  return CopyArea(source.pictureWidth, source.pictureHeight, source.selection, source.originX, source.originY);
}

PictureRect RenderedArea(const ItemSource& source) {
  if (source.copySelection) return SelectionArea(source);
  return PictureRect{0, 0, source.pictureWidth, source.pictureHeight}.ClippedTo(source.pictureWidth,
                                                                                source.pictureHeight);
}

void ReportExtent(ItemDrawState& state, const ItemSource& source, int& width, int& height) {
  const PictureRect area = SelectionArea(source);
  width = area.Width();
  height = area.Height();
  state.extentWidth = width;
  state.extentHeight = height;
}

DrawPlan PlanDraw(ItemDrawState& state, const ItemSource& source) {
  const PictureRect selection = SelectionArea(source);
  DrawPlan plan;
  if (state.firstDraw == 1) {
    plan.drawWidth = selection.Width();
    plan.drawHeight = selection.Height();
    state.firstDraw = 0;
  } else {
    plan.drawWidth = source.pictureWidth;
    plan.drawHeight = source.pictureHeight;
  }
  const int x = source.copySelection ? selection.left : 0;
  const int y = source.copySelection ? selection.top : 0;
  // The whole picture's size from the selection's corner would reach past the picture's
  // edge; only the portion inside it is rendered.
  plan.source =
      PictureRect{x, y, x + plan.drawWidth, y + plan.drawHeight}.ClippedTo(source.pictureWidth, source.pictureHeight);
  state.drawWidth = plan.drawWidth;
  state.drawHeight = plan.drawHeight;
  state.sourceX = x;
  state.sourceY = y;
  return plan;
}

}  // namespace tessaly
