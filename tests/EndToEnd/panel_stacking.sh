#!/usr/bin/env bash
# The notch panel stays above ordinary windows on a real X server: a window
# mapped while the panel is open, over part of it, goes beneath the panel;
# a popover open on the panel stays above the panel meanwhile. Bare (where the
# server stacks every new window on top), under openbox, and under a
# compositing xfwm4 where that is installed.
# Usage: panel_stacking.sh /path/to/quaverloom
set -u

binary=${1:?usage: panel_stacking.sh /path/to/quaverloom}
source "$(dirname "$0")/support/session.bash"
require_tools Xvfb xdotool import xwininfo xmessage xprop

start_server Xvfb -screen 0 1920x1080x24 -wr -nolisten tcp
export DISPLAY=$server_display

# The expanded panel spans x 683..1237, y 0..388. The other window covers its
# lower right part; its own pixels there are white.
window_x=1000 window_y=200
probe_x=1150 probe_y=330
# The section menu's button, and its dropdown below it, over the panel.
menu_x=1156 menu_y=15
dropdown_probe_x=1200 dropdown_probe_y=45
# The popover's grey (36, 36, 40), unlike the panel's near-black and the window's white.
is_popover_grey() { set -- $(pixel "$1" "$2"); [ "${1:-0}" -ge 25 ] && [ "${1:-0}" -le 60 ] && [ "${3:-0}" -ge 25 ]; }

other_window_shown() { xwininfo -name "$1" 2>/dev/null | grep -q "Map State: IsViewable"; }
map_other_window() {
    xmessage -name "$1" -geometry 400x300+$window_x+$window_y "$1" >/dev/null 2>&1 &
    pids+=($!)
    other=$!
    eventually other_window_shown "$1" || fail "the other window did not appear"
}
close_other_window() {
    kill "$other" 2>/dev/null
    wait "$other" 2>/dev/null
}

scenario() {
    launch_and_open_panel

    map_other_window "mapped-over-the-panel"
    within 5 is_dark "$probe_x" "$probe_y" || fail "a window mapped later covers the open panel"
    shot "stacking-$mode"
    close_other_window

    # With the section menu open, the panel comes back on top beneath it.
    move_to "$menu_x" "$menu_y"
    sleep 0.2
    xdotool click 1
    eventually is_popover_grey "$dropdown_probe_x" "$dropdown_probe_y" || fail "the section menu did not open"
    map_other_window "mapped-under-the-menu"
    within 5 is_dark "$probe_x" "$probe_y" || fail "a window mapped later covers the panel while its menu is open"
    is_popover_grey "$dropdown_probe_x" "$dropdown_probe_y" || fail "the panel covers its own menu"
    shot "stacking-menu-$mode"
    xdotool key Escape
    close_other_window
    if grep -E "^(QWidget|QPainter|QObject|QLayout|QWindow|qt\.)|Warning" "$work/app.log"; then
        fail "the program wrote toolkit warnings"
    fi
    quit_app
}

# A compositing window manager, on a server of its own.
run_scenario_under_xfwm4() {
    command -v xfwm4 >/dev/null 2>&1 && command -v dbus-run-session >/dev/null 2>&1 || return 0
    mode=xfwm4
    start_server Xvfb -screen 0 1920x1080x24 -wr -nolisten tcp
    export DISPLAY=$server_display
    dbus-run-session xfwm4 --compositor=on >"$work/xfwm4.log" 2>&1 &
    pids+=($!)
    window_manager_answers 30 || fail "xfwm4 did not start: $(cat "$work/xfwm4.log")"
    scenario
}

mode=plain
scenario
run_scenario_under_window_manager
run_scenario_under_xfwm4
echo "PASS: the open panel stays above windows mapped after it, and below its own popover"
