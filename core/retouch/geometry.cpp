#include "retouch/geometry.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstring>
#include <vector>

#include "retouch/picture_rect.h"
#include "retouch/rotation.h"
#include "retouch/vector_support.h"

namespace tessaly {
namespace {

bool IsGeometryTarget(const Picture& picture) {
  return picture.bitsPerPixel == 24 && picture.width > 0 && picture.height > 0 &&
         picture.pixels.size() >= picture.Stride() * static_cast<std::size_t>(picture.height);
}

// A new 24-bit picture whose every byte is fill (row padding included).
Picture NewPicture24(int width, int height, std::uint8_t fill = 0) {
  Picture out;
  out.width = width;
  out.height = height;
  out.bitsPerPixel = 24;
  out.imageSize = static_cast<std::uint32_t>(out.Stride() * static_cast<std::size_t>(height));
  out.pixels.assign(out.imageSize, fill);
  return out;
}

// Installs a new block; the moves cannot fail, so the picture changes all at once.
void Install(Picture& picture, Picture&& result) {
  picture.width = result.width;
  picture.height = result.height;
  picture.bitsPerPixel = 24;
  picture.colourTable.clear();
  picture.compression = 0;
  picture.imageSize = result.imageSize;
  picture.pixels = std::move(result.pixels);
}

void CopyPixel(std::uint8_t* dst, const std::uint8_t* src) {
  dst[0] = src[0];
  dst[1] = src[1];
  dst[2] = src[2];
}

// Copies a pixel as one 4-byte move; the fourth byte read belongs to the next pixel or
// row, and the fourth byte written is the next destination pixel's first, which the
// caller writes afterwards.
void CopyPixelWide(std::uint8_t* dst, const std::uint8_t* src) {
  std::uint32_t v;
  std::memcpy(&v, src, 4);
  std::memcpy(dst, &v, 4);
}

// Source pixels are walked in square tiles so that both the rows read and the rows
// written stay in the cache while a quarter turn transposes them.
constexpr int kTile = 32;

// Nearest-neighbour resampling of src to a new width, one destination row at a time,
// made in a buffer of one padded row (the padding stays zero).
class NearestRows {
 public:
  NearestRows(const Picture& src, int width)
      : m_src(src),
        m_ratio(static_cast<double>(src.width) / width),
        m_width(width),
        m_columnOffset(static_cast<std::size_t>(width)),
        m_row(RowStride(width, 24), 0) {
    for (int i = 0; i < width; ++i)
      m_columnOffset[static_cast<std::size_t>(i)] =
          3 * static_cast<std::size_t>(std::min(static_cast<int>(i * m_ratio), src.width - 1));
  }

  // Destination row j (stored order): Stride(width) bytes.
  const std::uint8_t* Row(int j) {
    // One ratio serves rows and columns; for a long thin picture j * ratio can pass the
    // last row, so the row index is held inside the picture.
    const int row = std::min(static_cast<int>(j * m_ratio), m_src.height - 1);
    // An enlargement takes the same source row again: the line is already made.
    if (row == m_madeFrom) return m_row.data();
    const std::size_t srcStride = m_src.Stride();
    const std::uint8_t* s = m_src.pixels.data() + static_cast<std::size_t>(row) * srcStride;
    std::uint8_t* d = m_row.data();
    // A wide read of a row's last pixel takes one byte of padding or of the next row;
    // only the block's last row without padding has neither.
    const bool roomAfterRow = row + 1 < m_src.height || srcStride > 3 * static_cast<std::size_t>(m_src.width);
    int i = 0;
    if (roomAfterRow)
      for (; i + 1 < m_width; ++i)
        CopyPixelWide(d + 3 * static_cast<std::size_t>(i), s + m_columnOffset[static_cast<std::size_t>(i)]);
    for (; i < m_width; ++i)
      CopyPixel(d + 3 * static_cast<std::size_t>(i), s + m_columnOffset[static_cast<std::size_t>(i)]);
    m_madeFrom = row;
    return d;
  }

 private:
  const Picture& m_src;
  double m_ratio;
  int m_width;
  std::vector<std::size_t> m_columnOffset;
  std::vector<std::uint8_t> m_row;
  int m_madeFrom = -1;
};

void FillCanvas(Picture& canvas, std::uint32_t colour) {
  const std::uint8_t bgr[3] = {static_cast<std::uint8_t>(colour & 0xFF),
                               static_cast<std::uint8_t>((colour >> 8) & 0xFF),
                               static_cast<std::uint8_t>((colour >> 16) & 0xFF)};
  if (bgr[0] == bgr[1] && bgr[1] == bgr[2]) {
    // One byte value throughout; the row padding keeps its zeros.
    for (int r = 0; r < canvas.height; ++r)
      std::memset(canvas.Row(r), bgr[0], 3 * static_cast<std::size_t>(canvas.width));
    return;
  }
  for (int r = 0; r < canvas.height; ++r) {
    std::uint8_t* d = canvas.Row(r);
    for (int x = 0; x < canvas.width; ++x) CopyPixel(d + 3 * static_cast<std::size_t>(x), bgr);
  }
}

// Free rotation, destination pixel by destination pixel in stored coordinates; the
// interpolation of the four neighbours is passed in.
template <typename Interpolate>
inline __attribute__((always_inline)) void TurnRows(const Picture& picture, Picture& out, double c, double s,
                                                    Interpolate interpolate) {
  const int w = picture.width;
  const int h = picture.height;
  const std::size_t srcStride = picture.Stride();
  const std::size_t dstStride = out.Stride();
  const double halfW = w / 2;
  const double halfH = h / 2;
  const std::uint8_t* src = picture.pixels.data();
  for (int j = 0; j < out.height; ++j) {
    const int v = j - out.height / 2;
    std::uint8_t* d = out.pixels.data() + static_cast<std::size_t>(j) * dstStride;
    for (int i = 0; i < out.width; ++i) {
      const int u = i - out.width / 2;
      const double sx = u * c - v * s;
      const double sy = v * c + u * s;
      if (!(halfW + sx >= 0 && halfW + sx < w && halfH + sy >= 0 && halfH + sy < h)) continue;
      // Integer parts: a whole-number negative offset takes the lower neighbour with
      // weight 0, so dx or dy is 1 there.
      const int xi = sx > 0 ? static_cast<int>(sx) : static_cast<int>(sx - 1);
      const int yi = sy > 0 ? static_cast<int>(sy) : static_cast<int>(sy - 1);
      const double dx = sx - xi;
      const double dy = sy - yi;
      const int x0 = std::clamp(xi + w / 2, 0, w - 1);
      const int y0 = std::clamp(yi + h / 2, 0, h - 1);
      const int x1 = x0 + 1 < w ? x0 + 1 : x0;
      const int y1 = y0 + 1 < h ? y0 + 1 : y0;
      const std::uint8_t* row0 = src + static_cast<std::size_t>(y0) * srcStride;
      const std::uint8_t* row1 = src + static_cast<std::size_t>(y1) * srcStride;
      interpolate(d + 3 * static_cast<std::size_t>(i), row0 + 3 * static_cast<std::size_t>(x0),
                  row0 + 3 * static_cast<std::size_t>(x1), row1 + 3 * static_cast<std::size_t>(x0),
                  row1 + 3 * static_cast<std::size_t>(x1), dx, dy);
    }
  }
}

// value = (p00 (1 - dx) + p10 dx) (1 - dy) + (p01 (1 - dx) + p11 dx) dy per component,
// truncated and clamped.
struct PlainBilinear {
  void operator()(std::uint8_t* d, const std::uint8_t* p00, const std::uint8_t* p10, const std::uint8_t* p01,
                  const std::uint8_t* p11, double dx, double dy) const {
    for (int k = 0; k < 3; ++k) {
      const double value = (p00[k] * (1 - dx) + p10[k] * dx) * (1 - dy) + (p01[k] * (1 - dx) + p11[k] * dx) * dy;
      d[k] = static_cast<std::uint8_t>(std::clamp(static_cast<int>(value), 0, 255));
    }
  }
};

#if defined(TESSALY_X86_VECTORS)
// The same interpolation with the three components in the lanes of one vector of four
// doubles: the same multiplications and additions in the same order, each rounded as
// the plain code rounds it, so the bytes are the same.
__attribute__((target("avx2"))) inline __m256d LoadPixel(const std::uint8_t* p) {
  std::int32_t bytes;
  std::memcpy(&bytes, p, 4);
  return _mm256_cvtepi32_pd(_mm_cvtepu8_epi32(_mm_cvtsi32_si128(bytes)));
}

struct WideBilinear {
  const std::uint8_t* end;  // one past the source block
  __attribute__((target("avx2"))) void operator()(std::uint8_t* d, const std::uint8_t* p00, const std::uint8_t* p10,
                                                  const std::uint8_t* p01, const std::uint8_t* p11, double dx,
                                                  double dy) const {
    // The vector reads four bytes a pixel; the block's very last pixel has only three.
    if (end - p11 < 4) {
      PlainBilinear{}(d, p00, p10, p01, p11, dx, dy);
      return;
    }
    const __m256d fx = _mm256_set1_pd(dx), gx = _mm256_set1_pd(1 - dx);
    const __m256d fy = _mm256_set1_pd(dy), gy = _mm256_set1_pd(1 - dy);
    const __m256d top = _mm256_add_pd(_mm256_mul_pd(LoadPixel(p00), gx), _mm256_mul_pd(LoadPixel(p10), fx));
    const __m256d up = _mm256_add_pd(_mm256_mul_pd(LoadPixel(p01), gx), _mm256_mul_pd(LoadPixel(p11), fx));
    const __m256d value = _mm256_add_pd(_mm256_mul_pd(top, gy), _mm256_mul_pd(up, fy));
    __m128i q = _mm256_cvttpd_epi32(value);
    q = _mm_min_epi32(_mm_max_epi32(q, _mm_setzero_si128()), _mm_set1_epi32(255));
    q = _mm_packus_epi16(_mm_packus_epi32(q, q), q);
    const std::uint32_t bytes = static_cast<std::uint32_t>(_mm_cvtsi128_si32(q));
    std::memcpy(d, &bytes, 3);
  }
};

__attribute__((target("avx2"))) void TurnRowsAvx2(const Picture& picture, Picture& out, double c, double s) {
  TurnRows(picture, out, c, s, WideBilinear{picture.pixels.data() + picture.pixels.size()});
}
#endif

}  // namespace

bool QuarterTurnFits(int width, int height) { return height <= kMaxPictureWidth && width <= kMaxPictureHeight; }

PictureSize FreeRotationSize(int width, int height, int degrees) {
  const double c = CosDegrees(degrees);
  const double s = SinDegrees(degrees);
  return {static_cast<int>(std::fabs(height * s) + std::fabs(width * c) + 0.5),
          static_cast<int>(std::fabs(width * s) + std::fabs(height * c) + 0.5)};
}

bool WithinSizeLimit(PictureSize size) { return size.width <= kMaxPictureWidth && size.height <= kMaxPictureHeight; }

PictureSize ScaledSize(int width, int height, int percent) { return {percent * width / 100, percent * height / 100}; }

Picture Rotated90Right(const Picture& picture) {
  if (!IsGeometryTarget(picture)) return {};
  const int w = picture.width;
  const int h = picture.height;
  Picture out = NewPicture24(h, w);
  const std::size_t srcStride = picture.Stride();
  const std::size_t dstStride = out.Stride();
  // Source (x, y) in stored coordinates goes to column y of stored row W - 1 - x. Each
  // destination row is written left to right, so the wide copies are safe except for
  // the last column (source row H - 1, the last row of the block).
  for (int y0 = 0; y0 < h; y0 += kTile) {
    const int y1 = std::min(y0 + kTile, h);
    const int wide = std::min(y1, h - 1);
    for (int x0 = 0; x0 < w; x0 += kTile) {
      const int x1 = std::min(x0 + kTile, w);
      for (int x = x0; x < x1; ++x) {
        std::uint8_t* d = out.pixels.data() + static_cast<std::size_t>(w - 1 - x) * dstStride;
        const std::uint8_t* s = picture.pixels.data() + 3 * static_cast<std::size_t>(x);
        int y = y0;
        for (; y < wide; ++y)
          CopyPixelWide(d + 3 * static_cast<std::size_t>(y), s + static_cast<std::size_t>(y) * srcStride);
        for (; y < y1; ++y) CopyPixel(d + 3 * static_cast<std::size_t>(y), s + static_cast<std::size_t>(y) * srcStride);
      }
    }
  }
  return out;
}

void Rotate90Right(Picture& picture) {
  if (!IsGeometryTarget(picture)) return;
  Picture result = Rotated90Right(picture);
  if (!result.pixels.empty()) Install(picture, std::move(result));
}

Picture Rotated90Left(const Picture& picture) {
  if (!IsGeometryTarget(picture)) return {};
  const int w = picture.width;
  const int h = picture.height;
  Picture out = NewPicture24(h, w);
  const std::size_t srcStride = picture.Stride();
  const std::size_t dstStride = out.Stride();
  // Column c of stored row x takes source (x, H - 1 - c). Columns are written left to
  // right; the first column reads the block's last row and the last column ends its
  // destination row, so those two take the exact three-byte copy.
  for (int c0 = 0; c0 < h; c0 += kTile) {
    const int c1 = std::min(c0 + kTile, h);
    for (int x0 = 0; x0 < w; x0 += kTile) {
      const int x1 = std::min(x0 + kTile, w);
      for (int x = x0; x < x1; ++x) {
        std::uint8_t* d = out.pixels.data() + static_cast<std::size_t>(x) * dstStride;
        const std::uint8_t* s = picture.pixels.data() + 3 * static_cast<std::size_t>(x);
        for (int c = c0; c < c1; ++c) {
          std::uint8_t* to = d + 3 * static_cast<std::size_t>(c);
          const std::uint8_t* from = s + static_cast<std::size_t>(h - 1 - c) * srcStride;
          if (c == 0 || c == h - 1)
            CopyPixel(to, from);
          else
            CopyPixelWide(to, from);
        }
      }
    }
  }
  return out;
}

void Rotate90Left(Picture& picture) {
  if (!IsGeometryTarget(picture)) return;
  Picture result = Rotated90Left(picture);
  if (!result.pixels.empty()) Install(picture, std::move(result));
}

Picture Rotated180(const Picture& picture) {
  if (!IsGeometryTarget(picture)) return {};
  const int w = picture.width;
  const int h = picture.height;
  Picture out = NewPicture24(w, h);
  const std::size_t stride = picture.Stride();
  for (int r = 0; r < h; ++r) {
    const std::uint8_t* s = picture.pixels.data() + static_cast<std::size_t>(h - 1 - r) * stride;
    std::uint8_t* d = out.pixels.data() + static_cast<std::size_t>(r) * stride;
    for (int x = 0; x < w; ++x)
      CopyPixel(d + 3 * static_cast<std::size_t>(x), s + 3 * static_cast<std::size_t>(w - 1 - x));
  }
  return out;
}

void Rotate180(Picture& picture) {
  if (!IsGeometryTarget(picture)) return;
  Picture result = Rotated180(picture);
  if (!result.pixels.empty()) Install(picture, std::move(result));
}

Picture RotatedFree(const Picture& picture, int degrees) {
  if (!IsGeometryTarget(picture)) return {};
  const PictureSize size = FreeRotationSize(picture.width, picture.height, degrees);
  if (size.width < 1 || size.height < 1) return {};
  // White wherever the turned picture does not reach, row padding included.
  Picture out = NewPicture24(size.width, size.height, 255);
  const double c = CosDegrees(degrees);
  const double s = SinDegrees(degrees);
#if defined(TESSALY_X86_VECTORS)
  if (simd::HasAvx2()) {
    TurnRowsAvx2(picture, out, c, s);
    return out;
  }
#endif
  TurnRows(picture, out, c, s, PlainBilinear{});
  return out;
}

void RotateFree(Picture& picture, int degrees) {
  if (!IsGeometryTarget(picture)) return;
  Picture result = RotatedFree(picture, degrees);
  if (!result.pixels.empty()) Install(picture, std::move(result));
}

Picture Resampled(const Picture& picture, int newWidth, int newHeight) {
  if (!IsGeometryTarget(picture) || newWidth < 1 || newHeight < 1) return {};
  Picture out;
  out.width = newWidth;
  out.height = newHeight;
  out.imageSize = static_cast<std::uint32_t>(out.Stride() * static_cast<std::size_t>(newHeight));
  // The rows are appended to the block as they are made, so that it is written once
  // instead of being cleared first.
  out.pixels.reserve(out.imageSize);
  NearestRows rows(picture, newWidth);
  for (int j = 0; j < newHeight; ++j) {
    const std::uint8_t* row = rows.Row(j);
    out.pixels.insert(out.pixels.end(), row, row + out.Stride());
  }
  return out;
}

void Resample(Picture& picture, int newWidth, int newHeight) {
  if (!IsGeometryTarget(picture) || newWidth < 1 || newHeight < 1) return;
  Install(picture, Resampled(picture, newWidth, newHeight));
}

void PadToCanvas(Picture& picture, int canvasWidth, int canvasHeight, std::uint32_t colour) {
  if (!IsGeometryTarget(picture) || canvasWidth < picture.width || canvasHeight < picture.height) return;
  Picture out = NewPicture24(canvasWidth, canvasHeight);
  FillCanvas(out, colour);
  const int left = (canvasWidth - picture.width) / 2;
  const int firstRow = (canvasHeight - picture.height) / 2;
  const std::size_t rowBytes = 3 * static_cast<std::size_t>(picture.width);
  for (int r = 0; r < picture.height; ++r)
    std::memcpy(out.Row(firstRow + r) + 3 * static_cast<std::size_t>(left), picture.Row(r), rowBytes);
  Install(picture, std::move(out));
}

CameraFit ComputeCameraFit(int width, int height) {
  CameraFit fit;
  if (width < 1 || height < 1) return fit;
  if ((width == kCameraNormalWidth && height == kCameraNormalHeight) ||
      (width == kCameraFineWidth && height == kCameraFineHeight))
    return fit;
  fit.needed = true;
  double k;
  if (width <= kCameraNormalWidth && height <= kCameraNormalHeight) {
    k = std::min(static_cast<double>(kCameraNormalWidth) / width, static_cast<double>(kCameraNormalHeight) / height);
    fit.canvas = {kCameraNormalWidth, kCameraNormalHeight};
  } else if (width <= kCameraFineWidth && height <= kCameraFineHeight) {
    k = std::min(static_cast<double>(kCameraFineWidth) / width, static_cast<double>(kCameraFineHeight) / height);
    fit.canvas = {kCameraFineWidth, kCameraFineHeight};
  } else {
    k = 1 / std::max(static_cast<double>(width) / kCameraFineWidth, static_cast<double>(height) / kCameraFineHeight);
    fit.canvas = {kCameraFineWidth, kCameraFineHeight};
  }
  // A long thin picture would shrink to nothing across; it keeps at least one pixel.
  fit.scaled = {std::max(1, static_cast<int>(width * k)), std::max(1, static_cast<int>(height * k))};
  return fit;
}

Picture FittedToCamera(const Picture& picture) {
  if (!IsGeometryTarget(picture)) return {};
  const CameraFit fit = ComputeCameraFit(picture.width, picture.height);
  if (!fit.needed) return {};
  // Resampling straight into the canvas gives the same pixels as resampling and then
  // padding, in one pass and with the picture untouched until the end.
  Picture out = NewPicture24(fit.canvas.width, fit.canvas.height);
  FillCanvas(out, kCanvasWhite);
  const int left = (fit.canvas.width - fit.scaled.width) / 2;
  const int firstRow = (fit.canvas.height - fit.scaled.height) / 2;
  NearestRows rows(picture, fit.scaled.width);
  for (int j = 0; j < fit.scaled.height; ++j)
    std::memcpy(out.Row(firstRow + j) + 3 * static_cast<std::size_t>(left), rows.Row(j),
                3 * static_cast<std::size_t>(fit.scaled.width));
  return out;
}

void FitToCamera(Picture& picture) {
  if (!IsGeometryTarget(picture)) return;
  Picture result = FittedToCamera(picture);
  if (!result.pixels.empty()) Install(picture, std::move(result));
}

void Crop(Picture& picture, int left, int top, int width, int height) {
  if (!IsGeometryTarget(picture)) return;
  const PictureRect area = PictureRect{left, top, left + width, top + height}.ClippedTo(picture.width, picture.height);
  if (area.Empty()) return;
  Picture out = NewPicture24(area.Width(), area.Height());
  const std::size_t rowBytes = 3 * static_cast<std::size_t>(area.Width());
  for (int k = 0; k < area.Height(); ++k)
    std::memcpy(out.Line(k), picture.Line(area.top + k) + 3 * static_cast<std::size_t>(area.left), rowBytes);
  Install(picture, std::move(out));
}

}  // namespace tessaly
