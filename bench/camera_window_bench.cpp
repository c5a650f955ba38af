// The camera window's listing against the command line's, side by side in one run: 30
// thumbnails from the camera emulator pacing the line in real time at 115200 bit/s,
// listed once by the window (from the listing's start until the last thumbnail is in the
// list) and once by `tessaly-cli camera thumbnails`. While the window lists, a timer asks
// for a repaint every 10 ms; the paints that got through per second tell how alive the
// window stays during the transfer.
//
// Run under an X server: xvfb-run -a build/bench/camera_window_bench
// Prints: window_s, cli_s, ratio (goal at most 1.02) and repaints_per_s (goal at least 20).
#include <wx/app.h>
#include <wx/timer.h>
#include <wx/xrc/xmlres.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>

#include "shell/app.h"
#include "shell/command_line.h"
#include "shell/doc_manager.h"
#include "shell/main_frame.h"
#include "shell/resources.h"
#include "shell/translations.h"
#include "test_support/emulator_process.h"
#include "test_support/recorded_prompt.h"
#include "test_support/temp_folder.h"
#include "ui/app_state.h"
#include "windows/camera_window.h"
#include "workflows/connection.h"

namespace {

using Clock = std::chrono::steady_clock;
constexpr int kPictures = 30;

std::vector<std::string> EmulatorArgs() { return {"--generate", std::to_string(kPictures), "--realtime"}; }

class BenchApp : public tessaly::shell::CCameraApp {
 public:
  bool OnInit() override {
    SetAppName("Tessaly");
    tessaly::shell::InstallTranslations("en");
    tessaly::shell::InitResources();
    return true;
  }
  int OnExit() override { return wxApp::OnExit(); }
};

tessaly::windows::CCameraView* CameraView() {
  for (wxDocument* doc : tessaly::shell::TheApp()->DocManager()->GetDocumentsVector())
    if (auto* camera = dynamic_cast<tessaly::windows::CCameraDoc*>(doc))
      return dynamic_cast<tessaly::windows::CCameraView*>(camera->GetFirstView());
  return nullptr;
}

// Seconds the window takes to list the camera's thumbnails, and the paints per second
// it managed meanwhile.
bool TimeWindow(double& seconds, double& paintsPerSecond) {
  tessaly::test::EmulatorProcess emulator(EmulatorArgs());
  if (!emulator.Running()) return false;
  setenv("TESSALY_COM1", emulator.DevicePath().c_str(), 1);
  tessaly::LinkInit();
  tessaly::ui::TheAppState() = {};
  if (!tessaly::shell::TheApp()->InitInstance(tessaly::shell::CAppCommandLineInfo::Parse({}))) return false;
  tessaly::TheLinkSetup().currentSpeed = 115200;

  int paints = 0;
  Clock::time_point start, end;
  bool listing = false;
  wxTimer repaint;
  repaint.Bind(wxEVT_TIMER, [&](wxTimerEvent&) {
    if (auto* view = CameraView()) {
      if (!listing && view->Busy()) {
        listing = true;
        start = Clock::now();
        view->Grid()->Bind(wxEVT_PAINT, [&](wxPaintEvent& event) { ++paints, event.Skip(); });
      }
      if (!std::getenv("NO_REFRESH")) view->Grid()->Refresh();
    }
  });
  repaint.Start(10);
  wxCommandEvent open(wxEVT_MENU, XRCID("ID_OPEN_CAMERA_ALBUM"));
  tessaly::shell::TheApp()->MainFrame()->GetEventHandler()->ProcessEvent(open);
  // The listing starts once the window is up and runs inside the events handled here.
  const auto deadline = Clock::now() + std::chrono::seconds(120);
  while (Clock::now() < deadline) {
    wxTheApp->ProcessPendingEvents();
    wxYield();
    auto* view = CameraView();
    if (listing && view && !view->Busy()) break;
    wxMilliSleep(1);
  }
  end = Clock::now();
  repaint.Stop();
  auto* view = CameraView();
  const bool complete = view && view->Items().size() == static_cast<std::size_t>(kPictures);
  tessaly::shell::TheApp()->CloseEverything();
  seconds = std::chrono::duration<double>(end - start).count();
  paintsPerSecond = paints / seconds;
  return complete;
}

// Seconds `tessaly-cli camera thumbnails` takes for the same card.
bool TimeCli(double& seconds) {
  tessaly::test::EmulatorProcess emulator(EmulatorArgs());
  if (!emulator.Running()) return false;
  tessaly::test::TempFolder out;
  const std::string command = std::string(TESSALY_CLI_PATH) + " camera --device " + emulator.DevicePath() +
                              " --speed 115200 --quiet thumbnails " + out.Path().string();
  const auto start = Clock::now();
  const int status = std::system(command.c_str());
  seconds = std::chrono::duration<double>(Clock::now() - start).count();
  return status == 0;
}

}  // namespace

int main(int argc, char** argv) {
  wxApp::SetInstance(new BenchApp);
  if (!wxEntryStart(argc, argv)) {
    std::fprintf(stderr, "no X display: run under xvfb-run\n");
    return 2;
  }
  wxTheApp->CallOnInit();
  int rc = 0;
  {
    tessaly::test::TempFolder home;
    setenv("TESSALY_INI", (home.Path() / "Tessaly.ini").c_str(), 1);
    tessaly::test::RecordedPrompt prompt;
    double window = 0, paints = 0, cli = 0;
    if (!TimeWindow(window, paints) || !TimeCli(cli)) {
      std::fprintf(stderr, "camera_window_bench: a listing failed\n");
      rc = 1;
    } else {
      std::printf("thumbnails=%d window_s=%.3f cli_s=%.3f ratio=%.3f repaints_per_s=%.1f\n", kPictures, window, cli,
                  window / cli, paints);
    }
  }
  wxTheApp->OnExit();
  wxEntryCleanup();
  return rc;
}
