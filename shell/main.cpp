// Tessaly: the desktop program.
#include "shell/app.h"
#include "shell/single_instance.h"

wxIMPLEMENT_APP_NO_MAIN(tessaly::shell::CCameraApp);

// Before the toolkit (and the probe of the serial ports) starts: a program already
// running for this user and display takes the files, and this start ends.
int main(int argc, char** argv) {
  tessaly::shell::StartDecision decision = tessaly::shell::DecideProgramStart(argc, argv);
  if (decision.outcome == tessaly::shell::StartOutcome::kHandedOver) return 0;
  tessaly::shell::KeepProgramStart(std::move(decision));
  int status = wxEntry(argc, argv);
  tessaly::shell::EndProgramStart();
  return status;
}
