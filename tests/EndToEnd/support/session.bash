# Shared by the end-to-end scripts (sourced, not run): a scratch directory
# cleaned up on exit, X servers on displays they choose themselves, the
# program started with its own XDG directories, and pixel checks.
# The caller sets `binary`; `mode` (optional) labels failures, an optional
# `fail_details` function adds to a failure's report, and `model_url`
# (optional) points the program at a model server.

require_tools() {
    for tool in "$@"; do
        command -v "$tool" >/dev/null 2>&1 || { echo "SKIP: $tool is not installed"; exit 77; }
    done
}

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
    echo "FAIL${mode:+ ($mode)}: $*"
    [ -f "$work/app.log" ] && sed 's/^/  app: /' "$work/app.log"
    [ -s "$work/servers.log" ] && sed 's/^/  server: /' "$work/servers.log"
    if [ -n "${DISPLAY:-}" ] && ! display_answers "$DISPLAY"; then
        echo "  the display $DISPLAY does not answer"
    fi
    declare -F fail_details >/dev/null && fail_details
    exit 1
}

# Waits for a condition that a loaded machine may keep waiting: up to ten
# seconds, measured on the clock rather than in tries (a try that runs `import`
# can itself take a second there).
eventually() {
    within 10 "$@"
}
# Waits up to the given seconds for a condition: for what settles only after
# animations and repaints, which a loaded machine draws late.
within() {
    local until=$((SECONDS + $1))
    shift
    until "$@"; do
        [ "$SECONDS" -lt "$until" ] || return 1
        sleep 0.1
    done
}
# Waits up to the given seconds for a process to end.
ended_within() {
    within "$1" eval '! kill -0 '"$2"' 2>/dev/null'
}

# Starts an X server (its command follows) on a free display of its own choice
# and leaves that display in `server_display`; the server must accept -displayfd
# and -noreset. Without -noreset the server resets whenever its last client
# leaves, and a client connecting meanwhile (the program, just after a check or
# an xdotool call) is turned away.
# A server that names a display but does not answer there (another server's
# start or exit on the same number took its socket) is replaced by a fresh one,
# once.
# Not to be called in a subshell: the server must be cleaned up with the rest.
start_server() {
    spawn_server "$@"
    display_answers "$server_display" && return 0
    local unreachable=$server_pid
    echo "$server_display does not answer; starting a fresh server" >>"$work/servers.log"
    # The unreachable server keeps its number until the fresh one has another.
    spawn_server "$@"
    kill "$unreachable" 2>/dev/null
    wait "$unreachable" 2>/dev/null
    local pid kept=()
    for pid in "${pids[@]}"; do [ "$pid" = "$unreachable" ] || kept+=("$pid"); done
    pids=("${kept[@]}")
    display_answers "$server_display" || fail "$1 on $server_display does not answer"
}
# Starts the server and waits for it to name its display; leaves its process
# in `server_pid`.
spawn_server() {
    local file
    file=$(mktemp -p "$work" display.XXXXXX)
    "$@" -noreset -displayfd 3 3>"$file" >>"$work/servers.log" 2>&1 &
    server_pid=$!
    pids+=($server_pid)
    within 30 test -s "$file" || fail "$1 did not start"
    server_display=":$(head -n1 "$file")"
}
# Does a client get through to the display? Refused connections come back at
# once, so a few tries are enough.
display_answers() {
    local tries
    for tries in 1 2 3 4 5; do
        if command -v xdpyinfo >/dev/null 2>&1; then
            xdpyinfo -display "$1" >/dev/null 2>&1 && return 0
        else
            DISPLAY=$1 xdotool getdisplaygeometry >/dev/null 2>&1 && return 0
        fi
        sleep 0.2
    done
    return 1
}

# The program's configuration: onboarding done, so the notch shows at once.
# `store_onboarded_preferences` writes it again after a script emptied `config`.
config="$work/config/QuaverLoom"
store_onboarded_preferences() {
    mkdir -p "$config"
    cat >"$config/quaver-loom.preferences" <<'JSON'
{"reopenControlPanelAtLaunch":false,"preferredControlPanelDestination":"overview","hasCompletedOnboarding":true,"launchAtLoginEnabled":false,"aiTaskRankingEnabled":true,"appearanceMode":"system"}
JSON
}
mkdir -p "$work/cache" "$work/runtime"
chmod 700 "$work/runtime"
store_onboarded_preferences

# Starts the program on the given display; its process id lands in `app`.
launch_app() {
    display_answers "$1" || fail "the display $1 stopped answering before the program started"
    env DISPLAY="$1" XDG_CONFIG_HOME="$work/config" XDG_CACHE_HOME="$work/cache" XDG_RUNTIME_DIR="$work/runtime" \
        XDG_DATA_HOME="$work/data" QT_QPA_PLATFORM=xcb QUAVERLOOM_MODEL_URL="${model_url:-http://127.0.0.1:9}" "$binary" >"$work/app.log" 2>&1 &
    app=$!
    pids+=($app)
}

# Starts the program on $DISPLAY and opens its panel to full size, which a
# loaded machine draws late.
launch_and_open_panel() {
    launch_app "$DISPLAY"
    move_to 960 700
    eventually is_dark 960 10 || fail "the collapsed notch did not appear"
    move_to 960 0
    eventually is_dark 960 200 || fail "the panel did not expand"
    within 10 is_dark 1220 370 || fail "the panel did not grow to its full size"
}

# Ends the program as logout would; it must quit cleanly.
quit_app() {
    kill -TERM "$app"
    ended_within 15 "$app" || fail "quaverloom did not quit on SIGTERM"
    wait "$app"
    local status=$?
    [ "$status" -eq 0 ] || fail "quaverloom exited with status $status after SIGTERM"
}

# The script's `scenario` under openbox on $DISPLAY, where openbox is installed.
run_scenario_under_window_manager() {
    command -v openbox >/dev/null 2>&1 || return 0
    mode=openbox
    start_window_manager
    scenario
}
# Starts openbox on $DISPLAY and waits until it manages windows. It names its
# check window (_NET_SUPPORTING_WM_CHECK) before it has read its configuration,
# grabbed its keys and taken over the windows already there, and a window
# mapped in between can stay unmapped for good; its --startup command runs once
# all that is done.
start_window_manager() {
    local ready=$work/openbox.ready
    rm -f "$ready"
    openbox --startup "touch '$ready'" >"$work/openbox.log" 2>&1 &
    pids+=($!)
    within 20 test -e "$ready" || fail "openbox did not start: $(cat "$work/openbox.log")"
}
# Waits up to the given seconds until the window manager on $DISPLAY answers
# from its event loop, which it enters once its start-up is over. xfwm4 takes
# the compositor's selection and names its check window before it moves the
# keyboard to a window of its own (closing an open menu) and takes over the
# windows already there.
window_manager_answers() {
    python3 "$(dirname "${BASH_SOURCE[0]}")/window_manager_answers.py" "$1"
}
# The script's `scenario` on the bare server of $DISPLAY, then again under openbox.
run_scenario_without_and_with_window_manager() {
    mode=plain
    scenario
    run_scenario_under_window_manager
}

# The whole screen into $QUAVERLOOM_E2E_SHOTS/<name>.png, when that is set.
shot() {
    [ -n "${QUAVERLOOM_E2E_SHOTS:-}" ] || return 0
    mkdir -p "$QUAVERLOOM_E2E_SHOTS"
    import -window root "$QUAVERLOOM_E2E_SHOTS/$1.png"
}

# xev's window is mapped.
event_tester_shown() { xdotool search --onlyvisible --name '^Event Tester$' >/dev/null 2>&1; }

# The control-panel window.
panel_window() { xdotool search --onlyvisible --name '^QuaverLoom Control Panel$' 2>/dev/null | head -n1; }
has_panel_window() { [ -n "$(panel_window)" ]; }
no_panel_window() { [ -z "$(panel_window)" ]; }
# Its content origin and size as X, Y, WIDTH, HEIGHT (xdotool's own report is
# off by the frame under a reparenting window manager).
window_geometry() {
    local info
    info=$(xwininfo -id "$(panel_window)")
    X=$(sed -n 's/.*Absolute upper-left X: *//p' <<<"$info")
    Y=$(sed -n 's/.*Absolute upper-left Y: *//p' <<<"$info")
    WIDTH=$(sed -n 's/.*Width: *//p' <<<"$info")
    HEIGHT=$(sed -n 's/.*Height: *//p' <<<"$info")
}
# The overview's left metric tile is blue: the control panel shows the overview page.
overview_tile() {
    window_geometry
    pixel $((X + 400)) $((Y + 150))
}
overview_tile_is_blue() {
    set -- $(overview_tile)
    [ "${3:-0}" -gt 150 ] && [ "${1:-255}" -lt 160 ]
}
# The onboarding's intro picture fills the window: its middle is a muted
# blue-violet, not the overview's light page (the slides' videos share it).
intro_shows() {
    window_geometry
    set -- $(pixel $((X + WIDTH / 2)) $((Y + HEIGHT / 2)))
    [ "${3:-0}" -gt "${1:-255}" ] && [ "${1:-255}" -lt 160 ]
}
# The onboarding's slides have replaced its intro: the band under the video is
# dark at its bottom-left corner.
slides_show() {
    window_geometry
    is_dark $((X + 40)) $((Y + HEIGHT - 40))
}
# Clicks at a point given relative to the window's top-left corner.
click_in_window() {
    window_geometry
    xdotool mousemove $((X + $1)) $((Y + $2)) click 1
}

# The pixel at (x, y) of the screen on `screen_display` (default: $DISPLAY) as "R G B".
pixel() {
    import -display "${screen_display:-$DISPLAY}" -window root -crop "1x1+$1+$2" -depth 8 txt:- 2>/dev/null \
        | tail -n1 | sed -n 's/^[^(]*(\([0-9]*\),\([0-9]*\),\([0-9]*\).*/\1 \2 \3/p'
}

# Is the pixel at (x, y) the panel's near-black? The desktops are white.
is_dark() {
    local rgb
    rgb=$(pixel "$1" "$2")
    [ -n "$rgb" ] || return 1
    set -- $rgb
    [ "$1" -lt 40 ] && [ "$2" -lt 40 ] && [ "$3" -lt 40 ]
}
is_light() { ! is_dark "$@"; }

# Warping the pointer produces no device motion, so each move ends with a real
# relative step. The pointer is the one of `pointer_display` (default: $DISPLAY).
move_to() {
    DISPLAY=${pointer_display:-$DISPLAY} xdotool mousemove "$1" $(($2 + 1))
    DISPLAY=${pointer_display:-$DISPLAY} xdotool mousemove_relative -- 0 -1
}

# Does a client own the given selection on $DISPLAY (WM_S0, _NET_WM_CM_S0)?
selection_owned() {
    python3 "$(dirname "${BASH_SOURCE[0]}")/selection_owner.py" "$1"
}
# Starts xcompmgr on $DISPLAY, leaving its process in `compositor`, and waits
# until it has taken over the screen.
start_compositor() {
    xcompmgr >"$work/xcompmgr.log" 2>&1 &
    compositor=$!
    pids+=($compositor)
    within 20 selection_owned _NET_WM_CM_S0 || fail "xcompmgr did not start: $(cat "$work/xcompmgr.log")"
}

# Runs the caller's `scenario` once more under openbox, where it is installed.
scenario_again_under_openbox() {
    command -v openbox >/dev/null 2>&1 || return 0
    mode=openbox
    start_window_manager
    scenario
}

# Activates a window, waits until it has the keyboard, then types the keys as a
# person would. Keys chained after `windowactivate` go to the window as sent
# events whenever the focus has not arrived yet, and sent events skip the
# window manager's key bindings (Alt+F4) and may reach no widget.
press_in_window() {
    local window=$1
    shift
    xdotool windowactivate --sync "$window" 2>/dev/null
    eventually test "$(xdotool getwindowfocus 2>/dev/null)" = "$window" || fail "window $window did not take the keyboard"
    xdotool key "$@"
}
