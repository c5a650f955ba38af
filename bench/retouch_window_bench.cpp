// Benchmarks of the retouch window on a display (run under xvfb-run):
//   tone preview: from a tone slider's release to the preview drawn (goal: 5 ms);
//   tool redraw: from a tool's OK on a 1280 x 1024 picture to the window redrawn, the
//   operation, the display copy and the drawing together (goal: 30 ms).
#include <X11/Xlib.h>
#include <benchmark/benchmark.h>
#include <wx/app.h>
#include <wx/log.h>
#include <wx/slider.h>
#include <wx/utils.h>
#include <wx/xrc/xmlres.h>

#include <random>

#include "bench/window_bench_main.h"
#include "formats/picture_file.h"
#include "retouch_window/retouch_dialogs.h"
#include "retouch_window/retouch_doc.h"
#include "retouch_window/retouch_template.h"
#include "retouch_window/retouch_view.h"
#include "shell/app.h"
#include "shell/doc_manager.h"
#include "shell/main_frame.h"
#include "shell/resources.h"
#include "shell/translations.h"

namespace {

using namespace tessaly;

Picture Noise(int w, int h) {
  Picture p = Picture::Make(w, h, 24, 0);
  std::mt19937 random(7);
  for (auto& b : p.pixels) b = static_cast<std::uint8_t>(random());
  return p;
}

// Waits until the X server has drawn what was sent to it.
void Drawn() {
  wxTheApp->ProcessPendingEvents();
  XSync(static_cast<Display*>(wxGetX11Display()), False);
}

void BM_TonePreviewAfterSliderRelease(benchmark::State& state) {
  const Picture picture = Noise(1280, 1024);
  retouch::CAdjustContrastDlg dialog(shell::CMainFrame::Get(), picture);
  dialog.Show();
  wxYield();
  auto* slider = XRCCTRL(dialog, "IDC_TONE_SLIDER", wxSlider);
  int value = 0;
  for (auto _ : state) {
    value = (value + 37) % 256;
    slider->SetValue(value);
    wxScrollEvent release(wxEVT_SCROLL_CHANGED, slider->GetId(), value);
    release.SetEventObject(slider);
    slider->ProcessWindowEvent(release);
    Drawn();
  }
  dialog.Destroy();
}
BENCHMARK(BM_TonePreviewAfterSliderRelease)->Unit(benchmark::kMillisecond);

void ToolRedraw(benchmark::State& state, bool sharpen) {
  auto* manager = static_cast<shell::CDocManager*>(wxDocManager::GetDocumentManager());
  auto* doc = dynamic_cast<retouch::CRetouchDoc*>(
      retouch::OpenHandedPicture(manager->RetouchTemplate(), {Noise(1280, 1024), {}, {}}));
  auto* view = dynamic_cast<retouch::CRetouchView*>(doc->GetFirstView());
  for (int i = 0; i < 20; ++i) wxYield();
  int step = 0;
  for (auto _ : state) {
    if (sharpen)
      doc->Run(RetouchCommand::kSharpen);
    else
      doc->AdjustBrightness(++step % 2 ? 3 : -3);
    view->Canvas()->Update();
    Drawn();
  }
  doc->Modify(false);
  doc->DeleteAllViews();
  for (int i = 0; i < 5; ++i) wxYield();
}
void BM_ToolRedrawBrightness(benchmark::State& state) { ToolRedraw(state, false); }
void BM_ToolRedrawSharpen(benchmark::State& state) { ToolRedraw(state, true); }
BENCHMARK(BM_ToolRedrawBrightness)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ToolRedrawSharpen)->Unit(benchmark::kMillisecond);

class BenchApp : public shell::CCameraApp {
 public:
  bool OnInit() override {
    shell::InstallTranslations("en");
    shell::InitResources();
    auto* manager = new shell::CDocManager;
    manager->SetRetouchTemplate(retouch::CreateRetouchTemplate(manager));
    auto* frame = new shell::CMainFrame(manager);
    frame->SetSize(0, 0, 1280, 1000);
    frame->Show();
    SetTopWindow(frame);
    return true;
  }
  int OnExit() override { return wxApp::OnExit(); }
};

}  // namespace

int main(int argc, char** argv) { return tessaly::bench::RunWindowBenchmarks(argc, argv, new BenchApp); }
