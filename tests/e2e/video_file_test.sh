#!/usr/bin/env bash
# A video file as the camera ("filesrc ! decodebin", as the README shows):
# it plays on past its first frame, and after its end it starts again.
source "$(dirname "$0")/lib.sh"
e2e_init
ffmpeg -loglevel error -f lavfi -i testsrc=size=320x240:rate=15 -t 3 -c:v mjpeg "$E2E_DIR/clip.avi" ||
    e2e_fail "ffmpeg could not make the clip"
write_device 1 "filesrc location=$E2E_DIR/clip.avi ! decodebin"
write_missing_device 2

start_lumora
wid=$(wait_window Lumora)
press_key "$wid" Return  # leave the help pages
# testsrc's picture changes every frame: two looks a second apart differ.
import -window "$wid" "$E2E_DIR/a.png"
sleep 1
import -window "$wid" "$E2E_DIR/b.png"
difference=$(compare -metric AE "$E2E_DIR/a.png" "$E2E_DIR/b.png" null: 2>&1 || true)
[ "${difference%% *}" -gt 100 ] 2>/dev/null || e2e_fail "the picture stands still ($difference pixels changed)"
grep -q 'Internal data stream error' "$E2E_DIR/lumora.log" && e2e_fail "the file stopped: $(cat "$E2E_DIR/lumora.log")"

e2e_log "after its end the file plays again"
for _ in $(seq 100); do
    grep -q 'frames arrive again' "$E2E_DIR/lumora.log" && break
    sleep 0.1
done
grep -q 'frames arrive again' "$E2E_DIR/lumora.log" || e2e_fail "the file did not start again: $(cat "$E2E_DIR/lumora.log")"
press_key "$wid" Escape
expect_clean_exit
echo "video_file: ok"
