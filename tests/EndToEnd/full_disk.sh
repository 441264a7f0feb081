#!/usr/bin/env bash
# Tasks typed while the disk is full are never lost in silence: on a full
# tmpfs the failed save is logged with the system's reason, the next change
# after space frees up saves everything, and a quit while saves still fail
# keeps the workspace in $XDG_STATE_HOME/QuaverLoom/ and exits non-zero.
# Needs to mount a tmpfs (root, or a user namespace that allows it); skips
# where that is not allowed.
# Usage: full_disk.sh /path/to/quaverloom
set -u

binary=${1:?usage: full_disk.sh /path/to/quaverloom}
source "$(dirname "$0")/support/session.bash"
require_tools Xvfb xdotool import

# The configuration directory is a small disk of its own.
disk="$work/config"
if ! mount -t tmpfs -o size=256k,mode=700 tmpfs "$disk" 2>"$work/mount.log"; then
    echo "SKIP: cannot mount a tmpfs here ($(head -n1 "$work/mount.log"))"
    exit 77
fi
# The disk is unmounted after the program and the servers are gone.
trap 'cleanup_disk' EXIT
cleanup_disk() {
    for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null; done
    for pid in "${pids[@]}"; do wait "$pid" 2>/dev/null; done
    umount "$disk"
    cleanup
}
store_onboarded_preferences
export XDG_STATE_HOME="$work/state"

fill_disk() { dd if=/dev/zero of="$disk/filler" bs=4096 >/dev/null 2>&1; sync; }
free_disk() { rm -f "$disk/filler"; }
failures() { grep -c "Failed to persist workspace: No space left on device" "$work/app.log"; }
more_failures_than() { [ "$(failures)" -gt "$1" ]; }
stored_titles() {
    python3 -c 'import json,sys
for t in json.load(open(sys.argv[1]))["tasks"]: print(t["title"])' "$1" 2>/dev/null | tr '\n' '|'
}
stored_are() { [ "$(stored_titles "$config/quaver-loom.tasks")" = "$1" ]; }
add_task() {
    xdotool type --delay 20 "$1"
    xdotool key Return
}

mode=plain
start_server Xvfb -screen 0 1920x1080x24 -wr -nolisten tcp
export DISPLAY=$server_display
launch_and_open_panel

fill_disk
add_task "Typed on a full disk"
within 10 more_failures_than 0 || fail "a save on the full disk was not reported with its reason"
grep -q "Unknown error" "$work/app.log" && fail "a failed save was reported as \"Unknown error\""
shot full-disk-status

# The next change, once there is room again, saves everything.
free_disk
add_task "Room again"
within 10 stored_are "Typed on a full disk|Room again|" \
    || fail "the change after space freed up did not save both tasks (stored: $(stored_titles "$config/quaver-loom.tasks"))"

fill_disk
seen=$(failures)
add_task "Typed before quitting"
within 10 more_failures_than "$seen" || fail "the second full disk was not reported"

kill -TERM "$app"
ended_within 20 "$app" || fail "quaverloom did not quit on SIGTERM"
wait "$app"
status=$?
[ "$status" -ne 0 ] || fail "quaverloom exited with status 0 although its tasks were not saved"

copies=("$XDG_STATE_HOME"/QuaverLoom/quaver-loom.tasks.unsaved-*)
[ -f "${copies[0]}" ] || fail "no unsaved copy in $XDG_STATE_HOME/QuaverLoom"
[[ "$(basename "${copies[0]}")" =~ ^quaver-loom\.tasks\.unsaved-[0-9]{8}T[0-9]{6}Z$ ]] \
    || fail "the unsaved copy is named ${copies[0]}"
[ "$(stored_titles "${copies[0]}")" = "Typed on a full disk|Room again|Typed before quitting|" ] \
    || fail "the unsaved copy holds $(stored_titles "${copies[0]}")"
grep -qF "${copies[0]}" "$work/app.log" || fail "the log does not say where the unsaved copy is"
stored_are "Typed on a full disk|Room again|" || fail "the record on the full disk changed"
echo "PASS: saves on a full disk are reported with their reason, retried on the next change, and kept in the state directory at quit with a non-zero exit status"
