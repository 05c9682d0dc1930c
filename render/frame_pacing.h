// Frame pacing: whether a run of the frame loop draws, and how long it
// pauses after its run.
//
// A run draws when something on screen may have changed: a camera frame
// newer than the one shown (or a camera lost or back), a redraw asked for
// (a key, a click, a drag, a menu, a resize or an expose), the clock's second
// (the time panel, the caret, the per-second steps of motion detection and
// image swap), or something that moves by itself (see Animating).  Otherwise
// nothing is drawn and the picture on screen stays.
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
};
extern FramePacingState frame_pacing;

// What the drawing decision looks at, gathered for one run.
struct PacingFacts {
    bool camera_news = false;       // a new frame, a camera lost or back
    bool redraw_requested = false;
    bool second_changed = false;    // the clock's second differs from the drawn one
    bool animating = false;
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

// Input, resizes, exposes and menus ask for the next run to draw.
void RequestRedraw();
// The facts of this moment (capture, clock, and the subsystems' states).
PacingFacts GatherPacingFacts(uint32_t now_ms);
