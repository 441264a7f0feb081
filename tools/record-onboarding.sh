#!/usr/bin/env bash
# Records the five onboarding slide videos and composes the intro image from the
# real program, run under Xvfb and driven with xdotool; also takes the README's
# two screenshots (the expanded panel with tasks, and a reminder flight).
# Everything in the output is a recording of QuaverLoom itself on a generated backdrop.
#
# Usage: tools/record-onboarding.sh [path/to/quaverloom] [output directory] [screenshot directory]
#   defaults: build/quaverloom, assets/onboarding and docs
# ONLY="2 4 intro panel" re-records only those slides (1-5), the intro image and
# the screenshots ("panel": docs/panel.png, "flight": docs/reminder-flight.png).
# Needs (development only): Xvfb, xsetroot, xdotool, ImageMagick, python3, and
# ffmpeg with libvpx.
#
# The panel's controls are found on screen (tools/locate-panel-controls.py)
# each time the panel is open, so a change of layout needs no new coordinates.
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
binary=$(realpath "${1:-$root/build/quaverloom}")
out=$(realpath -m "${2:-$root/assets/onboarding}")
docs=$(realpath -m "${3:-$root/docs}")
for tool in Xvfb xsetroot xdotool ffmpeg convert import display python3 realpath; do
    command -v "$tool" >/dev/null 2>&1 || { echo "record-onboarding: $tool is not installed" >&2; exit 1; }
done
[ -x "$binary" ] || { echo "record-onboarding: no program at $binary (run make build first)" >&2; exit 1; }
mkdir -p "$out" "$docs"

# Screen and recorded region: the top centre, shaped like the onboarding window.
readonly SCREEN_W=1920 SCREEN_H=1080
readonly REC_W=1120 REC_H=820
readonly REC_X=$(((SCREEN_W - REC_W) / 2)) REC_Y=0
readonly FPS=20
# Pointer positions: resting well below the panel, and on the strip under the notch.
readonly REST_X=960 REST_Y=760
readonly NOTCH_X=960 NOTCH_Y=4
readonly ONLY=${ONLY:-1 2 3 4 5 intro panel flight}
wanted() { [[ " $ONLY " == *" $1 "* ]]; }

work=$(mktemp -d)
pids=()
cleanup() {
    for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
    for pid in "${pids[@]}"; do wait "$pid" 2>/dev/null || true; done
    rm -rf "$work"
}
trap cleanup EXIT
trap 'exit 1' INT TERM

Xvfb -displayfd 3 -screen 0 ${SCREEN_W}x${SCREEN_H}x24 -nolisten tcp -noreset 3>"$work/display" >"$work/xvfb.log" 2>&1 &
pids+=($!)
for _ in $(seq 50); do [ -s "$work/display" ] && break; sleep 0.1; done
[ -s "$work/display" ] || { echo "record-onboarding: Xvfb did not start" >&2; exit 1; }
export DISPLAY=":$(head -n1 "$work/display")"

# A calm generated backdrop, so the dark panel stands out as it does on a desktop.
convert -size ${SCREEN_W}x${SCREEN_H} gradient:'#3b4a6b-#a77a8f' "$work/backdrop.png"
# Sets the root background, then reports 1; -noreset above keeps it while the program restarts.
display -window root "$work/backdrop.png" || true
# The arrow a desktop shows, not the bare server's cross.
xsetroot -cursor_name left_ptr

# The local language model is the end-to-end tests' stand-in: a title with
# "tax" ranks high, one with "dentist" medium, anything else low; it answers
# after 1.5 s so the sorting state shows.
python3 "$root/tests/EndToEnd/fake_model_server.py" "$work/model.port" 1.5 >"$work/model.log" 2>&1 &
pids+=($!)
for _ in $(seq 50); do [ -s "$work/model.port" ] && break; sleep 0.1; done
[ -s "$work/model.port" ] || { echo "record-onboarding: the model server did not start" >&2; exit 1; }
model_url="http://127.0.0.1:$(head -n1 "$work/model.port")"

# Seconds since 2001-01-01 00:00:00 UTC, the stored date form.
stored_now() { echo $(( $(date +%s) - 978307200 )); }

# Fresh configuration: onboarding done, so the notch shows at once; tasks as given.
prepare_config() {
    local tasks_json=$1
    rm -rf "$work/config" "$work/cache" "$work/runtime"
    mkdir -p "$work/config/QuaverLoom" "$work/cache" "$work/runtime"
    chmod 700 "$work/runtime"
    cat >"$work/config/QuaverLoom/quaver-loom.preferences" <<'JSON'
{"reopenControlPanelAtLaunch":false,"preferredControlPanelDestination":"overview","hasCompletedOnboarding":true,"launchAtLoginEnabled":false,"aiTaskRankingEnabled":true,"appearanceMode":"dark"}
JSON
    [ -n "$tasks_json" ] && printf '%s\n' "$tasks_json" >"$work/config/QuaverLoom/quaver-loom.tasks"
    return 0
}

task_json() { # id-suffix title section [reminder-at]
    local reminder=""
    [ -n "${4:-}" ] && reminder=",\"reminder\":{\"scheduledAt\":$4,\"isDelivering\":false}"
    printf '{"id":"0B0A0D00-0000-4000-8000-0000000000%02d","title":"%s","sectionID":"%s","priority":"low","reasonText":"","createdAt":%s,"sortOrder":%d,"isCompleted":false%s}' \
        "$1" "$2" "$3" "$(stored_now)" "$1" "$reminder"
}
workspace_json() { # tasks-array
    printf '{"sections":[{"id":"section.work","title":"Work","kind":"builtIn","sortOrder":0},{"id":"section.personal","title":"Personal","kind":"builtIn","sortOrder":1},{"id":"section.home","title":"Home","kind":"builtIn","sortOrder":2},{"id":"section.health","title":"Health","kind":"builtIn","sortOrder":3}],"tasks":[%s],"selectedWorkspaceID":"section.work","workspacePromptsByID":{}}' "$1"
}

app=""
start_app() {
    env XDG_CONFIG_HOME="$work/config" XDG_CACHE_HOME="$work/cache" XDG_RUNTIME_DIR="$work/runtime" \
        QT_QPA_PLATFORM=xcb QUAVERLOOM_MODEL_URL="$model_url" "$binary" >"$work/app.log" 2>&1 &
    app=$!
    pids+=($app)
    sleep 2
}
stop_app() {
    kill -TERM "$app" 2>/dev/null || true
    wait "$app" 2>/dev/null || true
    # A prepared workspace the program could not read would make a misleading recording.
    if compgen -G "$work/config/QuaverLoom/quaver-loom.tasks.unreadable-*" >/dev/null; then
        echo "record-onboarding: the program did not accept the prepared workspace:" >&2
        cat "$work/app.log" >&2
        exit 1
    fi
}

# Warping the pointer produces no device motion, so a glide ends each move with real steps.
glide() { # x y
    xdotool mousemove --sync "$1" $(($2 + 2))
    xdotool mousemove_relative -- 0 -1
    xdotool mousemove_relative -- 0 -1
}
slowly_to() { # x y: a visible glide in steps
    local from_x from_y
    eval "$(xdotool getmouselocation --shell | sed -n 's/^X=/from_x=/p; s/^Y=/from_y=/p')"
    local i
    for i in $(seq 1 12); do
        xdotool mousemove $((from_x + ($1 - from_x) * i / 12)) $((from_y + ($2 - from_y) * i / 12))
        xdotool mousemove_relative -- 0 1
        xdotool mousemove_relative -- 0 -1
        sleep 0.03
    done
}
type_slowly() { xdotool type --delay 90 -- "$1"; }
click_at() { # x y: glide there visibly, then click
    slowly_to "$1" "$2"
    sleep 0.2
    xdotool click 1
}

# Where the open panel's controls are: sets panel_left/right, ai_sort_x/y,
# prompt_x/y and add_section_x/y (or field_x/y, save_x/y for the other queries).
locate() { # query [x y]
    local found
    import -window root -depth 8 "rgb:$work/screen.rgb"
    found=$(python3 "$root/tools/locate-panel-controls.py" "$work/screen.rgb" "$@") \
        || { echo "record-onboarding: could not find $1 on the screen" >&2; exit 1; }
    eval "$found"
}
# Opens the panel under the notch and finds its controls.
reveal() {
    slowly_to $NOTCH_X $NOTCH_Y
    sleep 0.8
    locate panel
}

# Records the region while the scene function acts, and a moment after it.
record() { # name scene
    local name=$1 scene=$2 started
    glide $REST_X $REST_Y
    sleep 0.6
    ffmpeg -loglevel error -y -f x11grab -framerate $FPS -video_size ${REC_W}x${REC_H} \
        -i "$DISPLAY+$REC_X,$REC_Y" -c:v ffv1 "$work/raw.mkv" </dev/null &
    local rec=$!
    started=$SECONDS
    sleep 0.3
    "$scene"
    sleep 0.4
    kill -INT "$rec"
    wait "$rec" || true
    # A server that stalled under load leaves a long, still recording; better to say so.
    if [ $((SECONDS - started)) -gt 25 ]; then
        echo "record-onboarding: recording $name took $((SECONDS - started)) s; run it again (ONLY=...)" >&2
        exit 1
    fi
    # VP9 in MP4, no audio; the scene starts and ends in the same state, so it loops cleanly.
    ffmpeg -loglevel error -y -i "$work/raw.mkv" -an -c:v libvpx-vp9 -b:v 0 -crf 30 -row-mt 1 \
        -deadline good -cpu-used 2 -g $((FPS * 4)) -pix_fmt yuv420p -movflags +faststart \
        "$out/$name.mp4"
    echo "recorded $name.mp4 ($(stat -c %s "$out/$name.mp4") bytes)"
}

scene_reveal() {
    sleep 0.6
    reveal
    sleep 0.4
    type_slowly "Call the printer about the posters"
    sleep 1.2
    slowly_to $REST_X $REST_Y
    sleep 1.2
}
scene_first_task() {
    sleep 0.4
    reveal
    type_slowly "Send the quarterly report"
    sleep 0.3
    xdotool key Return
    sleep 1.4
    slowly_to $REST_X $REST_Y
    sleep 1.0
}
scene_sections() {
    sleep 0.4
    reveal
    click_at $add_section_x $add_section_y
    sleep 0.6
    locate section-field $add_section_x $add_section_y
    click_at $field_x $field_y
    sleep 0.3
    type_slowly "Ideas"
    sleep 0.3
    xdotool key Return
    sleep 0.8
    # The new section is selected, and its first task goes straight in.
    type_slowly "Sketch a logo for the newsletter"
    sleep 0.3
    xdotool key Return
    sleep 1.4
    slowly_to $REST_X $REST_Y
    sleep 1.0
}
scene_ai_sort() {
    sleep 0.4
    reveal
    click_at $prompt_x $prompt_y
    sleep 0.6
    type_slowly "Deadlines first, then anything that blocks others."
    sleep 0.4
    locate prompt-save $prompt_x $prompt_y
    click_at $save_x $save_y
    sleep 0.6
    click_at $ai_sort_x $ai_sort_y
    sleep 3.4
    slowly_to $REST_X $REST_Y
    sleep 1.0
}
scene_reminder() {
    # The flight takes about 12 s; the airplane crosses the recorded region
    # from about 3 s to 10 s into it, so the video begins and ends empty.
    sleep 9.6
}

# Slide 1: the panel opens under the notch, and typing goes straight into the composer.
if wanted 1; then
    prepare_config ""
    start_app
    record "slide 1 ready v1" scene_reveal
    stop_app
fi

# Slide 2: a first task is typed and submitted.
if wanted 2; then
    prepare_config ""
    start_app
    record "slide 2 ready v1" scene_first_task
    stop_app
fi

# Slide 3: a section of its own, added from the tab strip.
if wanted 3; then
    prepare_config "$(workspace_json "$(task_json 1 "Draft the launch plan" section.work)")"
    start_app
    record "slide 3 ready v1" scene_sections
    stop_app
fi

# Slide 4: a workspace prompt, then AI Sort ranks the list: the last task rises to the top.
if wanted 4; then
    prepare_config "$(workspace_json "$(task_json 1 "Water the plants" section.work),$(task_json 2 "Book the dentist" section.work),$(task_json 3 "File the tax return" section.work)")"
    start_app
    record "slide 4 ready v1" scene_ai_sort
    stop_app
fi

# Slide 5: a reminder flies in.
if wanted 5; then
    # Due just before the recording starts, so it opens shortly before the
    # airplane enters the recorded middle of the screen.
    prepare_config "$(workspace_json "$(task_json 1 "Stretch and refill water" section.health "$(( $(stored_now) + 2 ))")")"
    start_app
    record "slide 5 ready v1" scene_reminder
    stop_app
fi

# Intro image: the expanded panel with tasks, centred on the backdrop at about 1280x940.
if wanted intro; then
    prepare_config "$(workspace_json "$(task_json 1 "Send the quarterly report" section.work),$(task_json 2 "Book the venue" section.work),$(task_json 3 "Review the budget" section.work)")"
    start_app
    glide $NOTCH_X $NOTCH_Y
    sleep 1.2
    ffmpeg -loglevel error -y -f x11grab -draw_mouse 0 -video_size 1280x940 -i "$DISPLAY+320,0" -frames:v 1 "$work/intro.png"
    stop_app
    # The program's name under the panel; the start button sits below it.
    font=$(fc-match -f '%{file}' 'DejaVu Serif' 2>/dev/null || true)
    convert "$work/intro.png" ${font:+-font "$font"} -fill 'rgba(255,255,255,0.92)' -pointsize 64 -gravity center \
        -annotate +0+170 'QuaverLoom' -strip -define png:compression-level=9 "$out/onboard1.png"
    echo "composed onboard1.png ($(stat -c %s "$out/onboard1.png") bytes)"
fi

# One still of the screen's region, without the pointer.
grab_still() { # file width height x y
    ffmpeg -loglevel error -y -f x11grab -draw_mouse 0 -video_size "$2x$3" -i "$DISPLAY+$4,$5" -frames:v 1 "$work/still.png"
    convert "$work/still.png" -strip -define png:compression-level=9 "$1"
    echo "took $(basename "$1") ($(stat -c %s "$1") bytes)"
}

# README screenshot: the expanded panel with a few tasks, ranked by AI Sort.
if wanted panel; then
    prepare_config "$(workspace_json "$(task_json 1 "Water the plants" section.work),$(task_json 2 "Book the dentist" section.work),$(task_json 3 "File the tax return" section.work)")"
    start_app
    glide $NOTCH_X $NOTCH_Y
    sleep 0.8
    locate panel
    glide $ai_sort_x $ai_sort_y
    xdotool click 1
    sleep 2.6
    grab_still "$docs/panel.png" 1000 540 460 0
    stop_app
fi

# README screenshot: a reminder flight as it passes the middle of the screen,
# about six seconds into its twelve.
if wanted flight; then
    due=$(( $(stored_now) + 4 ))
    prepare_config "$(workspace_json "$(task_json 1 "Stretch and refill water" section.health "$due")")"
    start_app
    glide $REST_X $REST_Y
    sleep "$(awk -v due="$due" -v now="$(date +%s.%N)" 'BEGIN { d = due + 978307200 + 6 - now; print (d > 0 ? d : 0) }')"
    grab_still "$docs/reminder-flight.png" 1280 240 320 420
    stop_app
fi
if compgen -G "$out/*.mp4" >/dev/null; then
    du -cb "$out"/*.mp4 | tail -n1 | awk '{print "five videos together: " $1 " bytes"}'
fi
