// Writes a folder of phone-sized photographs for the benchmarks of the album and the
// retouch window: N distinct 4000 x 3000 JPEG files of about 2 MB each, 4:2:0 as a
// phone writes them, each a scene of its own (sky and ground of the seed's colours, a
// horizon, soft discs, texture and grain), so that no two decode alike.
//   make_photo_folder DIR [N=200]
// A file already there with the right name is kept, so a second run costs nothing.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <vector>

#include "base/file_io.h"
#include "formats/jpeg_test_support.h"

namespace {

constexpr int kWidth = 4000;
constexpr int kHeight = 3000;

std::vector<std::uint8_t> Scene(std::uint32_t seed) {
  std::uint32_t state = 2463534242u ^ (seed * 2654435761u);
  auto next = [&state] {
    state ^= state << 13, state ^= state >> 17, state ^= state << 5;
    return state;
  };
  const int horizon = kHeight / 4 + static_cast<int>(next() % (kHeight / 2));
  const int skyR = static_cast<int>(next() % 120), skyG = 80 + static_cast<int>(next() % 120);
  const int groundR = 60 + static_cast<int>(next() % 150), groundG = 40 + static_cast<int>(next() % 120);
  const double wave = 0.004 + static_cast<double>(next() % 100) / 10000.0;
  struct Disc {
    int x, y, r, red, green, blue;
  };
  std::vector<Disc> discs(6);
  for (Disc& d : discs)
    d = {static_cast<int>(next() % kWidth), static_cast<int>(next() % kHeight), 100 + static_cast<int>(next() % 600),
         static_cast<int>(next() % 256),    static_cast<int>(next() % 256),     static_cast<int>(next() % 256)};
  std::vector<std::uint8_t> rows(static_cast<std::size_t>(kWidth) * kHeight * 3);
  for (int y = 0; y < kHeight; ++y) {
    std::uint8_t* p = &rows[static_cast<std::size_t>(y) * kWidth * 3];
    for (int x = 0; x < kWidth; ++x, p += 3) {
      int red, green, blue;
      if (y < horizon) {
        red = skyR + y / 24, green = skyG + y / 36, blue = 255 - y / 18;
      } else {
        // Ground with a texture of furrows, as grass or a field in a photograph.
        const int furrow = static_cast<int>(18 * std::sin(x * wave + (y - horizon) * wave * 3));
        red = groundR + (x + y) / 96 + furrow, green = groundG + (y - horizon) / 24 + furrow, blue = 40 + x / 72;
      }
      for (const Disc& d : discs) {
        const int dx = x - d.x, dy = y - d.y;
        if (dx * dx + dy * dy < d.r * d.r) {
          const int shade = (dx + dy) / 16;
          red = d.red + shade, green = d.green + shade, blue = d.blue + shade;
        }
      }
      const int grain = static_cast<int>(next() % 13) - 6;
      p[0] = static_cast<std::uint8_t>(std::clamp(red + grain, 0, 255));
      p[1] = static_cast<std::uint8_t>(std::clamp(green + grain, 0, 255));
      p[2] = static_cast<std::uint8_t>(std::clamp(blue + grain, 0, 255));
    }
  }
  return rows;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: make_photo_folder DIR [N]\n");
    return 2;
  }
  const std::filesystem::path folder = argv[1];
  const int count = argc > 2 ? std::max(1, std::atoi(argv[2])) : 200;
  std::filesystem::create_directories(folder);
  std::uintmax_t bytes = 0;
  for (int i = 0; i < count; ++i) {
    char name[32];
    std::snprintf(name, sizeof name, "IMG_%04d.jpg", i + 1);
    const std::filesystem::path path = folder / name;
    std::error_code error;
    if (!std::filesystem::exists(path, error)) {
      tessaly::test::LibraryJpeg wanted;
      wanted.width = kWidth;
      wanted.height = kHeight;
      wanted.quality = 90;
      wanted.lumaV = 2;
      if (tessaly::WriteFileAtomically(
              path, tessaly::test::CompressWithLibrary(wanted, Scene(static_cast<std::uint32_t>(i))))) {
        std::fprintf(stderr, "cannot write %s\n", path.c_str());
        return 1;
      }
    }
    bytes += std::filesystem::file_size(path);
  }
  std::printf("%d photographs, %.1f MB each on average, in %s\n", count, static_cast<double>(bytes) / count / 1e6,
              folder.c_str());
  return 0;
}
