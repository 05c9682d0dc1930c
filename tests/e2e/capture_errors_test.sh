#!/usr/bin/env bash
# A primary device that cannot open ends the start-up with one "Error" box:
# "Cannot initialize capture graph." and, on the lines below it, why: a
# device file that is not XML, a typo in a pipeline, no device file where the
# program looks (started outside its data folder).  The box's text is also
# on standard error, where the test reads it.
source "$(dirname "$0")/lib.sh"
source "$(dirname "$0")/fault_lib.sh"
e2e_init
write_missing_device 2

# expect_capture_error 'REASON' ...: the program stops at the box, whose text
# is the message and then one line for each REASON, holding it; answering
# the box ends the program with a failure status.
expect_capture_error() {
    : >"$E2E_DIR/lumora.log"
    start_lumora
    wait_window Error 40 >/dev/null
    new_window Lumora >/dev/null && e2e_fail "a main window beside the Error box"
    local text expected
    text=$(sed -n '/^\[Error\] Cannot initialize capture graph\.$/,$p' "$E2E_DIR/lumora.log" |
        grep -v '^Sound:' | tail -n +2)
    [ -n "$text" ] || e2e_fail "no reason below the message: $(cat "$E2E_DIR/lumora.log")"
    [ "$(echo "$text" | wc -l)" -eq $# ] || e2e_fail "expected $# reason lines, the box says:
$text"
    local n=1
    for expected in "$@"; do
        echo "$text" | sed -n "${n}p" | grep -qF "$expected" ||
            e2e_fail "reason line $n is \"$(echo "$text" | sed -n "${n}p")\", expected \"$expected\""
        n=$((n + 1))
    done
    e2e_log "box text: $text"
    close_box Error
    wait_exit 20
    [ "$LUMORA_STATUS" -ne 0 ] || e2e_fail "exit status 0 after a failed start-up"
}

e2e_log "a device file that is not XML"
echo "camera 0 please" >"$E2E_DIR/data/dsvl/device1.xml"
expect_capture_error "dsvl/device1.xml: Error on line 1 char 1:"

e2e_log "a typo in a pipeline"
write_device 1 "videotestsrc patern=ball"
expect_capture_error \
    'dsvl/device1.xml: source 1 (videotestsrc patern=ball): no property "patern" in element "videotestsrc' \
    "dsvl/device1.xml: no source could be started"

e2e_log "no device files in the working folder"
mv "$E2E_DIR/data/dsvl" "$E2E_DIR/data/elsewhere"
# One line: GLib's own words about the file, and where it was looked for.
expect_capture_error "(working folder $E2E_DIR/data)"
grep -q "^dsvl/device1.xml: Failed to open file .*dsvl/device1.xml" "$E2E_DIR/lumora.log" ||
    e2e_fail "the reason does not name the device file"
echo "capture_errors: ok"
