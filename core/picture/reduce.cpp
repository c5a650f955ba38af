#include "picture/reduce.h"

#include <algorithm>
#include <cstring>

#include "picture/pixel_index.h"

namespace tessaly {

PictureSize FitInBox(int width, int height, int boxWidth, int boxHeight) {
  if (width <= 0 || height <= 0 || boxWidth <= 0 || boxHeight <= 0) return {std::max(width, 0), std::max(height, 0)};
  if (width <= boxWidth && height <= boxHeight) return {width, height};
  // Whichever side meets its box first decides; the other side is rounded to the
  // nearest pixel, and never below one.
  const auto w = static_cast<std::int64_t>(width), h = static_cast<std::int64_t>(height);
  if (w * boxHeight >= h * boxWidth) {
    const std::int64_t other = (h * boxWidth * 2 + w) / (w * 2);
    return {boxWidth, static_cast<int>(std::clamp<std::int64_t>(other, 1, boxHeight))};
  }
  const std::int64_t other = (w * boxHeight * 2 + h) / (h * 2);
  return {static_cast<int>(std::clamp<std::int64_t>(other, 1, boxWidth)), boxHeight};
}

// Coordinates are counted in units of 1/(target) of a source pixel along each axis: source
// pixel x spans [x * target, (x + 1) * target) and output pixel X spans
// [X * source, (X + 1) * source). As the output is never larger than the source, a source
// pixel touches at most two output pixels, and the shares of each output pixel add up to
// source units.
LineReducer::LineReducer(int sourceWidth, int sourceHeight, int targetWidth, int targetHeight)
    : m_sourceWidth(sourceWidth), m_sourceHeight(sourceHeight) {
  targetWidth = std::clamp(targetWidth, 1, std::max(sourceWidth, 1));
  targetHeight = std::clamp(targetHeight, 1, std::max(sourceHeight, 1));
  m_out = Picture::Make(targetWidth, targetHeight, 24);
  m_same = targetWidth == sourceWidth && targetHeight == sourceHeight;
  if (m_same) return;
  m_column.resize(static_cast<std::size_t>(sourceWidth));
  m_firstShare.resize(static_cast<std::size_t>(sourceWidth));
  for (int x = 0; x < sourceWidth; ++x) {
    const std::int64_t start = static_cast<std::int64_t>(x) * targetWidth;
    const auto column = static_cast<int>(start / sourceWidth);
    const std::int64_t columnEnd = static_cast<std::int64_t>(column + 1) * sourceWidth;
    m_column[static_cast<std::size_t>(x)] = column;
    m_firstShare[static_cast<std::size_t>(x)] =
        static_cast<std::uint32_t>(std::min<std::int64_t>(targetWidth, columnEnd - start));
  }
  const std::size_t samples = static_cast<std::size_t>(targetWidth) * 3;
  m_line.assign(samples, 0);
  m_sums[0].assign(samples, 0);
  m_sums[1].assign(samples, 0);
}

void LineReducer::EmitLine(int y) {
  // Each output sample holds source-width x source-height units of weight in all.
  const std::uint64_t total = static_cast<std::uint64_t>(m_sourceWidth) * static_cast<std::uint64_t>(m_sourceHeight);
  std::uint8_t* out = m_out.Line(y);
  const std::vector<std::uint64_t>& sums = m_sums[0];
  for (std::size_t i = 0; i < sums.size(); ++i) out[i] = static_cast<std::uint8_t>((sums[i] + total / 2) / total);
}

void LineReducer::PutLine(const std::uint8_t* bgr) {
  if (m_sourceY >= m_sourceHeight) return;
  if (m_same) {
    std::memcpy(m_out.Line(m_sourceY++), bgr, static_cast<std::size_t>(m_sourceWidth) * 3);
    return;
  }
  const int targetWidth = m_out.width, targetHeight = m_out.height;
  std::fill(m_line.begin(), m_line.end(), 0);
  for (int x = 0; x < m_sourceWidth; ++x) {
    const auto column = static_cast<std::size_t>(m_column[static_cast<std::size_t>(x)]);
    const std::uint32_t first = m_firstShare[static_cast<std::size_t>(x)];
    const std::uint32_t second = static_cast<std::uint32_t>(targetWidth) - first;
    const std::uint8_t* pixel = bgr + 3 * static_cast<std::size_t>(x);
    for (std::size_t c = 0; c < 3; ++c) {
      m_line[column * 3 + c] += std::uint64_t{first} * pixel[c];
      if (second != 0) m_line[(column + 1) * 3 + c] += std::uint64_t{second} * pixel[c];
    }
  }
  // The same split down the picture: this line's share of output line m_outY and of the
  // one below it.
  const std::int64_t start = static_cast<std::int64_t>(m_sourceY) * targetHeight;
  const std::int64_t lineEnd = static_cast<std::int64_t>(m_outY + 1) * m_sourceHeight;
  const auto first = static_cast<std::uint64_t>(std::min<std::int64_t>(targetHeight, lineEnd - start));
  const std::uint64_t second = static_cast<std::uint64_t>(targetHeight) - first;
  for (std::size_t i = 0; i < m_line.size(); ++i) {
    m_sums[0][i] += first * m_line[i];
    m_sums[1][i] += second * m_line[i];
  }
  ++m_sourceY;
  if (static_cast<std::int64_t>(m_sourceY) * targetHeight >= lineEnd) {
    EmitLine(m_outY);
    ++m_outY;
    std::swap(m_sums[0], m_sums[1]);
    std::fill(m_sums[1].begin(), m_sums[1].end(), 0);
  }
}

Picture LineReducer::Take() {
  if (!m_same) {
    // A source cut short: what was summed so far still makes its line, the rest stays black.
    if (m_outY < m_out.height && m_sourceY > 0) EmitLine(m_outY);
  }
  m_sourceY = m_sourceHeight;
  return std::move(m_out);
}

Picture AreaAveraged(const Picture& picture, int width, int height) {
  if (width == picture.width && height == picture.height) return picture;
  LineReducer reducer(picture.width, picture.height, width, height);
  std::vector<std::uint8_t> line(static_cast<std::size_t>(picture.width) * 3);
  for (int y = 0; y < picture.height; ++y) {
    const std::uint8_t* row = picture.Line(y);
    if (picture.bitsPerPixel == 24) {
      reducer.PutLine(row);
      continue;
    }
    for (int x = 0; x < picture.width; ++x) {
      const std::uint8_t index = IndexAt(row, x, picture.bitsPerPixel);
      const RgbQuad colour = index < picture.colourTable.size() ? picture.colourTable[index] : RgbQuad{};
      line[3 * static_cast<std::size_t>(x)] = colour.blue;
      line[3 * static_cast<std::size_t>(x) + 1] = colour.green;
      line[3 * static_cast<std::size_t>(x) + 2] = colour.red;
    }
    reducer.PutLine(line.data());
  }
  return reducer.Take();
}

}  // namespace tessaly
