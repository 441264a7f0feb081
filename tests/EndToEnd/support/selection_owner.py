#!/usr/bin/env python3
"""Exits 0 when some client owns the named selection on $DISPLAY (WM_S0 for a
window manager, _NET_WM_CM_S0 for a compositor), 1 when none does, 2 when the
display cannot be opened. With --print it also prints the owner's window id,
0x0 for none."""
import ctypes
import sys

xlib = ctypes.CDLL("libX11.so.6")
xlib.XOpenDisplay.argtypes = [ctypes.c_char_p]
xlib.XOpenDisplay.restype = ctypes.c_void_p
xlib.XInternAtom.argtypes = [ctypes.c_void_p, ctypes.c_char_p, ctypes.c_int]
xlib.XInternAtom.restype = ctypes.c_ulong
xlib.XGetSelectionOwner.argtypes = [ctypes.c_void_p, ctypes.c_ulong]
xlib.XGetSelectionOwner.restype = ctypes.c_ulong
xlib.XCloseDisplay.argtypes = [ctypes.c_void_p]

display = xlib.XOpenDisplay(None)
if not display:
    sys.exit(2)
owner = xlib.XGetSelectionOwner(display, xlib.XInternAtom(display, sys.argv[1].encode(), False))
xlib.XCloseDisplay(display)
if "--print" in sys.argv[2:]:
    print(hex(owner))
sys.exit(0 if owner else 1)
