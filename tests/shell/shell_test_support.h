// Helpers for window tests: pumping events until something happens.
#pragma once

#include <wx/app.h>
#include <wx/dialog.h>
#include <wx/timer.h>
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

// Shows the dialog modally and runs body inside its modal loop once it is up; ends the
// loop with Cancel should the body leave it running. Returns the dialog's answer.
inline int RunModal(wxDialog& dialog, std::function<void()> body, int timeoutMs = 8000) {
  wxTimer guard;
  guard.Bind(wxEVT_TIMER, [&](wxTimerEvent&) {
    if (dialog.IsModal()) dialog.EndModal(wxID_CANCEL);
  });
  guard.StartOnce(timeoutMs);
  wxTheApp->CallAfter([body] {
    Pump(300);  // a chooser reads its folder after it appears
    body();
  });
  return dialog.ShowModal();
}

// A press of a dialog's button as the toolkit delivers it.
inline void PressButton(wxDialog& dialog, int id) {
  wxCommandEvent press(wxEVT_BUTTON, id);
  press.SetEventObject(&dialog);
  dialog.HandleWindowEvent(press);
  Pump(100);
}

}  // namespace tessaly::test
