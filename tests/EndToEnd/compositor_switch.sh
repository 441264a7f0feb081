#!/usr/bin/env bash
# A compositor that stops or starts while the program runs: the notch, started
# under xcompmgr, keeps the desktop beside it visible once xcompmgr is gone
# (no black box where its window's translucent margin lies), also after it has
# opened and closed; it is still there, with a margin that is not black, once
# xcompmgr runs again. A reminder flight that loses its compositor halfway
# leaves the screen visible around the flying group.
# Screenshots go to $QUAVERLOOM_E2E_SHOTS when that is set.
# Usage: compositor_switch.sh /path/to/quaverloom
set -u

binary=${1:?usage: compositor_switch.sh /path/to/quaverloom}
source "$(dirname "$0")/support/session.bash"
require_tools Xvfb xdotool import xcompmgr python3

start_server Xvfb -screen 0 1920x1080x24 -wr -nolisten tcp
export DISPLAY=$server_display

# Does some client own the compositing manager selection of screen 0?
compositor_owns_screen() {
    python3 - <<'PY'
import ctypes, sys
x = ctypes.cdll.LoadLibrary("libX11.so.6")
x.XOpenDisplay.restype = ctypes.c_void_p
x.XOpenDisplay.argtypes = [ctypes.c_char_p]
x.XInternAtom.restype = ctypes.c_ulong
x.XInternAtom.argtypes = [ctypes.c_void_p, ctypes.c_char_p, ctypes.c_int]
x.XGetSelectionOwner.restype = ctypes.c_ulong
x.XGetSelectionOwner.argtypes = [ctypes.c_void_p, ctypes.c_ulong]
display = x.XOpenDisplay(None)
if not display:
    sys.exit(2)
sys.exit(0 if x.XGetSelectionOwner(display, x.XInternAtom(display, b"_NET_WM_CM_S0", 0)) else 1)
PY
}
no_compositor() { ! compositor_owns_screen; }

compositor=""
start_compositor() {
    xcompmgr >>"$work/xcompmgr.log" 2>&1 &
    compositor=$!
    pids+=($compositor)
    within 10 compositor_owns_screen || fail "xcompmgr did not take the screen"
}
stop_compositor() {
    kill "$compositor" 2>/dev/null
    wait "$compositor" 2>/dev/null
    within 10 no_compositor || fail "xcompmgr did not let go of the screen"
}

# Points inside the notch window's 646x422 margin, around the collapsed notch
# and beside the open panel: the white desktop must show through at each.
margin_points=("650 10" "1270 10" "960 300" "650 380" "1270 380")
margin_is_light() {
    local point
    for point in "${margin_points[@]}"; do
        is_light $point || return 1
    done
}
dark_margin_points() {
    local point dark=""
    for point in "${margin_points[@]}"; do
        is_dark $point && dark+=" ($point)"
    done
    echo "${dark:- none}"
}

open_and_close_notch() {
    move_to 960 0
    eventually is_dark 960 200 || fail "the panel did not expand $1"
    within 10 is_dark 1220 370 || fail "the panel did not grow to its full size $1"
    move_to 960 700
    eventually is_light 960 200 || fail "the panel did not collapse $1"
}

notch_stays_clear() {
    within 10 margin_is_light || { shot "$2"; fail "the notch's margin shows black $1 (dark at:$(dark_margin_points))"; }
    is_dark 960 10 || fail "the notch vanished $1"
    shot "$2"
    open_and_close_notch "$1"
    within 10 margin_is_light || fail "the notch's margin shows black after an open and a close $1 (dark at:$(dark_margin_points))"
    is_dark 960 10 || fail "the notch vanished after an open and a close $1"
}

mode=notch
start_compositor
xdotool mousemove 960 700
launch_app "$DISPLAY"
move_to 960 700
eventually is_dark 960 10 || fail "the collapsed notch did not appear at the top centre"
within 10 margin_is_light || fail "the notch's margin is not clear under the compositor"
open_and_close_notch "under the compositor"

stop_compositor
notch_stays_clear "once the compositor has stopped" compositor-stopped
start_compositor
notch_stays_clear "once the compositor runs again" compositor-restarted
kill -0 "$app" 2>/dev/null || fail "quaverloom exited"
quit_app

# A flight that starts composited and loses the compositor on its way.
mode=flight
at=$(awk -v now="$(date +%s.%N)" 'BEGIN { printf "%.3f", now - 978307200 + 2 }')
cat >"$config/quaver-loom.tasks" <<JSON
{"sections":[{"id":"section.work","title":"Work","kind":"builtIn","sortOrder":0}],
 "tasks":[{"id":"6B1E3E8A-1C2D-4E5F-8A9B-0C1D2E3F4A5B","title":"Water the plants",
  "sectionID":"section.work","priority":"low","reasonText":"","aiReasonSourceTitle":null,"aiStatesByWorkspace":{},
  "createdAt":700000000,"sortOrder":0,"isCompleted":false,"completedAt":null,
  "reminder":{"scheduledAt":$at,"isDelivering":false}}],
 "selectedWorkspaceID":"workspace.all","workspacePromptsByID":{},"defaultPromptOverride":""}
JSON
# The flying group crosses the middle row, its title's dark letters on it; far
# above and below it the screen is the desktop's (white, or grey from xcompmgr).
group_on_middle_row() {
    import -window root -crop "1920x1+0+540" -depth 8 txt:- 2>/dev/null \
        | awk -F'[,:() ]+' '/^[0-9]/ && $3 + $4 + $5 < 200 { dark++ } END { exit !(dark >= 10) }'
}
screen_clear_around_group() { is_light 200 150 && is_light 1700 150 && is_light 200 950 && is_light 1700 950; }
launch_app "$DISPLAY"
within 30 group_on_middle_row || fail "the flight did not start"
screen_clear_around_group || fail "the screen around the flight is covered under the compositor"
stop_compositor
within 5 screen_clear_around_group || { shot flight-compositor-stopped; fail "the flight covers the screen once the compositor has stopped"; }
within 5 group_on_middle_row || fail "the flying group vanished once the compositor stopped"
shot flight-compositor-stopped
kill -0 "$app" 2>/dev/null || fail "quaverloom exited during the flight"
quit_app
echo "PASS: the notch and a flight stay clear of black when the compositor stops, and the notch stays whole when it starts again"
