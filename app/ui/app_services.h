// What the windows ask of the application: its main window, a new retouch window for a
// picture decoded elsewhere, the documents it has open and its printer settings.
//
// The application object installs its services once at start; the windows reach the
// application only through them, never through the application's own classes.
#pragma once

#include <string>

#include "picture/picture.h"

class wxDocument;
class wxMDIParentFrame;
class wxPrintData;
class wxString;

namespace tessaly::ui {

// A picture handed from one window to a new retouch window: the picture moves, and the
// new document is titled name (no file is behind it).
struct HandedPicture {
  Picture picture;
  std::string comment;
  std::string name;
};

class AppServices {
 public:
  virtual ~AppServices() = default;

  // The main window while it exists: the parent of every child window, with the one
  // status bar there is. Null before it is made and after it has gone.
  virtual wxMDIParentFrame* MainWindow() const = 0;
  // A new retouch window that takes the picture over; null when none could be opened
  // (the application is out of memory, or the document refused).
  virtual wxDocument* OpenPicture(HandedPicture picture) = 0;
  // The document open at this path, or null.
  virtual wxDocument* FindOpenDocument(const wxString& path) const = 0;
  // The printer settings shared by every window's printing.
  virtual wxPrintData& PrintData() = 0;
};

// Installs the services the windows use (not owned); null takes them away again.
void InstallAppServices(AppServices* services);
// The installed services, or null.
AppServices* InstalledAppServices();

// The status bar's message pane, where menu help and command results go.
inline constexpr int kStatusPaneMessage = 0;

// The main window, or null (also when no services are installed).
wxMDIParentFrame* MainWindow();
// Shows text in the main window's message pane, when there is a main window with a
// status bar.
void ShowStatusMessage(const wxString& text);
// Lays the main window out now, as the toolkit would at its next frame. wx draws the
// status bar at once when its text changes, and with it the rest of the window, which
// must not meet a child window that was just added and has no size yet: a window that
// sets the status bar's texts as it comes to the front lays the main window out first.
void LayOutMainWindowNow();

}  // namespace tessaly::ui
