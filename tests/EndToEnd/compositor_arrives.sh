#!/usr/bin/env bash
# A compositor that arrives after the program, as at a login where the program
# starts before the window manager: started on bare X, the program opens and
# closes its panel and its section menu; then xfwm4 starts with its compositor
# (it draws only the windows it sees created or brought to the root, never one
# already mapped), is replaced by another xfwm4, and leaves; picom, then
# xcompmgr, start later in turn. After each arrival a hover shows the panel on
# the screen and the section menu shows whole, its window no longer cut to the
# smaller shape it had without a compositor; a title being typed while picom
# starts keeps its text and the keyboard. Last, a reminder flight on bare X
# stays on screen when xfwm4 starts with its compositor halfway.
# Screenshots go to $QUAVERLOOM_E2E_SHOTS when that is set.
# Usage: compositor_arrives.sh /path/to/quaverloom
set -u

binary=${1:?usage: compositor_arrives.sh /path/to/quaverloom}
source "$(dirname "$0")/support/session.bash"
require_tools Xvfb xdotool import convert xwininfo python3 dbus-daemon xfwm4 picom xcompmgr hsetroot

start_server Xvfb -screen 0 1920x1080x24 -wr -nolisten tcp
export DISPLAY=$server_display

# The desktop's own files and settings stay in the scratch directory.
desktop_env=(HOME="$work/home" XDG_CONFIG_HOME="$work/desktop/config" XDG_CACHE_HOME="$work/desktop/cache"
             XDG_DATA_HOME="$work/desktop/data")
mkdir -p "$work/home" "$work/desktop"
# xfwm4 leaves at once without a session bus: it reads its settings through it.
bus=$(env "${desktop_env[@]}" dbus-daemon --session --fork --print-address=1 --print-pid=1) \
    || fail "the session bus did not start"
export DBUS_SESSION_BUS_ADDRESS=${bus%%$'\n'*}
pids+=(${bus##*$'\n'})

# A light wallpaper, as a person would set one; the panel and popovers are dark on it.
convert -size 1920x1080 gradient:'#ffffff-#d8e4ee' "$work/wallpaper.png"
set_wallpaper() { hsetroot -fill "$work/wallpaper.png" >/dev/null 2>&1; }
set_wallpaper

compositor_owner() { python3 "$(dirname "$0")/support/selection_owner.py" _NET_WM_CM_S0 --print; }
owner_is_not() { local owner; owner=$(compositor_owner); [ "$owner" != 0x0 ] && [ "$owner" != "$1" ]; }
no_compositor() { [ "$(compositor_owner)" = 0x0 ]; }

# Starts a compositor (its command follows) and waits until it has taken the screen.
compositor=""
start_compositor_process() {
    local before
    before=$(compositor_owner)
    env "${desktop_env[@]}" "$@" >>"$work/compositors.log" 2>&1 &
    compositor=$!
    pids+=($compositor)
    within 30 owner_is_not "$before" || fail "$1 did not take the screen: $(tail -n 5 "$work/compositors.log")"
    # Someone sets the wallpaper once the desktop is up.
    set_wallpaper
}
stop_compositor() {
    kill "$compositor" 2>/dev/null
    wait "$compositor" 2>/dev/null
    within 20 no_compositor || fail "the compositor did not let go of the screen"
}
fail_details() { [ -s "$work/compositors.log" ] && sed 's/^/  compositor: /' "$work/compositors.log" | tail -n 20; }

tasks_file="$config/quaver-loom.tasks"
cat >"$tasks_file" <<'JSON'
{"sections":[{"id":"section.work","title":"Work","kind":"builtIn","sortOrder":0},
 {"id":"section.home","title":"Home","kind":"builtIn","sortOrder":1}],
 "tasks":[],"selectedWorkspaceID":"section.home","workspacePromptsByID":{},"defaultPromptOverride":""}
JSON
titles() { python3 -c 'import json,sys; print("|".join(t["title"] for t in json.load(open(sys.argv[1]))["tasks"]))' "$tasks_file" 2>/dev/null; }
stored_title() { [ "$(titles)" = "$1" ]; }

# The notch's window (646 wide): it takes the keyboard while open, and it is
# cut to the visible panel while no compositor runs, whole once it has
# followed a compositor that started.
notch_window() { xwininfo -root -tree 2>/dev/null | sed -n 's/^ *\(0x[0-9a-f]*\) "QuaverLoom": ("[^"]*" "QuaverLoom")  646x.*/\1/p' | head -n1; }
keyboard_on_notch() { local id; id=$(notch_window); [ -n "$id" ] && [ "$(xdotool getwindowfocus 2>/dev/null)" = "$((id))" ]; }
notch_whole() { local id; id=$(notch_window); [ -n "$id" ] && xwininfo -id "$id" -shape 2>/dev/null | grep -q "No window shape defined"; }

# Dark points of the open panel, and points beside the collapsed notch that
# the desktop fills.
panel_on_screen() { is_dark 960 200 && is_dark 1220 370 && is_dark 700 30; }
notch_alone() { is_dark 960 10 && is_light 650 10 && is_light 1270 10 && is_light 960 300; }
open_panel() {
    move_to 960 0
    within 15 panel_on_screen || { shot "panel-missing-$mode"; fail "the open panel is not on the screen $1"; }
}
close_panel() {
    move_to 960 700
    within 15 notch_alone || { shot "notch-missing-$mode"; fail "the collapsed notch is not on the screen alone $1"; }
}

# The section menu: its button in the header, and its window (220 wide, or 252
# with room for a shadow) as "id x y width height".
menu_x=1156 menu_y=15
menu_window() {
    xwininfo -root -tree 2>/dev/null \
        | sed -n 's/^ *\(0x[0-9a-f]*\) "QuaverLoom": ("[^"]*" "QuaverLoom")  \(220\|252\)x\([0-9]*\)+\([0-9]*\)+\([0-9]*\).*/\1 \4 \5 \2 \3/p' \
        | head -n1
}
menu_shown() { [ -n "$(menu_window)" ]; }
menu_hidden() { [ -z "$(menu_window)" ]; }
open_menu() {
    move_to "$menu_x" "$menu_y"
    sleep 0.2
    xdotool click 1
    within 10 menu_shown || fail "the section menu did not open $1"
}
close_menu() {
    xdotool key Escape
    within 10 menu_hidden || fail "Escape did not close the section menu $1"
}
# Does some client hold the pointer? Another one cannot take it then.
pointer_grabbed() {
    python3 - <<'PY'
import ctypes, sys
x = ctypes.CDLL("libX11.so.6")
x.XOpenDisplay.restype = ctypes.c_void_p
x.XOpenDisplay.argtypes = [ctypes.c_char_p]
x.XDefaultRootWindow.restype = ctypes.c_ulong
x.XDefaultRootWindow.argtypes = [ctypes.c_void_p]
x.XGrabPointer.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_int, ctypes.c_uint, ctypes.c_int, ctypes.c_int,
                           ctypes.c_ulong, ctypes.c_ulong, ctypes.c_ulong]
x.XCloseDisplay.argtypes = [ctypes.c_void_p]
display = x.XOpenDisplay(None)
if not display:
    sys.exit(2)
# AlreadyGrabbed is 1; a grab that succeeds ends as the connection closes.
status = x.XGrabPointer(display, x.XDefaultRootWindow(display), 0, 0, 1, 1, 0, 0, 0)
x.XCloseDisplay(display)
sys.exit(0 if status == 1 else 1)
PY
}
# The popover's grey, over the panel or the wallpaper.
is_popover() { set -- $(pixel "$1" "$2"); [ "${1:-255}" -lt 80 ] && [ "${2:-255}" -lt 80 ] && [ "${3:-255}" -lt 80 ]; }
# Composited, the menu's window is whole: no shape, or one as large as the
# window. Its chrome (220 wide, 16 in from the left, 6 from the top) shows to
# its right edge, which lies beside the panel, over the wallpaper.
menu_whole() {
    set -- $(menu_window)
    [ $# -eq 5 ] || return 1
    local shape
    shape=$(xwininfo -id "$1" -shape 2>/dev/null | sed -n 's/.*Window shape extents: *//p')
    [ -z "$shape" ] || [ "$shape" = "${4}x${5}+0+0" ] || return 1
    is_popover $(($2 + 16 + 220 - 5)) $(($3 + 6 + 40)) && is_popover $(($2 + 16 + 110)) $(($3 + 6 + 140 - 4))
}
check_menu_whole() {
    open_menu "$1"
    within 10 menu_whole || {
        shot "menu-cut-$mode"
        set -- "$1" $(menu_window)
        fail "the section menu is cut $1 (window ${5:-?}x${6:-?}, shape: $(xwininfo -id "${2:-0}" -shape 2>/dev/null | sed -n 's/.*Window shape extents: *//p'))"
    }
    shot "menu-$mode"
    close_menu "$1"
}

launch_app "$DISPLAY"
move_to 960 700
within 30 is_dark 960 10 || fail "the collapsed notch did not appear on bare X"

mode=bare
open_panel "on bare X"
open_menu "on bare X"
shot menu-bare
close_menu "on bare X"
close_panel "on bare X"

mode=xfwm4
start_compositor_process xfwm4 --compositor=on
window_manager_answers 30 || fail "xfwm4 did not finish starting"
open_panel "once xfwm4 composites"
shot panel-xfwm4
check_menu_whole "once xfwm4 composites"
close_panel "once xfwm4 composites"

mode=xfwm4-replaced
replaced=$compositor
start_compositor_process xfwm4 --replace --compositor=on
ended_within 20 "$replaced" || fail "the first xfwm4 did not leave when replaced"
window_manager_answers 30 || fail "the second xfwm4 did not finish starting"
open_panel "once another xfwm4 has replaced the first"
shot panel-xfwm4-replaced
close_panel "once another xfwm4 has replaced the first"
stop_compositor

# The next compositor finds the program in the middle of typing a title.
mode=picom
open_panel "with no compositor again"
open_menu "with no compositor again"
close_menu "with no compositor again"
within 10 keyboard_on_notch || fail "the open panel does not have the keyboard"
xdotool type --delay 30 "Buy milk"
start_compositor_process picom --backend xrender --config /dev/null
# Once the notch has followed picom, it has shown itself to it anew.
within 15 notch_whole || fail "the notch kept its cut shape under picom"
within 15 panel_on_screen || { shot panel-missing-picom; fail "the open panel left the screen when picom started"; }
shot panel-picom
keyboard_on_notch || fail "the panel lost the keyboard when picom started"
xdotool type --delay 30 " today"
xdotool key Return
within 15 stored_title "Buy milk today" || fail "the title typed while picom started was not kept whole (stored: $(titles))"
check_menu_whole "once picom composites"
close_panel "once picom composites"
stop_compositor

# The next one finds the section menu open.
mode=xcompmgr
open_panel "with no compositor again"
open_menu "with no compositor again"
start_compositor_process xcompmgr
within 15 menu_whole || { shot menu-cut-xcompmgr; fail "the open section menu is cut once xcompmgr composites"; }
shot panel-xcompmgr
# Shown anew, the menu holds the pointer again, which brings it the click outside that closes it.
pointer_grabbed || fail "the open section menu let go of the pointer when xcompmgr started"
close_menu "once xcompmgr composites"
check_menu_whole "once xcompmgr composites"
close_panel "once xcompmgr composites"
stop_compositor
kill -0 "$app" 2>/dev/null || fail "quaverloom exited"
if grep -E "^(QWidget|QPainter|QObject|QLayout|QWindow|qt\.)|XCB error" "$work/app.log"; then
    fail "the program wrote toolkit warnings"
fi
quit_app

# A flight under way on bare X when xfwm4 starts with its compositor.
mode=flight
stored_reminder_due_in() {
    local at
    at=$(awk -v now="$(date +%s.%N)" -v due="$1" 'BEGIN { printf "%.3f", now - 978307200 + due }')
    cat >"$tasks_file" <<JSON
{"sections":[{"id":"section.work","title":"Work","kind":"builtIn","sortOrder":0}],
 "tasks":[{"id":"6B1E3E8A-1C2D-4E5F-8A9B-0C1D2E3F4A5B","title":"Water the plants",
  "sectionID":"section.work","priority":"low","reasonText":"","aiReasonSourceTitle":null,"aiStatesByWorkspace":{},
  "createdAt":700000000,"sortOrder":0,"isCompleted":false,"completedAt":null,
  "reminder":{"scheduledAt":$at,"isDelivering":false}}],
 "selectedWorkspaceID":"workspace.all","workspacePromptsByID":{},"defaultPromptOverride":""}
JSON
}
# The flying group's dark letters cross the middle row; the group moves on, so
# two looks a moment apart differ.
middle_row() {
    import -window root -crop "1920x1+0+540" -depth 8 txt:- 2>/dev/null \
        | awk -F'[,:() ]+' '/^[0-9]/ && $3 + $4 + $5 < 200 { print $1 }' | tr '\n' ' '
}
group_on_middle_row() { [ "$(middle_row | wc -w)" -ge 10 ]; }
group_moving() {
    local first
    first=$(middle_row)
    sleep 0.3
    group_on_middle_row && [ "$(middle_row)" != "$first" ]
}
flight_window_up() { xwininfo -root -tree 2>/dev/null | grep -q '"QuaverLoom": ("[^"]*" "QuaverLoom")  1920x1080+0+0'; }
# 0: the group flies on under xfwm4; 1: it left the screen while its window
# stayed; 2: the flight was over before xfwm4 took the screen (a loaded machine).
flight_under_arriving_xfwm4() {
    stored_reminder_due_in 2
    launch_app "$DISPLAY"
    within 30 group_on_middle_row || fail "the flight did not start on bare X"
    start_compositor_process xfwm4 --compositor=on
    local outcome=2
    if flight_window_up; then
        outcome=1
        while flight_window_up; do
            if group_moving; then
                outcome=0
                break
            fi
        done
    fi
    shot flight-xfwm4
    kill -0 "$app" 2>/dev/null || fail "quaverloom exited during the flight"
    quit_app
    stop_compositor
    return $outcome
}
for attempt in 1 2 3; do
    flight_under_arriving_xfwm4
    case $? in
    0) break ;;
    1) fail "the flight left the screen when xfwm4 started" ;;
    *) [ "$attempt" -lt 3 ] || fail "three flights were over before xfwm4 took the screen" ;;
    esac
done
echo "PASS: the panel, the section menu and a flight show whole whichever compositor arrives later"
