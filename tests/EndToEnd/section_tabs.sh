#!/usr/bin/env bash
# The workspace tab strip with many sections on a real X server, bare and with
# a window manager: the panel opens with the selected (last) tab fully in view
# and no tab cut off at the strip's edges; the wheel reaches both ends; the
# "+" at the far end opens the section composer, which takes the keyboard, so
# that "Groceries" and Return add a section, not a task; the keyboard then
# goes back to the task composer.
# Usage: section_tabs.sh /path/to/quaverloom
set -u

binary=${1:?usage: section_tabs.sh /path/to/quaverloom}
source "$(dirname "$0")/support/session.bash"
require_tools Xvfb xdotool import python3

start_server Xvfb -screen 0 1920x1080x24 -wr -nolisten tcp
export DISPLAY=$server_display

tasks_file="$work/config/QuaverLoom/quaver-loom.tasks"
# Fourteen sections, the last one selected.
store_sections() {
    python3 - "$tasks_file" <<'PY'
import json, sys
sections = [{"id": "section." + name.lower(), "title": name, "kind": "builtIn", "sortOrder": i}
            for i, name in enumerate(["Work", "Personal", "Home", "Health"])]
for i, name in enumerate(["Reading club", "Travel plans", "Finances", "Side project", "Photography",
                          "Music practice", "Language course", "Garden & Yard", "Choir", "Volunteering"]):
    sections.append({"id": "00000000-0000-0000-0000-%012x" % (0x1000 + i), "title": name, "kind": "custom",
                     "sortOrder": 4 + i})
json.dump({"sections": sections, "tasks": [], "selectedWorkspaceID": sections[-1]["id"],
           "workspacePromptsByID": {}, "defaultPromptOverride": ""}, open(sys.argv[1], "w"))
PY
}
stored() {
    python3 -c 'import json,sys
d = json.load(open(sys.argv[1]))
print("sections:" + "|".join(s["title"] for s in d["sections"]))
print("tasks:" + "|".join(t["title"] for t in d["tasks"]))' "$tasks_file"
}
has_section() { stored | grep -q "^sections:.*|$1\(|\|$\)"; }
has_task() { stored | grep -q "^tasks:\(.*|\)\?$1\(|\|$\)"; }

region() { import -window root -depth 8 ppm:- 2>/dev/null | python3 "$(dirname "$0")/support/screen_region.py" "$@"; }
# The strip on screen: the bar's full width (701 to 1218), the tab lane's height.
strip_x=701 strip_y=60 strip_width=518 strip_height=26
# The "+" at the strip's far end, and the first tab's start.
plus_x=1194 plus_y=73
selected_tab() { region "$strip_x" "$strip_y" "$strip_width" "$strip_height" extent light; }
# The outermost columns of the strip: a tab reaching them would be cut there.
edges_clear() {
    [ "$(region "$strip_x" "$strip_y" 3 "$strip_height" brightest)" -le 40 ] \
        && [ "$(region $((strip_x + strip_width - 3)) "$strip_y" 3 "$strip_height" brightest)" -le 40 ]
}
plus_shown() { [ "$(region $((plus_x - 8)) $((plus_y - 8)) 16 16 brightest)" -ge 60 ]; }
first_tab_shown() { [ "$(region 711 "$strip_y" 20 "$strip_height" brightest)" -ge 60 ]; }
selected_out_of_view() { [ -z "$(selected_tab)" ]; }
# The section composer's fill, left of where the task list's rows start.
composer_open() { [ "$(region 705 122 1 1 brightest)" -ge 10 ]; }

scenario() {
    store_sections
    launch_and_open_panel

    # The selected tab, in the primary text colour, lies whole inside the strip.
    within 5 test -n "$(selected_tab)" || fail "the selected tab is not in view"
    set -- $(selected_tab)
    [ "$1" -ge $((strip_x + 10)) ] && [ "$3" -le $((strip_x + strip_width - 10)) ] \
        || fail "the selected tab is cut by the strip's edge (drawn from $1 to $3)"
    edges_clear || fail "a tab is cut off at the strip's edge"
    plus_shown || fail "the + does not follow the last tab"
    shot "section-tabs-$mode"

    # The wheel scrolls to the first tab, and back to the + at the end.
    move_to 960 "$plus_y"
    xdotool click --repeat 60 --delay 5 4
    within 5 first_tab_shown || fail "the wheel did not bring the first tab into view"
    selected_out_of_view || fail "the strip did not scroll"
    edges_clear || fail "a tab is cut off at the strip's edge after scrolling"
    xdotool click --repeat 60 --delay 5 5
    within 5 plus_shown || fail "the wheel did not bring the + back into view"

    # The + opens the section composer, which takes what is typed.
    move_to "$plus_x" "$plus_y"
    sleep 0.2
    xdotool click 1
    within 5 composer_open || fail "the + did not open the section composer"
    xdotool type --delay 20 "Groceries"
    xdotool key Return
    eventually has_section Groceries || fail "Return did not add the typed section ($(stored))"
    has_task Groceries && fail "the typed section name went into the task composer ($(stored))"
    # The keyboard is back with the task composer.
    xdotool type --delay 20 "Milk"
    xdotool key Return
    eventually has_task Milk || fail "typing after the section was added did not reach the task composer ($(stored))"

    move_to 960 800
    eventually is_light 960 200 || fail "the panel did not collapse"
    if grep -E "^(QWidget|QPainter|QObject|QLayout|QWindow|qt\.)|Warning" "$work/app.log"; then
        fail "the program wrote toolkit warnings"
    fi
    quit_app
}

run_scenario_without_and_with_window_manager
echo "PASS: the tab strip shows the selected tab whole, scrolls by the wheel to both ends, and its + composer takes the keyboard and gives it back"
