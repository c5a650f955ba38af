// The album window against the core, side by side on the same folder: 200, 1,000 and
// 5,000 different camera pictures (640 x 480 JPEG, each with a content of its own),
// written at the start of the run into a temporary folder and removed at its end.
//
// core_s:   the folder scan and every thumbnail made, as the core does it without a window
//           (and without the status bar's meter, which the window's process has).
// window_s: from the command that opens the album to its last thumbnail drawn on the X
//           server: the scan, the thumbnails, the bitmaps, the progress dialog, the
//           events let through and the drawing.
// ratio:    window_s / core_s (goal: at most 1.25).
// max_gap_ms: the longest time a 10 ms timer waited during the window's build, that is
//           how long the window went without answering (goal: well under 100 ms).
//
// Before the album's drawing was batched (2 cores shared with other work):
//   200 files:   window 1.85 s, core 1.02 s, ratio 1.82, longest wait 35 ms
//   1,000 files: window 8.24 s, core 5.45 s, ratio 1.51, longest wait 45 ms
//
// After (same machine): 200 files window 0.34-0.37 s, core 0.23-0.24 s, ratio 1.39-1.58
// (about 0.1 s of the window's set-up and progress dialog that the core has not);
// 1,000 files window 1.16 s, core 1.12 s, ratio 1.03; 5,000 files window 5.44 s, core
// 5.84 s, 1.09 ms a file against 1.17; longest wait 77-100 ms.
// ALBUM_BENCH_PHASES=1 prints the window's time to open, to build and to draw.
//
// Run under an X server: xvfb-run -a -s "-screen 0 1280x1024x24" build/bench/album_window_bench
// The 5,000 files are left out unless asked for: --benchmark_filter=AlbumWindow/5000
#include <X11/Xlib.h>
#include <benchmark/benchmark.h>
#include <stdlib.h>
#include <wx/app.h>
#include <wx/docview.h>
#include <wx/log.h>
#include <wx/timer.h>
#include <wx/utils.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <map>

#include "album/album_model.h"
#include "base/prompt.h"
#include "bench/window_bench_main.h"
#include "formats/picture_file.h"
#include "picture/album_thumbnail.h"
#include "picture/progress.h"
#include "shell/main_frame.h"
#include "shell/resources.h"
#include "shell/translations.h"
#include "windows/album_window.h"

namespace {

using namespace tessaly;
namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

// A camera-like picture of its own for every seed: a sky-to-ground gradient whose colours
// and horizon depend on the seed, a few soft discs placed by the seed, and fine grain, so
// that each file codes to about 20 KB like a camera's normal picture and no two decode
// alike.
Picture CameraPicture(std::uint32_t seed) {
  Picture picture = Picture::Make(640, 480, 24);
  std::uint32_t state = 2463534242u ^ (seed * 2654435761u);
  auto next = [&state] {
    state ^= state << 13, state ^= state >> 17, state ^= state << 5;
    return state;
  };
  const int horizon = 160 + static_cast<int>(next() % 200);
  const int skyR = static_cast<int>(next() % 120), skyG = 80 + static_cast<int>(next() % 120);
  const int groundR = 60 + static_cast<int>(next() % 150), groundG = 40 + static_cast<int>(next() % 120);
  struct Disc {
    int x, y, r, red, green, blue;
  } discs[4];
  for (Disc& d : discs)
    d = {static_cast<int>(next() % 640), static_cast<int>(next() % 480), 20 + static_cast<int>(next() % 80),
         static_cast<int>(next() % 256), static_cast<int>(next() % 256), static_cast<int>(next() % 256)};
  for (int y = 0; y < 480; ++y) {
    std::uint8_t* row = picture.Line(y);
    for (int x = 0; x < 640; ++x) {
      int red, green, blue;
      if (y < horizon) {
        red = skyR + y / 4, green = skyG + y / 6, blue = 255 - y / 3;
      } else {
        red = groundR + (x + y) / 16, green = groundG + (y - horizon) / 4, blue = 40 + x / 12;
      }
      for (const Disc& d : discs)
        if ((x - d.x) * (x - d.x) + (y - d.y) * (y - d.y) < d.r * d.r) red = d.red, green = d.green, blue = d.blue;
      const int grain = static_cast<int>(next() & 7) - 4;
      row[3 * x] = static_cast<std::uint8_t>(std::clamp(blue + grain, 0, 255));
      row[3 * x + 1] = static_cast<std::uint8_t>(std::clamp(green + grain, 0, 255));
      row[3 * x + 2] = static_cast<std::uint8_t>(std::clamp(red + grain, 0, 255));
    }
  }
  return picture;
}

// A temporary folder of n different camera pictures named as the camera names them,
// made on first use in this run and removed when the run ends.
class PictureFolder {
 public:
  explicit PictureFolder(int n) {
    std::string pattern = (fs::temp_directory_path() / "tessaly-album-window-bench-XXXXXX").string();
    m_path = ::mkdtemp(pattern.data());
    ScopedPrompt quiet(std::make_unique<StreamPrompt>());
    for (int i = 0; i < n; ++i) {
      PictureFile file;
      file.picture = CameraPicture(static_cast<std::uint32_t>(i));
      char name[32];
      std::snprintf(name, sizeof name, "AUT_%04d.JPG", i + 1);
      if (!file.SavePicture(m_path / name)) std::abort();
      m_bytes += fs::file_size(m_path / name);
    }
  }
  ~PictureFolder() {
    std::error_code ignored;
    fs::remove_all(m_path, ignored);
  }
  const fs::path& Path() const { return m_path; }
  std::uintmax_t Bytes() const { return m_bytes; }

 private:
  fs::path m_path;
  std::uintmax_t m_bytes = 0;
};

const PictureFolder& FolderOf(int n) {
  static std::map<int, std::unique_ptr<PictureFolder>> folders;
  auto& folder = folders[n];
  if (!folder) folder = std::make_unique<PictureFolder>(n);
  return *folder;
}

// The core's work for the folder: the album scanned and every thumbnail made, on the
// list's background, with nobody watching.
double CoreSeconds(const fs::path& folder, std::size_t& made) {
  struct Unwatched : AlbumBuildSink {
    bool Next(std::size_t, std::size_t, std::string_view) override { return true; }
    void Done(std::size_t, int) override {}
  } sink;
  // As the command line runs it: no status bar to show the decoding in.
  std::unique_ptr<ProgressDisplay> statusBar = SetProgressDisplay(nullptr);
  const auto start = Clock::now();
  AlbumModel album;
  album.SetFolder(folder, "*.jpg");
  album.Build(RgbQuad{255, 255, 255, 0}, sink);
  made = album.Count();
  const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
  SetProgressDisplay(std::move(statusBar));
  return seconds;
}

// The window's work: from the command to the last thumbnail on the X server; also the
// longest wait of a 10 ms timer meanwhile.
double WindowSeconds(const fs::path& folder, std::size_t& made, double& maxGap) {
  auto* manager = wxDocManager::GetDocumentManager();
  Clock::time_point lastTick;
  double gap = 0;
  bool building = false;
  wxTimer ticker;
  ticker.Bind(wxEVT_TIMER, [&](wxTimerEvent&) {
    const auto now = Clock::now();
    if (building) gap = std::max(gap, std::chrono::duration<double>(now - lastTick).count());
    lastTick = now;
  });

  const auto start = Clock::now();
  lastTick = start;
  building = true;
  ticker.Start(10);
  windows::CAlbumDoc* doc = windows::OpenAlbumWindow(manager, folder, "*.jpg");
  auto* view = dynamic_cast<windows::CAlbumView*>(doc->GetFirstView());
  const auto opened = Clock::now();
  while (!view->Built()) {
    wxTheApp->ProcessPendingEvents();
    wxYield();
  }
  const auto built = Clock::now();
  view->Grid()->Update();
  XSync(static_cast<Display*>(wxGetX11Display()), False);
  if (std::getenv("ALBUM_BENCH_PHASES"))
    std::fprintf(stderr, "open %.3f build %.3f draw %.3f\n", std::chrono::duration<double>(opened - start).count(),
                 std::chrono::duration<double>(built - opened).count(),
                 std::chrono::duration<double>(Clock::now() - built).count());
  const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
  building = false;
  ticker.Stop();
  maxGap = gap;
  made = view->Items().size();
  doc->DeleteAllViews();
  for (int i = 0; i < 10; ++i) wxYield();
  return seconds;
}

void BM_AlbumWindow(benchmark::State& state) {
  ScopedPrompt quiet(std::make_unique<StreamPrompt>());
  const int n = static_cast<int>(state.range(0));
  const PictureFolder& folder = FolderOf(n);
  // Once each before timing, so that both meet the files in the page cache.
  std::size_t made = 0;
  double gap = 0;
  CoreSeconds(folder.Path(), made);
  double core = 0, window = 0, maxGap = 0;
  for (auto _ : state) {
    core += CoreSeconds(folder.Path(), made);
    if (made != static_cast<std::size_t>(n)) std::abort();
    const double w = WindowSeconds(folder.Path(), made, gap);
    if (made != static_cast<std::size_t>(n)) std::abort();
    window += w;
    maxGap = std::max(maxGap, gap);
    state.SetIterationTime(w);
  }
  const double runs = static_cast<double>(state.iterations());
  state.counters["window_s"] = window / runs;
  state.counters["core_s"] = core / runs;
  state.counters["ratio"] = window / core;
  state.counters["window_ms_per_file"] = window / runs * 1000 / n;
  state.counters["core_ms_per_file"] = core / runs * 1000 / n;
  state.counters["max_gap_ms"] = maxGap * 1000;
  state.counters["folder_MB"] = static_cast<double>(folder.Bytes()) / (1024 * 1024);
}
BENCHMARK(BM_AlbumWindow)->Arg(200)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(3);
BENCHMARK(BM_AlbumWindow)->Arg(1000)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(2);
BENCHMARK(BM_AlbumWindow)->Arg(5000)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(1);

class BenchApp : public wxApp {
 public:
  bool OnInit() override {
    shell::InstallTranslations("en");
    shell::InitResources();
    auto* manager = new wxDocManager;
    auto* frame = new shell::CMainFrame(manager);
    frame->SetSize(0, 0, 1280, 1000);
    frame->Show();
    SetTopWindow(frame);
    return true;
  }
};

}  // namespace

int main(int argc, char** argv) {
  // The 5,000 files take a while to write: only when asked for by name.
  bool filtered = false;
  for (int i = 1; i < argc; ++i) filtered |= std::string(argv[i]).rfind("--benchmark_filter", 0) == 0;
  std::vector<char*> args(argv, argv + argc);
  static char defaultFilter[] = "--benchmark_filter=AlbumWindow/(200|1000)/";
  if (!filtered) args.push_back(defaultFilter);
  int count = static_cast<int>(args.size());
  args.push_back(nullptr);
  return tessaly::bench::RunWindowBenchmarks(count, args.data(), new BenchApp);
}
