# Sourced by the end-to-end scripts: a private X server on a free display, private
# XDG directories with an onboarded preferences record, and cleanup of every
# process listed in `pids`. `fail` reports the mode, the program's log and
# whatever the script's optional `fail_details` function adds.

work=$(mktemp -d)
pids=()
cleanup() {
    for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null; done
    for pid in "${pids[@]}"; do wait "$pid" 2>/dev/null; done
    rm -rf "$work"
}
trap cleanup EXIT
trap 'exit 1' INT TERM

mode=plain
fail() {
    echo "FAIL ($mode): $*"
    [ -f "$work/app.log" ] && sed 's/^/  app: /' "$work/app.log"
    declare -F fail_details >/dev/null && fail_details
    exit 1
}

# A free display, chosen by the server itself.
Xvfb -displayfd 3 -screen 0 1920x1080x24 -wr -nolisten tcp 3>"$work/display" >"$work/xvfb.log" 2>&1 &
pids+=($!)
for _ in $(seq 50); do [ -s "$work/display" ] && break; sleep 0.1; done
[ -s "$work/display" ] || fail "Xvfb did not start"
export DISPLAY=":$(head -n1 "$work/display")"

config="$work/config/QuaverLoom"
mkdir -p "$config" "$work/cache" "$work/runtime"
chmod 700 "$work/runtime"
cat >"$config/quaver-loom.preferences" <<'JSON'
{"reopenControlPanelAtLaunch":false,"preferredControlPanelDestination":"overview","hasCompletedOnboarding":true,"launchAtLoginEnabled":false,"aiTaskRankingEnabled":true,"appearanceMode":"system"}
JSON

# SIGTERM must end the program cleanly within three seconds.
quit_cleanly() {
    kill -TERM "$1"
    for _ in $(seq 30); do kill -0 "$1" 2>/dev/null || break; sleep 0.1; done
    kill -0 "$1" 2>/dev/null && fail "quaverloom did not quit on SIGTERM"
    wait "$1"
    local status=$?
    [ "$status" -eq 0 ] || fail "quaverloom exited with status $status after SIGTERM"
}

# The script's `scenario` on the bare server, then again under openbox where it is installed.
run_scenario_without_and_with_window_manager() {
    scenario
    if command -v openbox >/dev/null 2>&1; then
        mode=openbox
        openbox >"$work/openbox.log" 2>&1 &
        pids+=($!)
        sleep 0.5
        scenario
    fi
}
