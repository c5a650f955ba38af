// What the slide show does with each key, mouse button and timer tick: the moves
// through the album's pictures, pause and resume, repeat at the ends. The window loads
// and draws; this class decides.
#pragma once

#include <cstddef>

namespace tessaly {

struct SlideShowSettings {
  bool fullScreen = true;  // "Full Screen": stretched to the screen; else "Actual Size" on black
  bool automatic = false;  // "Automatic": the timer moves on; else "Any Key"
  bool repeat = true;      // the first picture follows the last
  int intervalSeconds = 10;
};

// The range of the dialog's interval, in seconds.
inline constexpr int kSlideIntervalMin = 0;
inline constexpr int kSlideIntervalMax = 100;

enum class SlideInput {
  kEnter,
  kRight,
  kLeft,
  kUp,
  kDown,
  kEscape,
  kSpace,
  kOtherKey,
  kLeftButton,
  kRightButton,
  kTimer
};

struct SlideStep {
  enum class Outcome {
    kNothing,  // the input is ignored
    kRedraw,   // draw the current picture again
    kLoad,     // load the current picture (a failure ends the show), draw it, start the timer
    kEnd,      // close the show
  };
  Outcome outcome = Outcome::kNothing;
  bool stopTimer = false;
  bool pause = false;   // capture the mouse, show the wait cursor, stop the timer
  bool resume = false;  // release the mouse, restore the cursor, start the timer again
};

class SlideShowState {
 public:
  SlideShowState(std::size_t count, const SlideShowSettings& settings) : m_count(count), m_settings(settings) {}

  const SlideShowSettings& Settings() const { return m_settings; }
  std::size_t Count() const { return m_count; }
  // The picture shown, or npos after running off the end.
  std::size_t Current() const { return m_current; }
  static constexpr std::size_t npos = static_cast<std::size_t>(-1);

  bool Paused() const { return m_paused; }
  // Input is ignored from the start until the first picture is drawn, and while one is
  // drawn.
  bool Busy() const { return m_busy; }
  void SetBusy(bool busy) { m_busy = busy; }
  // The timer should run after a picture was shown.
  bool WantsTimer() const { return m_settings.automatic && !m_paused; }

  SlideStep Handle(SlideInput input);

  // The moves; each tells what the window has to do.
  SlideStep Next();
  SlideStep Previous();
  SlideStep First();
  SlideStep Last();

 private:
  std::size_t m_count;
  SlideShowSettings m_settings;
  std::size_t m_current = 0;
  bool m_paused = false;
  bool m_busy = true;
};

}  // namespace tessaly
