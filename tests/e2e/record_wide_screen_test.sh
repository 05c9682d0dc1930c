#!/usr/bin/env bash
# A screen recording of a full-screen window on a 5120x1440 desktop (wider
# than the 4096 pixels the old writer took): about 2 s of Motion JPEG,
# stopped with recordmode_off, is a 5120x1440 file whose frames decode.
source "$(dirname "$0")/lib.sh"
source "$(dirname "$0")/fault_lib.sh"
e2e_init
export LUMORA_ENCODER=mjpeg:60

# A desktop of its own, whatever display the test was given.
xvfb_start 5120x1440 || e2e_fail "no 5120x1440 X server"

write_device 1 "$(solid_pipeline 3060A0)"
write_missing_device 2
records=$E2E_DIR/data/capture/record
: >"$E2E_DIR/lumora.log"

start_lumora
wid=$(wait_window Lumora 40)
leave_help "$wid"
type_command "$wid" swscreenmode
for _ in $(seq 50); do
    [ "$(window_size "$wid")" = "5120 1440" ] && break
    sleep 0.2
done
[ "$(window_size "$wid")" = "5120 1440" ] || e2e_fail "the full-screen window is $(window_size "$wid")"
sleep 1

type_command "$wid" recordmode_screen
sleep 2
type_command "$wid" recordmode_off
wait_window Info 30 >/dev/null
expect_no_box Error
close_box Info

file=$(newest_file "$records" "*_screen_rec_screen.avi")
[ -n "$file" ] || e2e_fail "no screen recording: $(grep -i 'AVI\|Error' "$E2E_DIR/lumora.log" | tail -n3)"
info=$(ffprobe -v error -count_frames -select_streams v:0 \
    -show_entries stream=codec_name,width,height,nb_read_frames -of csv=p=0 "$file")
e2e_log "$info"
[[ "$info" =~ ^mjpeg,5120,1440,([0-9]+)$ ]] && [ "${BASH_REMATCH[1]}" -ge 5 ] ||
    e2e_fail "expected at least 5 frames of 5120x1440 Motion JPEG, ffprobe says: $info"

press_key "$wid" Escape
expect_clean_exit 40
echo "record_wide_screen: ok"
