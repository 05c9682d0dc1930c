// The classic measure: snapshots, the differing-pixel count, the PCD.
#include "motion/classic_detector.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <utility>
#include <vector>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace {

constexpr size_t kSnapshotAlignment = 64;

uint8_t* AllocateSnapshot(size_t bytes) {
    const size_t rounded = (bytes + kSnapshotAlignment - 1) / kSnapshotAlignment * kSnapshotAlignment;
    auto* buffer = static_cast<uint8_t*>(std::aligned_alloc(kSnapshotAlignment, rounded));
    if (!buffer) std::abort();
    std::memset(buffer, 0, rounded);
    return buffer;
}

// Both snapshots hold at least `bytes`; the last snapshot keeps its content
// so a measurement after a size change still compares against it.
void EnsureSnapshotCapacity(ClassicSnapshots& s, size_t bytes) {
    if (bytes <= s.snapshot_capacity) return;
    uint8_t* last = AllocateSnapshot(bytes);
    uint8_t* previous = AllocateSnapshot(bytes);
    if (s.motion_snapshot) std::memcpy(last, s.motion_snapshot, s.snapshot_capacity);
    std::free(s.motion_snapshot);
    std::free(s.motion_snapshot_previous);
    s.motion_snapshot = last;
    s.motion_snapshot_previous = previous;
    s.snapshot_capacity = bytes;
}

#if defined(__SSE2__)
// Counts equal pixels 16 bytes at a time over whole groups of four pixels,
// copying the frame to `out` on the way; returns how many pixels it covered
// in *done.  Streaming stores bypass the cache: for frames bigger than the
// cache the snapshot is not read again before the next measurement.
template <bool kStream>
size_t CopyAndCountEqualSse2(const uint8_t* frame, const uint8_t* last, uint8_t* out, size_t pixels,
                             size_t* done) {
    size_t equal = 0, i = 0;
    // The 32-bit lane counters are flushed before they could overflow.
    constexpr size_t kBlock = size_t{1} << 28;
    while (pixels - i >= 4) {
        const size_t block_end = i + std::min(kBlock, (pixels - i) / 4 * 4);
        __m128i equal_lanes = _mm_setzero_si128();
        for (; i < block_end; i += 4) {
            const __m128i f = _mm_loadu_si128(reinterpret_cast<const __m128i*>(frame + 4 * i));
            const __m128i s = _mm_load_si128(reinterpret_cast<const __m128i*>(last + 4 * i));
            auto* target = reinterpret_cast<__m128i*>(out + 4 * i);
            if constexpr (kStream)
                _mm_stream_si128(target, f);
            else
                _mm_store_si128(target, f);
            // Equal lanes are all ones, i.e. -1: subtracting counts them.
            equal_lanes = _mm_sub_epi32(equal_lanes, _mm_cmpeq_epi32(f, s));
        }
        alignas(16) uint32_t lanes[4];
        _mm_store_si128(reinterpret_cast<__m128i*>(lanes), equal_lanes);
        equal += size_t{lanes[0]} + lanes[1] + lanes[2] + lanes[3];
    }
    if constexpr (kStream) _mm_sfence();
    *done = i;
    return equal;
}
#endif

// Copies `pixels` 32-bit pixels from `frame` to `out` and counts those that
// differ from `last` in any of their four bytes (a pixel differs exactly when
// its 32-bit word does).  One pass: the frame is read once and the new
// snapshot written once.
size_t CopyAndCountDifferences(const uint8_t* frame, const uint8_t* last, uint8_t* out,
                               size_t pixels) {
    size_t equal = 0;
    size_t i = 0;
#if defined(__SSE2__)
    constexpr size_t kStreamAbovePixels = size_t{1} << 20;  // 4 MiB frames
    equal = pixels > kStreamAbovePixels ? CopyAndCountEqualSse2<true>(frame, last, out, pixels, &i)
                                        : CopyAndCountEqualSse2<false>(frame, last, out, pixels, &i);
#endif
    for (; i < pixels; ++i) {
        uint32_t f, s;
        std::memcpy(&f, frame + 4 * i, 4);
        std::memcpy(&s, last + 4 * i, 4);
        std::memcpy(out + 4 * i, &f, 4);
        equal += (f == s);
    }
    return pixels - equal;
}

bool PixelDiffers(const uint8_t* a, const uint8_t* b, size_t pixel) {
    return std::memcmp(a + 4 * pixel, b + 4 * pixel, 4) != 0;
}

// The masked measure's share: differing pixels weighted, over the watched
// weight, as a share of all pixels (what the unmasked count divided by the
// pixels is).  A mask that watches nothing measures nothing.
double CopyAndShareWeightedDifferences(const uint8_t* frame, const uint8_t* last, uint8_t* out,
                                       const uint8_t* weights, size_t pixels) {
    uint64_t differing = 0, watched = 0;
    for (size_t i = 0; i < pixels; ++i) {
        differing += PixelDiffers(frame, last, i) ? weights[i] : 0;
        watched += weights[i];
    }
    std::memcpy(out, frame, 4 * pixels);
    return watched ? static_cast<double>(differing) / static_cast<double>(watched) : 0.0;
}

}  // namespace

bool ClassicMeasure(ClassicSnapshots& s, int width, int height, const uint8_t* frame,
                    const uint8_t* weights, float* pcd) {
    // No frame has arrived yet: nothing to measure.
    if (!frame || width <= 0 || height <= 0) return false;
    const size_t pixels = static_cast<size_t>(width) * static_cast<size_t>(height);
    const size_t n = pixels * 4;
    EnsureSnapshotCapacity(s, n);

    // The new snapshot goes into the older buffer; swapping the two then
    // leaves the last snapshot as the previous one without copying it.
    float measured = 0;
    if (weights) {
        const double share = CopyAndShareWeightedDifferences(frame, s.motion_snapshot,
                                                             s.motion_snapshot_previous, weights, pixels);
        measured = static_cast<float>(share * 25.0);
    } else {
        const size_t differing =
            CopyAndCountDifferences(frame, s.motion_snapshot, s.motion_snapshot_previous, pixels);
        measured = static_cast<float>(differing) / static_cast<float>(n) * 100.0f;
    }
    std::swap(s.motion_snapshot, s.motion_snapshot_previous);

    const bool primed = s.motion_primed;
    s.motion_primed = true;
    if (primed) *pcd = measured;
    return primed;
}

void ClassicChangeMap(const ClassicSnapshots& s, int width, int height, int block, int grid_width,
                      int grid_height, uint8_t mark, uint8_t* map) {
    const size_t cells = static_cast<size_t>(grid_width) * grid_height;
    std::vector<uint32_t> differing(cells, 0), counted(cells, 0);
    for (int y = 0; y < height; ++y) {
        const size_t row = static_cast<size_t>(y / block) * grid_width;
        for (int x = 0; x < width; ++x) {
            const size_t pixel = static_cast<size_t>(y) * width + x;
            const size_t cell = row + x / block;
            differing[cell] += PixelDiffers(s.motion_snapshot, s.motion_snapshot_previous, pixel);
            ++counted[cell];
        }
    }
    for (size_t c = 0; c < cells; ++c) map[c] = counted[c] && 2 * differing[c] >= counted[c] ? mark : 0;
}
