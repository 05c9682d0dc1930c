#!/usr/bin/env bash
# The cost of a frame of the running program against a bare GStreamer GL
# viewer of the same live 640x480 30 fps test pattern, one after the other in
# one run under a private Xvfb.  One table: CPU (% of one core, from
# /proc/PID/stat over a fixed window), drawn frames per second and the latency
# from a frame's arrival to the swap that shows it (median / 99th percentile,
# LUMORA_FRAME_STATS), resident memory at the end of the window, and the CPU
# and memory ratios to the bare viewer.  Lumora runs once with one camera
# (normal view, every vertex and pixel program, the model effect, recording
# Motion JPEG) and once with two (split screen, image swap); the window of
# each row starts after the switch has settled (SIGUSR1 starts its stats).
#
#   bench/frame_cost.sh [seconds per row] [quick]
#   (default 8 s; quick: the bare viewer and the normal view only;
#   LUMORA_BIN: the program)
set -euo pipefail
cd "$(dirname "$0")/.."
export LUMORA_SOURCE_DIR=${LUMORA_SOURCE_DIR:-$PWD}
export LUMORA_BIN=${LUMORA_BIN:-$PWD/build/lumora}
window=${1:-8}
quick=${2:-}
settle=3
unset DISPLAY  # a private server of our own: nothing else draws on it
source tests/e2e/lib.sh
e2e_init
export LUMORA_FRAME_STATS=1 LUMORA_ENCODER=mjpeg
pattern="videotestsrc is-live=true pattern=ball ! video/x-raw,width=640,height=480,framerate=30/1"
ticks=$(getconf CLK_TCK)

cpu_ticks() { awk '{ print $14 + $15 }' "/proc/$1/stat"; }
rss_mib() { awk '/^VmRSS:/ { printf "%.1f", $2 / 1024 }' "/proc/$1/status"; }

# measure PID: "CPU% RSS" over the window.
measure() {
    local before after
    before=$(cpu_ticks "$1")
    sleep "$window"
    after=$(cpu_ticks "$1")
    echo "$(awk -v t=$((after - before)) -v w="$window" -v hz="$ticks" 'BEGIN { printf "%.1f", 100 * t / hz / w }') $(rss_mib "$1")"
}

ROWS=()
row() { ROWS+=("$1|$2|$3|$4"); }  # name, "cpu rss", fps, latency

# The bare viewer, measured before and after Lumora: its CPU drifts with the
# machine by a point or two, so the ratios use the mean of both windows.
# bare_viewer: sets bare_cpu and bare_rss.
bare_viewer() {
    local viewer
    gst-launch-1.0 -q $pattern ! videoconvert ! glimagesink >/dev/null 2>&1 &
    viewer=$!
    E2E_PIDS+=("$viewer")
    sleep "$settle"
    read -r bare_cpu bare_rss < <(measure "$viewer")
    kill "$viewer"
    wait "$viewer" 2>/dev/null || true
}
bare_viewer
base_cpu=$bare_cpu base_rss=$bare_rss

# The stats line of the last window: "fps median p99".
window_stats() {
    local line
    for _ in $(seq 50); do
        line=$(grep 'frame pacing:' "$E2E_DIR/lumora.log" | sed -n "${1}p")
        [ -n "$line" ] && break
        sleep 0.1
    done
    sed -E 's/.*: ([0-9.]+) drawn per second.*median ([0-9.]+) ms, p99 ([0-9.]+) ms.*/\1 \2 \3/' <<<"$line"
}

# lumora_row NAME: settles, restarts the stats, measures, reads them back.
LUMORA_REPORTS=0
lumora_row() {
    local cpu_rss fps median p99
    sleep "$settle"
    kill -USR1 "$LUMORA_PID"
    LUMORA_REPORTS=$((LUMORA_REPORTS + 1))
    cpu_rss=$(measure "$LUMORA_PID")
    kill -USR1 "$LUMORA_PID"
    LUMORA_REPORTS=$((LUMORA_REPORTS + 1))
    read -r fps median p99 < <(window_stats "$LUMORA_REPORTS")
    row "$1" "$cpu_rss" "$fps" "$median / $p99"
}

# The "Display Question" box: Yes (use the second camera, leave split screen).
answer_yes() {
    local question
    question=$(wait_window "Display Question" 30)
    xdotool mousemove --window "$question" 10 10
    xdotool windowfocus --sync "$question" 2>/dev/null || true
    xdotool key --clearmodifiers "alt+y"
    E2E_OLD_WINDOWS+=" $question "
}

# Killed: its figures are in, and a recording's closing box would wait.
stop_lumora() {
    kill -KILL "$LUMORA_PID"
    wait_exit 30
    LUMORA_REPORTS=0
    : >"$E2E_DIR/lumora.log"
}

# Every vertex and pixel program, then recording in normal view.
effect_rows() {
    read -ra vertex <<<"$(grep -o 'cg/vertex/[a-z_]*' render/shader.cpp | sed 's|.*/||' | tr '\n' ' ')"
    read -ra pixel <<<"$(grep -o 'cg/pixel/[a-z_]*' render/shader.cpp | sed 's|.*/||' | tr '\n' ' ')"
    for v in "${!vertex[@]}"; do
        menu_walk "$wid" 0 0 "$v"  # Cg Shader > Cg Vertex Shader > v
        lumora_row "shader view, ${vertex[$v]} / none"
    done
    menu_walk "$wid" 0 0 0
    for p in "${!pixel[@]}"; do
        menu_walk "$wid" 0 1 "$p"  # Cg Shader > Cg Pixel Shader > p
        lumora_row "shader view, none / ${pixel[$p]}"
    done
    run_command "$wid" viewmode_normal
    run_command "$wid" recordmode_normal
    lumora_row "normal view, recording Motion JPEG"
}

# Two cameras: split screen and image swap.
two_camera_rows() {
    write_device 2 "videotestsrc is-live=true pattern=pinwheel ! video/x-raw,width=640,height=480,framerate=30/1"
    start_lumora
    answer_yes
    wid=$(wait_window Lumora 30)
    press_key "$wid" Return
    lumora_row "split screen (two cameras)"
    run_command "$wid" viewmode_imgswap
    answer_yes  # image swap instead of split screen
    lumora_row "image swap (two cameras)"
}

# One camera: normal view, every effect program, the model, recording.
write_device 1 "$pattern"
write_missing_device 2
window_at_origin
start_lumora
wid=$(wait_window Lumora 30)
# Leaves the help pages with the pointer kept away: the popup menus (a GL
# context each) are made when it first comes over the window.
xdotool windowfocus --sync "$wid" 2>/dev/null || true
xdotool key --clearmodifiers Return
lumora_row "normal view, pointer not yet in"
xdotool mousemove --window "$wid" 20 20
lumora_row "normal view"
if [ "$quick" != quick ]; then
    effect_rows
    stop_lumora
    two_camera_rows
fi
stop_lumora

bare_viewer
base_cpu=$(awk -v a="$base_cpu" -v b="$bare_cpu" 'BEGIN { printf "%.1f", (a + b) / 2 }')
base_rss=$(awk -v a="$base_rss" -v b="$bare_rss" 'BEGIN { printf "%.1f", (a + b) / 2 }')
ROWS=("bare GStreamer viewer (mean of before and after)|$base_cpu $base_rss|-|-" "${ROWS[@]}")

printf '%-50s %8s %8s %10s %16s %10s %8s\n' "" "CPU %" "x bare" "drawn/s" "latency ms" "RSS MiB" "x bare"
for r in "${ROWS[@]}"; do
    IFS='|' read -r name cpu_rss fps latency <<<"$r"
    read -r cpu rss <<<"$cpu_rss"
    printf '%-50s %8s %8s %10s %16s %10s %8s\n' "$name" "$cpu" \
        "$(awk -v a="$cpu" -v b="$base_cpu" 'BEGIN { printf "%.2f", a / b }')" "$fps" "$latency" "$rss" \
        "$(awk -v a="$rss" -v b="$base_rss" 'BEGIN { printf "%.2f", a / b }')"
done
