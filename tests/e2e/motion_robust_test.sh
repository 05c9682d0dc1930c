#!/usr/bin/env bash
# The robust detector in the real program, on a recorded clip of a person
# walking through a noisy room (played as the camera): chosen from the
# Motion menu, it takes motion shots while the person walks; the tint shows
# the person in red and goes when switched off; the choice is saved.  A
# saved mask that cannot be read is named in an "Error" box and the program
# runs; a readable one dims the area it masks under the tint.
source "$(dirname "$0")/lib.sh"
e2e_init
: "${LUMORA_BUILD_DIR:?LUMORA_BUILD_DIR must name the build folder}"

clips=$E2E_DIR/clips
mkdir -p "$clips"
"$LUMORA_BUILD_DIR/make_motion_clips" "$clips" walker || e2e_fail "make_motion_clips failed"
# The clip's JPEG frames, one file each: "filesrc ! decodebin" stops in the
# capture after the first frame ("Internal data stream error", a demuxer's
# pad left unlinked), a source of fixed pads plays on.
mkdir -p "$clips/frames"
ffmpeg -loglevel error -i "$clips/walker.avi" -c:v copy -f image2 "$clips/frames/%04d.jpg" || e2e_fail "ffmpeg failed"
# Looped: a clip that ends is a lost camera, whose red notice would stand
# in the band the tint is counted in.
write_device 1 "multifilesrc location=$clips/frames/%04d.jpg start-index=1 loop=true caps=image/jpeg,framerate=15/1 ! jpegdec"
write_missing_device 2
shots=$E2E_DIR/data/capture/screenshot

# tinted WID: pixels far redder than green and blue, which the room has
# none of, in the band the walker's legs cross below the panels; only the
# tint over what moves makes them.
tinted() {
    import -window "$1" "$E2E_DIR/tint.png"
    convert "$E2E_DIR/tint.png" -crop 500x70+0+380 +repage -depth 8 txt:- |
        awk -F'[(),]' 'NR > 1 && $3 > $4 + 80 && $3 > $5 + 80 { n++ } END { print n + 0 }'
}

# most_tinted WID SECONDS: the most tinted pixels seen in that time.
most_tinted() {
    local most=0 n
    for _ in $(seq $(( $2 * 2 ))); do
        n=$(tinted "$1")
        [ "$n" -gt "$most" ] && most=$n
        sleep 0.5
    done
    echo "$most"
}

type_command() {
    xdotool type --clearmodifiers --delay 20 "$1"
    xdotool key --clearmodifiers Return
}

window_at_origin
start_lumora
wid=$(wait_window Lumora)
press_key "$wid" Return  # leave the help pages
menu_walk "$wid" 1 6 4   # Options > Motion > Motion Detector: Classic
type_command motionshot
type_command motiontint

e2e_log "the walker raises motion shots"
for _ in $(seq 120); do
    [ -n "$(ls "$shots"/*.bmp 2>/dev/null)" ] && break
    sleep 0.25
done
count=$(ls "$shots"/*.bmp 2>/dev/null | wc -l)
[ "$count" -ge 1 ] || e2e_fail "no motion shot while the person walked"
red=$(most_tinted "$wid" 5)
e2e_log "$count motion shots; $red tinted pixels"
[ "$red" -gt 500 ] || e2e_fail "the tint shows too little of the walker ($red pixels)"

type_command motiontint
sleep 0.5  # the frame drawn before the switch may still be on screen
red=$(most_tinted "$wid" 3)
[ "$red" -lt 20 ] || e2e_fail "$red tinted pixels with the tint off"
press_key "$wid" Escape
expect_clean_exit
expect_setting motion_detector 1

e2e_log "a saved mask that cannot be read: its box, then the program runs"
sed -i "s|^motion_mask_file=.*|motion_mask_file=$E2E_DIR/no-such-mask.bmp|" "$E2E_SETTINGS"
: >"$E2E_DIR/lumora.log"
start_lumora
box=$(wait_window Error 20)
xdotool windowactivate --sync "$box" 2>/dev/null || xdotool windowfocus --sync "$box" 2>/dev/null || true
sleep 0.3
xdotool key --window "$box" --clearmodifiers Return
wid=$(wait_window Lumora)
grep -q "^\[Error\] Failed to open DIB file $E2E_DIR/no-such-mask.bmp" "$E2E_DIR/lumora.log" ||
    e2e_fail "the box does not name the mask: $(cat "$E2E_DIR/lumora.log")"
press_key "$wid" Escape
expect_clean_exit
expect_setting motion_detector 1

e2e_log "a mask with its left half black dims that half under the tint"
convert -size 64x48 xc:white -fill black -draw 'rectangle 0,0 31,47' "BMP3:$E2E_DIR/left.bmp"
sed -i "s|^motion_mask_file=.*|motion_mask_file=$E2E_DIR/left.bmp|" "$E2E_SETTINGS"
start_lumora
wid=$(wait_window Lumora)
press_key "$wid" Return
type_command motiontint
sleep 1
left=$(pixel_at "$wid" 120 40)
right=$(pixel_at "$wid" 520 40)
e2e_log "wall left $left, right $right"
read -r lr _ _ <<<"$left"
read -r rr _ _ <<<"$right"
[ "$(( lr * 2 ))" -lt "$rr" ] || e2e_fail "the masked half is not dimmed: $left against $right"
press_key "$wid" Escape
expect_clean_exit
expect_setting motion_mask_file "$E2E_DIR/left.bmp"
echo "motion robust: ok"
