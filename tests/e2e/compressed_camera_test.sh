#!/usr/bin/env bash
# Cameras that send Motion JPEG or H.264, through the real program with the
# fake cameras of tests/fake_camera:
# - a device file whose first sources name a camera that is not there, a
#   mode the camera lacks, a camera whose only format nothing decodes and a
#   format the camera lacks: each is told on the terminal, and the next
#   source is tried, down to a Motion-JPEG-only camera at 1920x1080 30 fps,
#   whose frames the program holds at that size, pixel for pixel (an 8-pixel
#   checkerboard, read back from F12's picture of the camera's frame);
# - a webcam with raw and Motion JPEG modes gives Motion JPEG for 1280x720
#   at its full rate, raw when 10 fps is asked; an H.264 camera shows its
#   picture;
# - a camera that garbles every other frame: its picture is shown, one
#   notice on the terminal however many frames are lost, a clean exit.
source "$(dirname "$0")/lib.sh"
source "$(dirname "$0")/fault_lib.sh"
source "$(dirname "$0")/camera_lib.sh"
e2e_init

blue="32 128 224"  # 0x2080e0
pink="224 32 128"  # 0xe02080
use_fake_cameras "kind=raw; kind=h265; kind=mjpeg pattern=checkers-8; kind=webcam color=0x2080e0;
                  kind=mjpeg corrupt=2 color=0xe02080; kind=h264 color=0xe02080"

start() {
    : >"$E2E_DIR/lumora.log"
    start_lumora
}

quit() {
    press_key "$wid" Escape
    wait_exit 30
    [ "$LUMORA_STATUS" -eq 0 ] || e2e_fail "exit status $LUMORA_STATUS"
}

# expect_log TEXT: the program's output holds TEXT (a whole line's end).
expect_log() {
    grep -qF -- "$1" "$E2E_DIR/lumora.log" ||
        e2e_fail "no \"$1\" in the output: $(grep capture: "$E2E_DIR/lumora.log" || true)"
}

# checkers_across SHOT: the picture's middle row alternates red and green
# every 8 pixels from edge to edge, as the camera sent it (a frame scaled on
# the way would have wider or blurred squares).
checkers_across() {
    local width
    width=$(identify -format "%w" "$1")
    convert "$1" -crop "${width}x1+0+540" +repage -depth 8 txt:- |
        awk -F'[(),]' -v width="$width" '
            NR > 1 && $1 % 8 == 4 {
                square = int($1 / 8)
                red = ($3 > 150 && $4 < 100); green = ($4 > 150 && $3 < 100)
                if (!red && !green) { print "pixel " $1 " is neither red nor green"; exit 1 }
                if (square > 0 && red == last_red) { print "pixel " $1 " repeats the square before"; exit 1 }
                last_red = red; squares++
            }
            END { if (squares != width / 8) { print squares " squares"; exit 1 } }'
}

e2e_log "bad sources first, then a Motion JPEG camera at 1920x1080"
write_sources 1 'camera="9"' 'camera="0" width="800" height="600"' 'camera="1"' \
    'camera="0" format="mjpeg"' 'camera="2" width="1920" height="1080" framerate="30"'
write_missing_device 2
start
wid=$(wait_window Lumora 60)
skip_if_real_camera
expect_log "source 1 (camera 9): no such camera (6 found)"
expect_log "source 2 (camera 0): the camera offers no mode 800x600 (its sizes: 640x480, 1280x720, 1920x1080)"
expect_log "source 3 (camera 1): no decoder here takes the camera's formats (video/x-h265)"
expect_log "source 4 (camera 0): the camera offers no Motion JPEG mode (it offers raw)"
expect_log "source 5 (camera 2) Lumora Fake Camera 2: 1920x1080 at 30 fps, Motion JPEG decoded by jpegdec"
read -r ww wh < <(window_size "$wid")
[ $((ww * 9)) -eq $((wh * 16)) ] || e2e_fail "a ${ww}x$wh window for 1920x1080 frames"
sleep 1
shot=$(frame_shot "$wid")
size=$(identify -format "%wx%h" "$shot" 2>/dev/null || true)
[ "$size" = "1920x1080" ] || e2e_fail "the frame is \"$size\""
why=$(checkers_across "$shot") || e2e_fail "the frame is not the camera's checkerboard: $why"
quit

e2e_log "a webcam: Motion JPEG at full rate, raw at 10 fps; an H.264 camera"
write_sources 1 'camera="3" width="1280" height="720"'
write_sources 2 'camera="3" width="1280" height="720" framerate="10"'
start
wait_window "Display Question" 60 >/dev/null
close_box "Display Question"  # Return answers Yes: split screen
wid=$(wait_window Lumora 30)
expect_log "dsvl/device1.xml: source 1 (camera 3) Lumora Fake Camera 3: 1280x720 at 30 fps, Motion JPEG decoded by jpegdec"
grep -qx "capture: dsvl/device2.xml: source 1 (camera 3) Lumora Fake Camera 3: 1280x720 at 10 fps" "$E2E_DIR/lumora.log" ||
    e2e_fail "the webcam asked for 10 fps did not open raw: $(grep device2 "$E2E_DIR/lumora.log")"
wait_pixel "$wid" 140 360 "$blue"
wait_pixel "$wid" 1140 360 "$blue"
quit
if gst-inspect-1.0 avdec_h264 >/dev/null 2>&1 && gst-inspect-1.0 x264enc >/dev/null 2>&1; then
    write_sources 1 'camera="5" width="1280" height="720"'
    write_missing_device 2
    start
    wid=$(wait_window Lumora 60)
    expect_log "source 1 (camera 5) Lumora Fake Camera 5: 1280x720 at 30 fps, H.264 decoded by avdec_h264"
    wait_pixel "$wid" 140 360 "$pink"
    quit
else
    e2e_log "no H.264 decoder or encoder here: the H.264 camera is left out"
fi

e2e_log "a camera that garbles every other frame"
write_sources 1 'camera="4" width="1280" height="720"'
write_missing_device 2
start
wid=$(wait_window Lumora 60)
wait_pixel "$wid" 140 360 "$pink"
sleep 3  # some 45 garbled frames
lumora_running || e2e_fail "the program ended"
wait_pixel "$wid" 140 360 "$pink"
[ "$(grep -c "does not decode" "$E2E_DIR/lumora.log")" -eq 1 ] ||
    e2e_fail "expected one notice of the garbled frames: $(grep "does not decode" "$E2E_DIR/lumora.log" || true)"
expect_log "dsvl/device1.xml: a frame from the camera does not decode (jpegdec); such frames are skipped"
quit
echo "compressed camera: ok"
