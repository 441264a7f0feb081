#!/usr/bin/env bash
# The control panel comes back after every way of closing or hiding it, under
# a window manager. On a new account the first start shows it with the
# onboarding; closed by Alt+F4 sent to the window or typed, by the title bar's
# close button, by a taskbar's close request, or minimised by the title bar or
# a taskbar, the window stays in the window tree and the program keeps running;
# a second start (which ends at once with 0) shows that same window again, with
# the onboarding. Screenshots go to $QUAVERLOOM_E2E_SHOTS when it is set.
# Usage: control_panel_reopen.sh /path/to/quaverloom
set -u

binary=${1:?usage: control_panel_reopen.sh /path/to/quaverloom}
source "$(dirname "$0")/support/session.bash"
require_tools Xvfb xdotool xwininfo xprop import openbox python3
here=$(cd "$(dirname "$0")" && pwd)

start_server Xvfb -screen 0 1920x1080x24 -wr -nolisten tcp
export DISPLAY=$server_display
start_window_manager

# Starts the program once more while the first copy runs: it hands its request
# over and ends with 0 within a few seconds.
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

# The first start's window, followed by its X id: it must stay the same window.
window_in_tree() { xwininfo -root -tree 2>/dev/null | grep -q "^ *$(printf '0x%x' "$window") \"QuaverLoom Control Panel\""; }
viewable() { xwininfo -id "$window" 2>/dev/null | grep -q 'Map State: IsViewable'; }
# The frame's top-right corner, from the window manager's frame extents.
frame_top_right() {
    local extents left right title
    window_geometry
    extents=$(xprop -id "$window" _NET_FRAME_EXTENTS 2>/dev/null | sed -n 's/.*= *//p')
    IFS=', ' read -r left right title _ <<<"$extents"
    FRAME_RIGHT=$((X + WIDTH + right - 1))
    FRAME_TOP=$((Y - title))
}
# The title bar's buttons from the right: close, then (openbox's default
# layout and theme) maximise and minimise, each 16 pixels apart.
click_title_button() {
    frame_top_right
    xdotool mousemove $((FRAME_RIGHT - 10 - 16 * $1)) $((FRAME_TOP + 10)) click 1
}

rm -f "$config/quaver-loom.preferences"
launch_app "$DISPLAY"
eventually has_panel_window || fail "the first start did not open the control panel"
within 10 intro_shows || fail "the first start does not show the onboarding's intro"
window=$(panel_window)
shot reopen-first-start

# What the window manager has the window as: Iconic when minimised, Withdrawn
# (or no state at all) when closed.
wm_state() {
    local state
    state=$(xprop -id "$window" WM_STATE 2>/dev/null | sed -n 's/.*window state: *//p')
    echo "${state:-Withdrawn}"
}
# Closes or hides the window one way, then asks for it with a second start.
check_way() {
    local how=$1 state=$2
    shift 2
    "$@"
    eventually eval '! viewable' || fail "$how left the control panel on screen"
    within 5 eval '[ "$(wm_state)" = "$state" ]' || fail "after $how the window is $(wm_state), not $state"
    sleep 0.3
    kill -0 "$app" 2>/dev/null || fail "$how ended the program"
    window_in_tree || fail "$how took the window out of the window tree"
    second_start
    eventually viewable || fail "a second start did not bring back the window after $how"
    [ "$(panel_window)" = "$window" ] || fail "after $how a second start showed another window"
    within 10 intro_shows || fail "after $how the window came back without the onboarding"
    shot "reopen-after-${how// /-}"
}
# xdotool sends each key event to the window itself, or through the server
# when the window has the keyboard; when the window closes between a press and
# its release, the release goes the other way and the key stays down, so that
# the window manager sees no later press of it: release both for certain.
sent_alt_f4() {
    xdotool windowactivate --sync "$window" 2>/dev/null
    xdotool key --window "$window" alt+F4
    xdotool keyup Alt_L F4
}
check_way "Alt+F4 sent to the window" Withdrawn sent_alt_f4
check_way "Alt+F4 typed" Withdrawn press_in_window "$window" alt+F4
check_way "the close button" Withdrawn click_title_button 0
check_way "a taskbar's close" Withdrawn python3 "$here/support/window_request.py" close "$window"
check_way "the minimise button" Iconic click_title_button 2
check_way "a taskbar's minimise" Iconic xdotool windowminimize "$window"
quit_app
echo "PASS: closed or minimised each way, the control panel's window stays and comes back on a second start"
