// The frame routine (display and idle callback) and the zoom step.
#pragma once

#include <cstdint>
#include <ctime>

struct FrameLoopState {
    float texture_extent_s = 0, texture_extent_t = 0;
    int32_t history_slot = 1;
    float shader_texel_x = 0, shader_texel_y = 0;
    float shader_window_ratio_x = 0, shader_window_ratio_y = 0;
    float vertex_time = 0;
    float vertex_angle = 0;
    float swap_transition_value = 1.0f;
    float swap_transition_step = 0.1f;
    bool swap_transition_running = false;
    bool fps_first_frame = true;
    time_t fps_start_seconds = 0;
    int fps_start_milliseconds = 0;
    int32_t fps_frame_count = 0;
    float fps_last_time = 0;
    int32_t fps_value = 0;
    char fps_text[64] = "";
};
extern FrameLoopState frame_loop;

// One run: fetch, draw, overlay, record, count, swap, sleep 20 ms.
void FrameRoutine();

// advance: 2x -> 4x -> 8x -> off.  !advance: reset zoom (shift kept).
void ZoomStep(bool advance);
inline void ResetZoom() { ZoomStep(false); }

// Frame count step (frame routine step 20) for a given time sample.
void CountFrame(time_t seconds, int milliseconds);
