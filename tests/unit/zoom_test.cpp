// Zoom step, frame count and the other GL-free steps of the frame routine.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "app/app_state.h"
#include "render/frame_loop.h"
#include "render/render.h"
#include "render/view.h"
#include "support/state_guard.h"

namespace {

class FrameStepsTest : public ::testing::Test {
protected:
    void SetUp() override { frame_loop = FrameLoopState{}; }
    ProgramStateGuard state_{ProgramStateGuard::kFresh};
};

// Unzoomed, with the pan back in the middle.
void ExpectZoomOff() {
    EXPECT_FALSE(app.zoom_on);
    EXPECT_FLOAT_EQ(app.zoom_scale, 1);
    EXPECT_EQ(app.zoom_factor, 0);
    EXPECT_FLOAT_EQ(app.zoom_pan_limit, 0);
    EXPECT_FLOAT_EQ(app.zoom_pan_x, 0);
    EXPECT_FLOAT_EQ(app.zoom_pan_y, 0);
}

TEST_F(FrameStepsTest, ZoomStepsTwoFourEightThenOffWithEverythingCleared) {
    const struct { float scale; int factor; float limit; } kSteps[] = {
        {2, 2, 16}, {4, 4, 24}, {8, 8, 28}};
    for (const auto& step : kSteps) {
        ZoomStep(true);
        EXPECT_TRUE(app.zoom_on);
        EXPECT_FLOAT_EQ(app.zoom_scale, step.scale);
        EXPECT_EQ(app.zoom_factor, step.factor);
        EXPECT_FLOAT_EQ(app.zoom_pan_limit, step.limit);
        app.zoom_pan_x = step.limit;  // panned to the edge
        app.zoom_pan_y = -step.limit;
        app.zoom_shift_x = 0.25f;
        app.zoom_shift_y = -0.5f;
    }
    ZoomStep(true);  // past 8x: off, pan and shift back to 0
    ExpectZoomOff();
    EXPECT_FLOAT_EQ(app.zoom_shift_x, 0);
    EXPECT_FLOAT_EQ(app.zoom_shift_y, 0);

    ZoomStep(true);  // and round again from the start
    EXPECT_FLOAT_EQ(app.zoom_scale, 2);
    EXPECT_EQ(app.zoom_factor, 2);
}

TEST_F(FrameStepsTest, ResetZoomKeepsTheShaderShift) {
    ZoomStep(true);
    ZoomStep(true);
    app.zoom_pan_x = 10;
    app.zoom_pan_y = -5;
    app.zoom_shift_x = 0.3f;
    app.zoom_shift_y = 0.1f;
    ResetZoom();
    ExpectZoomOff();
    EXPECT_FLOAT_EQ(app.zoom_shift_x, 0.3f);
    EXPECT_FLOAT_EQ(app.zoom_shift_y, 0.1f);
}

TEST_F(FrameStepsTest, FrameCountUpdatesOnceASecondWithTheCameraRate) {
    app.video_frame_rate = 30;
    const time_t t0 = 1000000;
    CountFrame(t0, 900);  // first run: start time, elapsed 0
    EXPECT_STREQ(frame_loop.fps_text, "");
    // 13 more frames within the first second.
    for (int i = 1; i <= 13; ++i) CountFrame(t0 + (900 + 70 * i) / 1000, (900 + 70 * i) % 1000);
    CountFrame(t0 + 1, 900);  // elapsed exactly 1: not yet above 1
    EXPECT_STREQ(frame_loop.fps_text, "");
    EXPECT_EQ(frame_loop.fps_frame_count, 15);
    CountFrame(t0 + 1, 950);
    EXPECT_STREQ(frame_loop.fps_text, "16/30");
    EXPECT_EQ(frame_loop.fps_value, 16);
    EXPECT_EQ(frame_loop.fps_frame_count, 0);
    EXPECT_NEAR(frame_loop.fps_last_time, 1.05f, 1e-4);

    CountFrame(t0 + 2, 0);  // 1.1 s (milliseconds below the start's): no update yet
    EXPECT_STREQ(frame_loop.fps_text, "16/30");
    CountFrame(t0 + 2, 100);
    CountFrame(t0 + 3, 0);    // 2.1 s: more than a second since 1.05
    EXPECT_STREQ(frame_loop.fps_text, "3/30");
    EXPECT_EQ(frame_loop.fps_value, 3);
}

TEST_F(FrameStepsTest, FpsTextRoundsTheCameraRate) {
    app.video_frame_rate = 29.97;
    CountFrame(0, 0);
    CountFrame(2, 0);
    EXPECT_STREQ(frame_loop.fps_text, "2/30");
}

TEST_F(FrameStepsTest, TextureExtentsAndShaderRatiosFollowFrameAndWindow) {
    app.video_width = 640;
    app.video_height = 480;
    app.window_width = 1280;
    app.window_height = 480;
    UpdateTextureExtents();
    UpdateShaderRatios();
    EXPECT_FLOAT_EQ(frame_loop.texture_extent_s, 0.3125f);
    EXPECT_FLOAT_EQ(frame_loop.texture_extent_t, 0.234375f);
    EXPECT_FLOAT_EQ(frame_loop.shader_texel_x, 1.6f);
    EXPECT_FLOAT_EQ(frame_loop.shader_texel_y, 2 * (512.0f / 480));
    EXPECT_FLOAT_EQ(frame_loop.shader_window_ratio_x, 4);
    EXPECT_FLOAT_EQ(frame_loop.shader_window_ratio_y, 2);
}

TEST_F(FrameStepsTest, NoFrameSizeYetGivesFiniteRatiosAndNoFrame) {
    UpdateTextureExtents();
    UpdateShaderRatios();
    EXPECT_FLOAT_EQ(frame_loop.texture_extent_s, 0);
    EXPECT_FLOAT_EQ(frame_loop.shader_texel_x, 0);
    EXPECT_FLOAT_EQ(frame_loop.shader_window_ratio_y, 0);
    EXPECT_EQ(CurrentCameraFrame(), nullptr);
    app.current_camera = 5;  // out of range never indexes past the table
    uint8_t pixel[4] = {};
    app.frame_buffer[0] = app.frame_buffer[1] = pixel;
    EXPECT_EQ(CurrentCameraFrame(), nullptr);
}

TEST_F(FrameStepsTest, HistoryRunsOnlyForTheMotionProgramsAndCyclesSlots) {
    for (int program = 0; program < 18; ++program) {
        app.pixel_program_index = program;
        app.view_mode = kViewShader;
        EXPECT_EQ(UsesFrameHistory(), program >= 9 && program <= 11) << program;
        app.view_mode = kViewNormal;
        EXPECT_FALSE(UsesFrameHistory());
    }
    std::string slots;
    for (int i = 0; i < 7; ++i) {
        slots += std::to_string(HistoryTextureSlot());
        AdvanceHistorySlot();
    }
    EXPECT_EQ(slots, "4564564");
}

// Runs the swap fade row by row, as the shader grid does, until it ends.
int RunSwapFade(int* camera_switches) {
    frame_loop.swap_transition_running = true;
    int rows = 0, last_camera = app.current_camera;
    *camera_switches = 0;
    while (frame_loop.swap_transition_running && rows < 100000) {
        for (int pair = 0; pair < kGridSize; ++pair) StepWaveVertex();
        StepSwapFadeRow();
        ++rows;
        if (app.current_camera != last_camera) ++*camera_switches;
        last_camera = app.current_camera;
        EXPECT_GE(frame_loop.vertex_angle, -1.58f);
        EXPECT_LE(frame_loop.vertex_angle, 1.58f);
    }
    return rows;
}

TEST_F(FrameStepsTest, SwapFadeSwitchesCameraOnceAndCanRunAgain) {
    app.second_camera_enabled = true;
    int switches = 0;
    for (int fade = 0; fade < 3; ++fade) {
        const int before = app.current_camera;
        const int rows = RunSwapFade(&switches);
        // Up by 0.1 a row to above 100, then back down to 1 or less.
        EXPECT_GT(rows, 1900);
        EXPECT_LT(rows, 2100);
        EXPECT_EQ(switches, 1);
        EXPECT_EQ(app.current_camera, 1 - before);
        EXPECT_FALSE(frame_loop.swap_transition_running);
        EXPECT_GT(frame_loop.swap_transition_step, 0);
    }
}

TEST_F(FrameStepsTest, SwapFadeWithOneCameraKeepsCameraZero) {
    int switches = 0;
    RunSwapFade(&switches);
    EXPECT_EQ(switches, 0);
    EXPECT_EQ(app.current_camera, 0);
    EXPECT_FALSE(frame_loop.swap_transition_running);
}

TEST_F(FrameStepsTest, WaveTimeWrapsAndAngleStaysStillWithoutFade) {
    frame_loop.vertex_time = 6.28318f;
    StepWaveVertex();  // above 2 pi: back to 0
    EXPECT_FLOAT_EQ(frame_loop.vertex_time, 0);
    EXPECT_FLOAT_EQ(frame_loop.vertex_angle, 0);
    frame_loop.swap_transition_running = true;
    frame_loop.vertex_angle = 1.57f;
    StepWaveVertex();  // above 1.57: bounces to the other side
    EXPECT_LT(frame_loop.vertex_angle, -1.56f);
}

// The grid drawn pair by pair, written out plainly: the wave value of each
// pair, then the counters stepped after each pair and each row.
std::vector<float> ReferenceGridWave() {
    FrameLoopState& f = frame_loop;
    std::vector<float> pairs;
    for (int row = 0; row < 128; ++row) {
        for (int column = 0; column < 129; ++column) {
            pairs.insert(pairs.end(), {f.vertex_time, f.vertex_angle, f.swap_transition_value});
            f.vertex_time += 0.00001f;
            if (f.vertex_time > 6.2831853071f) f.vertex_time = 0;
            if (f.swap_transition_running) {
                f.vertex_angle += 0.00001f;
                if (f.vertex_angle < -1.57f || f.vertex_angle > 1.57f) f.vertex_angle = -f.vertex_angle;
            }
        }
        if (f.swap_transition_running) {
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
    }
    return pairs;
}

// Bit-for-bit comparison of the counters after a frame.
void ExpectSameLoopState(const FrameLoopState& a, const FrameLoopState& b) {
    EXPECT_EQ(std::memcmp(&a.vertex_time, &b.vertex_time, sizeof(float)), 0) << a.vertex_time << " " << b.vertex_time;
    EXPECT_EQ(std::memcmp(&a.vertex_angle, &b.vertex_angle, sizeof(float)), 0) << a.vertex_angle << " " << b.vertex_angle;
    EXPECT_EQ(std::memcmp(&a.swap_transition_value, &b.swap_transition_value, sizeof(float)), 0)
        << a.swap_transition_value << " " << b.swap_transition_value;
    EXPECT_EQ(std::memcmp(&a.swap_transition_step, &b.swap_transition_step, sizeof(float)), 0)
        << a.swap_transition_step << " " << b.swap_transition_step;
    EXPECT_EQ(a.swap_transition_running, b.swap_transition_running);
}

// Runs ComputeGridWave and the reference from the same state for `frames`
// frames; every vertex value and the state after each frame must match.
void ExpectGridWaveLikeReference(int frames) {
    std::vector<float> wave(static_cast<size_t>(kGridVertexCount) * 3);
    for (int frame = 0; frame < frames; ++frame) {
        const FrameLoopState start_loop = frame_loop;
        const int start_camera = app.current_camera;
        const std::vector<float> pairs = ReferenceGridWave();
        const FrameLoopState reference_loop = frame_loop;
        const int reference_camera = app.current_camera;

        frame_loop = start_loop;
        app.current_camera = start_camera;
        ComputeGridWave(wave.data());
        ExpectSameLoopState(frame_loop, reference_loop);
        EXPECT_EQ(app.current_camera, reference_camera);
        ASSERT_EQ(pairs.size() * 2, wave.size());
        int mismatches = 0;
        for (size_t pair = 0; pair < pairs.size() / 3; ++pair)
            for (size_t vertex = 0; vertex < 2; ++vertex)
                mismatches += std::memcmp(&wave[(pair * 2 + vertex) * 3], &pairs[pair * 3], 3 * sizeof(float)) != 0;
        EXPECT_EQ(mismatches, 0) << "frame " << frame;
    }
}

TEST_F(FrameStepsTest, GridWaveWithoutFadeMatchesPairByPairDrawingAcrossTheTimeWrap) {
    frame_loop.vertex_time = 6.2831853071f - 0.05f;  // wraps in the fifth row
    frame_loop.vertex_angle = 0.3f;
    ExpectGridWaveLikeReference(3);
    EXPECT_LT(frame_loop.vertex_time, 1);
    EXPECT_FLOAT_EQ(frame_loop.vertex_angle, 0.3f);  // still without a fade
    EXPECT_FLOAT_EQ(frame_loop.swap_transition_value, 1);
}

TEST_F(FrameStepsTest, GridWaveMatchesThroughTheFadePeakAndEnd) {
    for (bool two_cameras : {false, true}) {
        SCOPED_TRACE(two_cameras ? "two cameras" : "one camera");
        app = Application{};
        frame_loop = FrameLoopState{};
        app.second_camera_enabled = two_cameras;
        frame_loop.swap_transition_running = true;
        frame_loop.swap_transition_value = 95;  // the peak within the first frame
        frame_loop.vertex_angle = 1.5699f;      // and the angle's bounce
        ExpectGridWaveLikeReference(2);
        EXPECT_EQ(app.current_camera, two_cameras ? 1 : 0);
        EXPECT_LT(frame_loop.swap_transition_step, 0);
        EXPECT_TRUE(frame_loop.swap_transition_running);

        // Near the end: the fade stops within the frame and the angle freezes.
        frame_loop.swap_transition_value = 3;
        ExpectGridWaveLikeReference(2);
        EXPECT_FALSE(frame_loop.swap_transition_running);
        EXPECT_GT(frame_loop.swap_transition_step, 0);
        EXPECT_EQ(app.current_camera, two_cameras ? 1 : 0);
    }
}

TEST_F(FrameStepsTest, EffectGridSpansMinus64To64) {
    FillEffectGrid();
    EXPECT_FLOAT_EQ(effect_grid[0][0][0], 64);
    EXPECT_FLOAT_EQ(effect_grid[0][0][1], 64);
    EXPECT_FLOAT_EQ(effect_grid[128][0][0], -64);
    EXPECT_FLOAT_EQ(effect_grid[3][128][1], -64);
    EXPECT_FLOAT_EQ(effect_grid[64][32][0], 0);
    EXPECT_FLOAT_EQ(effect_grid[64][32][1], 32);
    EXPECT_FLOAT_EQ(effect_grid[100][100][2], 0);
}

}  // namespace
