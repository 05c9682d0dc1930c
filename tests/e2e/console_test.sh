#!/usr/bin/env bash
# The console driven from the keyboard of the real window: help paging,
# screenshot, screen-mode switch by command and by Space (the typed text
# stays), minimize, exit with status 0 and the settings saved.
source "$(dirname "$0")/lib.sh"
e2e_init

write_device 1 "$(solid_pipeline 2040C0 320 240)"
write_missing_device 2

# run_command WID TEXT: types TEXT into the window, then Return.
run_command() {
    xdotool mousemove --window "$1" 20 20
    xdotool windowfocus --sync "$1" 2>/dev/null || true
    xdotool type --delay 30 --clearmodifiers "$2"
    xdotool key --clearmodifiers Return
    sleep 0.5
}

# wait_size WID "W H" [seconds]
wait_size() {
    local limit=$(( ${3:-10} * 10 ))
    for _ in $(seq "$limit"); do
        [ "$(window_size "$1")" = "$2" ] && return 0
        sleep 0.1
    done
    e2e_fail "window is $(window_size "$1"), expected $2"
}

screenshots() { find "$E2E_DIR/data/capture/screenshot" -name '*.bmp' 2>/dev/null | sort; }

# wait_screenshots N: waits until N BMP files exist, checks the newest.
wait_screenshots() {
    for _ in $(seq 50); do
        [ "$(screenshots | wc -l)" -ge "$1" ] && break
        sleep 0.1
    done
    [ "$(screenshots | wc -l)" -eq "$1" ] || e2e_fail "expected $1 screenshots, have: $(screenshots)"
    local size
    size=$(identify -format "%w %h" "$(screenshots | tail -n1)") || e2e_fail "unreadable BMP"
    [ "$size" = "320 240" ] || e2e_fail "screenshot is $size, expected 320 240"
}

start_lumora
wid=$(wait_window Lumora)
wait_pixel "$wid" 35 26 "32 64 192"

e2e_log "typing while the help is paged does nothing; Return ends the paging"
run_command "$wid" screenshot
sleep 1
[ -z "$(screenshots)" ] || e2e_fail "a command ran while the help was paged"

e2e_log "screenshot"
run_command "$wid" screenshot
wait_screenshots 1

e2e_log "swscreenmode twice"
run_command "$wid" swscreenmode
wait_size "$wid" "1280 1024"
run_command "$wid" swscreenmode
wait_size "$wid" "320 240"

e2e_log "Space switches the screen mode and keeps the typed text"
press_key "$wid" s
xdotool type --delay 30 cr
xdotool key --clearmodifiers space
wait_size "$wid" "1280 1024"
sleep 1  # a new second: a new screenshot name
run_command "$wid" eenshot
wait_screenshots 2
xdotool key --clearmodifiers space
wait_size "$wid" "320 240"

e2e_log "minimize asks the window manager to iconify the window"
xev -root -event substructure >"$E2E_DIR/root_events.log" 2>&1 &
E2E_PIDS+=($!)
sleep 0.5
run_command "$wid" minimize
sleep 0.5
grep -A2 "ClientMessage" "$E2E_DIR/root_events.log" | grep -q "WM_CHANGE_STATE" ||
    e2e_fail "no iconify request for the window: $(cat "$E2E_DIR/root_events.log")"
grep "ClientMessage" "$E2E_DIR/root_events.log" | grep -qi "window $(printf '0x%x' "$wid")" ||
    e2e_fail "the iconify request names another window: $(grep ClientMessage "$E2E_DIR/root_events.log")"

e2e_log "exit"
run_command "$wid" exit
expect_clean_exit
echo "console: ok"
