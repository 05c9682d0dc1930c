// PrecaptureRing: the last seconds of encoded frames before a motion event,
// so that a motion recording can begin before the measurement that fired.
//
// Holds compressed frames (what the encoder made of them), bounded twice:
// by time, from the last key frame at or before `keep` before the newest
// frame (so the first frame held always decodes on its own), and by bytes.
// When the bytes would pass their limit the oldest frames go, a key frame
// with the frames that depend on it at once, and the ring says it was cut
// short (a stretch the budget cannot hold).  A frame that is no key frame
// is not taken into an empty ring: nothing before it could decode it.
// Pure logic: the writer (record/avi_generator_gst.cpp) pushes from the
// encoder's thread under its own lock, and drains when the event fires.
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <vector>

// The most the ring may hold: 10 s of 1920x1080 H.264 or Motion JPEG at
// 15 fps fit well below it; 10 s of uncompressed frames do not.
constexpr uint64_t kPrecaptureBudgetBytes = 64ull << 20;

struct PrecaptureFrame {
    std::vector<uint8_t> bytes;
    uint64_t pts_ns = 0;
    uint64_t duration_ns = 0;
    bool key_frame = false;
};

class PrecaptureRing {
public:
    // `keep_ns` of stream before the newest frame, at most `max_bytes`.
    void SetLimits(uint64_t keep_ns, uint64_t max_bytes);
    void Push(const uint8_t* data, size_t size, uint64_t pts_ns, uint64_t duration_ns, bool key_frame);
    // Everything held, oldest first (a key frame first); the ring is empty
    // after it.
    std::vector<PrecaptureFrame> Drain();
    void Clear();

    size_t Frames() const { return frames_.size(); }
    uint64_t Bytes() const { return bytes_; }
    // Stream time held, from the first frame's start to the newest's end.
    uint64_t HeldNs() const;
    // The byte limit has dropped frames the time limit would have kept.
    bool CutShort() const { return cut_short_; }

private:
    void TrimByTime();
    void TrimByBytes();
    // Drops the oldest key frame and the frames up to the next key frame.
    void DropOldestGroup();

    std::deque<PrecaptureFrame> frames_;
    uint64_t bytes_ = 0;
    uint64_t keep_ns_ = 0;
    uint64_t max_bytes_ = kPrecaptureBudgetBytes;
    bool cut_short_ = false;
};
