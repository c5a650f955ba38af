// The progress meter in the main window's status bar, as the core sees it.
//
// Long steps (JPEG coding, colour reduction, ...) show a message and a bar that advances
// once per unit of work. The core talks to a ProgressDisplay that the program installs
// (the status bar); without one, nothing is shown. Tests install a recording display.
#pragma once

#include <memory>

#include "base/messages.h"

namespace tessaly {

class ProgressDisplay {
 public:
  virtual ~ProgressDisplay() = default;
  virtual void Begin(MessageId message) = 0;
  virtual void SetRange(int maximum) = 0;  // the bar runs from 0 to maximum
  virtual void SetStep(int step) = 0;
  virtual void StepIt() = 0;
  virtual void End() = 0;
};

// Installs the display used by every StatusProgress on the calling thread; returns the
// previous one. On other threads (a job beside the windows) nothing is shown.
std::unique_ptr<ProgressDisplay> SetProgressDisplay(std::unique_ptr<ProgressDisplay> display);

// One showing of the meter: Begin with a message, then range, step and steps; End (or
// the destructor) takes it away again.
class StatusProgress {
 public:
  StatusProgress() = default;
  ~StatusProgress() { End(); }
  StatusProgress(const StatusProgress&) = delete;
  StatusProgress& operator=(const StatusProgress&) = delete;

  void Begin(MessageId message);
  void SetRange(int maximum);
  void SetStep(int step);
  void StepIt();
  void End();
  bool Shown() const { return m_shown; }

 private:
  bool m_shown = false;
};

}  // namespace tessaly
