#!/usr/bin/env bash
# Runs the start-up and memory benchmark on a private X server when one can be
# started (a white desktop, so the panel can be told from it by its pixels),
# otherwise on the offscreen platform.
# Usage: startup.sh /path/to/quaverloom_startup_bench [runs [arguments...]]
set -u
binary=${1:?usage: startup.sh /path/to/quaverloom_startup_bench [runs [arguments...]]}
runs=${2:-5}
shift $(($# < 2 ? $# : 2))
work=$(mktemp -d)
xvfb=
cleanup() {
    [ -n "$xvfb" ] && kill "$xvfb" 2>/dev/null && wait "$xvfb" 2>/dev/null
    rm -rf "$work"
}
trap cleanup EXIT

if command -v Xvfb >/dev/null 2>&1; then
    Xvfb -displayfd 3 -screen 0 1920x1080x24 -wr -nolisten tcp 3>"$work/display" >"$work/xvfb.log" 2>&1 &
    xvfb=$!
    for _ in $(seq 50); do [ -s "$work/display" ] && break; sleep 0.1; done
fi
if [ -s "$work/display" ]; then
    export DISPLAY=":$(head -n1 "$work/display")" QT_QPA_PLATFORM=xcb
else
    export QT_QPA_PLATFORM=offscreen
fi
mkdir -p "$work/runtime" && chmod 700 "$work/runtime"
XDG_RUNTIME_DIR="$work/runtime" XDG_CACHE_HOME="$work/cache" "$binary" "$runs" "$@"
