// Motion detection: the clock, the once-a-second timer, and the percent
// difference between images (PCD) with its actions (shot, alarm, record).
#pragma once

#include <cstddef>
#include <cstdint>

// The snapshots are sized to the frame on first use and grow only when a
// bigger frame comes (any frame size works); a measurement allocates
// nothing.  The two buffers trade places at each measurement instead of
// copying the last snapshot into the previous one.
struct MotionState {
    bool motion_primed = false;
    uint8_t* motion_snapshot = nullptr;
    uint8_t* motion_snapshot_previous = nullptr;
    size_t snapshot_capacity = 0;
};
extern MotionState motion;

// Frame step 4: clock_* fields from the local time.
bool ReadClock();
// Frame step 12: ticks, measurement at the interval, end of motion episodes,
// image-swap alternation, cursor blink.
bool PerSecondTimer();
// Compares `frame` (width x height pixels of 4 bytes) with the last snapshot:
// pcd = differing pixels / bytes x 100; fires the enabled actions when its
// change reaches motion_max.  The first measurement only takes a snapshot;
// a missing frame (none fetched yet) is no measurement.
void MeasureMotion(int width, int height, const uint8_t* frame);
