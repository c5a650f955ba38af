#include "picture/progress.h"

#include <atomic>
#include <thread>

namespace tessaly {
namespace {

std::unique_ptr<ProgressDisplay>& Installed() {
  static std::unique_ptr<ProgressDisplay> display;
  return display;
}

std::atomic<std::thread::id>& Owner() {
  static std::atomic<std::thread::id> owner;
  return owner;
}

// The display, for the thread that installed it; none for the others.
ProgressDisplay* Display() { return std::this_thread::get_id() == Owner() ? Installed().get() : nullptr; }

}  // namespace

std::unique_ptr<ProgressDisplay> SetProgressDisplay(std::unique_ptr<ProgressDisplay> display) {
  Owner() = std::this_thread::get_id();
  std::swap(Installed(), display);
  return display;
}

void StatusProgress::Begin(MessageId message) {
  End();
  m_shown = true;
  if (ProgressDisplay* display = Display()) display->Begin(message);
}

void StatusProgress::SetRange(int maximum) {
  if (ProgressDisplay* display = Display(); display && m_shown) display->SetRange(maximum);
}

void StatusProgress::SetStep(int step) {
  if (ProgressDisplay* display = Display(); display && m_shown) display->SetStep(step);
}

void StatusProgress::StepIt() {
  if (ProgressDisplay* display = Display(); display && m_shown) display->StepIt();
}

void StatusProgress::End() {
  if (!m_shown) return;
  m_shown = false;
  if (ProgressDisplay* display = Display()) display->End();
}

}  // namespace tessaly
