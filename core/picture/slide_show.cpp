#include "picture/slide_show.h"

namespace tessaly {
namespace {

using Outcome = SlideStep::Outcome;

SlideStep Load() { return {Outcome::kLoad}; }

}  // namespace

SlideStep SlideShowState::Next() {
  if (m_count == 0 || m_current == npos) return {Outcome::kEnd};
  if (m_current + 1 < m_count) {
    ++m_current;
  } else if (m_settings.repeat) {
    m_current = 0;
  } else {
    m_current = npos;
    return {Outcome::kEnd};
  }
  return Load();
}

SlideStep SlideShowState::Previous() {
  if (m_count == 0 || m_current == npos) return {Outcome::kEnd};
  if (m_current > 0) {
    --m_current;
    return Load();
  }
  if (m_settings.repeat) {
    m_current = m_count - 1;
    return Load();
  }
  // Without repeat the first picture stays; nothing needs loading again.
  return {Outcome::kRedraw};
}

SlideStep SlideShowState::First() {
  if (m_count == 0) return {Outcome::kEnd};
  m_current = 0;
  return Load();
}

SlideStep SlideShowState::Last() {
  if (m_count == 0) return {Outcome::kEnd};
  m_current = m_count - 1;
  return Load();
}

SlideStep SlideShowState::Handle(SlideInput input) {
  if (m_busy) return {};
  if (input == SlideInput::kEscape) return {Outcome::kEnd};
  if (m_paused) {
    switch (input) {
      case SlideInput::kSpace: {
        m_paused = false;
        SlideStep step{Outcome::kRedraw};
        step.resume = true;
        return step;
      }
      case SlideInput::kLeftButton:
      case SlideInput::kRightButton:
      case SlideInput::kTimer: return {};
      default: return {Outcome::kRedraw};
    }
  }
  switch (input) {
    case SlideInput::kEnter:
    case SlideInput::kRight:
    case SlideInput::kLeftButton: return Next();
    case SlideInput::kLeft:
    case SlideInput::kRightButton: return Previous();
    case SlideInput::kUp: return First();
    case SlideInput::kDown: return Last();
    case SlideInput::kTimer: {
      SlideStep step = Next();
      step.stopTimer = true;
      return step;
    }
    case SlideInput::kSpace: {
      SlideStep step{Outcome::kRedraw};
      if (m_settings.automatic) {
        m_paused = true;
        step.pause = true;
      }
      return step;
    }
    default: return {Outcome::kRedraw};
  }
}

}  // namespace tessaly
