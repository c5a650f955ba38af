#include "retouch/preview.h"

#include <algorithm>
#include <cstddef>
#include <cstring>

namespace tessaly {
namespace {

bool IsPreviewSource(const Picture& picture) {
  return picture.bitsPerPixel == 24 && picture.width > 0 && picture.height > 0 &&
         picture.pixels.size() >= picture.Stride() * static_cast<std::size_t>(picture.height);
}

Picture NewPreview(int width, int height) {
  Picture out;
  out.width = width;
  out.height = height;
  out.bitsPerPixel = 24;
  out.imageSize = static_cast<std::uint32_t>(out.Stride() * static_cast<std::size_t>(height));
  out.pixels.assign(out.imageSize, 0);
  return out;
}

}  // namespace

int ThumbnailStep(int width, int height) {
  return std::max((width - 1) / kPreviewWidth + 1, (height - 1) / kPreviewHeight + 1);
}

Picture ThumbnailPreview(const Picture& picture) {
  if (!IsPreviewSource(picture)) return {};
  const int step = ThumbnailStep(picture.width, picture.height);
  Picture out = NewPreview(picture.width / step, picture.height / step);
  for (int j = 0; j < out.height; ++j) {
    const std::uint8_t* src = picture.Row(j * step);
    std::uint8_t* dst = out.Row(j);
    for (int i = 0; i < out.width; ++i) std::memcpy(dst + 3 * i, src + 3 * static_cast<std::size_t>(i * step), 3);
  }
  return out;
}

Picture WindowPreview(const Picture& picture, int left, int top) {
  if (!IsPreviewSource(picture)) return {};
  const int width = std::min(picture.width, kPreviewWidth);
  const int height = std::min(picture.height, kPreviewHeight);
  const int x0 = std::clamp(left, 0, picture.width - width);
  const int y0 = std::clamp(top, 0, picture.height - height);
  Picture out = NewPreview(width, height);
  for (int k = 0; k < height; ++k)
    std::memcpy(out.Line(k), picture.Line(y0 + k) + 3 * static_cast<std::size_t>(x0),
                3 * static_cast<std::size_t>(width));
  return out;
}

bool WindowPreviewAvailable(int width, int height) { return width > kPreviewWidth || height > kPreviewHeight; }

bool PreviewScrollBarShown(int extent, int page) { return extent > page; }

int MovePreviewScroll(int position, int delta, int extent, int page) {
  return std::clamp(position + delta, 0, std::max(0, extent - page));
}

}  // namespace tessaly
