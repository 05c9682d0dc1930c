// PrecaptureRing: trimming by time and by bytes, and draining.
#include "record/precapture.h"

#include <utility>

void PrecaptureRing::SetLimits(uint64_t keep_ns, uint64_t max_bytes) {
    keep_ns_ = keep_ns;
    max_bytes_ = max_bytes;
    cut_short_ = false;
    TrimByTime();
    TrimByBytes();
}

void PrecaptureRing::Push(const uint8_t* data, size_t size, uint64_t pts_ns, uint64_t duration_ns,
                          bool key_frame) {
    if (frames_.empty() && !key_frame) return;
    PrecaptureFrame frame;
    frame.bytes.assign(data, data + size);
    frame.pts_ns = pts_ns;
    frame.duration_ns = duration_ns;
    frame.key_frame = key_frame;
    bytes_ += size;
    frames_.push_back(std::move(frame));
    TrimByTime();
    TrimByBytes();
}

// Keeps the newest key frame at or before (newest - keep): whatever came
// before it is older than needed.
void PrecaptureRing::TrimByTime() {
    if (frames_.empty()) return;
    const uint64_t newest = frames_.back().pts_ns;
    const uint64_t from = newest > keep_ns_ ? newest - keep_ns_ : 0;
    size_t start = 0;
    for (size_t i = 0; i < frames_.size() && frames_[i].pts_ns <= from; ++i)
        if (frames_[i].key_frame) start = i;
    for (size_t i = 0; i < start; ++i) {
        bytes_ -= frames_.front().bytes.size();
        frames_.pop_front();
    }
}

void PrecaptureRing::TrimByBytes() {
    while (bytes_ > max_bytes_ && !frames_.empty()) {
        DropOldestGroup();
        cut_short_ = true;
    }
}

void PrecaptureRing::DropOldestGroup() {
    do {
        bytes_ -= frames_.front().bytes.size();
        frames_.pop_front();
    } while (!frames_.empty() && !frames_.front().key_frame);
}

std::vector<PrecaptureFrame> PrecaptureRing::Drain() {
    std::vector<PrecaptureFrame> out(std::make_move_iterator(frames_.begin()),
                                     std::make_move_iterator(frames_.end()));
    Clear();
    return out;
}

void PrecaptureRing::Clear() {
    frames_.clear();
    bytes_ = 0;
}

uint64_t PrecaptureRing::HeldNs() const {
    if (frames_.empty()) return 0;
    return frames_.back().pts_ns + frames_.back().duration_ns - frames_.front().pts_ns;
}
