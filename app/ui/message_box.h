// The toolkit's own message box: a GtkMessageDialog through wxMessageDialog, which the
// desktop draws like every other program's and a screen reader announces as an alert,
// with the theme's icon of its kind (the toolkit no longer shows one by itself).
#pragma once

#include <wx/msgdlg.h>

namespace tessaly::ui {

enum class MessageIcon { kInformation, kQuestion, kWarning };

// Shows the dialog modally with the icon; returns its answer (wxID_YES, wxID_NO,
// wxID_OK, or wxID_CANCEL when it was closed without one).
int ShowMessageBox(wxMessageDialog& dialog, MessageIcon icon);

// True while a message box shown by ShowMessageBox is up.
bool MessageBoxOpen();
// The toolkit's widget (a GtkMessageDialog) of the innermost box that is up, or null.
void* TopMessageBox();

// Ends every message box that is up as its close button would (the caller sees
// wxID_CANCEL): for the end of the session, which must not wait on a question.
void CloseMessageBoxes();

}  // namespace tessaly::ui
