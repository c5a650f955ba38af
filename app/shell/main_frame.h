// The main window: the frame that holds the camera, album and retouch windows, with the
// tool bar and the status bar.
#pragma once

#include <wx/bitmap.h>
#include <wx/docmdi.h>

#include <optional>
#include <vector>

namespace tessaly::shell {

class CMainFrame : public wxDocMDIParentFrame {
 public:
  // The status bar's panes: the message pane, four panes that the windows write into,
  // and the keyboard indicators.
  static constexpr int kStatusPanes = 9;
  enum Pane { kPaneMessage = 0, kPaneKana = 5, kPaneCaps = 6, kPaneNum = 7, kPaneScroll = 8 };

  // Made at the "Last Window" rectangle when it lies wholly on a screen, otherwise at
  // the default place and size.
  explicit CMainFrame(wxDocManager* manager);
  ~CMainFrame() override;

  // The main window while it exists: the parent of every child window.
  static CMainFrame* Get();

  // Shows the window, at the "Last Window" rectangle when it was made there.
  void ShowAtLastPlace();
  // Once the window manager has first placed the window: back to the rectangle it was
  // shown at, when the window manager put it elsewhere.
  void GoBackToLastPlace();
  // Shows the About box (modal).
  void ShowAbout();
  // Brings the window to the front with the dialogs that stand over it still above it:
  // a window manager keeps them there by itself, but without one the window would
  // cover them.
  void RaiseWithDialogs();
  // Closing while a camera or album job runs: the job is cancelled, and the window closes
  // as Exit closes it once the job has stopped.
  void CloseAfterJobs();
  // Whether a job with its "Processing Status" dialog runs.
  static bool JobRunning();

 private:
  void CreateBars();
  void InstallAccelerators();
  void DisableMissingCommands();
  void ShowToolStates();

  void OnClose(wxCloseEvent& event);
  void OnSize(wxSizeEvent& event);
  void OnIdle(wxIdleEvent& event);
  void OnAbout(wxCommandEvent& event);
  void OnExit(wxCommandEvent& event);
  void OnThumbnail(wxCommandEvent& event);
  void OnUpdateThumbnail(wxUpdateUIEvent& event);
  void OnViewToolBar(wxCommandEvent& event);
  void OnUpdateViewToolBar(wxUpdateUIEvent& event);
  void OnViewStatusBar(wxCommandEvent& event);
  void OnUpdateViewStatusBar(wxUpdateUIEvent& event);

  struct ToolLook {
    int id;
    wxBitmap normal;
    wxBitmap fadedBitmap;
    bool faded = false;
  };
  std::vector<ToolLook> m_toolLooks;
  // Where the window goes back to once the window manager has first placed it.
  std::optional<wxRect> m_lastPlace;
  bool m_closeAfterJobs = false;
  unsigned long m_deleteHook = 0;
};

}  // namespace tessaly::shell
