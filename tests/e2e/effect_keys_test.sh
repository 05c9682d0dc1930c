#!/usr/bin/env bash
# The key effects with two cameras, colour bars as the primary and a ball
# on purple as the secondary: chroma key shows the secondary camera where
# the bars are green, luminance key where they are dark; the other bars
# stay as they are.
source "$(dirname "$0")/lib.sh"
e2e_init

write_device 1 "videotestsrc is-live=true pattern=smpte ! video/x-raw,width=320,height=240,framerate=30/1"
write_device 2 "videotestsrc is-live=true pattern=ball background-color=0xFF800080 ! video/x-raw,width=320,height=240,framerate=30/1"
window_at_origin
purple="128 0 128"

# share WID X Y W H "R G B": percent of the area's pixels near that colour.
share() {
    local shot=$E2E_DIR/keys.png r g b
    read -r r g b <<<"$6"
    import -window "$1" "$shot"
    convert "$shot" -crop "$4x$5+$2+$3" +repage \
        -fx "abs(r - $r/255) < 0.1 && abs(g - $g/255) < 0.1 && abs(b - $b/255) < 0.1" \
        -format "%[fx:int(100 * mean + 0.5)]" info:
}

# expect_share WID X Y W H "R G B" PERCENT WHAT
expect_share() {
    local seen
    seen=$(share "$1" "$2" "$3" "$4" "$5" "$6")
    e2e_log "$8: $seen % near \"$6\""
    [ "$seen" -ge "$7" ] || e2e_fail "$8: only $seen % of the area is \"$6\""
}

start_lumora
question=$(wait_window "Display Question" 30)
xdotool mousemove --window "$question" 10 10
xdotool windowfocus --sync "$question" 2>/dev/null || true
xdotool key --clearmodifiers "alt+y"
wid=$(wait_window Lumora 30)
wait_pixel "$wid" 10 120 "255 255 255"  # split screen, the bars on the left
press_key "$wid" Return  # leaves the help pages

# The bars, 46 pixels each: white, yellow, cyan, green, magenta, red, blue.
menu_walk "$wid" 0 1 13  # Cg Shader > Cg Pixel Shader > chromakey
sleep 1
expect_share "$wid" 143 5 36 50 "$purple" 70 "chroma key, green bar"
expect_share "$wid" 5 5 36 50 "255 255 255" 95 "chroma key, white bar"
expect_share "$wid" 281 5 34 50 "0 0 255" 95 "chroma key, blue bar"

menu_walk "$wid" 0 1 14  # luminancekey
sleep 1
expect_share "$wid" 281 5 34 50 "$purple" 70 "luminance key, blue bar"
expect_share "$wid" 143 5 36 50 "0 255 0" 95 "luminance key, green bar"

press_key "$wid" Escape
expect_clean_exit
echo "effect keys: ok"
