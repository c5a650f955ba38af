// Help > Contents and F1: the README installed with the program, shown in a window of
// its own. The program has no other help.
#pragma once

#include <wx/string.h>

class wxWindow;

namespace tessaly::shell {

// The README of this program: the installed one (share/doc/tessaly/README.md.gz beside
// the program's bin folder), or for a program run from the build tree the source
// tree's README.md. Empty when neither is there.
wxString ReadmePath();

// The text of a README, plain or gzip-compressed (by its ".gz" name); false when it
// cannot be read.
bool ReadReadme(const wxString& path, wxString& text);

// Shows the README in a window over parent (brought forward when it is up already);
// says that there is no help file when it cannot be read.
void ShowReadme(wxWindow* parent);

}  // namespace tessaly::shell
