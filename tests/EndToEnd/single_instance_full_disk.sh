#!/usr/bin/env bash
# One copy per data directory also where the disk is full or a copy crashed: a
# copy started on a full disk runs without the lock, a later start hands its
# request to it (exit 0) rather than run beside it, and the copy takes the lock
# once there is room, as it takes it again when its lock file is removed; after
# kill -9 on a full disk, or with an empty lock file, the next start runs.
# Needs to mount a tmpfs (root, or a user namespace that allows it); skips
# where that is not allowed.
# Usage: single_instance_full_disk.sh /path/to/quaverloom
set -u

binary=${1:?usage: single_instance_full_disk.sh /path/to/quaverloom}
source "$(dirname "$0")/support/session.bash"
require_tools Xvfb xdotool import

# The configuration directory, where the lock and the socket live, is a small disk of its own.
disk="$work/config"
if ! mount -t tmpfs -o size=256k,mode=700 tmpfs "$disk" 2>"$work/mount.log"; then
    echo "SKIP: cannot mount a tmpfs here ($(head -n1 "$work/mount.log"))"
    exit 77
fi
trap 'cleanup_disk' EXIT
cleanup_disk() {
    for pid in "${pids[@]}"; do kill -9 "$pid" 2>/dev/null; done
    for pid in "${pids[@]}"; do wait "$pid" 2>/dev/null; done
    umount "$disk"
    cleanup
}
store_onboarded_preferences
lock="$config/.quaverloom.lock"

fill_disk() { dd if=/dev/zero of="$disk/filler" bs=4096 >/dev/null 2>&1; sync; }
free_disk() { rm -f "$disk/filler"; }
lock_names() { [ "$(head -n1 "$lock" 2>/dev/null)" = "$1" ]; }
logged() { grep -qF "$1" "$work/app.log"; }
notch_shows() { eventually is_dark 960 10 || fail "the notch of the copy that runs did not show"; }

# Starts the program once more while a copy runs: it must hand its request
# over and end with 0, and the running copy shows its control panel.
second_start() {
    env DISPLAY="$DISPLAY" XDG_CONFIG_HOME="$work/config" XDG_CACHE_HOME="$work/cache" XDG_RUNTIME_DIR="$work/runtime" \
        XDG_DATA_HOME="$work/data" QT_QPA_PLATFORM=xcb QUAVERLOOM_MODEL_URL="http://127.0.0.1:9" "$binary" >"$work/second.log" 2>&1 &
    local pid=$!
    pids+=($pid)
    ended_within 10 "$pid" || fail "$1: a second copy runs beside the first"
    wait "$pid"
    local status=$?
    [ "$status" -eq 0 ] || fail "$1: the second start exited with $status: $(cat "$work/second.log")"
    eventually has_panel_window || fail "$1: the running copy did not show its control panel"
    kill -0 "$app" 2>/dev/null || fail "$1: the first copy ended"
}
quit_and_close() {
    quit_app
    eventually no_panel_window || fail "the control panel outlived its copy"
}

start_server Xvfb -screen 0 1920x1080x24 -wr -nolisten tcp
export DISPLAY=$server_display

# Started on a full disk, the copy runs without the lock; once there is room a
# later start still finds it, and the copy takes the lock.
fill_disk
launch_app "$DISPLAY"
notch_shows
within 10 logged "Cannot create the lock file" || fail "the start on a full disk did not say it runs without the lock"
free_disk
second_start "started on a full disk"
within 10 lock_names "$app" || fail "the copy without the lock did not take it once there was room"
shot lock-taken-after-full-disk
quit_and_close

# Its lock file removed while it runs: a later start finds it, and it takes the lock again.
launch_app "$DISPLAY"
notch_shows
within 10 lock_names "$app" || fail "the copy did not take the lock"
rm -f "$lock"
second_start "lock file removed"
within 10 lock_names "$app" || fail "the copy did not take its removed lock file again"
quit_and_close

# Killed with -9 on a full disk: its lock and socket stay, and the next start runs all the same.
launch_app "$DISPLAY"
notch_shows
within 10 lock_names "$app" || fail "the copy did not take the lock"
fill_disk
kill -9 "$app"
wait "$app" 2>/dev/null
[ -f "$lock" ] && [ -S "$config/.quaverloom.socket" ] || fail "kill -9 left no lock and socket to test with"
launch_app "$DISPLAY"
notch_shows
second_start "after kill -9 on a full disk"
free_disk
within 10 lock_names "$app" || fail "the copy started after the crash did not take the lock once there was room"
quit_and_close

# An empty lock file, as a power cut may leave, names no copy.
: >"$lock"
launch_app "$DISPLAY"
notch_shows
within 10 lock_names "$app" || fail "the start did not take over an empty lock file"
second_start "empty lock file"
quit_and_close
echo "PASS: one copy runs per data directory after a full disk, a removed lock file, kill -9 on a full disk and an empty lock file, and later starts hand their requests to it"
