// Ending the launcher's feedback for a start that handed its files to this program: the
// spinning cursor or the "starting" entry of a dock, which would otherwise run until its
// time-out, and the permission to come to the front that a launcher gives with it.
#pragma once

#include <string>

class wxTopLevelWindow;

namespace tessaly::shell {

// Whether the toolkit draws on a Wayland display (else X11).
bool ToolkitOnWayland();

// Gives the window the launch id of the later start, before the window is shown or
// raised: on X11 the window carries the startup id (which also tells the window manager
// the time of the launching click) and the launcher is told that the start is complete;
// on Wayland the next raise of a window presents the activation token to the compositor.
// Nothing for an empty id.
void TakeLaunchId(wxTopLevelWindow* window, const std::string& id);

}  // namespace tessaly::shell
