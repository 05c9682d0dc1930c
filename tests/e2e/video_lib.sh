# Helpers of the tests that read recordings back with ffprobe.  Source after
# lib.sh.

# probe FILE: codec, size, decoded frames and duration, "key=value" lines.
probe() {
    ffprobe -v error -count_frames -select_streams v:0 \
        -show_entries stream=nb_read_frames,width,height,codec_name:format=duration -of default=nw=1 "$1"
}
# field KEY PROBE: one value of probe's output.
field() { sed -n "s/^$1=//p" <<<"$2"; }

# expect_real_time PROBE WALL_SECONDS: 15 frames per second of recording,
# within about half a second, and a file duration that is its frames'.
expect_real_time() {
    local frames duration
    frames=$(field nb_read_frames "$1")
    echo "$frames / 15 - $2" | bc -l | awk '{ exit !($1 > -0.7 && $1 < 0.7) }' ||
        e2e_fail "$frames frames at 15 fps for a recording of $2 s"
    duration=$(field duration "$1")
    echo "$duration - $frames / 15" | bc -l | awk '{ exit !($1 > -0.2 && $1 < 0.2) }' ||
        e2e_fail "duration $duration for $frames frames"
}
