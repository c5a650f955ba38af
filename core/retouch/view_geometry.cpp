#include "retouch/view_geometry.h"

#include <algorithm>
#include <cstdlib>

namespace tessaly {

bool RetouchViewGeometry::SetZoomIndex(int index) {
  index = std::clamp(index, 0, static_cast<int>(kZoomSteps.size()) - 1);
  if (index == m_zoomIndex) return false;
  m_zoomIndex = index;
  m_scroll = ClampedScroll(m_scroll);
  return true;
}

void RetouchViewGeometry::SetPictureSize(int width, int height) {
  m_pictureWidth = std::max(width, 0);
  m_pictureHeight = std::max(height, 0);
  m_scroll = ClampedScroll(m_scroll);
}

void RetouchViewGeometry::SetWindowSize(int width, int height) {
  m_windowWidth = std::max(width, 0);
  m_windowHeight = std::max(height, 0);
  m_scroll = ClampedScroll(m_scroll);
}

ViewPoint RetouchViewGeometry::ClampedScroll(ViewPoint scroll) const {
  const int maxX = std::max(DisplayedWidth() - m_windowWidth, 0);
  const int maxY = std::max(DisplayedHeight() - m_windowHeight, 0);
  return {std::clamp(scroll.x, 0, maxX), std::clamp(scroll.y, 0, maxY)};
}

ViewPoint RetouchViewGeometry::ToWindow(ViewPoint picture) const {
  const int zoom = ZoomPercent();
  return {picture.x * zoom / 100 - m_scroll.x, picture.y * zoom / 100 - m_scroll.y};
}

ViewPoint RetouchViewGeometry::ToPicture(ViewPoint window) const {
  const int zoom = ZoomPercent();
  return {(window.x + m_scroll.x) * 100 / zoom, (window.y + m_scroll.y) * 100 / zoom};
}

PictureRect RetouchViewGeometry::ToWindow(const PictureRect& picture) const {
  const ViewPoint a = ToWindow(ViewPoint{picture.left, picture.top});
  const ViewPoint b = ToWindow(ViewPoint{picture.right, picture.bottom});
  return {a.x, a.y, b.x, b.y};
}

PictureRect RetouchViewGeometry::ToPicture(const PictureRect& window) const {
  const ViewPoint a = ToPicture(ViewPoint{window.left, window.top});
  const ViewPoint b = ToPicture(ViewPoint{window.right, window.bottom});
  return {a.x, a.y, b.x, b.y};
}

PictureRect RetouchViewGeometry::Rezoom(int newIndex, const PictureRect& windowRect) {
  const PictureRect picture = ToPicture(windowRect);
  if (!SetZoomIndex(newIndex)) return windowRect;
  return ToWindow(picture);
}

bool RetouchViewGeometry::ZoomAt(ViewPoint window, int direction) {
  const ViewPoint clicked = ToPicture(window);
  const bool changed = SetZoomIndex(m_zoomIndex + (direction > 0 ? 1 : -1));
  const int zoom = ZoomPercent();
  m_scroll = ClampedScroll({clicked.x * zoom / 100 - m_windowWidth / 2, clicked.y * zoom / 100 - m_windowHeight / 2});
  return changed;
}

PictureRect RetouchViewGeometry::Scrolled(const PictureRect& windowRect, int dx, int dy) {
  return {windowRect.left - dx, windowRect.top - dy, windowRect.right - dx, windowRect.bottom - dy};
}

bool RetouchViewGeometry::BandAccepted(ViewPoint press, ViewPoint release) {
  return std::abs(release.x - press.x) >= kMinimumBandWidth && std::abs(release.y - press.y) >= kMinimumBandHeight;
}

PictureRect RetouchViewGeometry::Band(ViewPoint press, ViewPoint release) {
  return PictureRect{press.x, press.y, release.x, release.y}.Normalized();
}

std::vector<PictureRect> RetouchViewGeometry::Background(const PictureRect& area) const {
  const int dw = DisplayedWidth(), dh = DisplayedHeight();
  std::vector<PictureRect> parts;
  if (area.right > dw) parts.push_back({std::max(area.left, dw), area.top, area.right, area.bottom});
  if (area.bottom > dh && std::min(area.right, dw) > area.left)
    parts.push_back({area.left, std::max(area.top, dh), std::min(area.right, dw), area.bottom});
  return parts;
}

ScreenPoint RetouchViewGeometry::RotationCentre() const {
  return {DisplayedWidth() / 2.0 - m_scroll.x, DisplayedHeight() / 2.0 - m_scroll.y};
}

int RetouchViewGeometry::RotationAngle(ViewPoint press, ViewPoint current) const {
  return MouseRotationAngle(RotationCentre(), {static_cast<double>(press.x), static_cast<double>(press.y)},
                            {static_cast<double>(current.x), static_cast<double>(current.y)});
}

std::array<ScreenPoint, 4> RetouchViewGeometry::TurnedOutline(int degrees) const {
  return tessaly::TurnedOutline(RotationCentre(), DisplayedWidth(), DisplayedHeight(), degrees);
}

// ---------------------------------------------------------------- status bar texts

std::string FillFormat(std::string_view format, std::string_view first, std::string_view second) {
  std::string out;
  out.reserve(format.size() + first.size() + second.size());
  for (std::size_t i = 0; i < format.size(); ++i) {
    if (format[i] == '%' && i + 1 < format.size() && (format[i + 1] == '1' || format[i + 1] == '2')) {
      out += format[i + 1] == '1' ? first : second;
      ++i;
    } else {
      out += format[i];
    }
  }
  return out;
}

std::string StatusText::English() const { return With(format); }

std::string StatusText::With(std::string_view otherFormat) const {
  return FillFormat(otherFormat, argumentCount > 0 ? std::to_string(arguments[0]) : std::string(),
                    argumentCount > 1 ? std::to_string(arguments[1]) : std::string());
}

std::string SizeText(int width, int height) { return std::to_string(width) + "x" + std::to_string(height); }

StatusText ByteSizeText(int width, int height, int bitsPerPixel) {
  const long long bytes = static_cast<long long>(width) * height * bitsPerPixel / 8;
  if (bytes < 1024) return {"%1 Byte", {bytes, 0}, 1};
  if (bytes < 1048576) return {"%1 KByte", {bytes / 1024, 0}, 1};
  return {"%1 MByte", {bytes / 1048576, 0}, 1};
}

StatusText PositionText(ViewPoint picture) { return {kPointFormat, {picture.x, picture.y}, 2}; }

std::string BandText(const PictureRect& picture, std::string_view pointFormat, std::string_view joinFormat,
                     std::string_view sizeFormat) {
  const PictureRect r = picture.Normalized();
  const std::string from = FillFormat(pointFormat, std::to_string(r.left), std::to_string(r.top));
  const std::string to = FillFormat(pointFormat, std::to_string(r.right), std::to_string(r.bottom));
  return FillFormat(joinFormat, from, to) +
         FillFormat(sizeFormat, std::to_string(r.Width()), std::to_string(r.Height()));
}

}  // namespace tessaly
