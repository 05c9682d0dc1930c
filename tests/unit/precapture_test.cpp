// The pre-capture ring over a long stream: after every frame it starts at a
// key frame, reaches back at least the seconds asked (no more than one key
// interval beyond), stays within its bytes, and drains in order.
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "record/precapture.h"

namespace {

constexpr uint64_t kFrameNs = 1000000000ull / 15;
constexpr int kKeyInterval = 15;

// Frame n of a stream with a key frame every second; its first byte is n.
void PushFrame(PrecaptureRing& ring, int n, size_t size) {
    std::vector<uint8_t> bytes(size, uint8_t(n));
    ring.Push(bytes.data(), bytes.size(), uint64_t(n) * kFrameNs, kFrameNs, n % kKeyInterval == 0);
}

TEST(PrecaptureRing, KeepsTheSecondsAskedFromAKeyFrame) {
    PrecaptureRing ring;
    const uint64_t keep = 5 * 1000000000ull;
    ring.SetLimits(keep, kPrecaptureBudgetBytes);
    for (int n = 0; n < 300; ++n) {
        PushFrame(ring, n, 1000 + n);
        const uint64_t newest = uint64_t(n) * kFrameNs;
        ASSERT_GT(ring.Frames(), 0u);
        if (newest >= keep) {
            // From the last key frame at or before newest - keep.
            const int first = int((newest - keep) / kFrameNs) / kKeyInterval * kKeyInterval;
            ASSERT_EQ(ring.Frames(), size_t(n - first + 1)) << n;
        } else {
            ASSERT_EQ(ring.Frames(), size_t(n + 1)) << n;
        }
    }
    EXPECT_FALSE(ring.CutShort());
    EXPECT_GE(ring.HeldNs(), keep);
    EXPECT_LT(ring.HeldNs(), keep + kKeyInterval * kFrameNs + kFrameNs);

    const std::vector<PrecaptureFrame> frames = ring.Drain();
    ASSERT_FALSE(frames.empty());
    EXPECT_TRUE(frames.front().key_frame);
    for (size_t i = 0; i < frames.size(); ++i) {
        EXPECT_EQ(frames[i].pts_ns, frames.front().pts_ns + i * kFrameNs);  // none missing or repeated
        EXPECT_EQ(frames[i].bytes.size(), 1000 + frames[i].pts_ns / kFrameNs);
    }
    EXPECT_EQ(frames.back().bytes[0], uint8_t(299));
    EXPECT_EQ(ring.Frames(), 0u);
    EXPECT_EQ(ring.Bytes(), 0u);

    // After a drain the ring waits for a key frame; zero seconds keep the
    // newest key frame's group only.
    PushFrame(ring, 301, 10);
    EXPECT_EQ(ring.Frames(), 0u);
    ring.SetLimits(0, kPrecaptureBudgetBytes);
    for (int n = 302; n <= 320; ++n) PushFrame(ring, n, 10);
    EXPECT_EQ(ring.Frames(), 6u);  // key frame 315 and the five after it
}

TEST(PrecaptureRing, ABudgetTooSmallCutsWholeKeyGroupsAndSaysSo) {
    PrecaptureRing ring;
    const uint64_t budget = 100 * 1000;
    ring.SetLimits(10 * 1000000000ull, budget);
    // 10 s would be 300 000 bytes: whole key groups of 15 frames go.
    for (int n = 0; n < 200; ++n) {
        PushFrame(ring, n, 2000);
        ASSERT_LE(ring.Bytes(), budget);
    }
    EXPECT_TRUE(ring.CutShort());
    EXPECT_LE(ring.Bytes(), budget);
    const std::vector<PrecaptureFrame> frames = ring.Drain();
    ASSERT_FALSE(frames.empty());
    EXPECT_TRUE(frames.front().key_frame);
    EXPECT_EQ(frames.back().pts_ns, 199 * kFrameNs);
    // Every frame a key frame (uncompressed, Motion JPEG): cut frame by frame.
    ring.SetLimits(10 * 1000000000ull, budget);
    for (int n = 0; n < 200; ++n) {
        std::vector<uint8_t> bytes(3000, 1);
        ring.Push(bytes.data(), bytes.size(), uint64_t(n) * kFrameNs, kFrameNs, true);
    }
    EXPECT_EQ(ring.Frames(), size_t(budget / 3000));
}

}  // namespace
