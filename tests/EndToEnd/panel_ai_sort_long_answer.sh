#!/usr/bin/env bash
# AI Sort through the panel against a model server that names every task once
# and then the first again with another priority: one item more than there
# are tasks. With 63 tasks and with 64 (the most an answer may hold) the answer
# is refused alike: both prompts are asked, no task is ranked, the stored
# record stays as it was byte for byte, the log names the repeated number, and
# the status line shows "AI Sort couldn't classify the full list. Try again."
# (the same pixels for both counts).
# Screenshots go to $QUAVERLOOM_E2E_SHOTS when it is set.
# Usage: panel_ai_sort_long_answer.sh /path/to/quaverloom
set -u

binary=${1:?usage: panel_ai_sort_long_answer.sh /path/to/quaverloom}
source "$(dirname "$0")/support/session.bash"
require_tools Xvfb xdotool import python3 md5sum

python3 "$(dirname "$0")/fake_model_server.py" "$work/port" 0.3 first-again >"$work/model.log" 2>&1 &
pids+=($!)
within 30 test -s "$work/port" || fail "the model server did not start"
model_url="http://127.0.0.1:$(cat "$work/port")"

start_server Xvfb -screen 0 1920x1080x24 -wr -nolisten tcp
export DISPLAY=$server_display

tasks_file="$config/quaver-loom.tasks"
# The expanded panel: its left edge, the tab labels' row and the AI Sort button.
left=683
strip_y=73
ai_sort_x=740
ai_sort_y=16
refusal="AI Sort couldn't classify the full list. Try again."

# The status line under the tabs, as a checksum of its pixels, and how many of them are light.
status_band() { import -window root -crop 440x14+$((left + 28))+$((strip_y + 28)) -depth 8 txt:- 2>/dev/null; }
status_pixels() { status_band | md5sum | cut -d' ' -f1; }
status_light() { status_band | awk -F'[,:() ]+' 'NR > 1 && ($3 + $4 + $5) > 240 { n++ } END { print n + 0 }'; }
band_settled() { local first; first=$(status_pixels); sleep 0.3; [ "$(status_pixels)" = "$first" ]; }
record_settled() { local first; first=$(md5sum <"$tasks_file"); sleep 0.5; [ "$(md5sum <"$tasks_file")" = "$first" ]; }
answers() { grep -c '^answered' "$work/model.log"; }
unranked() {
    python3 - "$tasks_file" <<'PY'
import json, sys
tasks = json.load(open(sys.argv[1]))["tasks"]
sys.exit(0 if all(not t["reasonText"] and not t.get("aiStatesByWorkspace") for t in tasks) else 1)
PY
}

# Leaves the status line's checksum in `band`.
refused_with() {
    local count=$1 items=$(($1 + 1)) asked
    mode="$count tasks"
    python3 "$(dirname "$0")/support/work_tasks.py" "$count" >"$tasks_file"
    launch_and_open_panel
    within 10 band_settled || fail "the panel did not settle"
    within 10 record_settled || fail "the record kept changing after the start"
    cp "$tasks_file" "$work/before.json"
    local before_band before_light
    before_band=$(status_pixels)
    before_light=$(status_light)
    asked=$(answers)
    xdotool mousemove $ai_sort_x $ai_sort_y click 1
    within 20 grep -qF "Failed to sort tasks: $refusal" "$work/app.log" \
        || fail "an answer of $items items for $count tasks was not refused"
    [ "$(answers)" = $((asked + 2)) ] || fail "not both prompts were asked: $(tail -n 3 "$work/model.log")"
    [ "$(grep -c "^answered $items items" "$work/model.log")" -ge 2 ] || fail "the server did not answer $items items"
    for plan in full compact; do
        grep -qF "The model's answer to the $plan prompt does not name each of the $count tasks once ($items items): repeated 1" \
            "$work/app.log" || fail "the log does not say that task 1 was repeated in the $plan answer"
    done
    eventually test "$(status_pixels)" != "$before_band" || fail "the refused answer left no status line"
    within 10 band_settled || fail "the status line did not settle"
    [ "$(status_light)" -gt "$before_light" ] || fail "no text on the status line"
    band=$(status_pixels)
    shot "refused-$count"
    unranked || fail "a task was ranked from an answer with a task named twice"
    cmp -s "$tasks_file" "$work/before.json" || fail "the refused answer changed the stored record"
    quit_app
    cmp -s "$tasks_file" "$work/before.json" || fail "the record changed when the program quit"
}

refused_with 63
fewer=$band
refused_with 64
[ "$band" = "$fewer" ] || fail "the status line for 64 tasks differs from the refusal with 63"
echo "PASS: an answer with one item more than tasks is refused for 63 and for 64 tasks alike: both prompts asked, nothing ranked or stored, the repeated number logged, the status line shown"
