// VideoSource: one camera (or any GStreamer source) delivering 32-bit frames
// in the byte order blue, green, red, x, bottom row first.
//
// Built from a description file (XML of our own, see capture/device_description.h):
// the first listed source that delivers a frame is used; frames are handed
// out from Run() on (before the first one, checkouts fail).  Frames larger than
// kMaxFrameSide are scaled down to fit, aspect kept.  Frames are handed out by
// checkout/check-in: up to `max_concurrent_checkouts` holders (any threads)
// may each hold one buffer at a time; a checked-out buffer stays valid until
// its check-in.  A source that errors or ends while running is restarted
// every few seconds; meanwhile no new frames arrive (one notice on stderr).
// Results follow the convention of the callers: negative is failure, 0 success.
// All methods are thread-safe.
#pragma once

#include <cstdint>
#include <string>

#include "app/app_state.h"

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
    int Stop();
    int ReleaseGraph();

    // Why the last BuildGraphFromXMLFile or Run failed, one line per reason
    // ("<file>: <reason>", as also printed on stderr); empty after success.
    // For the thread that builds.
    const char* FailureReason() const;
    // What the window should say when the source that runs stands in for a
    // camera listed before it (see StandInNotice); empty otherwise.
    std::string CameraStandInNotice() const;

private:
    struct Impl;
    Impl* impl_;
};
