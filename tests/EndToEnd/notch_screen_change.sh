#!/usr/bin/env bash
# The notch follows the screen: after a resolution change it sits at the top
# centre of the new screen, opens under the pointer there and nowhere else.
# Xvfb cannot change its own size, so the program runs on a resizable nested
# server (Xephyr) inside it and the size is changed with xrandr.
# Usage: notch_screen_change.sh /path/to/quaverloom
set -u

binary=${1:?usage: notch_screen_change.sh /path/to/quaverloom}
for tool in Xvfb Xephyr xrandr xdotool import; do
    command -v "$tool" >/dev/null 2>&1 || { echo "SKIP: $tool is not installed"; exit 77; }
done

work=$(mktemp -d)
pids=()
cleanup() {
    for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null; done
    for pid in "${pids[@]}"; do wait "$pid" 2>/dev/null; done
    rm -rf "$work"
}
trap cleanup EXIT
trap 'exit 1' INT TERM

fail() {
    echo "FAIL: $*"
    [ -f "$work/app.log" ] && sed 's/^/  app: /' "$work/app.log"
    exit 1
}
# Waits up to ~4 s for a condition.
eventually() {
    for _ in $(seq 40); do "$@" && return 0; sleep 0.1; done
    return 1
}
# Starts an X server that picks its own free display and prints it to fd 3.
start_server() {
    local file=$1
    shift
    "$@" 3>"$file" >>"$work/servers.log" 2>&1 &
    pids+=($!)
    for _ in $(seq 50); do [ -s "$file" ] && break; sleep 0.1; done
    [ -s "$file" ] || fail "$1 did not start"
    echo ":$(head -n1 "$file")"
}

# The host is as large as the largest size asked for; the nested server's window covers it from (0, 0).
host=$(start_server "$work/host" Xvfb -displayfd 3 -screen 0 2560x1440x24 -wr -nolisten tcp)
nested=$(DISPLAY=$host start_server "$work/nested" Xephyr -displayfd 3 -screen 2560x1440 -resizeable -wr -nolisten tcp)

size_is() { DISPLAY=$nested xrandr 2>/dev/null | grep -q "current $1 x $2,"; }
has_mode() { DISPLAY=$nested xrandr 2>/dev/null | grep -q "^ *$1x$2 "; }
# Xephyr lists a fixed set of modes, plus the size of its window once that changes;
# growing its window first offers the size, and xrandr then switches to it as
# a monitor would (Qt reads the new size only from that switch).
set_size() {
    if ! has_mode "$1" "$2"; then
        DISPLAY=$host xdotool search --name Xephyr windowsize "$1" "$2"
        eventually has_mode "$1" "$2" || fail "the nested server offers no $1x$2 mode"
    fi
    DISPLAY=$nested xrandr -s "$1x$2" 2>/dev/null
    eventually size_is "$1" "$2" || fail "the nested server did not switch to $1x$2"
}
# Is the nested screen's pixel at (x, y) the panel's near-black? (Its desktop is white.)
is_dark() {
    local rgb
    rgb=$(import -display "$nested" -window root -crop "1x1+$1+$2" -depth 8 txt:- 2>/dev/null | tail -n1 \
        | sed -n 's/^[^(]*(\([0-9]*\),\([0-9]*\),\([0-9]*\).*/\1 \2 \3/p')
    [ -n "$rgb" ] || return 1
    set -- $rgb
    [ "$1" -lt 40 ] && [ "$2" -lt 40 ] && [ "$3" -lt 40 ]
}
is_light() { ! is_dark "$@"; }
# The nested server follows the host's pointer over its window; each move ends with a real step.
move_to() {
    DISPLAY=$host xdotool mousemove "$1" $(($2 + 1))
    DISPLAY=$host xdotool mousemove_relative -- 0 -1
}

set_size 1600 1200
mkdir -p "$work/config/QuaverLoom" "$work/cache" "$work/runtime"
chmod 700 "$work/runtime"
cat >"$work/config/QuaverLoom/quaver-loom.preferences" <<'JSON'
{"reopenControlPanelAtLaunch":false,"preferredControlPanelDestination":"overview","hasCompletedOnboarding":true,"launchAtLoginEnabled":false,"aiTaskRankingEnabled":true,"appearanceMode":"system"}
JSON
move_to 400 900
env DISPLAY="$nested" XDG_CONFIG_HOME="$work/config" XDG_CACHE_HOME="$work/cache" XDG_RUNTIME_DIR="$work/runtime" \
    QT_QPA_PLATFORM=xcb QUAVERLOOM_MODEL_URL=http://127.0.0.1:9 "$binary" >"$work/app.log" 2>&1 &
app=$!
pids+=($app)

# Each size: the notch's centre, a point beside it, and the expanded panel's depth.
check_size() {
    local width=$1 height=$2 centre=$(($1 / 2))
    eventually is_dark "$centre" 10 || fail "$width x $height: no notch at the top centre ($centre, 10)"
    is_light $((centre - 150)) 10 || fail "$width x $height: the notch is not centred"
    is_light "$centre" 60 || fail "$width x $height: the notch is not at the top edge"
    move_to "$centre" 0
    eventually is_dark "$centre" 200 || fail "$width x $height: the panel did not expand under the pointer"
    move_to $((centre - 400)) $((height - 100))
    eventually is_light "$centre" 200 || fail "$width x $height: the panel did not collapse when the pointer left"
}

check_size 1600 1200
kill -0 "$app" 2>/dev/null || fail "quaverloom exited"
set_size 2560 1440
check_size 2560 1440
is_light 800 10 || fail "a notch stayed at the old centre"
set_size 1600 1200
check_size 1600 1200

kill -TERM "$app"
wait "$app"
status=$?
[ "$status" -eq 0 ] || fail "quaverloom exited with status $status after SIGTERM"
echo "PASS: the notch follows resolution changes and opens under the pointer at the new top centre"
