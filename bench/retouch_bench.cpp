// The retouch operations on pictures of the sizes a user edits: 1280 x 1024 for the tone
// operations, the filters, the quarter turn, halving and the 8-bit conversion, 640 x 480
// for free rotation and doubling, and 1280 x 1024 fitted to the camera's 640 x 480.
// bench/retouch_vs_pillow.py runs these beside their nearest equivalents in Pillow.
#include <benchmark/benchmark.h>

#include <random>

#include "picture/picture.h"
#include "retouch/convert.h"
#include "retouch/filters.h"
#include "retouch/geometry.h"
#include "retouch/tone.h"

namespace tessaly {
namespace {

Picture Noise(int width, int height, int bitsPerPixel) {
  Picture p = Picture::Make(width, height, bitsPerPixel);
  std::mt19937 random(7);
  for (auto& byte : p.pixels) byte = static_cast<std::uint8_t>(random());
  for (std::size_t i = 0; i < p.colourTable.size(); ++i)
    p.colourTable[i] = {static_cast<std::uint8_t>(i), static_cast<std::uint8_t>(255 - i),
                        static_cast<std::uint8_t>(i * 7), 0};
  return p;
}

const Picture& Large() {
  static const Picture picture = Noise(1280, 1024, 24);
  return picture;
}
const Picture& Camera() {
  static const Picture picture = Noise(640, 480, 24);
  return picture;
}
const Picture& LargePalette() {
  static const Picture picture = Noise(1280, 1024, 8);
  return picture;
}

// Operations that work in place run on the same picture over and over; their speed does
// not depend on the pixel values.
template <typename Operation>
void InPlace(benchmark::State& state, const Picture& source, Operation operation) {
  Picture picture = source;
  for (auto _ : state) {
    operation(picture);
    benchmark::DoNotOptimize(picture.pixels.data());
    benchmark::ClobberMemory();
  }
}

// Operations that change the size make a new picture from a source that stays, as
// Pillow's do; the in-place forms only add the release of the old block.
template <typename Operation>
void Made(benchmark::State& state, const Picture& source, Operation operation) {
  for (auto _ : state) {
    Picture picture = operation(source);
    benchmark::DoNotOptimize(picture.pixels.data());
    benchmark::ClobberMemory();
  }
}

void BM_RetouchBrightness(benchmark::State& s) {
  InPlace(s, Large(), [](Picture& p) { AdjustBrightness(p, 40); });
}
void BM_RetouchContrast(benchmark::State& s) {
  InPlace(s, Large(), [](Picture& p) { AdjustContrast(p, 200); });
}
void BM_RetouchColor(benchmark::State& s) {
  InPlace(s, Large(), [](Picture& p) { AdjustColor(p, 60, -30, 12); });
}
void BM_RetouchSharpen(benchmark::State& s) {
  InPlace(s, Large(), [](Picture& p) { Sharpen(p); });
}
void BM_RetouchSoften(benchmark::State& s) {
  InPlace(s, Large(), [](Picture& p) { Soften(p); });
}
void BM_RetouchMosaic(benchmark::State& s) {
  InPlace(s, Large(), [](Picture& p) { Mosaic(p, {}); });
}
void BM_RetouchRotate90(benchmark::State& s) {
  Made(s, Large(), [](const Picture& p) { return Rotated90Right(p); });
}
void BM_RetouchScale50(benchmark::State& s) {
  Made(s, Large(), [](const Picture& p) { return Resampled(p, 640, 512); });
}
void BM_RetouchConvert8(benchmark::State& s) {
  Made(s, LargePalette(), [](const Picture& p) { return ConvertedTo24(p); });
}
void BM_RetouchRotate30(benchmark::State& s) {
  Made(s, Camera(), [](const Picture& p) { return RotatedFree(p, 30); });
}
void BM_RetouchScale200(benchmark::State& s) {
  Made(s, Camera(), [](const Picture& p) { return Resampled(p, 1280, 960); });
}
void BM_RetouchFitCamera(benchmark::State& s) {
  Made(s, Large(), [](const Picture& p) { return FittedToCamera(p); });
}

BENCHMARK(BM_RetouchBrightness)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RetouchContrast)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RetouchColor)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RetouchSharpen)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RetouchSoften)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RetouchMosaic)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RetouchRotate90)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RetouchScale50)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RetouchConvert8)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RetouchRotate30)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RetouchScale200)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RetouchFitCamera)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace tessaly
