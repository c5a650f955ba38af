// The start-up logo: the program's picture over the main window for five seconds, or
// until it is clicked.
#pragma once

#include <wx/bitmap.h>
#include <wx/frame.h>
#include <wx/timer.h>

namespace tessaly::shell {

class CLogoWindow : public wxFrame {
 public:
  static constexpr int kLifetimeMs = 5000;
  // The margin around the picture.
  static constexpr int kMargin = 10;

  // Shows the logo centred over parent and paints it at once.
  explicit CLogoWindow(wxWindow* parent);
  ~CLogoWindow() override;

  const wxBitmap& Picture() const { return m_bitmap; }
  // Ends the logo: the main window comes to the front again.
  void Finish();

 private:
  void OnPaint(wxPaintEvent& event);
  void OnClick(wxMouseEvent& event);
  void OnTimer(wxTimerEvent& event);
  void OnParentMoved(wxEvent& event);
  void Unfollow();

  wxBitmap m_bitmap;
  wxTimer m_timer;
  bool m_finished = false;
};

}  // namespace tessaly::shell
