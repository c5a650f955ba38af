#include "picture/progress.h"

namespace tessaly {
namespace {

std::unique_ptr<ProgressDisplay>& Display() {
  static std::unique_ptr<ProgressDisplay> display;
  return display;
}

}  // namespace

std::unique_ptr<ProgressDisplay> SetProgressDisplay(std::unique_ptr<ProgressDisplay> display) {
  std::swap(Display(), display);
  return display;
}

void StatusProgress::Begin(MessageId message) {
  End();
  m_shown = true;
  if (auto& display = Display()) display->Begin(message);
}

void StatusProgress::SetRange(int maximum) {
  if (auto& display = Display(); display && m_shown) display->SetRange(maximum);
}

void StatusProgress::SetStep(int step) {
  if (auto& display = Display(); display && m_shown) display->SetStep(step);
}

void StatusProgress::StepIt() {
  if (auto& display = Display(); display && m_shown) display->StepIt();
}

void StatusProgress::End() {
  if (!m_shown) return;
  m_shown = false;
  if (auto& display = Display()) display->End();
}

}  // namespace tessaly
