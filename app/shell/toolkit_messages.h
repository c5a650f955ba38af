// The toolkit's own messages on standard error.
#pragma once

namespace tessaly::shell {

// GTK reports the first allocation of the main window's tool bar and of its notebook,
// made while the window appears and before wx has laid them out at their real size, as
// a failed assertion and negative content sizes. Those three messages are dropped; every
// other message of the toolkit is printed as before. Called once, before the toolkit
// starts.
void DropLayoutNoise();

// Whether a message of the toolkit is one of those three.
bool IsLayoutNoise(const char* domain, const char* message);

}  // namespace tessaly::shell
