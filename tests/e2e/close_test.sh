#!/usr/bin/env bash
# The window manager's close button and SIGTERM / SIGINT end the program
# through the exit sequence: settings written, status 0.
source "$(dirname "$0")/lib.sh"
e2e_init
: "${LUMORA_WM_DELETE:?LUMORA_WM_DELETE must name the wm_delete helper}"

write_device 1 "$(solid_pipeline 30A050 320 240)"
write_missing_device 2

e2e_log "WM_DELETE_WINDOW"
start_lumora
wid=$(wait_window Lumora)
wait_pixel "$wid" 35 26 "48 160 80"
"$LUMORA_WM_DELETE" "$wid" || e2e_fail "the window does not take WM_DELETE_WINDOW"
expect_clean_exit

for signal in TERM INT; do
    e2e_log "SIG$signal"
    rm -f "$E2E_SETTINGS"
    start_lumora
    wid=$(wait_window Lumora)
    wait_pixel "$wid" 35 26 "48 160 80"
    kill -"$signal" "$LUMORA_PID"
    expect_clean_exit
done
echo "close: ok"
