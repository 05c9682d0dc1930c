#!/usr/bin/env bash
# The picture keeps the camera's shape in a window of another shape: a 4:3
# camera (blue, a yellow bar over its left seventh) in a window made wider,
# then taller, then full screen on a 16:9 desktop.  The picture's edges and
# its bar are measured against the largest centred 4:3 rectangle; the bars
# are black, overlay elements still draw in them, and a zoomed picture
# panned by a mouse drag moves as far as its navigator square says.
source "$(dirname "$0")/lib.sh"
e2e_init

# A desktop of its own, of another shape than the camera.
xvfb_start 1280x720 || e2e_fail "no 1280x720 X server"

write_device 1 "videotestsrc is-live=true pattern=bar foreground-color=0xFFF0F040 background-color=0xFF2080E0 ! video/x-raw,width=320,height=240,framerate=30/1"
write_missing_device 2
window_at_origin
camera_bar=45  # videotestsrc draws the bar over 45 of the 320 columns

# classes WID row|column N: one letter per pixel of that row or column of
# the window: Y the yellow bar, B the blue camera, K black, R red, G green,
# o anything else.
classes() {
    local shot=$E2E_DIR/classes.png size crop
    import -window "$1" "$shot"
    size=($(identify -format '%w %h' "$shot"))
    if [ "$2" = row ]; then crop="${size[0]}x1+0+$3"; else crop="1x${size[1]}+$3+0"; fi
    convert "$shot" -crop "$crop" +repage -depth 8 txt:- | awk -F'[(),]' 'NR > 1 {
        r = $3; g = $4; b = $5
        if (r > 200 && g > 200 && b < 120) c = "Y"
        else if (r < 60 && g > 100 && g < 160 && b > 190) c = "B"
        else if (r < 16 && g < 16 && b < 16) c = "K"
        else if (r > 200 && g < 60 && b < 60) c = "R"
        else if (r < 60 && g > 150 && b < 60) c = "G"
        else c = "o"
        printf "%s", c
    } END { print "" }'
}

# first TEXT LETTERS / last TEXT LETTERS: index of the first / last letter of
# the set in TEXT (-1 when none).
first() { awk -v t="$1" -v s="$2" 'BEGIN { for (i = 1; i <= length(t); i++) if (index(s, substr(t, i, 1))) { print i - 1; exit } print -1 }'; }
last() { awk -v t="$1" -v s="$2" 'BEGIN { for (i = length(t); i >= 1; i--) if (index(s, substr(t, i, 1))) { print i - 1; exit } print -1 }'; }
# count TEXT LETTER FROM TO: how many of that letter in TEXT[FROM, TO).
count() { awk -v t="$1" -v c="$2" -v a="$3" -v b="$4" 'BEGIN { n = 0; for (i = a + 1; i <= b; i++) n += substr(t, i, 1) == c; print n }'; }

# near A B TOLERANCE WHAT
near() {
    local d=$(( $1 - $2 ))
    [ "${d#-}" -le "$3" ] || e2e_fail "$4: $1, expected $2 (within $3)"
}

# expect_picture_across WID Y X0 WIDTH: in row Y the camera runs from X0 over
# WIDTH columns, the yellow bar over its first 45/320, black bars beside it.
expect_picture_across() {
    local row bar_end
    row=$(classes "$1" row "$2")
    e2e_log "row $2: picture from $(first "$row" YB) to $(last "$row" YB)"
    near "$(first "$row" YB)" "$3" 1 "row $2, left edge of the picture"
    near "$(first "$row" Y)" "$3" 1 "row $2, left edge of the yellow bar"
    near "$(last "$row" YB)" $(( $3 + $4 - 1 )) 1 "row $2, right edge of the picture"
    bar_end=$(( $4 * camera_bar / 320 ))
    near "$(count "$row" Y 0 "${#row}")" "$bar_end" 2 "row $2, width of the yellow bar"
    [ "$(count "$row" K 0 "$3")" -eq "$3" ] || e2e_fail "row $2: the left bar is not black: ${row:0:$3}"
    local right=$(( $3 + $4 ))
    [ "$(count "$row" K "$right" "${#row}")" -eq $(( ${#row} - right )) ] ||
        e2e_fail "row $2: the right bar is not black: ${row:$right}"
}

# wait_size WID "W H"
wait_size() {
    for _ in $(seq 50); do
        [ "$(window_size "$1")" = "$2" ] && break
        sleep 0.1
    done
    [ "$(window_size "$1")" = "$2" ] || e2e_fail "the window is $(window_size "$1"), expected $2"
    sleep 0.5  # a frame or two at the new size
}

start_lumora
wid=$(wait_window Lumora)
wait_size "$wid" "320 240"
press_key "$wid" Return  # leave the help pages
sleep 0.3
e2e_log "camera-sized window: the picture fills it"
expect_picture_across "$wid" 30 0 320

e2e_log "a wider window: bars left and right"
xdotool windowsize "$wid" 560 240
wait_size "$wid" "560 240"
# 4:3 in 560 x 240 is 320 x 240 from x = 120.  Row 30 passes above the
# console; the motion meter (overlay) lies inside the picture there.
expect_picture_across "$wid" 30 120 320
# The info lamp, overlay at the window's bottom-left corner, in the bar.
red=$(red_pixels "$wid" 0 216 60 24)
[ "$red" -ge 4 ] || e2e_fail "no info lamp in the left bar ($red red pixels)"

e2e_log "a taller window: bars above and below"
xdotool windowsize "$wid" 320 400
wait_size "$wid" "320 400"
column=$(classes "$wid" column 300)
near "$(first "$column" B)" 80 1 "column 300, top edge of the picture"
near "$(last "$column" B)" 319 1 "column 300, bottom edge of the picture"
[ "$(count "$column" K 0 80)" -eq 80 ] || e2e_fail "the bar above is not black: ${column:0:80}"
# The time panel sits at the bottom right, over the bar below the picture.
panel=$(count "$column" o 320 400)
[ "$panel" -ge 10 ] || e2e_fail "no time panel in the bar below the picture: ${column:320}"

e2e_log "full screen on 1280x720: 960x720 from x = 160"
press_key "$wid" space
wait_size "$wid" "1280 720"
# Row 191 (unit 60) passes between the console and the statistics graph.
expect_picture_across "$wid" 191 160 960
# The buttons (full screen only) stand in the right bar; Normal is green.
row=$(classes "$wid" row $(( 720 * (128 + 51) / 256 )))
green=$(count "$row" G 1120 1280)
[ "$green" -ge 20 ] || e2e_fail "no green Normal button in the right bar: ${row:1120}"

e2e_log "zoom 2x, then a drag to the left by fourteen moves"
xdotool mousemove --window "$wid" 640 360
xdotool click 2
sleep 0.5
# The navigator's red square (half-size 16 units of the picture around its
# centre unit -88 + pan) crosses the row of the navigator's middle.
nav_row=$(( 720 * (128 - 88) / 256 ))
row=$(classes "$wid" row "$nav_row")
square_left=$(first "${row:0:640}" R)
e2e_log "red square from x = $square_left"
near "$square_left" $(( 160 + (128 - 104) * 960 / 256 )) 2 "the navigator's square unpanned"
xdotool mousedown 1
for x in $(seq 630 -10 500); do
    xdotool mousemove --window "$wid" "$x" 360
    sleep 0.1
done
xdotool mouseup 1
sleep 0.5
row=$(classes "$wid" row "$nav_row")
moved=$(first "${row:0:640}" R)
# One pan step moves the square one unit (3.75 pixels) to the left and the
# zoomed picture 8 units to the right, so the yellow bar comes back into
# view at the picture's left edge: 5 camera columns a step, from the 80 the
# unpanned zoom leaves out.
steps=$(( ( (square_left - moved) * 4 + 7) / 15 ))
e2e_log "red square from x = $moved: $steps steps"
[ "$steps" -ge 8 ] && [ "$steps" -le 14 ] || e2e_fail "the drag panned $steps steps, expected 8..14"
row=$(classes "$wid" row 400)
yellow=$(count "$row" Y 0 1280)
expected=$(( (5 * steps - 80 + camera_bar) * 960 / 160 ))
[ "$expected" -lt 0 ] && expected=0
e2e_log "yellow bar $yellow pixels wide, expected $expected"
near "$yellow" "$expected" 8 "the yellow bar after $steps pan steps"
[ "$yellow" -eq 0 ] || near "$(first "$row" Y)" 160 1 "the panned picture's left edge"
[ "$(count "$row" K 0 160)" -eq 160 ] || e2e_fail "the zoomed picture spills into the left bar"

press_key "$wid" Escape
expect_clean_exit
echo "picture shape: ok"
