#include "camera/thumbnail.h"

#include <algorithm>
#include <array>

namespace tessaly {
namespace {

std::uint8_t Clamp(int v) { return static_cast<std::uint8_t>(std::clamp(v, 0, 255)); }

}  // namespace

Picture ConvertThumbnail(std::span<const std::uint8_t> thumbnail) {
  if (thumbnail.size() < kThumbnailBytes) return {};
  constexpr int kChromaPerRow = kThumbnailWidth / 2;
  constexpr std::size_t kLuma = kThumbnailWidth * kThumbnailHeight;
  constexpr std::size_t kChroma = kLuma / 4;
  const std::uint8_t* y = thumbnail.data();
  const std::uint8_t* cbPlane = y + kLuma;
  const std::uint8_t* crPlane = cbPlane + kChroma;

  Picture shown = Picture::Make(kShownThumbnailWidth, kShownThumbnailHeight, 24);
  for (std::size_t k = 0; k < kChroma; ++k) {
    const int cb = cbPlane[k] - 128;
    const int cr = crPlane[k] - 128;
    const int top = 2 * static_cast<int>(k / kChromaPerRow);
    const int left = 2 * static_cast<int>(k % kChromaPerRow);
    for (int dy = 0; dy < 2; ++dy) {
      for (int dx = 0; dx < 2; ++dx) {
        const int row = top + dy, column = left + dx;
        const int luma = 256 * y[row * kThumbnailWidth + column];
        // Arithmetic shifts of possibly negative sums, as the camera's own conversion does.
        const std::uint8_t r = Clamp((luma + 359 * cr + 128) >> 8);
        const std::uint8_t g = Clamp((luma - 88 * cb - 182 * cr + 128) >> 8);
        const std::uint8_t b = Clamp((luma + 454 * cb + 128) >> 8);
        // Each thumbnail pixel becomes a 2 x 2 block of the shown picture.
        for (int sy = 0; sy < 2; ++sy) {
          std::uint8_t* out = shown.Line(2 * row + sy) + 3 * 2 * column;
          for (int sx = 0; sx < 2; ++sx) {
            out[3 * sx] = b;
            out[3 * sx + 1] = g;
            out[3 * sx + 2] = r;
          }
        }
      }
    }
  }
  return shown;
}

const Picture& PlaceholderPicture() {
  static const Picture placeholder = [] {
    // The sixteen colours of the classic display palette.
    constexpr std::array<RgbQuad, 16> kPalette = {{
        {0, 0, 0, 0},
        {0, 0, 128, 0},
        {0, 128, 0, 0},
        {0, 128, 128, 0},
        {128, 0, 0, 0},
        {128, 0, 128, 0},
        {128, 128, 0, 0},
        {192, 192, 192, 0},
        {128, 128, 128, 0},
        {0, 0, 255, 0},
        {0, 255, 0, 0},
        {0, 255, 255, 0},
        {255, 0, 0, 0},
        {255, 0, 255, 0},
        {255, 255, 0, 0},
        {255, 255, 255, 0},
    }};
    enum : std::uint8_t { kBlack = 0, kDarkGrey = 8, kGrey = 7, kRed = 9, kGreen = 2, kSky = 14, kYellow = 11 };
    Picture p = Picture::Make(kShownThumbnailWidth, kShownThumbnailHeight, 4);
    std::copy(kPalette.begin(), kPalette.end(), p.colourTable.begin());
    auto set = [&p](int x, int y, std::uint8_t colour) {
      std::uint8_t& byte = p.Line(y)[x / 2];
      byte = x % 2 == 0 ? static_cast<std::uint8_t>((byte & 0x0F) | colour << 4)
                        : static_cast<std::uint8_t>((byte & 0xF0) | colour);
    };
    // A grey card with a small landscape on it, crossed out: there is a picture, but
    // its thumbnail could not be read.
    for (int y = 0; y < p.height; ++y) {
      for (int x = 0; x < p.width; ++x) {
        std::uint8_t colour = kGrey;
        if (x == 0 || y == 0 || x == p.width - 1 || y == p.height - 1)
          colour = kDarkGrey;
        else if (x >= 16 && x < 64 && y >= 12 && y < 48) {
          bool frame = x == 16 || x == 63 || y == 12 || y == 47;
          int hill = 30 + (x - 36) * (x - 36) / 40;
          bool sun = (x - 54) * (x - 54) + (y - 19) * (y - 19) <= 12;
          colour = frame ? kBlack : sun ? kYellow : y >= hill ? kGreen : kSky;
          // The cross: two diagonals two pixels wide.
          int u = x - 16, v = y - 12;
          if (std::abs(u * 36 - v * 48) <= 48 || std::abs((47 - u) * 36 - v * 48) <= 48) colour = kRed;
        }
        set(x, y, colour);
      }
    }
    return p;
  }();
  return placeholder;
}

}  // namespace tessaly
