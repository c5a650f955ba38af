// What the program answers on the terminal without opening a window: its usage for
// --help, its version for --version, and one line for a command line it cannot use.
#pragma once

#include <optional>
#include <ostream>

#include <wx/string.h>

#include "shell/command_line.h"

namespace tessaly::shell {

// The usage text of --help, in the language installed.
wxString UsageText();
// The line for a command line that cannot be used (without the program's name).
wxString ProblemText(const CAppCommandLineInfo& info);

// When the command line asks for the usage or the version, or cannot be used, prints
// the answer (the usage and the version to out, a problem to err) and returns the
// program's exit status: 0, or 2 for a command line it cannot use. Nothing otherwise:
// the program starts. Needs no display.
std::optional<int> AnswerOnTerminal(const CAppCommandLineInfo& info, std::ostream& out, std::ostream& err);

}  // namespace tessaly::shell
