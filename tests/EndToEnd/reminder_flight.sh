#!/usr/bin/env bash
# A stored reminder flies on a real X server, first without and then with a
# window manager: the airplane and its banner cross the middle of the screen
# from left to right, clicks at the centre reach the window below during the
# flight, nothing else of the screen is covered, the tow lines show whole and
# nothing dark or left over from earlier frames lies between the pole and the
# airplane (no compositor here: a pixel not fully painted would show black),
# and afterwards the stored task has no reminder. The screenshots the flight is
# checked on are kept in $QUAVERLOOM_E2E_SHOTS when that is set.
# Usage: reminder_flight.sh /path/to/quaverloom
set -u

binary=${1:?usage: reminder_flight.sh /path/to/quaverloom}
source "$(dirname "$0")/support/session.bash"
require_tools Xvfb xdotool import xev python3
start_server Xvfb -screen 0 1920x1080x24 -wr -nolisten tcp
export DISPLAY=$server_display
fail_details() {
    # Every fifth sample with something on the rows: enough to see the group move.
    [ -f "$work/track" ] && grep -v ' none none none none none none$' "$work/track" | awk 'NR % 5 == 1' \
        | sed 's/^/  track (time; left, right at rows 540, 450, 640): /'
}
shots=${QUAVERLOOM_E2E_SHOTS:-$work/shots}
mkdir -p "$shots"

# One open task whose reminder falls due `seconds` from now (dates count from 2001-01-01 UTC).
store_task_due_in() {
    local at
    at=$(awk -v now="$(date +%s.%N)" -v ahead="$1" 'BEGIN { printf "%.3f", now - 978307200 + ahead }')
    cat >"$config/quaver-loom.tasks" <<JSON
{"sections":[{"id":"section.work","title":"Work","kind":"builtIn","sortOrder":0},
 {"id":"section.personal","title":"Personal","kind":"builtIn","sortOrder":1},
 {"id":"section.home","title":"Home","kind":"builtIn","sortOrder":2},
 {"id":"section.health","title":"Health","kind":"builtIn","sortOrder":3}],
 "tasks":[{"id":"6B1E3E8A-1C2D-4E5F-8A9B-0C1D2E3F4A5B","title":"Water the <b>plants</b> & call Sam",
  "sectionID":"section.home","priority":"low","reasonText":"","aiReasonSourceTitle":null,"aiStatesByWorkspace":{},
  "createdAt":700000000,"sortOrder":0,"isCompleted":false,"completedAt":null,
  "reminder":{"scheduledAt":$at,"isDelivering":false}}],
 "selectedWorkspaceID":"workspace.all","workspacePromptsByID":{},"defaultPromptOverride":""}
JSON
}
# The stored task's reminder, or "none".
stored_reminder() {
    grep -o '"reminder": *{[^}]*}' "$config/quaver-loom.tasks" || echo none
}

# Left and right ends of what is not white on a screen row ("none" when the row is blank).
# The outer columns are skipped: a window manager's frame may sit there.
row_extent() {
    import -window root -crop "1920x1+0+$1" -depth 8 txt:- 2>/dev/null | awk -F'[,:() ]+' '
        /^[0-9]/ { x = $1; if (x > 3 && x < 1916 && $3 + $4 + $5 < 735) { if (lo == "") lo = x; hi = x } }
        END { print (lo == "" ? "none" : lo " " hi) }'
}
button_presses() { grep -c ButtonPress "$work/xev.log" 2>/dev/null || true; }

# What is wrong, if anything, between the pole and the airplane in a screenshot:
# the gap is found from the airplane's nose, the right end of the middle row.
# Only the two tow lines may be painted there, each a pixel or two a row, and
# in a light grey, never near black.
tow_line_faults() {
    convert "$1" -depth 8 rgb:- | python3 -c '
import sys
width, data = 1920, sys.stdin.buffer.read()
def pixel(x, y):
    i = (y * width + x) * 3
    return data[i], data[i + 1], data[i + 2]
painted = lambda p: sum(p) < 735
nose = next((x for x in range(1915, 3, -1) if painted(pixel(x, 540))), None)
if nose is None or nose < 300 or nose > 1900:
    sys.exit()  # the group is not whole on screen
dark, crowded, lines = 0, [], 0
for y in range(480, 600):
    row = [pixel(x, y) for x in range(nose - 120, nose - 97)]
    dark += sum(1 for p in row if painted(p) and max(p) < 90)
    count = sum(1 for p in row if painted(p))
    lines += count > 0
    if count > 4:
        crowded.append(y)
if dark:
    print(f"{dark} near-black pixels between the pole and the airplane")
if crowded:
    print(f"more than the tow lines between the pole and the airplane on rows {crowded[0]}..{crowded[-1]}")
if lines < 60:
    print(f"the tow lines show on only {lines} rows")
'
}

scenario() {
    # A window across the middle of the screen that reports the clicks it gets; mapped first, so it lies below.
    xev -geometry 1920x400+0+340 -event button >"$work/xev.log" 2>&1 &
    local xev=$!
    pids+=($xev)
    eventually event_tester_shown || fail "xev did not show its window"
    xdotool mousemove 960 900

    # Only this flight's screenshots are checked, not those of an earlier run.
    rm -f "$shots/flight-$mode-"*.png
    store_task_due_in 3
    launch_app "$DISPLAY"

    # Follow the group along the middle row and the rows just above and below
    # its band. The rows are sampled apart from this loop, which may be slow
    # under load: every sample counts, not only those it happens to look at.
    : >"$work/track"
    python3 "$(dirname "$0")/support/screen_rows.py" "$work/track" 540 450 640 2>>"$work/sampler.log" &
    local sampler=$!
    pids+=($sampler)
    local clicked=0 clicked_at="" presses_before shot=0 shot_pids=() started=$SECONDS last_hi=0
    presses_before=$(button_presses)
    while [ $((SECONDS - started)) -lt 30 ]; do
        kill -0 "$app" 2>/dev/null || fail "quaverloom exited"
        kill -0 "$sampler" 2>/dev/null || fail "the screen sampler stopped: $(cat "$work/sampler.log")"
        local sample
        sample=$(tail -n1 "$work/track")
        set -- $sample
        if [ $# -eq 7 ] && [ "$2" != none ]; then
            last_hi=$3
            # A click while the group covers the centre, with room to spare as it moves on, goes to the window below.
            if [ "$clicked" -eq 0 ] && [ "$2" -lt 700 ] && [ "$3" -gt 1020 ]; then
                xdotool mousemove 960 540 click 1
                clicked_at=$(date +%s.%N)
                clicked=1
                import -window root "$shots/flight-$mode-centre.png" &
                shot_pids+=($!)
                stored_reminder | grep -q '"isDelivering": *true' \
                    || fail "the flying reminder is not marked as delivering: $(stored_reminder)"
            fi
            if [ "$shot" -lt 3 ] && [ "$2" -gt $((shot * 600)) ]; then
                import -window root "$shots/flight-$mode-$shot.png" &
                shot_pids+=($!)
                shot=$((shot + 1))
            fi
        elif [ $# -eq 7 ] && [ "$last_hi" -gt 1700 ]; then
            break
        fi
        sleep 0.05
    done
    kill "$sampler" 2>/dev/null
    wait "$sampler" "${shot_pids[@]}" 2>/dev/null
    local image faults
    for image in "$shots/flight-$mode-centre.png" "$shots/flight-$mode-1.png" "$shots/flight-$mode-2.png"; do
        [ -f "$image" ] || continue
        faults=$(tow_line_faults "$image")
        [ -z "$faults" ] || fail "$(basename "$image"): $faults"
    done
    # Whole samples only: the sampler may have been stopped in the middle of a line.
    awk -v clicked_at="${clicked_at:-0}" '
        NF != 7 { next }
        $2 == "none" { next }
        first == "" { first = $2 }
        { last = $3; seen++ }
        $4 != "none" { above++ }
        $6 != "none" { below++ }
        clicked_at > 0 && $1 > clicked_at && after == "" { after = ($2 < 960 && $3 > 960) ? "covered" : "passed" }
        END {
            if (!seen) { print "no flight crossed the middle of the screen"; exit }
            if (first >= 400) print "the flight did not come in from the left (first seen at " first ")"
            if (last <= 1700) print "the flight did not reach the right edge (last seen at " last ")"
            if (above) print "the screen above the flight is covered"
            if (below) print "the screen below the flight is covered"
            if (clicked_at > 0 && after != "covered") print "the group had left the centre when it was clicked"
        }' "$work/track" >"$work/track-faults"
    [ -s "$work/track-faults" ] && fail "$(paste -sd';' "$work/track-faults")"
    [ "$clicked" -eq 1 ] || fail "the group never covered the centre"
    eventually test "$(button_presses)" -gt "$presses_before" || fail "a click at the centre during the flight did not reach the window below"
    [ "$(pixel 0 0)" = "255 255 255" ] || fail "the flight window shows outside the group"

    # The reminder is cleared once the flight is over.
    reminder_cleared() { [ "$(stored_reminder)" = none ]; }
    within 15 reminder_cleared || fail "the stored task still has a reminder: $(stored_reminder)"
    [ "$(row_extent 540)" = none ] || fail "something is left on screen after the flight"

    quit_app
    kill "$xev" 2>/dev/null
    wait "$xev" 2>/dev/null
    return 0
}

run_scenario_without_and_with_window_manager
echo "PASS: the reminder flew across the screen, let clicks through and was cleared"
