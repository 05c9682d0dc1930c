// Capture description files: which video sources a device tries, in order.
//
// The format is a small XML file of our own:
//
//   <capture>
//     <source camera="0" width="640" height="480" framerate="30"/>
//     <source camera="0" width="1920" height="1080" format="mjpeg"/>
//     <source device="/dev/video2" width="1280" height="720" framerate="30"/>
//     <source pipeline="videotestsrc is-live=true ! video/x-raw,width=640,height=480"/>
//   </capture>
//
// Each <source> has exactly one of `camera` (index among the cameras the
// system finds, 0 first), `device` (a camera by the name its device provider
// gives it, see capture/camera_list.h: what the camera chooser writes, so
// that the camera stays the same one whatever else is plugged in) or
// `pipeline` (a GStreamer source description; the capture layer appends the
// conversion and the sink).  A camera, by index or name, takes the optional
// width, height, framerate "N" or "N/D" and format "raw", "mjpeg" or "h264"
// (see capture/camera_modes.h).  The first source that starts is used.  Anything else
// (unknown elements or attributes, bad numbers, no source) is a malformed
// file; the reason comes back as a one-line text.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "capture/camera_modes.h"

struct CaptureSourceSpec {
    enum Kind { kCamera, kPipeline };
    Kind kind = kCamera;
    int camera_index = 0;
    std::string device;  // device="...": the camera by name instead of by index
    int width = 0, height = 0;                   // 0: whatever the camera offers
    int framerate_num = 0, framerate_den = 1;    // 0/1: whatever the camera offers
    CameraFormat format = CameraFormat::kAny;    // pinned by format="..."
    std::string pipeline;
};

// What a camera source asks of the camera's modes.
ModeAsk CameraModeAsk(const CaptureSourceSpec& source);

struct DeviceDescription {
    std::vector<CaptureSourceSpec> sources;
};

// Parses the text of a description file.  False with `error` set when the
// text is malformed or lists no source.
bool ParseDeviceDescription(const char* text, size_t length, DeviceDescription* out,
                            std::string* error);

// Reads and parses the file at `path`; a missing or unreadable file is an
// error (naming the working folder when `path` is relative).
bool LoadDeviceDescription(const char* path, DeviceDescription* out, std::string* error);

// The notice for a device that runs source `started` although a camera
// listed before it could not be opened: "No camera available: showing a test
// pattern" for a videotestsrc, "No camera available: showing source N" for
// another pipeline.  Empty when no camera was passed over, or when the
// source that runs is itself a camera (e.g. in its own mode after the asked
// one was refused).
std::string StandInNotice(const DeviceDescription& description, size_t started);

// The caps a camera source is held to when the camera lists no modes, e.g.
// "video/x-raw,width=640,height=480,framerate=30/1"; empty when the source
// leaves everything to the camera.
std::string CameraCapsText(const CaptureSourceSpec& source);

// Largest frame the textures hold; bigger frames are scaled down to fit.
constexpr int kMaxFrameSide = 2048;

// Scales `width` x `height` down so that neither side exceeds `limit`,
// keeping the aspect ratio (sides rounded to the nearest pixel, at least 1).  Returns
// false and leaves the size alone when it already fits.
bool FitFrameSize(int* width, int* height, int limit = kMaxFrameSide);
