#!/usr/bin/env bash
# The control panel's window on screens of several sizes under a window
# manager. It offers the window manager only closing and minimising, and its
# pages keep their minimum 1040x760 below the menu bar. On a 1024x768 screen,
# in Dark appearance, the window, larger than the screen both ways, opens with
# its frame at the screen's top-left corner, so its title bar and left edge
# are on screen; it carries the program's own icon; the history's confirmation
# is dark like the window. On a 1366x768 screen the frame, too tall, starts at
# the top but is centred across, and History with nothing completed shows its
# empty state in Dark. On a 1920x1080 screen the frame is centred and the
# sidebar's footer shows whole.
# Screenshots go to $QUAVERLOOM_E2E_SHOTS when it is set.
# Usage: control_panel_small_screen.sh /path/to/quaverloom
set -u

binary=${1:?usage: control_panel_small_screen.sh /path/to/quaverloom}
source "$(dirname "$0")/support/session.bash"
require_tools Xvfb xdotool xwininfo xprop import convert openbox python3
here=$(cd "$(dirname "$0")" && pwd)
icons="$here/../../assets/icons"

# A fresh screen of the given size under openbox, and the program on it with
# the given appearance, opening its control panel at launch. Tasks stored
# beforehand stay; without them a new account's open tasks are used.
open_on_screen() {
    start_server Xvfb -screen 0 "$1x24" -wr -nolisten tcp
    export DISPLAY=$server_display
    start_window_manager
    cat >"$config/quaver-loom.preferences" <<JSON
{"reopenControlPanelAtLaunch":true,"preferredControlPanelDestination":"overview","hasCompletedOnboarding":true,"launchAtLoginEnabled":false,"aiTaskRankingEnabled":true,"appearanceMode":"$2"}
JSON
    launch_app "$DISPLAY"
    eventually has_panel_window || fail "the reopen preference did not open the control panel on the $1 screen"
}

# The frame's top-left corner from the window's content origin and the frame
# extents the window manager announces, as FRAME_X, FRAME_Y (and LEFT, RIGHT,
# TITLE and BOTTOM, the frame's edges; FRAME_WIDTH and FRAME_HEIGHT).
frame_geometry() {
    local extents
    window_geometry
    extents=$(xprop -id "$(panel_window)" _NET_FRAME_EXTENTS 2>/dev/null | sed -n 's/.*= *//p')
    [ -n "$extents" ] || return 1
    IFS=', ' read -r LEFT RIGHT TITLE BOTTOM <<<"$extents"
    FRAME_X=$((X - LEFT))
    FRAME_Y=$((Y - TITLE))
    FRAME_WIDTH=$((WIDTH + LEFT + RIGHT))
    FRAME_HEIGHT=$((HEIGHT + TITLE + BOTTOM))
}
# Is the frame where it belongs on a screen of the given width and height?
# Centred on each axis where it fits, at the screen's edge where it does not.
frame_placed() {
    frame_geometry && [ "$TITLE" -gt 0 ] || return 1
    local x=0 y=0
    [ "$FRAME_WIDTH" -gt "$1" ] || x=$((($1 - FRAME_WIDTH) / 2))
    [ "$FRAME_HEIGHT" -gt "$2" ] || y=$((($2 - FRAME_HEIGHT) / 2))
    [ "$FRAME_X" -eq "$x" ] && [ "$FRAME_Y" -eq "$y" ]
}
placement() { echo "the ${FRAME_WIDTH:-?}x${FRAME_HEIGHT:-?} frame is at (${FRAME_X:-?}, ${FRAME_Y:-?})"; }

# The ink in a region given as x y width height relative to the window's
# content: how many pixels, and the lowest row with any (support/region_ink.py).
ink_in_window() {
    window_geometry
    import -window root -crop "${3}x${4}+$((X + $1))+$((Y + $2))" -depth 8 ppm:- 2>/dev/null \
        | python3 "$here/support/region_ink.py"
}

# Only closing and minimising are offered: not in the Motif hints, and the
# window manager, seeing a fixed size, allows neither resizing nor maximising;
# asked to maximise all the same, the window keeps its size.
offers_only_close_and_minimise() {
    local window hints flags functions decorations allowed before
    window=$(panel_window)
    hints=$(xprop -id "$window" _MOTIF_WM_HINTS 2>/dev/null | sed -n 's/.*= *//p')
    IFS=', ' read -r flags functions decorations _ <<<"$hints"
    [ -n "${decorations:-}" ] || fail "the window carries no Motif hints"
    # Functions: minimise 0x8, maximise 0x10, close 0x20; decorations: minimise 0x20, maximise 0x40.
    (((functions & 0x10) == 0 && (decorations & 0x40) == 0)) || fail "the window offers maximising: Motif hints $hints"
    (((functions & 0x28) == 0x28 && (decorations & 0x20) != 0)) || fail "the window does not offer closing and minimising: Motif hints $hints"
    allowed=$(xprop -id "$window" _NET_WM_ALLOWED_ACTIONS 2>/dev/null)
    grep -Eq 'MAXIMIZE|ACTION_RESIZE' <<<"$allowed" && fail "the window manager allows maximising or resizing: $allowed"
    grep -q '_NET_WM_ACTION_CLOSE' <<<"$allowed" && grep -q '_NET_WM_ACTION_MINIMIZE' <<<"$allowed" \
        || fail "the window manager does not allow closing and minimising: $allowed"
    window_geometry
    before="$X $Y $WIDTH $HEIGHT"
    python3 "$here/support/window_request.py" maximize "$window"
    sleep 0.5
    window_geometry
    [ "$X $Y $WIDTH $HEIGHT" = "$before" ] || fail "asked to maximise, the window went from $before to $X $Y $WIDTH $HEIGHT"
    xprop -id "$window" _NET_WM_STATE 2>/dev/null | grep -q MAXIMIZED && fail "the window is marked maximised"
    return 0
}

# 1024x768, Dark, a week of completions.
python3 "$here/control_panel_fixture.py" "$config/quaver-loom.tasks" 2 0 3 1 4 2 3
open_on_screen 1024x768 dark
within 10 frame_placed 1024 768 || fail "$(placement) with a title bar ${TITLE:-?} high, not at the screen's corner (0, 0)"
[ "$FRAME_X" -eq 0 ] && [ "$FRAME_Y" -eq 0 ] || fail "$(placement), not at the screen's corner (0, 0)"
# The pages keep their minimum 1040x760 below the menu bar (of 10 pixels at least).
[ "$WIDTH" -ge 1040 ] && [ "$HEIGHT" -ge 770 ] || fail "the window is ${WIDTH}x$HEIGHT: no room for pages of 1040x760 below a menu bar"
offers_only_close_and_minimise
shot cp-1024

# The window manager's icon is the program's own, pixel for pixel, in the sizes installed.
icon_property=$(xprop -id "$(panel_window)" _NET_WM_ICON 2>/dev/null | head -n1)
grep -q 'Icon (32 x 32)' <<<"$icon_property" || fail "the window carries no icon of its own: $icon_property"
xprop -id "$(panel_window)" -notype -f _NET_WM_ICON 32c ' = $0+' _NET_WM_ICON >"$work/icon.txt" 2>/dev/null
convert "$icons/32x32/quaverloom.png" -depth 8 rgba:"$work/icon32.rgba" || fail "the installed icon could not be read"
python3 - "$work/icon.txt" "$work/icon32.rgba" <<'PY' || fail "the window's 32x32 icon is not the installed one"
import sys
values = [int(v) for v in open(sys.argv[1]).read().split('=', 1)[1].replace(',', ' ').split()]
rgba = open(sys.argv[2], 'rb').read()
wanted = [(rgba[i + 3] << 24) | (rgba[i] << 16) | (rgba[i + 1] << 8) | rgba[i + 2] for i in range(0, len(rgba), 4)]
i = 0
while i + 2 <= len(values):
    w, h = values[i], values[i + 1]
    if (w, h) == (32, 32):
        sys.exit(0 if values[i + 2:i + 2 + w * h] == wanted else 1)
    i += 2 + w * h
sys.exit(1)
PY

# History, then its "Clear All History" button at the right of the page header,
# pressed again until the page has come up and the button asks.
click_in_window 70 118
dialog_window() { xdotool search --onlyvisible --name '^Clear all history\?$' 2>/dev/null | head -n1; }
ask_to_clear() {
    [ -n "$(dialog_window)" ] && return 0
    click_in_window $((WIDTH - 104)) 44
    sleep 0.3
    [ -n "$(dialog_window)" ]
}
within 15 ask_to_clear || fail "the history's button did not ask to clear the history"
# Most of the dialog's own pixels are dark, once it has been drawn.
dialog_is_dark() {
    local info
    info=$(xwininfo -id "$(dialog_window)")
    local x y w h
    x=$(sed -n 's/.*Absolute upper-left X: *//p' <<<"$info")
    y=$(sed -n 's/.*Absolute upper-left Y: *//p' <<<"$info")
    w=$(sed -n 's/.*Width: *//p' <<<"$info")
    h=$(sed -n 's/.*Height: *//p' <<<"$info")
    import -window root -crop "${w}x${h}+${x}+${y}" -depth 8 ppm:- 2>/dev/null | python3 -c '
import sys
data = sys.stdin.buffer.read()
parts = data.split(maxsplit=4)
px = parts[4]
n = len(px) // 3
dark = sum(1 for i in range(0, 3 * n, 3) if px[i] + px[i + 1] + px[i + 2] < 3 * 100)
sys.exit(0 if n and dark > 0.8 * n else 1)'
}
within 10 dialog_is_dark || fail "the confirmation is not dark in Dark appearance"
shot cp-dark-dialog

# Cancel keeps every task.
press_in_window "$(dialog_window)" Escape
eventually test -z "$(dialog_window)" || fail "Escape did not close the confirmation"
grep -Eq '"isCompleted": *true' "$config/quaver-loom.tasks" || fail "cancelling the confirmation removed the history"
quit_app

rm -f "$config/quaver-loom.tasks"
# 1366x768, Dark, nothing completed: taller than the screen, so at the top, but centred across.
open_on_screen 1366x768 dark
within 10 frame_placed 1366 768 || fail "$(placement), not centred across the top of the 1366x768 screen"
[ "$FRAME_X" -gt 0 ] && [ "$FRAME_Y" -eq 0 ] || fail "$(placement), not centred across the top of the 1366x768 screen"
[ "$HEIGHT" -ge 770 ] || fail "the window is ${WIDTH}x$HEIGHT: no room for pages 760 high below a menu bar"
shot cp-1366
# History shows the clock, "No History Yet" and its line of text below the header.
within 15 overview_tile_is_blue || fail "the overview does not show (rgb $(overview_tile))"
click_in_window 70 118
within 10 eval '! overview_tile_is_blue' || fail "History did not replace the overview"
history_empty_shows() {
    set -- $(ink_in_window 290 150 $((WIDTH - 330)) 180)
    [ "${1:-0}" -gt 600 ]
}
within 10 history_empty_shows \
    || fail "History with nothing completed shows no empty state (ink, lowest row: $(ink_in_window 290 150 $((WIDTH - 330)) 180))"
shot cp-1366-history-empty
quit_app

# 1920x1080: where it fits, the frame is centred exactly.
open_on_screen 1920x1080 light
within 10 frame_placed 1920 1080 || fail "$(placement), not centred on the 1920x1080 screen"
[ "$FRAME_X" -gt 0 ] && [ "$FRAME_Y" -gt 0 ] || fail "$(placement), not centred on the 1920x1080 screen"
# The sidebar's footer, in its last 60 rows, shows whole above its bottom padding.
footer_whole() {
    set -- $(ink_in_window 16 $((HEIGHT - 60)) 200 60)
    [ "${1:-0}" -gt 40 ] && [ "${2:-60}" -ge 0 ] && [ "${2:-60}" -lt 52 ]
}
within 10 footer_whole || fail "the sidebar's footer is cut off or missing (ink, lowest row: $(ink_in_window 16 $((HEIGHT - 60)) 200 60))"
shot cp-1920
quit_app
echo "PASS: the control panel offers only closing and minimising, keeps its pages' minimum, sits at the corner, the top or the centre as each screen allows, and shows History's empty state"
