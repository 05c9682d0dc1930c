// Which mode a camera opens in, without GStreamer: raw against compressed,
// asked sizes and rates the camera lacks, rates as fractions, ranges.
#include "capture/camera_modes.h"

#include <gtest/gtest.h>

#include <cstring>
#include <random>

#include "capture/device_description.h"

namespace {

constexpr FrameRate k30{30, 1};
constexpr FrameRate kNtsc{30000, 1001};

CameraMode Mode(CameraFormat format, int width, int height, FrameRate rate) {
    CameraMode mode;
    mode.format = format;
    mode.width = {width, width};
    mode.height = {height, height};
    mode.min_rate = mode.max_rate = rate;
    return mode;
}

// As most USB webcams: raw HD only at low rates, Motion JPEG at full rate.
std::vector<CameraMode> Webcam() {
    using F = CameraFormat;
    return {Mode(F::kRaw, 640, 480, k30),      Mode(F::kRaw, 1280, 720, {10, 1}),
            Mode(F::kRaw, 1920, 1080, {5, 1}), Mode(F::kMjpeg, 640, 480, k30),
            Mode(F::kMjpeg, 1280, 720, k30),   Mode(F::kMjpeg, 1280, 720, {15, 1}),
            Mode(F::kMjpeg, 1920, 1080, k30),  Mode(F::kH264, 1920, 1080, k30)};
}

ModeAsk Ask(int width, int height, FrameRate rate = {}, CameraFormat format = CameraFormat::kAny) {
    ModeAsk ask;
    ask.width = width;
    ask.height = height;
    ask.rate = rate;
    ask.format = format;
    return ask;
}

const DecoderSet kAllDecoders{true, true};

// The caps of the choice, or "error: <reason>".
std::string Choose(const std::vector<CameraMode>& modes, const ModeAsk& ask,
                   const DecoderSet& decoders = kAllDecoders) {
    ModeChoice choice;
    std::string error;
    if (!ChooseCameraMode(modes, ask, decoders, &choice, &error)) return "error: " + error;
    return ModeChoiceCaps(choice);
}

TEST(CameraModes, RawWhenItReachesTheRateElseCompressed) {
    EXPECT_EQ(Choose(Webcam(), Ask(0, 0)), "video/x-raw,width=640,height=480,framerate=30/1")
        << "the camera's own mode, the first listed";
    EXPECT_EQ(Choose(Webcam(), Ask(640, 480)), "video/x-raw,width=640,height=480,framerate=30/1");
    EXPECT_EQ(Choose(Webcam(), Ask(1280, 720)), "image/jpeg,width=1280,height=720,framerate=30/1")
        << "the highest rate at the size, raw reaches only 10";
    EXPECT_EQ(Choose(Webcam(), Ask(1280, 720, {10, 1})),
              "video/x-raw,width=1280,height=720,framerate=10/1");
    EXPECT_EQ(Choose(Webcam(), Ask(1280, 720, {15, 1})),
              "image/jpeg,width=1280,height=720,framerate=15/1");
    EXPECT_EQ(Choose(Webcam(), Ask(1920, 0)), "image/jpeg,width=1920,height=1080,framerate=30/1");
    EXPECT_EQ(Choose(Webcam(), Ask(0, 0, {5, 1})),
              "video/x-raw,width=1920,height=1080,framerate=5/1")
        << "the first size with the asked rate";
    EXPECT_EQ(Choose(Webcam(), Ask(0, 0, {}, CameraFormat::kH264)),
              "video/x-h264,width=1920,height=1080,framerate=30/1");
    EXPECT_EQ(Choose(Webcam(), Ask(1920, 1080, {}, CameraFormat::kRaw)),
              "video/x-raw,width=1920,height=1080,framerate=5/1")
        << "a pinned format is kept even at a low rate";
    // Without a Motion JPEG decoder the raw mode is all there is.
    EXPECT_EQ(Choose(Webcam(), Ask(1280, 720), DecoderSet{false, true}),
              "video/x-raw,width=1280,height=720,framerate=10/1");
    EXPECT_EQ(Choose(Webcam(), Ask(1920, 1080), DecoderSet{false, true}),
              "video/x-h264,width=1920,height=1080,framerate=30/1");
}

TEST(CameraModes, WhatIsMissingIsNamed) {
    EXPECT_EQ(Choose(Webcam(), Ask(800, 600)),
              "error: the camera offers no mode 800x600 (its sizes: 640x480, 1280x720, 1920x1080)");
    EXPECT_EQ(Choose(Webcam(), Ask(0, 600)),
              "error: the camera offers no mode 600 pixels high "
              "(its sizes: 640x480, 1280x720, 1920x1080)");
    EXPECT_EQ(Choose(Webcam(), Ask(1280, 720, {60, 1})),
              "error: the camera offers 1280x720 at 10, 30, 15 fps, not at 60 fps");
    EXPECT_EQ(
        Choose({Mode(CameraFormat::kRaw, 640, 480, k30)}, Ask(0, 0, {}, CameraFormat::kMjpeg)),
        "error: the camera offers no Motion JPEG mode (it offers raw)");
    EXPECT_EQ(Choose(Webcam(), Ask(0, 0, {}, CameraFormat::kH264), DecoderSet{true, false}),
              "error: no H.264 decoder is installed (H.264 needs avdec_h264 or openh264dec)");

    CameraMode hevc = Mode(CameraFormat::kOther, 1280, 720, k30);
    hevc.media_type = "video/x-h265";
    EXPECT_EQ(Choose({hevc}, Ask(0, 0)),
              "error: no decoder here takes the camera's formats (video/x-h265)");
    EXPECT_EQ(Choose({Mode(CameraFormat::kMjpeg, 1280, 720, k30), hevc}, Ask(0, 0), DecoderSet{}),
              "error: no decoder here takes the camera's formats (Motion JPEG, video/x-h265); "
              "Motion JPEG needs jpegdec or jpegparse ! avdec_mjpeg");
}

TEST(CameraModes, RatesAreFractions) {
    EXPECT_TRUE(SameRate({60, 2}, k30));
    EXPECT_FALSE(SameRate(kNtsc, k30));
    EXPECT_TRUE(RateBelow(kNtsc, k30));
    EXPECT_EQ(RateText(kNtsc), "29.97");
    EXPECT_EQ(RateText({15, 2}), "7.5");
    EXPECT_EQ(RateText({60, 2}), "30");

    const std::vector<CameraMode> ntsc = {Mode(CameraFormat::kRaw, 640, 480, kNtsc),
                                          Mode(CameraFormat::kRaw, 640, 480, {15000, 1001})};
    EXPECT_EQ(Choose(ntsc, Ask(0, 0)), "video/x-raw,width=640,height=480,framerate=30000/1001");
    EXPECT_EQ(Choose(ntsc, Ask(640, 480, {15000, 1001})),
              "video/x-raw,width=640,height=480,framerate=15000/1001");
    // Asked for 30, a 29.97 camera is held to its own rate, as it states it.
    EXPECT_EQ(Choose(ntsc, Ask(640, 480, k30)),
              "video/x-raw,width=640,height=480,framerate=30000/1001");
    EXPECT_EQ(Choose(ntsc, Ask(640, 480, {29, 1})),
              "error: the camera offers 640x480 at 29.97, 14.99 fps, not at 29 fps");
}

TEST(CameraModes, RangesTakeTheAskedValues) {
    CameraMode range;
    range.width = {160, 1920};
    range.height = {120, 1080};
    range.min_rate = {1, 1};
    range.max_rate = k30;
    EXPECT_EQ(Choose({range}, Ask(1000, 500, {25, 1})),
              "video/x-raw,width=1000,height=500,framerate=25/1");
    EXPECT_EQ(Choose({range}, Ask(0, 0)), "video/x-raw,framerate=30/1")
        << "the size left to the camera";
    EXPECT_EQ(Choose({range}, Ask(2000, 0)),
              "error: the camera offers no mode 2000 pixels wide (its sizes: 160-1920x120-1080)");
    CameraMode untold = Mode(CameraFormat::kMjpeg, 640, 480, {});
    EXPECT_EQ(Choose({untold}, Ask(0, 0, {20, 1})),
              "image/jpeg,width=640,height=480,framerate=20/1")
        << "a camera that tells no rate is asked for the one wanted";

    // A camera that lists nothing is asked for what the file asks.
    EXPECT_EQ(ModeChoiceCaps(ChoiceWithoutModes(Ask(0, 0))), "video/x-raw");
    EXPECT_EQ(ModeChoiceCaps(ChoiceWithoutModes(Ask(320, 0, {}, CameraFormat::kMjpeg))),
              "image/jpeg,width=320");
}

TEST(CameraModes, FormatNamesOfTheDescriptionFile) {
    DeviceDescription description;
    std::string error;
    const std::string text = R"(<capture><source camera="1" width="1920" format="mjpeg"/>
                                <source camera="0" format="raw"/><source camera="0"/></capture>)";
    ASSERT_TRUE(ParseDeviceDescription(text.data(), text.size(), &description, &error)) << error;
    EXPECT_EQ(description.sources[0].format, CameraFormat::kMjpeg);
    EXPECT_EQ(description.sources[1].format, CameraFormat::kRaw);
    EXPECT_EQ(description.sources[2].format, CameraFormat::kAny);
    EXPECT_EQ(CameraCapsText(description.sources[0]), "image/jpeg,width=1920");
    EXPECT_EQ(CameraCapsText(description.sources[1]), "video/x-raw");

    for (const char* bad :
         {R"(<capture><source camera="0" format="jpeg"/></capture>)",
          R"(<capture><source pipeline="videotestsrc" format="raw"/></capture>)"}) {
        EXPECT_FALSE(ParseDeviceDescription(bad, std::strlen(bad), &description, &error)) << bad;
        EXPECT_NE(error.find("format"), std::string::npos) << error;
    }
    EXPECT_NE(error.find("cameras only"), std::string::npos) << error;
    EXPECT_EQ(CameraFormatOfMediaType("image/jpeg"), CameraFormat::kMjpeg);
    EXPECT_EQ(CameraFormatOfMediaType("video/x-bayer"), CameraFormat::kOther);
    EXPECT_EQ(ChainElements(" jpegparse !avdec_mjpeg "),
              (std::vector<std::string>{"jpegparse", "avdec_mjpeg"}));
    EXPECT_EQ(ChainElements("jpegdec"), std::vector<std::string>{"jpegdec"});
}

// Over many made-up cameras and asks: a choice is a listed mode of the asked
// size and rate in a decodable format, compressed only when no raw mode of
// that size reaches the rate, at the highest rate when none is asked; a
// refusal only when no such mode exists.
TEST(CameraModes, ChoicePropertiesOverRandomCameras) {
    using F = CameraFormat;
    const F formats[] = {F::kRaw, F::kMjpeg, F::kH264, F::kOther};
    const int sizes[][2] = {{640, 480}, {1280, 720}, {1920, 1080}};
    const FrameRate rates[] = {{5, 1}, {15, 1}, k30, kNtsc};
    std::mt19937 random(15);
    auto pick = [&](int n) { return static_cast<int>(random() % n); };
    for (int round = 0; round < 2000; ++round) {
        std::vector<CameraMode> modes;
        for (int i = 1 + pick(6); i > 0; --i) {
            const auto& size = sizes[pick(3)];
            modes.push_back(Mode(formats[pick(4)], size[0], size[1], rates[pick(4)]));
        }
        const auto& size = sizes[pick(3)];
        const bool sized = pick(3) > 0;
        const ModeAsk ask =
            Ask(sized ? size[0] : 0, sized ? size[1] : 0, pick(2) ? rates[pick(4)] : FrameRate{},
                pick(3) ? F::kAny : formats[pick(3)]);
        const DecoderSet decoders{pick(4) > 0, pick(2) > 0};
        auto usable = [&](const CameraMode& m) {
            return decoders.Decodes(m.format) && (ask.format == F::kAny || m.format == ask.format);
        };
        // 0: any size or rate.
        auto near = [](FrameRate a, FrameRate b) {
            return SameRate(a, b) || (SameRate(a, k30) && SameRate(b, kNtsc)) ||
                   (SameRate(a, kNtsc) && SameRate(b, k30));
        };
        auto fits = [&](const CameraMode& m, int width, int height, FrameRate rate) {
            return usable(m) && (!width || m.width.min == width) &&
                   (!height || m.height.min == height) && (rate.num == 0 || near(m.max_rate, rate));
        };
        ModeChoice choice;
        std::string error;
        const bool chosen = ChooseCameraMode(modes, ask, decoders, &choice, &error);
        const std::string trace = "round " + std::to_string(round) + " " + error;
        if (!chosen) {
            for (const CameraMode& m : modes)
                EXPECT_FALSE(fits(m, ask.width, ask.height, ask.rate)) << trace;
            EXPECT_FALSE(error.empty());
            continue;
        }
        ASSERT_TRUE(decoders.Decodes(choice.format)) << trace;
        if (ask.format != F::kAny) {
            EXPECT_EQ(choice.format, ask.format) << trace;
        }
        if (ask.width) {
            EXPECT_EQ(choice.width, ask.width) << trace;
        }
        bool listed = false, raw_reaches = false, faster = false;
        for (const CameraMode& m : modes) {
            listed |=
                m.format == choice.format && fits(m, choice.width, choice.height, choice.rate);
            raw_reaches |= m.format == F::kRaw && fits(m, choice.width, choice.height, choice.rate);
            faster |= fits(m, choice.width, choice.height, {}) &&
                      RateBelow(choice.rate, m.max_rate) && !near(choice.rate, m.max_rate);
        }
        EXPECT_TRUE(listed) << trace;
        EXPECT_FALSE(choice.format != F::kRaw && raw_reaches) << trace;
        EXPECT_FALSE(ask.rate.num == 0 && faster) << trace;
    }
}

}  // namespace
