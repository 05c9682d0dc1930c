#!/usr/bin/env bash
# Long run of the real program under Xvfb: two moving test-pattern cameras,
# split screen, image swap and shader view in turn, motion shot and motion
# record on, the info panel toggled and commands typed by this script.
# Reports resident memory and open descriptors at start and end, the frame
# routine's longest run, and checks that every motion file decodes.
#
#   bench/load_test.sh [minutes] [program]     (default 30, build/lumora)
set -euo pipefail
cd "$(dirname "$0")/.."
minutes=${1:-30}
program=$(realpath "${2:-build/lumora}")
work=$(mktemp -d /tmp/lumora-load-XXXXXX)
source scripts/xvfb.sh
trap '[ -n "${pid:-}" ] && kill -9 "$pid" 2>/dev/null; rm -rf "$work"; true' EXIT
xvfb_start
export GSETTINGS_BACKEND=memory NO_AT_BRIDGE=1 ALSOFT_DRIVERS=null
export XDG_CONFIG_HOME=$work/config LUMORA_ENCODER=mjpeg LUMORA_FRAME_STATS=1

cp -r data "$work/data"
device() {
    cat >"$work/data/dsvl/device$1.xml" <<XML
<?xml version="1.0" encoding="UTF-8"?>
<capture>
  <source pipeline="videotestsrc is-live=true pattern=$2 ! video/x-raw,width=160,height=120,framerate=30/1"/>
</capture>
XML
}
device 1 ball
device 2 pinwheel

(cd "$work/data" && exec "$program") >"$work/lumora.log" 2>&1 &
pid=$!

answer() {  # answer TITLE: presses Return in the first box titled TITLE, if any
    local box
    for _ in $(seq 40); do
        box=$(xdotool search --onlyvisible --name "^$1\$" 2>/dev/null | head -n1 || true)
        if [ -n "$box" ]; then
            xdotool windowactivate --sync "$box" 2>/dev/null || xdotool windowfocus --sync "$box" 2>/dev/null || true
            xdotool key --window "$box" Return
            sleep 0.5
            return 0
        fi
        sleep 0.1
    done
    return 1
}
answer "Display Question" || { echo "no camera question"; exit 1; }
for _ in $(seq 100); do
    wid=$(xdotool search --onlyvisible --name '^Lumora$' 2>/dev/null | head -n1 || true)
    [ -n "$wid" ] && break
    sleep 0.1
done
[ -n "$wid" ] || { echo "no window"; cat "$work/lumora.log"; exit 1; }

type_command() {
    xdotool mousemove --window "$wid" 5 5
    xdotool type --window "$wid" --delay 5 "$1"
    xdotool key --window "$wid" Return
    sleep 0.3
}
sample() {  # "RSS_KiB FDS"
    echo "$(ps -o rss= -p "$pid" | tr -d ' ') $(ls /proc/"$pid"/fd | wc -l)"
}
lamp() {  # clicks the info panel lamp (overlay -120, -120)
    read -r w h < <(xdotool getwindowgeometry "$wid" | awk '/Geometry:/ { split($2, s, "x"); print s[1], s[2] }')
    xdotool mousemove --window "$wid" $(( w * 8 / 256 )) $(( h * 248 / 256 ))
    xdotool click 1
}

xdotool key --window "$wid" Return  # leave the help pages
sleep 5
start=$(sample)
type_command motionshot
type_command motionrecord
echo "start: rss/fds $start"

end_time=$(( $(date +%s) + minutes * 60 ))
round=0
while [ "$(date +%s)" -lt "$end_time" ]; do
    round=$((round + 1))
    for command in viewmode_splitscreen viewmode_imgswap viewmode_shader viewmode_normal; do
        type_command "$command"
        answer "Display Question" || true
        lamp
        type_command pcd
        type_command fps
        sleep 8
    done
    if (( round % 5 == 0 )); then
        echo "round $round: rss/fds $(sample), shots $(find "$work/data/capture/screenshot" -name '*.bmp' | wc -l)"
        # Keep the disk in check: shots are checked as they come.
        find "$work/data/capture/screenshot" -name '*.bmp' -mmin +2 -delete
    fi
done
end=$(sample)
echo "end: rss/fds $end"

type_command motionrecord
answer Info || true
xdotool key --window "$wid" Escape
for _ in $(seq 100); do kill -0 "$pid" 2>/dev/null || break; sleep 0.2; done
wait "$pid" || { echo "exit status $?"; exit 1; }
pid=
grep 'frame stats' "$work/lumora.log" || true
status=0
for avi in "$work"/data/capture/record/*.avi; do
    [ -e "$avi" ] || continue
    frames=$(ffprobe -v error -count_frames -select_streams v:0 -show_entries stream=nb_read_frames -of csv=p=0 "$avi" || true)
    echo "$(basename "$avi"): ${frames:-unreadable} frames"
    [[ "$frames" =~ ^[0-9]+$ ]] && [ "$frames" -gt 0 ] || status=1
done
rm -rf "$work"
exit "$status"
