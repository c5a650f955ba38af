// Helpers for window tests: pumping events until something happens.
#pragma once

#include <wx/app.h>
#include <wx/stopwatch.h>
#include <wx/utils.h>

#include <functional>

namespace tessaly::test {

inline bool PumpUntil(const std::function<bool()>& done, int timeoutMs = 3000) {
  wxStopWatch watch;
  for (;;) {
    wxTheApp->ProcessPendingEvents();
    wxYield();
    if (done()) return true;
    if (watch.Time() > timeoutMs) return false;
    wxMilliSleep(5);
  }
}

inline void Pump(int ms = 100) {
  PumpUntil([] { return false; }, ms);
}

}  // namespace tessaly::test
