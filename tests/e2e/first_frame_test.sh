#!/usr/bin/env bash
# A camera whose first frame comes late (a fake camera that starts 5 s late):
# until then the window shows the textures' grey, not black, and F12 writes
# no picture but says why; once the frame is there the window shows it and
# F12 writes it.
source "$(dirname "$0")/lib.sh"
source "$(dirname "$0")/fault_lib.sh"
source "$(dirname "$0")/camera_lib.sh"
e2e_init

colour="32 128 224"  # 0x2080e0
grey="127 127 127"   # the camera textures before any frame
shots=$E2E_DIR/data/capture/screenshot
use_fake_cameras "color=0x2080e0 delay=5000"
write_sources 1 'camera="0"'
write_missing_device 2

start_lumora
wid=$(wait_window Lumora 40)
skip_if_real_camera
# A point clear of the panels and the console, once the window is drawn.
for _ in $(seq 40); do
    seen=$(pixel_at "$wid" 35 26)
    colour_near "$seen" "0 0 0" 0 || break
    sleep 0.1
done
colour_near "$seen" "$grey" 2 ||
    e2e_fail "before the camera's first frame the window shows \"$seen\", expected grey \"$grey\""

e2e_log "F12 before the first frame: nothing written"
press_key "$wid" F12
for _ in $(seq 30); do grep -q "no camera picture yet" "$E2E_DIR/lumora.log" && break; sleep 0.1; done
grep -q "screenshot: no camera picture yet" "$E2E_DIR/lumora.log" ||
    e2e_fail "no word of the screenshot that could not be taken"
[ -z "$(newest_file "$shots" "*.bmp")" ] || e2e_fail "a screenshot before the first frame: $(ls "$shots")"

e2e_log "the first frame arrives"
wait_pixel "$wid" 35 26 "$colour" 20
press_key "$wid" F12
shot=$(wait_file "$shots" "*.bmp" 10)
sleep 0.5  # written in one go, but let it close
read -r size r g b < <(convert "$shot" -depth 8 -format "%wx%h %[fx:int(255*p{320,240}.r+0.5)] %[fx:int(255*p{320,240}.g+0.5)] %[fx:int(255*p{320,240}.b+0.5)]" info:; echo)
[ "$size" = "640x480" ] || e2e_fail "the screenshot is $size, expected the camera's 640x480"
colour_near "$r $g $b" "$colour" || e2e_fail "the screenshot shows \"$r $g $b\", expected \"$colour\""

press_key "$wid" Escape
wait_exit 30
[ "$LUMORA_STATUS" -eq 0 ] || e2e_fail "exit status $LUMORA_STATUS"
echo "first_frame: ok"
