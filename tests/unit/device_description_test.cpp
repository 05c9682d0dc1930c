#include "capture/device_description.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstring>
#include <fstream>

#include "support/test_support.h"

namespace {

bool Parse(const std::string& text, DeviceDescription* out, std::string* error) {
    return ParseDeviceDescription(text.data(), text.size(), out, error);
}

std::string ParseError(const std::string& text) {
    DeviceDescription description;
    std::string error;
    EXPECT_FALSE(Parse(text, &description, &error)) << text;
    EXPECT_FALSE(error.empty()) << text;
    return error;
}

TEST(DeviceDescription, ShippedFilesListTheCameraFirstAndTheTestPatternAsFallback) {
    DeviceDescription first, second;
    std::string error;
    ASSERT_TRUE(LoadDeviceDescription((SourceDir() + "/data/dsvl/device1.xml").c_str(), &first,
                                      &error))
        << error;
    ASSERT_EQ(first.sources.size(), 2u);
    EXPECT_EQ(first.sources[0].kind, CaptureSourceSpec::kCamera);
    EXPECT_EQ(first.sources[0].camera_index, 0);
    EXPECT_EQ(first.sources[1].kind, CaptureSourceSpec::kPipeline);
    EXPECT_NE(first.sources[1].pipeline.find("is-live=true"), std::string::npos);
    EXPECT_NE(first.sources[1].pipeline.find("width=640,height=480,framerate=30/1"),
              std::string::npos);

    ASSERT_TRUE(LoadDeviceDescription((SourceDir() + "/data/dsvl/device2.xml").c_str(), &second,
                                      &error))
        << error;
    ASSERT_EQ(second.sources.size(), 1u);
    EXPECT_EQ(second.sources[0].kind, CaptureSourceSpec::kCamera);
    EXPECT_EQ(second.sources[0].camera_index, 1);
}

TEST(DeviceDescription, KeepsOrderAndReadsCameraAttributes) {
    DeviceDescription description;
    std::string error;
    ASSERT_TRUE(Parse(R"(<?xml version="1.0"?>
        <!-- comments are fine -->
        <capture>
          <source camera="2" width="1280" height="720" framerate="30000/1001"/>
          <source pipeline="videotestsrc pattern=ball ! video/x-raw,width=320"></source>
          <source camera="0" framerate="15"/>
        </capture>)",
                      &description, &error))
        << error;
    ASSERT_EQ(description.sources.size(), 3u);
    const CaptureSourceSpec& hd = description.sources[0];
    EXPECT_EQ(hd.camera_index, 2);
    EXPECT_EQ(hd.width, 1280);
    EXPECT_EQ(hd.height, 720);
    EXPECT_EQ(hd.framerate_num, 30000);
    EXPECT_EQ(hd.framerate_den, 1001);
    EXPECT_EQ(CameraCapsText(hd), "video/x-raw,width=1280,height=720,framerate=30000/1001");
    EXPECT_EQ(description.sources[1].pipeline, "videotestsrc pattern=ball ! video/x-raw,width=320");
    EXPECT_EQ(description.sources[2].framerate_num, 15);
    EXPECT_EQ(description.sources[2].framerate_den, 1);
    EXPECT_EQ(CameraCapsText(description.sources[2]), "video/x-raw,framerate=15/1");

    DeviceDescription bare;
    ASSERT_TRUE(Parse("<capture><source camera='0'/></capture>", &bare, &error));
    EXPECT_EQ(CameraCapsText(bare.sources[0]), "");  // whatever the camera offers
}

TEST(DeviceDescription, RejectsMalformedFilesWithAReason) {
    ParseError("");
    ParseError("not xml at all");
    ParseError("<capture><source camera=\"0\"/>");  // unclosed
    ParseError("<capture><source camera=\"0\"></capture>");
    EXPECT_NE(ParseError("<devices><source camera=\"0\"/></devices>").find("capture"),
              std::string::npos);
    ParseError("<capture/><capture><source camera=\"0\"/></capture>");
    ParseError("<capture><source camera=\"0\"><source camera=\"1\"/></source></capture>");
    ParseError("<capture><camera index=\"0\"/></capture>");
    ParseError("<capture>text<source camera=\"0\"/></capture>");
    EXPECT_NE(ParseError("<capture><source camera=\"0\" widht=\"640\"/></capture>").find("widht"),
              std::string::npos);
    // Exactly one of camera / pipeline.
    ParseError("<capture><source/></capture>");
    ParseError("<capture><source camera=\"0\" pipeline=\"videotestsrc\"/></capture>");
    ParseError("<capture><source pipeline=\"  \"/></capture>");
    // Camera options belong to cameras; a pipeline states its own caps.
    ParseError("<capture><source pipeline=\"videotestsrc\" width=\"640\"/></capture>");
    // Numbers are whole, in range, and nothing else.
    for (const char* bad : {"camera=\"-1\"", "camera=\"one\"", "camera=\"0x1\"", "camera=\"\"",
                            "camera=\"0\" width=\"0\"", "camera=\"0\" height=\"640px\"",
                            "camera=\"0\" width=\"99999\"", "camera=\"0\" framerate=\"0\"",
                            "camera=\"0\" framerate=\"30/0\"", "camera=\"0\" framerate=\"29.97\"",
                            "camera=\"0\" camera=\"1\""})
        ParseError(std::string("<capture><source ") + bad + "/></capture>");
}

TEST(DeviceDescription, EmptyListAndMissingFileAreErrors) {
    EXPECT_NE(ParseError("<capture></capture>").find("no <source>"), std::string::npos);
    ParseError("<capture>  <!-- nothing -->  </capture>");

    DeviceDescription description;
    std::string error;
    std::string dir = MakeTempDir();
    std::string missing = dir + "/device9.xml";
    EXPECT_FALSE(LoadDeviceDescription(missing.c_str(), &description, &error));
    EXPECT_NE(error.find("device9.xml"), std::string::npos) << error;

    // A failed parse leaves the previous result alone.
    ASSERT_TRUE(Parse("<capture><source camera=\"4\"/></capture>", &description, &error));
    EXPECT_FALSE(Parse("<capture><source camera=\"5\"/>", &description, &error));
    ASSERT_EQ(description.sources.size(), 1u);
    EXPECT_EQ(description.sources[0].camera_index, 4);

    std::string truncated = dir + "/truncated.xml";
    std::ofstream(truncated) << "<capture><source pipeline=\"videotestsrc\"/>";
    EXPECT_FALSE(LoadDeviceDescription(truncated.c_str(), &description, &error));

    // A relative name is looked for in the working folder, which the error
    // names (the program started outside its data folder).
    char old_cwd[4096];
    ASSERT_NE(getcwd(old_cwd, sizeof old_cwd), nullptr);
    ASSERT_EQ(chdir(dir.c_str()), 0);
    EXPECT_FALSE(LoadDeviceDescription("dsvl/device1.xml", &description, &error));
    ASSERT_EQ(chdir(old_cwd), 0);
    EXPECT_NE(error.find("dsvl/device1.xml"), std::string::npos) << error;
    EXPECT_NE(error.find("(working folder " + dir + ")"), std::string::npos) << error;
}

// Which source runs decides whether the window says a camera is missing.
TEST(DeviceDescription, StandInNoticeOnlyWhenAPipelineReplacesACamera) {
    DeviceDescription description;
    std::string error;
    ASSERT_TRUE(Parse(R"(<capture>
          <source camera="0" width="1280" height="720"/>
          <source camera="0"/>
          <source pipeline="  videotestsrc is-live=true pattern=ball ! video/x-raw,width=640"/>
          <source pipeline="filesrc location=clip.avi ! decodebin"/>
          <source pipeline="videotestsrcx"/>
        </capture>)",
                      &description, &error))
        << error;
    EXPECT_EQ(StandInNotice(description, 0), "") << "the camera runs";
    EXPECT_EQ(StandInNotice(description, 1), "") << "the camera runs in its own mode";
    EXPECT_EQ(StandInNotice(description, 2), "No camera available: showing a test pattern");
    EXPECT_EQ(StandInNotice(description, 3), "No camera available: showing source 4");
    EXPECT_EQ(StandInNotice(description, 4), "No camera available: showing source 5");
    EXPECT_EQ(StandInNotice(description, 5), "") << "past the end";

    DeviceDescription pipelines;
    ASSERT_TRUE(Parse("<capture><source pipeline='v4l2src'/><source pipeline='videotestsrc'/>"
                      "</capture>",
                      &pipelines, &error));
    EXPECT_EQ(StandInNotice(pipelines, 1), "") << "no camera listed: nothing to miss";
}

TEST(DeviceDescription, BigFramesShrinkToTheTextureWithTheirAspect) {
    int width = 1920, height = 1080;
    EXPECT_FALSE(FitFrameSize(&width, &height));
    EXPECT_EQ(width, 1920);
    width = 2048, height = 2048;
    EXPECT_FALSE(FitFrameSize(&width, &height));

    width = 4096, height = 2160;
    EXPECT_TRUE(FitFrameSize(&width, &height));
    EXPECT_EQ(width, 2048);
    EXPECT_EQ(height, 1080);

    width = 1080, height = 4096;  // portrait
    EXPECT_TRUE(FitFrameSize(&width, &height));
    EXPECT_EQ(width, 540);
    EXPECT_EQ(height, 2048);

    width = 2049, height = 10;
    EXPECT_TRUE(FitFrameSize(&width, &height));
    EXPECT_EQ(width, 2048);
    EXPECT_EQ(height, 10);

    width = 100000, height = 1;  // never a zero side
    EXPECT_TRUE(FitFrameSize(&width, &height));
    EXPECT_EQ(width, 2048);
    EXPECT_EQ(height, 1);
}

}  // namespace
