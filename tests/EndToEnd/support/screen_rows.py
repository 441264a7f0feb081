#!/usr/bin/env python3
"""Follows screen rows of $DISPLAY until killed, so that a sample is taken every
few hundredths of a second however slowly the caller polls. Appends one line a
sample: the wall-clock time, then the left and right ends of what is not white
on each row ("none none" for a blank row). The outer four columns are skipped:
a window manager's frame may sit there.
Usage: screen_rows.py OUTPUT ROW..."""
import ctypes
import sys
import time


class XImage(ctypes.Structure):
    _fields_ = [(name, ctypes.c_int) for name in ("width", "height", "xoffset", "format")] + [
        ("data", ctypes.c_void_p)] + [(name, ctypes.c_int) for name in (
            "byte_order", "bitmap_unit", "bitmap_bit_order", "bitmap_pad", "depth", "bytes_per_line",
            "bits_per_pixel")]


xlib = ctypes.CDLL("libX11.so.6")
xlib.XOpenDisplay.restype = ctypes.c_void_p
xlib.XOpenDisplay.argtypes = [ctypes.c_char_p]
xlib.XDefaultRootWindow.restype = ctypes.c_ulong
xlib.XDefaultRootWindow.argtypes = [ctypes.c_void_p]
xlib.XDisplayWidth.argtypes = [ctypes.c_void_p, ctypes.c_int]
xlib.XGetImage.restype = ctypes.POINTER(XImage)
xlib.XGetImage.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_int, ctypes.c_int, ctypes.c_uint,
                           ctypes.c_uint, ctypes.c_ulong, ctypes.c_int]
xlib.XFree.argtypes = [ctypes.c_void_p]
Z_PIXMAP = 2

display = xlib.XOpenDisplay(None)
if not display:
    sys.exit("cannot open the display")
root = xlib.XDefaultRootWindow(display)
width = xlib.XDisplayWidth(display, 0)


def extent(row):
    image = xlib.XGetImage(display, root, 0, row, width, 1, 0xFFFFFFFF, Z_PIXMAP)
    if not image or image.contents.bits_per_pixel != 32:
        sys.exit("cannot read the screen as 32-bit pixels")
    data = ctypes.string_at(image.contents.data, width * 4)
    xlib.XFree(image.contents.data)
    xlib.XFree(image)
    columns = [x for x in range(4, width - 4) if data[4 * x] + data[4 * x + 1] + data[4 * x + 2] < 735]
    return f"{columns[0]} {columns[-1]}" if columns else "none none"


rows = [int(row) for row in sys.argv[2:]]
with open(sys.argv[1], "a", buffering=1) as output:
    while True:
        output.write(f"{time.time():.3f} " + " ".join(extent(row) for row in rows) + "\n")
        time.sleep(0.02)
