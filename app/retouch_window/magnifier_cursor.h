// The magnifier cursor of the retouch window's Shift zoom mode.
#pragma once

#include <wx/cursor.h>

namespace tessaly::retouch {

const wxCursor& MagnifierCursor();

}  // namespace tessaly::retouch
