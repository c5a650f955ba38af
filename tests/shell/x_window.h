// The X server's side of a wx window, for tests that read or send what a window manager
// reads or sends.
#pragma once

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <wx/utils.h>
#include <wx/window.h>

#include <vector>

// From the toolkit under wx: the X window of a widget.
extern "C" {
struct _GdkWindow;
_GdkWindow* gtk_widget_get_window(GtkWidget* widget);
unsigned long gdk_x11_window_get_xid(_GdkWindow* window);
}

namespace tessaly::test {

inline Display* XDisplay() { return static_cast<Display*>(wxGetX11Display()); }

inline Window XWindowOf(wxWindow* window) {
  _GdkWindow* gdk = gtk_widget_get_window(window->GetHandle());
  return gdk != nullptr ? gdk_x11_window_get_xid(gdk) : 0;
}

inline std::vector<long> CardinalProperty(Window window, const char* name) {
  Atom type = 0;
  int format = 0;
  unsigned long count = 0, after = 0;
  unsigned char* data = nullptr;
  std::vector<long> values;
  if (XGetWindowProperty(XDisplay(), window, XInternAtom(XDisplay(), name, False), 0, 1024, False, AnyPropertyType,
                         &type, &format, &count, &after, &data) == Success &&
      data != nullptr) {
    if (format == 32)
      for (unsigned long i = 0; i < count; ++i) values.push_back(reinterpret_cast<long*>(data)[i]);
    XFree(data);
  }
  return values;
}

// What a window manager sends when the user presses a window's close button.
inline void SendCloseButton(wxWindow* window) {
  Display* display = XDisplay();
  XEvent event{};
  event.xclient.type = ClientMessage;
  event.xclient.window = XWindowOf(window);
  event.xclient.message_type = XInternAtom(display, "WM_PROTOCOLS", False);
  event.xclient.format = 32;
  event.xclient.data.l[0] = static_cast<long>(XInternAtom(display, "WM_DELETE_WINDOW", False));
  event.xclient.data.l[1] = CurrentTime;
  XSendEvent(display, event.xclient.window, False, NoEventMask, &event);
  XFlush(display);
}

}  // namespace tessaly::test
