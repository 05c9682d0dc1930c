#!/usr/bin/env bash
# Motion detection on a moving picture at the default threshold: a
# test-pattern ball that fills much of a small frame changes the PCD from
# one measurement to the next, so motion shot writes BMPs.
source "$(dirname "$0")/lib.sh"
e2e_init

write_device 1 "videotestsrc is-live=true pattern=ball motion=wavy ! video/x-raw,width=96,height=72,framerate=30/1"
write_missing_device 2
shots=$E2E_DIR/data/capture/screenshot

start_lumora
wid=$(wait_window Lumora)
press_key "$wid" Return  # leave the help pages
xdotool type --clearmodifiers --delay 20 motionshot
xdotool key --clearmodifiers Return
sleep 8
count=$(ls "$shots"/*.bmp 2>/dev/null | wc -l)
e2e_log "$count motion shots in 8 s"
[ "$count" -ge 1 ] || e2e_fail "the moving ball raised no motion shot"
press_key "$wid" Escape
expect_clean_exit
