#include "render/frame_loop.h"

#include <cstdio>

#include "app/app.h"
#include "app/window.h"
#include "render/render.h"
#include "render/shader.h"

FrameLoopState frame_loop;

static_assert(kGridRows == kGridSize - 1 && kGridStripVertices == 2 * kGridSize);

namespace {
constexpr float kTwoPi = 6.2831853071f;
constexpr float kWaveStep = 0.00001f;
constexpr float kAngleLimit = 1.57f;
}  // namespace

void CountFrame(time_t seconds, int milliseconds) {
    FrameLoopState& f = frame_loop;
    float elapsed = 0;
    if (f.fps_first_frame) {
        f.fps_start_seconds = seconds;
        f.fps_start_milliseconds = milliseconds;
        f.fps_first_frame = false;
    } else {
        elapsed = static_cast<float>(seconds - f.fps_start_seconds) +
                  static_cast<float>(milliseconds - f.fps_start_milliseconds) / 1000.0f;
    }
    f.fps_frame_count += 1;
    if (elapsed - f.fps_last_time > 1) {
        std::snprintf(f.fps_text, sizeof f.fps_text, "%i/%.0f", f.fps_frame_count,
                      app.video_frame_rate);
        f.fps_last_time = elapsed;
        f.fps_value = f.fps_frame_count;
        f.fps_frame_count = 0;
    }
}

const uint8_t* CurrentCameraFrame() {
    if (app.current_camera < 0 || app.current_camera > 1) return nullptr;
    return app.frame_buffer[app.current_camera];
}

void UpdateTextureExtents() {
    frame_loop.texture_extent_s = static_cast<float>(app.video_width) / kTextureSize;
    frame_loop.texture_extent_t = static_cast<float>(app.video_height) / kTextureSize;
}

void UpdateShaderRatios() {
    // Before the first frame size is known the ratios stay 0 rather than
    // becoming infinite.
    if (app.video_width <= 0 || app.video_height <= 0) return;
    const float w = static_cast<float>(app.video_width);
    const float h = static_cast<float>(app.video_height);
    frame_loop.shader_texel_x = 2 * (512 / w);
    frame_loop.shader_texel_y = 2 * (512 / h);
    // The effects draw in the picture's rectangle, not the whole window.
    const PictureRect picture = CurrentPictureRect();
    frame_loop.shader_window_ratio_x = 2 * static_cast<float>(picture.width) / w;
    frame_loop.shader_window_ratio_y = 2 * static_cast<float>(picture.height) / h;
}

bool PictureShownPixelForPixel() {
    const PictureRect picture = CurrentPictureRect();
    return app.zoom_scale == 1.0f && app.zoom_pan_x == 0 && app.zoom_pan_y == 0 &&
           picture.width == app.video_width && picture.height == app.video_height;
}

bool UsesFrameHistory() {
    const int p = app.pixel_program_index;
    return app.view_mode == kViewShader &&
           (p == kPixelGreyscaleMotion || p == kPixelMotionBlur || p == kPixelMotion);
}

bool UsesModelPass() {
    return app.view_mode == kViewShader && app.pixel_program_index == kPixelModels;
}

int HistoryTextureSlot() {
    // history_slot counts 1, 2, 3.
    return kSlotHistoryFirst - 1 + frame_loop.history_slot;
}

void AdvanceHistorySlot() { frame_loop.history_slot = frame_loop.history_slot % 3 + 1; }

void StepWaveVertex() {
    FrameLoopState& f = frame_loop;
    f.vertex_time += kWaveStep;
    if (f.vertex_time > kTwoPi) f.vertex_time = 0;
    if (f.swap_transition_running) {
        f.vertex_angle += kWaveStep;
        if (f.vertex_angle < -kAngleLimit || f.vertex_angle > kAngleLimit) f.vertex_angle = -f.vertex_angle;
    }
}

void StepSwapFadeRow() {
    FrameLoopState& f = frame_loop;
    if (!f.swap_transition_running) return;
    f.swap_transition_value += f.swap_transition_step;
    if (f.swap_transition_value > 100) {
        if (app.second_camera_enabled) app.current_camera = app.current_camera == 0 ? 1 : 0;
        f.swap_transition_step = -f.swap_transition_step;
    }
    if (f.swap_transition_value <= 1) {
        f.swap_transition_step = -f.swap_transition_step;
        f.swap_transition_running = false;
    }
}

void ComputeGridWave(float* wave) {
    const FrameLoopState& f = frame_loop;
    for (int row = 0; row < kGridRows; ++row) {
        for (int column = 0; column < kGridSize; ++column) {
            const float value[3] = {f.vertex_time, f.vertex_angle, f.swap_transition_value};
            if (wave)
                for (int vertex = 0; vertex < 2; ++vertex)
                    for (float component : value) *wave++ = component;
            StepWaveVertex();
        }
        StepSwapFadeRow();
    }
}

bool EffectNeedsGrid() {
    return app.vertex_program_index != kVertexNone || app.polygon_mode == GL_LINE;
}
