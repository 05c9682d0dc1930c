// The capture layer on real GStreamer pipelines (videotestsrc as the camera):
// frame size and rate, byte order, orientation, concurrent checkouts, the
// 1 ms wait, description failures and fallback, big frames, a lost source,
// and the capture devices with their question, fetch and close.
#include <GL/freeglut.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstring>
#include <fstream>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "app/app.h"
#include "capture/capture.h"
#include "capture/video_source.h"
#include "render/render.h"
#include "support/gl_window.h"
#include "support/test_support.h"

namespace {

using Clock = std::chrono::steady_clock;

std::string WriteDescription(const std::string& dir, const std::string& name,
                             const std::vector<std::string>& sources) {
    std::string path = dir + "/" + name;
    std::ofstream file(path);
    file << "<capture>\n";
    for (const std::string& source : sources) file << "  <source " << source << "/>\n";
    file << "</capture>\n";
    return path;
}

std::string Pipeline(const std::string& description) { return "pipeline=\"" + description + "\""; }

// A running source of one description with three checkout slots.
struct RunningSource {
    VideoSource source;
    explicit RunningSource(const std::string& path) {
        EXPECT_EQ(source.BuildGraphFromXMLFile(path.c_str()), 0) << path;
        EXPECT_EQ(source.EnableMemoryBuffer(3), 0);
        EXPECT_EQ(source.Run(), 0);
    }
    void ExpectFormat(long want_width, long want_height, double want_rate = -1) {
        long width = 0, height = 0;
        double rate = 0;
        ASSERT_EQ(source.GetCurrentMediaFormat(&width, &height, &rate), 0);
        EXPECT_EQ(width, want_width);
        EXPECT_EQ(height, want_height);
        if (want_rate >= 0) {
            EXPECT_DOUBLE_EQ(rate, want_rate);
        }
    }
    // Copies the newest frame (waiting up to `wait_ms` for one).
    std::vector<uint8_t> Grab(size_t bytes, long wait_ms = 2000) {
        source.WaitForNextSample(wait_ms);
        MemoryBufferHandle handle = -1;
        uint8_t* pixels = nullptr;
        if (source.CheckoutMemoryBuffer(&handle, &pixels) < 0) return {};
        std::vector<uint8_t> copy(pixels, pixels + bytes);
        EXPECT_EQ(source.CheckinMemoryBuffer(handle), 0);
        return copy;
    }
};

class VideoSourceTest : public ::testing::Test {
protected:
    std::string dir = MakeTempDir("lumora-capture");
};

TEST_F(VideoSourceTest, ReportsSizeAndRateAndDeliversBgrxBytes) {
    std::string path = WriteDescription(
        dir, "solid.xml",
        {Pipeline("videotestsrc pattern=solid-color foreground-color=0xff112233 ! "
                  "video/x-raw,width=320,height=240,framerate=25/1")});
    RunningSource running(path);
    running.ExpectFormat(320, 240, 25.0);

    MemoryBufferHandle handle = -1;
    uint8_t* pixels = nullptr;
    unsigned frame_width = 0, frame_height = 0;
    running.source.WaitForNextSample(2000);
    ASSERT_EQ(running.source.CheckoutMemoryBuffer(&handle, &pixels, &frame_width, &frame_height),
              0);
    EXPECT_EQ(frame_width, 320u);
    EXPECT_EQ(frame_height, 240u);
    // Rows are packed: the last pixel of the frame is still the colour.
    for (size_t pixel : {size_t{0}, size_t{319}, size_t{320 * 240 - 1}}) {
        const uint8_t* p = pixels + pixel * 4;
        EXPECT_EQ(p[0], 0x33) << "blue of pixel " << pixel;
        EXPECT_EQ(p[1], 0x22) << "green of pixel " << pixel;
        EXPECT_EQ(p[2], 0x11) << "red of pixel " << pixel;
    }
    EXPECT_EQ(running.source.CheckinMemoryBuffer(handle), 0);
    EXPECT_LT(running.source.CheckinMemoryBuffer(handle), 0);  // not twice
}

TEST_F(VideoSourceTest, DeliversTheTopRowFirstAndUnmirrored) {
    // White 64x64 with a black band of 16 rows added at the bottom and 8
    // columns on the left: as delivered, row 0 is the picture's top row.
    std::string path = WriteDescription(
        dir, "band.xml",
        {Pipeline("videotestsrc pattern=white ! video/x-raw,width=64,height=64 ! "
                  "videobox bottom=-16 left=-8 fill=black")});
    RunningSource running(path);
    running.ExpectFormat(72, 80);
    std::vector<uint8_t> frame = running.Grab(72 * 80 * 4);
    ASSERT_FALSE(frame.empty());
    auto green = [&](int x, int row) { return frame[(static_cast<size_t>(row) * 72 + x) * 4 + 1]; };
    EXPECT_LT(green(2, 0), 40) << "top row starts in the left band";
    EXPECT_GT(green(40, 0), 215) << "top row is white right of the band";
    EXPECT_GT(green(71, 63), 215) << "row 63 is the last white one";
    EXPECT_LT(green(40, 64), 40) << "rows 64 and up are the bottom band";
    EXPECT_LT(green(71, 79), 40) << "last row delivered is the picture's bottom";
}

TEST_F(VideoSourceTest, ThreeThreadsCheckOutAtOnceWithoutTearingOrStalls) {
    std::string path = WriteDescription(
        dir, "ball.xml",
        {Pipeline("videotestsrc is-live=true pattern=ball ! "
                  "video/x-raw,width=320,height=240,framerate=30/1")});
    RunningSource running(path);
    VideoSource& source = running.source;
    const size_t bytes = 320 * 240 * 4;
    std::atomic<bool> stop{false};
    std::atomic<int> holder_cycles{0}, holder_failures{0};
    auto holder = [&](int hold_ms) {
        while (!stop) {
            if (source.WaitForNextSample(-1) != 0) continue;
            MemoryBufferHandle handle;
            uint8_t* pixels;
            if (source.CheckoutMemoryBuffer(&handle, &pixels) < 0) {
                ++holder_failures;
                continue;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(hold_ms));
            if (source.CheckinMemoryBuffer(handle) == 0) ++holder_cycles;
        }
    };
    std::thread first(holder, 30), second(holder, 157);
    ASSERT_EQ(source.WaitForNextSample(2000), 0) << "the first frame";

    // The frame loop: 1 ms wait, checkout, copy, check the copy is the frame
    // still in the buffer (nothing wrote into it meanwhile), check-in.
    std::vector<uint8_t> copy(bytes);
    std::set<int64_t> stamps;
    int failures = 0;
    auto end = Clock::now() + std::chrono::seconds(2);
    while (Clock::now() < end) {
        source.WaitForNextSample(1);
        MemoryBufferHandle handle;
        uint8_t* pixels;
        int64_t stamp = 0;
        if (source.CheckoutMemoryBuffer(&handle, &pixels, nullptr, nullptr, &stamp) < 0) {
            ++failures;
            continue;
        }
        std::memcpy(copy.data(), pixels, bytes);
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
        EXPECT_EQ(std::memcmp(copy.data(), pixels, bytes), 0) << "a checked-out frame changed";
        stamps.insert(stamp);
        ASSERT_EQ(source.CheckinMemoryBuffer(handle), 0);
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    stop = true;
    first.join();  // each holder wakes with the next frame
    second.join();
    EXPECT_EQ(failures, 0);
    EXPECT_EQ(holder_failures, 0);
    EXPECT_GE(stamps.size(), 40u) << "30 fps for 2 s";
    EXPECT_GE(holder_cycles, 20);
}

TEST_F(VideoSourceTest, CheckoutsBeyondTheLimitAreRefusedAndStampsIncrease) {
    std::string path = WriteDescription(
        dir, "ball.xml",
        {Pipeline("videotestsrc is-live=true pattern=ball ! "
                  "video/x-raw,width=64,height=48,framerate=30/1")});
    RunningSource running(path);
    VideoSource& source = running.source;
    ASSERT_EQ(source.WaitForNextSample(2000), 0);
    MemoryBufferHandle handles[4];
    uint8_t* pixels[4];
    int64_t stamps[3] = {};
    for (int i = 0; i < 3; ++i) {
        ASSERT_EQ(source.CheckoutMemoryBuffer(&handles[i], &pixels[i], nullptr, nullptr,
                                              &stamps[i]),
                  0);
        if (i < 2) source.WaitForNextSample(1000);
    }
    EXPECT_LT(source.CheckoutMemoryBuffer(&handles[3], &pixels[3]), 0);
    EXPECT_LT(stamps[0], stamps[2]);
    EXPECT_EQ(source.GetCurrentTimestamp() >= stamps[2], true);
    // Having checked out the newest frame, the caller waits for the next one.
    for (int i = 0; i < 3; ++i) EXPECT_EQ(source.CheckinMemoryBuffer(handles[i]), 0);
    EXPECT_EQ(source.CheckoutMemoryBuffer(&handles[3], &pixels[3]), 0);
    EXPECT_NE(source.WaitForNextSample(0), 0);
    EXPECT_EQ(source.WaitForNextSample(1000), 0);
    EXPECT_EQ(source.CheckinMemoryBuffer(handles[3]), 0);
}

TEST_F(VideoSourceTest, OneMillisecondWaitNeverStallsOnASlowSource) {
    std::string path = WriteDescription(
        dir, "slow.xml",
        {Pipeline("videotestsrc is-live=true pattern=ball ! "
                  "video/x-raw,width=64,height=48,framerate=2/1")});
    RunningSource running(path);
    VideoSource& source = running.source;
    auto longest = Clock::duration::zero();
    int ready = 0;
    auto end = Clock::now() + std::chrono::milliseconds(1500);
    while (Clock::now() < end) {
        auto start = Clock::now();
        if (source.WaitForNextSample(1) == 0) {
            ++ready;
            MemoryBufferHandle handle;
            uint8_t* pixels;
            ASSERT_EQ(source.CheckoutMemoryBuffer(&handle, &pixels), 0);
            source.CheckinMemoryBuffer(handle);
        }
        longest = std::max(longest, Clock::now() - start);
    }
    // A stall would wait for the next frame, half a second away.
    EXPECT_LT(std::chrono::duration_cast<std::chrono::milliseconds>(longest).count(), 100);
    EXPECT_GE(ready, 2);
    EXPECT_LE(ready, 5);
}

TEST_F(VideoSourceTest, MissingMalformedAndUnstartableDescriptionsFail) {
    VideoSource source;
    long width = 0, height = 0;
    EXPECT_LT(source.GetCurrentMediaFormat(&width, &height, nullptr), 0);
    EXPECT_LT(source.EnableMemoryBuffer(3), 0);
    EXPECT_LT(source.Run(), 0);
    EXPECT_NE(source.WaitForNextSample(-1), 0) << "no graph: fails at once instead of hanging";

    EXPECT_LT(source.BuildGraphFromXMLFile((dir + "/none.xml").c_str()), 0);
    std::string broken = dir + "/broken.xml";
    std::ofstream(broken) << "<capture><source pipeline=\"videotestsrc\">";
    EXPECT_LT(source.BuildGraphFromXMLFile(broken.c_str()), 0);
    EXPECT_LT(source.BuildGraphFromXMLFile(WriteDescription(dir, "empty.xml", {}).c_str()), 0);
    // Nothing that starts: no camera here, a bogus element, a device that
    // is not there, a stream that ends before its first frame.
    std::string dead = WriteDescription(
        dir, "dead.xml",
        {"camera=\"7\"", Pipeline("nosuchelement"),
         Pipeline("v4l2src device=/dev/lumora-no-such-video"),
         Pipeline("videotestsrc num-buffers=0")});
    EXPECT_LT(source.BuildGraphFromXMLFile(dead.c_str()), 0);
    EXPECT_LT(source.GetCurrentMediaFormat(&width, &height, nullptr), 0);
    // The reasons are kept, one line each, for the error box.
    const std::string reason = source.FailureReason();
    for (const char* line : {"/dead.xml: source 1 (camera 7): no such camera",
                             "\n" /* one per source */, "source 2 (nosuchelement): no element",
                             "source 4 (videotestsrc num-buffers=0): ended before the first frame",
                             "/dead.xml: no source could be started"})
        EXPECT_NE(reason.find(line), std::string::npos) << line << " in:\n" << reason;
    EXPECT_EQ(std::count(reason.begin(), reason.end(), '\n'), 4) << reason;
    EXPECT_LT(source.BuildGraphFromXMLFile(broken.c_str()), 0);
    EXPECT_NE(std::string(source.FailureReason()).find("/broken.xml: Error on line 1"),
              std::string::npos)
        << source.FailureReason();
}

TEST_F(VideoSourceTest, FallsBackToTheFirstSourceThatStarts) {
    std::string path = WriteDescription(
        dir, "fallback.xml",
        {"camera=\"3\" width=\"640\" height=\"480\"",
         Pipeline("v4l2src device=/dev/lumora-no-such-video"),
         Pipeline("videotestsrc pattern=blue ! video/x-raw,width=160,height=120,framerate=10/1"),
         Pipeline("videotestsrc pattern=red ! video/x-raw,width=320,height=240")});
    RunningSource running(path);
    running.ExpectFormat(160, 120, 10.0);
    std::vector<uint8_t> frame = running.Grab(160 * 120 * 4);
    ASSERT_FALSE(frame.empty());
    EXPECT_GT(frame[0], 200);  // blue
    EXPECT_LT(frame[2], 40);

    // Released: waits and checkouts fail at once; the object builds again.
    EXPECT_EQ(running.source.Stop(), 0);
    EXPECT_EQ(running.source.ReleaseGraph(), 0);
    EXPECT_NE(running.source.WaitForNextSample(-1), 0);
    MemoryBufferHandle handle;
    uint8_t* pixels;
    EXPECT_LT(running.source.CheckoutMemoryBuffer(&handle, &pixels), 0);
    // A source of a single frame: the frame that proved it works is not
    // handed out, but Run() starts it afresh and the frame comes again.
    std::string red = WriteDescription(
        dir, "red.xml",
        {Pipeline("videotestsrc pattern=red num-buffers=1 ! video/x-raw,width=32,height=16")});
    ASSERT_EQ(running.source.BuildGraphFromXMLFile(red.c_str()), 0);
    running.ExpectFormat(32, 16);
    ASSERT_EQ(running.source.EnableMemoryBuffer(3), 0);
    EXPECT_LT(running.source.CheckoutMemoryBuffer(&handle, &pixels), 0) << "no frame before Run()";
    EXPECT_NE(running.source.WaitForNextSample(0), 0);
    ASSERT_EQ(running.source.Run(), 0);
    frame = running.Grab(32 * 16 * 4);
    ASSERT_FALSE(frame.empty());
    EXPECT_GT(frame[2], 200);  // red
}

TEST_F(VideoSourceTest, FramesBiggerThanTheTexturesAreScaledDown) {
    std::string path = WriteDescription(
        dir, "uhd.xml",
        {Pipeline("videotestsrc pattern=green ! video/x-raw,width=4096,height=2160,framerate=5/1")});
    testing::internal::CaptureStderr();
    RunningSource running(path);
    std::string notice = testing::internal::GetCapturedStderr();
    EXPECT_NE(notice.find("4096x2160"), std::string::npos) << notice;
    running.ExpectFormat(2048, 1080);
    running.source.WaitForNextSample(2000);
    MemoryBufferHandle handle;
    uint8_t* pixels;
    unsigned frame_width = 0, frame_height = 0;
    ASSERT_EQ(running.source.CheckoutMemoryBuffer(&handle, &pixels, &frame_width, &frame_height), 0);
    EXPECT_EQ(frame_width, 2048u);
    EXPECT_EQ(frame_height, 1080u);
    EXPECT_GT(pixels[(2048 * 1080 - 1) * 4 + 1], 200);  // green to the last pixel
    running.source.CheckinMemoryBuffer(handle);
}

// Counts the frames arriving in `duration` and whether a checkout of the
// last frame kept working throughout.
int CountFrames(VideoSource& source, std::chrono::milliseconds duration, bool* always_a_frame) {
    std::set<int64_t> stamps;
    *always_a_frame = true;
    auto end = Clock::now() + duration;
    while (Clock::now() < end) {
        source.WaitForNextSample(5);
        MemoryBufferHandle handle;
        uint8_t* pixels;
        int64_t stamp;
        if (source.CheckoutMemoryBuffer(&handle, &pixels, nullptr, nullptr, &stamp) < 0) {
            *always_a_frame = false;
            continue;
        }
        stamps.insert(stamp);
        source.CheckinMemoryBuffer(handle);
    }
    return static_cast<int>(stamps.size());
}

TEST_F(VideoSourceTest, ALostSourceKeepsItsLastFrameAndComesBack) {
    // One stream ends after 10 frames, the other fails after 10: each is
    // restarted after the retry interval and delivers again.
    for (const char* tail : {"num-buffers=10", "! identity error-after=10"}) {
        SCOPED_TRACE(tail);
        std::string description = std::string("videotestsrc is-live=true pattern=ball ") +
                                  (tail[0] == '!' ? "" : tail) +
                                  " ! video/x-raw,width=64,height=48,framerate=30/1 " +
                                  (tail[0] == '!' ? tail : "");
        std::string path = WriteDescription(dir, "lost.xml", {Pipeline(description)});
        VideoSource source;
        ASSERT_EQ(source.BuildGraphFromXMLFile(path.c_str()), 0);
        source.SetRetryInterval(400);
        ASSERT_EQ(source.EnableMemoryBuffer(3), 0);
        testing::internal::CaptureStderr();
        ASSERT_EQ(source.Run(), 0);
        ASSERT_EQ(source.WaitForNextSample(2000), 0) << "the first frame";
        bool always_a_frame = false;
        int frames = CountFrames(source, std::chrono::milliseconds(1600), &always_a_frame);
        std::string log = testing::internal::GetCapturedStderr();
        EXPECT_TRUE(always_a_frame) << "the last frame stays available";
        EXPECT_GT(frames, 12) << "frames resume after the loss";
        EXPECT_NE(log.find("retrying"), std::string::npos) << log;
        EXPECT_EQ(source.Stop(), 0);
    }
}

// The capture devices as the program opens them, with scripted answers.
class CaptureDevicesTest : public ::testing::Test {
protected:
    std::string dir = MakeTempDir("lumora-devices");
    char old_cwd[4096] = {};
    ScriptedDialogs dialogs;

    void SetUp() override {
        app = Application{};
        ASSERT_NE(getcwd(old_cwd, sizeof old_cwd), nullptr);
        ASSERT_EQ(chdir(dir.c_str()), 0);
        ASSERT_EQ(mkdir("dsvl", 0755), 0);
    }
    void TearDown() override {
        CloseCaptureDevices();
        EXPECT_EQ(capture.video_source[0], nullptr) << "the primary source is destroyed";
        EXPECT_EQ(chdir(old_cwd), 0);
    }
    // A blue primary of 160x120 at 30 fps and a red secondary as given.
    void OpenWithSecondary(int width, int height, int rate, bool answer_yes) {
        WriteDescription(".", "dsvl/device1.xml", {Solid("0xff0000ff", 160, 120, 30)});
        WriteDescription(".", "dsvl/device2.xml", {Solid("0xffff0000", width, height, rate)});
        dialogs.AnswerYes(answer_yes);
        ASSERT_TRUE(OpenCaptureDevices(kDeviceFiles));
    }
    void ExpectOneBox(const char* caption, const char* text, MsgIcon icon, MsgButtons buttons) {
        ASSERT_EQ(dialogs.boxes.size(), 1u);
        EXPECT_EQ(dialogs.boxes[0].caption, caption);
        EXPECT_EQ(dialogs.boxes[0].text, text);
        EXPECT_EQ(dialogs.boxes[0].icon, icon);
        EXPECT_EQ(dialogs.boxes[0].buttons, buttons);
    }
    static std::string Solid(const char* colour, int width, int height, int rate) {
        return Pipeline(std::string("videotestsrc is-live=true pattern=solid-color foreground-color=") +
                        colour + " ! video/x-raw,width=" + std::to_string(width) +
                        ",height=" + std::to_string(height) + ",framerate=" + std::to_string(rate) +
                        "/1");
    }
};

TEST_F(CaptureDevicesTest, OneCameraWhenTheSecondIsMissingOrUnbuildable) {
    WriteDescription(".", "dsvl/device1.xml", {Solid("0xff0000ff", 160, 120, 30)});
    ASSERT_TRUE(OpenCaptureDevices(kDeviceFiles));
    EXPECT_EQ(app.video_width, 160);
    EXPECT_EQ(app.video_height, 120);
    EXPECT_DOUBLE_EQ(app.video_frame_rate, 30.0);
    EXPECT_FALSE(app.second_camera_enabled);
    EXPECT_EQ(app.view_mode, kViewNormal);
    EXPECT_TRUE(dialogs.boxes.empty());
    EXPECT_EQ(app.frame_buffer[0], nullptr) << "no frame until the first fetch brings one";
}

TEST_F(CaptureDevicesTest, PrimaryThatCannotStartFails) {
    WriteDescription(".", "dsvl/device1.xml", {"camera=\"5\""});
    EXPECT_FALSE(OpenCaptureDevices(kDeviceFiles));
    // "(N found)": the cameras this machine has.
    const std::string reason = CaptureFailureReason();
    EXPECT_EQ(reason.rfind("dsvl/device1.xml: source 1 (camera 5): no such camera (", 0), 0u)
        << reason;
    EXPECT_NE(reason.find(" found)\ndsvl/device1.xml: no source could be started"),
              std::string::npos)
        << reason;
    capture.video_source[0] = nullptr;  // nothing was started: nothing to close
}

TEST_F(CaptureDevicesTest, ATestPatternInPlaceOfTheCameraIsNoticed) {
    WriteDescription(".", "dsvl/device1.xml", {"camera=\"5\"", Solid("0xff0000ff", 160, 120, 30)});
    ASSERT_TRUE(OpenCaptureDevices(kDeviceFiles));
    EXPECT_STREQ(capture.notice, "No camera available: showing a test pattern");
    CloseCaptureDevices();
    // Opened again with the pattern alone: nothing stands in for anything.
    WriteDescription(".", "dsvl/device1.xml", {Solid("0xff0000ff", 160, 120, 30)});
    ASSERT_TRUE(OpenCaptureDevices(kDeviceFiles));
    EXPECT_STREQ(capture.notice, "");
}

TEST_F(CaptureDevicesTest, SameSizeSecondCameraAsksAndYesGivesSplitScreen) {
    OpenWithSecondary(160, 120, 15, true);
    ExpectOneBox("Display Question",
                 "Lumora has found the secondary Video Device. Would you like to enable the "
                 "secondary Video Device?",
                 MsgIcon::Question, MsgButtons::YesNo);
    EXPECT_TRUE(app.second_camera_enabled);
    EXPECT_EQ(app.view_mode, kViewNormal) << "the caller chooses split screen";
    EXPECT_DOUBLE_EQ(app.video_frame_rate, 15.0) << "the secondary's rate overwrites";
}

TEST_F(CaptureDevicesTest, AnsweringNoKeepsOneCameraButTakesTheSecondRate) {
    OpenWithSecondary(160, 120, 15, false);
    EXPECT_EQ(dialogs.boxes.size(), 1u);
    EXPECT_FALSE(app.second_camera_enabled);
    EXPECT_EQ(app.view_mode, kViewNormal);
    EXPECT_DOUBLE_EQ(app.video_frame_rate, 15.0);
}

TEST_F(CaptureDevicesTest, SecondCameraOfAnotherSizeIsReportedOnce) {
    OpenWithSecondary(320, 240, 30, true);
    ExpectOneBox("Info",
                 "The primary Video Device and secondary Video Device has to be the same "
                 "resolution ! You can set it up in the device file !",
                 MsgIcon::Information, MsgButtons::Ok);
    EXPECT_FALSE(app.second_camera_enabled);
    EXPECT_EQ(capture.video_width2, 320);
}

TEST_F(CaptureDevicesTest, FetchUploadsBothCamerasAndKeepsFramesUntilTheNextFetch) {
    WriteDescription(".", "dsvl/device1.xml", {Solid("0xff0000ff", 160, 120, 30)});  // blue
    WriteDescription(".", "dsvl/device2.xml",
                     {Pipeline("videotestsrc is-live=true pattern=ball ! "
                               "video/x-raw,width=160,height=120,framerate=30/1")});
    dialogs.AnswerYes(true);
    ASSERT_TRUE(OpenCaptureDevices(kDeviceFiles));
    ASSERT_TRUE(app.second_camera_enabled);

    UseTestWindow(160, 120);
    GLuint saved[2] = {render.texture_table[0], render.texture_table[1]};
    glGenTextures(2, render.texture_table);
    for (int i = 0; i < 2; ++i) {
        glBindTexture(GL_TEXTURE_2D, render.texture_table[i]);
        glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, 256, 256, 0, GL_RGBA, GL_UNSIGNED_BYTE, nullptr);
    }
    capture.video_source[0]->WaitForNextSample(2000);
    capture.video_source[1]->WaitForNextSample(2000);
    UploadCameraFrames(FetchFrames());
    ASSERT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));

    std::vector<uint8_t> texels(256 * 256 * 4);
    glBindTexture(GL_TEXTURE_2D, render.texture_table[0]);
    glGetTexImage(GL_TEXTURE_2D, 0, GL_BGRA, GL_UNSIGNED_BYTE, texels.data());
    EXPECT_EQ(texels[0], 0xff) << "camera texture 0 holds the blue frame";
    EXPECT_EQ(texels[2], 0x00);
    EXPECT_EQ(texels[(119 * 256 + 159) * 4], 0xff) << "up to its top-right texel";
    ASSERT_NE(app.frame_buffer[0], nullptr);
    EXPECT_EQ(app.frame_buffer[0][0], 0xff);

    // The moving ball: our copy does not change while frames keep arriving,
    // and the next fetch brings a newer one.
    const size_t bytes = 160 * 120 * 4;
    std::vector<uint8_t> before(app.frame_buffer[1], app.frame_buffer[1] + bytes);
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    EXPECT_EQ(std::memcmp(before.data(), app.frame_buffer[1], bytes), 0);
    UploadCameraFrames(FetchFrames());
    EXPECT_NE(std::memcmp(before.data(), app.frame_buffer[1], bytes), 0);
    glBindTexture(GL_TEXTURE_2D, render.texture_table[1]);
    glGetTexImage(GL_TEXTURE_2D, 0, GL_BGRA, GL_UNSIGNED_BYTE, texels.data());
    for (int row = 0; row < 120; ++row)
        ASSERT_EQ(std::memcmp(&texels[row * 256 * 4], app.frame_buffer[1] + row * 160 * 4, 160 * 4),
                  0)
            << "texture row " << row;

    glDeleteTextures(2, render.texture_table);
    render.texture_table[0] = saved[0];
    render.texture_table[1] = saved[1];
}

}  // namespace
