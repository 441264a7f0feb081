#!/usr/bin/env python3
"""Reads a cropped screenshot in 8-bit PPM form on stdin and prints how many of
its pixels are ink, far (over 60 of 255) in lightness from the crop's usual
colour, then the lowest row holding any, counted from the top (-1: none).
Text, symbols and pictures are ink; a flat background is not."""
import sys

data = sys.stdin.buffer.read()
parts = data.split(maxsplit=4)
if len(parts) < 5 or parts[0] != b'P6' or parts[3] != b'255':
    sys.exit('expected an 8-bit PPM')
width, height, pixels = int(parts[1]), int(parts[2]), parts[4]
lightness = [(max(pixels[i:i + 3]) + min(pixels[i:i + 3])) // 2 for i in range(0, 3 * width * height, 3)]
usual = sorted(lightness)[len(lightness) // 2]
ink = [i for i, value in enumerate(lightness) if abs(value - usual) > 60]
print(len(ink), max(i // width for i in ink) if ink else -1)
