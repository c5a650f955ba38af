// The start shared by the window benchmarks that run under Google Benchmark: the
// application object on the X display, its windows settled, then the benchmarks.
#pragma once

#include <benchmark/benchmark.h>
#include <wx/app.h>
#include <wx/init.h>
#include <wx/log.h>

#include <cstdio>

namespace tessaly::bench {

inline int RunWindowBenchmarks(int argc, char** argv, wxApp* app) {
  benchmark::Initialize(&argc, argv);
  wxApp::SetInstance(app);
  if (!wxEntryStart(argc, argv)) {
    std::fprintf(stderr, "no X display: run under xvfb-run\n");
    return 2;
  }
  wxTheApp->CallOnInit();
  delete wxLog::SetActiveTarget(new wxLogStderr);
  for (int i = 0; i < 20; ++i) wxYield();
  benchmark::RunSpecifiedBenchmarks();
  return 0;
}

}  // namespace tessaly::bench
