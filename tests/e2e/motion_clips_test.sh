#!/usr/bin/env bash
# Both motion detectors on the labelled clips, through lumora-replay: the
# robust detector finds every expected event (starting within a second of
# it, ending within a second and a half of its end) and no other.  The
# classic detector's events are printed beside them as a table, not judged.
# Then the tool's answers to bad input: a file that is missing or is no
# video ends with status 1 and says why; a mask that is no BMP, missing or
# 1 x 1 gives the loader's message and the run goes on without it.
set -euo pipefail
: "${LUMORA_BUILD_DIR:?LUMORA_BUILD_DIR must name the build folder}"
replay=$LUMORA_BUILD_DIR/lumora-replay
clips=$(mktemp -d /tmp/lumora-clips-XXXXXX)
trap 'rm -rf "$clips"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

"$LUMORA_BUILD_DIR/make_motion_clips" "$clips" || fail "make_motion_clips failed"
for avi in "$clips"/*.avi; do
    frames=$(ffprobe -v error -count_frames -select_streams v:0 -show_entries stream=nb_read_frames -of csv=p=0 "$avi")
    [ "$frames" -ge 180 ] || fail "$(basename "$avi") has $frames frames"
done

# events CLIP DETECTOR [MASK]: "start-end" of each event found, one a line.
events() {
    local mask=()
    [ "${3:--}" != - ] && mask=(--mask "$clips/$3")
    "$replay" --detector "$2" "${mask[@]}" "$clips/$1.avi" >"$clips/$1.$2.txt"
    awk '$1 == "event" { print $2 "-" $3 }' "$clips/$1.$2.txt"
}

# matches EXPECTED FOUND: the found events are the expected ones (each
# "start-end"), starts within [s - 0.25, s + 1], ends within [e - 1, e + 1.5].
matches() {
    awk -v expected="$1" -v found="$2" 'BEGIN {
        ne = expected == "none" ? 0 : split(expected, e, " ")
        nf = found == "" ? 0 : split(found, f, " ")
        if (ne != nf) exit 1
        for (i = 1; i <= ne; i++) {
            split(e[i], want, "-"); split(f[i], got, "-")
            if (got[1] < want[1] - 0.25 || got[1] > want[1] + 1) exit 1
            if (got[2] < want[2] - 1 || got[2] > want[2] + 1.5) exit 1
        }
    }'
}

echo "| clip | expected events | robust | classic |"
echo "|---|---|---|---|"
while read -r name mask expected; do
    expected=${expected//,/ }
    robust=$(events "$name" robust "$mask" | xargs)
    classic=$(events "$name" classic "$mask" | xargs)
    grep -qE '^[0-9.]+ [0-9.]+ [01]$' "$clips/$name.robust.txt" || fail "$name: no measurement lines"
    echo "| $name | ${expected} | ${robust:-none} | ${classic:-none} |"
    matches "$expected" "$robust" || fail "$name: the robust detector found \"${robust:-none}\", expected \"$expected\""
done <"$clips/clips.txt"

# Bad files: status 1 and the reason on standard error.
check_refused() {
    local status=0
    "$replay" "$1" >/dev/null 2>"$clips/err.txt" || status=$?
    [ "$status" -eq 1 ] || fail "$1: status $status, expected 1"
    grep -q "lumora-replay: $1: $2" "$clips/err.txt" || fail "$1: said \"$(cat "$clips/err.txt")\""
}
check_refused "$clips/missing.avi" "no such file"
check_refused "$clips/clips.txt" ".*text file"
check_refused "$clips/masked_bush.bmp" "."

# Bad masks: the loader's message, and the same events as without a mask.
convert -size 1x1 xc:white "BMP3:$clips/one.bmp"
without=$(events walker robust)
for mask in clips.txt missing.bmp one.bmp; do
    "$replay" --detector robust --mask "$clips/$mask" "$clips/walker.avi" >"$clips/out.txt" 2>"$clips/err.txt" ||
        fail "a bad mask ($mask) stopped the run"
    grep -q '^\[Error\] ' "$clips/err.txt" || fail "no message for the mask $mask"
    [ "$(awk '$1 == "event" { print $2 "-" $3 }' "$clips/out.txt" | xargs)" = "$(xargs <<<"$without")" ] ||
        fail "the bad mask $mask changed the events"
done
grep -q 'Unknown DIB file format' <("$replay" --mask "$clips/clips.txt" "$clips/walker.avi" 2>&1 >/dev/null) ||
    fail "no loader message for a mask that is no BMP"
echo "motion clips: all passed"
