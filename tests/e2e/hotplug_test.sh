#!/usr/bin/env bash
# A camera unplugged while the real program shows it, and plugged in again,
# with the fake cameras of tests/fake_camera (a plug file per camera):
# - unplugged: the last picture stands still with the red notice, the
#   program answers its console (a screenshot is written), and motion shot
#   writes nothing although the standing picture differs from every frame
#   of snow before it (its PCD drops from 25 to 0);
# - another camera plugged in meanwhile, at the lost camera's old index, is
#   not taken for it;
# - plugged in again, now at another index (the watching provider lists it
#   last, after the green one): the picture moves again and the notice goes,
#   by itself, and the return fires no motion shot either.
source "$(dirname "$0")/lib.sh"
source "$(dirname "$0")/camera_lib.sh"
e2e_init

plug_snow=$E2E_DIR/plug-snow
plug_green=$E2E_DIR/plug-green
shots=$E2E_DIR/data/capture/screenshot
log=$E2E_DIR/lumora.log
green="32 224 32"  # 0x20e020
size="640 480"
# Listed in this order when all are plugged in: green, snow, blue.
use_fake_cameras "plug=$plug_green color=0x20e020; plug=$plug_snow pattern=snow; color=0x2020e0"
touch "$plug_snow"
write_sources 1 'camera="0" width="640" height="480"'
write_missing_device 2

shot_count() { find "$shots" -name '*.bmp' 2>/dev/null | wc -l; }

# picture_changes: how many pixels of the picture's right side, clear of
# the panels and the notices (also the passing one of a screenshot), differ
# between two looks a quarter second apart.
picture_changes() {
    import -window "$wid" "$E2E_DIR/look1.png"
    sleep 0.25
    import -window "$wid" "$E2E_DIR/look2.png"
    compare -metric AE -crop 160x200+465+140 "$E2E_DIR/look1.png" "$E2E_DIR/look2.png" null: \
        2>&1 || true
}

# wait_for CONDITION WHAT [seconds]: waits until the shell condition holds.
wait_for() {
    local limit=$(( ${3:-15} * 4 ))
    for _ in $(seq "$limit"); do
        eval "$1" && return 0
        sleep 0.25
    done
    e2e_fail "$2"
}

notice_shown() { [ "$(notice_pixels "$wid" "$size")" -gt 50 ]; }

start_lumora
wid=$(wait_window Lumora 40)
skip_if_real_camera
expect_camera 1 0 "640x480 at 30 fps"
press_key "$wid" Return  # leave the help pages
wait_for '[ "$(picture_changes)" -gt 1000 ]' "the snow does not move"
[ "$(notice_pixels "$wid" "$size")" -eq 0 ] || e2e_fail "a notice before the camera went"
run_command "$wid" motionshot
sleep 2.5  # two measurements: snow changes as much every second, which is no motion

e2e_log "unplugged"
before=$(shot_count)
rm "$plug_snow"
wait_for notice_shown "no notice of the lost camera"
grep -qi "device1.xml: the camera was unplugged; the last frame stays until the camera" \
    "$log" || e2e_fail "no word of the loss on the terminal"
grep -q "until the camera (serial number lumora-fake-1) is back" "$log" ||
    e2e_fail "the lost camera is not known by its serial number: $(grep capture: "$log")"
[ "$(picture_changes)" -eq 0 ] || e2e_fail "the picture of a lost camera moves"
sleep 3  # three measurement times
[ "$(shot_count)" -eq "$before" ] || e2e_fail "motion shot fired on the lost camera's picture"
run_command "$wid" screenshot
wait_for '[ "$(shot_count)" -eq $((before + 1)) ]' "no answer from the console meanwhile" 10

e2e_log "another camera plugged in at the lost camera's index"
touch "$plug_green"
sleep 2
[ "$(picture_changes)" -eq 0 ] || e2e_fail "another camera took the lost camera's place"
colour_near "$(pixel_at "$wid" 540 240)" "$green" && e2e_fail "the green camera took its place"
notice_shown || e2e_fail "the notice went without the camera"

e2e_log "plugged in again, at another index"
touch "$plug_snow"
wait_for '[ "$(notice_pixels "$wid" "$size")" -eq 0 ]' "the notice stays after the camera's return"
wait_for '[ "$(picture_changes)" -gt 1000 ]' "the picture stands still after the camera's return"
grep -q "device1.xml: the camera is back: Lumora Fake Camera 1, now camera 2" "$log" ||
    e2e_fail "no word of the return on the terminal: $(grep capture: "$log")"
sleep 2.5
[ "$(shot_count)" -eq $((before + 1)) ] || e2e_fail "motion shot fired at the camera's return"

press_key "$wid" Escape
expect_clean_exit 30
echo "hotplug: ok"
