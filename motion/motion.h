// Motion detection: the clock, the once-a-second timer, the two detectors
// (classic: the percent difference between images (PCD) and its change;
// robust: motion/robust_detector.h) with their actions (shot, alarm,
// record), the motion mask and what the tint shows.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "motion/classic_detector.h"
#include "motion/motion_mask.h"
#include "motion/robust_detector.h"

// The classic snapshots (the base) are sized to the frame on first use and
// grow only when a bigger frame comes (any frame size works); a measurement
// allocates nothing.
// Owned here; the snapshots live as long as the program.  Switching the
// detector or the shown camera starts the robust detector afresh.
struct MotionState : ClassicSnapshots {
    int32_t motion_check_counter = 0;  // ticks since the last check
    int32_t clock_second_previous = 0; // the clock's second one frame ago
    RobustDetector robust;
    int32_t robust_camera = 0;         // the camera the robust detector watches
    uint32_t robust_tick = 0;          // GetTickCount() at its last frame
    double robust_seconds = 0;         // its clock, from those ticks
    bool robust_clock_started = false;
    MotionMask mask;
    bool mask_failed = false;          // app.motion_mask_file did not load
    // The classic measure's changed cells and the mask per cell, made for
    // the tint (the robust detector keeps its own changed cells).
    std::vector<uint8_t> classic_change;
    uint32_t classic_change_generation = 0;
    std::vector<uint8_t> tint_weights;
    uint32_t tint_weights_generation = 0;
    uint32_t events = 0;               // times a detector fired (the web view's hook watches it)
};
extern MotionState motion;

// Frame step 4: clock_* fields from the local time.
void ReadClock();
// Frame step 12: ticks, the robust detector's analysis (every run, paced by
// itself), measurement at the interval (none while the camera is lost), end
// of motion episodes, image-swap alternation.  Says what happened, for the overlay's statistics
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
// was measured.  The mask, when one is loaded, weighs the pixels.
bool MeasureMotion(int width, int height, const uint8_t* frame);
// The camera measured is lost: its picture stands still, which is neither
// motion nor its absence, so nothing is measured and no action fires.  The
// first measurement after its return only takes a snapshot again.
bool MotionPaused();

// The robust detector in the program: FeedRobustDetector analyses the shown
// camera's frame at `tick` (ms) and fires the actions when an event starts;
// EndRobustMeasurement, at each interval, puts the interval's peak into
// pcd, pcd_previous and pcd_change and fires the actions again while an
// event runs.  False when no frame has come yet.
void FeedRobustDetector(uint32_t tick);
bool EndRobustMeasurement();

// Classic <-> Robust (app.motion_detector), the name shown and the menu
// entry's label, "Motion Detector: Classic".
void SwitchMotionDetector();
const char* MotionDetectorName();
void FormatMotionDetectorLabel(char* out, size_t capacity);
// The mask: chosen with the file chooser, removed, or read from
// app.motion_mask_file (at start-up).  A file that does not load leaves no
// mask (the loader's box says why); its path stays, to be tried next start.
void ChooseMotionMask();
void RemoveMotionMask();
void LoadSavedMotionMask();
// The tint of the live picture on / off.
void SwitchMotionTint();

// What the tint shows: per cell of the detector's grid, its CellChange
// (nullptr before the first analysis) and mask weight (nullptr without a
// mask); `generation` changes with every new picture of them.  The grid's
// last cells may reach past the frame: the frame covers `covered_s` of its
// width and `covered_t` of its height.
struct MotionTintView {
    const uint8_t* change = nullptr;
    const uint8_t* weights = nullptr;
    int grid_width = 0, grid_height = 0;
    float covered_s = 1, covered_t = 1;
    uint32_t generation = 0;
};
MotionTintView CurrentMotionTint();

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
