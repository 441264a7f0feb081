#!/usr/bin/env bash
# The notch follows the screen: after a resolution change it sits at the top
# centre of the new screen, opens under the pointer there and nowhere else.
# Xvfb cannot change its own size, so the program runs on a resizable nested
# server (Xephyr) inside it and the size is changed with xrandr.
# Usage: notch_screen_change.sh /path/to/quaverloom
set -u

binary=${1:?usage: notch_screen_change.sh /path/to/quaverloom}
source "$(dirname "$0")/support/session.bash"
require_tools Xvfb Xephyr xrandr xdotool import

# The host is as large as the largest size asked for; the nested server's window covers it from (0, 0)
# and follows the host's pointer over it.
start_server Xvfb -screen 0 2560x1440x24 -wr -nolisten tcp
host=$server_display
DISPLAY=$host start_server Xephyr -screen 2560x1440 -resizeable -wr -nolisten tcp
nested=$server_display
screen_display=$nested
pointer_display=$host

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
set_size 1600 1200
move_to 400 900
launch_app "$nested"

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

quit_app
echo "PASS: the notch follows resolution changes and opens under the pointer at the new top centre"
