#!/usr/bin/env bash
# A first start on a real X server with a window manager: from an empty
# configuration the control panel opens with the onboarding and no notch; the
# intro leads to the slides, each playing its video; "Get Started" closes the
# onboarding, stores it as completed, and the notch appears and opens under
# the pointer without a restart. A second start shows the notch and no window.
# Screenshots go to $QUAVERLOOM_E2E_SHOTS when it is set.
# Usage: onboarding.sh /path/to/quaverloom
set -u

binary=${1:?usage: onboarding.sh /path/to/quaverloom}
source "$(dirname "$0")/support/session.bash"
require_tools Xvfb xdotool xwininfo import compare openbox

start_server Xvfb -screen 0 1920x1080x24 -wr -nolisten tcp
export DISPLAY=$server_display
start_window_manager

prefs_done() { grep -qs '"hasCompletedOnboarding": *true' "$config/quaver-loom.preferences"; }
# The notch stays away for a whole second.
notch_stays_hidden() {
    for _ in $(seq 5); do is_light 960 10 || return 1; sleep 0.2; done
}

# Regions of the slides, relative to the window: the video above the band, and the band's text.
video_area() { echo "$WIDTH $((HEIGHT - 260)) $X $((Y + 30))"; }
band_text() { echo "$((WIDTH - 200)) 120 $((X + 100)) $((Y + HEIGHT - 165))"; }
grab() { # file width height x y
    import -window root -crop "$2x$3+$4+$5" +repage "$1" 2>/dev/null
}
# Pixels that differ between two images beyond the video's compression noise.
changed_pixels() { compare -metric AE -fuzz 10% "$1" "$2" null: 2>&1 | cut -d' ' -f1; }
# Two frames a second apart differ; a slide's loop may hold still for a few
# seconds, so pairs are taken until one moves or a whole loop has passed.
video_moves() {
    local started=$SECONDS
    while [ $((SECONDS - started)) -lt 16 ]; do
        grab "$work/frame-a.png" $(video_area)
        sleep 1
        grab "$work/frame-b.png" $(video_area)
        [ "$(changed_pixels "$work/frame-a.png" "$work/frame-b.png")" -gt 300 ] && return 0
    done
    return 1
}
# The band shows slide $1's text, unlike the previous slide's in $2 (empty for
# none), and holds still: the step to it has finished.
band_moved_on() {
    grab "$work/band-$1.png" $(band_text)
    if [ -s "$2" ]; then
        [ "$(changed_pixels "$2" "$work/band-$1.png")" -gt 100 ] || return 1
    fi
    sleep 0.3
    grab "$work/band-again.png" $(band_text)
    [ "$(changed_pixels "$work/band-$1.png" "$work/band-again.png")" -le 100 ]
}

# First start: nothing stored.
rm -f "$config/quaver-loom.preferences"
launch_app "$DISPLAY"
eventually has_panel_window || fail "the first start did not open the control panel"
within 10 intro_shows || fail "the first start does not show the onboarding's intro"
notch_stays_hidden || fail "the notch shows before onboarding is completed"
window_geometry
shot onboarding-intro
[ -e "$config/quaver-loom.preferences" ] && fail "preferences were written before anything changed"

# The intro's start button sits at the bottom centre; the slides follow.
click_in_window $((WIDTH / 2)) $((HEIGHT - 57))
within 10 slides_show || fail "the intro's start button did not lead to the slides"
: >"$work/none.png"
previous_band="$work/none.png"
for slide in 1 2 3 4 5; do
    within 10 band_moved_on "$slide" "$previous_band" \
        || fail "the band still shows the text of slide $((slide - 1)) after stepping to slide $slide"
    previous_band="$work/band-$slide.png"
    video_moves || fail "the video of slide $slide shows no moving frames"
    shot "onboarding-slide-$slide"
    kill -0 "$app" 2>/dev/null || fail "quaverloom exited on slide $slide"
    # The next chevron at the band's trailing end; "Get Started" takes its place on the last slide.
    [ "$slide" -lt 5 ] && click_in_window $((WIDTH - 50)) $((HEIGHT - 103))
done

notch_stays_hidden || fail "the notch showed before the onboarding was finished"
click_in_window $((WIDTH - 97)) $((HEIGHT - 103))
eventually prefs_done || fail "\"Get Started\" did not store onboarding as completed"
eventually is_dark 960 10 || fail "the notch did not appear after the onboarding"
has_panel_window || fail "finishing the onboarding closed the control panel"
# The overview lies open again: its left metric tile turns blue once the switch from the
# onboarding has settled, later on a loaded machine.
within 15 overview_tile_is_blue \
    || fail "the overview does not show after the onboarding (rgb $(overview_tile))"
shot onboarding-finished
# The pointer monitors are in place: the notch opens under the pointer.
move_to 960 700
move_to 960 0
eventually is_dark 960 200 || fail "the notch did not open under the pointer after the onboarding"
move_to 960 700
quit_app

# Second start: the notch at once, and no window.
launch_app "$DISPLAY"
eventually is_dark 960 10 || fail "the second start did not show the notch"
sleep 1.5
has_panel_window && fail "the second start opened the control panel"
shot onboarding-second-start
quit_app
echo "PASS: the first start goes through the onboarding's playing slides to the notch; the second shows the notch alone"
