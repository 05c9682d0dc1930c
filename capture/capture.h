// Capture devices: opening the primary and secondary camera, the two holder
// threads, and the per-frame fetch that copies each camera's newest frame
// into a buffer of our own (frame_buffer[i], stable until that camera's next
// fetch; null until its first frame).  Putting the frames on screen is the
// renderer's business.
#pragma once

#include <cstdint>

constexpr int kDeviceFileLength = 200;
extern const char kDeviceFiles[2][kDeviceFileLength];  // "dsvl/device1.xml", "dsvl/device2.xml"

// Opens both devices, asks about the secondary camera, starts the holder
// threads.  Fills video_source, video_width/height, video_frame_rate and may
// switch on the second camera (app.second_camera_enabled: the caller then
// chooses the view).  False: the primary failed.
bool OpenCaptureDevices(const char device_files[2][kDeviceFileLength]);

// What to do about the secondary camera: nothing when it did not open, ask
// whether to use it when its size is the primary's, else tell the user that
// the sizes must match.
enum class SecondCameraOffer { kNone, kAsk, kSizeMismatch };
SecondCameraOffer OfferSecondCamera(bool opened, int primary_width, int primary_height, int width,
                                    int height);

// Why OpenCaptureDevices failed: one line per reason (the device file and
// what went wrong, e.g. a pipeline's unknown property).
const char* CaptureFailureReason();

// Which cameras' frame_buffer this fetch filled (the same frame again counts):
// the textures to refresh.
struct FetchedFrames {
    bool camera[2] = {false, false};
};

// Start of every frame: fetch the newest frame of each camera in use.
FetchedFrames FetchFrames();

// Stops, releases and destroys the sources (the exit sequence).
void CloseCaptureDevices();

// What the user should know about the primary device, shown over the
// picture while it is not empty (e.g. that no camera was found and a test
// pattern stands in).  Set when the devices open; part of the capture state.
constexpr int kCaptureNoticeLength = 160;
extern char (&capture_notice)[kCaptureNoticeLength];
