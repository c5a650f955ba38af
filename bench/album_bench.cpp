// Building an album's thumbnails: the folder scan, each picture loaded and reduced to
// its 80 x 60 thumbnail, for a folder of 200 camera pictures (640 x 480 JPEG, quality
// 80, 2 x 1 sampling, as the camera and the program write them), timed side by side
// with `vipsthumbnail --size 80x60` over the same folder when that program is
// installed. The goals: at most 0.25 s for the 200, and at most 0.3 times vips's time.
// A folder of 5,000 such files shows the rate per file and the memory the thumbnails
// take (the process should grow by the thumbnails only, about 14 KB each).
#include <benchmark/benchmark.h>
#include <sys/resource.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "album/album_scan.h"
#include "base/prompt.h"
#include "formats/picture_file.h"
#include "picture/album_thumbnail.h"

namespace tessaly {
namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

// A camera-like picture: smooth areas with some detail, so that the JPEG has a camera
// picture's size (about 30 to 50 KB).
Picture CameraPicture(int seed) {
  Picture picture = Picture::Make(640, 480, 24);
  std::uint32_t state = 2463534242u + static_cast<std::uint32_t>(seed);
  for (int y = 0; y < 480; ++y) {
    std::uint8_t* row = picture.Line(y);
    for (int x = 0; x < 640; ++x) {
      state ^= state << 13, state ^= state >> 17, state ^= state << 5;
      int noise = static_cast<int>(state & 15);
      row[3 * x] = static_cast<std::uint8_t>((x / 3 + seed * 7 + noise) & 255);
      row[3 * x + 1] = static_cast<std::uint8_t>((y / 2 + x / 5 + noise) & 255);
      row[3 * x + 2] = static_cast<std::uint8_t>(((x + y) / 4 + seed * 3) & 255);
    }
  }
  return picture;
}

// A folder of n camera pictures, made once per size and kept for the run.
fs::path CameraFolder(int n) {
  fs::path folder = fs::temp_directory_path() / ("tessaly-album-bench-" + std::to_string(n));
  if (fs::exists(folder / ("P" + std::to_string(n - 1) + ".jpg"))) return folder;
  fs::create_directories(folder);
  ScopedPrompt quiet(std::make_unique<StreamPrompt>());
  // Eight different pictures repeated: the coding cost is the same as for n different ones.
  for (int i = 0; i < n; ++i) {
    fs::path target = folder / ("P" + std::to_string(i) + ".jpg");
    if (i < 8) {
      PictureFile file;
      file.picture = CameraPicture(i);
      if (!file.SavePicture(target)) std::abort();
    } else {
      fs::copy_file(folder / ("P" + std::to_string(i % 8) + ".jpg"), target, fs::copy_options::overwrite_existing);
    }
  }
  return folder;
}

long PeakKilobytes() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return usage.ru_maxrss;
}

// The album's work for one folder: what the window does between its drawing.
double BuildSeconds(const fs::path& folder, std::vector<Picture>& thumbnails) {
  auto start = Clock::now();
  AlbumScan scan = ScanAlbumFolder(folder, "*.jpg");
  thumbnails.reserve(scan.names.size());
  for (const std::string& name : scan.names) {
    PictureFile file;
    if (!OpenPictureFile(file, folder / name)) continue;
    thumbnails.push_back(MakeAlbumThumbnail(file.picture, RgbQuad{255, 255, 255, 0}));
  }
  return std::chrono::duration<double>(Clock::now() - start).count();
}

double VipsSeconds(const fs::path& folder) {
  fs::path out = fs::temp_directory_path() / "tessaly-album-bench-vips";
  fs::create_directories(out);
  std::string command =
      "vipsthumbnail --size 80x60 -o " + out.string() + "/%s.jpg " + folder.string() + "/*.jpg > /dev/null 2>&1";
  auto start = Clock::now();
  int rc = std::system(command.c_str());
  double seconds = std::chrono::duration<double>(Clock::now() - start).count();
  return rc == 0 ? seconds : 0.0;
}

bool HaveVips() { return std::system("command -v vipsthumbnail > /dev/null 2>&1") == 0; }

void BM_AlbumBuild200(benchmark::State& state) {
  ScopedPrompt quiet(std::make_unique<StreamPrompt>());
  const fs::path folder = CameraFolder(200);
  const bool vips = HaveVips();
  double ours = 0, theirs = 0;
  for (auto _ : state) {
    std::vector<Picture> thumbnails;
    ours += BuildSeconds(folder, thumbnails);
    if (thumbnails.size() != 200) std::abort();
    if (vips) theirs += VipsSeconds(folder);
  }
  const double n = static_cast<double>(state.iterations());
  state.counters["album_s"] = ours / n;
  if (vips && theirs > 0) {
    state.counters["vipsthumbnail_s"] = theirs / n;
    state.counters["ratio"] = ours / theirs;
  }
}
BENCHMARK(BM_AlbumBuild200)->Unit(benchmark::kMillisecond)->Iterations(5)->UseRealTime();

void BM_AlbumBuild5000(benchmark::State& state) {
  ScopedPrompt quiet(std::make_unique<StreamPrompt>());
  const fs::path folder = CameraFolder(5000);
  for (auto _ : state) {
    long before = PeakKilobytes();
    std::vector<Picture> thumbnails;
    double seconds = BuildSeconds(folder, thumbnails);
    long after = PeakKilobytes();
    std::size_t thumbBytes = 0;
    for (const Picture& t : thumbnails) thumbBytes += t.pixels.size();
    state.counters["album_s"] = seconds;
    state.counters["ms_per_file"] = seconds * 1000 / 5000;
    state.counters["peak_growth_MB"] = static_cast<double>(after - before) / 1024;
    state.counters["thumbnails_MB"] = static_cast<double>(thumbBytes) / (1024 * 1024);
    state.counters["peak_MB"] = static_cast<double>(after) / 1024;
  }
}
BENCHMARK(BM_AlbumBuild5000)->Unit(benchmark::kMillisecond)->Iterations(1)->UseRealTime();

}  // namespace
}  // namespace tessaly
