// The clock, the once-a-second timer, the detectors in the program, the
// mask and the tint's cells.
#include "motion/motion.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "app/app.h"
#include "capture/capture.h"
#include "platform/clock.h"
#include "platform/dialogs.h"
#include "platform/paths.h"
#include "sound/sound_player.h"

MotionState motion;

namespace {

constexpr RobustSettings kRobustSettings{};

void FireMotionActions() {
    ++motion.events;
    if (app.motion_shot_on) app.motion_shot_pending = true;
    if (app.motion_record_on) app.motion_recording = true;
    if (app.motion_alarm_on) StartSound(app.alarm_sound);
}

const uint8_t* MaskWeights(int width, int height) { return MotionMaskWeights(motion.mask, width, height); }

// The classic measure's changed cells, for the tint.
void MapClassicChanges(int width, int height) {
    const CellGrid grid = CellGridFor(width, height, kRobustSettings.grid_width);
    motion.classic_change.resize(static_cast<size_t>(grid.width) * grid.height);
    ClassicChangeMap(motion, width, height, grid.block, grid.width, grid.height, kCellMoving,
                     motion.classic_change.data());
    ++motion.classic_change_generation;
}

// Seconds on the robust detector's clock: the tick counter's steps, so its
// wrap after 49 days is one more step.
double RobustSeconds(uint32_t tick) {
    if (motion.robust_clock_started) motion.robust_seconds += (tick - motion.robust_tick) / 1000.0;
    motion.robust_tick = tick;
    motion.robust_clock_started = true;
    return motion.robust_seconds;
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
    // A lost camera's standing picture is neither motion nor its absence:
    // both detectors start afresh when it is back.
    const bool paused = MotionPaused();
    if (paused) {
        motion.motion_primed = false;
        RobustReset(motion.robust);
    }
    const bool robust = app.motion_detector == kDetectorRobust;
    if (robust && !paused) FeedRobustDetector(GetTickCount());
    if (motion.motion_check_counter == app.motion_interval) {
        step.measured = !paused && (robust ? EndRobustMeasurement()
                                           : MeasureMotion(app.video_width, app.video_height,
                                                           app.frame_buffer[app.current_camera]));
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
    float pcd = 0;
    if (!ClassicMeasure(motion, width, height, frame, MaskWeights(width, height), &pcd)) return false;
    app.pcd_previous = app.pcd;
    app.pcd = pcd;
    app.pcd_change = std::fabs(app.pcd - app.pcd_previous);
    if (app.pcd_change >= app.motion_max) FireMotionActions();
    if (app.motion_tint_on) MapClassicChanges(width, height);
    return true;
}

void FeedRobustDetector(uint32_t tick) {
    const uint8_t* frame = app.frame_buffer[app.current_camera];
    // Another camera's picture is no motion: the reference starts again.
    if (app.current_camera != motion.robust_camera) {
        RobustReset(motion.robust);
        motion.robust_camera = app.current_camera;
    }
    const RobustReading reading =
        RobustStep(motion.robust, kRobustSettings, frame, app.video_width, app.video_height,
                   RobustSeconds(tick), app.motion_max, MaskWeights(app.video_width, app.video_height),
                   motion.mask.generation);
    if (!reading.event_started) return;
    FireMotionActions();
    motion.robust.interval.fired = true;
}

bool EndRobustMeasurement() {
    if (!app.frame_buffer[app.current_camera]) return false;
    const RobustInterval interval = RobustEndInterval(motion.robust);
    app.pcd_previous = app.pcd;
    app.pcd = app.pcd_change = interval.peak;
    if (interval.event_seen && !interval.fired) FireMotionActions();
    return true;
}

// Each detector starts afresh: the classic one with a new first snapshot,
// not one from before the switch.
void SwitchMotionDetector() {
    app.motion_detector = app.motion_detector == kDetectorRobust ? kDetectorClassic : kDetectorRobust;
    RobustReset(motion.robust);
    motion.motion_primed = false;
}

const char* MotionDetectorName() { return app.motion_detector == kDetectorRobust ? "Robust" : "Classic"; }

void FormatMotionDetectorLabel(char* out, size_t capacity) {
    std::snprintf(out, capacity, "Motion Detector: %s", MotionDetectorName());
}

void ChooseMotionMask() {
    if (!ChooseFileInto("Open Bmp File", {"Bmp Files (.bmp)", "*.bmp"}, app.motion_mask_file,
                        sizeof app.motion_mask_file))
        return;
    LoadSavedMotionMask();
}

void RemoveMotionMask() {
    app.motion_mask_file[0] = '\0';
    ClearMotionMask(&motion.mask);
    motion.mask_failed = false;
}

void LoadSavedMotionMask() {
    if (!app.motion_mask_file[0]) {
        RemoveMotionMask();
        return;
    }
    motion.mask_failed = !LoadMotionMask(NativePath(app.motion_mask_file).c_str(), &motion.mask);
}

void SwitchMotionTint() { app.motion_tint_on = !app.motion_tint_on; }

namespace {

// The mask per cell of `grid`, remade when the mask or the grid changed;
// nullptr without a mask.
const uint8_t* TintWeights(const CellGrid& grid) {
    const uint8_t* weights = MaskWeights(app.video_width, app.video_height);
    if (!weights) return nullptr;
    const size_t cells = static_cast<size_t>(grid.width) * grid.height;
    if (motion.tint_weights.size() != cells || motion.tint_weights_generation != motion.mask.generation) {
        motion.tint_weights.resize(cells);
        CellAverages(weights, app.video_width, app.video_height, grid, motion.tint_weights.data());
        motion.tint_weights_generation = motion.mask.generation;
    }
    return motion.tint_weights.data();
}

}  // namespace

MotionTintView CurrentMotionTint() {
    const CellGrid grid = CellGridFor(app.video_width, app.video_height, kRobustSettings.grid_width);
    const size_t cells = static_cast<size_t>(grid.width) * grid.height;
    const bool robust = app.motion_detector == kDetectorRobust;
    const std::vector<uint8_t>& change = robust ? motion.robust.change : motion.classic_change;
    const uint32_t generation = robust ? motion.robust.change_generation : motion.classic_change_generation;
    MotionTintView view;
    if (app.video_width <= 0 || app.video_height <= 0) return view;
    view.change = change.size() == cells ? change.data() : nullptr;
    view.weights = TintWeights(grid);
    view.grid_width = grid.width;
    view.grid_height = grid.height;
    view.covered_s = static_cast<float>(app.video_width) / static_cast<float>(grid.width * grid.block);
    view.covered_t = static_cast<float>(app.video_height) / static_cast<float>(grid.height * grid.block);
    // Either a new analysis or a new mask is a new picture.
    view.generation = generation + (motion.mask.generation << 20) + (robust ? 1u << 31 : 0);
    return view;
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
