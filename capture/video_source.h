// VideoSource: one camera (or any GStreamer source) delivering 32-bit frames
// in the byte order blue, green, red, x, top row first.
//
// Built from a description file (XML of our own, see capture/device_description.h):
// the first listed source that delivers a frame is used; frames are handed
// out from Run() on (before the first one, checkouts fail).  A camera opens
// in the mode chosen among those it lists (capture/camera_modes.h); a
// compressed mode is decoded, and a frame that does not decode is skipped
// (one notice on stderr).  Frames larger than
// kMaxFrameSide are scaled down to fit, aspect kept.  Frames are handed out by
// checkout/check-in: up to `max_concurrent_checkouts` holders (any threads)
// may each hold one buffer at a time; a checked-out buffer stays valid until
// its check-in.  A source that errors or ends while running is restarted
// every few seconds; meanwhile no new frames arrive (one notice on stderr)
// and the source counts as lost.  A camera is not restarted but looked for:
// the camera that was opened (known by its identity, capture/camera_identity.h)
// is opened again, in the same mode and at the same frame size, as soon as it
// is there again, whatever its index then; a camera that is unplugged counts
// as lost even before its element tells of an error.
// Results follow the convention of the callers: negative is failure, 0 success.
// All methods are thread-safe.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "capture/capture.h"

struct CaptureSourceSpec;

class VideoSource {
public:
    VideoSource();
    ~VideoSource();
    VideoSource(const VideoSource&) = delete;
    VideoSource& operator=(const VideoSource&) = delete;

    int BuildGraphFromXMLFile(const char* path);
    int GetCurrentMediaFormat(long* width, long* height, double* frame_rate);
    int EnableMemoryBuffer(unsigned max_concurrent_checkouts);
    int Run();
    // 0 when a frame newer than the caller's last checkout is ready within
    // `timeout_ms` (-1: wait forever).
    int WaitForNextSample(long timeout_ms);
    // The newest frame.  `timestamp`: its arrival time in microseconds of a
    // monotonic clock, different for every frame of this source.
    int CheckoutMemoryBuffer(MemoryBufferHandle* handle, uint8_t** pixels, unsigned* width = nullptr,
                             unsigned* height = nullptr, int64_t* timestamp = nullptr);
    int CheckinMemoryBuffer(MemoryBufferHandle handle);
    int64_t GetCurrentTimestamp();  // arrival time of the newest frame
    // How long a lost source waits before the next restart (default 3 s).
    void SetRetryInterval(int milliseconds);
    // True from the loss of a running source until its frames arrive again.
    bool Lost() const;
    int Stop();
    int ReleaseGraph();

    // Why the last BuildGraphFromXMLFile or Run failed, one line per reason
    // ("<file>: <reason>", as also printed on stderr); empty after success.
    // For the thread that builds.
    const char* FailureReason() const;
    // Which source of the description file runs (0: the first); -1 before
    // a build succeeds.
    int StartedSource() const;
    // What the window should say when the source that runs stands in for a
    // camera listed before it (see StandInNotice); empty otherwise.
    std::string CameraStandInNotice() const;

private:
    struct Impl;
    Impl* impl_;
};

// What the GStreamer side builds on and says, kept free of GStreamer
// (video_source.cpp).

// Element names of the tail, and the tail that follows every source:
// scaling, conversion, the size filter, the sink.
extern const char kSinkName[];
extern const char kFitName[];
extern const char kConversionTail[];
// "source N (camera K)", "source N (device "<name>")" or
// "source N (<pipeline>)"; N counts from 1.
std::string DescribeSource(const CaptureSourceSpec& source, size_t index);
// Why a camera source found no camera among the `found` ones.
std::string MissingCameraText(const CaptureSourceSpec& source, unsigned found);
// The description of a pipeline source with the tail appended.
std::string PipelineText(const CaptureSourceSpec& source);
// Why a camera did not link to the tail; `mode`: the caps it was held to.
std::string CameraLinkFailure(const std::string& mode);
// The one notice of frames that do not decode; `detail`: the decoder's
// words, if it had any.
std::string UndecodedFrameNotice(const std::string& decoder, const std::string& detail);
// "<reason>; the last frame stays, retrying every N s" (whole seconds, up).
std::string LostSourceNotice(const std::string& reason, int retry_ms);
// A lost camera: "<reason>; the last frame stays until the camera
// (<identity>) is back".
std::string LostCameraNotice(const std::string& reason, const std::string& identity);
// "the camera is back: <name>, now camera N".
std::string ReturnedCameraNotice(const std::string& name, int index);

// The supervisor's rules for a running source: a failure stops it (told the
// first time), and it is restarted every retry interval until frames come
// again (a camera: opened again if it is there).  Owned by one source's
// supervisor thread; a fresh watch per Run().
struct SourceWatch {
    enum Action {
        kWait,     // nothing to do
        kLose,     // lost now: tell, stop
        kStop,     // failed again while lost: stop
        kRecover,  // frames arrive again: tell
        kRestart,  // still lost at the retry time: start again (a camera: look for it)
    };
    // One poll: `failed` when the source told an error or its end (or its
    // camera was unplugged), `serial` counts the frames so far, `now_us` a
    // monotonic clock.
    Action Poll(bool failed, uint64_t serial, int64_t now_us, int retry_ms);
    // The lost camera was plugged in again: the next poll restarts at once.
    void RetryNow(int64_t now_us);

    bool lost = false;
    uint64_t serial_at_loss = 0;
    int64_t next_retry_us = 0;
};
