// JPEG coding of a 640 x 480 camera picture through CJPG, against the JPEG library
// driven directly for the same work (same file, same settings, output into memory).
//
// BM_JpegAgainstLibrary measures both sides in alternation and reports the ratios
// CJPG / library ("decode_ratio", "encode_ratio", the goal is at most 1.15) and CJPG's
// rates in megapixels per second (the goal is above 40).
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <tuple>
#include <utility>
#include <vector>

#include "base/file_io.h"
#include "formats/jpeg_test_support.h"
#include "formats/jpg.h"

namespace tessaly {
namespace {

constexpr int kWidth = 640;
constexpr int kHeight = 480;

// A real camera picture from the corpus when it is there, else a made-up photograph.
Bytes CameraFile() {
  Bytes file;
#ifdef TESSALY_CORPUS_DIR
  if (!ReadWholeFile(std::string(TESSALY_CORPUS_DIR) + "/tm-jfif-jfxx-thumbnail-olympus-d320l.jpg", file)) {
    CJPG probe;
    if (probe.DecodeJpeg(file) && probe.Width() == kWidth && probe.Height() == kHeight) return file;
  }
#endif
  Picture picture = Picture::Make(kWidth, kHeight, 24);
  std::mt19937 random(1);
  for (int y = 0; y < kHeight; ++y)
    for (int x = 0; x < kWidth; ++x) {
      std::uint8_t* p = picture.Line(y) + 3 * x;
      p[0] = static_cast<std::uint8_t>((x + y) / 5 + random() % 12);
      p[1] = static_cast<std::uint8_t>(y / 2 + random() % 12);
      p[2] = static_cast<std::uint8_t>(x / 3 + random() % 12);
    }
  CJPG jpg;
  jpg.EncodeJpeg(kWidth, kHeight, picture.pixels);
  return jpg.Data();
}

Picture CameraPicture(const Bytes& file) {
  CJPG jpg;
  jpg.DecodeJpeg(file);
  return jpg.TakePicture();
}

// ---------------------------------------------------------------- the library alone

// Decodes into a freshly allocated block of top-down red-green-blue rows, as a program
// that uses the library on its own would.
std::vector<std::uint8_t> LibraryDecode(const Bytes& file) { return test::DecompressWithLibrary(file); }

// Encodes top-down red-green-blue rows at quality 80 with 2 x 1 luminance sampling into
// the library's own memory destination.
std::size_t LibraryEncode(const std::vector<std::uint8_t>& rgb, int width, int height) {
  test::LibraryJpeg wanted;
  wanted.width = width;
  wanted.height = height;
  wanted.quality = kJpegQuality;
  return test::CompressWithLibrary(wanted, rgb).size();
}

// ---------------------------------------------------------------- CJPG

Picture TessalyDecode(const Bytes& file) {
  CJPG jpg;
  jpg.DecodeJpeg(file);
  return jpg.TakePicture();
}

std::size_t TessalyEncode(const Picture& picture) {
  CJPG jpg;
  jpg.EncodeJpeg(picture.width, picture.height, picture.pixels);
  jpg.SetJpegComment("benchmark");
  return jpg.DataLength();
}

void SetRate(benchmark::State& state) {
  state.counters["Mpixels"] =
      benchmark::Counter(static_cast<double>(kWidth) * kHeight / 1e6 * static_cast<double>(state.iterations()),
                         benchmark::Counter::kIsRate);
}

void BM_DecodeCameraPicture(benchmark::State& state) {
  const Bytes file = CameraFile();
  for (auto _ : state) benchmark::DoNotOptimize(TessalyDecode(file).pixels.data());
  SetRate(state);
}
BENCHMARK(BM_DecodeCameraPicture)->Unit(benchmark::kMillisecond);

void BM_DecodeCameraPictureLibraryAlone(benchmark::State& state) {
  const Bytes file = CameraFile();
  for (auto _ : state) benchmark::DoNotOptimize(LibraryDecode(file).data());
  SetRate(state);
}
BENCHMARK(BM_DecodeCameraPictureLibraryAlone)->Unit(benchmark::kMillisecond);

void BM_EncodeCameraPicture(benchmark::State& state) {
  const Picture picture = CameraPicture(CameraFile());
  for (auto _ : state) benchmark::DoNotOptimize(TessalyEncode(picture));
  SetRate(state);
}
BENCHMARK(BM_EncodeCameraPicture)->Unit(benchmark::kMillisecond);

void BM_EncodeCameraPictureLibraryAlone(benchmark::State& state) {
  const std::vector<std::uint8_t> rgb = LibraryDecode(CameraFile());
  for (auto _ : state) benchmark::DoNotOptimize(LibraryEncode(rgb, kWidth, kHeight));
  SetRate(state);
}
BENCHMARK(BM_EncodeCameraPictureLibraryAlone)->Unit(benchmark::kMillisecond);

// Both sides in alternation, each in turn first, so that a busy machine and the state
// of the caches favour neither; the fastest run of each side counts.
template <typename Ours, typename Library>
std::pair<double, double> FastestOfEach(Ours&& ours, Library&& library) {
  using Clock = std::chrono::steady_clock;
  auto timeOf = [](auto&& work) {
    const auto start = Clock::now();
    work();
    return std::chrono::duration<double>(Clock::now() - start).count();
  };
  double oursBest = 1e9, libraryBest = 1e9;
  for (int round = 0; round < 100; ++round) {
    if (round % 2 == 0) {
      libraryBest = std::min(libraryBest, timeOf(library));
      oursBest = std::min(oursBest, timeOf(ours));
    } else {
      oursBest = std::min(oursBest, timeOf(ours));
      libraryBest = std::min(libraryBest, timeOf(library));
    }
  }
  return {oursBest, libraryBest};
}

void BM_JpegAgainstLibrary(benchmark::State& state) {
  const Bytes file = CameraFile();
  const Picture picture = CameraPicture(file);
  const std::vector<std::uint8_t> rgb = LibraryDecode(file);
  double decodeOurs = 1e9, decodeLibrary = 1e9, encodeOurs = 1e9, encodeLibrary = 1e9;
  for (auto _ : state) {
    auto [ours, library] = FastestOfEach([&] { benchmark::DoNotOptimize(TessalyDecode(file).pixels.data()); },
                                         [&] { benchmark::DoNotOptimize(LibraryDecode(file).data()); });
    decodeOurs = std::min(decodeOurs, ours);
    decodeLibrary = std::min(decodeLibrary, library);
    std::tie(ours, library) = FastestOfEach([&] { benchmark::DoNotOptimize(TessalyEncode(picture)); },
                                            [&] { benchmark::DoNotOptimize(LibraryEncode(rgb, kWidth, kHeight)); });
    encodeOurs = std::min(encodeOurs, ours);
    encodeLibrary = std::min(encodeLibrary, library);
  }
  const double megapixels = static_cast<double>(kWidth) * kHeight / 1e6;
  state.counters["decode_ratio"] = decodeOurs / decodeLibrary;
  state.counters["encode_ratio"] = encodeOurs / encodeLibrary;
  state.counters["decode_Mpixel/s"] = megapixels / decodeOurs;
  state.counters["encode_Mpixel/s"] = megapixels / encodeOurs;
}
BENCHMARK(BM_JpegAgainstLibrary)->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace
}  // namespace tessaly
