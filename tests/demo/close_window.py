#!/usr/bin/env python3
"""Asks an X11 window to close, as a window manager's close button does.

Usage: close_window.py WINDOW_ID

The virtual display of the tests has no window manager, and xdotool can only destroy a window or
kill its client. This sends the window the WM_DELETE_WINDOW message instead, so that the program
goes through its own close handling. Only the C library libX11 is needed (through ctypes).
"""

import ctypes
import ctypes.util
import sys

CLIENT_MESSAGE = 33
NO_EVENT_MASK = 0


class ClientMessageEvent(ctypes.Structure):
    _fields_ = [
        ("type", ctypes.c_int),
        ("serial", ctypes.c_ulong),
        ("send_event", ctypes.c_int),
        ("display", ctypes.c_void_p),
        ("window", ctypes.c_ulong),
        ("message_type", ctypes.c_ulong),
        ("format", ctypes.c_int),
        ("data", ctypes.c_long * 5),
    ]


class XEvent(ctypes.Union):
    # Xlib's XEvent is 24 longs whatever the member.
    _fields_ = [("xclient", ClientMessageEvent), ("pad", ctypes.c_long * 24)]


def load_xlib():
    path = ctypes.util.find_library("X11")
    if path is None:
        sys.exit("close_window: libX11 was not found")
    xlib = ctypes.CDLL(path)
    xlib.XOpenDisplay.restype = ctypes.c_void_p
    xlib.XOpenDisplay.argtypes = [ctypes.c_char_p]
    xlib.XInternAtom.restype = ctypes.c_ulong
    xlib.XInternAtom.argtypes = [ctypes.c_void_p, ctypes.c_char_p, ctypes.c_int]
    xlib.XSendEvent.argtypes = [
        ctypes.c_void_p, ctypes.c_ulong, ctypes.c_int, ctypes.c_long, ctypes.POINTER(XEvent)]
    xlib.XFlush.argtypes = [ctypes.c_void_p]
    xlib.XCloseDisplay.argtypes = [ctypes.c_void_p]
    return xlib


def main():
    if len(sys.argv) != 2 or not sys.argv[1].isdigit():
        sys.exit("usage: close_window.py WINDOW_ID")
    window = int(sys.argv[1])
    xlib = load_xlib()
    display = xlib.XOpenDisplay(None)
    if not display:
        sys.exit("close_window: cannot open the display")
    event = XEvent()
    event.xclient.type = CLIENT_MESSAGE
    event.xclient.window = window
    event.xclient.message_type = xlib.XInternAtom(display, b"WM_PROTOCOLS", 0)
    event.xclient.format = 32
    event.xclient.data[0] = xlib.XInternAtom(display, b"WM_DELETE_WINDOW", 0)
    # With no event mask the message goes to the client that created the window.
    sent = xlib.XSendEvent(display, window, 0, NO_EVENT_MASK, ctypes.byref(event))
    xlib.XFlush(display)
    xlib.XCloseDisplay(display)
    if not sent:
        sys.exit("close_window: the close message could not be sent")


if __name__ == "__main__":
    main()
