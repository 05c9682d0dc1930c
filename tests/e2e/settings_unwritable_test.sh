#!/usr/bin/env bash
# A settings file that cannot be written at exit: the program still ends
# cleanly with status 0 and says so once on standard error.  Tried with a
# read-only folder (when the mount is permitted), a file where the settings
# folder should be, and a folder where the settings file should be (these
# two hold for root too).
source "$(dirname "$0")/lib.sh"
source "$(dirname "$0")/fault_lib.sh"
e2e_init

write_device 1 "$(solid_pipeline 30A050 320 240)"
write_missing_device 2

# run_and_close CASE: one run that ends with Escape; checks status and stderr.
run_and_close() {
    : >"$E2E_DIR/lumora.log"
    start_lumora
    local wid
    wid=$(wait_window Lumora)
    wait_pixel "$wid" 35 26 "48 160 80"
    press_key "$wid" Escape
    wait_exit 20
    [ "$LUMORA_STATUS" -eq 0 ] || e2e_fail "$1: exit status $LUMORA_STATUS, expected 0"
    local lines
    lines=$(grep -c "Lumora.conf" "$E2E_DIR/lumora.log" || true)
    [ "$lines" -eq 1 ] || {
        cat "$E2E_DIR/lumora.log" >&2
        e2e_fail "$1: expected one message about Lumora.conf on stderr, have $lines"
    }
    e2e_log "$1: $(grep Lumora.conf "$E2E_DIR/lumora.log")"
}

e2e_log "a file where the settings folder should be"
export XDG_CONFIG_HOME=$E2E_DIR/blocked
mkdir -p "$XDG_CONFIG_HOME"
echo "not a folder" >"$XDG_CONFIG_HOME/Korvane"
run_and_close "folder blocked"
[ "$(cat "$XDG_CONFIG_HOME/Korvane")" = "not a folder" ] || e2e_fail "the blocking file was changed"

e2e_log "a folder where the settings file should be"
export XDG_CONFIG_HOME=$E2E_DIR/dir
mkdir -p "$XDG_CONFIG_HOME/Korvane/Lumora.conf"
run_and_close "file is a folder"

e2e_log "a read-only settings folder"
export XDG_CONFIG_HOME=$E2E_DIR/readonly
mkdir -p "$XDG_CONFIG_HOME"
if [ "$(id -u)" -eq 0 ]; then
    # Root writes through permissions: a read-only mount is needed.
    if mount -t tmpfs -o size=64k tmpfs "$XDG_CONFIG_HOME" 2>/dev/null; then
        unmount_at_exit "$XDG_CONFIG_HOME"
        mkdir -p "$XDG_CONFIG_HOME/Korvane"
        mount -o remount,ro "$XDG_CONFIG_HOME"
        run_and_close "read-only mount"
        umount "$XDG_CONFIG_HOME"
    else
        e2e_log "mount not permitted: the read-only case is left out"
    fi
else
    mkdir -p "$XDG_CONFIG_HOME/Korvane"
    chmod 500 "$XDG_CONFIG_HOME/Korvane"
    run_and_close "read-only folder"
    chmod 700 "$XDG_CONFIG_HOME/Korvane"
fi
echo "settings_unwritable: ok"
