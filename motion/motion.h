// Motion detection: the clock, the once-a-second timer, and the percent
// difference between images (PCD) with its actions (shot, alarm, record).
#pragma once

#include <cstddef>
#include <cstdint>

// The snapshots are sized to the frame on first use and grow only when a
// bigger frame comes (any frame size works); a measurement allocates
// nothing.  The two buffers trade places at each measurement instead of
// copying the last snapshot into the previous one.
// Owned here; the snapshots live as long as the program.
struct MotionState {
    int32_t motion_check_counter = 0;  // ticks since the last check
    int32_t clock_second_previous = 0; // the clock's second one frame ago
    bool motion_primed = false;
    uint8_t* motion_snapshot = nullptr;
    uint8_t* motion_snapshot_previous = nullptr;
    size_t snapshot_capacity = 0;
};
extern MotionState motion;

// Frame step 4: clock_* fields from the local time.
void ReadClock();
// Frame step 12: ticks, measurement at the interval (none while paused),
// end of motion episodes, image-swap alternation.  Says what happened, for the overlay's statistics
// history and the console's caret.
struct TimerStep {
    bool ticked = false;    // a second went by
    bool measured = false;  // a PCD was measured
};
TimerStep PerSecondTimer();
// Compares `frame` (width x height pixels of 4 bytes) with the last snapshot:
// pcd = differing pixels / bytes x 100; fires the enabled actions when its
// change reaches motion_max.  The first measurement only takes a snapshot;
// a missing frame (none fetched yet) is no measurement.  True when a PCD
// was measured.
bool MeasureMotion(int width, int height, const uint8_t* frame);
// The camera measured is lost: its picture stands still, which is neither
// motion nor its absence, so nothing is measured and no action fires.  The
// first measurement after its return only takes a snapshot again.
bool MotionPaused();

// The motion actions the user switches.
void SwitchMotionShot();
void SwitchMotionAlarm();
// Seconds between two checks; the count to the next check starts again.
void SetMotionInterval(int32_t seconds);
// Seconds of one motion-record episode; a running episode ends.
void SetMotionRecordDuration(int32_t seconds);

// The alarm chooser: writes a chosen .wav into `path` (capacity bytes).
bool ChooseAlarmFile(char* path, size_t capacity);
// The chooser on alarm_file, then the alarm (re)loaded and played once.
void ChooseAlarmSound();
