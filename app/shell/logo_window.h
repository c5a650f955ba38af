// The start-up logo: the program's picture over the main window for five seconds. It is
// in front of the main window only, never of a dialog, a menu or another program, and it
// goes at the first key, click or menu the person uses, or as soon as a dialog or another
// window of the program opens.
#pragma once

#include <wx/bitmap.h>
#include <wx/eventfilter.h>
#include <wx/frame.h>
#include <wx/modalhook.h>
#include <wx/timer.h>

namespace tessaly::shell {

class CLogoWindow : public wxFrame, private wxEventFilter {
 public:
  static constexpr int kLifetimeMs = 5000;
  // The margin around the picture.
  static constexpr int kMargin = 10;

  // Shows the logo centred over parent, without taking the keyboard, and paints it.
  explicit CLogoWindow(wxWindow* parent);
  ~CLogoWindow() override;

  const wxBitmap& Picture() const { return m_bitmap; }
  // Ends the logo.
  void Finish();

 private:
  // Any modal dialog, the toolkit's message boxes and file choosers included, ends the
  // logo before it is shown.
  class DialogWatch : public wxModalDialogHook {
   public:
    explicit DialogWatch(CLogoWindow& logo) : m_logo(logo) {}
    int Enter(wxDialog*) override;
    void Exit(wxDialog*) override {}

   private:
    CLogoWindow& m_logo;
  };

  int FilterEvent(wxEvent& event) override;
  void OnPaint(wxPaintEvent& event);
  void OnTimer(wxTimerEvent& event);
  void OnParentMoved(wxEvent& event);
  void StopWatching();

  wxBitmap m_bitmap;
  wxTimer m_timer;
  DialogWatch m_dialogWatch{*this};
  bool m_watching = false;
  bool m_finished = false;
};

}  // namespace tessaly::shell
