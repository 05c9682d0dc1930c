#!/usr/bin/env bash
# Huge camera frames: 1920x1080 passes as it is, 4096x2160 is scaled down to
# 2048x1080 by the capture layer (with a notice); the window is scaled to fit
# the screen.  The picture is a small
# moving ball scaled up, so the motion shots fire.  With either, the program
# runs on: a screenshot and motion shots of the full frame, a full-screen
# window recorded, every file readable, a clean exit.
source "$(dirname "$0")/lib.sh"
source "$(dirname "$0")/fault_lib.sh"
e2e_init
export LUMORA_ENCODER=mjpeg:60
shots=$E2E_DIR/data/capture/screenshot
records=$E2E_DIR/data/capture/record
: >"$E2E_DIR/lumora.log"

# size WIDTH HEIGHT RATE EXPECTED_SIZE
for size in "1920 1080 15 1920x1080" "4096 2160 5 2048x1080"; do
    set -- $size
    e2e_log "camera $1x$2, frames of $4 expected"
    rm -f "$shots"/*.bmp "$records"/*.avi
    : >"$E2E_DIR/lumora.log"
    write_device 1 "videotestsrc is-live=true pattern=ball motion=wavy ! video/x-raw,width=96,height=54,framerate=$3/1 ! videoscale ! video/x-raw,width=$1,height=$2"
    write_missing_device 2
    start_lumora
    wid=$(wait_window Lumora 40)
    leave_help "$wid"
    sleep 2

    # The window fits the screen and keeps the picture's shape (to a pixel).
    read -r ww wh < <(window_size "$wid")
    read -r sw sh < <(xdpyinfo | awk '/dimensions:/ { split($2, d, "x"); print d[1], d[2] }')
    fw=${4%x*} fh=${4#*x}
    [ "$ww" -le "$sw" ] && [ "$wh" -le "$sh" ] || e2e_fail "a ${ww}x$wh window on a ${sw}x$sh screen"
    [ $(( (ww * fh - wh * fw) * (ww * fh - wh * fw) )) -le $(( fw * fw + fh * fh )) ] ||
        e2e_fail "a ${ww}x$wh window for ${4} frames"

    if [ "$1" -gt 2048 ]; then
        grep -q "scaled down to ${4/x/x}" "$E2E_DIR/lumora.log" ||
            e2e_fail "no notice of the scaling: $(grep capture: "$E2E_DIR/lumora.log" || true)"
    fi

    type_command "$wid" screenshot
    shot=$(wait_file "$shots" "*.bmp" 15)
    got=$(identify -format "%wx%h" "$shot") || e2e_fail "unreadable screenshot $shot"
    [ "$got" = "$4" ] || e2e_fail "screenshot is $got, expected $4"

    e2e_log "motion shots of the moving ball"
    type_command "$wid" motionshot
    sleep 6
    type_command "$wid" motionshot
    count=$(ls "$shots"/*.bmp | wc -l)
    [ "$count" -ge 2 ] || e2e_fail "no motion shot at $1x$2"
    for f in "$shots"/*.bmp; do
        got=$(identify -format "%wx%h" "$f") || e2e_fail "unreadable motion shot $f"
        [ "$got" = "$4" ] || e2e_fail "motion shot $(basename "$f") is $got, expected $4"
    done

    e2e_log "a full-screen window recorded"
    type_command "$wid" swscreenmode
    sleep 1
    type_command "$wid" recordmode_screen
    sleep 3
    type_command "$wid" recordmode_off
    sleep 1
    if xdotool search --onlyvisible --name '^Info$' >/dev/null 2>&1; then close_box Info; fi
    expect_no_box Error
    avi=$(newest_file "$records" "*_screen_rec_screen.avi")
    [ -n "$avi" ] || e2e_fail "no screen recording"
    frames=$(avi_frames "$avi")
    geometry=$(ffprobe -v error -select_streams v:0 -show_entries stream=width,height -of csv=p=0:s=x "$avi")
    e2e_log "screen recording: $frames frames of $geometry; $count BMPs"
    [ "$frames" -ge 10 ] || e2e_fail "the screen recording holds $frames frames"
    [ "$geometry" = "1280x1024" ] || e2e_fail "the full-screen recording is $geometry"

    lumora_running || e2e_fail "the program ended with $1x$2 frames"
    press_key "$wid" Escape
    wait_exit 30
    [ "$LUMORA_STATUS" -eq 0 ] || e2e_fail "exit status $LUMORA_STATUS with $1x$2 frames"
done
echo "huge_frames: ok"
