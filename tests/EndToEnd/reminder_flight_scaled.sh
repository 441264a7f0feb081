#!/usr/bin/env bash
# A due reminder flies on a scaled screen with no compositor, bare X: while the
# group crosses the middle, the airplane, the banner's cloth and the title on it
# show whole (the window's shape keeps every device pixel painted, not slivers
# of them). Scales: 2x from the X resources' Xft.dpi 192 on a 3840x2160 screen,
# and 1.25x from QT_SCALE_FACTOR. Other settings may be given instead, each as
# WIDTHxHEIGHT:DPI:QT_SCALE_FACTOR (1920x1080:96:1 is the plain screen).
# With QUAVERLOOM_E2E_SHOTS set, the screen as checked is kept there.
# Usage: reminder_flight_scaled.sh /path/to/quaverloom [SETTING...]
set -u

binary=${1:?usage: reminder_flight_scaled.sh /path/to/quaverloom [SETTING...]}
shift
settings=("$@")
[ ${#settings[@]} -gt 0 ] || settings=(3840x2160:192:1 2400x1350:96:1.25)
source "$(dirname "$0")/support/session.bash"
require_tools Xvfb xrdb xdotool import python3

store_task_due_in() {
    local at
    at=$(awk -v now="$(date +%s.%N)" -v ahead="$1" 'BEGIN { printf "%.3f", now - 978307200 + ahead }')
    cat >"$config/quaver-loom.tasks" <<JSON
{"sections":[{"id":"section.work","title":"Work","kind":"builtIn","sortOrder":0},
 {"id":"section.personal","title":"Personal","kind":"builtIn","sortOrder":1},
 {"id":"section.home","title":"Home","kind":"builtIn","sortOrder":2},
 {"id":"section.health","title":"Health","kind":"builtIn","sortOrder":3}],
 "tasks":[{"id":"6B1E3E8A-1C2D-4E5F-8A9B-0C1D2E3F4A5B","title":"Water the plants",
  "sectionID":"section.home","priority":"low","reasonText":"","aiReasonSourceTitle":null,"aiStatesByWorkspace":{},
  "createdAt":700000000,"sortOrder":0,"isCompleted":false,"completedAt":null,
  "reminder":{"scheduledAt":$at,"isDelivering":false}}],
 "selectedWorkspaceID":"workspace.all","workspacePromptsByID":{},"defaultPromptOverride":""}
JSON
}

# The band of the screen the group crosses, taken once into $work/band.ppm; queries read it.
take_band() {
    import -window root -crop "${width}x${band_height}+0+${band_top}" -depth 8 "ppm:$work/band.ppm" 2>/dev/null
}
band() { python3 "$(dirname "$0")/support/screen_region.py" "$@" <"$work/band.ppm"; }
# The airplane's red lies in the middle of the screen.
airplane_in_middle() {
    take_band || return 1
    set -- $(band 0 0 "$width" "$band_height" extent red)
    [ $# -eq 4 ] && [ "$1" -gt $((width * 35 / 100)) ] && [ "$3" -lt $((width * 80 / 100)) ]
}

scenario() {
    local size=${1%%:*} rest=${1#*:}
    local dpi=${rest%%:*} scale=${rest#*:}
    mode="$size, Xft.dpi $dpi, QT_SCALE_FACTOR $scale"
    start_server Xvfb -screen 0 "${size}x24" -wr -nolisten tcp
    export DISPLAY=$server_display
    echo "Xft.dpi: $dpi" | xrdb -merge
    width=${size%x*}
    local height=${size#*x}
    # Device pixels per point, and the area they make of a point.
    local ratio area
    ratio=$(awk -v dpi="$dpi" -v scale="$scale" 'BEGIN { print dpi / 96 * scale }')
    area=$(awk -v r="$ratio" 'BEGIN { printf "%d", r * r * 100 }')
    band_height=$(awk -v r="$ratio" 'BEGIN { printf "%d", 240 * r }')
    band_top=$(((height - band_height) / 2))

    store_task_due_in 2
    QT_SCALE_FACTOR=$scale launch_app "$DISPLAY"
    within 30 airplane_in_middle || fail "the airplane never showed in the middle of the screen"
    [ -n "${QUAVERLOOM_E2E_SHOTS:-}" ] && mkdir -p "$QUAVERLOOM_E2E_SHOTS" \
        && convert "$work/band.ppm" "$QUAVERLOOM_E2E_SHOTS/reminder-flight-${size}-${dpi}-${scale}.png"

    # At 1x the airplane shows some 700 red pixels, the cloth 13,000 cream ones
    # and the title some 900 dark ones; these grow with the area of a point.
    # The airplane has some cream of its own: the banner is looked for behind it.
    local red cloth ink tail
    red=$(band 0 0 "$width" "$band_height" count red)
    [ "$red" -ge $((400 * area / 100)) ] || fail "only $red pixels of the airplane show"
    set -- $(band 0 0 "$width" "$band_height" extent red)
    tail=$1
    cloth=$(band 0 0 "$tail" "$band_height" count cloth)
    [ "$cloth" -ge $((8000 * area / 100)) ] || fail "only $cloth pixels of the banner's cloth show"
    set -- $(band 0 0 "$tail" "$band_height" extent cloth)
    ink=$(band "$1" "$2" $(($3 - $1 + 1)) $(($4 - $2 + 1)) count ink)
    [ "$ink" -ge $((400 * area / 100)) ] || fail "only $ink pixels of the banner's title show"

    quit_app
    kill "$server_pid" 2>/dev/null
    wait "$server_pid" 2>/dev/null
    echo "ok ($mode): airplane $red, cloth $cloth, title $ink device pixels"
}

for setting in "${settings[@]}"; do
    scenario "$setting"
done
echo "PASS: the flight shows whole on scaled screens without a compositor"
