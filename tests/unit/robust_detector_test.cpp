// The robust detector on drawn frames with camera noise, the masks of both
// detectors, and the robust detector's actions in the program.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <string>
#include <vector>

#include "app/app.h"
#include "input/menus.h"
#include "motion/classic_detector.h"
#include "motion/motion.h"
#include "motion/motion_mask.h"
#include "motion/robust_detector.h"
#include "replay/replay.h"
#include "support/fake_log.h"
#include "support/state_guard.h"
#include "support/test_support.h"
#include "tools/bmp_encode.h"

namespace {

constexpr int kW = 320, kH = 240;
constexpr double kFrameSeconds = 1.0 / 15;

// A textured wall under `light` with noise of deviation 3, and a dark box
// of `box` pixels at (x, y) when x >= 0.  BGRx, as the capture delivers.
struct Painter {
    uint32_t state = 99;
    float Noise() {
        float sum = 0;
        for (int i = 0; i < 12; ++i) {
            state ^= state << 13, state ^= state >> 17, state ^= state << 5;
            sum += static_cast<float>(state % 1000) / 1000.0f;
        }
        return 3.0f * (sum - 6.0f);
    }
    std::vector<uint8_t> Frame(float light, int x = -1, int y = 0, int box = 24) {
        std::vector<uint8_t> f(size_t{kW} * kH * 4);
        for (int py = 0; py < kH; ++py)
            for (int px = 0; px < kW; ++px) {
                const bool in_box = x >= 0 && px >= x && px < x + box && py >= y && py < y + box;
                const float base = in_box ? 40.0f : 120.0f + 50.0f * px / kW + ((px * 7 + py * 13) % 11);
                for (int c = 0; c < 3; ++c)
                    f[(size_t{static_cast<size_t>(py)} * kW + px) * 4 + c] =
                        static_cast<uint8_t>(std::clamp(std::lround(base * light + Noise()), 0L, 255L));
            }
        return f;
    }
};

struct Detection {
    RobustDetector detector;
    RobustSettings settings;
    std::vector<uint8_t> weights;
    uint32_t generation = 1;
    RobustReading Step(const std::vector<uint8_t>& frame, double seconds) {
        return RobustStep(detector, settings, frame.data(), kW, kH, seconds, 0.18f,
                          weights.empty() ? nullptr : weights.data(), generation);
    }
};

// Light that jumps and ramps by 30 % is never motion, nor is the noise; a
// box of 24 x 24 pixels crossing from 9 s to 11 s is one event that starts
// within the minimum frames' time and ends with the box.
TEST(RobustDetectorTest, LightAndNoiseAreStillAndACrossingBoxIsOneEvent) {
    Painter painter;
    Detection run;
    int events = 0;
    double started = -1, ended = -1;
    for (double t = 0; t < 13; t += kFrameSeconds) {
        const float light = t < 3 ? 1.0f : t < 5 ? 1.0f + 0.15f * static_cast<float>(t - 3)
                          : t < 6 ? 1.3f : t < 7.5 ? 0.7f : 1.0f;
        const bool box = t >= 9 && t < 11;
        const RobustReading r = run.Step(painter.Frame(light, box ? static_cast<int>(20 + 120 * (t - 9)) : -1, 100), t);
        if (t < 9) {
            ASSERT_EQ(r.value, 0.0f) << "at " << t << " s, light " << light;
        }
        if (r.event_started) ++events, started = t;
        if (r.event_ended) ended = run.detector.last_motion_seconds;
    }
    EXPECT_EQ(events, 1);
    EXPECT_GE(started, 9.0);
    EXPECT_LE(started, 9.0 + run.settings.min_frames * run.settings.analysis_period + 2 * kFrameSeconds);
    EXPECT_NEAR(ended, 11.0, 0.25);
    EXPECT_FALSE(run.detector.event_running);
}

// A box in the first frame that then leaves would stay as a ghost in the
// reference; standing still, the ghost joins the reference and the event
// ends within absorb_seconds and the gap.
TEST(RobustDetectorTest, AGhostOfTheFirstFrameFades) {
    Painter painter;
    Detection run;
    double ended = -1;
    for (double t = 0; t < 8; t += kFrameSeconds) {
        const int x = t < 1 ? 20 : t < 2 ? static_cast<int>(20 + 200 * (t - 1)) : -1;
        const RobustReading r = run.Step(painter.Frame(1.0f, x, 100), t);
        if (r.event_ended) ended = t;
    }
    EXPECT_GT(ended, 2.0);
    EXPECT_LE(ended, 2.0 + run.settings.absorb_seconds + run.settings.event_gap + 0.5);
    EXPECT_FALSE(run.detector.event_running);
}

// Black ignores, grey counts in proportion: the same box under a black, a
// grey and a white half of the mask.
TEST(RobustDetectorTest, MaskWeighsTheMovingShare) {
    auto peak_under = [](uint8_t left_half) {
        Painter painter;
        Detection run;
        run.weights.assign(size_t{kW} * kH, 255);
        for (int y = 0; y < kH; ++y)
            for (int x = 0; x < kW / 2; ++x) run.weights[size_t{static_cast<size_t>(y)} * kW + x] = left_half;
        float peak = 0;
        for (double t = 0; t < 4; t += kFrameSeconds) {
            const int x = t < 2 ? -1 : static_cast<int>(10 + 40 * (t - 2));
            peak = std::max(peak, run.Step(painter.Frame(1.0f, x, 100, 32), t).value);
        }
        return peak;
    };
    const float white = peak_under(255), grey = peak_under(128), black = peak_under(0);
    EXPECT_GT(white, 0.5f);
    EXPECT_EQ(black, 0.0f);
    // The grey half counts half; the watched area shrinks by a quarter.
    EXPECT_NEAR(grey, white * 0.5f / 0.75f, white * 0.1f);
}

TEST(ClassicDetectorTest, MaskWeighsDifferingPixels) {
    const int w = 8, h = 4;
    std::vector<uint8_t> a(size_t{w} * h * 4, 10), b = a;
    for (int y = 0; y < h; ++y) b[(size_t{static_cast<size_t>(y)} * w + 6) * 4] = 11;  // one column, right half
    std::vector<uint8_t> white(size_t{w} * h, 255), left_black = white;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w / 2; ++x) left_black[size_t{static_cast<size_t>(y)} * w + x] = 0;
    auto measure = [&](const uint8_t* weights) {
        ClassicSnapshots s;
        float pcd = -1;
        ClassicMeasure(s, w, h, a.data(), weights, &pcd);
        ClassicMeasure(s, w, h, b.data(), weights, &pcd);
        std::free(s.motion_snapshot);
        std::free(s.motion_snapshot_previous);
        return pcd;
    };
    EXPECT_FLOAT_EQ(measure(nullptr), 25.0f / 8);
    EXPECT_FLOAT_EQ(measure(white.data()), 25.0f / 8);
    EXPECT_FLOAT_EQ(measure(left_black.data()), 25.0f / 4);  // a share of the watched half
}

TEST(MotionMaskTest, LoadsScalesAndRefusesWhatMarksNoArea) {
    ScriptedDialogs dialogs;
    const std::string folder = MakeTempDir("lumora-mask");
    // 2 x 2, bottom row first: black bottom left, grey bottom right, white top.
    bmp_encode::Picture quad{2, 2, {{0, 0, 0}, {128, 128, 128}, {255, 255, 255}, {255, 255, 255}}, {}, {}};
    ASSERT_TRUE(bmp_encode::WriteFile(folder + "/quad.bmp", bmp_encode::Encode(quad, {})));
    MotionMask mask;
    ASSERT_TRUE(LoadMotionMask((folder + "/quad.bmp").c_str(), &mask));
    const uint8_t* weights = MotionMaskWeights(mask, 4, 6);
    ASSERT_NE(weights, nullptr);
    EXPECT_EQ(weights[0], 0);               // bottom left
    EXPECT_EQ(weights[2 * 4 + 3], 128);     // bottom right, third row
    EXPECT_EQ(weights[3 * 4 + 0], 255);     // top half
    EXPECT_TRUE(dialogs.boxes.empty());

    bmp_encode::Picture dot{1, 1, {{255, 255, 255}}, {}, {}};
    ASSERT_TRUE(bmp_encode::WriteFile(folder + "/dot.bmp", bmp_encode::Encode(dot, {})));
    EXPECT_FALSE(LoadMotionMask((folder + "/dot.bmp").c_str(), &mask));
    EXPECT_EQ(MotionMaskWeights(mask, 4, 6), nullptr);
    EXPECT_FALSE(LoadMotionMask((folder + "/none.bmp").c_str(), &mask));
    ASSERT_EQ(dialogs.boxes.size(), 2u);
    EXPECT_NE(dialogs.boxes[0].text.find("1 x 1"), std::string::npos) << dialogs.boxes[0].text;
    EXPECT_NE(dialogs.boxes[1].text.find("Failed to open DIB file"), std::string::npos);
}

TEST(ReplayTest, OptionsAndClassicEvents) {
    ReplayOptions o;
    const char* args[] = {"lumora-replay", "--detector", "robust", "--threshold", "0.5", "--interval", "2",
                          "--mask", "m.bmp", "clip.avi"};
    EXPECT_EQ(ParseReplayOptions(10, args, &o), "");
    EXPECT_EQ(o.detector, kDetectorRobust);
    EXPECT_FLOAT_EQ(o.threshold, 0.5f);
    EXPECT_EQ(o.interval, 2.0);
    EXPECT_EQ(o.mask, "m.bmp");
    EXPECT_EQ(o.file, "clip.avi");
    ReplayOptions refused;
    const char* bad[] = {"lumora-replay", "--interval", "0", "clip.avi"};
    EXPECT_NE(ParseReplayOptions(4, bad, &refused), "");
    const char* none[] = {"lumora-replay"};
    EXPECT_EQ(ParseReplayOptions(1, none, &refused), "no file given");

    // Classic at 1-second measurements: the frames change at 2 s and 3 s;
    // the change of the PCD fires at 2 s and again at 4 s, when the frames
    // stop changing.
    ReplaySession session;
    StartReplay(session, ReplayOptions{});
    std::vector<uint8_t> frames[3] = {std::vector<uint8_t>(64, 1), std::vector<uint8_t>(64, 2),
                                      std::vector<uint8_t>(64, 3)};
    char* text = nullptr;
    size_t length = 0;
    FILE* out = open_memstream(&text, &length);
    for (int i = 0; i <= 60; ++i) {
        const int which = i < 30 ? 0 : i < 45 ? 1 : 2;
        ReplayFrame(session, frames[which].data(), 4, 4, i / 15.0, out);
    }
    FinishReplay(session, out);
    std::fclose(out);
    EXPECT_EQ(std::string(text), "1.00 0.000 0\n2.00 25.000 1\n3.00 0.000 0\n4.00 25.000 1\n"
                                 "events: 2\nevent 2.00 2.00\nevent 4.00 4.00\n");
    std::free(text);
}

size_t Alarms() {
    size_t count = 0;
    for (const std::string& call : FakeCalls()) count += call.rfind("StartSound", 0) == 0;
    return count;
}

// In the program: an event's start fires the actions at once, each interval
// while it runs fires them again, and the meter shows the interval's peak.
TEST(RobustInProgramTest, ActionsAtTheStartAndEveryInterval) {
    ProgramStateGuard state;
    ClearFakeCalls();
    Painter painter;
    app.video_width = kW, app.video_height = kH;
    app.motion_detector = kDetectorRobust;
    app.motion_alarm_on = true;
    RobustReset(motion.robust);
    std::vector<uint8_t> frame;
    app.frame_buffer[0] = nullptr;
    EXPECT_FALSE(EndRobustMeasurement());
    int alarms_at_start = -1;
    uint32_t tick = 1000;
    for (int second = 0; second < 4; ++second) {
        for (int step = 0; step < 15; ++step, tick += 67) {
            const double t = second + step / 15.0;
            frame = painter.Frame(1.0f, t < 2 ? -1 : static_cast<int>(10 + 60 * (t - 2)), 80, 32);
            app.frame_buffer[0] = frame.data();
            FeedRobustDetector(tick);
            if (motion.robust.event_running && alarms_at_start < 0) alarms_at_start = static_cast<int>(Alarms());
        }
        EXPECT_TRUE(EndRobustMeasurement());
        if (second < 2) {
            EXPECT_EQ(app.pcd_change, 0.0f);
        }
    }
    EXPECT_GT(app.pcd_change, 0.18f);
    EXPECT_EQ(alarms_at_start, 1);  // at the start, not a tick later
    // Started in second 2 (fired then, not again at its end), fired again at second 3's end.
    EXPECT_EQ(Alarms(), 2u);
    app.frame_buffer[0] = nullptr;
    RobustReset(motion.robust);
}

}  // namespace

namespace {

// The Motion menu's added entries: the detector's label shows it, the mask
// chooser loads a mask (or says why not and leaves none), the tint switches.
TEST(MotionMenuTest, DetectorMaskAndTintEntries) {
    ProgramStateGuard state;
    ScriptedDialogs dialogs;
    app.motion_detector = kDetectorClassic;
    EXPECT_TRUE(RunMenuEntry("Motion", "Motion Detector: Classic"));
    EXPECT_EQ(app.motion_detector, kDetectorRobust);
    EXPECT_TRUE(RunMenuEntry("Motion", "Motion Detector: Robust"));
    EXPECT_EQ(app.motion_detector, kDetectorClassic);

    const std::string folder = MakeTempDir("lumora-menu-mask");
    bmp_encode::Picture quad{2, 2, {{0, 0, 0}, {255, 255, 255}, {255, 255, 255}, {255, 255, 255}}, {}, {}};
    ASSERT_TRUE(bmp_encode::WriteFile(folder + "/quad.bmp", bmp_encode::Encode(quad, {})));
    dialogs.ChooseFile(folder + "/quad.bmp");
    EXPECT_TRUE(RunMenuEntry("Motion", "Load Motion Mask File"));
    EXPECT_EQ(std::string(app.motion_mask_file), folder + "/quad.bmp");
    EXPECT_TRUE(MotionMaskLoaded(motion.mask));
    EXPECT_FALSE(motion.mask_failed);

    dialogs.ChooseFile(folder + "/gone.bmp");
    RunMenuEntry("Motion", "Load Motion Mask File");
    EXPECT_FALSE(MotionMaskLoaded(motion.mask));
    EXPECT_TRUE(motion.mask_failed);
    ASSERT_EQ(dialogs.boxes.size(), 1u);
    EXPECT_NE(dialogs.boxes[0].text.find("gone.bmp"), std::string::npos);

    RunMenuEntry("Motion", "Remove Motion Mask");
    EXPECT_STREQ(app.motion_mask_file, "");
    EXPECT_FALSE(motion.mask_failed);
    const bool tint = app.motion_tint_on;
    RunMenuEntry("Motion", "Motion Tint ON/OFF");
    EXPECT_NE(app.motion_tint_on, tint);
}

}  // namespace
