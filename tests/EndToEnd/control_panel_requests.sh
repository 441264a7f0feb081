#!/usr/bin/env bash
# Every request brings the control panel back, under a window manager: the
# window closed during the onboarding's intro returns, with the onboarding,
# when the program is started again (the second start ends at once with 0);
# once onboarded, a second start shows the control panel, also over another
# window; a minimised control panel comes back on the notch's gear, on the
# overview. Screenshots go to $QUAVERLOOM_E2E_SHOTS when it is set.
# Usage: control_panel_requests.sh /path/to/quaverloom
set -u

binary=${1:?usage: control_panel_requests.sh /path/to/quaverloom}
source "$(dirname "$0")/support/session.bash"
require_tools Xvfb xdotool xwininfo import openbox xev

start_server Xvfb -screen 0 1920x1080x24 -wr -nolisten tcp
export DISPLAY=$server_display
start_window_manager

# Starts the program once more, as a user would while the first copy runs: it
# must hand its request over and end with 0 within a few seconds.
second_start() {
    env DISPLAY="$DISPLAY" XDG_CONFIG_HOME="$work/config" XDG_CACHE_HOME="$work/cache" XDG_RUNTIME_DIR="$work/runtime" \
        XDG_DATA_HOME="$work/data" QT_QPA_PLATFORM=xcb QUAVERLOOM_MODEL_URL="http://127.0.0.1:9" "$binary" >"$work/second.log" 2>&1 &
    local pid=$!
    pids+=($pid)
    ended_within 10 "$pid" || fail "the second start did not end"
    wait "$pid"
    local status=$?
    [ "$status" -eq 0 ] || fail "the second start exited with $status: $(cat "$work/second.log")"
}
close_panel_window() {
    press_in_window "$(panel_window)" alt+F4
    eventually no_panel_window || fail "the control panel did not close"
}
# The gear of the expanded notch, at the right end of its header.
gear_x=1195 gear_y=15

# Closed during the intro, the window comes back with the onboarding on a second start.
rm -f "$config/quaver-loom.preferences"
launch_app "$DISPLAY"
eventually has_panel_window || fail "the first start did not open the control panel"
within 10 intro_shows || fail "the first start does not show the onboarding's intro"
close_panel_window
sleep 0.3
kill -0 "$app" 2>/dev/null || fail "closing the window during the intro ended the program"
second_start
eventually has_panel_window || fail "a second start did not bring back the window closed during the intro"
within 10 intro_shows || fail "the window came back without the onboarding"
shot second-start-onboarding
quit_app

# Onboarded: the notch alone, then the control panel on a second start, over another window.
store_onboarded_preferences
launch_app "$DISPLAY"
eventually is_dark 960 10 || fail "the notch did not show"
no_panel_window || fail "an onboarded start opened the control panel"
second_start
eventually has_panel_window || fail "a second start did not show the control panel"
within 15 overview_tile_is_blue || fail "the second start's control panel is not on the overview (rgb $(overview_tile))"
xev -geometry 1900x1040+10+10 >/dev/null 2>&1 &
pids+=($!)
eventually event_tester_shown || fail "xev did not show its window"
within 10 eval '! overview_tile_is_blue' || fail "the other window did not cover the control panel"
second_start
within 10 overview_tile_is_blue || fail "a second start did not raise the control panel over another window"
shot second-start-raised

# Minimised, on another page: the gear brings it back on the overview.
click_in_window 70 188 # Settings
within 10 eval '! overview_tile_is_blue' || fail "Settings did not replace the overview"
xdotool windowminimize --sync "$(panel_window)"
eventually no_panel_window || fail "the control panel did not minimise"
move_to 960 700
move_to 960 0
eventually is_dark 960 200 || fail "the notch did not open under the pointer"
move_to "$gear_x" "$gear_y"
sleep 0.3
xdotool click 1
eventually has_panel_window || fail "the gear did not bring back the minimised control panel"
move_to 960 700 # the notch closes and shows the window below
within 15 overview_tile_is_blue || fail "the gear's control panel is not on the overview (rgb $(overview_tile))"
shot gear-restores
quit_app
echo "PASS: a second start and the gear bring the control panel back, closed, covered or minimised"
