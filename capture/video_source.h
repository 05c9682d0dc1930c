// VideoSource: one camera (or any GStreamer source) delivering 32-bit frames
// in the byte order blue, green, red, x, bottom row first.
//
// Built from a description file (XML of our own, see capture/device_description.h).
// Frames are handed out by checkout/check-in: up to `max_checkouts` callers
// may each hold one buffer at a time.  Results follow the convention of the
// callers: negative is failure, 0 (or positive) success.
#pragma once

#include <cstdint>

#include "app/app_state.h"

class VideoSource {
public:
    VideoSource();
    ~VideoSource();
    VideoSource(const VideoSource&) = delete;
    VideoSource& operator=(const VideoSource&) = delete;

    int BuildGraphFromXMLFile(const char* path);
    int GetCurrentMediaFormat(long* width, long* height, double* frame_rate, void* pixel_format);
    int EnableMemoryBuffer(unsigned max_concurrent_checkouts, unsigned allocator_buffers);
    int Run();
    // 0 when a frame newer than the caller's last checkout is ready within
    // `timeout_ms` (-1: wait forever).
    int WaitForNextSample(long timeout_ms);
    int CheckoutMemoryBuffer(MemoryBufferHandle* handle, uint8_t** pixels, unsigned* width = nullptr,
                             unsigned* height = nullptr, void* pixel_format = nullptr,
                             int64_t* timestamp = nullptr);
    int CheckinMemoryBuffer(MemoryBufferHandle handle, bool force = false);
    int64_t GetCurrentTimestamp();
    int Stop(bool force_stop = false);
    int ReleaseGraph();

private:
    struct Impl;
    Impl* impl_;
};
