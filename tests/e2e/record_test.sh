#!/usr/bin/env bash
# Recording in the real program: about 3 s of normal recording of a test
# pattern, ended by the exit sequence (its "Info" notice answered), lasts
# about 3 s in the file, upright; closing the window finishes an effect
# recording the same way; the "Video Compression" dialog starts a recording
# with OK, named by the time it was answered; a recording whose process is
# killed still decodes.
source "$(dirname "$0")/lib.sh"
source "$(dirname "$0")/video_lib.sh"
e2e_init
: >>"$E2E_DIR/lumora.log"

write_device 1 "videotestsrc is-live=true pattern=smpte ! video/x-raw,width=320,height=240,framerate=30/1"
write_missing_device 2
records() { find "$E2E_DIR/data/capture/record" -name "*$1*.avi" 2>/dev/null | sort; }
now() { date +%s.%N; }


# The program's mapped window (GTK adds an unmapped "lumora" leader window
# that a case-blind name search may find first).
main_window() {
    wait_window Lumora >/dev/null
    xdotool search --onlyvisible --name '^Lumora$' | head -n1
}

# answer_box NAME: presses Return in the dialog window NAME.
answer_box() {
    local box
    wait_window "$1" 15 >/dev/null
    box=$(xdotool search --onlyvisible --name "^$1\$" | head -n1)
    xdotool windowfocus --sync "$box" 2>/dev/null || true
    sleep 0.3
    xdotool key --window "$box" --clearmodifiers Return
}


# Top-left of the pattern is white, bottom-left dark blue: upright check.
expect_upright() {
    ffmpeg -v error -y -i "$1" -frames:v 1 "$E2E_DIR/first.png" || e2e_fail "ffmpeg cannot decode $1"
    local top bottom
    top=$(convert "$E2E_DIR/first.png" -format "%[fx:int(255*p{10,10}.r)] %[fx:int(255*p{10,10}.b)]" info:)
    bottom=$(convert "$E2E_DIR/first.png" -format "%[fx:int(255*p{10,230}.r)] %[fx:int(255*p{10,230}.b)]" info:)
    read -r tr tb <<<"$top"
    read -r br bb <<<"$bottom"
    [ "$tr" -gt 200 ] && [ "$tb" -gt 200 ] || e2e_fail "top-left is r=$tr b=$tb, expected white (upside down?)"
    [ "$br" -lt 60 ] && [ "$bb" -gt 90 ] || e2e_fail "bottom-left is r=$br b=$bb, expected dark blue"
}

e2e_log "normal recording of about 3 s, ended by exit"
export LUMORA_ENCODER=mjpeg
start_lumora
wid=$(main_window)
run_command "$wid" ""  # ends the help paging
sleep 0.5
run_command "$wid" recordmode_normal
started=$(now)
sleep 3
run_command "$wid" exit
stopped=$(now)
answer_box Info
expect_clean_exit
file=$(records record_dev1)
[ "$(wc -l <<<"$file")" -eq 1 ] && [ -n "$file" ] || e2e_fail "expected one normal recording, have: $file"
info=$(probe "$file")
e2e_log "$(tr '\n' ' ' <<<"$info")"
[ "$(field codec_name "$info")" = mjpeg ] || e2e_fail "codec: $info"
[ "$(field width "$info")" = 320 ] && [ "$(field height "$info")" = 240 ] || e2e_fail "size: $info"
expect_real_time "$info" "$(echo "$stopped - $started" | bc -l)"
expect_upright "$file"

if [ -n "${LUMORA_WM_DELETE:-}" ]; then
    e2e_log "effect recording finished by closing the window"
    rm -f "$E2E_DIR"/data/capture/record/*
    start_lumora
    wid=$(main_window)
    run_command "$wid" ""
    sleep 0.5
    run_command "$wid" recordmode_effect
    sleep 2
    "$LUMORA_WM_DELETE" "$wid" || e2e_fail "the window does not take WM_DELETE_WINDOW"
    answer_box Info
    expect_clean_exit
    file=$(records effect_rec_screen)
    [ -n "$file" ] || e2e_fail "no effect recording"
    info=$(probe "$file")
    e2e_log "$(tr '\n' ' ' <<<"$info")"
    frames=$(field nb_read_frames "$info")
    [ "$(field width "$info")" = 320 ] || e2e_fail "size: $info"
    # A finished file has its index and a duration.
    [ "$(field duration "$info")" != N/A ] && [ "$frames" -ge 25 ] && [ "$frames" -le 45 ] ||
        e2e_fail "unfinished or wrong length: $info"
fi

e2e_log "the Video Compression dialog, then a killed recording"
unset LUMORA_ENCODER
rm -f "$E2E_DIR"/data/capture/record/*
start_lumora
wid=$(main_window)
run_command "$wid" ""
sleep 0.5
run_command "$wid" recordmode_screen
# The dialog stays up a while: the name must tell when recording began.
wait_window "Video Compression" 15 >/dev/null
sleep 3
answered=$(date +%s)
answer_box "Video Compression"  # OK: the preselected Motion JPEG
sleep 3
file=$(records screen_rec_screen)
[ -n "$file" ] || e2e_fail "no screen recording after OK"
stamp=$(basename "$file" | sed -E 's/^([0-9]{2})_([0-9]{2})_([0-9]{4})_([0-9]{2})_([0-9]{2})_([0-9]{2})_.*/\3-\2-\1 \4:\5:\6/')
named=$(date -d "$stamp" +%s) || e2e_fail "no time in the name $(basename "$file")"
[ "$named" -ge $((answered - 1)) ] ||
    e2e_fail "$(basename "$file") is named $((answered - named)) s before the dialog was answered"
kill -KILL "$LUMORA_PID"
wait "$LUMORA_PID" 2>/dev/null || true
LUMORA_PID=
info=$(probe "$file")
e2e_log "after kill -9: $(tr '\n' ' ' <<<"$info")"
frames=$(field nb_read_frames "$info")
[ -n "$frames" ] && [ "$frames" -ge 25 ] || e2e_fail "only '$frames' frames decode after the kill: $info"
echo "record: ok"
