#!/usr/bin/env bash
# Titles typed fast into the composer, each ended by Return, are stored one by
# one, exactly as typed: keys that arrive while a task is being added land in
# the next title, never in the one just added. Run with 20 and with 20,000
# tasks, where adding one keeps the program busy for a while, on a real X
# server at 6 ms a key.
# Usage: composer_fast_typing.sh /path/to/quaverloom
set -u

binary=${1:?usage: composer_fast_typing.sh /path/to/quaverloom}
source "$(dirname "$0")/support/session.bash"
require_tools Xvfb xdotool import python3

mode=plain
start_server Xvfb -screen 0 1920x1080x24 -wr -nolisten tcp
export DISPLAY=$server_display

tasks_file="$config/quaver-loom.tasks"
# The Work section selected, holding the given number of open tasks.
store_tasks() { python3 "$(dirname "$0")/support/work_tasks.py" "$1" >"$tasks_file"; }
# The titles stored after the seeded ones, one a line.
added_titles() {
    python3 -c 'import json,sys
for t in json.load(open(sys.argv[1]))["tasks"][int(sys.argv[2]):]: print(t["title"])' "$tasks_file" "$1" 2>/dev/null
}
has_added() { added_titles "$1" | grep -qx "$2"; }
# The last title typed has been stored, on its own or joined to others.
last_is_in() { added_titles "$1" | tail -n1 | grep -q 'q24x$'; }
focused_window() { xdotool getwindowfocus 2>/dev/null || echo none; }
focus_moved_from() { [ "$(focused_window)" != "$1" ]; }

try_count() {
    local count=$1 keys=() expected="ready" k title
    for k in $(seq 1 24); do
        title=$(printf 'q%02dx' "$k")
        expected+=$'\n'"$title"
        keys+=(q "${title:1:1}" "${title:2:1}" x Return)
    done
    store_tasks "$count"
    local focus_before
    focus_before=$(focused_window)
    launch_app "$DISPLAY"
    move_to 960 700
    within 60 is_dark 960 10 || fail "$count tasks: the collapsed notch did not appear"
    move_to 960 0
    within 20 is_dark 1220 370 || fail "$count tasks: the panel did not grow to its full size"
    within 10 focus_moved_from "$focus_before" || fail "$count tasks: the panel did not take the keyboard"
    # A first title at an ordinary pace shows that the composer takes keys.
    xdotool type --delay 20 "ready"
    xdotool key Return
    within 20 has_added "$count" ready || fail "$count tasks: the first typed task was not saved"

    xdotool key --delay 6 "${keys[@]}"
    within 60 last_is_in "$count" || fail "$count tasks: the last title was not saved (added: $(added_titles "$count" | tr '\n' '|'))"
    [ "$(added_titles "$count")" = "$expected" ] \
        || fail "$count tasks: the titles typed fast were not stored one by one (added: $(added_titles "$count" | tr '\n' '|'))"
    quit_app
}

try_count 20
try_count 20000
echo "PASS: 24 titles typed at 6 ms a key are each stored once, with 20 and with 20,000 tasks"
