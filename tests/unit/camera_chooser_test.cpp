// The camera chooser without GStreamer: the modes a camera is offered in and
// their labels, the rewrite of a description file, and a pick from the menu
// through to the file written and the camera opened again (scripted cameras).
#include <glib.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <fstream>
#include <sstream>

#include "app/locations.h"
#include "capture/camera_chooser.h"
#include "capture/capture.h"
#include "capture/description_rewrite.h"
#include "input/camera_menu.h"
#include "support/fake_camera_list.h"
#include "support/fake_log.h"
#include "support/fake_video_source.h"
#include "support/state_guard.h"
#include "support/test_support.h"

namespace {

CameraMode Mode(CameraFormat format, int width, int height, int rate, int den = 1) {
    return CameraMode{format, "", {width, width}, {height, height}, {rate, den}, {rate, den}};
}

// A webcam: raw HD only at low rates, Motion JPEG at full rate, a mode in
// a format nothing here decodes, a size range and a rate of 30000/1001.
std::vector<CameraMode> Webcam() {
    CameraMode range = Mode(CameraFormat::kRaw, 0, 0, 30);
    range.width = {160, 4096};
    return {Mode(CameraFormat::kRaw, 640, 480, 30),       Mode(CameraFormat::kRaw, 640, 480, 30),
            Mode(CameraFormat::kRaw, 1280, 720, 10),      Mode(CameraFormat::kMjpeg, 1920, 1080, 30),
            Mode(CameraFormat::kMjpeg, 640, 480, 30),     Mode(CameraFormat::kMjpeg, 1280, 720, 30),
            Mode(CameraFormat::kOther, 1280, 720, 30),    range,
            Mode(CameraFormat::kRaw, 320, 240, 30000, 1001)};
}

std::string Labels(const std::vector<ChooserMode>& modes) {
    std::string text;
    for (const ChooserMode& mode : modes) text += mode.label + (mode.pin_format ? " [pinned]" : "") + "\n";
    return text;
}

TEST(CameraChooser, ModesSmallestFirstFormatNamedOnlyWhereItAloneDiffers) {
    EXPECT_EQ(Labels(ChooserModes(Webcam(), DecoderSet{true, true})),
              "320\xC3\x97" "240 29.97 fps\n"
              "640\xC3\x97" "480 30 fps (raw)\n"
              "640\xC3\x97" "480 30 fps (Motion JPEG) [pinned]\n"
              "1280\xC3\x97" "720 30 fps\n"
              "1280\xC3\x97" "720 10 fps\n"
              "1920\xC3\x97" "1080 30 fps\n");
    // Without a Motion JPEG decoder only the raw modes are offered.
    EXPECT_EQ(Labels(ChooserModes(Webcam(), DecoderSet{})),
              "320\xC3\x97" "240 29.97 fps\n640\xC3\x97" "480 30 fps\n1280\xC3\x97" "720 10 fps\n");
    EXPECT_EQ(Labels(ChooserModes({}, DecoderSet{})), "Its own mode\n");
    // GLUT's fonts are Latin-1.
    EXPECT_EQ(GlutMenuLabel("1280\xC3\x97" "720 \xE2\x82\xAC"), "1280\xD7" "720 ?");

    const std::vector<ChooserMode> modes = ChooserModes(Webcam(), DecoderSet{true, true});
    EXPECT_EQ(CameraSourceElement(ChosenSource("/dev/video2", modes[2])),
              R"(<source device="/dev/video2" width="640" height="480" framerate="30" format="mjpeg"/>)");
    EXPECT_EQ(CameraSourceElement(ChosenSource("Cam \"A\" & B", modes[0])),
              R"(<source device="Cam &quot;A&quot; &amp; B" width="320" height="240" framerate="30000/1001"/>)");

    std::vector<ListedCamera> twins = {{"HD Webcam", "/dev/video0", {}}, {"HD Webcam", "/dev/video2", {}}};
    EXPECT_EQ(ChooserCameras(twins, DecoderSet{})[1].label, "HD Webcam (2)");
}

// The rewritten text parses, the new source first and the others after it
// as they were, less the earlier picks of the same camera.
std::string ExpectRewrite(const std::string& old_text, const CaptureSourceSpec& source,
                          const std::vector<std::string>& others) {
    const std::string text = DescriptionWithFirstSource(old_text, source);
    DeviceDescription parsed;
    std::string error;
    EXPECT_TRUE(ParseDeviceDescription(text.data(), text.size(), &parsed, &error)) << error << text;
    EXPECT_EQ(parsed.sources.size(), others.size() + 1) << text;
    if (!parsed.sources.empty()) {
        EXPECT_EQ(CameraSourceElement(parsed.sources[0]), CameraSourceElement(source));
    }
    for (const std::string& other : others)
        EXPECT_NE(text.find(other), std::string::npos) << other << " in " << text;
    return text;
}

TEST(CameraChooser, RewriteKeepsTheFileAndReplacesAnEarlierPickOfTheCamera) {
    std::ifstream shipped(SourceDir() + "/data/dsvl/device1.xml");
    const std::string old_text((std::istreambuf_iterator<char>(shipped)), {});
    ChooserMode hd;
    hd.width = 1280, hd.height = 720, hd.rate = {30, 1};
    const CaptureSourceSpec cam_a = ChosenSource("Cam A", hd), cam_b = ChosenSource("Cam B", hd);

    const std::string once = DescriptionWithFirstSource(old_text, cam_a);
    EXPECT_EQ(once, [&] {
        std::string expected = old_text;
        return expected.insert(expected.find("<capture>") + 9,
                               "\n  <source device=\"Cam A\" width=\"1280\" height=\"720\" framerate=\"30\"/>");
    }()) << "the comment and the sources stay as they were";
    ExpectRewrite(once, cam_b, {"device=\"Cam A\"", "camera=\"0\"", "pattern=ball"});
    const std::string b_then_a = DescriptionWithFirstSource(DescriptionWithFirstSource(once, cam_b), cam_a);
    ExpectRewrite(b_then_a, cam_a, {"device=\"Cam B\"", "camera=\"0\"", "pattern=ball"});
    EXPECT_EQ(b_then_a.find("Cam A"), b_then_a.rfind("Cam A")) << "one source of Cam A: " << b_then_a;

    const std::string odd = ExpectRewrite(
        "<capture><source device='Cam A'></source><!-- > --><source pipeline='a > b'/></capture>",
        cam_a, {"pipeline='a > b'"});
    EXPECT_NE(odd.find("<!-- > -->"), std::string::npos) << odd;
    ExpectRewrite("", cam_a, {});
    ExpectRewrite("<capture><source camera=\"0\"/>", cam_a, {});  // malformed: a new file
}

class CameraPickTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_NE(getcwd(old_cwd_, sizeof old_cwd_), nullptr);
        ASSERT_EQ(chdir(folder_.c_str()), 0);
        ASSERT_EQ(system("mkdir -p dsvl && printf '<capture><source camera=\"0\"/></capture>\\n' "
                         ">dsvl/device1.xml"),
                  0);
        ResetFakeCameras();
        chooser = CameraChooserState{};
        FakeCameraFor(kDeviceFiles[1]).builds = false;
        FakeCameras() = FakeCameraList{};
        FakeCameras().cameras = {{"Cam A", "/dev/video0", {Mode(CameraFormat::kRaw, 64, 48, 30),
                                                           Mode(CameraFormat::kRaw, 128, 96, 30)}}};
        ASSERT_TRUE(OpenCaptureDevices(kDeviceFiles));
        StartCameraMenus();
        ClearFakeCalls();
    }
    void TearDown() override {
        CloseCaptureDevices();
        ResetFakeCameras();
        locations = saved_locations_;
        EXPECT_EQ(chdir(old_cwd_), 0);
    }
    static std::string Text(const std::string& path) {
        std::ifstream file(path);
        std::stringstream text;
        text << file.rdbuf();
        return text.str();
    }
    // The menu's choice, then the frame that does it.
    void Pick(const char* slot_menu, const char* label) {
        ASSERT_TRUE(RunMenuEntry(slot_menu, label));
        ServeCameraMenus();
    }

    ProgramStateGuard guard_{ProgramStateGuard::kFresh};
    LocationState saved_locations_ = locations;
    ScriptedDialogs dialogs_;
    std::string folder_ = MakeTempDir();
    char old_cwd_[4096];
};

TEST_F(CameraPickTest, APickWritesTheFileAndOpensTheCameraInTheNewSize) {
    FakeCamera& camera = FakeCameraFor(kDeviceFiles[0]);
    camera.width = 128, camera.height = 96;
    Pick("Cam A / Primary camera", "128\xC3\x97" "96 30 fps");
    EXPECT_EQ(Text("dsvl/device1.xml"),
              "<capture>\n  <source device=\"/dev/video0\" width=\"128\" height=\"96\" framerate=\"30\"/>"
              "<source camera=\"0\"/></capture>\n");
    EXPECT_EQ(app.video_width, 128);
    EXPECT_EQ(capture.frame_bytes, 128u * 96 * 4);
    EXPECT_EQ(camera.releases, 1) << "the old mode gave the camera back first";
    EXPECT_TRUE(camera.running);
    EXPECT_EQ(FakeCalls(), std::vector<std::string>{"WindowReshape 128x96"});
    EXPECT_TRUE(dialogs_.boxes.empty());

    // The secondary takes the same size and is used at once, in split screen.
    FakeCamera& secondary = FakeCameraFor(kDeviceFiles[1]);
    secondary.builds = true;
    secondary.width = 128, secondary.height = 96;
    Pick("Cam A / Secondary camera", "128\xC3\x97" "96 30 fps");
    EXPECT_TRUE(app.second_camera_enabled);
    EXPECT_EQ(app.view_mode, kViewSplit);
    EXPECT_NE(Text("dsvl/device2.xml").find("device=\"/dev/video0\""), std::string::npos);

    // A source after the picked one standing in for it is no success.
    const std::string written = Text("dsvl/device1.xml");
    camera.started_source = 1;
    Pick("Cam A / Primary camera", "64\xC3\x97" "48 30 fps");
    ASSERT_EQ(dialogs_.boxes.size(), 1u);
    EXPECT_EQ(Text("dsvl/device1.xml"), written);
    EXPECT_TRUE(camera.running) << "the file before opened again";
}

TEST_F(CameraPickTest, InstalledAFailedPickLeavesNoCopyAndTheCameraBeforeRuns) {
    locations.development = false;
    locations.config_folder = folder_ + "/config";
    const std::string copy = locations.config_folder + "/Korvane/dsvl/device1.xml";
    FakeCameraFor(copy).builds = false;
    Pick("Cam A / Primary camera", "128\xC3\x97" "96 30 fps");
    ASSERT_EQ(dialogs_.boxes.size(), 1u);
    EXPECT_EQ(dialogs_.boxes[0].caption, "Error");
    EXPECT_NE(dialogs_.boxes[0].text.find("Cam A could not be opened (128\xC3\x97" "96 30 fps)"),
              std::string::npos);
    EXPECT_NE(dialogs_.boxes[0].text.find(copy + ": no source could be started"), std::string::npos);
    EXPECT_FALSE(g_file_test(copy.c_str(), G_FILE_TEST_EXISTS));
    EXPECT_STREQ(locations.device_files[0], kDeviceFiles[0]);
    EXPECT_TRUE(FakeCameraFor(kDeviceFiles[0]).running);
    EXPECT_EQ(app.video_width, 64);

    FakeCameraFor(copy).builds = true;
    Pick("Cam A / Primary camera", "128\xC3\x97" "96 30 fps");
    EXPECT_STREQ(locations.device_files[0], copy.c_str());
    EXPECT_NE(Text(copy).find("<source camera=\"0\"/>"), std::string::npos) << "the shared file's sources follow";
}

TEST_F(CameraPickTest, ACameraPluggedInComesIntoTheMenuOnceNoMenuIsOpen) {
    FakeCameras().cameras.push_back({"Cam B", "Cam B", {}});
    FakeCameras().changed = true;
    FakeCameras().menus_open = true;
    ServeCameraMenus();
    EXPECT_TRUE(FakeCalls().empty()) << "an open menu is never rebuilt";
    EXPECT_FALSE(RunMenuEntry("Cam B / Primary camera", "Its own mode"));
    FakeCameras().menus_open = false;
    ServeCameraMenus();
    ASSERT_EQ(FakeCalls().size(), 1u);
    EXPECT_EQ(FakeCalls()[0].rfind("BuildMenus", 0), 0u);
    EXPECT_TRUE(RunMenuEntry("Cam B / Primary camera", "Its own mode"));
}

}  // namespace
