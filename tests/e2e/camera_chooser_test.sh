#!/usr/bin/env bash
# The camera chooser of the popup menu, through the real program with the
# fake cameras of tests/fake_camera (xdotool walks the real menu):
# - the primary camera picked at 1280x720 30 fps: the device file gets the
#   camera's source first, its comment and other sources kept as they were;
#   the camera opens again without a restart, the window takes the new
#   size and the camera's frame, read back by F12, is 1280x720;
# - a camera that cannot open (its only format nothing decodes): an "Error"
#   box, the file as it was, the camera before still showing;
# - the webcam picked as the secondary camera at the primary's size: its
#   file written the same way, and both cameras side by side in split
#   screen;
# - a camera plugged in while the program runs: listed after the others,
#   and picked as the primary camera it shows.
source "$(dirname "$0")/lib.sh"
source "$(dirname "$0")/fault_lib.sh"
source "$(dirname "$0")/camera_lib.sh"
e2e_init

blue="32 128 224"   # camera 0: 0x2080e0
pink="224 32 128"   # camera 1: 0xe02080
green="32 224 32"   # camera 3, plugged in later: 0x20e020
plug=$E2E_DIR/plug-green
device1=$E2E_DIR/data/dsvl/device1.xml
device2=$E2E_DIR/data/dsvl/device2.xml
use_fake_cameras "kind=raw color=0x2080e0; kind=webcam color=0xe02080; kind=h265; plug=$plug color=0x20e020"
# The menu's rows: Options is the main menu's second; the cameras follow
# its fourteen fixed rows; a camera's menu holds "Primary camera" and
# "Secondary camera".
options=1 cameras=14 primary=0 secondary=1

# expect_log TEXT [COUNT]: the program's output holds TEXT (COUNT times).
expect_log() {
    local count
    count=$(grep -cF -- "$1" "$E2E_DIR/lumora.log" || true)
    [ "$count" -eq "${2:-1}" ] ||
        e2e_fail "\"$1\" $count times in the output: $(grep -E 'capture:|Error' "$E2E_DIR/lumora.log" || true)"
}

# wait_size WID "W H": until the window has that size.
wait_size() {
    for _ in $(seq 50); do
        [ "$(window_size "$1")" = "$2" ] && return 0
        sleep 0.1
    done
    e2e_fail "the window is $(window_size "$1"), not $2"
}

# The shipped primary file (a comment, a camera, the test pattern) with a
# first line of our own, which the rewrite must keep too.
sed 's|<capture>|<capture>\n  <!-- the first camera, then the test pattern -->|' \
    "$LUMORA_SOURCE_DIR/data/dsvl/device1.xml" >"$device1"
write_missing_device 2
cp "$device1" "$E2E_DIR/device1.before"
cp "$device2" "$E2E_DIR/device2.before"
window_at_origin
start_lumora
wid=$(wait_window Lumora 60)
skip_if_real_camera
wait_size "$wid" "640 480"

e2e_log "camera 0 at 1280x720 30 fps for the primary camera"
menu_walk "$wid" $options $cameras $primary 2
wait_size "$wid" "1280 720"
expect_log 'dsvl/device1.xml: source 1 (device "Lumora Fake Camera 0") Lumora Fake Camera 0: 1280x720 at 30 fps'
sed 's|<capture>|<capture>\n  <source device="Lumora Fake Camera 0" width="1280" height="720" framerate="30"/>|' \
    "$E2E_DIR/device1.before" | cmp -s - "$device1" ||
    e2e_fail "device1.xml is not the old one with the camera first: $(diff "$E2E_DIR/device1.before" "$device1")"
cp "$device1" "$E2E_DIR/device1.picked"
wait_pixel "$wid" 140 360 "$blue"
size=$(identify -format "%wx%h" "$(frame_shot "$wid")" 2>/dev/null || true)
[ "$size" = "1280x720" ] || e2e_fail "the camera's frame is \"$size\""

e2e_log "a camera that cannot open: an Error box, and camera 0 stays"
menu_walk "$wid" $options $((cameras + 2)) $primary 0  # "Its own mode"
wait_window Error 30 >/dev/null
close_box Error
expect_log "[Error] The camera Lumora Fake Camera 2 could not be opened (Its own mode); the camera before stays."
expect_log "source 1 (device \"Lumora Fake Camera 2\"): no decoder here takes the camera's formats (video/x-h265)" 2
cmp -s "$device1" "$E2E_DIR/device1.picked" || e2e_fail "device1.xml changed: $(cat "$device1")"
expect_log 'source 1 (device "Lumora Fake Camera 0") Lumora Fake Camera 0: 1280x720 at 30 fps' 2
[ "$(window_size "$wid")" = "1280 720" ] || e2e_fail "the window is $(window_size "$wid")"
wait_pixel "$wid" 140 360 "$blue"

e2e_log "the webcam at 1280x720 30 fps (Motion JPEG) for the secondary camera: split screen"
menu_walk "$wid" $options $((cameras + 1)) $secondary 2
expect_log 'dsvl/device2.xml: source 1 (device "Lumora Fake Camera 1") Lumora Fake Camera 1: 1280x720 at 30 fps, Motion JPEG decoded by jpegdec'
sed 's|<capture>|<capture>\n  <source device="Lumora Fake Camera 1" width="1280" height="720" framerate="30"/>|' \
    "$E2E_DIR/device2.before" | cmp -s - "$device2" || e2e_fail "device2.xml is $(cat "$device2")"
wait_pixel "$wid" 140 360 "$blue"
wait_pixel "$wid" 1140 360 "$pink"

e2e_log "a camera plugged in while running: in the chooser, and it opens"
touch "$plug"
sleep 1  # the provider looks at its plug files every 50 ms; the menu follows between frames
menu_walk "$wid" $options $((cameras + 3)) $primary 2
expect_log 'dsvl/device1.xml: source 1 (device "Lumora Fake Camera 3") Lumora Fake Camera 3: 1280x720 at 30 fps'
wait_pixel "$wid" 140 360 "$green"
wait_pixel "$wid" 1140 360 "$pink"

press_key "$wid" Escape
wait_exit 30
[ "$LUMORA_STATUS" -eq 0 ] || e2e_fail "exit status $LUMORA_STATUS"
echo "camera chooser: ok"
