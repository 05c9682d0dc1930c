#!/usr/bin/env bash
# The web view's page in a real browser (headless Chromium through
# Selenium, tests/e2e/web_browser.py) against the real program: the live
# picture updates, the screenshot button adds a BMP to the list, an MP4
# recording plays in the page.  With LUMORA_WEB_PAGE_PICTURE set, the
# picture of the page is kept there (tools/screenshots.sh uses it).
source "$(dirname "$0")/lib.sh"
source "$(dirname "$0")/fault_lib.sh"
# Debian's python3 (python3-selenium), not one that may come first on PATH.
e2e_init
[ -x /usr/bin/chromium ] && [ -x /usr/bin/chromedriver ] || e2e_skip "chromium or chromium-driver is not installed"
/usr/bin/python3 -c 'import selenium' 2>/dev/null || e2e_skip "python3-selenium is not installed"

PORT=$(python3 -c 'import socket; s = socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])')
write_device 1 "videotestsrc is-live=true pattern=ball ! video/x-raw,width=640,height=480,framerate=30/1"
write_missing_device 2
mkdir -p "$XDG_CONFIG_HOME/Korvane"
printf '[main]\ngl_win_pos_x=0\ngl_win_pos_y=0\n[web]\non=1\nport=%s\naddress=127.0.0.1\n' "$PORT" >"$E2E_SETTINGS"

# The page lists a recording of the program's own, H.264 in MP4.
export LUMORA_ENCODER=h264@mp4

start_lumora
wid=$(wait_window Lumora)
leave_help "$wid"
type_command "$wid" recordmode_normal
sleep 2
type_command "$wid" recordmode_off
wait_window Info 15 >/dev/null
close_box Info
ls "$E2E_DIR"/data/capture/record/*_record_dev1.mp4 >/dev/null 2>&1 ||
    e2e_fail "no MP4 recording: $(ls "$E2E_DIR/data/capture/record")"
for _ in $(seq 50); do curl -s -o /dev/null "http://127.0.0.1:$PORT/" && break; sleep 0.1; done
picture=${LUMORA_WEB_PAGE_PICTURE:-$E2E_DIR/page.png}
/usr/bin/python3 "$(dirname "$0")/web_browser.py" "http://127.0.0.1:$PORT/" "$E2E_DIR/data/capture/screenshot" "$picture" ||
    e2e_fail "the page failed in the browser"
identify "$picture" >/dev/null || e2e_fail "no picture of the page"
