#!/usr/bin/env bash
# Reduce motion follows the desktop on a real X server: a settings manager that
# publishes Gtk/EnableAnimations 0 (XSETTINGS) reduces the program's animations
# at start; the program follows the value as the manager changes it, and a
# manager that ends or starts while the program runs.
# Usage: reduce_motion.sh /path/to/quaverloom
set -u

binary=${1:?usage: reduce_motion.sh /path/to/quaverloom}
source "$(dirname "$0")/support/session.bash"
require_tools Xvfb python3
manager_script="$(dirname "$0")/support/xsettings_manager.py"
python3 -c 'import ctypes; ctypes.cdll.LoadLibrary("libX11.so.6")' 2>/dev/null || { echo "SKIP: no libX11"; exit 77; }

start_server Xvfb -screen 0 1920x1080x24 -wr -nolisten tcp
export DISPLAY=$server_display

# The settings manager reads its values from a pipe that this script holds open.
start_manager() {
    rm -f "$work/manager.in" && mkfifo "$work/manager.in"
    python3 "$manager_script" "$1" <"$work/manager.in" >"$work/manager.log" 2>&1 &
    manager=$!
    pids+=($manager)
    exec 7>"$work/manager.in"
    eventually grep -q ready "$work/manager.log" || fail "the settings manager did not start: $(cat "$work/manager.log")"
}
stop_manager() {
    exec 7>&-
    kill "$manager" 2>/dev/null
    wait "$manager" 2>/dev/null
}
# How often the log says so; the log may not exist yet just after the start.
logged() { local count; count=$(grep -c "$1" "$work/app.log" 2>/dev/null); [ "${count:-0}" -ge "$2" ]; }
reduced() { logged 'Animations reduced' "$1"; }
restored() { logged 'Animations back' "$1"; }

start_manager 0
launch_app "$DISPLAY"
within 10 reduced 1 || fail "the desktop's animations off did not reduce motion at start"
echo 1 >&7
within 5 restored 1 || fail "turning the desktop's animations on did not restore motion"
echo 0 >&7
within 5 reduced 2 || fail "turning them off again did not reduce motion"
# A manager that ends takes its settings with it; one that starts brings its own.
stop_manager
within 5 restored 2 || fail "the settings manager's end left motion reduced"
start_manager 0
within 5 reduced 3 || fail "a settings manager started later was not followed"
stop_manager
quit_app
echo "PASS: reduce motion follows the desktop's Gtk/EnableAnimations at start and while running"
