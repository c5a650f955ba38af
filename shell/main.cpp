// Tessaly: the desktop program.
#include "shell/app.h"

wxIMPLEMENT_APP(tessaly::shell::CCameraApp);
