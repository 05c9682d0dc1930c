// Frame pacing: whether a run of the frame loop draws, and how long it
// pauses after its run.
//
// A run draws when something on screen may have changed: a frame of the
// shown camera newer than the one drawn (or that camera lost or back), a
// redraw asked for (a key, a click, a drag, a menu, a resize or an expose),
// the clock's second (the time panel, the caret, the per-second steps of
// motion detection and image swap).  What changes at its own pace — the
// other camera of split screen, and what moves by itself (see Animating) —
// is drawn with the shown camera's frames, and on its own only when they
// stop coming (no drawing for one and a half frame periods), so the loop
// draws at the camera's rate and not more.  Otherwise nothing is drawn and
// the picture on screen stays.
//
// The pause after a run is at most the loop's longest pause (20 ms, so the
// loop stays below 50 runs a second) and never longer than what the camera's
// frame period leaves after the run, so a run and its pause fit one period;
// it ends as soon as a new camera frame is ready (the capture edge's wait).
// A fixed pause after every run would drop the display below the camera's
// rate whenever a run takes more than the period less the pause.
#pragma once

#include <cstdint>

// Owned by the frame loop; a redraw request lives until the next drawing.
struct FramePacingState {
    bool redraw_requested = true;  // the first run draws
    uint32_t last_drawn_ms = 0;    // GetTickCount's clock
};
extern FramePacingState frame_pacing;

// What the drawing decision looks at, gathered for one run.
struct PacingFacts {
    bool camera_news = false;       // the shown camera: a new frame, lost or back
    bool other_news = false;        // the same of the other camera in use
    bool redraw_requested = false;
    bool second_changed = false;    // the clock's second differs from the drawn one
    bool animating = false;
    bool overdue = false;           // 1.5 frame periods without drawing
};
bool NeedsDrawing(const PacingFacts& facts);

// The pause after a run of `run_ms` with a camera of `frame_rate` frames a
// second (0 or less: unknown), at most `longest_ms`.
uint32_t PauseAfterRun(uint32_t run_ms, double frame_rate, uint32_t longest_ms);

// Something on screen moves by itself: a recording (its blinking label and
// its real-time pacing), a passing notice, a screenshot to write, the info
// panel unfolding or folding, the image-swap fade, and the shader views whose
// picture changes without a new frame (a vertex program that moves the
// picture, the model, the frame history).
bool Animating(uint32_t now_ms);

// Whether one and a half frame periods of a `frame_rate` camera (unknown:
// of the longest pause) have passed between `last_ms` and `now_ms`.
bool DrawingOverdue(uint32_t last_ms, uint32_t now_ms, double frame_rate, uint32_t longest_ms);

// Input, resizes, exposes and menus ask for the next run to draw.
void RequestRedraw();
// The facts of this moment (capture, clock, and the subsystems' states).
PacingFacts GatherPacingFacts(uint32_t now_ms);
// A drawing at `now_ms`: the request is served.
void NoteDrawing(uint32_t now_ms);
