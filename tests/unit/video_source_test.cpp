// What the GStreamer side builds on and says, and its watch over a running
// source, without GStreamer.
#include <gtest/gtest.h>

#include "capture/device_description.h"
#include "capture/video_source.h"

namespace {

TEST(SourceTextTest, DescriptionsPipelinesAndReasons) {
    CaptureSourceSpec camera;
    camera.camera_index = 2;
    CaptureSourceSpec pattern;
    pattern.kind = CaptureSourceSpec::kPipeline;
    pattern.pipeline = "videotestsrc is-live=true";
    EXPECT_EQ(DescribeSource(camera, 0), "source 1 (camera 2)");
    EXPECT_EQ(DescribeSource(pattern, 3), "source 4 (videotestsrc is-live=true)");

    // The tail names the two elements the source looks up.
    const std::string text = PipelineText(pattern);
    EXPECT_EQ(text.rfind("videotestsrc is-live=true ! videoscale ! ", 0), 0u) << text;
    EXPECT_NE(text.find(std::string("name=") + kFitName + " "), std::string::npos) << text;
    EXPECT_NE(text.find(std::string("name=") + kSinkName + " "), std::string::npos) << text;

    EXPECT_EQ(CameraLinkFailure(""), "the camera does not link to the conversion");
    EXPECT_EQ(CameraLinkFailure("video/x-raw,width=640"), "the camera offers no mode video/x-raw,width=640");
    EXPECT_EQ(LostSourceNotice("the stream ended", 3000), "the stream ended; the last frame stays, retrying every 3 s");
    EXPECT_EQ(LostSourceNotice("x", 400), "x; the last frame stays, retrying every 1 s");
    EXPECT_EQ(LostCameraNotice("Could not read from resource.", "port usb-1"),
              "Could not read from resource; the last frame stays until the camera (port usb-1) "
              "is back");
    EXPECT_EQ(ReturnedCameraNotice("HD Webcam", 2), "the camera is back: HD Webcam, now camera 2");
    EXPECT_EQ(UndecodedFrameNotice("jpegdec", ""),
              "a frame from the camera does not decode (jpegdec); such frames are skipped, and not "
              "told again");
    EXPECT_EQ(UndecodedFrameNotice("avdec_h264", "no picture"),
              "a frame from the camera does not decode (avdec_h264: no picture); such frames are "
              "skipped, and not told again");
}

// A source fails at 1 s and again while lost, restarts every 400 ms until a
// frame arrives, then runs on untouched.
TEST(SourceWatchTest, StopsOnceToldRestartsOnTimeAndNoticesTheReturn) {
    constexpr int kRetryMs = 400;
    constexpr int64_t kSecond = 1000000;
    SourceWatch watch;
    EXPECT_EQ(watch.Poll(false, 10, 0, kRetryMs), SourceWatch::kWait);
    EXPECT_EQ(watch.Poll(true, 10, kSecond, kRetryMs), SourceWatch::kLose);
    EXPECT_EQ(watch.Poll(false, 10, kSecond + 399999, kRetryMs), SourceWatch::kWait);
    EXPECT_EQ(watch.Poll(false, 10, kSecond + 400000, kRetryMs), SourceWatch::kRestart);
    EXPECT_EQ(watch.Poll(true, 10, kSecond + 500000, kRetryMs), SourceWatch::kStop) << "told once";
    EXPECT_EQ(watch.Poll(false, 10, kSecond + 800000, kRetryMs), SourceWatch::kWait)
        << "the retry time counts from the last failure";
    EXPECT_EQ(watch.Poll(false, 10, kSecond + 900000, kRetryMs), SourceWatch::kRestart);
    EXPECT_EQ(watch.Poll(false, 11, kSecond + 950000, kRetryMs), SourceWatch::kRecover);
    EXPECT_EQ(watch.Poll(false, 11, 9 * kSecond, kRetryMs), SourceWatch::kWait);
    EXPECT_EQ(watch.Poll(true, 12, 10 * kSecond, kRetryMs), SourceWatch::kLose) << "a new loss is told";
}

// A camera unplugged while running is lost at once; plugged in again, it
// is looked for at the next poll, not at the retry time.
TEST(SourceWatchTest, ACameraPluggedInAgainIsLookedForAtOnce) {
    constexpr int kRetryMs = 3000;
    SourceWatch watch;
    watch.RetryNow(0);
    EXPECT_EQ(watch.Poll(false, 5, 1000, kRetryMs), SourceWatch::kWait)
        << "only a lost source retries";
    EXPECT_EQ(watch.Poll(true, 5, 2000, kRetryMs), SourceWatch::kLose);
    EXPECT_EQ(watch.Poll(false, 5, 3000, kRetryMs), SourceWatch::kWait);
    watch.RetryNow(4000);
    EXPECT_EQ(watch.Poll(false, 5, 4000, kRetryMs), SourceWatch::kRestart);
    EXPECT_EQ(watch.Poll(false, 5, 5000, kRetryMs), SourceWatch::kWait)
        << "then the interval again";
    EXPECT_EQ(watch.Poll(false, 6, 6000, kRetryMs), SourceWatch::kRecover);
}

}  // namespace
