// The application object: start-up, settings, the main frame.
#pragma once

#include <wx/app.h>
#include <wx/docview.h>

#include <string>
#include <vector>

namespace tessaly::shell {

class CMainFrame;

// What the command line asked for.
struct CommandLine {
  std::string language;             // "--lang ja|en"; empty: the user's locale
  std::vector<std::string> files;   // files and folders to open, in order
  std::string error;                // set when the command line could not be read
};

CommandLine ParseCommandLine(const std::vector<std::string>& args);

class CCameraApp : public wxApp {
 public:
  bool OnInit() override;
  int OnExit() override;

 private:
  wxDocManager* m_docManager = nullptr;
  CMainFrame* m_frame = nullptr;
};

}  // namespace tessaly::shell

