#!/usr/bin/env bash
# Lumora started away from its data, as a desktop entry starts it: it finds
# the data next to its executable, reads the camera file the user keeps in
# the configuration folder, writes a screenshot to the user's Pictures and a
# recording to the user's Videos folder (each made when first needed) and
# confirms both on screen for about two seconds.  Folders that cannot be
# made are "Error" boxes and the program goes on; a missing or incomplete
# data folder is an "Error" box naming what is missing, and exit status 1.
source "$(dirname "$0")/lib.sh"
source "$(dirname "$0")/fault_lib.sh"
e2e_init
export LUMORA_ENCODER=mjpeg
export XDG_PICTURES_DIR=$E2E_DIR/pictures XDG_VIDEOS_DIR=$E2E_DIR/videos
pictures=$XDG_PICTURES_DIR/Lumora
videos=$XDG_VIDEOS_DIR/Lumora

mkdir -p "$XDG_CONFIG_HOME/Korvane/dsvl"
cat >"$XDG_CONFIG_HOME/Korvane/dsvl/device1.xml" <<XML
<capture><source pipeline="$(solid_pipeline 2040C0 320 240)"/></capture>
XML

# The passing notice's line: near the top left, below the recording label.
notice_white() { white_pixels "$1" 0 26 300 18; }

e2e_log "started from /: the build tree's data, the user's camera file"
start_lumora /
wid=$(wait_window Lumora)
leave_help "$wid"
wait_pixel "$wid" 200 200 "32 64 192"
[ ! -e "$XDG_PICTURES_DIR" ] && [ ! -e "$XDG_VIDEOS_DIR" ] || e2e_fail "output folders made before they were needed"
[ "$(notice_white "$wid")" -eq 0 ] || e2e_fail "a passing notice before anything happened"

e2e_log "a screenshot goes to Pictures/Lumora and is confirmed on screen"
press_key "$wid" F12
shot=$(wait_file "$pictures" "*.bmp" 10)
[ "$(identify -format %wx%h "$shot")" = 320x240 ] || e2e_fail "the screenshot is not the camera's picture"
shown=$(notice_white "$wid")
[ "$shown" -gt 40 ] || e2e_fail "no notice confirms the screenshot ($shown white pixels)"
sleep 2.5
[ "$(notice_white "$wid")" -eq 0 ] || e2e_fail "the screenshot's notice stays longer than about two seconds"

e2e_log "a recording goes to Videos/Lumora"
type_command "$wid" recordmode_normal
[ "$(notice_white "$wid")" -gt 40 ] || e2e_fail "no notice confirms the recording's start"
sleep 2
type_command "$wid" recordmode_off
wait_window Info 15 >/dev/null
close_box Info
recording=$(wait_file "$videos" "*_record_dev1.avi" 5)
[ "$(avi_frames "$recording")" -gt 5 ] || e2e_fail "the recording holds no picture"
press_key "$wid" Escape
expect_clean_exit

e2e_log "Pictures and Videos folders that cannot be made"
echo "not a folder" >"$E2E_DIR/plain"
XDG_PICTURES_DIR=$E2E_DIR/plain XDG_VIDEOS_DIR=/proc/lumora-none start_lumora /
wid=$(wait_window Lumora)
leave_help "$wid"
press_key "$wid" F12
wait_window Error 10 >/dev/null
close_box Error
grep -qF "[Error] The screenshot could not be written to $E2E_DIR/plain/Lumora/: Not a directory." \
    "$E2E_DIR/lumora.log" || e2e_fail "the Error box does not name the Pictures folder and why"
type_command "$wid" recordmode_normal
wait_window Error 10 >/dev/null
close_box Error
grep -qF "[Error] The recording could not be started in /proc/lumora-none/Lumora/: No such file or directory." \
    "$E2E_DIR/lumora.log" || e2e_fail "the Error box does not name the Videos folder and why"
press_key "$wid" Escape
expect_clean_exit

# expect_data_error FOLDER PROGRAM TEXT...: the start ends at one "Error"
# box whose lines hold every TEXT, with exit status 1.
expect_data_error() {
    local folder=$1 program=$2 box
    shift 2
    : >"$E2E_DIR/lumora.log"
    start_lumora "$folder" "$program"
    box=$(wait_window Error 20)
    xdotool windowactivate --sync "$box" 2>/dev/null || xdotool windowfocus --sync "$box" 2>/dev/null || true
    xdotool key --window "$box" --clearmodifiers Return
    wait_exit 20
    [ "$LUMORA_STATUS" -eq 1 ] || e2e_fail "exit status $LUMORA_STATUS, expected 1"
    for text in "$@"; do
        grep -qF -- "$text" "$E2E_DIR/lumora.log" || e2e_fail "the box does not say \"$text\": $(cat "$E2E_DIR/lumora.log")"
    done
}

e2e_log "an incomplete data folder named in LUMORA_DATA_DIR"
rm "$E2E_DIR/data/cg/pixel/motion.cg" "$E2E_DIR/data/cg/vertex/wave.cg"
LUMORA_DATA_DIR=$E2E_DIR/data expect_data_error / "$LUMORA_BIN" \
    "Lumora's data folder $E2E_DIR/data is incomplete. Missing:" "  cg/vertex/wave.cg" "  cg/pixel/motion.cg"

e2e_log "a program with no data anywhere"
mkdir "$E2E_DIR/bin"
cp "$LUMORA_BIN" "$E2E_DIR/bin/lumora"
expect_data_error "$E2E_DIR" "$E2E_DIR/bin/lumora" "Lumora cannot find its data" \
    "  $E2E_DIR" "  $E2E_DIR/bin/data" "  $E2E_DIR/bin/../share/lumora"
echo "locations: ok"
