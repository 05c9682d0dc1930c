// Motion detection: the clock, the once-a-second timer, and the percent
// difference between images (PCD) with its actions (shot, alarm, record).
#pragma once

#include <cstddef>
#include <cstdint>

// Snapshots are sized to the frame on first use (any frame size works).
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
void MeasureMotion(int width, int height, const uint8_t* frame);
