#!/usr/bin/env bash
# Deleting a section on a real X server, bare and with a window manager (no
# compositor either way): the section menu's popover has round corners, cut so
# by its window shape; its "Delete Section" asks for confirmation over the
# panel, where it can be seen and takes the keyboard; Escape and Cancel keep
# the section; Tab to "Delete Section" and Return deletes it and stores that,
# and the pointer away then collapses the panel.
# Usage: section_delete.sh /path/to/quaverloom
set -u

binary=${1:?usage: section_delete.sh /path/to/quaverloom}
source "$(dirname "$0")/support/session.bash"
require_tools Xvfb xdotool import xwininfo python3

start_server Xvfb -screen 0 1920x1080x24 -wr -nolisten tcp
export DISPLAY=$server_display

tasks_file="$work/config/QuaverLoom/quaver-loom.tasks"
store_sections() {
cat >"$tasks_file" <<'JSON'
{"sections":[{"id":"section.work","title":"Work","kind":"builtIn","sortOrder":0},
 {"id":"section.personal","title":"Personal","kind":"builtIn","sortOrder":1},
 {"id":"section.home","title":"Home","kind":"builtIn","sortOrder":2},
 {"id":"section.health","title":"Health","kind":"builtIn","sortOrder":3}],
 "tasks":[{"id":"7B1E3E8A-1C2D-4E5F-8A9B-0C1D2E3F4A5B","title":"Fix the sink","sectionID":"section.home",
  "priority":"low","reasonText":"","aiReasonSourceTitle":null,"aiStatesByWorkspace":{},"createdAt":700000000,
  "sortOrder":0,"isCompleted":false,"completedAt":null,"reminder":null}],
 "selectedWorkspaceID":"section.home","workspacePromptsByID":{},"defaultPromptOverride":""}
JSON
}
stored() {
    python3 -c 'import json,sys
d = json.load(open(sys.argv[1]))
print("sections:" + "|".join(s["title"] for s in d["sections"]) + " tasks:" + "|".join(t["title"] for t in d["tasks"]))' \
        "$tasks_file"
}
home_kept() { stored | grep -q "^sections:Work|Personal|Home|Health tasks:Fix the sink$"; }
home_deleted() { stored | grep -q "^sections:Work|Personal|Health tasks:$"; }

region() { import -window root -depth 8 ppm:- 2>/dev/null | python3 "$(dirname "$0")/support/screen_region.py" "$@"; }
# The middle of the expanded panel, where the confirmation's card (300 wide) is centred.
card_area="810 0 300 388"
# The section menu's button in the header, and its dropdown's "Delete Section" row.
menu_x=1156 menu_y=15
delete_row_x=1100 delete_row_y=95
# The confirmation's destructive button, red, as "left top right bottom".
red_button() { region $card_area extent red; }
asking() { [ -n "$(red_button)" ]; }
not_asking() { [ -z "$(red_button)" ]; }
# The dropdown's window (220 wide) as "x y width height".
dropdown_window() {
    xwininfo -root -tree 2>/dev/null | sed -n 's/.*"QuaverLoom": ("quaverloom" "QuaverLoom")  \(220\)x\([0-9]*\)+\([0-9]*\)+\([0-9]*\).*/\3 \4 \1 \2/p' | head -n1
}
dropdown_shown() { [ -n "$(dropdown_window)" ]; }

# The popover's grey, and the white desktop.
is_popover() { set -- $(pixel "$1" "$2"); [ "${1:-255}" -lt 80 ] && [ "${2:-255}" -lt 80 ] && [ "${3:-255}" -lt 80 ]; }
is_white() { set -- $(pixel "$1" "$2"); [ "${1:-0}" -gt 200 ] && [ "${2:-0}" -gt 200 ] && [ "${3:-0}" -gt 200 ]; }
# Without a compositor the window's shape is the popover's outline. Three rows
# into a rounded corner of radius 12 the popover reaches to 4 pixels from its
# side (a straight cut, or a shape of the outline's polygon, stops short of
# that); the corner's own pixel is the desktop's. The arrow is on top, 9 high.
check_round_corners() {
    set -- $(dropdown_window)
    local right=$(($1 + $3 - 1)) top=$(($2 + 9)) bottom=$(($2 + $4 - 1))
    eventually is_popover $((right - 4)) $((top + 3)) || fail "the popover's top-right corner is cut short"
    is_white "$right" "$top" || fail "the popover's top-right corner is square"
    is_popover $((right - 4)) $((bottom - 3)) || fail "the popover's bottom-right corner is cut short"
    is_white "$right" "$bottom" || fail "the popover's bottom-right corner is square"
    is_popover $((right - 4)) $((top + 3)) && is_popover $(($1 + 4)) $((top + 3)) \
        || fail "the popover's corners differ from side to side"
}

ask_to_delete() {
    move_to "$menu_x" "$menu_y"
    sleep 0.2
    xdotool click 1
    eventually dropdown_shown || fail "the section menu did not open"
    [ "${1:-}" = corners ] && check_round_corners
    move_to "$delete_row_x" "$delete_row_y"
    sleep 0.2
    xdotool click 1
    within 5 asking || fail "the confirmation is not visible over the panel"
}

scenario() {
    store_sections
    launch_and_open_panel

    # Escape cancels: the confirmation had the keyboard.
    ask_to_delete corners
    shot "section-delete-$mode"
    xdotool key Escape
    eventually not_asking || fail "Escape did not close the confirmation"
    home_kept || fail "Escape deleted the section ($(stored))"

    # Cancel, left of "Delete Section" and as wide, keeps the section.
    ask_to_delete
    set -- $(red_button)
    local width=$(($3 - $1 + 5))
    move_to $((($1 + $3) / 2 - width - 10)) $((($2 + $4) / 2))
    sleep 0.2
    xdotool click 1
    eventually not_asking || fail "Cancel did not close the confirmation"
    home_kept || fail "Cancel deleted the section ($(stored))"

    # The panel stays open while asked, wherever the pointer goes; Tab, Return deletes.
    ask_to_delete
    move_to 960 800
    sleep 0.5
    asking || fail "the confirmation went away when the pointer left the panel"
    xdotool key Tab Return
    eventually home_deleted || fail "Return on Delete Section did not delete and store ($(stored))"
    # With the question answered, the pointer away closes the panel again.
    move_to 960 790
    eventually is_light 960 200 || fail "the panel did not collapse after the confirmation"

    if grep -E "^(QWidget|QPainter|QObject|QLayout|QWindow|qt\.)|Warning" "$work/app.log"; then
        fail "the program wrote toolkit warnings"
    fi
    quit_app
}

run_scenario_without_and_with_window_manager
echo "PASS: the delete confirmation shows over the panel and takes the keyboard; Escape and Cancel keep the section, Delete removes and stores it; popovers have round corners without a compositor"
