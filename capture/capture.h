// Capture devices: opening the primary and secondary camera, the two holder
// threads, and the per-frame fetch that copies each camera's newest frame
// into a buffer of our own (frame_buffer[i], stable until that camera's next
// fetch; null until its first frame).  Putting the frames on screen is the
// renderer's business.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "app/app.h"

class VideoSource;

// Handle of one frame checkout from a capture source.
using MemoryBufferHandle = int;

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

// Whether camera `camera` (in use) holds a frame newer than its last fetch,
// or was lost or came back since: the frame loop has something new to show.
bool CameraNewsWaiting(int camera);
// The frame loop's pause: returns as soon as camera `camera` has a frame
// newer than the frame loop's last fetch, else after `timeout_ms` (also when
// the source cannot wait, e.g. while it is released).
void WaitForCameraFrame(int camera, uint32_t timeout_ms);
// Arrival time (microseconds, MonotonicMicroseconds' clock) of the frame the
// last fetch of camera i took; 0 before the first.
int64_t FetchedFrameStamp(int camera);

// Whether camera i (kPrimaryCamera, kSecondaryCamera) was lost at the last
// fetch: unplugged or failed, its last frame standing still until it is
// back.  Motion detection and camera recording pause meanwhile.
bool CameraLost(int camera);
// Opens description file `file` again for `camera` while the program runs:
// its source is released (freeing a camera the old mode holds) and built
// anew; the frame buffers follow the new size.  The primary's size and rate
// become the program's; a secondary in use that no longer has the
// primary's size is let go (view back to normal) with the "Info" box of the
// start.  The secondary is used at once when it has the primary's size.
// False, with the reason in CaptureFailureReason(), when the camera did not
// open or (secondary) has another size; the camera is then released (the
// secondary no longer used): the caller opens the file it had before.
// kFirstOnly: only the file's first source counts (the one just picked), a
// later one that would stand in for it is a failure too.
enum class SourcesAllowed { kAny, kFirstOnly };
bool ReopenCamera(Camera camera, const char* file, SourcesAllowed allowed = SourcesAllowed::kAny);

// Stops, releases and destroys the sources (the exit sequence).
void CloseCaptureDevices();

constexpr int kCaptureNoticeLength = 160;

// Owned by this module; OpenCaptureDevices resets it, CloseCaptureDevices
// ends its threads and destroys the sources.
struct CaptureState {
    VideoSource* video_source[2] = {nullptr, nullptr};
    int32_t video_width2 = 0, video_height2 = 0;  // the secondary's size as opened
    MemoryBufferHandle frame_handle[2] = {0, 0};  // the frame loop's checkouts
    // Our own copy of each camera's newest frame: frame_buffer[i] points here
    // from the first fetch on, so the pixels stay put after the check-in
    // until the next new frame.
    std::unique_ptr<uint8_t[]> frames[2];
    size_t frame_bytes = 0;
    int64_t fetched_stamp[2] = {0, 0};
    // The holder threads leave when the devices close, so that they never
    // touch a destroyed source.
    std::atomic<bool> closing{false};
    std::atomic<int> holders_running{0};
    std::string failure;  // why the primary device did not open
    // What the user should know about the primary device, shown over the
    // picture while it is not empty (e.g. that no camera was found and a
    // test pattern stands in).  Set when the devices open.
    char notice[kCaptureNoticeLength] = "";
    bool lost[2] = {false, false};  // per camera, as of the last fetch (CameraLost)
};
extern CaptureState capture;
