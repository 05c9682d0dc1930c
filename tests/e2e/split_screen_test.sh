#!/usr/bin/env bash
# Two cameras of the same size: the program asks "Display Question"; Yes
# starts it in split screen with each camera in its half.
source "$(dirname "$0")/lib.sh"
e2e_init

left="240 40 40"    # F02828
right="40 60 230"   # 283CE6
write_device 1 "$(solid_pipeline F02828 320 240)"
write_device 2 "$(solid_pipeline 283CE6 320 240)"

# answer_question y|n: answers the "Display Question" box by its mnemonic.
answer_question() {
    local question
    question=$(wait_window "Display Question" 30)
    xdotool mousemove --window "$question" 10 10
    xdotool windowfocus --sync "$question" 2>/dev/null || true
    xdotool key --clearmodifiers "alt+$1"
}

e2e_log "Yes: split screen"
start_lumora
answer_question y
wid=$(wait_window Lumora 30)
# Each camera in its half, in the middle half of the height; black above.
wait_pixel "$wid" 35 120 "$left"
wait_pixel "$wid" 285 120 "$right"
seen=$(pixel_at "$wid" 35 26)
colour_near "$seen" "0 0 0" || e2e_fail "above the split picture: \"$seen\", expected black"
# Beside the console panel, which covers the middle of the window.
seen=$(pixel_at "$wid" 85 148)
colour_near "$seen" "$left" || e2e_fail "left half: \"$seen\", expected \"$left\""
seen=$(pixel_at "$wid" 235 92)
colour_near "$seen" "$right" || e2e_fail "right half: \"$seen\", expected \"$right\""
press_key "$wid" Escape
expect_clean_exit

e2e_log "No: the primary camera alone fills the window"
start_lumora
answer_question n
wid=$(wait_window Lumora 30)
wait_pixel "$wid" 35 26 "$left"
seen=$(pixel_at "$wid" 285 120)
colour_near "$seen" "$left" || e2e_fail "right side: \"$seen\", expected \"$left\""
press_key "$wid" Escape
expect_clean_exit
echo "split screen: ok"
