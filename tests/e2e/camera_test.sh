#!/usr/bin/env bash
# Cameras the system finds, through the real program, with the fake cameras
# of tests/gst in place of USB cameras: a camera asked for a size and rate
# opens in exactly that mode, one asked for nothing in its own mode, one
# asked for a mode it lacks gives way to the next source; the picture is the
# camera's.  The shipped device files open cameras 0 and 1 (split screen);
# without a camera they show the test pattern with a notice in the window,
# which neither a camera nor a file of pipelines alone brings.
source "$(dirname "$0")/lib.sh"
source "$(dirname "$0")/fault_lib.sh"
source "$(dirname "$0")/camera_lib.sh"
e2e_init

first="32 128 224"   # camera 0: 0x2080e0
second="224 32 128"  # camera 1: 0xe02080
blue="40 60 230"     # the stand-in pipeline: 283CE6
stand_in="pipeline=\"$(solid_pipeline 283CE6 320 240)\""
shipped=$LUMORA_SOURCE_DIR/data/dsvl
use_fake_cameras "color=0x2080e0; color=0xe02080"

# open_with_fallback 'CAMERA SOURCE': device 1 tries the camera, then the
# stand-in pipeline (so that a camera that fails shows as the wrong picture
# rather than as an "Error" box); no device 2.  Sets wid.
open_with_fallback() {
    write_sources 1 "$1" "$stand_in"
    write_missing_device 2
    : >"$E2E_DIR/lumora.log"
    start_lumora
    wid=$(wait_window Lumora 40)
    skip_if_real_camera
}

quit() {
    press_key "$wid" Escape
    wait_exit 30
    [ "$LUMORA_STATUS" -eq 0 ] || e2e_fail "exit status $LUMORA_STATUS"
}

e2e_log "camera 0 asked for 1280x720 at 15 fps"
open_with_fallback 'camera="0" width="1280" height="720" framerate="15"'
[ "$(window_size "$wid")" = "1280 720" ] || e2e_fail "window is $(window_size "$wid"), expected 1280 720"
expect_camera 1 0 "1280x720 at 15 fps"
wait_pixel "$wid" 35 26 "$first"
[ "$(notice_pixels "$wid" "1280 720")" -eq 0 ] || e2e_fail "a notice over the camera's picture"
quit

e2e_log "camera 0 in its own mode"
open_with_fallback 'camera="0"'
expect_camera 1 0 "640x480 at 30 fps"
[ "$(window_size "$wid")" = "640 480" ] || e2e_fail "window is $(window_size "$wid"), expected 640 480"
wait_pixel "$wid" 35 26 "$first"
quit

e2e_log "camera 0 asked for a mode it lacks: the next source, with a notice"
open_with_fallback 'camera="0" width="800" height="600"'
grep -q "source 1 (camera 0): the camera offers no mode 800x600 (its sizes: 640x480, 1280x720" \
    "$E2E_DIR/lumora.log" || e2e_fail "no word of the missing mode"
[ "$(window_size "$wid")" = "320 240" ] || e2e_fail "window is $(window_size "$wid"), expected the stand-in's 320 240"
wait_pixel "$wid" 35 26 "$blue"
[ "$(notice_pixels "$wid" "320 240")" -gt 50 ] || e2e_fail "no notice of the missing camera"
quit

e2e_log "the shipped device files with two cameras: split screen, no notice"
cp "$shipped/device1.xml" "$shipped/device2.xml" "$E2E_DIR/data/dsvl/"
: >"$E2E_DIR/lumora.log"
start_lumora
wait_window "Display Question" 40 >/dev/null
close_box "Display Question"  # Return answers Yes
wid=$(wait_window Lumora 40)
skip_if_real_camera
expect_camera 1 0 "640x480 at 30 fps"
expect_camera 2 1 "640x480 at 30 fps"
wait_pixel "$wid" 70 240 "$first"
wait_pixel "$wid" 570 240 "$second"
[ "$(notice_pixels "$wid" "640 480")" -eq 0 ] || e2e_fail "a notice over the cameras' pictures"
quit

e2e_log "the shipped device files without a camera: the test pattern and its notice"
export LUMORA_FAKE_CAMERAS=""
: >"$E2E_DIR/lumora.log"
start_lumora
wid=$(wait_window Lumora 40)
grep -q "source 1 (camera 0): no such camera (0 found)" "$E2E_DIR/lumora.log" ||
    e2e_skip "this machine has a camera: $(grep 'camera 0' "$E2E_DIR/lumora.log" | head -n1)"
sleep 1
[ "$(notice_pixels "$wid" "640 480")" -gt 100 ] || e2e_fail "no notice of the missing camera"
quit

e2e_log "a device file of pipelines only: no notice"
write_sources 1 "$stand_in"
: >"$E2E_DIR/lumora.log"
start_lumora
wid=$(wait_window Lumora 40)
wait_pixel "$wid" 35 26 "$blue"
[ "$(notice_pixels "$wid" "320 240")" -eq 0 ] || e2e_fail "a notice without a camera in the file"
quit
echo "camera: ok"
