// Opening a phone-sized photograph (4000 x 3000, photo-like, about 2 MB of JPEG) reduced
// to the album's thumbnail (80 x 60), the desktop's thumbnail size (128) and the retouch
// window (1280 x 1024), against decoding it whole; and a PNG of the same picture reduced
// to the retouch window, read a line at a time. The files are made at the start of the
// run, in the private temporary folder.
#include <benchmark/benchmark.h>

#include <filesystem>
#include <random>

#include "base/file_io.h"
#include "formats/jpeg_test_support.h"
#include "formats/picture_file.h"
#include "formats/png.h"

namespace tessaly {
namespace {

constexpr int kWidth = 4000;
constexpr int kHeight = 3000;

// Smooth gradients with grain, as a photograph has: neither a flat field that codes to
// nothing nor noise that no photograph is.
std::vector<std::uint8_t> PhotoRows() {
  std::vector<std::uint8_t> rows(static_cast<std::size_t>(kWidth) * kHeight * 3);
  std::mt19937 random(4);
  for (int y = 0; y < kHeight; ++y)
    for (int x = 0; x < kWidth; ++x) {
      std::uint8_t* p = &rows[(static_cast<std::size_t>(y) * kWidth + x) * 3];
      const int grain = static_cast<int>(random() % 24);
      p[0] = static_cast<std::uint8_t>((x * 200 / kWidth + y / 40 + grain) % 256);
      p[1] = static_cast<std::uint8_t>((y * 180 / kHeight + (x / 97) * 5 + grain) % 256);
      p[2] = static_cast<std::uint8_t>(((x + y) / 30 % 80) + grain + 60);
    }
  return rows;
}

const std::filesystem::path& Folder() {
  static const std::filesystem::path folder = [] {
    std::filesystem::path made = PrivateTempDir() / "reduced-decode-bench";
    std::filesystem::create_directories(made);
    const std::vector<std::uint8_t> rows = PhotoRows();
    test::LibraryJpeg wanted;
    wanted.width = kWidth;
    wanted.height = kHeight;
    wanted.quality = 80;
    WriteFileAtomically(made / "photo.jpeg", test::CompressWithLibrary(wanted, rows));
    Picture picture = Picture::Make(kWidth, kHeight, 24);
    for (int y = 0; y < kHeight; ++y)
      for (int x = 0; x < kWidth; ++x)
        for (int c = 0; c < 3; ++c)
          picture.Line(y)[3 * x + c] = rows[(static_cast<std::size_t>(y) * kWidth + x) * 3 + 2 - c];
    WritePngFile(made / "photo.png", picture);
    return made;
  }();
  return folder;
}

void BM_JpegReduced(benchmark::State& state) {
  const std::filesystem::path file = Folder() / "photo.jpeg";
  const int box = static_cast<int>(state.range(0)), boxHeight = static_cast<int>(state.range(1));
  for (auto _ : state) {
    PictureFile picture;
    if (!picture.LoadPictureToFit(file, box, boxHeight)) state.SkipWithError("not loaded");
    benchmark::DoNotOptimize(picture.picture.pixels.data());
  }
  state.counters["file_MB"] = static_cast<double>(std::filesystem::file_size(file)) / 1e6;
}
BENCHMARK(BM_JpegReduced)->Args({80, 60})->Args({128, 128})->Args({1280, 1024})->Unit(benchmark::kMillisecond);

void BM_JpegWhole(benchmark::State& state) {
  const std::filesystem::path file = Folder() / "photo.jpeg";
  for (auto _ : state) {
    PictureFile picture;
    if (!picture.LoadPicture(file, SizeLimit::kAnySize)) state.SkipWithError("not loaded");
    benchmark::DoNotOptimize(picture.picture.pixels.data());
  }
}
BENCHMARK(BM_JpegWhole)->Unit(benchmark::kMillisecond);

void BM_PngReduced(benchmark::State& state) {
  const std::filesystem::path file = Folder() / "photo.png";
  for (auto _ : state) {
    PictureFile picture;
    if (!picture.LoadPictureToFit(file, 1280, 1024)) state.SkipWithError("not loaded");
    benchmark::DoNotOptimize(picture.picture.pixels.data());
  }
}
BENCHMARK(BM_PngReduced)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace tessaly
