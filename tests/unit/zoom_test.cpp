// Zoom step, frame count and the other GL-free steps of the frame routine.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include "app/app.h"
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
    // The effects draw in the picture's rectangle: 640 x 480 between bars.
    EXPECT_FLOAT_EQ(frame_loop.shader_window_ratio_x, 2);
    EXPECT_FLOAT_EQ(frame_loop.shader_window_ratio_y, 2);
    app.window_height = 960;  // the camera's shape: the whole window
    UpdateShaderRatios();
    EXPECT_FLOAT_EQ(frame_loop.shader_window_ratio_x, 4);
    EXPECT_FLOAT_EQ(frame_loop.shader_window_ratio_y, 4);
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
        EXPECT_EQ(UsesModelPass(), program == 16) << program;
        app.view_mode = kViewNormal;
        EXPECT_FALSE(UsesFrameHistory());
        EXPECT_FALSE(UsesModelPass());
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

constexpr int kPairsPerRow = 129;    // vertex pairs of one grid row
constexpr float kPairStep = 0.00001f;  // wave time and angle, per pair

// The wave values the grid gets, one triple per vertex pair; both vertices
// of a pair must carry the same.
struct PairWave {
    float time, angle, value;
};
std::vector<PairWave> ComputeGridPairs() {
    std::vector<float> wave(static_cast<size_t>(kGridVertexCount) * 3);
    ComputeGridWave(wave.data());
    std::vector<PairWave> pairs;
    for (size_t v = 0; v < wave.size(); v += 6) {
        EXPECT_EQ(std::memcmp(&wave[v], &wave[v + 3], 3 * sizeof(float)), 0) << "pair " << v / 6;
        pairs.push_back({wave[v], wave[v + 1], wave[v + 2]});
    }
    EXPECT_EQ(pairs.size(), size_t{128} * kPairsPerRow);
    return pairs;
}

// The swap value of each row: every pair of a row carries the same.
std::vector<float> RowValues(const std::vector<PairWave>& pairs) {
    std::vector<float> rows;
    for (size_t k = 0; k < pairs.size(); ++k) {
        if (k % kPairsPerRow == 0)
            rows.push_back(pairs[k].value);
        else
            EXPECT_EQ(pairs[k].value, rows.back()) << "pair " << k;
    }
    return rows;
}

TEST_F(FrameStepsTest, GridWaveWithoutFadeStepsOnlyTheTimeAcrossItsWrap) {
    frame_loop.vertex_time = 6.2831853f - 0.05f;  // wraps about 5000 pairs in
    frame_loop.vertex_angle = 0.3f;
    int wraps = 0, wrap_pair = -1, uneven = 0, still_moved = 0;
    for (int frame = 0; frame < 3; ++frame) {
        const float start = frame_loop.vertex_time;
        const std::vector<PairWave> pairs = ComputeGridPairs();
        EXPECT_EQ(pairs.front().time, start);
        for (size_t k = 1; k < pairs.size(); ++k) {
            if (pairs[k].time == 0) {
                ++wraps;
                wrap_pair = static_cast<int>(frame * pairs.size() + k);
            } else if (std::fabs(pairs[k].time - pairs[k - 1].time - kPairStep) > 1e-6f) {
                ++uneven;
            }
        }
        for (const PairWave& pair : pairs) still_moved += pair.angle != 0.3f || pair.value != 1.0f;
        // The next frame goes on one step past the last pair.
        EXPECT_NEAR(frame_loop.vertex_time, pairs.back().time + kPairStep, 1e-6);
    }
    EXPECT_EQ(wraps, 1);
    EXPECT_NEAR(wrap_pair, 5000, 50);
    EXPECT_EQ(uneven, 0);
    EXPECT_EQ(still_moved, 0) << "angle or swap value changed without a fade";
    EXPECT_FALSE(frame_loop.swap_transition_running);
}

TEST_F(FrameStepsTest, GridWaveThroughTheFadePeakAndEnd) {
    for (bool two_cameras : {false, true}) {
        SCOPED_TRACE(two_cameras ? "two cameras" : "one camera");
        app = Application{};
        frame_loop = FrameLoopState{};
        app.second_camera_enabled = two_cameras;
        frame_loop.swap_transition_running = true;
        frame_loop.swap_transition_value = 95;  // the peak within the first frame
        frame_loop.vertex_angle = 1.5699f;      // and the angle's bounce

        // Up 0.1 a row to the first value above 100, then down 0.1 a row.
        const std::vector<PairWave> pairs = ComputeGridPairs();
        const std::vector<float> rising = RowValues(pairs);
        const size_t peak = std::max_element(rising.begin(), rising.end()) - rising.begin();
        EXPECT_EQ(rising[0], 95.0f);
        ASSERT_GT(peak, 0u);
        EXPECT_GT(rising[peak], 100.0f);
        EXPECT_LE(rising[peak - 1], 100.0f);
        for (size_t r = 1; r < rising.size(); ++r)
            EXPECT_NEAR(rising[r] - rising[r - 1], r <= peak ? 0.1f : -0.1f, 1e-4) << "row " << r;
        EXPECT_EQ(app.current_camera, two_cameras ? 1 : 0);
        EXPECT_LT(frame_loop.swap_transition_step, 0);
        EXPECT_TRUE(frame_loop.swap_transition_running);
        // The angle climbs a step a pair; past 1.57 it turns to its negative, once.
        int bounces = 0;
        for (size_t k = 1; k < pairs.size(); ++k) {
            const float step = pairs[k].angle - pairs[k - 1].angle;
            if (step < 0) {
                ++bounces;
                EXPECT_LT(pairs[k].angle, -1.57f);
                EXPECT_NEAR(pairs[k].angle, -(pairs[k - 1].angle + kPairStep), 1e-6);
            } else {
                ASSERT_NEAR(step, kPairStep, 1e-6) << "pair " << k;
            }
        }
        EXPECT_EQ(bounces, 1);

        // Near the end: down to 1 or less, where the fade stops and the
        // angle and value freeze.
        frame_loop.swap_transition_value = 3;
        const std::vector<PairWave> ending = ComputeGridPairs();
        const std::vector<float> falling = RowValues(ending);
        const size_t end = std::find_if(falling.begin(), falling.end(), [](float v) { return v <= 1; }) -
                           falling.begin();
        EXPECT_EQ(falling[0], 3.0f);
        EXPECT_NEAR(static_cast<double>(end), 20, 1);
        for (size_t r = 1; r < falling.size(); ++r)
            EXPECT_NEAR(falling[r] - falling[r - 1], r <= end ? -0.1f : 0.0f, 1e-4) << "row " << r;
        const size_t first_frozen = end * kPairsPerRow;
        for (size_t k = first_frozen; k < ending.size(); ++k)
            ASSERT_EQ(ending[k].angle, ending[first_frozen].angle) << "pair " << k;
        EXPECT_NE(ending[first_frozen - 1].angle, ending[first_frozen].angle);
        EXPECT_FALSE(frame_loop.swap_transition_running);
        EXPECT_GT(frame_loop.swap_transition_step, 0);
        EXPECT_EQ(app.current_camera, two_cameras ? 1 : 0);
    }
}

TEST_F(FrameStepsTest, EffectGridSpansMinus64To64) {
    FillEffectGrid();
    EXPECT_FLOAT_EQ(render.effect_grid[0][0][0], 64);
    EXPECT_FLOAT_EQ(render.effect_grid[0][0][1], 64);
    EXPECT_FLOAT_EQ(render.effect_grid[128][0][0], -64);
    EXPECT_FLOAT_EQ(render.effect_grid[3][128][1], -64);
    EXPECT_FLOAT_EQ(render.effect_grid[64][32][0], 0);
    EXPECT_FLOAT_EQ(render.effect_grid[64][32][1], 32);
    EXPECT_FLOAT_EQ(render.effect_grid[100][100][2], 0);
}

}  // namespace
