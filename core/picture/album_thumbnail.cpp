#include "picture/album_thumbnail.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

namespace tessaly {
namespace {

// The colour index of pixel x of a stored row of a 1-, 4- or 8-bit picture.
int IndexAt(const std::uint8_t* row, int x, int bits) {
  switch (bits) {
    case 1: return row[x >> 3] >> (7 - (x & 7)) & 1;
    case 4: return x & 1 ? row[x >> 1] & 0x0F : row[x >> 1] >> 4;
    default: return row[x];
  }
}

}  // namespace

ThumbnailFit FitThumbnail(int width, int height, int cellWidth, int cellHeight) {
  ThumbnailFit fit;
  if (width <= 0 || height <= 0 || cellWidth <= 0 || cellHeight <= 0) return fit;
  if (width < cellWidth && height < cellHeight) {
    fit.enlarge = true;
    fit.factor = std::min(cellWidth / width, cellHeight / height);
    fit.columns = width;
    fit.rows = height;
    fit.left = (cellWidth - width * fit.factor) / 2;
  } else {
    fit.factor = std::max((width - 1) / cellWidth + 1, (height - 1) / cellHeight + 1);
    fit.columns = (width + fit.factor - 1) / fit.factor;
    fit.rows = (height + fit.factor - 1) / fit.factor;
    // The margin is reckoned from the whole steps across, so with a remainder the
    // picture reaches one column further right than it is left of centre.
    fit.left = (cellWidth - width / fit.factor) / 2;
  }
  fit.left = std::clamp(fit.left, 0, cellWidth - std::min(cellWidth, fit.columns * (fit.enlarge ? fit.factor : 1)));
  return fit;
}

int NearestColourIndex(const std::vector<RgbQuad>& table, RgbQuad colour) {
  int best = 768;
  int index = 0;
  for (std::size_t i = 0; i < table.size(); ++i) {
    int distance = std::abs(table[i].red - colour.red) + std::abs(table[i].green - colour.green) +
                   std::abs(table[i].blue - colour.blue);
    if (distance < best) {
      best = distance;
      index = static_cast<int>(i);
    }
  }
  return index;
}

Picture MakeAlbumThumbnail(const Picture& source, RgbQuad background, int cellWidth, int cellHeight) {
  const int bits = source.bitsPerPixel;
  if (source.Empty() || source.width <= 0 || source.height <= 0 ||
      (bits != 1 && bits != 4 && bits != 8 && bits != 24) ||
      source.pixels.size() < source.Stride() * static_cast<std::size_t>(source.height))
    return {};
  const bool trueColour = bits == 24;
  Picture cell = Picture::Make(cellWidth, cellHeight, trueColour ? 24 : 8);

  // The cell is background first; the picture's pixels go over it.
  std::uint8_t fillIndex = 0;
  if (trueColour) {
    for (int r = 0; r < cellHeight; ++r) {
      std::uint8_t* row = cell.Row(r);
      for (int x = 0; x < cellWidth; ++x) {
        row[3 * x] = background.blue;
        row[3 * x + 1] = background.green;
        row[3 * x + 2] = background.red;
      }
    }
  } else {
    const int colours = std::min<int>(source.ColourCount(), 256);
    std::copy_n(source.colourTable.begin(), colours, cell.colourTable.begin());
    if (bits < 8) {
      fillIndex = static_cast<std::uint8_t>(1 << bits);
      cell.colourTable[fillIndex] = RgbQuad{background.blue, background.green, background.red, 0};
    } else {
      fillIndex = static_cast<std::uint8_t>(NearestColourIndex(source.colourTable, background));
    }
    std::fill(cell.pixels.begin(), cell.pixels.end(), fillIndex);
  }

  const ThumbnailFit fit = FitThumbnail(source.width, source.height, cellWidth, cellHeight);
  // Writes picture pixel sx of stored row sourceRow into the cell at (cx, stored row cr).
  auto put = [&](const std::uint8_t* sourceRow, int sx, std::uint8_t* cellRow, int cx) {
    if (trueColour)
      std::memcpy(cellRow + 3 * cx, sourceRow + 3 * sx, 3);
    else
      cellRow[cx] = static_cast<std::uint8_t>(IndexAt(sourceRow, sx, bits));
  };
  if (fit.enlarge) {
    const int k = fit.factor;
    for (int sr = 0; sr < source.height; ++sr) {
      const std::uint8_t* sourceRow = source.Row(sr);
      for (int rep = 0; rep < k; ++rep) {
        int cr = sr * k + rep;
        if (cr >= cellHeight) break;
        std::uint8_t* cellRow = cell.Row(cr);
        for (int sx = 0; sx < source.width; ++sx)
          for (int i = 0; i < k; ++i) {
            int cx = fit.left + sx * k + i;
            if (cx < cellWidth) put(sourceRow, sx, cellRow, cx);
          }
      }
    }
  } else {
    const int d = fit.factor;
    for (int r = 0; r < fit.rows && r < cellHeight; ++r) {
      const std::uint8_t* sourceRow = source.Row(r * d);
      std::uint8_t* cellRow = cell.Row(r);
      for (int c = 0; c < fit.columns && fit.left + c < cellWidth; ++c) put(sourceRow, c * d, cellRow, fit.left + c);
    }
  }
  return cell;
}

}  // namespace tessaly
