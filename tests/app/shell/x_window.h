// The X server's side of a wx window, for tests that read or send what a window manager
// reads or sends.
#pragma once

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <wx/utils.h>
#include <wx/window.h>

#include <string>
#include <vector>

// From the toolkit under wx: the X window of a widget, a widget's properties, and what a
// screen reader reads of it.
extern "C" {
struct _GdkWindow;
_GdkWindow* gtk_widget_get_window(GtkWidget* widget);
unsigned long gdk_x11_window_get_xid(_GdkWindow* window);
void g_object_get(void* object, const char* firstProperty, ...);
void g_free(void* memory);
void* gtk_widget_get_accessible(void* widget);
int atk_object_get_role(void* accessible);
const char* atk_object_get_name(void* accessible);
void* gtk_message_dialog_get_image(void* dialog);
void gtk_dialog_response(void* dialog, int response);
}

namespace tessaly::test {

inline Display* XDisplay() { return static_cast<Display*>(wxGetX11Display()); }

inline Window XWindowOf(wxWindow* window) {
  _GdkWindow* gdk = gtk_widget_get_window(window->GetHandle());
  return gdk != nullptr ? gdk_x11_window_get_xid(gdk) : 0;
}

inline Window XWindowOfWidget(void* widget) {
  _GdkWindow* gdk = gtk_widget_get_window(static_cast<GtkWidget*>(widget));
  return gdk != nullptr ? gdk_x11_window_get_xid(gdk) : 0;
}

// A string property of a toolkit object ("text" of a message box, "icon-name" of an image).
inline std::string StringProperty(void* object, const char* name) {
  char* value = nullptr;
  g_object_get(object, name, &value, nullptr);
  std::string text = value != nullptr ? value : "";
  g_free(value);
  return text;
}

// True once the widget's window is on the screen.
inline bool WidgetOnScreen(void* widget) {
  const Window xid = XWindowOfWidget(widget);
  XWindowAttributes attributes{};
  return xid != 0 && XGetWindowAttributes(XDisplay(), xid, &attributes) && attributes.map_state == IsViewable;
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

// The window's outer rectangle, its decorations included, as the X server has it; empty
// while it is not on the screen.
inline wxRect FrameOnScreenOf(Window xid) {
  Display* display = XDisplay();
  XSync(display, False);
  if (xid == 0) return {};
  XWindowAttributes attributes{};
  if (!XGetWindowAttributes(display, xid, &attributes) || attributes.map_state != IsViewable) return {};
  int x = 0, y = 0;
  Window child = 0;
  XTranslateCoordinates(display, xid, DefaultRootWindow(display), 0, 0, &x, &y, &child);
  std::vector<long> extents = CardinalProperty(xid, "_NET_FRAME_EXTENTS");  // left, right, top, bottom
  if (extents.size() != 4) extents.assign(4, 0);
  return wxRect(x - extents[0], y - extents[2], attributes.width + extents[0] + extents[1],
                attributes.height + extents[2] + extents[3]);
}

inline wxRect FrameOnScreen(wxWindow* window) { return FrameOnScreenOf(XWindowOf(window)); }

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
