#!/usr/bin/env bash
# SIGKILL in the middle of each kind of recording (camera, effect, screen,
# motion): the frames written up to then still decode with ffprobe.
source "$(dirname "$0")/lib.sh"
source "$(dirname "$0")/fault_lib.sh"
e2e_init
export LUMORA_ENCODER=mjpeg:80

write_device 1 "videotestsrc is-live=true pattern=ball motion=wavy ! video/x-raw,width=160,height=120,framerate=30/1"
write_missing_device 2
records=$E2E_DIR/data/capture/record
: >"$E2E_DIR/lumora.log"

# kind COMMAND FILE_PATTERN
for kind in "recordmode_normal *_record_dev1.avi" "recordmode_effect *_effect_rec_screen.avi" \
            "recordmode_screen *_screen_rec_screen.avi" "motionrecord *_motion_rec_dev1.avi"; do
    set -- $kind
    e2e_log "$1, killed after 3 s"
    rm -f "$records"/*.avi
    record_then_kill "$1" "$2"
    file=$KILLED_FILE
    frames=$(avi_frames "$file")
    e2e_log "$(basename "$file"): $(stat -c %s "$file") bytes, $frames frames decode"
    [ "$frames" -ge 10 ] || e2e_fail "$1: only $frames frames of $(basename "$file") decode after SIGKILL"
done
echo "record_kill: ok"
