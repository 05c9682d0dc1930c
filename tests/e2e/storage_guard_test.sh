#!/usr/bin/env bash
# The storage guard in the real program: a size limit deletes the oldest
# shots and recordings Lumora named itself (never another file) before a
# recording starts; on a small disk the free-space floor does the same, a
# recording that finds nothing to delete does not start, and a recording
# that outgrows the disk stops with an "Error" box before the disk is full,
# its file kept and playable.
source "$(dirname "$0")/lib.sh"
source "$(dirname "$0")/fault_lib.sh"
e2e_init
export LUMORA_ENCODER=mjpeg
write_device 1 "$(solid_pipeline 2040C0 320 240)"
write_missing_device 2
records=$E2E_DIR/data/capture/record
shots=$E2E_DIR/data/capture/screenshot

# old FILE SIZE_KIB DATE: a file of that size, last changed then.
old() { head -c "$(($2 * 1024))" /dev/zero >"$1"; touch -d "$3" "$1"; }

# record_for SECONDS: a normal recording, its "Info" box closed.
record_for() {
    type_command "$wid" recordmode_normal
    sleep "$1"
    type_command "$wid" recordmode_off
    wait_window Info 15 >/dev/null
    close_box Info
}

e2e_log "a limit of 3 MiB: the oldest Lumora files go, a foreign file stays"
mkdir -p "$XDG_CONFIG_HOME/Korvane"
printf '[main]\nstorage_limit_mib=3\n' >"$E2E_SETTINGS"
old "$shots/01_01_2019_10_00_00.bmp" 1024 2019-01-01
old "$records/01_01_2020_10_00_00_record_dev1.avi" 1024 2020-01-01
old "$records/01_02_2020_10_00_00_motion_rec_dev1.avi" 1024 2020-02-01
old "$records/notes.avi" 2048 2018-01-01
start_lumora
wid=$(wait_window Lumora)
leave_help "$wid"
record_for 2
[ ! -e "$shots/01_01_2019_10_00_00.bmp" ] && [ ! -e "$records/01_01_2020_10_00_00_record_dev1.avi" ] ||
    e2e_fail "the oldest files were not deleted: $(ls "$shots" "$records")"
[ -e "$records/01_02_2020_10_00_00_motion_rec_dev1.avi" ] || e2e_fail "more was deleted than the limit asks"
[ -e "$records/notes.avi" ] || e2e_fail "a file Lumora did not name was deleted"
[ "$(grep -c '^storage: deleted ' "$E2E_DIR/lumora.log")" -eq 2 ] ||
    e2e_fail "each deletion should be one line: $(grep storage: "$E2E_DIR/lumora.log")"
press_key "$wid" Escape
expect_clean_exit
rm -f "$records"/* "$shots"/*

[ "$(id -u)" -eq 0 ] || { echo "storage_guard: ok (the small-disk part needs root)"; exit 0; }
mount -t tmpfs -o size=8m tmpfs "$records" 2>/dev/null || { echo "storage_guard: ok (no tmpfs here)"; exit 0; }
unmount_at_exit "$records"
: >"$E2E_DIR/lumora.log"
printf '[main]\n' >"$E2E_SETTINGS"

e2e_log "an 8 MiB disk with 1 MiB free: the oldest recording goes"
old "$records/01_01_2020_10_00_00_record_dev1.avi" 2048 2020-01-01
old "$records/01_02_2020_10_00_00_record_dev1.avi" 2048 2020-02-01
old "$records/filler" 3072 2018-01-01
start_lumora
wid=$(wait_window Lumora)
leave_help "$wid"
record_for 1
[ ! -e "$records/01_01_2020_10_00_00_record_dev1.avi" ] && [ -e "$records/01_02_2020_10_00_00_record_dev1.avi" ] ||
    e2e_fail "the floor did not take exactly the oldest recording: $(ls "$records")"

e2e_log "nothing left to delete: the recording does not start"
rm -f "$records"/*_record_dev1.avi
old "$records/more" 4700 2018-01-01
type_command "$wid" recordmode_normal
wait_window Error 10 >/dev/null
close_box Error
grep -q '^\[Error\] The recording could not be started: .*no older recording or shot of Lumora is left to delete\.$' \
    "$E2E_DIR/lumora.log" || e2e_fail "the box does not say why: $(grep '\[Error\]' "$E2E_DIR/lumora.log")"
[ -z "$(ls "$records" | grep -v -e filler -e more)" ] || e2e_fail "a file was left: $(ls "$records")"

e2e_log "uncompressed frames outgrow the disk: stopped before it is full"
rm -f "$records/more" "$records/filler"
press_key "$wid" Escape
expect_clean_exit
LUMORA_ENCODER=raw start_lumora
wid=$(wait_window Lumora)
leave_help "$wid"
type_command "$wid" recordmode_normal
wait_window Error 15 >/dev/null
close_box Error
file=$(newest_file "$records" "*_record_dev1.avi")
grep -q "^\[Error\] The recording .*$(basename "$file") was stopped: " "$E2E_DIR/lumora.log" ||
    e2e_fail "the box does not name the stopped recording: $(grep '\[Error\]' "$E2E_DIR/lumora.log")"
[ "$(df -k --output=avail "$records" | tail -n1)" -gt 0 ] || e2e_fail "the disk was filled"
[ "$(avi_frames "$file")" -gt 0 ] || e2e_fail "the stopped recording does not play"
grep -q 'Frames could not be written' "$E2E_DIR/lumora.log" && e2e_fail "the disk filled before the guard stopped the recording"
press_key "$wid" Escape
expect_clean_exit
echo "storage_guard: ok"
