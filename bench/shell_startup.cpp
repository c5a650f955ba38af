// The desktop program's start: from the beginning of main to the main window on the
// screen, with an empty settings file and no serial device, and how much of it the
// start-up probe of the four ports takes. Run under a display:
//   xvfb-run -a build/bench/shell_startup_bench [runs]
// Each run is a fresh process, so that the loading of the program is counted too.
#include <wx/app.h>
#include <wx/statusbr.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

#include "shell/app.h"
#include "shell/main_frame.h"
#include "shell/resources.h"
#include "shell/translations.h"
#include "workflows/connection.h"

namespace {

using Clock = std::chrono::steady_clock;
Clock::time_point g_start;
double g_probeMs = 0;

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
  // An empty settings file and four port slots without devices.
  const std::filesystem::path folder = std::filesystem::temp_directory_path() / ("tessaly-bench-" + std::to_string(getpid()));
  std::filesystem::create_directories(folder);
  setenv("TESSALY_INI", (folder / "Tessaly.ini").c_str(), 1);
  for (int slot = 1; slot <= 4; ++slot)
    setenv(("TESSALY_COM" + std::to_string(slot)).c_str(), (folder / ("no-tty" + std::to_string(slot))).c_str(), 1);
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
