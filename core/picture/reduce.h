// Making a picture smaller by area averaging: every output pixel is the mean of the
// source area it covers, each source pixel weighted by the share of it that lies inside.
//
// LineReducer takes a picture line by line from the top, so that a reader can reduce a
// picture far larger than memory would hold whole: it keeps two output lines of sums and
// the output picture, never the source. AreaAveraged does the same for a picture held
// in memory.
#pragma once

#include <cstdint>
#include <vector>

#include "picture/picture.h"

namespace tessaly {

// The size of a width x height picture made to fit a box of boxWidth x boxHeight, its
// aspect kept (each side at least 1 pixel). A picture that already fits keeps its size:
// pictures are made smaller, never larger.
PictureSize FitInBox(int width, int height, int boxWidth, int boxHeight);

class LineReducer {
 public:
  // A source of sourceWidth x sourceHeight pixels becomes a 24-bit picture of
  // targetWidth x targetHeight, no larger than the source. The output picture is
  // allocated here (it may throw std::bad_alloc).
  LineReducer(int sourceWidth, int sourceHeight, int targetWidth, int targetHeight);

  // The next source line from the top: sourceWidth pixels of blue, green, red. Lines
  // past the last are ignored.
  void PutLine(const std::uint8_t* bgr);
  // Lines given so far.
  int LinesDone() const { return m_sourceY; }

  // The output picture. Lines that were never given count as black, so a picture that a
  // damaged file cut short shows what was read and black below it.
  Picture Take();

 private:
  void EmitLine(int y);

  int m_sourceWidth, m_sourceHeight;
  Picture m_out;
  bool m_same;                              // no reduction: lines are copied
  std::vector<int> m_column;                // per source column: first output column it touches
  std::vector<std::uint32_t> m_firstShare;  // and the share of it in that column (of targetWidth)
  std::vector<std::uint64_t> m_line;        // one source line reduced across, per output sample
  std::vector<std::uint64_t> m_sums[2];     // output line m_outY and the next, per sample
  int m_sourceY = 0;
  int m_outY = 0;
};

// The picture reduced to width x height (at most its own size) by area averaging; 1-,
// 4- and 8-bit pictures come out as 24 bits. A picture of that size already is returned
// as it is.
Picture AreaAveraged(const Picture& picture, int width, int height);

}  // namespace tessaly
