#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <vector>

#include "app/app.h"
#include "capture/capture.h"
#include "input/menus.h"
#include "motion/motion.h"
#include "overlay/overlay.h"
#include "support/state_guard.h"
#include "support/fake_log.h"
#include "support/fake_sound.h"

namespace {

using Frame = std::vector<uint8_t>;

Frame MakeFrame(int width, int height, uint8_t fill = 0x40) {
    return Frame(static_cast<size_t>(width) * height * 4, fill);
}

// Changes every byte of the first `count` pixels, starting at pixel `first`.
Frame WithChangedPixels(Frame frame, size_t first, size_t count) {
    for (size_t p = first; p < first + count; ++p)
        for (int b = 0; b < 4; ++b) frame[4 * p + b] ^= 0xFF;
    return frame;
}

class MotionTest : public ::testing::Test {
protected:
    void SetUp() override {
        motion.motion_primed = false;
        overlay.pcd_history_length = 60;  // as the statistics graph sets it
        ClearFakeCalls();
    }
    void TearDown() override {
        motion.motion_primed = false;
        capture.lost[0] = capture.lost[1] = false;
    }
    bool Measure(const Frame& frame, int width = 10, int height = 10) {
        return MeasureMotion(width, height, frame.data());
    }
    std::vector<std::string> StartedSounds() {
        std::vector<std::string> started;
        for (const auto& call : FakeCalls())
            if (call.rfind("StartSound", 0) == 0) started.push_back(call);
        return started;
    }
    ProgramStateGuard state_;
};

TEST_F(MotionTest, FirstMeasurementOnlyPrimes) {
    app.motion_shot_on = app.motion_alarm_on = app.motion_record_on = true;
    EXPECT_FALSE(Measure(MakeFrame(10, 10)));  // nothing for the statistics history
    EXPECT_TRUE(motion.motion_primed);
    EXPECT_EQ(app.pcd, 0.0f);
    EXPECT_EQ(app.pcd_change, 0.0f);
    EXPECT_FALSE(app.motion_shot_pending);
    EXPECT_TRUE(StartedSounds().empty());
}

TEST_F(MotionTest, IdenticalFramesGiveZeroAndAllDifferentGiveTwentyFive) {
    const Frame still = MakeFrame(10, 10);
    Measure(still);
    Measure(still);
    EXPECT_EQ(app.pcd, 0.0f);
    // The divisor is the byte count: every pixel differing is 25, not 100.
    Measure(MakeFrame(10, 10, 0x41));
    EXPECT_FLOAT_EQ(app.pcd, 25.0f);
    EXPECT_FLOAT_EQ(app.pcd_previous, 0.0f);
    EXPECT_FLOAT_EQ(app.pcd_change, 25.0f);
}

TEST_F(MotionTest, TenPercentChangeThenSteadyChangeRate) {
    app.motion_shot_on = true;
    const Frame steady = MakeFrame(10, 10);
    Measure(steady);
    Measure(steady);
    ASSERT_FALSE(app.motion_shot_pending);

    const Frame changed = WithChangedPixels(steady, 0, 10);
    Measure(changed);
    EXPECT_FLOAT_EQ(app.pcd, 2.5f);
    EXPECT_FLOAT_EQ(app.pcd_change, 2.5f);
    EXPECT_TRUE(app.motion_shot_pending);

    // Again 10 % differ from the last snapshot: the PCD holds, no change.
    app.motion_shot_pending = false;
    Measure(WithChangedPixels(changed, 50, 10));
    EXPECT_FLOAT_EQ(app.pcd, 2.5f);
    EXPECT_FLOAT_EQ(app.pcd_change, 0.0f);
    EXPECT_FALSE(app.motion_shot_pending);
}

TEST_F(MotionTest, ThresholdIsReachedAtEquality) {
    app.motion_shot_on = true;
    const Frame steady = MakeFrame(10, 10);
    const Frame changed = WithChangedPixels(steady, 0, 10);
    Measure(steady);
    Measure(steady);
    app.motion_max = 2.5f;  // exactly the change that follows
    Measure(changed);
    ASSERT_EQ(app.pcd_change, 2.5f);
    EXPECT_TRUE(app.motion_shot_pending);

    app.motion_shot_pending = false;
    app.motion_max = std::nextafter(2.5f, 3.0f);
    Measure(steady);  // 10 % differ again: PCD 2.5, no change
    Measure(steady);  // still: PCD 0, a change of 2.5, now just below
    EXPECT_FLOAT_EQ(app.pcd_change, 2.5f);
    EXPECT_FALSE(app.motion_shot_pending);
}

TEST_F(MotionTest, ActionsFollowTheirSwitches) {
    const Frame a = MakeFrame(10, 10), b = MakeFrame(10, 10, 0x00);
    app.alarm_sound = 3;
    Measure(a);

    // None enabled: nothing fires.
    Measure(b);
    EXPECT_FALSE(app.motion_shot_pending);
    EXPECT_FALSE(app.motion_recording);
    EXPECT_TRUE(StartedSounds().empty());

    // Only the alarm.
    app.motion_alarm_on = true;
    Measure(b);  // 25 -> 0 is a change of 25 again
    EXPECT_FALSE(app.motion_shot_pending);
    EXPECT_FALSE(app.motion_recording);
    EXPECT_EQ(StartedSounds(), std::vector<std::string>{"StartSound 3"});

    // All three, the alarm last: shot and record are already set when it
    // starts.  It starts again while the first may still sound.
    app.motion_shot_on = app.motion_record_on = true;
    bool shot_before_alarm = false, record_before_alarm = false;
    on_fake_start_sound = [&](int) {
        shot_before_alarm = app.motion_shot_pending;
        record_before_alarm = app.motion_recording;
    };
    Measure(a);
    on_fake_start_sound = nullptr;
    EXPECT_TRUE(app.motion_shot_pending);
    EXPECT_TRUE(app.motion_recording);
    EXPECT_TRUE(shot_before_alarm);
    EXPECT_TRUE(record_before_alarm);
    EXPECT_EQ(StartedSounds().size(), 2u);
}

TEST_F(MotionTest, HistoryCursorWrapsAfterTheGraphLength) {
    overlay.pcd_history_length = 60;
    overlay.pcd_history_cursor = 59;
    AdvancePcdHistory();
    EXPECT_EQ(overlay.pcd_history_cursor, 60);
    AdvancePcdHistory();
    EXPECT_EQ(overlay.pcd_history_cursor, 0);
    AdvancePcdHistory();
    EXPECT_EQ(overlay.pcd_history_cursor, 1);
}

TEST_F(MotionTest, EveryByteAndBitCountsWithoutTolerance) {
    // 7 x 3 pixels: not a multiple of the vector width, so the tail is used.
    const Frame base = MakeFrame(7, 3);
    for (size_t pixel : {size_t{0}, size_t{5}, size_t{20}}) {
        for (int byte = 0; byte < 4; ++byte) {
            motion.motion_primed = false;
            app.pcd = 0;
            Measure(base, 7, 3);
            Frame changed = base;
            changed[4 * pixel + byte] ^= 0x01;
            Measure(changed, 7, 3);
            EXPECT_FLOAT_EQ(app.pcd, 100.0f / 84.0f) << "pixel " << pixel << " byte " << byte;
        }
    }
}

TEST_F(MotionTest, FramesLargerThanFourMebibytesWork) {
    for (auto [w, h] : {std::pair{1280, 1024}, std::pair{1920, 1080}, std::pair{640, 480}}) {
        motion.motion_primed = false;
        app.pcd = 0;
        const Frame a = MakeFrame(w, h);
        Measure(a, w, h);
        // A quarter of the rows changed: a PCD of 25 / 4.
        Measure(WithChangedPixels(a, 0, static_cast<size_t>(w) * h / 4), w, h);
        EXPECT_FLOAT_EQ(app.pcd, 6.25f) << w << "x" << h;
        EXPECT_GE(motion.snapshot_capacity, static_cast<size_t>(w) * h * 4);
    }
}

TEST_F(MotionTest, NoFrameYetIsNoMeasurement) {
    MeasureMotion(640, 480, nullptr);
    EXPECT_FALSE(motion.motion_primed);
}

// The timer, driven through ReadClock-like second steps.
class TimerTest : public MotionTest {
protected:
    void SetUp() override {
        MotionTest::SetUp();
        app.video_width = 4;
        app.video_height = 4;
        frame_ = MakeFrame(4, 4);
        app.frame_buffer[0] = app.frame_buffer[1] = frame_.data();
        app.clock_second = motion.clock_second_previous = 10;
        app.motion_interval = 1000;  // no measurement unless a test asks
    }
    // One run of the frame routine whose clock reads `second`.
    TimerStep Run(int second) {
        motion.clock_second_previous = app.clock_second;
        app.clock_second = second;
        return PerSecondTimer();
    }
    void Ticks(int count) {
        for (int i = 0; i < count; ++i) Run((app.clock_second + 1) % 60);
    }
    Frame frame_;
};

TEST_F(TimerTest, OnlyAStepOfExactlyOneSecondTicks) {
    Run(11);
    EXPECT_EQ(app.swap_counter, 1);
    Run(11);  // same second, later frame
    Run(13);  // a skipped second
    EXPECT_EQ(app.swap_counter, 1);
    app.clock_second = 59;
    Run(0);  // the minute wraps: -59, no tick
    EXPECT_EQ(app.swap_counter, 1);
    Run(1);
    EXPECT_EQ(app.swap_counter, 2);
}

TEST_F(TimerTest, MeasuresEveryIntervalTicks) {
    app.motion_interval = 5;
    Ticks(4);
    EXPECT_FALSE(motion.motion_primed);
    EXPECT_EQ(motion.motion_check_counter, 4);
    Ticks(1);
    EXPECT_TRUE(motion.motion_primed);
    EXPECT_EQ(motion.motion_check_counter, 0);
    Ticks(4);
    EXPECT_TRUE(Run(app.clock_second + 1).measured);  // second measurement compared
}

TEST_F(TimerTest, MotionRecordingEndsAfterItsDuration) {
    app.motion_record_duration = 10;
    app.motion_recording = true;
    Ticks(9);
    EXPECT_TRUE(app.motion_recording);
    EXPECT_EQ(app.motion_record_elapsed, 9);
    Ticks(1);
    EXPECT_FALSE(app.motion_recording);
    EXPECT_EQ(app.motion_record_elapsed, 0);
    // Idle ticks keep the count at zero.
    Ticks(3);
    EXPECT_EQ(app.motion_record_elapsed, 0);
}

// All timer comparisons are equalities: the menus reset the counters so a
// shorter interval or duration is still reached.
TEST_F(TimerTest, MenuChangesKeepTheCountsReachable) {
    app.motion_interval = 30;
    Ticks(12);
    SetMotionInterval(5);
    ASSERT_EQ(app.motion_interval, 5);
    Ticks(5);
    EXPECT_TRUE(motion.motion_primed);

    app.motion_record_duration = 40;
    app.motion_recording = true;
    Ticks(15);
    SetMotionRecordDuration(10);  // the running episode ends
    EXPECT_FALSE(app.motion_recording);
    Ticks(1);  // detection happens only at a tick, after the count
    app.motion_recording = true;
    Ticks(9);
    EXPECT_TRUE(app.motion_recording);
    Ticks(1);
    EXPECT_FALSE(app.motion_recording);
}

TEST_F(TimerTest, ImageSwapAlternatesOnlyWithTwoCamerasInSwapView) {
    app.view_mode = kViewSwap;
    app.second_camera_enabled = false;
    Ticks(6);
    EXPECT_EQ(app.current_camera, 0);

    app.swap_counter = 0;
    app.second_camera_enabled = true;
    app.view_mode = kViewSplit;
    Ticks(3);
    EXPECT_EQ(app.current_camera, 0);

    app.swap_counter = 0;
    app.view_mode = kViewSwap;
    Ticks(2);
    EXPECT_EQ(app.current_camera, 0);
    Ticks(1);
    EXPECT_EQ(app.current_camera, 1);
    EXPECT_EQ(app.swap_counter, 0);
    Ticks(3);
    EXPECT_EQ(app.current_camera, 0);
}

TEST_F(TimerTest, ReportsTicksAndMeasurements) {
    EXPECT_FALSE(Run(app.clock_second).ticked);
    app.motion_interval = 2;
    const TimerStep first = Run(app.clock_second + 1);
    EXPECT_TRUE(first.ticked);
    EXPECT_FALSE(first.measured);
    EXPECT_FALSE(Run(app.clock_second + 1).measured);  // the first measurement only primes
    Ticks(1);
    EXPECT_TRUE(Run(app.clock_second + 1).measured);
}

// A lost camera's standing picture measures nothing, however unlike the
// last snapshot it is (the frame before the loss would read as a jump of
// the PCD), and fires nothing; after its return the first measurement only
// takes a snapshot, so the old one is never compared with the new picture.
TEST_F(TimerTest, ALostCameraPausesMotionDetection) {
    app.motion_shot_on = app.motion_alarm_on = true;
    app.motion_interval = 1;
    app.current_camera = 1;
    Ticks(1);
    ASSERT_TRUE(motion.motion_primed);
    for (uint8_t& byte : frame_) byte ^= 0xFF;
    capture.lost[1] = true;
    for (int i = 0; i < 3; ++i) EXPECT_FALSE(Run((app.clock_second + 1) % 60).measured);
    EXPECT_FALSE(app.motion_shot_pending);
    EXPECT_TRUE(StartedSounds().empty());
    EXPECT_FALSE(motion.motion_primed);
    capture.lost[1] = false;
    EXPECT_FALSE(Run((app.clock_second + 1) % 60).measured) << "a fresh snapshot first";
    EXPECT_TRUE(Run((app.clock_second + 1) % 60).measured);
    EXPECT_EQ(app.pcd, 0.0f);
    EXPECT_FALSE(app.motion_shot_pending);
    EXPECT_TRUE(StartedSounds().empty());
}

TEST_F(TimerTest, ReadClockKeepsThePreviousSecond) {
    app.clock_second = 42;
    ReadClock();
    EXPECT_EQ(motion.clock_second_previous, 42);
    EXPECT_GE(app.clock_month, 1);
    EXPECT_LE(app.clock_month, 12);
    EXPECT_GT(app.clock_year, 2000);
    EXPECT_GE(app.clock_day, 1);
}

}  // namespace
