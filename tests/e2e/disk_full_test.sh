#!/usr/bin/env bash
# The disk fills up while recording (a 2 MiB tmpfs as the record folder):
# the recording ends with an "Error" box naming the file, nothing hangs,
# and the frames written before stay decodable.
source "$(dirname "$0")/lib.sh"
source "$(dirname "$0")/fault_lib.sh"
e2e_init
export LUMORA_ENCODER=mjpeg:95

# Noise compresses badly: the small disk fills within seconds.
write_device 1 "videotestsrc is-live=true pattern=snow ! video/x-raw,width=320,height=240,framerate=30/1"
write_missing_device 2
records=$E2E_DIR/data/capture/record
: >"$E2E_DIR/lumora.log"

[ "$(id -u)" -eq 0 ] || e2e_skip "mounting a small tmpfs needs root"
mount -t tmpfs -o size=2m tmpfs "$records" 2>/dev/null || e2e_skip "mount -t tmpfs is not permitted here"
unmount_at_exit "$records"

start_lumora
wid=$(wait_window Lumora)
leave_help "$wid"
type_command "$wid" recordmode_normal
file=$(wait_file "$records" "*_record_dev1.avi" 10)
name=$(basename "$file")

e2e_log "waiting for the disk to fill"
box=$(wait_window Error 30)
df -k "$records" | tail -n1 >&2
grep -q "\[Error\] .*$name" "$E2E_DIR/lumora.log" ||
    e2e_fail "the \"Error\" box does not name $name: $(grep '\[Error\]' "$E2E_DIR/lumora.log" || echo 'no [Error] line')"
close_box Error

e2e_log "the recording has ended; the program goes on and takes commands"
sleep 2
expect_no_box Error
lumora_running || e2e_fail "the program ended after the write failure"
# Already off: switching the record mode off shows no "Info" box.
type_command "$wid" recordmode_off
sleep 1
expect_no_box Info
expect_no_box Error
type_command "$wid" screenshot
wait_file "$E2E_DIR/data/capture/screenshot" "*.bmp" 10 >/dev/null

frames=$(avi_frames "$file")
e2e_log "$name: $(stat -c %s "$file") bytes, $frames frames decode"
[ "$frames" -ge 5 ] || e2e_fail "only $frames frames of $name decode"

press_key "$wid" Escape
wait_exit 20
[ "$LUMORA_STATUS" -eq 0 ] || e2e_fail "exit status $LUMORA_STATUS after the disk filled"
echo "disk_full: ok"
