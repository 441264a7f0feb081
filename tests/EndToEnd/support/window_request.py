#!/usr/bin/env python3
"""Asks the window manager on $DISPLAY, as a taskbar or pager would, to do
something to a window: `close <id>` sends _NET_CLOSE_WINDOW, `maximize <id>`
asks _NET_WM_STATE to add both maximised states. Exits 0 once sent, 2 when the
display cannot be opened."""
import ctypes
import sys


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
xlib.XSendEvent.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_int, ctypes.c_long, ctypes.POINTER(Event)]
xlib.XFlush.argtypes = [ctypes.c_void_p]
xlib.XCloseDisplay.argtypes = [ctypes.c_void_p]

request, window = sys.argv[1], int(sys.argv[2], 0)
display = xlib.XOpenDisplay(None)
if not display:
    sys.exit(2)
atom = lambda name: xlib.XInternAtom(display, name.encode(), False)
event = Event()
event.xclient.type = 33  # ClientMessage
event.xclient.send_event = 1
event.xclient.window = window
event.xclient.format = 32
if request == 'close':
    event.xclient.message_type = atom('_NET_CLOSE_WINDOW')
    event.xclient.data[:] = [0, 2, 0, 0, 0]  # now, from a pager
elif request == 'maximize':
    event.xclient.message_type = atom('_NET_WM_STATE')
    event.xclient.data[:] = [1, atom('_NET_WM_STATE_MAXIMIZED_VERT'), atom('_NET_WM_STATE_MAXIMIZED_HORZ'), 2, 0]
else:
    sys.exit('usage: window_request.py close|maximize <window id>')
substructure = (1 << 19) | (1 << 20)  # SubstructureNotify, SubstructureRedirect
xlib.XSendEvent(display, xlib.XDefaultRootWindow(display), False, substructure, ctypes.byref(event))
xlib.XFlush(display)
xlib.XCloseDisplay(display)
