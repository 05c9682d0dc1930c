#!/usr/bin/env bash
# The overlay in the real window over a black camera: in a window the time
# panel, console and motion meter show but no button and no statistics
# graph; in full screen the buttons (the current view mode green) and the
# graph appear.  A click on the motion-armed lamp unfolds the info panel.
source "$(dirname "$0")/lib.sh"
e2e_init

write_device 1 "$(solid_pipeline 000000 320 240)"
write_missing_device 2

# count_colour WID "X0 Y0 X1 Y1" (overlay units) "R G B" [other]: pixels of
# about that colour in the box (with "other": of any other colour), read from
# a screenshot of the window.
count_colour() {
    local shot=$E2E_DIR/count.png size box c
    import -window "$1" "$shot"
    size=($(window_size "$1"))
    box=($2)
    c=($3)
    # Overlay units: -128..128 across the window, y upwards.
    # The screenshot holds only the part of the window on the screen: without
    # a window manager the full-screen window may start left of and above it.
    local x0 x1 y0 y1 left top
    left=$(xwininfo -id "$1" | awk '/Absolute upper-left X/ { print ($4 < 0 ? $4 : 0) }')
    top=$(xwininfo -id "$1" | awk '/Absolute upper-left Y/ { print ($4 < 0 ? $4 : 0) }')
    x0=$(( (box[0] + 128) * size[0] / 256 + left )); x1=$(( (box[2] + 128) * size[0] / 256 + left ))
    y0=$(( (128 - box[3]) * size[1] / 256 + top )); y1=$(( (128 - box[1]) * size[1] / 256 + top ))
    convert "$shot" -crop "$((x1 - x0))x$((y1 - y0))+$x0+$y0" +repage -fuzz 4% \
        -fill white -opaque "rgb(${c[0]},${c[1]},${c[2]})" -fill black +opaque white \
        -format "%[fx:int(${4:+(1-}mean${4:+)}*w*h+0.5)]" info:
}

# expect_colour WID BOX RGB MIN MAX WHAT
expect_colour() {
    local n
    n=$(count_colour "$1" "$2" "$3")
    [ "$n" -ge "$4" ] && [ "$n" -le "$5" ] ||
        e2e_fail "$6: $n pixels of ($3) in box ($2), expected $4..$5"
}

start_lumora
wid=$(wait_window Lumora)
sleep 2

e2e_log "in a window: time panel, console and motion meter, no buttons, no graph"
expect_colour "$wid" "82 -118 118 -96" "153 153 191" 20 100000 "time panel"
expect_colour "$wid" "-40 -40 40 40" "153 153 191" 500 100000 "console"
n=$(count_colour "$wid" "109 -75 127 36" "0 0 0" other)
[ "$n" -eq 0 ] || e2e_fail "$n pixels drawn where the buttons would be, in a window"
n=$(count_colour "$wid" "62 72 118 118" "0 0 0" other)
[ "$n" -eq 0 ] || e2e_fail "$n pixels drawn where the statistics graph would be, in a window"
expect_colour "$wid" "-122 -122 -118 -118" "255 0 0" 4 100000 "red lamp (no motion action armed)"

e2e_log "a click on the lamp unfolds the info panel and shows its text"
read -r w h < <(window_size "$wid")
xdotool mousemove --window "$wid" $(( 8 * w / 256 )) $(( 248 * h / 256 - 1))
xdotool click 1
sleep 2
expect_colour "$wid" "-115 -115 -60 -60" "153 153 191" 500 1000000 "the unfolded info panel"
expect_colour "$wid" "-120 -48 -60 -43" "0 0 0" 10 100000 "the shader line of the info panel"
[ -n "${OVERLAY_SHOT:-}" ] && import -window "$wid" "${OVERLAY_SHOT%.png}_info.png"

e2e_log "full screen: buttons and graph"
press_key "$wid" space
for _ in $(seq 50); do [ "$(window_size "$wid")" = "1280 1024" ] && break; sleep 0.1; done
sleep 1
[ -n "${OVERLAY_SHOT:-}" ] && import -window "$wid" "$OVERLAY_SHOT"
expect_colour "$wid" "111 -52 124 -50" "0 191 0" 200 100000 "the Normal button, green in normal view"
expect_colour "$wid" "111 -59 124 -57" "153 153 191" 200 100000 "the Shader button, plate colour"
expect_colour "$wid" "111 32 124 34" "191 191 0" 200 100000 "the Stats Mode 0 button, yellow"
expect_colour "$wid" "111 11 124 13" "191 0 0" 200 100000 "the Motion Shot button, red while off"
expect_colour "$wid" "62 72 118 86" "0 255 0" 500 100000 "the graph's green level"

e2e_log "exit"
press_key "$wid" Escape
wait_exit
[ "$LUMORA_STATUS" -eq 0 ] || e2e_fail "exit status $LUMORA_STATUS"
echo "overlay: ok"
