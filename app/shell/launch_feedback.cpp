#include "shell/launch_feedback.h"

#include <dlfcn.h>
#include <wx/toplevel.h>

namespace tessaly::shell {
namespace {

// Looked up at run time, as the program's name is: the toolkit's libraries are loaded
// with the program, and their headers are not needed for these few calls. A toolkit
// built without Wayland lacks the Wayland calls and is on X11.
template <typename Function>
Function Lookup(const char* name) {
  return reinterpret_cast<Function>(::dlsym(RTLD_DEFAULT, name));
}

void* DefaultDisplay() {
  auto getDefault = Lookup<void* (*)()>("gdk_display_get_default");
  return getDefault != nullptr ? getDefault() : nullptr;
}

}  // namespace

bool ToolkitOnWayland() {
  auto waylandType = Lookup<unsigned long (*)()>("gdk_wayland_display_get_type");
  auto isA = Lookup<int (*)(void*, unsigned long)>("g_type_check_instance_is_a");
  void* display = DefaultDisplay();
  return waylandType != nullptr && isA != nullptr && display != nullptr && isA(display, waylandType()) != 0;
}

void TakeLaunchId(wxTopLevelWindow* window, const std::string& id) {
  if (window == nullptr || id.empty()) return;
  if (ToolkitOnWayland()) {
    // The display keeps the token until a window is brought forward with it.
    if (auto setId = Lookup<void (*)(void*, const char*)>("gdk_wayland_display_set_startup_notification_id"))
      setId(DefaultDisplay(), id.c_str());
    return;
  }
  // Sets the window's _NET_STARTUP_ID and its user time from the id's "_TIME" part, and
  // when the window is on the screen sends the launcher the end of the start ("remove");
  // a hidden window sends it when it is shown.
  if (auto setId = Lookup<void (*)(void*, const char*)>("gtk_window_set_startup_id"))
    setId(window->GetHandle(), id.c_str());
}

}  // namespace tessaly::shell
