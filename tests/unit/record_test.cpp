// Record modes, motion record, the frame steps and shots over the writer's
// stand-in: what is opened and closed with which size and name, which boxes
// appear, real-time pacing, and the BMP bytes.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <ctime>
#include <fstream>
#include <iterator>
#include <string>
#include <utility>
#include <vector>

#include "app/app.h"
#include "capture/capture.h"
#include "console/console.h"
#include "image/bmp_loader.h"
#include "record/avi_generator.h"
#include "record/record.h"
#include "support/state_guard.h"
#include "support/fake_log.h"
#include "support/fake_record.h"
#include "support/test_support.h"

namespace {


uint32_t g_now_ms = 0;
uint32_t FakeClock() { return g_now_ms; }

// The local time: the app's clock fields (read at the frame's start) plus
// the seconds that have passed since, which a test may advance.
int g_seconds_since_frame = 0;
LocalTime FakeLocalTime() {
    std::tm t{};
    t.tm_mday = app.clock_day, t.tm_mon = app.clock_month - 1, t.tm_year = app.clock_year - 1900;
    t.tm_hour = app.clock_hour, t.tm_min = app.clock_minute;
    t.tm_sec = app.clock_second + g_seconds_since_frame;
    const time_t seconds = timegm(&t);
    gmtime_r(&seconds, &t);
    return LocalTime{t.tm_sec, t.tm_min, t.tm_hour, t.tm_mday, t.tm_mon + 1, t.tm_year + 1900, seconds, 0};
}

// The recordings' names at the clock of SetUp (8 December 2026, 14:05:09),
// by record mode, and motion record's.
const std::string kRecordNames[] = {"", "capture/record/08_12_2026_14_05_09_record_dev1.avi",
                                    "capture/record/08_12_2026_14_05_09_effect_rec_screen.avi",
                                    "capture/record/08_12_2026_14_05_09_screen_rec_screen.avi"};
const std::string kMotionRecordName = "capture/record/08_12_2026_14_05_09_motion_rec_dev1.avi";

std::vector<uint8_t> ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

bool Exists(const std::string& path) {
    struct stat info;
    return stat(path.c_str(), &info) == 0;
}

class RecordModesTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(getcwd(saved_cwd_, sizeof saved_cwd_), saved_cwd_);
        dir_ = MakeTempDir("lumora-record");
        ASSERT_EQ(chdir(dir_.c_str()), 0);
        mkdir("capture", 0755);
        mkdir("capture/record", 0755);
        mkdir("capture/screenshot", 0755);
        ResetFakeAvi();
        ClearFakeCalls();
        record = RecordState{};
        record.clock_ms = FakeClock;
        record.local_time = FakeLocalTime;
        g_seconds_since_frame = 0;
        g_now_ms = 1000;
        app.clock_day = 8, app.clock_month = 12, app.clock_year = 2026;
        app.clock_hour = 14, app.clock_minute = 5, app.clock_second = 9;
        app.video_width = 320, app.video_height = 240;
        app.window_width = 642, app.window_height = 481;
        camera_.assign(320 * 240 * 4, 0x11);
        app.frame_buffer[0] = camera_.data();
        app.current_camera = 0;
    }
    void TearDown() override {
        record.avi_generator.Close();  // the writer must end closed
        record = RecordState{};
        capture.lost[0] = false;
        ASSERT_EQ(chdir(saved_cwd_), 0);
        std::system(("rm -rf '" + dir_ + "'").c_str());
    }

    // One run of the frame's recording steps, `ms` after the last one.
    void Frame(uint32_t ms = 70) {
        g_now_ms += ms;
        RecordEffectFrame();
        RecordFinishedFrame();
        WritePendingShots();
    }

    // Starts `mode` and forgets what that start logged.
    void StartMode(RecordMode mode) {
        SetRecordMode(mode);
        ASSERT_EQ(app.record_mode, mode);
        ClearFakeCalls();
        dialogs_.boxes.clear();
        fake_avi = FakeAvi{};
    }

    std::vector<std::string> Infos() const {
        std::vector<std::string> texts;
        for (const auto& box : dialogs_.boxes)
            if (box.caption == "Info") texts.push_back(box.text);
        return texts;
    }

    ScriptedDialogs dialogs_;
    ProgramStateGuard state_;
    char saved_cwd_[4096];
    std::string dir_;
    std::vector<uint8_t> camera_;
};

// The whole transition table: what is closed, what is opened at which size.
TEST_F(RecordModesTest, TransitionTable) {
    struct Row {
        RecordMode now, request, after;
        bool stops;
        const char* opens;  // nullptr: nothing opened
    };
    const char* kCamera = "320x240";
    const char* kWindow = "640x480";  // 642 x 481 rounded down
    const Row rows[] = {
        {kRecordNormal, kRecordNormal, kRecordNormal, false, nullptr},
        {kRecordOff, kRecordNormal, kRecordNormal, false, kCamera},
        {kRecordEffect, kRecordNormal, kRecordNormal, true, kCamera},
        {kRecordScreen, kRecordNormal, kRecordNormal, true, kCamera},
        {kRecordEffect, kRecordEffect, kRecordEffect, false, nullptr},
        {kRecordOff, kRecordEffect, kRecordEffect, false, kWindow},
        {kRecordNormal, kRecordEffect, kRecordEffect, true, kWindow},
        {kRecordScreen, kRecordEffect, kRecordEffect, true, kWindow},
        {kRecordScreen, kRecordScreen, kRecordScreen, false, nullptr},
        {kRecordOff, kRecordScreen, kRecordScreen, false, kWindow},
        {kRecordNormal, kRecordScreen, kRecordScreen, true, kWindow},
        {kRecordEffect, kRecordScreen, kRecordScreen, true, kWindow},
        {kRecordOff, kRecordOff, kRecordOff, false, nullptr},
        {kRecordNormal, kRecordOff, kRecordOff, true, nullptr},
        {kRecordEffect, kRecordOff, kRecordOff, true, nullptr},
        {kRecordScreen, kRecordOff, kRecordOff, true, nullptr},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(std::to_string(row.now) + " -> request " + std::to_string(row.request));
        app.record_mode = kRecordOff;
        record.avi_generator.Close();
        record = RecordState{};
        record.clock_ms = FakeClock;
        record.local_time = FakeLocalTime;
        std::system("rm -f capture/record/*");
        if (row.now != 0) {
            StartMode(row.now);
            Frame();  // a recording that holds a frame is announced by its name
        }
        ClearFakeCalls();
        dialogs_.boxes.clear();
        const std::string old_name = record.record_file_name;

        SetRecordMode(row.request);

        EXPECT_EQ(app.record_mode, row.after);
        std::vector<std::string> expected;
        if (row.stops) expected.push_back("AviGenerator::Close");
        if (row.opens) {
            expected.push_back("AviGenerator::Open " + kRecordNames[row.after] + " " + row.opens + " @15");
        }
        EXPECT_EQ(FakeCalls(), expected);
        if (row.stops) {
            ASSERT_EQ(Infos().size(), 1u);
            EXPECT_EQ(Infos()[0], old_name);
            EXPECT_EQ(dialogs_.boxes[0].icon, MsgIcon::Information);
        } else {
            EXPECT_TRUE(dialogs_.boxes.empty());
        }
        if (row.opens) {
            EXPECT_EQ(record.record_file_name, kRecordNames[row.after]);
            EXPECT_EQ(record.recording_label_alpha, 0.0f);
        }
    }
    SetRecordMode(kRecordOff);
}

TEST_F(RecordModesTest, NamesFromTheClock) {
    StartMode(kRecordNormal);
    EXPECT_STREQ(record.record_file_name, "capture/record/08_12_2026_14_05_09_record_dev1.avi");
    SetRecordMode(kRecordOff);
    app.clock_day = 1, app.clock_month = 2, app.clock_hour = 3, app.clock_minute = 4, app.clock_second = 5;
    SetMotionRecord();
    EXPECT_STREQ(record.record_file_name, "capture/record/01_02_2026_03_04_05_motion_rec_dev1.avi");
    SetMotionRecord();
    record.screenshot_pending = true;
    Frame();
    EXPECT_TRUE(Exists("capture/screenshot/01_02_2026_03_04_05.bmp"));
    // The chosen container gives the extension.
    fake_avi.container = VideoContainer::kMp4;
    SetMotionRecord();
    EXPECT_STREQ(record.record_file_name, "capture/record/01_02_2026_03_04_05_motion_rec_dev1.mp4");
    SetMotionRecord();
}

TEST_F(RecordModesTest, ExistingNamesGetANumberNotOverwritten) {
    std::ofstream("capture/record/08_12_2026_14_05_09_record_dev1.avi") << "older";
    std::ofstream("capture/record/08_12_2026_14_05_09_record_dev1_2.avi") << "older";
    SetRecordMode(kRecordNormal);
    EXPECT_STREQ(record.record_file_name, "capture/record/08_12_2026_14_05_09_record_dev1_3.avi");
    SetRecordMode(kRecordOff);

    // Two shots in one second, and a screenshot with a motion shot in one frame.
    record.screenshot_pending = true;
    Frame();
    record.screenshot_pending = true;
    app.motion_shot_pending = true;
    Frame();
    EXPECT_TRUE(Exists("capture/screenshot/08_12_2026_14_05_09.bmp"));
    EXPECT_TRUE(Exists("capture/screenshot/08_12_2026_14_05_09_2.bmp"));
    EXPECT_TRUE(Exists("capture/screenshot/08_12_2026_14_05_09_3.bmp"));
    EXPECT_FALSE(record.screenshot_pending);
    EXPECT_FALSE(app.motion_shot_pending);

    char out[64];
    EXPECT_TRUE(MakeUniqueFileName("capture\\screenshot\\08_12_2026_14_05_09.bmp", out, sizeof out));
    EXPECT_STREQ(out, "capture\\screenshot\\08_12_2026_14_05_09_4.bmp");  // shown form kept
    EXPECT_TRUE(MakeUniqueFileName("capture/screenshot/new.bmp", out, sizeof out));
    EXPECT_STREQ(out, "capture/screenshot/new.bmp");
}

TEST_F(RecordModesTest, FailedOpenShowsTheStatusTextAndLeavesTheModeOff) {
    fake_avi.open_status = int32_t(kAviErrFileOpen);
    fake_avi.open_error = "AVI Engine failed to initialize. Check filename x.avi.A disk error occurred while opening the file.";
    SetRecordMode(kRecordEffect);
    EXPECT_EQ(app.record_mode, 0);
    ASSERT_EQ(dialogs_.boxes.size(), 1u);
    EXPECT_EQ(dialogs_.boxes[0].caption, "Error");
    EXPECT_EQ(dialogs_.boxes[0].icon, MsgIcon::Error);
    EXPECT_EQ(dialogs_.boxes[0].text, fake_avi.open_error);
    EXPECT_EQ(fake_avi.closes, 1);  // half-open writer released at once
    EXPECT_FALSE(record.avi_generator.IsOpen());

    // Nothing runs, so nothing is announced later.
    Frame();
    SetRecordMode(kRecordOff);
    StopRecordings();
    EXPECT_EQ(dialogs_.boxes.size(), 1u);

    // Motion record likewise stays off.
    SetMotionRecord();
    EXPECT_FALSE(app.motion_record_on);
    EXPECT_EQ(dialogs_.boxes.size(), 2u);
    EXPECT_EQ(dialogs_.boxes[1].caption, "Error");
}

TEST_F(RecordModesTest, CancelledDialogLeavesTheModeOffWithoutABox) {
    fake_avi.open_status = 1;
    fake_avi.open_error = "Ok";
    SetRecordMode(kRecordNormal);
    EXPECT_EQ(app.record_mode, 0);
    SetMotionRecord();
    EXPECT_FALSE(app.motion_record_on);
    EXPECT_TRUE(dialogs_.boxes.empty());
    EXPECT_EQ(fake_avi.closes, 2);

    // A switch whose new file is cancelled still closes the old one.
    fake_avi.open_status = 0;
    StartMode(kRecordScreen);
    fake_avi.open_status = 1;
    SetRecordMode(kRecordEffect);
    EXPECT_EQ(app.record_mode, 0);
    EXPECT_EQ(Infos().size(), 1u);
}

TEST_F(RecordModesTest, OneRecordingAtATime) {
    StartMode(kRecordNormal);
    SetMotionRecord();
    EXPECT_FALSE(app.motion_record_on);
    EXPECT_EQ(app.record_mode, 1);
    ASSERT_EQ(Infos().size(), 1u);
    EXPECT_NE(Infos()[0].find("Normal recording is running"), std::string::npos) << Infos()[0];
    EXPECT_EQ(fake_avi.opens, 0);
    EXPECT_EQ(fake_avi.closes, 0);
    SetRecordMode(kRecordOff);

    SetMotionRecord();
    ASSERT_TRUE(app.motion_record_on);
    dialogs_.boxes.clear();
    fake_avi = FakeAvi{};
    for (RecordMode mode : {kRecordNormal, kRecordEffect, kRecordScreen}) {
        SetRecordMode(mode);
        EXPECT_EQ(app.record_mode, kRecordOff);
    }
    ASSERT_EQ(Infos().size(), 3u);
    EXPECT_NE(Infos()[0].find("Motion record is running"), std::string::npos) << Infos()[0];
    EXPECT_EQ(fake_avi.opens + fake_avi.closes, 0);
    EXPECT_TRUE(app.motion_record_on);
    SetMotionRecord();
}

TEST_F(RecordModesTest, MotionRecordIsFedOnlyWhileAnEpisodeRuns) {
    SetMotionRecord();
    ASSERT_TRUE(app.motion_record_on);
    EXPECT_EQ(FakeCalls().back(), "AviGenerator::Open " + kMotionRecordName + " 320x240 @15");
    for (int i = 0; i < 5; ++i) Frame();
    EXPECT_EQ(fake_avi.frames, 0);

    // One second of episode: 15 frames at 15 per second.
    app.motion_recording = true;
    for (int i = 0; i < 15; ++i) Frame(1000 / 15 + 1);
    app.motion_recording = false;
    const int first_episode = fake_avi.frames;
    EXPECT_NEAR(first_episode, 15, 1);
    // A long pause does not turn into frames: the next episode continues.
    for (int i = 0; i < 100; ++i) Frame(100);
    EXPECT_EQ(fake_avi.frames, first_episode);
    app.motion_recording = true;
    Frame();
    EXPECT_EQ(fake_avi.frames, first_episode + 1);

    dialogs_.boxes.clear();
    SetMotionRecord();
    EXPECT_FALSE(app.motion_record_on);
    EXPECT_FALSE(app.motion_recording);
    EXPECT_EQ(Infos(), std::vector<std::string>{kMotionRecordName});
}

// With seconds before the event the writer is fed every frame: its ring
// between episodes, the file during them, in one run at real time.  A ring
// the memory budget cuts short is said once.
TEST_F(RecordModesTest, PrecaptureFeedsTheRingBetweenEpisodesInOneRun) {
    SetPrecaptureSeconds(99);
    EXPECT_EQ(app.precapture_seconds, kMaxPrecaptureSeconds);
    SetPrecaptureSeconds(5);
    SetMotionRecord();
    ASSERT_TRUE(app.motion_record_on);
    EXPECT_EQ(record.avi_generator.GetPrecapture(), 5 * kNsPerSecond);
    for (int i = 0; i < 30; ++i) Frame(1000 / 15 + 1);
    EXPECT_EQ(fake_avi.frames, 0);
    EXPECT_NEAR(fake_avi.ring_frames, 30, 1);
    app.motion_recording = true;
    for (int i = 0; i < 15; ++i) Frame(1000 / 15 + 1);
    EXPECT_NEAR(fake_avi.frames, 15, 1);
    EXPECT_EQ(fake_avi.frames + fake_avi.ring_frames, 45);  // no frame twice, none left out

    testing::internal::CaptureStderr();
    fake_avi.cut_short = true;
    for (int i = 0; i < 3; ++i) Frame();
    const std::string said = testing::internal::GetCapturedStderr();
    EXPECT_EQ(said.find("Pre-capture: 5 seconds"), 0u) << said;
    EXPECT_EQ(said.find('\n'), said.size() - 1) << said;  // once
    SetMotionRecord();

    // 0 s: motion record as without pre-capture, frames only in episodes.
    SetPrecaptureSeconds(0);
    fake_avi = FakeAvi{};
    SetMotionRecord();
    EXPECT_EQ(record.avi_generator.GetPrecapture(), 0u);
    for (int i = 0; i < 10; ++i) Frame(1000 / 15 + 1);
    EXPECT_EQ(fake_avi.frames + fake_avi.ring_frames, 0);
    SetMotionRecord();
}

TEST_F(RecordModesTest, FramesFollowRealTime) {
    StartMode(kRecordNormal);
    Frame(0);
    EXPECT_EQ(fake_avi.frames, 1);
    // A fast frame loop (every 20 ms) writes 15 frames a second, not 50.
    for (int i = 0; i < 50; ++i) Frame(20);
    EXPECT_EQ(fake_avi.frames, 16);  // frames for 0 s .. 1.0 s
    // A slow frame (300 ms) is written as often as its time needs.
    Frame(300);
    EXPECT_EQ(fake_avi.frames, 16 + 4);
    // A long stall (a modal box) is left out.
    Frame(60000);
    EXPECT_EQ(fake_avi.frames, 21);
    Frame(1000 / 15 + 1);
    EXPECT_EQ(fake_avi.frames, 22);
}

// A lost camera's standing picture is not recorded, and its return does not
// fill the gap with copies (as a short stall's would be): the stream goes on
// with the camera's next frame.
TEST_F(RecordModesTest, ALostCameraPausesItsRecording) {
    StartMode(kRecordNormal);
    for (int i = 0; i < 15; ++i) Frame(1000 / 15 + 1);
    const int before = fake_avi.frames;
    capture.lost[0] = true;
    for (int i = 0; i < 20; ++i) Frame(1000 / 15 + 1);
    EXPECT_EQ(fake_avi.frames, before);
    capture.lost[0] = false;
    Frame(1000 / 15 + 1);
    EXPECT_EQ(fake_avi.frames, before + 1);
    Frame(1000 / 15 + 1);
    EXPECT_EQ(fake_avi.frames, before + 2);
}

TEST_F(RecordModesTest, WindowRecordingsReadBackAtTheRoundedSize) {
    StartMode(kRecordEffect);
    Frame();
    EXPECT_EQ(FakeCalls(), std::vector<std::string>{"ReadWindowPixels 640x480/640"});
    ASSERT_EQ(fake_avi.last_frame.size(), 640u * 480 * 4);
    EXPECT_EQ(fake_avi.last_frame[(1 * 640 + 3) * 4], 3);    // x of row 1
    EXPECT_EQ(fake_avi.last_frame[(1 * 640 + 3) * 4 + 1], 1);  // y of row 1

    // Grown window: the stream keeps its size.
    app.window_width = 1920, app.window_height = 1080;
    ClearFakeCalls();
    Frame();
    EXPECT_EQ(FakeCalls(), std::vector<std::string>{"ReadWindowPixels 640x480/640"});
    // Shrunk window: what is not covered turns black.
    app.window_width = 320, app.window_height = 200;
    ClearFakeCalls();
    Frame();
    EXPECT_EQ(FakeCalls(), std::vector<std::string>{"ReadWindowPixels 320x200/640"});
    EXPECT_EQ(fake_avi.last_frame[(10 * 640 + 330) * 4 + 2], 0);
    EXPECT_EQ(fake_avi.last_frame[(10 * 640 + 300) * 4 + 2], 0x55);

    // A full-screen window larger than 1024 x 1024 pixels records whole.
    SetRecordMode(kRecordOff);
    app.window_width = 1920, app.window_height = 1080;
    StartMode(kRecordScreen);
    Frame();
    EXPECT_EQ(FakeCalls(), std::vector<std::string>{"ReadWindowPixels 1920x1080/1920"});
    EXPECT_EQ(fake_avi.last_frame.size(), 1920u * 1080 * 4);
    EXPECT_GE(record.screen_buffer.size(), 1920u * 1080 * 4);
    SetRecordMode(kRecordOff);
}

TEST_F(RecordModesTest, CameraFrameWithOddWidthKeepsItsRows) {
    app.video_width = 642, app.video_height = 481;
    camera_.assign(642 * 481 * 4, 0);
    for (int y = 0; y < 481; ++y)
        for (int x = 0; x < 642; ++x) camera_[(size_t(y) * 642 + x) * 4] = uint8_t(y);
    app.frame_buffer[0] = camera_.data();
    SetRecordMode(kRecordNormal);
    EXPECT_EQ(FakeCalls().back(), "AviGenerator::Open " + kRecordNames[kRecordNormal] + " 640x480 @15");
    Frame();
    ASSERT_EQ(fake_avi.last_frame.size(), 640u * 480 * 4);
    // Every stored row starts with its own source row, unsheared.
    for (int y : {0, 1, 200, 479}) EXPECT_EQ(fake_avi.last_frame[size_t(y) * 640 * 4], uint8_t(y)) << y;
    SetRecordMode(kRecordOff);
}

TEST_F(RecordModesTest, StopRecordingsClosesWhatIsOpenAndKeepsTheFlags) {
    StartMode(kRecordNormal);
    Frame();
    ClearFakeCalls();
    StopRecordings();
    EXPECT_EQ(FakeCalls(), std::vector<std::string>{"AviGenerator::Close"});
    EXPECT_EQ(Infos(), std::vector<std::string>{kRecordNames[kRecordNormal]});
    EXPECT_EQ(app.record_mode, 1);

    app.record_mode = kRecordOff;
    StartMode(kRecordScreen);
    Frame();
    StopRecordings();
    EXPECT_EQ(Infos(), std::vector<std::string>{kRecordNames[kRecordScreen]});
    app.record_mode = kRecordOff;

    SetMotionRecord();
    app.motion_recording = true;
    Frame();
    dialogs_.boxes.clear();
    StopRecordings();
    EXPECT_EQ(Infos(), std::vector<std::string>{kMotionRecordName});
    EXPECT_TRUE(app.motion_record_on);
    app.motion_record_on = false;

    // Nothing open: nothing to announce.
    dialogs_.boxes.clear();
    StopRecordings();
    EXPECT_TRUE(dialogs_.boxes.empty());
}

// A failing write (disk full) ends the recording: one "Error" box naming the
// file, the writer closed, the mode off; later frames and stops say nothing.
TEST_F(RecordModesTest, AFailingWriteEndsTheRecordingWithOneBox) {
    for (const bool motion : {false, true}) {
        if (motion) {
            SetMotionRecord();
            ASSERT_TRUE(app.motion_record_on);
            app.motion_recording = true;
            ClearFakeCalls();
            dialogs_.boxes.clear();
            fake_avi = FakeAvi{};
        } else {
            StartMode(kRecordNormal);
        }
        fake_avi.write_status = int32_t(kAviErrFileWrite);
        for (int i = 0; i < 5; ++i) Frame();
        ASSERT_EQ(dialogs_.boxes.size(), 1u);
        EXPECT_EQ(dialogs_.boxes[0].caption, "Error");
        EXPECT_NE(dialogs_.boxes[0].text.find(record.record_file_name), std::string::npos);
        EXPECT_EQ(fake_avi.closes, 1);
        EXPECT_EQ(app.record_mode, kRecordOff);
        EXPECT_FALSE(app.motion_record_on);
        SetRecordMode(kRecordOff);
        StopRecordings();
        EXPECT_EQ(dialogs_.boxes.size(), 1u);
        EXPECT_EQ(fake_avi.closes, 1);
    }
}

TEST_F(RecordModesTest, LabelFadesInAndOut) {
    record.recording_label_alpha = 0;
    record.recording_label_step = 0.1f;
    std::vector<float> seen;
    for (int i = 0; i < 24; ++i) {
        StepRecordingLabel();
        seen.push_back(record.recording_label_alpha);
    }
    // Up to about 1, back down to about 0, up again: about ten frames each way.
    const auto peak = std::max_element(seen.begin(), seen.end()) - seen.begin();
    EXPECT_GE(peak, 9);
    EXPECT_LE(peak, 10);
    EXPECT_NEAR(seen[peak], 1.0f, 0.11f);
    const auto trough = std::min_element(seen.begin() + peak, seen.end()) - seen.begin();
    EXPECT_NEAR(trough - peak, 11, 1);
    EXPECT_NEAR(seen[trough], 0.0f, 0.11f);
    EXPECT_GT(seen[trough + 1], seen[trough]);
}

// The labels follow the recordings: motion's countdown, the record mode's
// label drawn as it stands and then stepped, and nothing left of it once
// the mode is off.
TEST_F(RecordModesTest, LabelsFollowTheRecordings) {
    app.window_width = 643;
    app.motion_recording = true;
    app.motion_record_duration = 10, app.motion_record_elapsed = 3;
    app.record_mode = kRecordOff;
    record.recording_label_alpha = 0.6f;
    RecordingLabels labels = NextRecordingLabels();
    EXPECT_STREQ(labels.motion_text, "RECORDING...(times: 7)");
    EXPECT_FALSE(labels.blinking);
    EXPECT_EQ(labels.x, 321.0f);
    EXPECT_EQ(labels.y, 20.0f);
    EXPECT_EQ(labels.font, 3);
    EXPECT_EQ(record.recording_label_alpha, 0.0f);

    app.motion_recording = false;
    app.record_mode = kRecordScreen;
    record.recording_label_step = 0.1f;
    labels = NextRecordingLabels();
    EXPECT_STREQ(labels.motion_text, "");
    EXPECT_TRUE(labels.blinking);
    EXPECT_EQ(labels.blink_alpha, 0.0f);
    EXPECT_FLOAT_EQ(record.recording_label_alpha, 0.1f);
}

// Every kind of recording stopped before its first frame (motion record over
// a still picture): the box says that nothing was recorded, for the writer
// has removed the file.  (A recording with frames is named: TransitionTable.)
TEST_F(RecordModesTest, ARecordingWithoutFramesSaysNothingWasRecorded) {
    const std::pair<std::string, RecordMode> kinds[] = {{kRecordNames[kRecordNormal], kRecordNormal},
                                                        {kRecordNames[kRecordEffect], kRecordEffect},
                                                        {kRecordNames[kRecordScreen], kRecordScreen},
                                                        {kMotionRecordName, kRecordOff}};
    for (const auto& [name, mode] : kinds) {  // kRecordOff: motion record
        SCOPED_TRACE(name);
        dialogs_.boxes.clear();
        if (mode != kRecordOff) {
            SetRecordMode(mode);
            SetRecordMode(kRecordOff);
        } else {
            SetMotionRecord();
            Frame();  // no motion, no episode
            SetMotionRecord();
        }
        EXPECT_EQ(Infos(), std::vector<std::string>{"Nothing was recorded: " + name +
                                                    " received no frame and was removed."});
    }
}

// The name carries the moment recording began, after the compressor dialog
// however long it stayed open; Cancel there opens and names nothing.
TEST_F(RecordModesTest, NamesTellWhenRecordingBeganAfterTheDialog) {
    fake_avi.on_choose = [] { g_seconds_since_frame += 20; };
    SetRecordMode(kRecordNormal);
    EXPECT_EQ(fake_avi.opened_files,
              std::vector<std::string>{"capture/record/08_12_2026_14_05_29_record_dev1.avi"});
    SetRecordMode(kRecordOff);
    SetMotionRecord();
    EXPECT_STREQ(record.record_file_name, "capture/record/08_12_2026_14_05_49_motion_rec_dev1.avi");
    SetMotionRecord();

    fake_avi.choose_accepts = false;
    dialogs_.boxes.clear();
    SetRecordMode(kRecordScreen);
    EXPECT_EQ(app.record_mode, kRecordOff);
    EXPECT_EQ(fake_avi.opens, 2);
    EXPECT_TRUE(dialogs_.boxes.empty());
    EXPECT_STREQ(record.record_file_name, "capture/record/08_12_2026_14_05_49_motion_rec_dev1.avi");
}

// A shot that cannot be written: the screenshot the user asked for gets one
// "Error" box naming the file and why; motion shots (up to one a second)
// get a line on standard error and in the console each, no box.
TEST_F(RecordModesTest, ShotsThatCannotBeWrittenAreReported) {
    ASSERT_EQ(rmdir("capture/screenshot"), 0);
    const std::string shot = "capture\\screenshot\\08_12_2026_14_05_09.bmp";
    record.screenshot_pending = true;
    Frame();
    ASSERT_EQ(dialogs_.boxes.size(), 1u);
    EXPECT_EQ(dialogs_.boxes[0].caption, "Error");
    EXPECT_EQ(dialogs_.boxes[0].text,
              "The screenshot could not be written to " + shot + ": No such file or directory.");

    testing::internal::CaptureStderr();
    for (int i = 0; i < 2; ++i) {
        app.motion_shot_pending = true;
        Frame();
    }
    const std::string line = "motionshot: cannot write " + shot + ": No such file or directory";
    EXPECT_EQ(testing::internal::GetCapturedStderr(), line + "\n" + line + "\n");
    EXPECT_EQ(std::string(console.lines[0]) + "|" + console.lines[1], line + "|" + line);
    EXPECT_EQ(dialogs_.boxes.size(), 1u);
}

TEST_F(RecordModesTest, ShotsHoldTheCameraFrameAndSkipAMissingFrame) {
    app.frame_buffer[0] = nullptr;
    record.screenshot_pending = true;
    Frame();
    EXPECT_FALSE(record.screenshot_pending);
    EXPECT_FALSE(Exists("capture/screenshot/08_12_2026_14_05_09.bmp"));

    app.frame_buffer[0] = camera_.data();
    app.motion_shot_pending = true;
    Frame();
    const std::vector<uint8_t> bytes = ReadFile("capture/screenshot/08_12_2026_14_05_09.bmp");
    ASSERT_EQ(bytes.size(), 54u + camera_.size());
    EXPECT_TRUE(std::equal(camera_.begin(), camera_.end(), bytes.begin() + 54));
}

TEST_F(RecordModesTest, BitmapHeaderIsByteExact) {
    const int width = 3, height = 2;
    std::vector<uint8_t> pixels(width * height * 4);
    for (size_t i = 0; i < pixels.size(); ++i) pixels[i] = uint8_t(i * 7);
    ASSERT_TRUE(WriteBitmapFile(width, height, pixels.data(), "capture\\screenshot\\exact.bmp"));
    const std::vector<uint8_t> bytes = ReadFile("capture/screenshot/exact.bmp");
    const uint8_t header[54] = {
        'B', 'M', 78, 0, 0, 0,  0, 0, 0, 0,  54, 0, 0, 0,       // file header
        40, 0, 0, 0,  3, 0, 0, 0,  2, 0, 0, 0,  1, 0,  32, 0,  // size, width, height, planes, bits
        0, 0, 0, 0,  24, 0, 0, 0,                              // compression, image size
        0, 0, 0, 0,  0, 0, 0, 0,  0, 0, 0, 0,  0, 0, 0, 0,     // resolutions, colours
    };
    ASSERT_EQ(bytes.size(), 54u + 24u);
    EXPECT_TRUE(std::equal(header, header + 54, bytes.begin()));
    EXPECT_TRUE(std::equal(pixels.begin(), pixels.end(), bytes.begin() + 54));

    // Our own loader reads it back: bottom row first, red green blue.
    RgbImage* image = LoadBitmapImage("capture/screenshot/exact.bmp");
    ASSERT_NE(image, nullptr);
    EXPECT_EQ(image->width, 3);
    EXPECT_EQ(image->height, 2);
    EXPECT_EQ(image->data[0], pixels[2]);  // red of the first pixel
    EXPECT_EQ(image->data[2], pixels[0]);  // blue
    delete image;

    // Unwritable places and empty frames write nothing.
    EXPECT_FALSE(WriteBitmapFile(width, height, pixels.data(), "no/such/folder/x.bmp"));
    EXPECT_FALSE(WriteBitmapFile(0, height, pixels.data(), "capture/screenshot/empty.bmp"));
    EXPECT_FALSE(Exists("capture/screenshot/empty.bmp"));
}

}  // namespace
