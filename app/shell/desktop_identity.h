// How the desktop ties the program's windows to its menu entry.
#pragma once

namespace tessaly::shell {

// The menu entry's id (the desktop file's name without ".desktop").
inline constexpr char kAppId[] = TESSALY_APP_ID;

// Docks, task switchers and the launcher find a window's menu entry by the window's
// class (X11) or its app id (Wayland); GTK takes both from the program's name, which
// would be the executable's. Called before the toolkit starts, this makes the name (the
// window's instance and its Wayland app id) the menu entry's id; wx still names the X11
// class after the application ("Tessaly"), and docks match the instance too.
void NameProgramAfterMenuEntry();

}  // namespace tessaly::shell
