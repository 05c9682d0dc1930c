// When the frame loop draws and how long it pauses (render/frame_pacing.h).
#include <gtest/gtest.h>

#include "app/app.h"
#include "overlay/notices.h"
#include "overlay/overlay.h"
#include "record/record.h"
#include "render/frame_loop.h"
#include "render/frame_pacing.h"
#include "render/shader.h"
#include "support/state_guard.h"

namespace {

// Over every run time and the usual camera rates: the pause is never longer
// than the longest pause, a run and its pause fit the frame period, and the
// pause is the longest that does both.
TEST(FramePacingTest, PauseFitsTheFramePeriodAndTheLongestPause) {
    for (double rate : {5.0, 15.0, 25.0, 29.97, 30.0, 50.0, 60.0, 120.0})
        for (uint32_t run = 0; run < 250; ++run)
            for (uint32_t longest : {0u, 20u}) {
                const uint32_t pause = PauseAfterRun(run, rate, longest);
                const double period = 1000.0 / rate;
                EXPECT_LE(pause, longest);
                if (run < period) {
                    EXPECT_LE(run + pause, period) << rate << " fps, run " << run;
                    EXPECT_TRUE(pause == longest || run + pause + 1 > period);
                } else {
                    EXPECT_EQ(pause, 0u) << "a run longer than the period: no pause";
                }
            }
    EXPECT_EQ(PauseAfterRun(3, 0, 20), 20u) << "an unknown rate leaves the longest pause";
}

// Any change draws at once; the other camera and what moves by itself only
// when the shown camera's frames stop (1.5 periods: 50 ms at 30 fps; an
// unknown rate: 30 ms, of the longest pause).
TEST(FramePacingTest, AnyChangeDrawsAndNothingDrawsNothing) {
    EXPECT_FALSE(NeedsDrawing({}));
    for (int fact = 0; fact < 3; ++fact) {
        PacingFacts facts;
        (fact == 0 ? facts.camera_news : fact == 1 ? facts.redraw_requested : facts.second_changed) = true;
        EXPECT_TRUE(NeedsDrawing(facts)) << fact;
    }
    for (bool PacingFacts::*by_itself : {&PacingFacts::animating, &PacingFacts::other_news}) {
        PacingFacts facts;
        facts.*by_itself = true;
        EXPECT_FALSE(NeedsDrawing(facts));
        facts.overdue = true;
        EXPECT_TRUE(NeedsDrawing(facts));
    }
    EXPECT_FALSE(DrawingOverdue(1000, 1049, 30, 20));
    EXPECT_TRUE(DrawingOverdue(1000, 1050, 30, 20));
    EXPECT_TRUE(DrawingOverdue(UINT32_MAX - 10, 40, 30, 20)) << "across the counter's wrap";
    EXPECT_FALSE(DrawingOverdue(1000, 1029, 0, 20));
    EXPECT_TRUE(DrawingOverdue(1000, 1030, 0, 20));
}

// Each thing that moves by itself keeps the loop drawing; the normal view of
// a still camera does not.
TEST(FramePacingTest, WhatMovesByItselfKeepsDrawing) {
    ProgramStateGuard guard(ProgramStateGuard::kFresh);
    EXPECT_FALSE(Animating(1000));
    app.record_mode = kRecordNormal;
    EXPECT_TRUE(Animating(1000)) << "the blinking label and the recording's pacing";
    app.record_mode = kRecordOff;
    PostPassingNotice("saved", 1000);
    EXPECT_TRUE(Animating(1500));
    EXPECT_FALSE(Animating(1000 + kPassingNoticeMs + 1)) << "the notice has passed";
    overlay.info_panel_open = true;
    EXPECT_TRUE(Animating(5000)) << "unfolding";
    overlay.info_panel_ready = true;
    EXPECT_FALSE(Animating(5000));
    frame_loop.swap_transition_running = true;
    EXPECT_TRUE(Animating(5000));
    frame_loop.swap_transition_running = false;
    app.view_mode = kViewShader;
    EXPECT_FALSE(Animating(5000)) << "none / none shows the frame as it is";
    app.vertex_program_index = 1;
    EXPECT_TRUE(Animating(5000)) << "the wave moves";
    app.vertex_program_index = kVertexNone;
    app.pixel_program_index = kPixelModels;
    EXPECT_TRUE(Animating(5000)) << "the model moves";
}

}  // namespace
