#!/usr/bin/env bash
# Recordings and shots that come to nothing, in the real program with a still
# test pattern: motion record switched on and off without motion leaves no
# file and an "Info" box (not an unplayable AVI); a screenshot into a missing
# folder gives one "Error" box naming the file and the reason; with the folder
# back, the next screenshot is written.
source "$(dirname "$0")/lib.sh"
source "$(dirname "$0")/fault_lib.sh"
e2e_init
export LUMORA_ENCODER=mjpeg

write_device 1 "$(solid_pipeline 3060A0)"
write_missing_device 2
records=$E2E_DIR/data/capture/record
shots=$E2E_DIR/data/capture/screenshot
: >"$E2E_DIR/lumora.log"

start_lumora
wid=$(wait_window Lumora)
leave_help "$wid"
wait_pixel "$wid" 200 200 "48 96 160"

e2e_log "motion record on and off over a still picture"
type_command "$wid" motionrecord
file=$(ls "$records"/*_motion_rec_dev1.avi 2>/dev/null | head -n1)
[ -n "$file" ] || e2e_fail "motion record opened no file"
sleep 3
type_command "$wid" motionrecord
wait_window Info 15 >/dev/null
expect_no_box Error
close_box Info
[ ! -e "$file" ] || e2e_fail "$(basename "$file") is left behind ($(stat -c %s "$file") bytes) though no frame reached it"
[ -z "$(ls "$records")" ] || e2e_fail "files left in the record folder: $(ls "$records")"

e2e_log "a screenshot into a missing folder"
rm -rf "$shots"
press_key "$wid" F12
wait_window Error 15 >/dev/null
grep -q '^\[Error\] The screenshot could not be written to capture\\screenshot\\[0-9_]*\.bmp: No such file or directory\.$' \
    "$E2E_DIR/lumora.log" || e2e_fail "the Error box does not name the shot and why: $(grep '\[Error\]' "$E2E_DIR/lumora.log" || echo 'no [Error] line')"
close_box Error
sleep 1
expect_no_box Error

e2e_log "the folder is back: the next screenshot is written"
mkdir "$shots"
type_command "$wid" screenshot
shot=$(wait_file "$shots" "*.bmp" 10)
identify "$shot" >/dev/null || e2e_fail "unreadable screenshot $shot"
expect_no_box Error

press_key "$wid" Escape
expect_clean_exit
echo "record_nothing: ok"
