#!/usr/bin/env python3
"""Finds the expanded notch panel's controls on a 1920x1080 screenshot, so that
tools/record-onboarding.sh clicks what is really there rather than guessed
coordinates. Reads raw RGB (import -window root -depth 8 rgb:FILE) and prints
shell assignments.

  locate-panel-controls.py FILE panel               panel edges, AI Sort, prompt and add-section buttons
  locate-panel-controls.py FILE section-field X Y   the new-section field under the plus button at X,Y
  locate-panel-controls.py FILE prompt-save X Y     "Save" of the prompt editor opened from X,Y
"""
import sys
W, H = 1920, 1080
data = open(sys.argv[1], "rb").read()
what = sys.argv[2]
args = [int(a) for a in sys.argv[3:]]

def level(x, y):
    i = (y * W + x) * 3
    return max(data[i:i + 3])

def clusters(y, x0, x1, test, gap=5):
    found = []
    for x in range(x0, x1):
        if test(x, y):
            if found and x - found[-1][1] <= gap:
                found[-1][1] = x
            else:
                found.append([x, x])
    return found

def middle(c):
    return (c[0] + c[1]) // 2

def first_band(ys):
    band = ys[:1]
    for y in ys[1:]:
        if y != band[-1] + 1:
            break
        band.append(y)
    return band

if what == "panel":
    dark = lambda x, y: level(x, y) < 12
    # The expanded surface (388 high by default): the near-black run through the middle of the screen near its bottom.
    left = next(x for x in range(W // 2, 0, -1) if not dark(x - 1, 360))
    right = next(x for x in range(W // 2, W) if not dark(x + 1, 360))
    # The header: the buttons left of the notch, AI Sort then the prompt button.
    chrome = lambda x, y: level(x, y) > 12
    rows = [y for y in range(1, 48) if clusters(y, left + 4, W // 2, chrome)]
    header = first_band(rows)
    header_y = (header[0] + header[-1]) // 2
    buttons = clusters(header_y, left + 4, W // 2, chrome)
    # The tab labels; the dim plus button ends their row.
    text = lambda x, y: level(x, y) > 40
    rows = [y for y in range(header[-1] + 8, 160) if clusters(y, left + 4, right - 4, text)]
    tabs = first_band(rows)
    tabs_y = (tabs[0] + tabs[-1]) // 2
    plus = clusters(tabs_y, left + 4, right - 4, text)[-1]
    print(f"panel_left={left} panel_right={right}")
    print(f"ai_sort_x={middle(buttons[0])} ai_sort_y={header_y}")
    print(f"prompt_x={middle(buttons[1])} prompt_y={header_y}")
    print(f"add_section_x={middle(plus)} add_section_y={tabs_y}")
elif what == "section-field":  # below the tab row at (x, y): the new-section field
    x, y = args
    run = []
    for yy in range(y + 8, y + 120):
        if 10 <= level(x - 120, yy) <= 60:
            run.append(yy)
        elif len(run) >= 15:
            break
        else:
            run = []
    print(f"field_x={x - 200} field_y={(run[0] + run[-1]) // 2}")
elif what == "prompt-save":  # the popover under the prompt button at (x, y): its last button
    x, y = args
    bright = lambda xx, yy: level(xx, yy) > 150
    rows = [yy for yy in range(y + 30, y + 330) if clusters(yy, x - 260, x + 260, bright)]
    bands = [[rows[0]]]
    for yy in rows[1:]:
        if yy == bands[-1][-1] + 1:
            bands[-1].append(yy)
        else:
            bands.append([yy])
    row = bands[-1]
    row_y = (row[0] + row[-1]) // 2
    save = clusters(row_y, x - 260, x + 260, bright, gap=8)[-1]
    print(f"save_x={middle(save)} save_y={row_y}")
