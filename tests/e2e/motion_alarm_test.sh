#!/usr/bin/env bash
# Motion actions in the real program: with motion shot and motion alarm
# switched on from the console, the next measurement writes a BMP of the
# camera frame and the alarm loaded at start-up ("wav\3.wav") is heard.
# OpenAL's wave backend stands in for the speakers.  The stored threshold is
# 0, so a still test picture (a change of 0) reaches it at every measurement.
source "$(dirname "$0")/lib.sh"
e2e_init

write_device 1 "$(solid_pipeline 3060C0 160 120)"
write_missing_device 2
mkdir -p "$XDG_CONFIG_HOME/Korvane"
printf '[main]\nmotion_max=0\n' >"$E2E_SETTINGS"
heard=$E2E_DIR/heard.wav
printf '[general]\ndrivers=wave\n[wave]\nfile=%s\n' "$heard" >"$E2E_DIR/alsoft.conf"
unset ALSOFT_DRIVERS
export ALSOFT_CONF=$E2E_DIR/alsoft.conf
shots=$E2E_DIR/data/capture/screenshot

type_command() {
    xdotool mousemove --window "$1" 20 20
    xdotool windowfocus --sync "$1" 2>/dev/null || true
    xdotool type --clearmodifiers --delay 20 "$2"
    xdotool key --clearmodifiers Return
}

start_lumora
wid=$(wait_window Lumora)
grep -q "Could not locate requested media" "$E2E_DIR/lumora.log" &&
    e2e_fail "the alarm sound did not load: $(cat "$E2E_DIR/lumora.log")"
press_key "$wid" Return  # leave the help pages
sleep 2.5
! ls "$shots"/*.bmp >/dev/null 2>&1 || e2e_fail "a shot was written with motion shot off: $(ls "$shots")"

e2e_log "motion shot and motion alarm on"
type_command "$wid" motionshot
type_command "$wid" motionalarm
shot=
for _ in $(seq 60); do
    shot=$(ls "$shots"/*.bmp 2>/dev/null | head -n1 || true)
    [ -n "$shot" ] && break
    sleep 0.1
done
[ -n "$shot" ] || e2e_fail "no motion shot within 6 s"
[[ "$(basename "$shot")" =~ ^[0-9]{2}_[0-9]{2}_[0-9]{4}_[0-9]{2}_[0-9]{2}_[0-9]{2}\.bmp$ ]] ||
    e2e_fail "shot name $(basename "$shot")"
sleep 0.5  # the file is complete once the run that wrote it ends
[[ "$(identify -format '%m %w %h' "$shot")" =~ ^BMP3?\ 160\ 120$ ]] ||
    e2e_fail "shot is $(identify -format '%m %w %h' "$shot")"
sleep 1.5  # let the alarm sound to its end

press_key "$wid" Escape
expect_clean_exit
[ -s "$heard" ] || e2e_fail "the wave backend wrote nothing"
max=$(ffmpeg -hide_banner -nostats -i "$heard" -af volumedetect -f null - 2>&1 |
    awk '/max_volume/ { print $5 }')
e2e_log "loudest sample: $max dB"
awk -v m="$max" 'BEGIN { exit !(m != "" && m != "-inf" && m > -20) }' ||
    e2e_fail "the alarm was not heard (max volume \"$max\" dB)"
