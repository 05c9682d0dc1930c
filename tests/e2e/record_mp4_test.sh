#!/usr/bin/env bash
# The MP4 container in the real program, chosen by LUMORA_ENCODER: about 3 s
# of normal recording ended by exit is an H.264 MP4 (no AVI beside it) of
# about 3 s that ffprobe reads and headless Chromium plays to its end; a
# recording killed with SIGKILL still probes and decodes its frames.  In the
# "Video Compression" dialog, choosing the MP4 container picks H.264 and
# records an MP4.
source "$(dirname "$0")/lib.sh"
source "$(dirname "$0")/fault_lib.sh"
source "$(dirname "$0")/video_lib.sh"
e2e_init
: >"$E2E_DIR/lumora.log"
export LUMORA_ENCODER=h264:70@mp4

write_device 1 "videotestsrc is-live=true pattern=ball motion=wavy ! video/x-raw,width=320,height=240,framerate=30/1"
write_missing_device 2
records=$E2E_DIR/data/capture/record
now() { date +%s.%N; }
# Frames ffmpeg decodes from FILE without an error.
decoded_frames() {
    ffmpeg -v error -xerror -i "$1" -f framemd5 - 2>/dev/null | grep -vc '^#' || true
}

e2e_log "normal recording to MP4 of about 3 s, ended by exit"
start_lumora
wid=$(wait_window Lumora)
leave_help "$wid"
type_command "$wid" recordmode_normal
started=$(now)
sleep 3
run_command "$wid" exit
stopped=$(now)
wait_window Info 15 >/dev/null
close_box Info
wait_exit 15
file=$(newest_file "$records" '*_record_dev1.mp4')
[ -n "$file" ] || e2e_fail "no MP4 recording in $records: $(ls "$records")"
[ -z "$(newest_file "$records" '*.avi')" ] || e2e_fail "an AVI beside the MP4: $(ls "$records")"
info=$(probe "$file")
e2e_log "$(basename "$file"): $(tr '\n' ' ' <<<"$info")"
[ "$(field codec_name "$info")" = h264 ] || e2e_fail "codec: $info"
[ "$(field width "$info")" = 320 ] && [ "$(field height "$info")" = 240 ] || e2e_fail "size: $info"
frames=$(field nb_read_frames "$info")
duration=$(field duration "$info")
expect_real_time "$info" "$(echo "$stopped - $started" | bc -l)"
[ "$(decoded_frames "$file")" -eq "$frames" ] || e2e_fail "ffmpeg does not decode all $frames frames"

e2e_log "the MP4 plays in headless Chromium"
played=$(/usr/bin/python3 "$LUMORA_SOURCE_DIR/tests/support/browser_play.py" "$file" 2>>"$E2E_DIR/lumora.log") ||
    e2e_fail "Chromium did not play $(basename "$file") to its end: $played"
e2e_log "Chromium: $played"
browser_duration=$(sed -n 's/.*duration=\([0-9.]*\).*/\1/p' <<<"$played")
echo "$browser_duration - $duration" | bc -l | awk '{ exit !($1 > -0.2 && $1 < 0.2) }' ||
    e2e_fail "Chromium's duration $browser_duration, ffprobe's $duration"
grep -q 'width=320 height=240' <<<"$played" || e2e_fail "Chromium's picture size: $played"

e2e_log "recording to MP4, killed after 3 s"
rm -f "$records"/*
record_then_kill recordmode_normal '*_record_dev1.mp4'
file=$KILLED_FILE
info=$(probe "$file")
frames=$(field nb_read_frames "$info")
e2e_log "$(basename "$file"): $(stat -c %s "$file") bytes, $(tr '\n' ' ' <<<"$info")"
[ "$(field codec_name "$info")" = h264 ] || e2e_fail "killed recording: codec: $info"
# Fragments of one second reach the disk whole: at most the last is lost.
[ "${frames:-0}" -ge 15 ] || e2e_fail "only ${frames:-0} frames of the killed recording probe"
[ "$(decoded_frames "$file")" -eq "$frames" ] || e2e_fail "ffmpeg does not decode the killed recording's $frames frames"

e2e_log "MP4 chosen in the Video Compression dialog"
unset LUMORA_ENCODER
rm -f "$records"/*
start_lumora
wid=$(wait_window Lumora)
leave_help "$wid"
type_command "$wid" recordmode_normal
dialog=$(wait_window "Video Compression" 15)
eval "$(xdotool getwindowgeometry --shell "$dialog")"
# The container's list (third row), then its second entry, MP4; then OK.
xdotool mousemove $((X + 220)) $((Y + 125)) click 1
sleep 0.7
xdotool mousemove $((X + 150)) $((Y + 157)) click 1
sleep 0.7
xdotool mousemove $((X + 300)) $((Y + 170)) click 1
file=$(wait_file "$records" '*_record_dev1.mp4' 10)
sleep 2
kill -KILL "$LUMORA_PID"
wait_exit 10
info=$(probe "$file")
e2e_log "$(basename "$file"): $(tr '\n' ' ' <<<"$info")"
[ "$(field codec_name "$info")" = h264 ] || e2e_fail "the dialog's MP4: codec: $info"
echo "record_mp4: ok"
