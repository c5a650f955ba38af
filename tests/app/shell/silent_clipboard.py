#!/usr/bin/env python3
"""Takes the X clipboard and never answers a request for its contents, as a program that
hangs while it owns the clipboard does. Prints "owned" once the clipboard is its own, then
sleeps until it is killed (or for the seconds given)."""
import ctypes
import sys
import time

x11 = ctypes.cdll.LoadLibrary("libX11.so.6")
x11.XOpenDisplay.restype = ctypes.c_void_p
x11.XOpenDisplay.argtypes = [ctypes.c_char_p]
x11.XDefaultRootWindow.restype = ctypes.c_ulong
x11.XDefaultRootWindow.argtypes = [ctypes.c_void_p]
x11.XCreateSimpleWindow.restype = ctypes.c_ulong
x11.XCreateSimpleWindow.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_int, ctypes.c_int, ctypes.c_uint,
                                    ctypes.c_uint, ctypes.c_uint, ctypes.c_ulong, ctypes.c_ulong]
x11.XInternAtom.restype = ctypes.c_ulong
x11.XInternAtom.argtypes = [ctypes.c_void_p, ctypes.c_char_p, ctypes.c_int]
x11.XSetSelectionOwner.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_ulong, ctypes.c_ulong]
x11.XGetSelectionOwner.restype = ctypes.c_ulong
x11.XGetSelectionOwner.argtypes = [ctypes.c_void_p, ctypes.c_ulong]
x11.XSync.argtypes = [ctypes.c_void_p, ctypes.c_int]

display = x11.XOpenDisplay(None)
if not display:
    sys.exit("silent_clipboard: no X display")
window = x11.XCreateSimpleWindow(display, x11.XDefaultRootWindow(display), 0, 0, 1, 1, 0, 0, 0)
clipboard = x11.XInternAtom(display, b"CLIPBOARD", 0)
x11.XSetSelectionOwner(display, clipboard, window, 0)
x11.XSync(display, 0)
if x11.XGetSelectionOwner(display, clipboard) != window:
    sys.exit("silent_clipboard: the clipboard was not taken")
print("owned", flush=True)
time.sleep(float(sys.argv[1]) if len(sys.argv) > 1 else 3600)
