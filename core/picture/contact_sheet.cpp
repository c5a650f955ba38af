#include "picture/contact_sheet.h"

#include <algorithm>
#include <cmath>

namespace tessaly {

int ContactSheetLayout::ItemsOnPage(int page, int items) const {
  return std::clamp(items - FirstItem(page), 0, kPerPage);
}

PixelRect ContactSheetLayout::ThumbRect(int k) const {
  int x = kMargin + (k % Columns()) * kPitch - ExtentX() / 2;
  int y = kMargin + (k / Columns()) * kPitch - ExtentY() / 2;
  return {x, y, kThumbWidth, kThumbHeight};
}

PixelRect ContactSheetLayout::CaptionRect(int k) const {
  PixelRect thumb = ThumbRect(k);
  return {thumb.left, thumb.top + kCaptionTop, kThumbWidth, kCaptionBottom - kCaptionTop};
}

double ContactSheetLayout::Scale(int pageWidth, int pageHeight) const {
  return std::min(static_cast<double>(pageWidth) / ExtentX(), static_cast<double>(pageHeight) / ExtentY());
}

PixelRect ContactSheetLayout::ToDevice(const PixelRect& logical, int pageWidth, int pageHeight) const {
  return ToDevice(logical, PixelRect{0, 0, pageWidth, pageHeight});
}

PixelRect ContactSheetLayout::ToDevice(const PixelRect& logical, const PixelRect& area) const {
  double scale = Scale(area.width, area.height);
  auto x = [&](int v) { return static_cast<int>(std::lround(area.left + area.width / 2.0 + v * scale)); };
  auto y = [&](int v) { return static_cast<int>(std::lround(area.top + area.height / 2.0 + v * scale)); };
  int left = x(logical.left), top = y(logical.top);
  return {left, top, x(logical.left + logical.width) - left, y(logical.top + logical.height) - top};
}

}  // namespace tessaly
