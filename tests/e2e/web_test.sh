#!/usr/bin/env bash
# The web view of the real program, with curl: a start on another address
# without a password is refused; with a password (set by
# --set-web-password) every request needs it; the snapshot and the stream
# are JPEG pictures of the moving pattern; actions need the page's token;
# only Lumora's own files inside the capture folders are served (with
# ranges); oversized requests are refused; 100 stream clients and one that
# reads nothing leave the program drawing and its console answering.
source "$(dirname "$0")/lib.sh"
e2e_init
command -v curl >/dev/null || e2e_skip "curl is not installed"

PORT=$(python3 -c 'import socket; s = socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])')
SHOTS=$E2E_DIR/data/capture/screenshot
RECORDS=$E2E_DIR/data/capture/record
write_device 1 "videotestsrc is-live=true pattern=ball ! video/x-raw,width=320,height=240,framerate=30/1"
write_missing_device 2
export LUMORA_ENCODER=mjpeg

dismiss() {  # dismiss NAME: waits for the box NAME and presses its button
    local box
    box=$(wait_window "$1" 15)
    xdotool windowfocus --sync "$box" 2>/dev/null || true
    xdotool key --window "$box" --clearmodifiers Return
}

web_settings() {  # web_settings ADDRESS: the [web] section, the window at the origin
    mkdir -p "$XDG_CONFIG_HOME/Korvane"
    printf '[main]\ngl_win_pos_x=0\ngl_win_pos_y=0\n[web]\non=1\nport=%s\naddress=%s\nhook_recording_finished=touch %s/hooked\n' \
        "$PORT" "$1" "$E2E_DIR" >"$E2E_SETTINGS"
}

# --- another address without a password: refused, with the reason.
web_settings 0.0.0.0
start_lumora
WID=$(wait_window Lumora)
for _ in $(seq 50); do grep -q "web: not started" "$E2E_DIR/lumora.log" && break; sleep 0.1; done
grep -q "web: not started: listening on 0.0.0.0 .*needs a password" "$E2E_DIR/lumora.log" ||
    e2e_fail "no refusal on standard error: $(grep web: "$E2E_DIR/lumora.log")"
curl -s -o /dev/null "http://127.0.0.1:$PORT/" && e2e_fail "something answers on port $PORT"
# Options > Web View ON/OFF (after the thirteen other fixed rows) says why in a box.
menu_walk "$WID" 1 13
dismiss Error
kill -TERM "$LUMORA_PID"
wait_exit
grep -A1 '^\[web\]' "$E2E_SETTINGS" | grep -qx 'on=0' || e2e_fail "the refused server is saved as on"

# --- the password: only its salted hash is stored.
web_settings 127.0.0.1
echo "open sesame" | "$LUMORA_BIN" --set-web-password >/dev/null || e2e_fail "--set-web-password failed"
grep -q '^password_hash=sha256:' "$E2E_SETTINGS" || e2e_fail "no password hash stored"
grep -q "sesame" "$E2E_SETTINGS" && e2e_fail "the password is stored in clear"

LUMORA_FRAME_STATS=1 start_lumora
WID=$(wait_window Lumora)
press_key "$WID" Return  # ends the help's paging: typed commands run
URL=http://127.0.0.1:$PORT
get() { curl -s -u "me:open sesame" "$@"; }
status_of() { get -o /dev/null -w '%{http_code}' "$@"; }
for _ in $(seq 50); do [ "$(status_of "$URL/")" = 200 ] && break; sleep 0.1; done
[ "$(status_of "$URL/")" = 200 ] || e2e_fail "the page does not answer"
[ "$(curl -s -o /dev/null -w '%{http_code}' "$URL/")" = 401 ] || e2e_fail "a request without the password is served"
[ "$(curl -s -o /dev/null -w '%{http_code}' -u "me:wrong" "$URL/")" = 401 ] || e2e_fail "a wrong password is served"

# --- pictures: the camera's and the window's, and a stream whose parts differ.
get -o "$E2E_DIR/snap.jpg" "$URL/snapshot.jpg"
[ "$(identify -format '%m %w %h' "$E2E_DIR/snap.jpg")" = "JPEG 320 240" ] || e2e_fail "snapshot: $(identify "$E2E_DIR/snap.jpg" 2>&1)"
read -r ww wh < <(window_size "$WID")
get -o "$E2E_DIR/window.jpg" "$URL/snapshot.jpg?source=window"
[ "$(identify -format '%m %w' "$E2E_DIR/window.jpg")" = "JPEG $(( ww / 4 * 4 > 640 ? 640 : ww / 4 * 4 ))" ] ||
    e2e_fail "window snapshot: $(identify "$E2E_DIR/window.jpg" 2>&1), window ${ww}x$wh"
stream_parts() {  # stream_parts SECONDS PREFIX: saves the stream's JPEG parts, prints their count
    get --max-time "$1" -o "$E2E_DIR/stream.bin" "$URL/stream.mjpg" || true
    python3 - "$E2E_DIR/stream.bin" "$2" <<'PY'
import sys
data = open(sys.argv[1], "rb").read()
parts = [p for p in data.split(b"--lumoraframe\r\n") if p]
n = 0
for p in parts:
    head, _, body = p.partition(b"\r\n\r\n")
    size = int([l for l in head.split(b"\r\n") if l.lower().startswith(b"content-length")][0].split(b":")[1])
    if len(body) >= size:
        open("%s%d.jpg" % (sys.argv[2], n), "wb").write(body[:size]); n += 1
print(n)
PY
}
count=$(stream_parts 2 "$E2E_DIR/part")
[ "$count" -ge 3 ] || e2e_fail "the stream sent $count pictures in 2 s"
identify "$E2E_DIR/part0.jpg" "$E2E_DIR/part2.jpg" >/dev/null || e2e_fail "a stream part is no JPEG"
[ "$(compare -metric AE "$E2E_DIR/part0.jpg" "$E2E_DIR/part2.jpg" null: 2>&1)" != 0 ] ||
    e2e_fail "the stream's pictures do not change"

# --- actions need the page's token.
TOKEN=$(get "$URL/" | sed -n 's/.*name="token" value="\([0-9a-f]*\)".*/\1/p' | head -1)
[ ${#TOKEN} -eq 32 ] || e2e_fail "no token in the page"
[ "$(status_of -X POST "$URL/action/screenshot")" = 403 ] || e2e_fail "a POST without token is run"
[ "$(status_of -d token=0123456789abcdef0123456789abcdef "$URL/action/screenshot")" = 403 ] ||
    e2e_fail "a POST with a wrong token is run"
[ "$(status_of "$URL/action/screenshot")" = 405 ] || e2e_fail "a GET runs an action"
ls "$SHOTS" | grep -q . && e2e_fail "a refused action took a screenshot"
[ "$(status_of -d "token=$TOKEN" "$URL/action/screenshot")" = 303 ] || e2e_fail "the screenshot action failed"
SHOT=$(ls "$SHOTS" | head -1)
[ -n "$SHOT" ] || e2e_fail "the screenshot action wrote no file"
get "$URL/" | grep -q "$SHOT" || e2e_fail "the page does not list $SHOT"
get -o "$E2E_DIR/shot.png" "$URL/capture/$SHOT.png"
[ "$(identify -format '%m %w %h' "$E2E_DIR/shot.png")" = "PNG 320 240" ] || e2e_fail "the shot as PNG: $(identify "$E2E_DIR/shot.png" 2>&1)"

# --- files: ranges of a recording; nothing outside the capture folders.
CLIP=09_12_2026_21_00_00_motion_rec_dev1.mp4
head -c 5000 /dev/urandom >"$RECORDS/$CLIP"
get -D "$E2E_DIR/headers" -r 100-199 -o "$E2E_DIR/range.bin" "$URL/capture/$CLIP"
grep -q '^HTTP/1.1 206' "$E2E_DIR/headers" || e2e_fail "no partial answer: $(head -1 "$E2E_DIR/headers")"
grep -qi '^content-type: video/mp4' "$E2E_DIR/headers" || e2e_fail "the clip is not sent as video/mp4"
cmp -s "$E2E_DIR/range.bin" <(tail -c +101 "$RECORDS/$CLIP" | head -c 100) || e2e_fail "the range's bytes differ"
[ "$(status_of -r 9000- "$URL/capture/$CLIP")" = 416 ] || e2e_fail "a range past the end is not refused"
get -o "$E2E_DIR/whole.bin" "$URL/capture/$CLIP" && cmp -s "$E2E_DIR/whole.bin" "$RECORDS/$CLIP" ||
    e2e_fail "the whole clip differs"
ln -s /etc/passwd "$SHOTS/09_12_2026_22_00_00.bmp"
ln -s /etc "$RECORDS/09_12_2026_22_00_00_record_dev1.avi"
cp /etc/hostname "$RECORDS/notes.avi" 2>/dev/null || echo x >"$RECORDS/notes.avi"
for path in /capture/09_12_2026_22_00_00.bmp /capture/09_12_2026_22_00_00_record_dev1.avi \
    /capture/notes.avi /capture/..%2f..%2f..%2fetc%2fpasswd /capture/%2e%2e/%2e%2e/dsvl/device1.xml \
    /capture/../dsvl/device1.xml /capture/x%2f09_12_2026_21_00_00_motion_rec_dev1.mp4 /etc/passwd /dsvl/device1.xml; do
    [ "$(status_of --path-as-is "$URL$path")" = 404 ] || e2e_fail "$path is not 404"
done

# --- oversized requests.
{ printf 'X-Big: '; head -c 200000 /dev/zero | tr '\0' a; echo; } >"$E2E_DIR/header.txt"
code=$(status_of -H "@$E2E_DIR/header.txt" "$URL/" || true)
[ "${code:0:1}" = 4 ] || [ "$code" = 000 ] || e2e_fail "a 200 kB header got $code"
head -c 10000000 /dev/zero >"$E2E_DIR/body.bin"
[ "$(status_of --data-binary "@$E2E_DIR/body.bin" "$URL/action/screenshot")" = 413 ] || e2e_fail "a 10 MB body is not refused"
[ "$(status_of -H 'Transfer-Encoding: chunked' --data-binary "@$E2E_DIR/body.bin" "$URL/action/screenshot")" = 411 ] ||
    e2e_fail "a chunked body is not refused"

# --- 100 stream clients and one that reads nothing.
python3 - "$PORT" >"$E2E_DIR/stalled.log" 2>&1 <<'PY' &
import base64, socket, sys, time
s = socket.create_connection(("127.0.0.1", int(sys.argv[1])))
auth = base64.b64encode(b"me:open sesame").decode()
s.sendall(("GET /stream.mjpg HTTP/1.1\r\nHost: x\r\nAuthorization: Basic %s\r\n\r\n" % auth).encode())
s.setsockopt(socket.SOL_SOCKET, socket.SO_RCVBUF, 4096)
time.sleep(15)  # reads nothing, then goes away
PY
E2E_PIDS+=($!)
sleep 1
for i in $(seq 100); do
    curl -s -u "me:open sesame" --max-time 6 -o /dev/null -w '%{http_code}\n' "$URL/stream.mjpg" >"$E2E_DIR/client$i" &
    E2E_PIDS+=($!)
done
sleep 2
before=$(ls "$SHOTS" | wc -l)
run_command "$WID" screenshot
for _ in $(seq 50); do [ "$(ls "$SHOTS" | wc -l)" -gt "$before" ] && break; sleep 0.1; done
[ "$(ls "$SHOTS" | wc -l)" -gt "$before" ] || e2e_fail "the console does not answer under load"
get -o "$E2E_DIR/load1.jpg" "$URL/snapshot.jpg?source=window" || true
sleep 0.5
wait "${E2E_PIDS[@]:1}" 2>/dev/null || true
served=$(cat "$E2E_DIR"/client* | grep -c '^200$' || true)
refused=$(cat "$E2E_DIR"/client* | grep -c '^503$' || true)
[ "$served" -ge 1 ] && [ "$served" -le 7 ] && [ $((served + refused)) -eq 100 ] ||
    e2e_fail "100 clients: $served served, $refused refused (limit 8, one slot stalled)"
count=$(stream_parts 2 "$E2E_DIR/after")
[ "$count" -ge 3 ] || e2e_fail "after the load the stream sent $count pictures in 2 s"
kill "${E2E_PIDS[0]}" 2>/dev/null || true

# --- the recording hook: motion record on and off finishes a file.
run_command "$WID" motionrecord
sleep 1
run_command "$WID" motionrecord
dismiss Info  # what became of the file
for _ in $(seq 50); do [ -f "$E2E_DIR/hooked" ] && break; sleep 0.1; done
[ -f "$E2E_DIR/hooked" ] || e2e_fail "the recording hook did not run"

kill -TERM "$LUMORA_PID"
wait_exit
runs=$(sed -n 's/^frame stats: \([0-9]*\) runs.*/\1/p' "$E2E_DIR/lumora.log")
[ "${runs:-0}" -ge 100 ] || e2e_fail "the frame routine ran ${runs:-0} times"
grep -A1 '^\[web\]' "$E2E_SETTINGS" | grep -qx 'on=1' || e2e_fail "the running server is not saved as on"
echo "web: ok ($served of 100 stream clients served, ${runs} frame routine runs)"
