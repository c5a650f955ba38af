// The end of the program from outside: SIGTERM (what a session sends its programs at
// logout), SIGHUP (the terminal went away), SIGINT, and the toolkit's end of session.
// The program then ends as Exit ends it, without asking anything: every changed picture
// is kept as a recovery copy (never written over the user's file), the main window
// writes its settings, the windows close. The next start offers the copies again.
#pragma once

#include <functional>
#include <vector>

#include "shell/recovery.h"

class wxDocManager;

namespace tessaly::shell {

// Catches the signals above and turns them into EndWithoutQuestions on the main
// thread. Call once the application object exists.
void InstallEndSignals();

// Keeps every changed picture of the documents as a recovery copy and marks the
// document unchanged, so that closing it asks nothing. Returns how many were kept.
int KeepChangedPictures(wxDocManager* manager);

// Ends the program as Exit does, without questions (see above). A second call while
// the first is under way does nothing.
void EndWithoutQuestions();

// After start-up: when recovery copies wait, asks whether to open them (Open) or throw
// them away (Discard). Opened pictures come back as changed documents of their old
// file; each copy is removed once its picture is open again.
void OfferRecoveredPictures();

// For tests: answers the offer instead of the dialog (true: Open). Null restores it.
void SetRecoveryAnswerForTests(std::function<bool(const std::vector<RecoveryCopy>&)> answer);

}  // namespace tessaly::shell
