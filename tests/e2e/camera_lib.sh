# Helpers of the camera tests: the fake cameras of tests/fake_camera and
# device files that list cameras.  Source after lib.sh and e2e_init.

# use_fake_cameras "CAMERAS": the program's GStreamer finds the fake cameras
# described by CAMERAS (see tests/fake_camera/fake_camera_plugin.c, e.g.
# "color=0x2080e0; pattern=ball").  A private registry keeps the user's
# GStreamer registry as it was; it goes with the test's folder.
use_fake_cameras() {
    local plugins=${LUMORA_BUILD_DIR:?LUMORA_BUILD_DIR must name the build folder}/tests/fake_camera/plugins
    [ -f "$plugins/libgstlumorafakecamera.so" ] || e2e_fail "no fake-camera plugin in $plugins"
    export GST_PLUGIN_PATH=$plugins
    export GST_REGISTRY=$E2E_DIR/gst-registry.bin
    export LUMORA_FAKE_CAMERAS=$1
}

# write_sources 1|2 'SOURCE' ...: the device file lists these <source>
# attribute sets in order, e.g. 'camera="0" width="1280"'.
write_sources() {
    local device=$1 source
    shift
    {
        echo '<?xml version="1.0" encoding="UTF-8"?>'
        echo '<capture>'
        for source in "$@"; do echo "  <source $source/>"; done
        echo '</capture>'
    } >"$E2E_DIR/data/dsvl/device$device.xml"
}

# frame_shot WID: the path of F12's picture of the camera's frame, once it
# is written out (source fault_lib.sh too).
frame_shot() {
    local shot
    press_key "$1" F12
    shot=$(wait_file "$E2E_DIR/data/capture/screenshot" "*.bmp" 10)
    for _ in $(seq 50); do
        identify "$shot" >/dev/null 2>&1 && break
        sleep 0.1
    done
    echo "$shot"
}

# skip_if_real_camera: a real camera would be found before or instead of
# the fake ones; the log's start line tells which camera opened.
skip_if_real_camera() {
    if grep -q "(camera [0-9]*) " "$E2E_DIR/lumora.log" &&
        ! grep -q "(camera [0-9]*) Lumora Fake Camera" "$E2E_DIR/lumora.log"; then
        e2e_skip "a camera of this machine answered: $(grep '(camera' "$E2E_DIR/lumora.log" | head -n1)"
    fi
}

# expect_camera DEVICE CAMERA "WxH at R fps": device file DEVICE opened fake
# camera CAMERA, its first source, in that mode (the capture layer's line).
expect_camera() {
    local line="dsvl/device$1.xml: source 1 (camera $2) Lumora Fake Camera $2: $3"
    grep -qF "$line" "$E2E_DIR/lumora.log" ||
        e2e_fail "no \"$line\" in the log: $(grep "device$1.xml" "$E2E_DIR/lumora.log" || true)"
}
