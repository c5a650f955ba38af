// The application object: start-up, settings, the main frame, how files are opened, and
// the commands that belong to no window.
#pragma once

#include <wx/app.h>
#include <wx/docview.h>
#include <wx/weakref.h>

#include <deque>
#include <memory>
#include <string>

#include "base/instance_protocol.h"
#include "shell/command_line.h"
#include "ui/app_services.h"

class wxPrintData;

namespace tessaly::shell {

class CDocManager;
class CLogoWindow;
class InstanceServer;
class CMainFrame;

class CCameraApp : public wxApp {
 public:
  // Runs the start-up probe of the serial ports, before any setting is read.
  CCameraApp();
  ~CCameraApp() override;

  // Reads the command line, installs the language, the resources and the prompt, then
  // runs InitInstance.
  bool OnInit() override;
  int OnExit() override;

  // The start-up once the language and the resources are in place: the settings, the
  // port and speed, the retouch template, the main frame, the command line's files, and
  // the main window with its logo. False when the program must end.
  bool InitInstance(const CAppCommandLineInfo& info);
  // Closes every document without asking and destroys the main frame and the document
  // manager (the end of the program, and of each window test).
  void CloseEverything();

  // The one way a path is opened (File Open, the recent files, the command line, drops,
  // the album): a folder as an album of every picture type, a picture file in a retouch
  // window, anything else refused with "This is not a valid file type.". Nothing opens
  // while the application is out of memory. A symbolic link opens what it names.
  wxDocument* OpenDocumentFile(const wxString& path);

  // A new retouch document that takes the picture over (the hand-over from the camera
  // window); nothing opens while the application is out of memory.
  wxDocument* OpenPicture(ui::HandedPicture picture);

  // The openings of the album and camera windows.
  wxDocument* OpenAlbumWindow(const wxString& folder, const wxString& pattern);
  wxDocument* OpenCameraWindow();
  bool IsCameraWindowOpen() const;
  // The menu commands "Open Album..." and "Save Camera Images To Disk...".
  void OpenAlbum();
  void SaveCameraImagesToDisk();

  // File Open: the dialog with preview, then OpenDocumentFile.
  void FileOpen();
  // Communications Setup.
  void CommSetup();
  // The printer settings shared by every window's printing.
  wxPrintData& PrintData();

  // The files a later start of the program handed over: queued here and carried out in
  // order as soon as the main loop is free (opened, or printed without this program
  // ending), and the main window comes to the front. Main thread only.
  void TakeHandedOver(InstanceRequest request);
  // Lets the instance server (when this start serves later ones) hand files to this
  // application object; none when server is null.
  void ServeLaterStarts(InstanceServer* server);

  // The start-up logo while it is up, else null.
  CLogoWindow* LogoWindow() const;

  CDocManager* DocManager() const { return m_docManager; }
  CMainFrame* MainFrame() const { return m_frame; }
  wxDocTemplate* RetouchTemplate() const { return m_retouchTemplate; }

 private:
  void BindCommands();
  void ShowLogo();
  enum class AfterCommandLine { kShowMainWindow, kEnd };
  // Opens or prints the command line's files in order.
  AfterCommandLine RunCommandLine(const CAppCommandLineInfo& info);
  void PrintDocumentFile(const wxString& path);
  void RunHandedOver();
  // Shows and raises the main window (with its dialogs), taking the launch id of a
  // later start when there is one.
  void BringToFront(const std::string& launchId = {});

  CDocManager* m_docManager = nullptr;
  CMainFrame* m_frame = nullptr;
  wxDocTemplate* m_retouchTemplate = nullptr;
  wxDocTemplate* m_cameraTemplate = nullptr;
  wxDocTemplate* m_albumTemplate = nullptr;
  wxPrintData* m_printData = nullptr;
  // What the windows ask of this object, installed while it lives.
  std::unique_ptr<ui::AppServices> m_services;
  wxWeakRef<wxWindow> m_logo;
  bool m_commandsBound = false;
  std::deque<InstanceRequest> m_handedOver;
  bool m_runningHandedOver = false;
};

// The running application object, or null when the process runs another wxApp.
CCameraApp* TheApp();

}  // namespace tessaly::shell
