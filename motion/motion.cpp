// The clock, the once-a-second timer and the motion measurement.
#include "motion/motion.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <utility>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "app/app.h"
#include "capture/capture.h"
#include "platform/clock.h"
#include "platform/dialogs.h"
#include "sound/sound_player.h"

MotionState motion;

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
void EnsureSnapshotCapacity(size_t bytes) {
    if (bytes <= motion.snapshot_capacity) return;
    uint8_t* last = AllocateSnapshot(bytes);
    uint8_t* previous = AllocateSnapshot(bytes);
    if (motion.motion_snapshot) std::memcpy(last, motion.motion_snapshot, motion.snapshot_capacity);
    std::free(motion.motion_snapshot);
    std::free(motion.motion_snapshot_previous);
    motion.motion_snapshot = last;
    motion.motion_snapshot_previous = previous;
    motion.snapshot_capacity = bytes;
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

void FireMotionActions() {
    if (app.motion_shot_on) app.motion_shot_pending = true;
    if (app.motion_record_on) app.motion_recording = true;
    if (app.motion_alarm_on) StartSound(app.alarm_sound);
}

}  // namespace

void ReadClock() {
    motion.clock_second_previous = app.clock_second;
    const LocalTime now = ReadLocalTime();
    app.clock_second = now.second;
    app.clock_minute = now.minute;
    app.clock_hour = now.hour;
    app.clock_day = now.day;
    app.clock_month = now.month;
    app.clock_year = now.year;
}

TimerStep PerSecondTimer() {
    TimerStep step;
    // Only a step of exactly one second ticks: 59 -> 0 does not.
    if (app.clock_second - motion.clock_second_previous == 1) {
        step.ticked = true;
        ++motion.motion_check_counter;
        ++app.swap_counter;
        if (app.motion_recording)
            ++app.motion_record_elapsed;
        else
            app.motion_record_elapsed = 0;
        if (app.motion_record_elapsed == app.motion_record_duration) {
            app.motion_record_elapsed = 0;
            app.motion_recording = false;
        }
    }
    const bool paused = MotionPaused();
    if (paused) motion.motion_primed = false;
    if (motion.motion_check_counter == app.motion_interval) {
        step.measured = !paused && MeasureMotion(app.video_width, app.video_height,
                                                 app.frame_buffer[app.current_camera]);
        motion.motion_check_counter = 0;
    }
    if (app.view_mode == kViewSwap && app.second_camera_enabled && app.swap_counter == 3) {
        app.current_camera = app.current_camera == 0 ? 1 : 0;
        app.swap_counter = 0;
    }
    return step;
}

bool MotionPaused() { return CameraLost(app.current_camera); }

bool MeasureMotion(int width, int height, const uint8_t* frame) {
    // No frame has arrived yet: nothing to measure.
    if (!frame || width <= 0 || height <= 0) return false;
    const size_t pixels = static_cast<size_t>(width) * static_cast<size_t>(height);
    const size_t n = pixels * 4;
    EnsureSnapshotCapacity(n);

    // The new snapshot goes into the older buffer; swapping the two then
    // leaves the last snapshot as the previous one without copying it.
    const size_t differing =
        CopyAndCountDifferences(frame, motion.motion_snapshot, motion.motion_snapshot_previous, pixels);
    std::swap(motion.motion_snapshot, motion.motion_snapshot_previous);

    if (motion.motion_primed) {
        app.pcd_previous = app.pcd;
        app.pcd = static_cast<float>(differing) / static_cast<float>(n) * 100.0f;
        app.pcd_change = std::fabs(app.pcd - app.pcd_previous);
        if (app.pcd_change >= app.motion_max) FireMotionActions();
    }
    const bool measured = motion.motion_primed;
    motion.motion_primed = true;
    return measured;
}

void SwitchMotionShot() { app.motion_shot_on = !app.motion_shot_on; }

void SwitchMotionAlarm() { app.motion_alarm_on = !app.motion_alarm_on; }

void SetMotionInterval(int32_t seconds) {
    app.motion_interval = seconds;
    motion.motion_check_counter = 0;
}

void SetMotionRecordDuration(int32_t seconds) {
    app.motion_record_duration = seconds;
    app.motion_recording = false;
}

bool ChooseAlarmFile(char* path, size_t capacity) {
    return ChooseFileInto("Open Wav File", {"Wav Files (.wav)", "*.wav"}, path, capacity);
}

void ChooseAlarmSound() {
    ChooseAlarmFile(app.alarm_file, sizeof app.alarm_file);
    app.alarm_sound = LoadSound(app.alarm_file);
    StartSound(app.alarm_sound);
}
