#!/usr/bin/env bash
# `cmake --install` into a staging directory (DESTDIR) lays out the program,
# its control-panel module, the launcher entry naming the program by its
# prefix, and the icon; the staged program finds its module and opens the
# control panel at first start.
# Usage: install_layout.sh /path/to/build/quaverloom
set -u

binary=${1:?usage: install_layout.sh /path/to/build/quaverloom}
source "$(dirname "$0")/support/session.bash"
require_tools Xvfb xdotool cmake
build=$(dirname "$binary")

prefix="/opt/Quaver Loom"
stage="$work/stage"
DESTDIR="$stage" cmake --install "$build" --prefix "$prefix" >"$work/install.log" 2>&1 \
    || fail "cmake --install failed: $(cat "$work/install.log")"
root="$stage$prefix"
for file in bin/quaverloom lib/quaverloom/quaverloom-control-panel.so share/applications/quaverloom.desktop \
            share/icons/hicolor/48x48/apps/quaverloom.png share/icons/hicolor/256x256/apps/quaverloom.png; do
    [ -f "$root/$file" ] || fail "the installation has no $file"
done
[ -x "$root/bin/quaverloom" ] || fail "the installed program is not executable"
entry="$root/share/applications/quaverloom.desktop"
grep -qx "Exec=\"$prefix/bin/quaverloom\"" "$entry" || fail "the launcher entry does not start the installed program: $(grep Exec "$entry")"
grep -qx 'Icon=quaverloom' "$entry" || fail "the launcher entry names no icon"
grep -qx 'Type=Application' "$entry" || fail "the launcher entry is not an application"

# The staged program finds its module beside its own folder and opens the control panel.
start_server Xvfb -screen 0 1920x1080x24 -wr -nolisten tcp
export DISPLAY=$server_display
rm -f "$config/quaver-loom.preferences"
binary="$root/bin/quaverloom"
launch_app "$DISPLAY"
eventually has_panel_window || fail "the installed program did not open the control panel at first start"
grep -q 'control panel cannot be shown' "$work/app.log" && fail "the installed program did not find its module"
quit_app
echo "PASS: the installation holds the program, its module, the launcher entry and the icon, and runs"
