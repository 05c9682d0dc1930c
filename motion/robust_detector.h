// The robust motion detector.  Each analysed frame is reduced to a grid of
// grey cells (about 160 across) and compared with a slowly updated
// reference, not with the last snapshot:
//   1. the whole picture's brightness is fitted (cell = gain x reference +
//      offset), so a light jump or ramp is normalised away;
//   2. a cell changes when it differs from the fitted reference by more
//      than `noise_factor` times the sensor noise, which is measured from
//      the picture itself in eight bands of brightness (dark areas are
//      noisier), and by at least `noise_floor` grey levels;
//   3. when more than `light_switch_share` of the watched picture changes
//      at once the reference is taken anew (a light switched, the camera
//      re-exposed) and `light_switch_pause` analyses report nothing;
//   4. changed regions smaller than `min_object_share` of the picture are
//      speckles and dropped;
//   5. the value is the watched share of the picture, in percent, that the
//      remaining regions cover (kept to the classic measure's 0 to 25);
//   6. an event starts after `min_frames` analyses in a row reach the
//      threshold and ends `event_gap` seconds after the last one that did;
//   7. the reference follows the scene slowly where nothing changed and
//      hardly where something moves; a change that stands still for
//      `absorb_seconds` joins it at once (a parked car, or a person who was
//      in the first frame and walked off, leaving a ghost).
// Frames are analysed at most every `analysis_period` seconds, whatever rate
// they come at.  Plain logic: the running program and lumora-replay feed it
// frames with their times.
#pragma once

#include <cstdint>
#include <vector>

// The defaults, and why, are in the README ("Motion detection").
struct RobustSettings {
    int grid_width = 160;            // cells across (square cells of whole pixels)
    double analysis_period = 0.1;    // seconds: 10 analyses a second
    float noise_factor = 4.0f;       // noise deviations a change must pass
    float noise_floor = 4.0f;        // grey levels a change must pass
    float light_switch_share = 60.0f;// percent of the watched picture
    int light_switch_pause = 5;      // analyses after a light switch
    float min_object_share = 0.1f;   // percent of the picture
    int min_frames = 3;              // analyses in a row
    double event_gap = 1.0;          // seconds
    float still_rate = 0.05f;        // reference update per analysis where nothing changed
    float moving_rate = 0.002f;      // ... and where something did
    double absorb_seconds = 2.0;     // a change standing still this long joins the reference
};

// The noise is measured in bands of 32 grey levels.
constexpr int kNoiseBands = 8;

// What the tint shows of a cell.
enum CellChange : uint8_t { kCellStill, kCellSpeckle, kCellMoving };

// One analysis' result (or the last one's, when the frame was not analysed).
struct RobustReading {
    bool analysed = false;
    float value = 0;             // percent of the watched picture moving, 0 to 25
    bool event_running = false;
    bool event_started = false;  // at this analysis
    bool event_ended = false;    // at this analysis; the event's end is last_motion_seconds
};

// What happened since the last measurement: the program's meter and actions
// and the replay's lines read it once per measurement interval.
struct RobustInterval {
    float peak = 0;            // highest value analysed
    bool event_seen = false;   // an event ran at some time
    bool fired = false;        // the actions fired at an event's start
};

// Owned by its user (MotionState in the program, the replay's session);
// RobustReset empties it, and a new frame size starts it again.
struct RobustDetector {
    int frame_width = 0, frame_height = 0;
    int block = 1;                        // pixels per cell side
    int grid_width = 0, grid_height = 0;
    std::vector<float> current, reference, previous;
    std::vector<uint16_t> standing;       // analyses a changed cell has stood still
    std::vector<uint8_t> cell_weight;     // 0..255 per cell, from the mask
    uint32_t mask_generation = 0;         // of the weights above
    bool mask_applied = false;
    std::vector<uint8_t> change;          // CellChange per cell, for the tint
    uint32_t change_generation = 0;       // counts analyses, for the tint's upload
    float band_noise[kNoiseBands] = {};   // noise deviation per band of brightness
    bool noise_known = false;
    bool has_reference = false;
    int pause = 0;                        // analyses left after a light switch
    int frames_in_a_row = 0;
    bool event_running = false;
    double last_motion_seconds = 0;
    double next_analysis_seconds = 0;
    bool analysed_once = false;
    RobustReading last;
    RobustInterval interval;
    // Scratch of one analysis, kept to allocate nothing per frame.
    std::vector<int32_t> labels;
    std::vector<int32_t> stack;
    std::vector<uint32_t> column_sums;
};

void RobustReset(RobustDetector& detector);

// The cell layout for a frame: `block` pixels a side, grid_width x
// grid_height cells (the last row and column may be partial).
struct CellGrid {
    int block, width, height;
};
CellGrid CellGridFor(int frame_width, int frame_height, int grid_width);
// The mean of one byte per pixel over each cell of `grid`.
void CellAverages(const uint8_t* values, int width, int height, const CellGrid& grid, uint8_t* cells);

// Feeds one frame (BGRx, width x height, bottom row first as the capture
// delivers it) seen at `seconds`.  `weights` (one byte per pixel, 0 ignores
// it) or nullptr; `mask_generation` tells when they changed.  `threshold`
// is the user's motion threshold (motion_max).  Not analysed when the last
// analysis was less than analysis_period ago.
RobustReading RobustStep(RobustDetector& detector, const RobustSettings& settings,
                         const uint8_t* frame, int width, int height, double seconds,
                         float threshold, const uint8_t* weights, uint32_t mask_generation);

// Ends a measurement interval: returns what it saw and starts the next.
RobustInterval RobustEndInterval(RobustDetector& detector);
