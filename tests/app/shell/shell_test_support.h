// Helpers for window tests: pumping events until something happens.
#pragma once

#include <wx/app.h>
#include <wx/dialog.h>
#include <wx/evtloop.h>
#include <wx/stopwatch.h>
#include <wx/timer.h>
#include <wx/utils.h>

#include <functional>
#include <memory>

namespace tessaly::test {

// Serves events as the main loop would, one at a time, until done() holds (checked
// after each event) or timeoutMs has passed. Never "until none is waiting": a timer of
// 0 ms, or a paint that takes longer than a frame, is always due again, and such a loop
// would not end. After at most kEventsPerRound events, or when none waits, the queued
// events (CallAfter) and the idle handlers have their turn.
inline bool PumpUntil(const std::function<bool()>& done, int timeoutMs = 3000) {
  constexpr int kEventsPerRound = 50;
  wxEventLoopBase* loop = wxEventLoopBase::GetActive();
  std::unique_ptr<wxGUIEventLoop> ownLoop;
  std::unique_ptr<wxEventLoopActivator> activator;
  if (loop == nullptr) {
    ownLoop = std::make_unique<wxGUIEventLoop>();
    activator = std::make_unique<wxEventLoopActivator>(ownLoop.get());
    loop = ownLoop.get();
  }
  wxStopWatch watch;
  for (;;) {
    for (int handled = 0; handled < kEventsPerRound && loop->Pending(); ++handled) {
      loop->Dispatch();
      if (done()) return true;
    }
    wxTheApp->ProcessPendingEvents();
    wxTheApp->ProcessIdle();  // idle handlers once, windows to delete
    if (done()) return true;
    if (watch.Time() > timeoutMs) return false;
    if (!loop->Pending()) wxMilliSleep(2);
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
