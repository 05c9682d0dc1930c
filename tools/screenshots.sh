#!/usr/bin/env bash
# Screenshots of the user guide: runs the real program on a private Xvfb in a
# temporary copy of data/ with test-pattern cameras, drives it with xdotool
# and saves PNGs into docs/images/.  Builds nothing.
#
#   tools/screenshots.sh [PROGRAM [PART...]]
#
# PROGRAM defaults to build/lumora; PARTs (default: all) are one_camera,
# two_cameras, chooser (the camera chooser, which runs the fake cameras
# of the build's tests/fake_camera/plugins), motion_tint and web_view (the
# web view's page in headless Chromium, taken by tests/e2e/web_browser_test.sh).
# Needs Xvfb, xdotool and ImageMagick (scripts/deps installs them).
set -euo pipefail
source "$(dirname "$0")/../tests/e2e/popup_menu.sh"
source "$(dirname "$0")/../scripts/xvfb.sh"

SOURCE_DIR=$(cd "$(dirname "$0")/.." && pwd)
PROGRAM=$(realpath "${1:-$SOURCE_DIR/build/lumora}")
shift || true
PARTS=("$@")
[ ${#PARTS[@]} -gt 0 ] || PARTS=(one_camera two_cameras chooser motion_tint web_view)
OUT_DIR=$SOURCE_DIR/docs/images
[ -x "$PROGRAM" ] || { echo "no program at $PROGRAM (build it first: scripts/build)" >&2; exit 1; }

WORK=$(mktemp -d /tmp/lumora-shots-XXXXXX)
LUMORA_PID=
cleanup() {
    [ -n "$LUMORA_PID" ] && kill -KILL "$LUMORA_PID" 2>/dev/null || true
    rm -rf "$WORK"
}
trap cleanup EXIT
fail() {
    echo "screenshots: $*" >&2
    [ -f "$WORK/lumora.log" ] && tail -n 20 "$WORK/lumora.log" >&2
    exit 1
}

export XDG_CONFIG_HOME=$WORK/config GSETTINGS_BACKEND=memory NO_AT_BRIDGE=1
export ALSOFT_DRIVERS=null LUMORA_ENCODER=mjpeg

# A private display, larger than the 640 x 480 window so that the popup
# menus fit.
xvfb_start 1024x768 || fail "Xvfb did not start"

mkdir -p "$OUT_DIR"

# write_device 1|2 PIPELINE: a device file that tries only that pipeline.
write_device() {
    cat >"$WORK/data/dsvl/device$1.xml" <<XML
<?xml version="1.0" encoding="UTF-8"?>
<capture>
  <source pipeline="$2"/>
</capture>
XML
}
pattern() { echo "videotestsrc is-live=true pattern=$1 ! video/x-raw,width=640,height=480,framerate=30/1"; }

# Fresh data copy and settings; the window at the desktop's origin (freeglut
# places popup-menu releases wrongly in a window elsewhere without a window
# manager).
fresh_run_folder() {
    rm -rf "$WORK/data" "$XDG_CONFIG_HOME"
    cp -r "$SOURCE_DIR/data" "$WORK/data"
    mkdir -p "$XDG_CONFIG_HOME/Korvane"
    printf '[main]\ngl_win_pos_x=0\ngl_win_pos_y=0\n' >"$XDG_CONFIG_HOME/Korvane/Lumora.conf"
}

start_lumora() {
    (cd "$WORK/data" && exec "$PROGRAM") >>"$WORK/lumora.log" 2>&1 &
    LUMORA_PID=$!
}

# wait_window NAME: the id of the first visible window named NAME.
wait_window() {
    local wid
    for _ in $(seq 300); do
        wid=$(xdotool search --onlyvisible --name "^$1\$" 2>/dev/null | head -n1 || true)
        [ -n "$wid" ] && { echo "$wid"; return 0; }
        kill -0 "$LUMORA_PID" 2>/dev/null || fail "the program ended before the window \"$1\""
        sleep 0.1
    done
    fail "no window \"$1\""
}

# answer_yes: answers the "Display Question" box with its default (Yes).
answer_yes() {
    local box
    box=$(wait_window "Display Question")
    xdotool mousemove --window "$box" 10 10
    xdotool windowfocus --sync "$box" 2>/dev/null || true
    sleep 0.3
    xdotool key --clearmodifiers Return
    sleep 0.5
}

focus() {
    xdotool mousemove --window "$WID" 320 40
    xdotool windowfocus --sync "$WID" 2>/dev/null || true
}

# type_command TEXT: types a console command and Return.
type_command() {
    focus
    xdotool type --delay 40 "$1"
    xdotool key Return
    sleep 0.5
}

key() { focus; xdotool key --clearmodifiers "$1"; sleep 0.5; }

# click_unit UX UY [BUTTON]: clicks an overlay point (units -128..128, y up).
click_unit() {
    local w h
    read -r w h < <(xdotool getwindowgeometry "$WID" | awk '/Geometry:/ { split($2, s, "x"); print s[1], s[2] }')
    xdotool mousemove --window "$WID" \
        "$(awk -v u="$1" -v w="$w" 'BEGIN { printf "%d", w / 256 * (u + 128) + 0.5 }')" \
        "$(awk -v u="$2" -v h="$h" 'BEGIN { printf "%d", h / 256 * (128 - u) + 0.5 }')"
    sleep 0.2
    xdotool click "${3:-1}"
    sleep 0.3
}

# Menu positions: Cg Shader > Cg Vertex Shader / Cg Pixel Shader > program.
vertex_program() { menu_walk "$WID" 0 0 "$1"; sleep 0.5; }
pixel_program() { menu_walk "$WID" 0 1 "$1"; sleep 0.5; }

# shot NAME: the window as docs/images/NAME.png, at most 640 x 480.
shot() {
    sleep "${2:-1}"
    import -window "$WID" "$WORK/shot.png"
    convert "$WORK/shot.png" -resize '640x480>' -strip "$OUT_DIR/$1.png"
    echo "docs/images/$1.png"
}

# pixel X Y: "white" when the window is near white there, else "other".
pixel() {
    import -window "$WID" "$WORK/probe.png"
    convert "$WORK/probe.png" -format "%[fx:min(min(p{$1,$2}.r,p{$1,$2}.g),p{$1,$2}.b)>0.9]" info: |
        sed 's/^1$/white/; s/^0$/other/'
}

end_lumora() {
    key Escape
    for _ in $(seq 100); do kill -0 "$LUMORA_PID" 2>/dev/null || break; sleep 0.1; done
    kill -KILL "$LUMORA_PID" 2>/dev/null || true
    wait "$LUMORA_PID" 2>/dev/null || true
    LUMORA_PID=
}

# ---- one camera: normal, zoom, shader effects, full screen with info panel
one_camera() {
fresh_run_folder
write_device 1 "$(pattern smpte)"
write_device 2 "v4l2src device=/dev/lumora-no-such-camera"
start_lumora
WID=$(wait_window Lumora)
sleep 2
key Return                # leave the help pages
type_command cls
type_command about
shot normal

type_command cls
click_unit 0 0 2          # middle button: 2x
click_unit 0 0 2          # 4x, with the navigator
type_command pcd
shot zoom
type_command viewmode_normal   # zoom off

vertex_program 1          # wave
pixel_program 2           # rgb_inverter
type_command cls
type_command vertexfile
type_command pixelfile
shot shader_wave_inverter

vertex_program 0          # none
pixel_program 15          # edges_sobel
type_command cls
type_command pixelfile
shot shader_edges

pixel_program 16          # render_models_to_texture: the studio model
type_command cls
type_command pixelfile
shot shader_model 2

type_command viewmode_normal
type_command cls
key space                 # full screen: buttons and statistics graph
sleep 1
click_unit -120 -120      # the info-panel lamp
type_command fps
shot fullscreen_info 3
end_lumora
}

# ---- two cameras of one size: split screen, then image swap
two_cameras() {
fresh_run_folder
write_device 1 "$(pattern smpte)"
write_device 2 "$(pattern pinwheel)"
start_lumora
answer_yes                # "enable the secondary Video Device?" -> split screen
WID=$(wait_window Lumora)
sleep 2
key Return
type_command cls
shot splitscreen

type_command viewmode_imgswap
answer_yes                # "disable Slitscreen to run Image Swap?"
# Wait for the second camera's turn: the first shows white at the top left.
for _ in $(seq 40); do
    [ "$(pixel 40 40)" != white ] && break
    sleep 0.25
done
shot imgswap 0.5
end_lumora
}

# ---- the camera chooser, open at a webcam's modes for the primary camera
chooser() {
local plugins x y w h _
plugins=$(dirname "$PROGRAM")/tests/fake_camera/plugins
[ -f "$plugins/libgstlumorafakecamera.so" ] || fail "no fake cameras in $plugins (build the tests)"
fresh_run_folder
write_device 2 "v4l2src device=/dev/lumora-no-such-camera"
GST_PLUGIN_PATH=$plugins GST_REGISTRY=$WORK/gst-registry.bin \
    LUMORA_FAKE_CAMERAS="kind=webcam pattern=smpte; kind=raw pattern=ball" start_lumora
WID=$(wait_window Lumora)
sleep 2
key Return
type_command cls
menu_open "$WID" 1 14 0 2  # Options > the webcam > Primary camera > 1280x720 30 fps
read -r x y w h _ < <(last_menu)
import -window root "$WORK/root.png"
# The window and the menus beside it, at full size so that the labels read.
convert "$WORK/root.png" -crop "$((x + w + 4))x$((y + h > 480 ? y + h + 4 : 484))+0+0" +repage \
    -strip "$OUT_DIR/camera_chooser.png"
echo "docs/images/camera_chooser.png"
menu_release
end_lumora
}


# ---- the motion tint: the robust detector on a drawn clip of a person
# walking past a shimmering bush that a mask hides (made by
# make_motion_clips beside the program; played as JPEG frames)
motion_tint() {
local clips=$WORK/clips
mkdir -p "$clips/frames"
"$(dirname "$PROGRAM")/make_motion_clips" "$clips" masked_bush || fail "make_motion_clips failed"
ffmpeg -loglevel error -i "$clips/masked_bush.avi" -c:v copy -f image2 "$clips/frames/%04d.jpg" ||
    fail "ffmpeg could not split the clip"
fresh_run_folder
write_device 1 "multifilesrc location=$clips/frames/%04d.jpg start-index=1 caps=image/jpeg,framerate=15/1 ! jpegdec"
write_device 2 "v4l2src device=/dev/lumora-no-such-camera"
printf 'motion_detector=1\nmotion_mask_file=%s\n' "$clips/masked_bush.bmp" >>"$XDG_CONFIG_HOME/Korvane/Lumora.conf"
start_lumora
WID=$(wait_window Lumora)
sleep 1
key Return
type_command cls
type_command motiontint
# The walker crosses from 6 s to 11 s of the clip: wait until it is tinted.
for _ in $(seq 120); do
    import -window "$WID" "$WORK/probe.png"
    red=$(convert "$WORK/probe.png" -crop 170x80+0+380 +repage -depth 8 txt:- |
        awk -F'[(),]' 'NR > 1 && $3 > $4 + 80 && $3 > $5 + 80 { n++ } END { print n + 0 }')
    [ "$red" -gt 1200 ] && break
    sleep 0.25
done
shot motion_tint 0
end_lumora
}

web_view() {
LUMORA_BIN=$PROGRAM LUMORA_SOURCE_DIR=$SOURCE_DIR LUMORA_WEB_PAGE_PICTURE=$WORK/web_view.png \
    bash "$SOURCE_DIR/tests/e2e/web_browser_test.sh" || fail "the browser test failed"
convert "$WORK/web_view.png" -strip "$OUT_DIR/web_view.png"
echo "docs/images/web_view.png"
}

for part in "${PARTS[@]}"; do "$part"; done
du -ch "$OUT_DIR"/*.png | tail -n1
