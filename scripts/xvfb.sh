# A private X server for the tests, benchmarks and tools.  Source it, then
#
#   xvfb_start [WIDTHxHEIGHT]      (default 1280x1024)
#
# starts Xvfb on a display number the server picks itself among the free
# ones, waits until it answers, exports DISPLAY, and stops it when the shell
# exits.  Set your own EXIT trap before calling it: the stop is chained
# after that trap, not put in its place.  xvfb_stop stops every server this
# shell started, earlier.

# -noreset: without it the server resets whenever its last client leaves,
# and a program that connects meanwhile fails with "failed to open display".
XVFB_OPTIONS=(-noreset -nolisten tcp)
XVFB_WAIT_TENTHS=100  # how long a start may take, in tenths of a second
XVFB_PIDS=()

xvfb_start() {
    local size=${1:-1280x1024} number_file number _
    number_file=$(mktemp /tmp/lumora-xvfb.XXXXXX)
    # -displayfd: the server takes the first free number and writes it to
    # fd 3 once it accepts connections, so two starts never race for one.
    Xvfb -displayfd 3 "${XVFB_OPTIONS[@]}" -screen 0 "${size}x24" 3>"$number_file" >/dev/null 2>&1 &
    XVFB_PIDS+=($!)
    xvfb_chain_exit_trap
    for _ in $(seq "$XVFB_WAIT_TENTHS"); do
        [ -s "$number_file" ] && break
        kill -0 "${XVFB_PIDS[-1]}" 2>/dev/null || break
        sleep 0.1
    done
    number=$(head -n1 "$number_file")
    rm -f "$number_file"
    if [ -z "$number" ]; then
        echo "xvfb_start: Xvfb did not start" >&2
        return 1
    fi
    export DISPLAY=:$number
    for _ in $(seq "$XVFB_WAIT_TENTHS"); do
        xdpyinfo >/dev/null 2>&1 && return 0
        sleep 0.1
    done
    echo "xvfb_start: $DISPLAY does not answer" >&2
    return 1
}

xvfb_stop() {
    local pid
    for pid in "${XVFB_PIDS[@]}"; do
        kill "$pid" 2>/dev/null || true
        wait "$pid" 2>/dev/null || true
    done
    XVFB_PIDS=()
}

# The EXIT trap becomes "what it was; xvfb_stop" (the earlier part first, so
# that it still sees the script's exit status in $?).
xvfb_chain_exit_trap() {
    local previous=
    # A subshell lists its parent's trap without running it: chaining that
    # would run the parent's clean-up here too.
    if [ "$BASHPID" = "$$" ]; then
        eval "set -- $(trap -p EXIT)"
        [ $# -ge 3 ] && previous=$3
    fi
    case $previous in *xvfb_stop*) return 0 ;; esac
    trap "${previous:+$previous
}xvfb_stop" EXIT
}
