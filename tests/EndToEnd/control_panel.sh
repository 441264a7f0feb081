#!/usr/bin/env bash
# The control-panel window on a real X server with a window manager: the first
# launch opens it with the onboarding over it, and once that is closed History
# shows its empty state; the reopen preference opens it
# on the overview; the sidebar switches pages; the launch-at-login switch
# writes and removes the autostart entry; closing the window keeps the program
# running. Screenshots go to $QUAVERLOOM_E2E_SHOTS when it is set.
# Usage: control_panel.sh /path/to/quaverloom
set -u

binary=${1:?usage: control_panel.sh /path/to/quaverloom}
source "$(dirname "$0")/support/session.bash"
require_tools Xvfb xdotool xwininfo import openbox python3
here=$(cd "$(dirname "$0")" && pwd)

start_server Xvfb -screen 0 1920x1080x24 -wr -nolisten tcp
export DISPLAY=$server_display
start_window_manager

# Starts the program on fresh settings, after running the given set-up command.
start_app() {
    rm -rf "$work/config" "$work/cache"
    mkdir -p "$work/config/QuaverLoom" "$work/cache"
    "$@"
    launch_app "$DISPLAY"
}

# First launch: nothing stored; the window opens with the onboarding over it.
start_app true
eventually has_panel_window || fail "the first launch did not open the control panel"
within 10 intro_shows || fail "the first launch does not show the onboarding's intro"
shot first-launch
[ -s "$work/config/QuaverLoom/quaver-loom.preferences" ] && fail "preferences were written before anything changed"
# Past the intro (its start button at the bottom centre), the close button sits
# at the top right of the slides.
window_geometry
click_in_window $((WIDTH / 2)) $((HEIGHT - 57))
within 10 slides_show || fail "the intro's start button did not lead to the slides"
click_in_window $((WIDTH - 48)) 65
prefs_done() { grep -qs '"hasCompletedOnboarding": *true' "$work/config/QuaverLoom/quaver-loom.preferences"; }
eventually prefs_done \
    || fail "closing the onboarding did not complete it"
# Nothing completed yet: History shows the clock, "No History Yet" and its line
# of text below the header, not a flat colour.
history_empty_shows() {
    window_geometry
    set -- $(import -window root -crop "$((WIDTH - 330))x180+$((X + 290))+$((Y + 150))" -depth 8 ppm:- 2>/dev/null \
        | python3 "$here/support/region_ink.py")
    [ "${1:-0}" -gt 600 ]
}
within 15 overview_tile_is_blue || fail "the overview does not show once the onboarding is closed (rgb $(overview_tile))"
click_in_window 70 118
within 10 eval '! overview_tile_is_blue' || fail "History did not replace the overview"
within 10 history_empty_shows || fail "History on a new account shows no empty state"
shot history-empty
quit_app

# A later launch with the reopen preference and a week of completions.
write_week() {
    python3 "$here/control_panel_fixture.py" "$work/config/QuaverLoom/quaver-loom.tasks" 2 0 3 1 4 2 3
    cat >"$work/config/QuaverLoom/quaver-loom.preferences" <<'JSON'
{"reopenControlPanelAtLaunch":true,"preferredControlPanelDestination":"overview","hasCompletedOnboarding":true,"launchAtLoginEnabled":false,"aiTaskRankingEnabled":true,"appearanceMode":"system"}
JSON
}
start_app write_week
eventually has_panel_window || fail "the reopen preference did not open the control panel"
# The window shows the overview page, once it has settled (later on a loaded machine).
within 15 overview_tile_is_blue || fail "the overview's completed tile is not where expected (rgb $(overview_tile))"
shot overview

# Hovering a day of the chart enlarges its dot, on every day of the week (the
# plot spans about x 400..1140 and y 300..460 of the default window).
disc_near() {
    window_geometry
    import -window root -crop "400x200+$(($1 - 200))+$((Y + 280))" -depth 8 ppm:- 2>/dev/null | python3 -c '
import sys
data = sys.stdin.buffer.read()
parts = data.split(maxsplit=4)
w, h, px = int(parts[1]), int(parts[2]), parts[4]
def accent(x, y):
    r, g, b = px[3 * (y * w + x):3 * (y * w + x) + 3]
    return b - r > 60 and b > 120
def run(x, y, dx, dy):
    n = 0
    while 0 <= x < w and 0 <= y < h and accent(x, y):
        n, x, y = n + 1, x + dx, y + dy
    return n
# A disc: at least 8 accent pixels across both ways through one point, near the middle column.
sys.exit(0 if any(run(x, y, 1, 0) + run(x, y, -1, 0) > 8 and run(x, y, 0, 1) + run(x, y, 0, -1) > 8
                  for y in range(h) for x in range(160, 240) if accent(x, y)) else 1)'
}
for day in 0 1 2 3 4 5 6; do
    window_geometry
    x=$((X + 406 + day * 121))
    move_to "$x" $((Y + 380))
    within 3 disc_near "$x" || fail "hovering day $((day + 1)) of the week shows no enlarged dot near x $x"
done
shot overview-hovered
move_to $((X + 100)) $((Y + 600))

# Settings shows the AI ranking switch, on, in the accent blue.
settings_shown() {
    window_geometry
    set -- $(pixel $((X + 1195)) $((Y + 233)))
    [ "${3:-0}" -gt 150 ] && [ "${1:-255}" -lt 100 ]
}
click_in_window 70 118   # History
within 10 eval '! overview_tile_is_blue' || fail "History did not replace the overview"
shot history
click_in_window 70 188   # Settings
within 10 settings_shown || fail "Settings did not show"
shot settings
click_in_window 1200 150 # the launch-at-login switch
eventually test -f "$work/config/autostart/quaverloom.desktop" || fail "launch at login wrote no autostart entry"
grep -q "^Exec=\"$binary\"$" "$work/config/autostart/quaverloom.desktop" || fail "the autostart entry does not start this program"
click_in_window 1200 150
eventually test ! -e "$work/config/autostart/quaverloom.desktop" || fail "turning launch at login off left the entry"

# Closing the window hides it; the program keeps running.
press_in_window "$(panel_window)" alt+F4
eventually no_panel_window || fail "the window did not close"
sleep 0.3
kill -0 "$app" 2>/dev/null || fail "closing the control panel quit the program"
quit_app
echo "PASS: the control panel opens at first launch and by preference, switches pages, saves settings and closes without quitting"
