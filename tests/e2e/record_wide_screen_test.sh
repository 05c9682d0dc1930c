#!/usr/bin/env bash
# A screen recording of a full-screen window on a wide desktop (5120x1440,
# wider than the 4096 pixels the old writer took): about 2 s of Motion JPEG,
# stopped with recordmode_off, is a 5120x1440 file that decodes, upright,
# with no "Error" box on the way.
source "$(dirname "$0")/lib.sh"
source "$(dirname "$0")/fault_lib.sh"
e2e_init
export LUMORA_ENCODER=mjpeg:60

# A desktop of its own, whatever display the test was given.
display=
for n in $(seq 0 20); do
    candidate=$((600 + (RANDOM + n) % 300))
    [ -e "/tmp/.X$candidate-lock" ] || [ -e "/tmp/.X11-unix/X$candidate" ] || { display=:$candidate; break; }
done
[ -n "$display" ] || e2e_skip "no free X display number"
Xvfb "$display" -noreset -screen 0 5120x1440x24 -nolisten tcp >/dev/null 2>&1 &
E2E_PIDS+=($!)
export DISPLAY=$display
for _ in $(seq 50); do xdpyinfo >/dev/null 2>&1 && break; sleep 0.1; done
screen=$(xdpyinfo 2>/dev/null || true)
grep -q "dimensions: *5120x1440 pixels" <<<"$screen" || e2e_skip "Xvfb did not give a 5120x1440 screen"

# Red over the top half, blue below: an upside-down file shows it.
write_device 1 "videotestsrc is-live=true pattern=solid-color foreground-color=0xFFFF0000 ! video/x-raw,width=320,height=120,framerate=15/1 ! videobox bottom=-120 fill=blue ! video/x-raw,width=320,height=240"
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

e2e_log "screen recording of the 5120x1440 window"
type_command "$wid" recordmode_screen
sleep 2
expect_no_box Error
type_command "$wid" recordmode_off
wait_window Info 30 >/dev/null
expect_no_box Error
close_box Info

file=$(newest_file "$records" "*_screen_rec_screen.avi")
[ -n "$file" ] || e2e_fail "no screen recording: $(grep -i 'error\|AVI' "$E2E_DIR/lumora.log" | tail -n3)"
info=$(ffprobe -v error -count_frames -select_streams v:0 \
    -show_entries stream=codec_name,width,height,nb_read_frames -of default=nw=1 "$file")
e2e_log "$(tr '\n' ' ' <<<"$info")"
grep -q "^codec_name=mjpeg$" <<<"$info" || e2e_fail "codec: $info"
grep -q "^width=5120$" <<<"$info" && grep -q "^height=1440$" <<<"$info" || e2e_fail "size: $info"
frames=$(sed -n 's/^nb_read_frames=//p' <<<"$info")
[ "${frames:-0}" -ge 5 ] || e2e_fail "only '$frames' frames decode: $info"

# The camera picture is drawn over the whole window: red above, blue below.
ffmpeg -v error -y -i "$file" -frames:v 1 "$E2E_DIR/first.png" || e2e_fail "ffmpeg cannot decode the first frame"
top=$(convert "$E2E_DIR/first.png" -format "%[fx:int(255*p{2560,300}.r)] %[fx:int(255*p{2560,300}.b)]" info:)
bottom=$(convert "$E2E_DIR/first.png" -format "%[fx:int(255*p{2560,1200}.r)] %[fx:int(255*p{2560,1200}.b)]" info:)
read -r tr tb <<<"$top"
read -r br bb <<<"$bottom"
[ "$tr" -gt 200 ] && [ "$tb" -lt 60 ] || e2e_fail "the top shows r=$tr b=$tb, expected red"
[ "$br" -lt 60 ] && [ "$bb" -gt 200 ] || e2e_fail "the bottom shows r=$br b=$bb, expected blue"

press_key "$wid" Escape
expect_clean_exit 40
echo "record_wide_screen: ok"
