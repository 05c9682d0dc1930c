# Shared helpers of the end-to-end tests: a private working folder with a
# copy of data/, test-pattern capture devices, the real program started in
# it, and xdotool / ImageMagick to drive and look at its window.
# Source it; every test script calls e2e_init first.
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/popup_menu.sh"
source "$(dirname "${BASH_SOURCE[0]}")/../../scripts/xvfb.sh"

E2E_SKIP=77  # ctest reports this exit status as "skipped"

e2e_fail() { echo "FAIL: $*" >&2; exit 1; }
e2e_skip() { echo "SKIP: $*" >&2; exit "$E2E_SKIP"; }
e2e_log() { echo "-- $*" >&2; }

# Private folder, data copy, fresh settings folder, an X display.
e2e_init() {
    : "${LUMORA_BIN:?LUMORA_BIN must name the program}"
    : "${LUMORA_SOURCE_DIR:?LUMORA_SOURCE_DIR must name the source tree}"
    [ -x "$LUMORA_BIN" ] || e2e_fail "no program at $LUMORA_BIN"
    E2E_DIR=$(mktemp -d /tmp/lumora-e2e-XXXXXX)
    E2E_PIDS=()
    trap e2e_cleanup EXIT
    cp -r "$LUMORA_SOURCE_DIR/data" "$E2E_DIR/data"
    export XDG_CONFIG_HOME=$E2E_DIR/config
    export GSETTINGS_BACKEND=memory NO_AT_BRIDGE=1 ALSOFT_DRIVERS=null
    E2E_SETTINGS=$XDG_CONFIG_HOME/Korvane/Lumora.conf
    [ -n "${DISPLAY:-}" ] || xvfb_start || e2e_fail "no X server"
}

e2e_cleanup() {
    local status=$?
    if lumora_running; then kill -KILL "$LUMORA_PID" 2>/dev/null || true; fi
    for pid in "${E2E_PIDS[@]}"; do kill "$pid" 2>/dev/null || true; done
    xvfb_stop  # also when a later trap took the place of the chained one
    if [ "$status" -ne 0 ] && [ "$status" -ne "$E2E_SKIP" ] && [ -f "$E2E_DIR/lumora.log" ]; then
        echo "---- program output" >&2
        tail -n 40 "$E2E_DIR/lumora.log" >&2
    fi
    rm -rf "$E2E_DIR"
}

# A live solid-colour test pattern: solid_pipeline RRGGBB [width height].
solid_pipeline() {
    echo "videotestsrc is-live=true pattern=solid-color foreground-color=0xFF$1 ! video/x-raw,width=${2:-320},height=${3:-240},framerate=30/1"
}

# write_device 1|2 PIPELINE: the device file tries only that pipeline.
write_device() {
    cat >"$E2E_DIR/data/dsvl/device$1.xml" <<XML
<?xml version="1.0" encoding="UTF-8"?>
<capture>
  <source pipeline="$2"/>
</capture>
XML
}

# A device that never starts (so the secondary camera is absent).
write_missing_device() {
    write_device "$1" "v4l2src device=/dev/lumora-no-such-camera"
}

# start_lumora [FOLDER [PROGRAM]]: starts the program (LUMORA_BIN) in FOLDER
# (the data copy); sets LUMORA_PID.
start_lumora() {
    local folder=${1:-$E2E_DIR/data} program=${2:-$LUMORA_BIN}
    # Windows already on the display (a program left over by another test,
    # say) must not stand in for this run's.
    E2E_OLD_WINDOWS=" $( (xdotool search --onlyvisible --name . 2>/dev/null || true) | tr '\n' ' ') "
    (cd "$folder" && exec "$program") >>"$E2E_DIR/lumora.log" 2>&1 &
    LUMORA_PID=$!
}

# new_window NAME: the first mapped window named NAME (xdotool ignores case;
# GTK's unmapped "lumora" leader window does not count) that was not there
# before start_lumora.
new_window() {
    local wid
    for wid in $(xdotool search --onlyvisible --name "^$1\$" 2>/dev/null || true); do
        case "$E2E_OLD_WINDOWS" in *" $wid "*) continue ;; esac
        echo "$wid"
        return 0
    done
    return 1
}

# wait_window NAME [seconds]: prints the id of new_window NAME once it is
# there.  Fails when the program stops at an unexpected "Error" box (a
# capture device that does not open is a fault, not a reason to skip), ends
# early or times out.
wait_window() {
    local name=$1 limit=$(( ${2:-20} * 10 ))
    for _ in $(seq "$limit"); do
        new_window "$name" && return 0
        if [ "$name" != Error ] && new_window Error >/dev/null; then
            # Error boxes are also written to standard error.
            e2e_fail "the program stopped at an \"Error\" box before the window \"$name\": $(grep -A3 '^\[Error\]' "$E2E_DIR/lumora.log" 2>/dev/null | tail -n4)"
        fi
        if ! lumora_running; then
            e2e_fail "the program ended before the window \"$name\" appeared"
        fi
        sleep 0.1
    done
    e2e_fail "no window \"$name\" after ${2:-20} s"
}

# True while the program runs (an ended, unreaped child does not count).
lumora_running() {
    [ -n "${LUMORA_PID:-}" ] || return 1
    local state
    state=$(ps -o stat= -p "$LUMORA_PID" 2>/dev/null || true)
    [ -n "$state" ] && [ "${state:0:1}" != Z ]
}

# wait_exit [seconds]: waits for the program; its exit status goes to
# LUMORA_STATUS.
wait_exit() {
    local limit=$(( ${1:-20} * 10 ))
    for _ in $(seq "$limit"); do
        if ! lumora_running; then
            LUMORA_STATUS=0
            wait "$LUMORA_PID" || LUMORA_STATUS=$?
            LUMORA_PID=
            return 0
        fi
        sleep 0.1
    done
    e2e_fail "the program did not end within ${1:-20} s"
}

# press_key WID KEY: types KEY into the window (pointer and focus on it).
press_key() {
    xdotool mousemove --window "$1" 20 20
    xdotool windowfocus --sync "$1" 2>/dev/null || true
    xdotool key --clearmodifiers "$2"
}

# run_command WID TEXT: types TEXT and Return into the window (the console).
run_command() {
    xdotool mousemove --window "$1" 20 20
    xdotool windowfocus --sync "$1" 2>/dev/null || true
    xdotool type --delay 30 --clearmodifiers "$2"
    xdotool key --clearmodifiers Return
}

# window_at_origin: the next start opens its window at the desktop's origin
# (where menu_walk needs it).
window_at_origin() {
    mkdir -p "$XDG_CONFIG_HOME/Korvane"
    printf '[main]\ngl_win_pos_x=0\ngl_win_pos_y=0\n' >"$E2E_SETTINGS"
}

# pixel_at WID X Y: "R G B" of the window's pixel, read from a screenshot.
pixel_at() {
    local shot=$E2E_DIR/shot.png
    import -window "$1" "$shot"
    convert "$shot" -depth 8 -format "%[fx:int(255*p{$2,$3}.r+0.5)] %[fx:int(255*p{$2,$3}.g+0.5)] %[fx:int(255*p{$2,$3}.b+0.5)]" info:
}

# colour_near "R G B" "R G B" [tolerance]
colour_near() {
    local a=($1) b=($2) tolerance=${3:-12} i d
    for i in 0 1 2; do
        d=$(( a[i] - b[i] ))
        [ "${d#-}" -le "$tolerance" ] || return 1
    done
}

# wait_pixel WID X Y "R G B" [seconds]: waits until the window shows the
# colour there (the first frames may still be grey).
wait_pixel() {
    local limit=$(( ${5:-10} * 4 )) seen
    for _ in $(seq "$limit"); do
        seen=$(pixel_at "$1" "$2" "$3")
        colour_near "$seen" "$4" && return 0
        sleep 0.25
    done
    e2e_fail "pixel ($2, $3) shows \"$seen\", expected about \"$4\""
}

# red_pixels WID X0 Y0 WIDTH HEIGHT: how many strongly red pixels the window
# shows in that rectangle (the on-screen notices are red text).
red_pixels() {
    local shot=$E2E_DIR/red.png
    import -window "$1" "$shot"
    convert "$shot" -crop "$4x$5+$2+$3" +repage -depth 8 txt:- | awk -F'[(),]' 'NR > 1 && $3 > 180 && $4 < 70 && $5 < 70 { n++ } END { print n + 0 }'
}

# white_pixels WID X0 Y0 WIDTH HEIGHT: the same for near-white pixels (the
# passing notices are white text).
white_pixels() {
    local shot=$E2E_DIR/white.png
    import -window "$1" "$shot"
    convert "$shot" -crop "$4x$5+$2+$3" +repage -depth 8 txt:- | awk -F'[(),]' 'NR > 1 && $3 > 220 && $4 > 220 && $5 > 220 { n++ } END { print n + 0 }'
}

# notice_pixels WID "WIDTH HEIGHT": red pixels where the lowest on-screen
# notice stands: the bottom left, its baseline at overlay unit -108, just
# above the info lamp.
notice_pixels() {
    local height=${2#* }
    local baseline=$(( height * 236 / 256 ))
    red_pixels "$1" 0 $(( baseline - 13 )) 180 16
}

# window_size WID: prints "WIDTH HEIGHT".
window_size() {
    xdotool getwindowgeometry "$1" | awk '/Geometry:/ { split($2, s, "x"); print s[1], s[2] }'
}

# setting NAME: the stored text of a value in section [main] ('[' ']' escaped).
setting() {
    local key=${1//[/%5B}
    key=${key//]/%5D}
    awk -F= -v key="$key" '/^\[/ { in_main = ($0 == "[main]") } in_main && $1 == key { print substr($0, length($1) + 2) }' "$E2E_SETTINGS"
}

# set_setting NAME VALUE: edits a stored value in place.
set_setting() {
    local key=${1//[/%5B}
    key=${key//]/%5D}
    sed -i "s/^$key=.*/$key=$2/" "$E2E_SETTINGS"
    grep -q "^$key=$2\$" "$E2E_SETTINGS" || e2e_fail "could not set $1 in the settings file"
}

# The 65 number names of the settings, in their order (the 66th,
# motion_mask_file, is a path).
setting_names() {
    local i
    for i in 0 1 2 3; do echo "window_pos_x[$i]"; echo "window_pos_y[$i]"; done
    for i in $(seq 0 12); do echo "button_pos_x[$i]"; echo "button_pos_y[$i]"; done
    for i in 0 1 2 3; do echo "window_on_off[$i]"; done
    for i in $(seq 0 12); do echo "button_on_off[$i]"; done
    echo motion_max; echo stats_mode
    echo backplate_color_r; echo backplate_color_g; echo backplate_color_b
    echo backplate_border_color_r; echo backplate_border_color_g; echo backplate_border_color_b
    echo gl_win_pos_x; echo gl_win_pos_y
    echo storage_limit_mib; echo storage_free_mib
    echo motion_detector
    echo precapture_seconds
}

# Every one of the 65 numbers is stored as an unsigned decimal number.
expect_all_settings_written() {
    [ -f "$E2E_SETTINGS" ] || e2e_fail "no settings file at $E2E_SETTINGS"
    local name value count=0
    while read -r name; do
        value=$(setting "$name")
        [[ "$value" =~ ^[0-9]+$ ]] || e2e_fail "setting $name is \"$value\""
        count=$((count + 1))
    done < <(setting_names)
    [ "$count" -eq 65 ] || e2e_fail "expected 65 setting names, have $count"
}

expect_setting() {
    local value
    value=$(setting "$1")
    [ "$value" = "$2" ] || e2e_fail "setting $1 is \"$value\", expected \"$2\""
}

# expect_clean_exit: waits for the end and checks status 0 and the settings.
expect_clean_exit() {
    wait_exit "${1:-20}"
    [ "$LUMORA_STATUS" -eq 0 ] || e2e_fail "exit status $LUMORA_STATUS, expected 0"
    expect_all_settings_written
}
