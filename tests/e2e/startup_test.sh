#!/usr/bin/env bash
# Start-up and exit of the real program: the window at the camera's size with
# the camera's picture, Escape ends it with status 0 and all 64 numeric settings
# saved, and the next start reads them back.
source "$(dirname "$0")/lib.sh"
e2e_init

colour="224 32 128"  # E02080
write_device 1 "$(solid_pipeline E02080 320 240)"
write_missing_device 2

e2e_log "first start: no settings yet"
start_lumora
wid=$(wait_window Lumora)
[ "$(window_size "$wid")" = "320 240" ] || e2e_fail "window is $(window_size "$wid"), expected 320 240"
# Points clear of the panels: the picture fills the whole window.
wait_pixel "$wid" 35 26 "$colour"
for point in "3 3" "316 3" "3 120" "316 120" "35 139" "285 120"; do
    seen=$(pixel_at "$wid" $point)
    colour_near "$seen" "$colour" || e2e_fail "pixel ($point) shows \"$seen\", expected \"$colour\""
done
[ ! -f "$E2E_SETTINGS" ] || e2e_fail "settings written before the exit"
press_key "$wid" Escape
expect_clean_exit
# The initial values in their stored forms.
expect_setting "window_pos_x[0]" 188
expect_setting "window_pos_y[3]" 80
expect_setting "button_pos_y[0]" 62
expect_setting "button_pos_x[12]" 238
expect_setting "window_on_off[2]" 1
expect_setting "button_on_off[7]" 1
expect_setting motion_max 18
expect_setting backplate_color_r 80
expect_setting backplate_color_b 100
expect_setting backplate_border_color_r 0
expect_setting gl_win_pos_x 120
expect_setting gl_win_pos_y 25
grep -q '\[' <(grep -v '^\[' "$E2E_SETTINGS") && e2e_fail "an unescaped bracket in a value name"

e2e_log "second start: edited values are read back and written again"
set_setting "window_pos_x[3]" 100
set_setting motion_max 25  # 0.25 is exact in a float; 0.35 would come back as 34
set_setting gl_win_pos_x 200
set_setting gl_win_pos_y 150
start_lumora
wid=$(wait_window Lumora)
position=$(xdotool getwindowgeometry "$wid" | awk '/Position:/ { print $2 }')
[ "$position" = "200,150" ] || e2e_fail "window at $position, expected 200,150 from the settings"
wait_pixel "$wid" 35 26 "$colour"
press_key "$wid" Escape
expect_clean_exit
expect_setting "window_pos_x[3]" 100
expect_setting motion_max 25
expect_setting gl_win_pos_x 200
expect_setting gl_win_pos_y 150
expect_setting "window_pos_x[0]" 188
echo "startup: ok"
