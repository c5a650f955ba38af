// The reduction of a true-colour picture to the colour cube, as a palette display needs
// it for every picture it shows.
#include <benchmark/benchmark.h>

#include <random>

#include "picture/colour_cube.h"

namespace tessaly {
namespace {

Picture LargestPicture() {
  Picture picture = Picture::Make(kMaxPictureWidth, kMaxPictureHeight, 24);
  // Smooth gradients with some noise, like a photograph: the diffusion's errors then
  // vary as they do on real pictures.
  std::mt19937 random(5);
  for (int y = 0; y < picture.height; ++y) {
    std::uint8_t* row = picture.Line(y);
    for (int x = 0; x < picture.width; ++x) {
      row[3 * x] = static_cast<std::uint8_t>(x * 255 / picture.width + random() % 16);
      row[3 * x + 1] = static_cast<std::uint8_t>(y * 255 / picture.height);
      row[3 * x + 2] = static_cast<std::uint8_t>((x + y) % 256);
    }
  }
  return picture;
}

void BM_ReduceToColourCube(benchmark::State& state) {
  const Picture picture = LargestPicture();
  for (auto _ : state) {
    auto indices =
        ReduceToColourCube(picture.width, picture.height, picture.pixels.data(), 0, 0, picture.width, picture.height);
    benchmark::DoNotOptimize(indices.data());
  }
  const double pixels = static_cast<double>(picture.width) * picture.height;
  state.counters["Mpixels"] =
      benchmark::Counter(pixels / 1e6 * static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_ReduceToColourCube)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace tessaly
