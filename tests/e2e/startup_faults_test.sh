#!/usr/bin/env bash
# Start-up faults are told on screen, not only on the terminal: a display
# without the needed mode ends with an "Error" box; a missing model is one
# "Error" box naming it, after which the program runs; a missing alarm
# sound is named over the picture once the motion alarm is on.
source "$(dirname "$0")/lib.sh"
e2e_init
: "${LUMORA_NO_DISPLAY_MODE:?LUMORA_NO_DISPLAY_MODE must name the preload library}"

write_device 1 "$(solid_pipeline 2040C0 320 240)"
write_missing_device 2

answer_error() {
    local box
    box=$(wait_window Error 20)
    xdotool windowactivate --sync "$box" 2>/dev/null || xdotool windowfocus --sync "$box" 2>/dev/null || true
    sleep 0.3
    xdotool key --window "$box" --clearmodifiers Return
}

e2e_log "a display without the double-buffered RGB mode"
export LD_PRELOAD=$LUMORA_NO_DISPLAY_MODE
start_lumora
unset LD_PRELOAD
answer_error
wait_exit 20
[ "$LUMORA_STATUS" -eq 255 ] || e2e_fail "exit status $LUMORA_STATUS, expected 255 (-1)"
grep -q '^\[Error\] Display mode not supported\.$' "$E2E_DIR/lumora.log" ||
    e2e_fail "no \"Display mode not supported.\" box: $(cat "$E2E_DIR/lumora.log")"

e2e_log "no model and no alarm sound: the program runs and says so"
rm "$E2E_DIR/data/mdl/velisse.mdl" "$E2E_DIR/data/wav/3.wav"
: >"$E2E_DIR/lumora.log"
start_lumora
answer_error
grep -q '^\[Error\] Unable to open mdl.velisse.mdl$' "$E2E_DIR/lumora.log" ||
    e2e_fail "the Error box does not name the model: $(cat "$E2E_DIR/lumora.log")"
wid=$(wait_window Lumora)
wait_pixel "$wid" 300 20 "32 64 192"
press_key "$wid" Return  # ends the help paging
[ "$(notice_pixels "$wid" "320 240")" -eq 0 ] || e2e_fail "a notice before the alarm is on"
xdotool type --delay 30 --clearmodifiers motionalarm
xdotool key --clearmodifiers Return
sleep 1
red=$(notice_pixels "$wid" "320 240")
e2e_log "red pixels of the alarm notice: $red"
[ "$red" -gt 40 ] || e2e_fail "no notice about the silent alarm ($red red pixels)"
press_key "$wid" Escape
expect_clean_exit
echo "startup faults: ok"
