// The album window building the thumbnails of 200 camera JPEGs on a display (run under
// xvfb-run), from the window's opening to its last thumbnail drawn: the core's work
// (bench --benchmark_filter=AlbumBuild) plus the bitmaps, the progress dialog, the
// events let through between steps and the drawing.
#include <X11/Xlib.h>
#include <benchmark/benchmark.h>
#include <wx/app.h>
#include <wx/docview.h>
#include <wx/log.h>
#include <wx/utils.h>

#include <chrono>
#include <filesystem>

#include "base/prompt.h"
#include "bench/window_bench_main.h"
#include "formats/picture_file.h"
#include "shell/main_frame.h"
#include "shell/resources.h"
#include "shell/translations.h"
#include "windows/album_window.h"

namespace {

using namespace tessaly;
namespace fs = std::filesystem;

fs::path Folder() {
  fs::path folder = fs::temp_directory_path() / "tessaly-album-window-bench";
  if (fs::exists(folder / "P199.jpg")) return folder;
  fs::create_directories(folder);
  Picture picture = Picture::Make(640, 480, 24);
  for (int y = 0; y < 480; ++y)
    for (int x = 0; x < 640; ++x) {
      std::uint8_t* px = picture.Line(y) + 3 * x;
      px[0] = static_cast<std::uint8_t>(x / 3), px[1] = static_cast<std::uint8_t>(y / 2 + x / 5),
      px[2] = static_cast<std::uint8_t>((x + y) / 4 + ((x * 7 + y * 13) & 15));
    }
  PictureFile file;
  file.picture = picture;
  if (!file.SavePicture(folder / "P0.jpg")) std::abort();
  for (int i = 1; i < 200; ++i) fs::copy_file(folder / "P0.jpg", folder / ("P" + std::to_string(i) + ".jpg"));
  return folder;
}

void BM_AlbumWindowBuild200(benchmark::State& state) {
  ScopedPrompt quiet(std::make_unique<StreamPrompt>());
  const fs::path folder = Folder();
  auto* manager = wxDocManager::GetDocumentManager();
  for (auto _ : state) {
    auto start = std::chrono::steady_clock::now();
    windows::CAlbumDoc* doc = windows::OpenAlbumWindow(manager, folder, "*.jpg");
    auto* view = dynamic_cast<windows::CAlbumView*>(doc->GetFirstView());
    while (!view->Built()) {
      wxTheApp->ProcessPendingEvents();
      wxYield();
    }
    view->Grid()->Update();
    XSync(static_cast<Display*>(wxGetX11Display()), False);
    state.SetIterationTime(std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
    if (view->Items().size() != 200) std::abort();
    state.PauseTiming();
    doc->DeleteAllViews();
    for (int i = 0; i < 10; ++i) wxYield();
    state.ResumeTiming();
  }
}
BENCHMARK(BM_AlbumWindowBuild200)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(3);

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

int main(int argc, char** argv) { return tessaly::bench::RunWindowBenchmarks(argc, argv, new BenchApp); }
