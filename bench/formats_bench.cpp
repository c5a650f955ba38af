// Loading and saving a 1280 x 1024 24-bit picture as BMP and as TIFF, each against
// copying the same number of bytes through the file system (writing a file of the
// picture file's size the way a save does, and reading it back). The goal is a ratio of
// at most 2; every benchmark prints its ratio as the counter "ratio".
#include <benchmark/benchmark.h>

#include <chrono>
#include <filesystem>
#include <string>

#include "base/file_io.h"
#include "base/prompt.h"
#include "formats/picture_file.h"

namespace tessaly {
namespace {

using Clock = std::chrono::steady_clock;

Picture BenchPicture() {
  Picture picture = Picture::Make(1280, 1024, 24);
  std::uint32_t state = 12345;
  for (auto& byte : picture.pixels) {
    state = state * 1103515245u + 12345u;
    byte = static_cast<std::uint8_t>(state >> 16);
  }
  return picture;
}

std::filesystem::path BenchFolder() {
  static const std::filesystem::path folder = [] {
    std::string pattern = (std::filesystem::temp_directory_path() / "tessaly-bench-XXXXXX").string();
    return std::filesystem::path(::mkdtemp(pattern.data()));
  }();
  return folder;
}

// The plain file-system copy of size bytes: written as a save writes, read as a load reads.
double CopySeconds(const Bytes& bytes) {
  auto path = BenchFolder() / "copy.bin";
  auto start = Clock::now();
  if (WriteFileAtomically(path, bytes)) std::abort();
  Bytes back;
  if (ReadWholeFile(path, back)) std::abort();
  benchmark::DoNotOptimize(back.data());
  return std::chrono::duration<double>(Clock::now() - start).count();
}

enum class Direction { kLoad, kSave };

void RunFormat(benchmark::State& state, const char* name, Direction direction) {
  ScopedPrompt quiet(std::make_unique<StreamPrompt>());
  const Picture picture = BenchPicture();
  const auto path = BenchFolder() / name;
  PictureFile file;
  file.picture = picture;
  if (!file.SavePicture(path)) std::abort();
  Bytes fileBytes;
  if (ReadWholeFile(path, fileBytes)) std::abort();

  double operation = 0, copy = 0;
  for (auto _ : state) {
    auto start = Clock::now();
    if (direction == Direction::kLoad) {
      PictureFile loaded;
      if (!loaded.LoadPicture(path)) std::abort();
      benchmark::DoNotOptimize(loaded.picture.pixels.data());
    } else {
      if (!file.SavePicture(path)) std::abort();
    }
    operation += std::chrono::duration<double>(Clock::now() - start).count();
    state.PauseTiming();
    copy += CopySeconds(fileBytes);
    state.ResumeTiming();
  }
  state.counters["ratio"] = operation / copy;
  state.counters["copy_ms"] = 1000 * copy / static_cast<double>(state.iterations());
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * fileBytes.size()));
}

void BM_BmpLoad(benchmark::State& state) { RunFormat(state, "bench.bmp", Direction::kLoad); }
void BM_BmpSave(benchmark::State& state) { RunFormat(state, "bench.bmp", Direction::kSave); }
void BM_TiffLoad(benchmark::State& state) { RunFormat(state, "bench.tif", Direction::kLoad); }
void BM_TiffSave(benchmark::State& state) { RunFormat(state, "bench.tif", Direction::kSave); }

BENCHMARK(BM_BmpLoad)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_BmpSave)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_TiffLoad)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_TiffSave)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace tessaly
