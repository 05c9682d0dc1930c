// lumora-replay: the program's motion detectors run over a recorded file.
//
//     lumora-replay [--detector classic|robust] [--threshold X]
//                   [--interval S] [--mask FILE.bmp] FILE
//
// prints one line per measurement, "<seconds> <value> <0|1>" (1 while an
// event runs), then "events: N" and one "event <start> <end>" line each.
// Seconds count from the file's first frame.  The classic detector measures
// the frame at every interval against the one before, as the program does;
// an event is a run of measurements whose change reached the threshold,
// from the first to the last of them.  The robust detector sees every frame
// (pacing itself) and its events start and end where it decides; a line
// shows the highest value of its interval.
//
// replay.cpp is the plain part (options, the session over frames, the
// lines); frame_source_gst.cpp decodes the file.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "app/app.h"
#include "motion/classic_detector.h"
#include "motion/motion_mask.h"
#include "motion/robust_detector.h"

struct ReplayOptions {
    MotionDetector detector = kDetectorClassic;
    float threshold = 0.18f;  // the program's default motion_max
    double interval = 1.0;
    std::string mask;         // empty: none
    std::string file;
};

// The options, or the reason they are refused (non-empty).
std::string ParseReplayOptions(int argc, const char* const* argv, ReplayOptions* options);
extern const char kReplayUsage[];

struct ReplayEvent {
    double start = 0, end = 0;
};

// Owned by the replay's main; one per file.
struct ReplaySession {
    ReplayOptions options;
    ClassicSnapshots classic;
    float pcd = 0;
    RobustDetector robust;
    MotionMask mask;
    bool started = false;
    double first_seconds = 0;     // of the first frame
    double next_measurement = 0;  // seconds from the first frame
    bool event_open = false;
    double last_event_seconds = 0;  // the classic event's last firing measurement
    std::vector<ReplayEvent> events;
    ~ReplaySession();
};

// Loads the session's mask, if one is named (a file that does not load:
// the loader's message, and no mask).
void StartReplay(ReplaySession& session, const ReplayOptions& options);
// One decoded frame (BGRx, bottom row first) at `seconds` of the stream;
// measurement lines go to `out`.
void ReplayFrame(ReplaySession& session, const uint8_t* frame, int width, int height, double seconds,
                 FILE* out);
// Closes an event still running and prints the events.
void FinishReplay(ReplaySession& session, FILE* out);

// The decoder (frame_source_gst.cpp): calls `frame` for each frame of
// `path` in order; false with the reason in *error when the file cannot be
// read or holds no video.
using FrameHandler = void (*)(void* context, const uint8_t* frame, int width, int height, double seconds);
bool DecodeVideoFile(const std::string& path, FrameHandler frame, void* context, std::string* error);
