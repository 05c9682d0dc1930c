#!/usr/bin/env bash
# Seconds before the event: a clip whose frames carry their number (ten
# black/white blocks of 32 x 8 along the top, lowest bit left; lossless,
# so nothing else changes) stands still for 20 s, then a large box moves in;
# the motion threshold (1.5) lies between the blocks' changes and the box's.  Motion record, on from the start with the
# default 5 s before the event, writes a file whose frames, read back, run
# on without a repeat or a gap (30 fps clip, 15 fps file: steps of 1 to 3
# clip frames) for about 5 s before the box and on across the joint (the
# measurement that fires comes up to a second after the box).  Should an
# earlier measurement fire, its episode ends long before the box, and the
# run that leads to the box is counted from the jump after it.
source "$(dirname "$0")/lib.sh"
source "$(dirname "$0")/fault_lib.sh"
e2e_init
: >"$E2E_DIR/lumora.log"
export LUMORA_ENCODER=mjpeg:90
box_frame=600  # 20 s into the clip
ffmpeg -v error -y -f lavfi -i "color=c=gray:s=320x240:r=30:d=34,format=gray,geq=lum='if(lt(Y\,8)\,255*mod(floor(N/pow(2\,floor(X/32)))\,2)\,if(gte(N\,$box_frame)*between(X\,mod(N*8\,200)\,120+mod(N*8\,200))*gt(Y\,40)\,235\,60))',format=yuv420p" \
    -c:v ffv1 "$E2E_DIR/numbered.avi" || e2e_fail "ffmpeg could not make the clip"
write_device 1 "filesrc location=$E2E_DIR/numbered.avi ! decodebin"
write_missing_device 2
records=$E2E_DIR/data/capture/record
mkdir -p "$XDG_CONFIG_HOME/Korvane"
printf '[main]\nmotion_max=150\n' >"$E2E_SETTINGS"

start_lumora
wid=$(wait_window Lumora)
leave_help "$wid"
type_command "$wid" motionrecord
file=$(wait_file "$records" '*_motion_rec_dev1.avi' 20)
sleep 26  # the box comes at 20 s; its episode runs for 10 s
type_command "$wid" motionrecord
wait_window Info 15 >/dev/null
close_box Info
press_key "$wid" Escape
wait_exit 15

# Each frame's number, and the first frame showing the box, from the file.
ffmpeg -v error -i "$file" -vf format=gray -f rawvideo - >"$E2E_DIR/frames.gray" ||
    e2e_fail "ffmpeg cannot decode $(basename "$file")"
read -r count first box_after worst_step least_step < <(/usr/bin/python3 - "$E2E_DIR/frames.gray" <<'PY'
import sys
width, height = 320, 240
data = open(sys.argv[1], "rb").read()
frames = [data[i:i + width * height] for i in range(0, len(data), width * height)]
def number(f):
    return sum(1 << b for b in range(10) if f[4 * width + b * 32 + 16] > 128)
def box(f):
    return sum(1 for x in range(0, width, 8) if f[200 * width + x] > 150) >= 5
numbers = [number(f) for f in frames]
box_at = next((i for i, f in enumerate(frames) if box(f)), -1)
# The run leading to the box starts after the last jump before it.
start = max([i + 1 for i in range(box_at) if not 1 <= numbers[i + 1] - numbers[i] <= 3] + [0])
steps = [b - a for a, b in zip(numbers[start:], numbers[start + 1:box_at + 30])]
print(len(frames), numbers[start], box_at - start, max(steps), min(steps))
PY
)
e2e_log "$(basename "$file"): $count frames; the run to the box starts at clip frame $first, the box $box_after frames later; steps $least_step..$worst_step"
[ "$box_after" -ge 0 ] || e2e_fail "no frame of the motion file shows the box"
# 5 s before the measurement that fired: 75 frames at 15 fps, less the
# measurement's delay after the box came (up to a second), one frame more.
[ "$box_after" -ge 58 ] && [ "$box_after" -le 76 ] ||
    e2e_fail "the box comes $box_after frames after the run begins, expected about 5 s (60..75)"
[ "$least_step" -ge 1 ] || e2e_fail "a frame repeats (step $least_step)"
[ "$worst_step" -le 3 ] || e2e_fail "frames are missing (step $worst_step)"
echo "record_precapture: ok"
