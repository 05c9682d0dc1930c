// The capture devices over scripted cameras: the second-camera offer, what
// opening does with each answer, and what a fetch copies and reports.
#include <gtest/gtest.h>

#include <cstring>

#include "app/app.h"
#include "capture/capture.h"
#include "support/fake_video_source.h"
#include "support/state_guard.h"
#include "support/test_support.h"

namespace {

const char* const kPrimary = kDeviceFiles[0];
const char* const kSecondary = kDeviceFiles[1];

TEST(SecondCameraOfferTest, AsksOnlyForTheSameSize) {
    EXPECT_EQ(OfferSecondCamera(false, 640, 480, 640, 480), SecondCameraOffer::kNone);
    EXPECT_EQ(OfferSecondCamera(true, 640, 480, 640, 480), SecondCameraOffer::kAsk);
    EXPECT_EQ(OfferSecondCamera(true, 640, 480, 640, 360), SecondCameraOffer::kSizeMismatch);
    EXPECT_EQ(OfferSecondCamera(true, 640, 480, 320, 480), SecondCameraOffer::kSizeMismatch);
}

class CaptureTest : public ::testing::Test {
protected:
    void SetUp() override {
        ResetFakeCameras();
        FakeCameraFor(kPrimary).stand_in_notice = "No camera available: showing a test pattern";
        FakeCameraFor(kSecondary).frame_rate = 15;
    }
    void TearDown() override {
        CloseCaptureDevices();
        EXPECT_EQ(capture.video_source[0], nullptr) << "closing waits for the holder threads";
        ResetFakeCameras();
    }
    ProgramStateGuard guard_{ProgramStateGuard::kFresh};
    ScriptedDialogs dialogs;
};

TEST_F(CaptureTest, EachAnswerAboutTheSecondCameraKeepsOrGivesItBack) {
    struct Case {
        bool builds;
        int width;
        bool yes;
        const char* caption;  // the one box, if any
        bool enabled;
        int releases;
    };
    const Case cases[] = {{false, 64, true, nullptr, false, 0},
                          {true, 64, true, "Display Question", true, 0},
                          {true, 64, false, "Display Question", false, 1},
                          {true, 32, true, "Info", false, 1}};
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "builds " << c.builds << " width " << c.width << " yes " << c.yes);
        CloseCaptureDevices();
        app = Application{};
        dialogs.boxes.clear();
        dialogs.AnswerYes(c.yes);
        FakeCamera& secondary = FakeCameraFor(kSecondary);
        secondary = FakeCamera{};
        secondary.builds = c.builds;
        secondary.width = c.width;
        secondary.frame_rate = 15;
        ASSERT_TRUE(OpenCaptureDevices(kDeviceFiles));
        ASSERT_EQ(dialogs.boxes.size(), c.caption ? 1u : 0u);
        if (c.caption) {
            EXPECT_EQ(dialogs.boxes[0].caption, c.caption);
        }
        EXPECT_EQ(app.second_camera_enabled, c.enabled);
        EXPECT_EQ(FakeCameraFor(kSecondary).running, c.enabled);
        EXPECT_EQ(FakeCameraFor(kSecondary).releases, c.releases) << "an unused camera is given back";
        EXPECT_EQ(app.view_mode, kViewNormal) << "the view is the caller's choice";
        EXPECT_DOUBLE_EQ(app.video_frame_rate, c.builds ? 15.0 : 30.0);
        EXPECT_STREQ(capture.notice, "No camera available: showing a test pattern");
    }
    CloseCaptureDevices();
    FakeCameraFor(kPrimary).builds = false;
    EXPECT_FALSE(OpenCaptureDevices(kDeviceFiles));
    EXPECT_STREQ(CaptureFailureReason(), "dsvl/device1.xml: no source could be started");
    capture.video_source[0] = nullptr;  // nothing was started: nothing to close
}

TEST_F(CaptureTest, FetchCopiesNewFramesOnlyAndReportsWhatItFilled) {
    dialogs.AnswerYes(true);
    ASSERT_TRUE(OpenCaptureDevices(kDeviceFiles));
    ASSERT_TRUE(app.second_camera_enabled);

    FetchedFrames fetched = FetchFrames();
    EXPECT_FALSE(fetched.camera[0] || fetched.camera[1]) << "no frame yet";
    EXPECT_EQ(app.frame_buffer[0], nullptr);

    PublishFakeFrame(kPrimary, 0x11, 64, 48);
    PublishFakeFrame(kSecondary, 0x22, 32, 48);  // a size that does not fit
    fetched = FetchFrames();
    EXPECT_TRUE(fetched.camera[0]);
    EXPECT_FALSE(fetched.camera[1]);
    ASSERT_NE(app.frame_buffer[0], nullptr);
    EXPECT_EQ(app.frame_buffer[0][64 * 48 * 4 - 1], 0x11);
    EXPECT_EQ(app.frame_buffer[1], nullptr);

    // The same frame again is reported but not copied again; a newer one is.
    OverwriteFakeFrame(kPrimary, 0x33);
    EXPECT_TRUE(FetchFrames().camera[0]);
    EXPECT_EQ(app.frame_buffer[0][0], 0x11);
    PublishFakeFrame(kPrimary, 0x44, 64, 48);
    const uint8_t* before = app.frame_buffer[0];
    EXPECT_TRUE(FetchFrames().camera[0]);
    EXPECT_EQ(app.frame_buffer[0], before) << "one buffer of our own per camera";
    EXPECT_EQ(app.frame_buffer[0][0], 0x44);
}

// The frame loop's drawing decision: news is a frame newer than the last
// fetch, or a camera lost or back.
TEST_F(CaptureTest, CameraNewsIsANewFrameOrALossUntilTheNextFetch) {
    dialogs.AnswerYes(false);
    ASSERT_TRUE(OpenCaptureDevices(kDeviceFiles));
    EXPECT_FALSE(CameraNewsWaiting(kPrimaryCamera)) << "no frame yet";
    PublishFakeFrame(kPrimary, 0x11, 64, 48);
    EXPECT_TRUE(CameraNewsWaiting(kPrimaryCamera));
    FetchFrames();
    EXPECT_FALSE(CameraNewsWaiting(kPrimaryCamera));
    EXPECT_EQ(FetchedFrameStamp(kPrimaryCamera), capture.fetched_stamp[0]);
    FakeCameraFor(kPrimary).lost = true;
    EXPECT_TRUE(CameraNewsWaiting(kPrimaryCamera));
    FetchFrames();
    EXPECT_FALSE(CameraNewsWaiting(kPrimaryCamera)) << "the loss is shown once";
}

}  // namespace
