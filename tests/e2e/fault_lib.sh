# Helpers of the fault tests (recordings killed, disk full, huge frames).
# Source after lib.sh.

# type_command WID TEXT: types a console command into the window, then Return.
type_command() {
    xdotool mousemove --window "$1" 20 20
    xdotool windowfocus --sync "$1" 2>/dev/null || true
    xdotool type --delay 30 --clearmodifiers "$2"
    xdotool key --clearmodifiers Return
    sleep 0.3
}

# leave_help WID: Return ends the help paging shown at start-up.
leave_help() {
    press_key "$1" Return
    sleep 0.3
}

# avi_frames FILE: the number of frames ffprobe decodes from FILE (0 when none).
avi_frames() {
    local n
    n=$(ffprobe -v error -count_frames -select_streams v:0 -show_entries stream=nb_read_frames \
        -of csv=p=0 "$1" 2>/dev/null | head -n1 || true)
    [[ "$n" =~ ^[0-9]+$ ]] && echo "$n" || echo 0
}

# newest_file DIR PATTERN: the newest file in DIR matching PATTERN, or nothing.
newest_file() {
    ls -t "$1"/$2 2>/dev/null | head -n1 || true
}

# wait_file DIR PATTERN [seconds]: waits until a matching non-empty file exists.
wait_file() {
    local limit=$(( ${3:-10} * 10 )) f
    for _ in $(seq "$limit"); do
        f=$(newest_file "$1" "$2")
        if [ -n "$f" ] && [ -s "$f" ]; then echo "$f"; return 0; fi
        sleep 0.1
    done
    e2e_fail "no file $2 in $1 after ${3:-10} s"
}

# record_then_kill COMMAND FILE_PATTERN: starts the program, starts a
# recording with the console COMMAND, kills the program with SIGKILL 3 s
# after its file (in capture/record/) appeared; sets KILLED_FILE to the file.
# (No command substitution: the program's id must reach the test's cleanup.)
record_then_kill() {
    local wid
    start_lumora
    wid=$(wait_window Lumora)
    leave_help "$wid"
    type_command "$wid" "$1"
    KILLED_FILE=$(wait_file "$E2E_DIR/data/capture/record" "$2" 10)
    sleep 3
    expect_no_box Error
    kill -KILL "$LUMORA_PID"
    wait_exit 10
}

# expect_no_box CAPTION: fails when a dialog of that title is open.
expect_no_box() {
    if xdotool search --onlyvisible --name "^$1\$" >/dev/null 2>&1; then
        e2e_fail "an unexpected \"$1\" box is open"
    fi
}

# close_box CAPTION: answers the open box of that title with Return.
close_box() {
    local wid
    wid=$(xdotool search --onlyvisible --name "^$1\$" 2>/dev/null | head -n1 || true)
    [ -n "$wid" ] || e2e_fail "no \"$1\" box to close"
    xdotool windowactivate --sync "$wid" 2>/dev/null || xdotool windowfocus --sync "$wid" 2>/dev/null || true
    xdotool key --window "$wid" Return
    for _ in $(seq 50); do
        xdotool search --onlyvisible --name "^$1\$" >/dev/null 2>&1 || return 0
        sleep 0.1
    done
    e2e_fail "the \"$1\" box did not close"
}

# unmount_at_exit DIR: the test's end unmounts DIR (lazily), then cleans up
# as e2e_init arranged, keeping the test's exit status.
unmount_at_exit() {
    E2E_MOUNTS+=("$1")
    trap fault_cleanup EXIT
}
E2E_MOUNTS=()
fault_cleanup() {
    local status=$? dir
    set +e
    for dir in "${E2E_MOUNTS[@]}"; do
        mountpoint -q "$dir" && umount -l "$dir"
    done
    (exit "$status")
    e2e_cleanup
}
