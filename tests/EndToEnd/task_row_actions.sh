#!/usr/bin/env bash
# A task row's actions popover on a real X server, bare and with a window
# manager: the actions button opens it beside the panel, a second click on the
# button closes it for good, a third opens it again; while it shows, the panel
# stays open wherever the pointer goes; Escape closes it; after the reminder
# editor that replaces it closes, saved or dismissed, the composer still takes
# typed tasks; the program writes no toolkit warnings meanwhile.
# Usage: task_row_actions.sh /path/to/quaverloom
set -u

binary=${1:?usage: task_row_actions.sh /path/to/quaverloom}
source "$(dirname "$0")/support/session.bash"
require_tools Xvfb xdotool import

mode=plain
start_server Xvfb -screen 0 1920x1080x24 -wr -nolisten tcp
export DISPLAY=$server_display

# One task, stored afresh for each run so that its row sits first.
store_tasks() {
cat >"$work/config/QuaverLoom/quaver-loom.tasks" <<'JSON'
{"sections":[{"id":"section.work","title":"Work","kind":"builtIn","sortOrder":0},
 {"id":"section.personal","title":"Personal","kind":"builtIn","sortOrder":1},
 {"id":"section.home","title":"Home","kind":"builtIn","sortOrder":2},
 {"id":"section.health","title":"Health","kind":"builtIn","sortOrder":3}],
 "tasks":[{"id":"7B1E3E8A-1C2D-4E5F-8A9B-0C1D2E3F4A5B","title":"Write report","sectionID":"section.work",
  "priority":"low","reasonText":"","aiReasonSourceTitle":null,"aiStatesByWorkspace":{},"createdAt":700000000,
  "sortOrder":0,"isCompleted":false,"completedAt":null,"reminder":null}],
 "selectedWorkspaceID":"workspace.all","workspacePromptsByID":{},"defaultPromptOverride":""}
JSON
}

# The first row's actions button, and a point of the popover that hangs to its right, beside the panel.
button_x=1187 button_y=114
popover_x=1380 popover_y=100
# The popover's material is a dark grey; the desktop is white.
popover_shown() {
    local rgb
    rgb=$(import -window root -crop "1x1+$popover_x+$popover_y" -depth 8 txt:- 2>/dev/null \
        | tail -n1 | sed -n 's/^[^(]*(\([0-9]*\),\([0-9]*\),\([0-9]*\).*/\1 \2 \3/p')
    [ -n "$rgb" ] || return 1
    set -- $rgb
    [ "$1" -lt 80 ] && [ "$2" -lt 80 ] && [ "$3" -lt 80 ]
}
popover_hidden() { ! popover_shown; }
# The reminder editor reaches further right than the actions popover it replaces.
editor_shown() { set -- $(pixel 1480 100); [ "${1:-255}" -lt 80 ] && [ "${2:-255}" -lt 80 ] && [ "${3:-255}" -lt 80 ]; }
# The actions popover's "Set Timer" choice, which swaps it for the reminder editor;
# a task with a reminder offers "Change Timer" there, one row higher in a longer list.
set_timer_x=1280 set_timer_y=89 change_timer_y=76
# The reminder editor's Save button.
save_x=1455 save_y=164

stored_titles() {
    python3 -c 'import json,sys
for t in json.load(open(sys.argv[1]))["tasks"]: print(t["title"])' "$work/config/QuaverLoom/quaver-loom.tasks"
}
has_title() { stored_titles | grep -qx "$1"; }

# After the reminder editor closes (saved or dismissed by Escape) the panel,
# still open, takes the keyboard back: a typed task reaches the composer.
type_after_reminder_editor() {
    local round=$1 how=$2 timer_y=${3:-$set_timer_y}
    move_to "$button_x" "$button_y"
    sleep 0.3
    xdotool click 1
    eventually popover_shown || fail "round $round: the actions button did not open the popover"
    move_to "$set_timer_x" "$timer_y"
    sleep 0.2
    xdotool click 1
    eventually editor_shown || fail "round $round: the reminder editor did not show"
    if [ "$how" = save ]; then
        move_to "$save_x" "$save_y"
        sleep 0.2
        xdotool click 1
    else
        xdotool key Escape
    fi
    eventually popover_hidden || fail "round $round: the reminder editor did not close ($how)"
    # Longer than the toolkit waits before it gives up a window that lost the keyboard.
    sleep 0.8
    xdotool type --delay 20 "Errand $round"
    xdotool key Return
    eventually has_title "Errand $round" \
        || fail "round $round: a task typed after the reminder editor was not saved (stored: $(stored_titles | tr '\n' '|'))"
}

scenario() {
    store_tasks
    # The row's button is aimed at once the panel has grown, which a loaded machine draws late.
    launch_and_open_panel
    move_to "$button_x" "$button_y"
    sleep 0.3

    xdotool click 1
    eventually popover_shown || fail "the actions button did not open the popover"
    xdotool click 1
    eventually popover_hidden || fail "a second click on the actions button did not close the popover"
    sleep 0.6
    popover_hidden || fail "the popover opened again after the closing click"
    xdotool click 1
    eventually popover_shown || fail "a third click did not open the popover again"

    # The open popover holds the panel open, even with the pointer far away.
    move_to 960 800
    sleep 0.5
    is_dark 960 200 || fail "the panel collapsed while the popover showed"
    popover_shown || fail "the popover closed when the pointer left the panel"
    xdotool key Escape
    eventually popover_hidden || fail "Escape did not close the popover"

    type_after_reminder_editor 1 escape
    type_after_reminder_editor 2 save
    type_after_reminder_editor 3 escape "$change_timer_y"
    move_to 960 790
    eventually is_light 960 200 || fail "the panel did not collapse after the popover closed"

    if grep -E "^(QWidget|QPainter|QObject|QLayout|QWindow|qt\.)|Warning" "$work/app.log"; then
        fail "the program wrote toolkit warnings"
    fi
    quit_app
}

scenario
scenario_again_under_openbox
echo "PASS: the actions button opens and closes the row's popover, which holds the panel open and closes on Escape; the composer keeps the keyboard after the reminder editor"
