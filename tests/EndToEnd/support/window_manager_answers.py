#!/usr/bin/env python3
"""Exits 0 once the window manager on $DISPLAY answers from its event loop, which
it enters only when its start-up is over: asked for the frame extents of a
window of ours, it sets _NET_FRAME_EXTENTS on it. The request goes again every
second, in case none was listening yet. Exits 1 when no answer comes within the
given seconds (default 20), 2 when the display cannot be opened."""
import ctypes
import sys
import time


class ClientMessage(ctypes.Structure):
    _fields_ = [('type', ctypes.c_int), ('serial', ctypes.c_ulong), ('send_event', ctypes.c_int),
                ('display', ctypes.c_void_p), ('window', ctypes.c_ulong), ('message_type', ctypes.c_ulong),
                ('format', ctypes.c_int), ('data', ctypes.c_long * 5)]


class Event(ctypes.Union):
    _fields_ = [('xclient', ClientMessage), ('pad', ctypes.c_long * 24)]


xlib = ctypes.CDLL('libX11.so.6')
xlib.XOpenDisplay.argtypes = [ctypes.c_char_p]
xlib.XOpenDisplay.restype = ctypes.c_void_p
xlib.XInternAtom.argtypes = [ctypes.c_void_p, ctypes.c_char_p, ctypes.c_int]
xlib.XInternAtom.restype = ctypes.c_ulong
xlib.XDefaultRootWindow.argtypes = [ctypes.c_void_p]
xlib.XDefaultRootWindow.restype = ctypes.c_ulong
xlib.XCreateSimpleWindow.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_int, ctypes.c_int, ctypes.c_uint,
                                     ctypes.c_uint, ctypes.c_uint, ctypes.c_ulong, ctypes.c_ulong]
xlib.XCreateSimpleWindow.restype = ctypes.c_ulong
xlib.XSendEvent.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_int, ctypes.c_long, ctypes.POINTER(Event)]
xlib.XGetWindowProperty.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_ulong, ctypes.c_long, ctypes.c_long,
                                    ctypes.c_int, ctypes.c_ulong, ctypes.POINTER(ctypes.c_ulong),
                                    ctypes.POINTER(ctypes.c_int), ctypes.POINTER(ctypes.c_ulong),
                                    ctypes.POINTER(ctypes.c_ulong), ctypes.POINTER(ctypes.c_void_p)]
xlib.XFree.argtypes = [ctypes.c_void_p]
xlib.XFlush.argtypes = [ctypes.c_void_p]
xlib.XCloseDisplay.argtypes = [ctypes.c_void_p]

seconds = float(sys.argv[1]) if len(sys.argv) > 1 else 20
display = xlib.XOpenDisplay(None)
if not display:
    sys.exit(2)
root = xlib.XDefaultRootWindow(display)
extents = xlib.XInternAtom(display, b'_NET_FRAME_EXTENTS', False)
window = xlib.XCreateSimpleWindow(display, root, 0, 0, 1, 1, 0, 0, 0)
event = Event()
event.xclient.type = 33  # ClientMessage
event.xclient.send_event = 1
event.xclient.window = window
event.xclient.message_type = xlib.XInternAtom(display, b'_NET_REQUEST_FRAME_EXTENTS', False)
event.xclient.format = 32
substructure = (1 << 19) | (1 << 20)  # SubstructureNotify, SubstructureRedirect


def ask():
    xlib.XSendEvent(display, root, False, substructure, ctypes.byref(event))
    xlib.XFlush(display)


def answered():
    kind, format_, items, after = ctypes.c_ulong(), ctypes.c_int(), ctypes.c_ulong(), ctypes.c_ulong()
    data = ctypes.c_void_p()
    xlib.XGetWindowProperty(display, window, extents, 0, 4, False, 0, ctypes.byref(kind), ctypes.byref(format_),
                            ctypes.byref(items), ctypes.byref(after), ctypes.byref(data))
    if data.value:
        xlib.XFree(data)
    return items.value == 4


start = time.monotonic()
asked = start - 1
while not answered():
    now = time.monotonic()
    if now > start + seconds:
        sys.exit(1)
    if now - asked >= 1:
        ask()
        asked = now
    time.sleep(0.05)
xlib.XCloseDisplay(display)
