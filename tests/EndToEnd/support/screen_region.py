#!/usr/bin/env python3
"""Reads a screenshot in PPM form on stdin and reports on a rectangle of it.
Usage: screen_region.py X Y WIDTH HEIGHT QUERY
  brightest        the highest channel value in the rectangle
  extent KIND      left top right bottom of the pixels of KIND, or nothing when there are none
  count KIND       how many pixels are of KIND
KIND: light (every channel at least 150), red (red over 200, green and blue under 110),
  card (the confirmation card's grey: channels 25 to 60, blue at least red),
  cloth (the reminder banner's cream), ink (every channel under 90)."""
import sys


def read_ppm(stream):
    data = stream.read()
    fields, position = [], 0
    while len(fields) < 4:
        while data[position:position + 1].isspace():
            position += 1
        if data[position:position + 1] == b"#":
            position = data.index(b"\n", position)
            continue
        end = position
        while not data[end:end + 1].isspace():
            end += 1
        fields.append(data[position:end])
        position = end
    if fields[0] != b"P6" or int(fields[3]) != 255:
        sys.exit("expected an 8-bit PPM")
    return int(fields[1]), int(fields[2]), data[position + 1:]


KINDS = {
    "light": lambda r, g, b: min(r, g, b) >= 150,
    "red": lambda r, g, b: r > 200 and g < 110 and b < 110,
    "card": lambda r, g, b: 25 <= r <= 60 and 25 <= g <= 60 and 25 <= b <= 60 and b >= r,
    "cloth": lambda r, g, b: r >= 235 and 215 <= g <= 250 and 160 <= b <= 225 and r - b >= 20,
    "ink": lambda r, g, b: max(r, g, b) < 90,
}


def main():
    x0, y0, width, height = (int(value) for value in sys.argv[1:5])
    query = sys.argv[5]
    image_width, image_height, pixels = read_ppm(sys.stdin.buffer)
    columns = range(max(0, x0), min(image_width, x0 + width))
    rows = range(max(0, y0), min(image_height, y0 + height))

    def pixel(x, y):
        offset = 3 * (y * image_width + x)
        return pixels[offset], pixels[offset + 1], pixels[offset + 2]

    if query == "brightest":
        print(max((max(pixel(x, y)) for y in rows for x in columns), default=0))
    elif query == "count":
        matches = KINDS[sys.argv[6]]
        print(sum(1 for y in rows for x in columns if matches(*pixel(x, y))))
    elif query == "extent":
        matches = KINDS[sys.argv[6]]
        found = [(x, y) for y in rows for x in columns if matches(*pixel(x, y))]
        if found:
            xs, ys = [x for x, _ in found], [y for _, y in found]
            print(min(xs), min(ys), max(xs), max(ys))
    else:
        sys.exit(f"unknown query {query}")


main()
