#!/usr/bin/env bash
# The whole panel on a real X server with a compositor and a model server of
# our own: a section added through the tab strip, three tasks typed into it,
# AI Sort pressed; the glow shows while the model works, the rows come back in
# priority order with their reasons, and the stored workspace holds the
# priorities. The server lists embedding models before its chat model, and no
# model is configured: the chat model is found and named in the log. Without a
# model server the status line tells the user to start one. A model that names
# one task twice and leaves another out ranks nothing, stores nothing, and the
# status line says the list could not be classified.
# Screenshots of every state go to $QUAVERLOOM_E2E_SHOTS when it is set.
# Usage: panel_ai_sort.sh /path/to/quaverloom
set -u

binary=${1:?usage: panel_ai_sort.sh /path/to/quaverloom}
source "$(dirname "$0")/support/session.bash"
require_tools Xvfb xdotool import xcompmgr python3

shots=${QUAVERLOOM_E2E_SHOTS:-}
[ -n "$shots" ] && mkdir -p "$shots"
shot() { [ -n "$shots" ] && import -window root -crop 800x520+560+0 "$shots/$1.png"; return 0; }

# The model server: a free loopback port of its own choosing, answers after 2 s.
python3 "$(dirname "$0")/fake_model_server.py" "$work/port" 2 >"$work/model.log" 2>&1 &
pids+=($!)
within 30 test -s "$work/port" || fail "the model server did not start"

start_server Xvfb -screen 0 1920x1080x24 -wr -nolisten tcp
export DISPLAY=$server_display
start_compositor

# The expanded surface of the default geometry: 554 x 388 at the top centre.
left=683
strip_y=73         # the tab labels
composer_y=122     # the new-section field, under the tabs
ai_sort_x=740
ai_sort_y=16

# The rightmost light pixel on the tab row: the plus button after the last tab.
plus_x() {
    import -window root -crop 520x1+$((left + 18))+$strip_y -depth 8 txt:- 2>/dev/null | awk -F'[,:() ]+' '
        NR > 1 && ($3 + $4 + $5) > 300 { x = $1 } END { print x + 0 }'
}
# Is the pixel at (x, y) tinted, its channels at least $3 (default 40) apart?
is_coloured() {
    local rgb threshold=${3:-40}
    rgb=$(import -window root -crop "1x1+$1+$2" -depth 8 txt:- 2>/dev/null | tail -n1 \
        | sed -n 's/^[^(]*(\([0-9]*\),\([0-9]*\),\([0-9]*\).*/\1 \2 \3/p')
    [ -n "$rgb" ] || return 1
    set -- $rgb
    local max=$1 min=$1
    for c in "$2" "$3"; do [ "$c" -gt "$max" ] && max=$c; [ "$c" -lt "$min" ] && min=$c; done
    [ $((max - min)) -gt "$threshold" ]
}
stored() { python3 - "$work/config/QuaverLoom/quaver-loom.tasks" "$@"; }
expand() {
    move_to 960 700
    eventually is_light 960 200
    move_to 960 5
    eventually is_dark 960 300 || fail "the panel did not expand"
    within 10 is_dark 1220 370 || fail "the panel did not grow to its full size"
}
# The section composer's fill, left of where the task list's rows start.
composer_open() { set -- $(pixel 705 $composer_y); [ "${1:-0}" -ge 10 ] || [ "${2:-0}" -ge 10 ] || [ "${3:-0}" -ge 10 ]; }
stored_task_count() {
    stored <<'PY'
import json, sys
try:
    print(len(json.load(open(sys.argv[1]))["tasks"]))
except (OSError, ValueError):
    print(0)
PY
}
task_count_is() { [ "$(stored_task_count)" = "$1" ]; }

model_url="http://127.0.0.1:$(cat "$work/port")"
launch_app "$DISPLAY"
eventually is_dark 960 10 || fail "the collapsed notch did not appear"
expand
shot 1-expanded

# A section through the tab strip.
x=$(plus_x)
[ "$x" -gt 0 ] || fail "no plus button on the tab row"
xdotool mousemove $((left + 18 + x - 4)) $strip_y click 1
within 10 composer_open || fail "the + did not open the section composer"
shot 2-section-composer
xdotool mousemove 760 $composer_y click 1
xdotool type --delay 20 "Errands"
xdotool key Return
section_stored() {
    stored <<'PY'
import json, sys
state = json.load(open(sys.argv[1]))
ids = [s["id"] for s in state["sections"] if s["title"] == "Errands"]
sys.exit(0 if ids and state["selectedWorkspaceID"] == ids[0] else 1)
PY
}
within 10 section_stored || fail "the new section was not stored and selected"

# Three tasks: expanding again hands the composer the keyboard.
expand
count=$(stored_task_count)
for title in "Play a game" "Book the dentist" "File the tax return"; do
    xdotool type --delay 15 "$title"
    xdotool key Return
    count=$((count + 1))
    within 10 task_count_is $count || fail "\"$title\" was not stored"
done
shot 3-tasks
# Escape in the empty composer quits nothing.
xdotool key Escape
sleep 0.3
kill -0 "$app" 2>/dev/null || fail "Escape in the composer ended the program"
tasks_stored() {
    stored <<'PY'
import json, sys
state = json.load(open(sys.argv[1]))
section = state["selectedWorkspaceID"]
titles = [t["title"] for t in state["tasks"] if t["sectionID"] == section]
sys.exit(0 if sorted(titles) == ["Book the dentist", "File the tax return", "Play a game"] else 1)
PY
}
within 10 tasks_stored || fail "the three tasks were not stored in the new section"

# AI Sort: the glow lights the rim while the model works.
xdotool mousemove $ai_sort_x $ai_sort_y click 1
# The glow is faint by design: a tint of a few levels on the grey desktop.
glow_shown() { is_coloured $((left - 6)) 200 6 || is_coloured $((left + 554 + 5)) 200 6; }
rim_lit() { is_coloured $left 250 || is_coloured $((left + 1)) 250; }
eventually glow_shown || fail "no glow beside the panel while sorting"
eventually rim_lit || fail "no highlight on the rim while sorting"
shot 4-sorting
sorted_stored() {
    stored <<'PY'
import json, sys
state = json.load(open(sys.argv[1]))
section = state["selectedWorkspaceID"]
tasks = sorted((t for t in state["tasks"] if t["sectionID"] == section), key=lambda t: t["sortOrder"])
order = [t["title"] for t in tasks]
priorities = {t["title"]: t["priority"] for t in tasks}
reasons = all(t["reasonText"] for t in tasks)
ok = order == ["File the tax return", "Book the dentist", "Play a game"] and reasons and \
     priorities == {"File the tax return": "high", "Book the dentist": "medium", "Play a game": "low"}
sys.exit(0 if ok else 1)
PY
}
# The model answers after two seconds; a loaded machine takes longer to store what it said.
within 15 sorted_stored || fail "the stored tasks do not hold the model's priorities in order"
grep -q 'AI Sort asks the model “fake-model”' "$work/app.log" || fail "the log does not name the chat model chosen"
shot 5-sorted
# The glow has faded: nothing beside the panel is coloured any more.
glow_gone() { ! is_coloured $((left - 6)) 200 6 && ! is_coloured $((left + 554 + 5)) 200 6; }
within 10 glow_gone || fail "the glow stayed after the sort"
quit_app

# No model server: a new task is ranked, and the status line reports the failure.
model_url="http://127.0.0.1:9"
launch_app "$DISPLAY"
eventually is_dark 960 10 || fail "the collapsed notch did not appear"
expand
# Light pixels where the status line goes; the line pushes the rows down as well.
status_band() {
    import -window root -crop 500x14+$((left + 28))+$((strip_y + 28)) -depth 8 txt:- 2>/dev/null \
        | awk -F'[,:() ]+' 'NR > 1 && ($3 + $4 + $5) > 240 { n++ } END { print n + 0 }'
}
# A new task needs ranking, so the model is asked.
count=$(stored_task_count)
xdotool type --delay 15 "Water the plants"
xdotool key Return
within 10 task_count_is $((count + 1)) || fail "the new task was not stored"
# The new row has been drawn once two looks at the band agree.
band_settled() { local first; first=$(status_band); sleep 0.3; [ "$(status_band)" = "$first" ]; }
within 10 band_settled || fail "the list did not settle after the new task"
before=$(status_band)
xdotool mousemove $ai_sort_x $ai_sort_y click 1
eventually grep -q "Failed to sort tasks: Start a language model server on this computer to use AI Sort." \
    "$work/app.log" || fail "the sort did not ask for a model server when none answers"
eventually test "$(status_band)" != "$before" || fail "the failed sort left no status line"
shot 6-no-server
quit_app

# A model that numbers its items 1, 1, 2, 3, 4 for five tasks.
python3 "$(dirname "$0")/fake_model_server.py" "$work/repeat-port" 0.5 repeat-first >"$work/repeat-model.log" 2>&1 &
pids+=($!)
within 30 test -s "$work/repeat-port" || fail "the second model server did not start"
model_url="http://127.0.0.1:$(cat "$work/repeat-port")"
launch_app "$DISPLAY"
eventually is_dark 960 10 || fail "the collapsed notch did not appear"
expand
xdotool type --delay 15 "Pay the parking fine"
xdotool key Return
five_tasks_stored() {
    stored <<'PY'
import json, sys
state = json.load(open(sys.argv[1]))
section = state["selectedWorkspaceID"]
sys.exit(0 if sum(t["sectionID"] == section for t in state["tasks"]) == 5 else 1)
PY
}
within 10 five_tasks_stored || fail "the fifth task was not stored"
within 10 band_settled || fail "the list did not settle after the fifth task"
cp "$config/quaver-loom.tasks" "$work/before-sort.json"
before=$(status_band)
xdotool mousemove $ai_sort_x $ai_sort_y click 1
within 20 grep -q "Failed to sort tasks: AI Sort couldn't classify the full list. Try again." "$work/app.log" \
    || fail "an answer naming one task twice was not refused"
eventually test "$(status_band)" != "$before" || fail "the refused answer left no status line"
unranked() {
    stored <<'PY'
import json, sys
state = json.load(open(sys.argv[1]))
tasks = {t["title"]: t for t in state["tasks"]}
sys.exit(0 if all(not tasks[title]["reasonText"] and not tasks[title].get("aiStatesByWorkspace")
                  for title in ("Water the plants", "Pay the parking fine")) else 1)
PY
}
unranked || fail "a task was ranked from an answer that does not cover every task"
cmp -s "$config/quaver-loom.tasks" "$work/before-sort.json" || fail "the refused answer changed the stored tasks"
shot 7-repeated-number
quit_app
echo "PASS: a section, three tasks and AI Sort through the panel, past embedding models; the glow while sorting; the failure shown without a server; an answer that repeats a task number refused"
