// The slide show: the "Slide Show" dialog that asks for its settings, and CSlide, the
// window over the whole screen that shows an album's pictures one after another.
#pragma once

#include <wx/dialog.h>
#include <wx/frame.h>
#include <wx/timer.h>

#include <filesystem>
#include <functional>
#include <memory>
#include <vector>

#include "picture/renderer.h"
#include "picture/slide_show.h"

class wxRadioButton;
class wxSpinButton;
class wxSpinEvent;
class wxTextCtrl;

namespace tessaly::windows {

class CSlideShowDlg : public wxDialog {
 public:
  CSlideShowDlg(wxWindow* parent, const SlideShowSettings& settings);
  // The settings as the controls show them; the interval is checked by Validate().
  SlideShowSettings Settings() const;
  // False (after the range message) when the interval is not a whole number 0 to 100.
  bool Validate() override;
  // Shows the dialog; true for OK with settings filled in.
  static bool Run(wxWindow* parent, SlideShowSettings& settings);

  wxTextCtrl* IntervalEdit() const { return m_interval; }

 private:
  void OnTrigger(wxCommandEvent& event);
  void OnSpinUp(wxSpinEvent& event);
  void OnSpinDown(wxSpinEvent& event);
  void StepInterval(int delta);

  wxRadioButton* m_fullScreen = nullptr;
  wxRadioButton* m_anyKey = nullptr;
  wxRadioButton* m_repeatYes = nullptr;
  wxTextCtrl* m_interval = nullptr;
  wxSpinButton* m_spin = nullptr;
};

class CSlideCanvas;

// A top-most frame without caption over the whole desktop. It holds the paths, loads
// one picture at a time and draws it through a renderer, stretched to the screen or at
// its own size centred on black.
class CSlide : public wxFrame {
 public:
  // Starts a show; null when the first picture cannot be loaded (the loader has said
  // why). onEnd runs when the show's window goes.
  static CSlide* Start(std::vector<std::filesystem::path> paths, const SlideShowSettings& settings,
                       std::function<void()> onEnd);
  ~CSlide() override;

  // Ends the show: the picture, renderer and paths are released and the window goes.
  void End();
  // The same as a key release, button release or timer tick; for the window's handlers
  // and for tests.
  void Input(SlideInput input);

  const SlideShowState& State() const { return m_state; }
  std::size_t CurrentIndex() const { return m_state.Current(); }
  const std::filesystem::path& CurrentPath() const { return m_paths[m_state.Current()]; }
  bool TimerRunning() const { return m_timer.IsRunning(); }
  const Picture& CurrentPicture() const { return m_picture; }
  wxWindow* Canvas() const;

  void Draw(wxDC& dc);

 private:
  CSlide(std::vector<std::filesystem::path> paths, const SlideShowSettings& settings, std::function<void()> onEnd);
  bool LoadCurrent();
  bool ShowCurrent();
  void StartTimer();
  void OnTimer(wxTimerEvent& event);

  std::vector<std::filesystem::path> m_paths;
  SlideShowState m_state;
  Picture m_picture;
  RendererSlot m_slot;
  std::unique_ptr<PictureRenderer> m_indexed;
  wxTimer m_timer;
  CSlideCanvas* m_canvas = nullptr;
  std::function<void()> m_onEnd;
  bool m_ending = false;
  bool m_timerAfterDraw = false;  // start the timer once the picture is drawn
};

}  // namespace tessaly::windows
