#!/usr/bin/env bash
# The command line of the real program, with no display at all: --help and
# --version answer on standard output with status 0; an unknown option, a
# file name or `--` is refused in one line on standard error, the usage
# below it, with status 2, and nothing else starts (no window, no settings).
set -euo pipefail
: "${LUMORA_BIN:?LUMORA_BIN must name the program}"
dir=$(mktemp -d /tmp/lumora-cmdline-XXXXXX)
trap 'rm -rf "$dir"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

# run ARGS...: status, standard output and standard error of one start.
run() {
    set +e
    (cd "$dir" && env -u DISPLAY XDG_CONFIG_HOME="$dir/config" "$LUMORA_BIN" "$@" \
        >"$dir/out" 2>"$dir/err")
    status=$?
    set -e
}

run --help
[ "$status" -eq 0 ] || fail "--help exits with $status"
head -1 "$dir/out" | grep -qx 'Usage: lumora \[--help\] \[--version\] \[--set-web-password\] \[X options\]' ||
    fail "--help starts with: $(head -1 "$dir/out")"
for mention in LUMORA_ENCODER LUMORA_DATA_DIR XDG_CONFIG_HOME XDG_PICTURES_DIR Korvane/Lumora.conf capture/record/ share/lumora; do
    grep -qF "$mention" "$dir/out" || fail "--help does not mention $mention"
done
[ ! -s "$dir/err" ] || fail "--help wrote to standard error: $(cat "$dir/err")"

run --version
[ "$status" -eq 0 ] && [ "$(cat "$dir/out")" = "Lumora 1.0" ] ||
    fail "--version: status $status, \"$(cat "$dir/out")\""

for args in "--bogus|unknown option '--bogus'" "--|unexpected argument '--'" \
    "movie.avi|unexpected argument 'movie.avi'" "-display|-display needs a value"; do
    arg=${args%%|*} expected=${args#*|}
    run "$arg"
    [ "$status" -eq 2 ] || fail "$arg: status $status, expected 2"
    case "$(head -1 "$dir/err")" in
        "lumora: $expected"*) ;;
        *) fail "$arg: $(head -1 "$dir/err")" ;;
    esac
    sed -n 2p "$dir/err" | grep -q '^Usage: lumora' || fail "$arg: no usage below the error"
    [ ! -s "$dir/out" ] || fail "$arg: wrote to standard output"
done
[ ! -e "$dir/config" ] || fail "a refused start touched the settings"
echo "command line: ok"
