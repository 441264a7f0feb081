#!/usr/bin/env bash
# The panel opens on its top tasks and the composer shows what is typed into
# it, on a real X server, bare and with a window manager, with 5 and with 500
# tasks (more than the list shows): on the first and on a second open the
# first task is on the first row, the text typed into the composer then shows
# before Return, and after Return the composer is in view, empty.
# Usage: composer_in_view.sh /path/to/quaverloom
set -u

binary=${1:?usage: composer_in_view.sh /path/to/quaverloom}
source "$(dirname "$0")/support/session.bash"
require_tools Xvfb xdotool import python3

start_server Xvfb -screen 0 1920x1080x24 -wr -nolisten tcp
export DISPLAY=$server_display

tasks_file="$config/quaver-loom.tasks"
# The Work section selected, holding the given number of open tasks. The first
# title is far wider than the others: it tells the first row apart.
store_tasks() {
    python3 "$(dirname "$0")/support/work_tasks.py" "$1" "Task 0 comes first and is the widest of them all" \
        >"$tasks_file"
}
stored_titles() {
    python3 -c 'import json,sys
for t in json.load(open(sys.argv[1]))["tasks"]: print(t["title"])' "$tasks_file"
}
has_title() { stored_titles | grep -qx "$1"; }

# The text area of the composer row when it stands whole at the bottom of the
# list: the list ends 18 px above the panel's bottom edge (y 388), the row is
# 42 high, its text starts right of the plus symbol.
band="360x28+750+335"
# Pixel counts in that area: typed text (near white), and the placeholder's grey.
band_counts() {
    import -window root -crop "$band" -depth 8 txt:- 2>/dev/null \
        | sed -n 's/^[^(]*(\([0-9]*\),\([0-9]*\),\([0-9]*\).*/\1 \2 \3/p' \
        | awk '{ b = ($1 + $2 + $3) / 3; if (b > 200) bright++; else if (b > 80) grey++ }
               END { print bright + 0, grey + 0 }'
}
# The large grey placeholder (a caret may add a few bright pixels): the empty composer is there.
shows_placeholder() { set -- $(band_counts); [ "$1" -lt 60 ] && [ "$2" -gt 500 ]; }
# Far more bright pixels than a caret or a task row's small title: the typed text is there.
shows_typing() { set -- $(band_counts); [ "$1" -gt 300 ]; }
# The title area of the list's first row: light text reaching far right is the
# first task's wide title; any other title ends near its left edge.
first_row="420x40+735+95"
first_row_right_edge() {
    import -window root -crop "$first_row" -depth 8 ppm:- 2>/dev/null \
        | python3 "$(dirname "$0")/support/screen_region.py" 0 0 420 40 extent light | awk '{ print $3 + 0 }'
}
first_task_on_top() { [ "$(first_row_right_edge)" -gt 250 ]; }

try_count() {
    local count=$1
    store_tasks "$count"
    launch_app "$DISPLAY"
    move_to 960 700
    eventually is_dark 960 10 || fail "$count tasks: the collapsed notch did not appear"
    move_to 960 0
    within 10 is_dark 1220 370 || fail "$count tasks: the panel did not grow to its full size"
    within 5 first_task_on_top || fail "$count tasks: the first task is not on the first row on opening ($(first_row_right_edge))"
    shot "opened-$count-$mode"
    move_to 960 700
    within 10 is_light 960 200 || fail "$count tasks: the panel did not collapse"
    move_to 960 0
    within 10 is_dark 1220 370 || fail "$count tasks: the panel did not open again"
    within 5 first_task_on_top || fail "$count tasks: the first task is not on the first row on a second open ($(first_row_right_edge))"
    xdotool type --delay 15 "Wash the car"
    within 5 shows_typing || fail "$count tasks: the typed text is not in view before Return ($(band_counts))"
    shot "composer-$count-$mode"
    xdotool key Return
    eventually has_title "Wash the car" || fail "$count tasks: the typed task was not saved"
    within 5 shows_placeholder || fail "$count tasks: the composer is not in view after Return ($(band_counts))"
    if grep -E "^(QWidget|QPainter|QObject|QLayout|QWindow|qt\.)|Warning" "$work/app.log"; then
        fail "$count tasks: the program wrote toolkit warnings"
    fi
    quit_app
}

scenario() {
    try_count 5
    try_count 500
}

run_scenario_without_and_with_window_manager
echo "PASS: with 5 and 500 tasks the panel opens on its first task, and the composer shows while typing and after Return"
