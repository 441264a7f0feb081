#!/usr/bin/env bash
# The control panel on a 1024x768 screen under a window manager, in Dark
# appearance: the window, wider than the screen, opens with its frame at the
# screen's top-left corner, so its title bar and left edge are on screen; it
# carries the program's own icon; the history's confirmation is dark like the
# window; on a 1920x1080 screen the window's frame is centred exactly.
# Screenshots go to $QUAVERLOOM_E2E_SHOTS when it is set.
# Usage: control_panel_small_screen.sh /path/to/quaverloom
set -u

binary=${1:?usage: control_panel_small_screen.sh /path/to/quaverloom}
source "$(dirname "$0")/support/session.bash"
require_tools Xvfb xdotool xwininfo xprop import convert openbox python3
here=$(cd "$(dirname "$0")" && pwd)
icons="$here/../../assets/icons"

start_server Xvfb -screen 0 1024x768x24 -wr -nolisten tcp
export DISPLAY=$server_display
start_window_manager

python3 "$here/control_panel_fixture.py" "$config/quaver-loom.tasks" 2 0 3 1 4 2 3
cat >"$config/quaver-loom.preferences" <<'JSON'
{"reopenControlPanelAtLaunch":true,"preferredControlPanelDestination":"overview","hasCompletedOnboarding":true,"launchAtLoginEnabled":false,"aiTaskRankingEnabled":true,"appearanceMode":"dark"}
JSON
launch_app "$DISPLAY"
eventually has_panel_window || fail "the reopen preference did not open the control panel"

# The frame's top-left corner from the window's content origin and the frame
# extents the window manager announces, as FRAME_X, FRAME_Y (and LEFT, RIGHT,
# TITLE and BOTTOM, the frame's edges).
frame_geometry() {
    local extents
    window_geometry
    extents=$(xprop -id "$(panel_window)" _NET_FRAME_EXTENTS 2>/dev/null | sed -n 's/.*= *//p')
    [ -n "$extents" ] || return 1
    IFS=', ' read -r LEFT RIGHT TITLE BOTTOM <<<"$extents"
    FRAME_X=$((X - LEFT))
    FRAME_Y=$((Y - TITLE))
}
frame_at_corner() { frame_geometry && [ "$TITLE" -gt 0 ] && [ "$FRAME_X" -eq 0 ] && [ "$FRAME_Y" -eq 0 ]; }
within 10 frame_at_corner \
    || fail "the window's frame is at (${FRAME_X:-?}, ${FRAME_Y:-?}) with a title bar ${TITLE:-?} high, not at the screen's corner (0, 0)"
[ "$WIDTH" -ge 1040 ] && [ "$HEIGHT" -ge 760 ] || fail "the window is ${WIDTH}x$HEIGHT, below its minimum 1040x760"
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

# Where it fits, on a 1920x1080 screen, the frame is centred exactly.
start_server Xvfb -screen 0 1920x1080x24 -wr -nolisten tcp
export DISPLAY=$server_display
start_window_manager
launch_app "$DISPLAY"
eventually has_panel_window || fail "the reopen preference did not open the control panel on the large screen"
frame_centred() {
    frame_geometry || return 1
    FRAME_WIDTH=$((WIDTH + LEFT + RIGHT)) FRAME_HEIGHT=$((HEIGHT + TITLE + BOTTOM))
    [ "$FRAME_X" -eq $(((1920 - FRAME_WIDTH) / 2)) ] && [ "$FRAME_Y" -eq $(((1080 - FRAME_HEIGHT) / 2)) ]
}
within 10 frame_centred \
    || fail "the ${FRAME_WIDTH:-?}x${FRAME_HEIGHT:-?} frame is at (${FRAME_X:-?}, ${FRAME_Y:-?}), not centred on the 1920x1080 screen"
quit_app
echo "PASS: on a 1024x768 screen the control panel opens at the corner with its own icon, and its confirmation is dark; where it fits, it is centred"
