#!/usr/bin/env bash
# Mouse, keys and menus on the real program: a panel dragged by its title
# strip keeps its place after the exit; F12 and the menu entry "Take a
# Screenshot" write BMPs; in full screen the Motion Shot button lights the
# info lamp and the Record / Record OFF buttons write an AVI; a sound chosen
# through Options > Motion > Load Motion Alarm File is heard.
source "$(dirname "$0")/lib.sh"
e2e_init

write_device 1 "$(solid_pipeline 2080E0 320 240)"
write_missing_device 2
window_at_origin
heard=$E2E_DIR/heard.wav
printf '[general]\ndrivers=wave\n[wave]\nfile=%s\n' "$heard" >"$E2E_DIR/alsoft.conf"
unset ALSOFT_DRIVERS
export ALSOFT_CONF=$E2E_DIR/alsoft.conf LUMORA_ENCODER=mjpeg
shots=$E2E_DIR/data/capture/screenshot
records=$E2E_DIR/data/capture/record

count_files() { find "$1" -name "*.$2" | wc -l; }

wait_files() {  # wait_files FOLDER EXTENSION COUNT
    for _ in $(seq 50); do
        [ "$(count_files "$1" "$2")" -ge "$3" ] && return 0
        sleep 0.1
    done
    e2e_fail "expected $3 .$2 files in $1, have: $(ls "$1")"
}

# Pixel of an overlay point (units -128..128, y up) in a W x H window.
px() { awk -v u="$1" -v w="$2" 'BEGIN { printf "%d", w / 256 * (u + 128) + 0.5 }'; }
py() { awk -v u="$1" -v h="$2" 'BEGIN { printf "%d", h / 256 * (128 - u) + 0.5 }'; }

click_unit() {  # click_unit WID W H UX UY
    xdotool mousemove --window "$1" "$(px "$4" "$2")" "$(py "$5" "$3")"
    sleep 0.1
    xdotool click 1
    sleep 0.3
}

start_lumora
wid=$(wait_window Lumora)
wait_pixel "$wid" 160 10 "32 128 224"
press_key "$wid" Return  # leave the help pages

e2e_log "drag the time panel by its title strip"
xdotool mousemove --window "$wid" "$(px 100 320)" "$(py -92.5 240)"
xdotool mousedown 1
for step in 260 240 220 200; do
    xdotool mousemove --window "$wid" "$step" $(( step * 3 / 4 ))
    sleep 0.15
done
xdotool mousemove --window "$wid" 200 150
sleep 0.3
xdotool mouseup 1

e2e_log "F12 and the menu entry take screenshots"
press_key "$wid" F12
wait_files "$shots" bmp 1
menu_walk "$wid" 2  # "Take a Screenshot"
wait_files "$shots" bmp 2
sleep 0.5
for shot in "$shots"/*.bmp; do
    [[ "$(identify -format '%w %h' "$shot")" == "320 240" ]] || e2e_fail "$shot is $(identify "$shot")"
done

e2e_log "full screen: buttons"
press_key "$wid" space
for _ in $(seq 50); do [ "$(window_size "$wid")" = "1280 1024" ] && break; sleep 0.1; done
[ "$(window_size "$wid")" = "1280 1024" ] || e2e_fail "no full screen: $(window_size "$wid")"
sleep 0.5
lamp_x=$(px -120 1280); lamp_y=$(py -120 1024)
read -r r g b < <(pixel_at "$wid" "$lamp_x" "$lamp_y"; echo)
[ "$r" -gt 150 ] && [ "$g" -lt 100 ] || e2e_fail "info lamp is \"$r $g $b\" before motion shot, expected red"
click_unit "$wid" 1280 1024 117.5 12.5  # Motion Shot
sleep 0.3
read -r r g b < <(pixel_at "$wid" "$lamp_x" "$lamp_y"; echo)
[ "$g" -gt 150 ] && [ "$r" -lt 100 ] || e2e_fail "info lamp is \"$r $g $b\" after motion shot, expected green"
click_unit "$wid" 1280 1024 117.5 12.5  # and off again

click_unit "$wid" 1280 1024 117.5 -15.5  # Record
wait_files "$records" avi 1
sleep 1.5
click_unit "$wid" 1280 1024 117.5 -36.5  # Record OFF
info=$(wait_window Info)
xdotool windowactivate --sync "$info" 2>/dev/null || xdotool windowfocus --sync "$info" 2>/dev/null || true
xdotool key --window "$info" Return
for _ in $(seq 50); do xdotool search --onlyvisible --name '^Info$' >/dev/null 2>&1 || break; sleep 0.1; done
avi=$(find "$records" -name '*.avi' | head -n1)
frames=$(ffprobe -v error -count_frames -select_streams v:0 -show_entries stream=nb_read_frames,width,height \
    -of csv=p=0 "$avi")
e2e_log "recording: $frames (width,height,frames)"
[[ "$frames" =~ ^320,240,([0-9]+)$ ]] && [ "${BASH_REMATCH[1]}" -ge 10 ] || e2e_fail "recording reads as \"$frames\""

e2e_log "back to window mode; choose an alarm sound in the file dialog"
press_key "$wid" space
for _ in $(seq 50); do [ "$(window_size "$wid")" = "320 240" ] && break; sleep 0.1; done
sleep 0.5
cp "$E2E_DIR/data/wav/3.wav" "$E2E_DIR/chosen.wav"
menu_walk "$wid" 1 6 3  # Options > Motion > Load Motion Alarm File
dialog=$(wait_window "Open Wav File")
xdotool windowactivate --sync "$dialog" 2>/dev/null || xdotool windowfocus --sync "$dialog" 2>/dev/null || true
sleep 0.5
xdotool key --clearmodifiers ctrl+l
sleep 0.3
xdotool type --delay 10 "$E2E_DIR/chosen.wav"
sleep 0.3
xdotool key Return
for _ in $(seq 50); do xdotool search --onlyvisible --name '^Open Wav File$' >/dev/null 2>&1 || break; sleep 0.1; done
sleep 2  # the sound plays once

press_key "$wid" Escape
expect_clean_exit
expect_setting "window_pos_x[2]" 140
expect_setting "window_pos_y[2]" 68
[ -s "$heard" ] || e2e_fail "the wave backend wrote nothing"
max=$(ffmpeg -hide_banner -nostats -i "$heard" -af volumedetect -f null - 2>&1 |
    awk '/max_volume/ { print $5 }')
e2e_log "loudest sample: $max dB"
awk -v m="$max" 'BEGIN { exit !(m != "" && m != "-inf" && m > -20) }' ||
    e2e_fail "the chosen sound was not heard (max volume \"$max\" dB)"
grep -q "chosen.wav" <(strings "$E2E_DIR/lumora.log") && e2e_fail "loading the chosen sound failed: $(cat "$E2E_DIR/lumora.log")"
echo "input: ok"
