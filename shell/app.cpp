#include "shell/app.h"

#include <wx/msgdlg.h>

#include <iostream>

#include "shell/main_frame.h"
#include "shell/resources.h"
#include "shell/translations.h"
#include "shell/wx_prompt.h"

namespace tessaly::shell {

CommandLine ParseCommandLine(const std::vector<std::string>& args) {
  CommandLine line;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    if (arg == "--lang") {
      if (i + 1 == args.size()) {
        line.error = "--lang needs a language: ja or en";
        break;
      }
      line.language = args[++i];
    } else if (arg.rfind("--lang=", 0) == 0) {
      line.language = arg.substr(7);
    } else {
      line.files.push_back(arg);
    }
  }
  if (line.error.empty() && !line.language.empty() && line.language != "ja" && line.language != "en")
    line.error = "unknown language \"" + line.language + "\": use ja or en";
  return line;
}

bool CCameraApp::OnInit() {
  SetAppName("Tessaly");
  SetAppDisplayName("Tessaly");
  CommandLine line = ParseCommandLine(std::vector<std::string>(argv.GetArguments().begin() + 1,
                                                               argv.GetArguments().end()));
  if (!line.error.empty()) {
    std::cerr << "tessaly: " << line.error << '\n';
    return false;
  }
  InstallTranslations(line.language);
  InitResources();
  SetPrompt(std::make_unique<WxPrompt>());

  m_docManager = new wxDocManager;
  m_docManager->SetMaxDocsOpen(1000);
  m_frame = new CMainFrame(m_docManager);
  SetTopWindow(m_frame);
  m_frame->Show(true);
  return true;
}

int CCameraApp::OnExit() {
  DeletePendingObjects();  // the child frames go before the document manager
  delete m_docManager;
  m_docManager = nullptr;
  return wxApp::OnExit();
}

}  // namespace tessaly::shell

