// The desktop program's start: from the beginning of main to the main window on the
// screen, with an empty settings file and no serial device, and how much of it the
// start-up probe of the four ports takes. Run under a display:
//   xvfb-run -a build/bench/shell_startup_bench [runs]
// Each run is a fresh process, so that the loading of the program is counted too.
//
// With --open, one run opens files and folders as the command line `tessaly PATH...`
// does and ends as soon as each has its window drawn on the X server (an album with its
// last thumbnail, a picture in its retouch window), printing the milliseconds from the
// start of main:
//   xvfb-run -a build/bench/shell_startup_bench --open ~/Pictures/phone
// The thumbnail cache is $XDG_CACHE_HOME/thumbnails, as in the program.
#include <X11/Xlib.h>
#include <wx/app.h>
#include <wx/docview.h>
#include <wx/statusbr.h>
#include <wx/timer.h>
#include <wx/utils.h>

#include <sys/wait.h>
#include <unistd.h>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "retouch_window/retouch_view.h"
#include "shell/app.h"
#include "shell/main_frame.h"
#include "shell/resources.h"
#include "shell/translations.h"
#include "windows/album_window.h"
#include "workflows/connection.h"

namespace {

using Clock = std::chrono::steady_clock;
Clock::time_point g_start;
double g_probeMs = 0;
std::filesystem::path g_settings;  // the run's own settings folder, removed at its end

double MsSince(Clock::time_point from) {
  return std::chrono::duration<double, std::milli>(Clock::now() - from).count();
}

class BenchApp : public tessaly::shell::CCameraApp {
 public:
  bool OnInit() override {
    // The probe ran in the constructor; it is run once more here to time it alone.
    const Clock::time_point probe = Clock::now();
    tessaly::LinkInit();
    g_probeMs = MsSince(probe);
    SetAppName("Tessaly");
    tessaly::shell::InstallTranslations("en");
    tessaly::shell::InitResources();
    if (!InitInstance(tessaly::shell::CAppCommandLineInfo::Parse({}))) return false;
    // The status bar is painted only once the window is mapped and exposed.
    MainFrame()->GetStatusBar()->Bind(wxEVT_PAINT, [this](wxPaintEvent& event) {
      event.Skip();
      if (m_reported) return;
      m_reported = true;
      std::printf("%.1f %.1f\n", MsSince(g_start), g_probeMs);
      std::fflush(stdout);
      CallAfter([this] { MainFrame()->Close(true); });
    });
    return true;
  }

 private:
  bool m_reported = false;
};

// Opens the paths as the command line does and ends once every one of them is drawn.
class OpenBenchApp : public tessaly::shell::CCameraApp {
 public:
  explicit OpenBenchApp(std::vector<std::string> paths) : m_paths(std::move(paths)) {}

  bool OnInit() override {
    SetAppName("Tessaly");
    tessaly::shell::InstallTranslations("en");
    tessaly::shell::InitResources();
    if (!InitInstance(tessaly::shell::CAppCommandLineInfo::Parse(m_paths))) return false;
    m_poll.Bind(wxEVT_TIMER, [this](wxTimerEvent&) { Poll(); });
    m_poll.Start(2);
    return true;
  }

 private:
  // Every path has its document, each album is built, and then what is due to be painted
  // is painted and the X server has drawn it.
  void Poll() {
    const wxList& documents = wxDocManager::GetDocumentManager()->GetDocuments();
    if (documents.GetCount() < m_paths.size()) return Later();
    std::vector<wxWindow*> canvases;
    for (const wxObject* object : documents) {
      wxView* view = static_cast<const wxDocument*>(object)->GetFirstView();
      if (auto* album = dynamic_cast<tessaly::windows::CAlbumView*>(view)) {
        if (!album->Built()) return Later();
        canvases.push_back(album->Grid());
      } else if (auto* retouch = dynamic_cast<tessaly::retouch::CRetouchView*>(view)) {
        canvases.push_back(retouch->Canvas());
      }
    }
    for (wxWindow* canvas : canvases) canvas->Update();
    XSync(static_cast<Display*>(wxGetX11Display()), False);
    std::printf("%.1f ms to the last window drawn\n", MsSince(g_start));
    std::fflush(stdout);
    std::error_code ignored;
    std::filesystem::remove_all(g_settings, ignored);
    std::_Exit(0);
  }
  void Later() {
    if (MsSince(g_start) > 120000) {
      std::fprintf(stderr, "not everything opened within 2 minutes\n");
      std::_Exit(1);
    }
  }

  std::vector<std::string> m_paths;
  wxTimer m_poll;
};

// An empty settings file and four port slots without devices, in a folder of its own.
std::filesystem::path QuietSettings() {
  const std::filesystem::path folder =
      std::filesystem::temp_directory_path() / ("tessaly-bench-" + std::to_string(getpid()));
  std::filesystem::create_directories(folder);
  setenv("TESSALY_INI", (folder / "Tessaly.ini").c_str(), 1);
  for (int slot = 1; slot <= 4; ++slot)
    setenv(("TESSALY_COM" + std::to_string(slot)).c_str(), (folder / ("no-tty" + std::to_string(slot))).c_str(), 1);
  return folder;
}

// One run in a child process; its two figures come back through a pipe.
bool RunOnce(const char* self, double& total, double& probe) {
  int fds[2];
  if (pipe(fds) != 0) return false;
  pid_t child = fork();
  if (child == 0) {
    dup2(fds[1], 1);
    close(fds[0]);
    execl(self, self, "--child", static_cast<char*>(nullptr));
    _exit(127);
  }
  close(fds[1]);
  char buffer[128] = {};
  ssize_t got = read(fds[0], buffer, sizeof buffer - 1);
  close(fds[0]);
  int status = 0;
  waitpid(child, &status, 0);
  return got > 0 && std::sscanf(buffer, "%lf %lf", &total, &probe) == 2;
}

}  // namespace

int main(int argc, char** argv) {
  g_start = Clock::now();
  if (argc > 1 && std::string(argv[1]) == "--child") {
    wxApp::SetInstance(new BenchApp);
    return wxEntry(argc, argv);
  }
  if (argc > 2 && std::string(argv[1]) == "--open") {
    g_settings = QuietSettings();
    wxApp::SetInstance(new OpenBenchApp(std::vector<std::string>(argv + 2, argv + argc)));
    int one = 1;
    return wxEntry(one, argv);
  }
  const std::filesystem::path folder = QuietSettings();
  const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 5;
  std::vector<double> totals, probes;
  for (int i = 0; i < runs; ++i) {
    double total = 0, probe = 0;
    if (!RunOnce(argv[0], total, probe)) {
      std::fprintf(stderr, "run %d failed (is there a display?)\n", i + 1);
      return 1;
    }
    totals.push_back(total);
    probes.push_back(probe);
    std::printf("run %d: %.1f ms to the main window on screen, of which the port probe %.2f ms\n", i + 1, total, probe);
  }
  std::sort(totals.begin(), totals.end());
  std::sort(probes.begin(), probes.end());
  std::printf("median: %.1f ms (goal: at most 300 ms), probe %.2f ms\n", totals[totals.size() / 2],
              probes[probes.size() / 2]);
  std::filesystem::remove_all(folder);
  return 0;
}
