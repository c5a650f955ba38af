// Tessaly: the desktop program.
#include <iostream>

#include "shell/app.h"
#include "shell/desktop_identity.h"
#include "shell/single_instance.h"
#include "shell/terminal_answer.h"
#include "shell/toolkit_messages.h"

wxIMPLEMENT_APP_NO_MAIN(tessaly::shell::CCameraApp);

// Before the toolkit (and the probe of the serial ports) starts: a program already
// running for this user and display takes the files, and this start ends.
int main(int argc, char** argv) {
  // --help, --version and a command line that cannot be used are answered on the
  // terminal: no display is needed for them, and no running program is disturbed.
  std::vector<std::string> args(argv + (argc > 0 ? 1 : 0), argv + argc);
  if (std::optional<int> status =
          tessaly::shell::AnswerOnTerminal(tessaly::shell::CAppCommandLineInfo::Parse(args), std::cout, std::cerr))
    return *status;
  tessaly::shell::StartDecision decision = tessaly::shell::DecideProgramStart(argc, argv);
  if (decision.outcome == tessaly::shell::StartOutcome::kHandedOver) return 0;
  tessaly::shell::KeepProgramStart(std::move(decision));
  tessaly::shell::NameProgramAfterMenuEntry();
  tessaly::shell::DropLayoutNoise();
  int status = wxEntry(argc, argv);
  tessaly::shell::EndProgramStart();
  return status;
}
