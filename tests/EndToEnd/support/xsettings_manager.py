#!/usr/bin/env python3
"""A tiny XSETTINGS manager for the end-to-end tests, on libX11 through ctypes:
owns _XSETTINGS_S0, announces itself to the root window as a settings manager
does, and publishes Gtk/EnableAnimations. Each line read from stdin ("0" or
"1") publishes a new value; at the end of input it exits, and its window with it.
Prints "ready" once the first value is published."""
import ctypes
import struct
import sys

x11 = ctypes.cdll.LoadLibrary("libX11.so.6")
x11.XOpenDisplay.restype = ctypes.c_void_p
x11.XOpenDisplay.argtypes = [ctypes.c_char_p]
x11.XDefaultRootWindow.restype = ctypes.c_ulong
x11.XDefaultRootWindow.argtypes = [ctypes.c_void_p]
x11.XCreateSimpleWindow.restype = ctypes.c_ulong
x11.XCreateSimpleWindow.argtypes = [ctypes.c_void_p, ctypes.c_ulong] + [ctypes.c_int] * 2 + [ctypes.c_uint] * 3 \
    + [ctypes.c_ulong] * 2
x11.XInternAtom.restype = ctypes.c_ulong
x11.XInternAtom.argtypes = [ctypes.c_void_p, ctypes.c_char_p, ctypes.c_int]
x11.XSetSelectionOwner.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_ulong, ctypes.c_ulong]
x11.XChangeProperty.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_ulong, ctypes.c_ulong, ctypes.c_int,
                                ctypes.c_int, ctypes.c_char_p, ctypes.c_int]
x11.XSendEvent.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_int, ctypes.c_long, ctypes.c_void_p]
x11.XFlush.argtypes = [ctypes.c_void_p]
x11.XSync.argtypes = [ctypes.c_void_p, ctypes.c_int]


class ClientMessage(ctypes.Structure):
    _fields_ = [("type", ctypes.c_int), ("serial", ctypes.c_ulong), ("send_event", ctypes.c_int),
                ("display", ctypes.c_void_p), ("window", ctypes.c_ulong), ("message_type", ctypes.c_ulong),
                ("format", ctypes.c_int), ("data", ctypes.c_long * 5), ("pad", ctypes.c_long * 12)]


def settings(serial, animations):
    """The property's bytes: least significant byte first, one integer setting."""
    name = b"Gtk/EnableAnimations"
    body = struct.pack("<BxH", 0, len(name)) + name + b"\0" * (-len(name) % 4) + struct.pack("<Ii", serial, animations)
    return struct.pack("<B3xII", 0, serial, 1) + body


display = x11.XOpenDisplay(None)
if not display:
    sys.exit("cannot open the display")
root = x11.XDefaultRootWindow(display)
window = x11.XCreateSimpleWindow(display, root, 0, 0, 1, 1, 0, 0, 0)
selection = x11.XInternAtom(display, b"_XSETTINGS_S0", 0)
prop = x11.XInternAtom(display, b"_XSETTINGS_SETTINGS", 0)
manager = x11.XInternAtom(display, b"MANAGER", 0)


def publish(serial, animations):
    data = settings(serial, animations)
    x11.XChangeProperty(display, window, prop, prop, 8, 0, data, len(data))
    x11.XSync(display, 0)


publish(1, int(sys.argv[1]) if len(sys.argv) > 1 else 0)
x11.XSetSelectionOwner(display, selection, window, 0)
announcement = ClientMessage(type=33, window=root, message_type=manager, format=32)
announcement.data[:] = [0, selection, window, 0, 0]
x11.XSendEvent(display, root, 0, 1 << 17, ctypes.byref(announcement))  # StructureNotifyMask
x11.XSync(display, 0)
print("ready", flush=True)

serial = 1
for line in sys.stdin:
    serial += 1
    publish(serial, int(line.strip()))
    print("published", line.strip(), flush=True)
