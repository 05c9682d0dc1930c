// Record modes, motion record, screenshots and the BMP writer.
//
// One AviGenerator serves every recording, so one AVI file is open at a time:
// a record mode and motion record exclude each other (the second request is
// refused with an "Info" box).  Names come from the local time when the
// recording really starts, after the compressor has been chosen:
// "DD_MM_YYYY_hh_mm_ss_....avi" (".mp4" for the MP4 container); shots
// take the frame's clock:
// "DD_MM_YYYY_hh_mm_ss.bmp"; each in its folder (app/locations.h:
// "capture/record/" and "capture\screenshot\" in a development folder); an
// existing name gets "_2", "_3", ... before its extension so nothing is
// overwritten.  A shot and the start and end of a recording post a passing
// notice naming the file.  A recording that
// cannot be opened shows the writer's status text in an "Error" box (nothing
// after Cancel) and leaves its mode off.  When a recording closes, an "Info"
// box names its file, or says that nothing was recorded when no frame
// reached it (the writer removes such a file).  Streams declare 15 frames
// per second and are fed in real time: a displayed frame is written as often
// as the elapsed recording time asks (0, 1 or more times).  While the camera
// shown is lost (capture/capture.h), its frames are not recorded: the
// stream goes on from the camera's return without copies in the gap (the
// window recordings go on, showing the standing picture and its notice).
// Motion record with "seconds before the event" (app.precapture_seconds,
// taken when motion record is switched on) feeds the writer every frame:
// between episodes its frames fill the writer's pre-capture ring, and each
// episode's frames follow that many seconds of them in the file, in one
// run at real time (record/avi_generator.h).
// A screenshot that
// cannot be written gives an "Error" box; a motion shot, one line on
// standard error and in the console (motion may ask every second).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "app/app.h"
#include "platform/clock.h"
#include "record/avi_generator.h"

constexpr uint32_t kRecordFrameRate = 15;
constexpr uint64_t kNsPerSecond = 1000000000ull;
// A stall longer than this (a modal box, a frozen frame loop) is left out of
// the stream instead of being filled with copies of one picture.
constexpr uint32_t kMaxCatchUpFrames = 2 * kRecordFrameRate;

// Owned by record.cpp; tests reset it (with the writer closed) between cases.
struct RecordState {
    AviGenerator avi_generator;  // the one writer every recording uses

    // Window read-back target, grown to the window when needed.
    std::vector<uint8_t> screen_buffer;
    // Camera frames whose width is not a multiple of 4 are repacked here.
    std::vector<uint8_t> repack_buffer;

    char record_file_name[kPathLength] = "";  // the recording open or last closed
    bool screenshot_pending = false;          // written after the frame being drawn
    float recording_label_alpha = 0;          // the blinking label's fade
    float recording_label_step = 0.1f;

    bool file_open = false;         // the writer holds a successfully opened file
    bool write_failed = false;      // a frame could not be stored (reported once)
    int frame_width = 0, frame_height = 0;  // size of the open stream (multiples of 4)

    // Real-time pacing and names.
    uint32_t (*clock_ms)() = nullptr;     // nullptr: GetTickCount
    LocalTime (*local_time)() = nullptr;  // nullptr: ReadLocalTime
    uint32_t run_start_ms = 0;         // time of the first frame of the current run
    uint64_t run_frames = 0;           // frames written in the current run
    uint64_t frames_written = 0;       // frames stored in the open file
    bool stream_paused = true;         // the next frame starts a new run (motion episodes)
    bool fed_this_frame = false;
    uint64_t screen_reads = 0;  // window read-backs so far: the web view shares a fresh one
    bool precapture_cut_told = false;  // the pre-capture's shortening was said
};
extern RecordState record;

// start and stop are never both set.  Start opens `file_name` for frames of
// width x height (rounded down to multiples of 4) and returns whether the
// file is open; neither writes the frame (as often as real time asks); stop
// closes and tells in an "Info" box what became of the file.
bool RecordVideo(bool start, bool stop, int width, int height, const uint8_t* pixels,
                 const char* file_name);
// Stops the running record mode, if any, and starts `mode` (kRecordOff:
// none).  Refused with an "Info" box while motion record runs.
void SetRecordMode(RecordMode mode);
// The names of a record mode: the console's ("normal"), the info panel's
// ("Record", "OFF") and the one in the box that refuses motion record
// ("Normal").
struct RecordModeNames {
    const char* command;
    const char* panel;
    const char* running;
};
const RecordModeNames& RecordModeText(RecordMode mode);
// The screenshot is written after the frame being drawn.
void TakeScreenshot();
// Seconds before the event that motion recordings begin with (0 ..
// kMaxPrecaptureSeconds); from the next time motion record is switched on.
constexpr int32_t kMaxPrecaptureSeconds = 60;
void SetPrecaptureSeconds(int32_t seconds);
void SetMotionRecord();
void StopRecordings();

// Frame-loop steps, in this order within one frame.
void RecordEffectFrame();
void DrawRecordingLabels();
void RecordFinishedFrame();
void WritePendingShots();

// One step of the blinking label's fade (DrawRecordingLabels).
void StepRecordingLabel();

// What DrawRecordingLabels shows this frame, in red at the top middle.
struct RecordingLabels {
    float x = 0, y = 0;         // where both labels start, window pixels
    int font = 0;               // bitmap font index
    char motion_text[64] = "";  // "RECORDING...(times: n)" while motion records, else ""
    bool blinking = false;      // "RECORDING..." while a record mode runs...
    float blink_alpha = 0;      // ...at this opacity
};
// The labels of this frame.  Steps the blinking label's fade, or puts it
// back to unseen while no record mode runs.
RecordingLabels NextRecordingLabels();

// Writes a 32-bit bottom-up BMP; returns false when nothing was written,
// with the reason in *error (when given).  No partial file is left behind.
bool WriteBitmapFile(int width, int height, const uint8_t* pixels, const char* path,
                     std::string* error = nullptr);

// `name` (shown form, '\' or '/') made unique: when the file exists, "_2",
// "_3", ... is put before the extension.  Returns false when no free name
// fits into `capacity` bytes.
bool MakeUniqueFileName(const char* name, char* out, size_t capacity);

// Reads the lower-left width x height pixels of the window being drawn as
// BGRA into `pixels`, rows of `row_pixels` pixels, bottom row first
// (record_gl.cpp).
void ReadWindowPixels(int width, int height, int row_pixels, uint8_t* pixels);
