// The 35 console commands, typed at the prompt as a user would.
#include <cstring>

#include "motion/motion.h"
#include "record/record.h"
#include "render/shader.h"
#include "support/fake_record.h"
#include "support/fake_app.h"
#include "support/test_support.h"
#include "unit/console_support.h"

namespace {

class CommandsTest : public ConsoleTestBase {
protected:
    void SetUp() override {
        ConsoleTestBase::SetUp();
        StartEditing();
        ResetFakeAvi();
        ClearFakeCalls();
    }
    void TearDown() override {
        StopRecordings();  // leave no file open in the recorder for the next test
        ConsoleTestBase::TearDown();
    }
    ScriptedDialogs dialogs_;
};

TEST_F(CommandsTest, EveryNameIsACommand) {
    app.second_camera_enabled = true;
    for (int i = 0; i < kCommandCount; ++i) {
        const std::string name = kCommands[i].name;
        if (name == "exit") continue;
        Run(name);
        if (name == "help") {
            EXPECT_TRUE(console.help_paging);
            Key(13);
        } else if (name != "cls") {
            EXPECT_EQ(Line(0).rfind(name + ": ", 0), 0u) << Line(0);
            EXPECT_EQ(Line(0).find("command not found"), std::string::npos) << Line(0);
        }
    }
    EXPECT_EQ(kCommandCount, 35);
    EXPECT_STREQ(kCommands[0].name, "about");
    EXPECT_STREQ(kCommands[30].name, "recordmode_screen");
    EXPECT_STREQ(kCommands[33].name, "motionmaskfile");
}

TEST_F(CommandsTest, MotionDetectorTintAndMaskCommands) {
    app.motion_detector = kDetectorClassic;
    Run("motiondetector");
    EXPECT_EQ(Line(0), "motiondetector: set motion detector to Robust!");
    EXPECT_EQ(app.motion_detector, kDetectorRobust);
    Run("motiondetector");
    EXPECT_EQ(Line(0), "motiondetector: set motion detector to Classic!");
    app.motion_tint_on = false;
    Run("motiontint");
    EXPECT_EQ(Line(0), "motiontint: motion tint enabled!");
    app.motion_mask_file[0] = '\0';
    Run("motionmaskfile");
    EXPECT_EQ(Line(0), "motionmaskfile: none");
    std::strcpy(app.motion_mask_file, "bmp/yard.bmp");
    motion.mask_failed = true;
    Run("motionmaskfile");
    EXPECT_EQ(Line(0), "motionmaskfile: bmp/yard.bmp (not readable: no mask)");
    motion.mask_failed = false;
}

TEST_F(CommandsTest, ReportingCommands) {
    app.pcd_change = 0.25f;
    Run("pcd");
    EXPECT_EQ(Line(0), "pcd: 0.250 of 0.180");

    std::strcpy(frame_loop.fps_text, "FPS: 24.75");
    Run("fps");
    EXPECT_EQ(Line(0), "fps: FPS: 24.75");
    EXPECT_STREQ(console.text_buffer, "fps: FPS: 24.75");

    app.clock_hour = 9, app.clock_minute = 5, app.clock_second = 3;
    app.clock_day = 8, app.clock_month = 12, app.clock_year = 2026;
    Run("time");
    EXPECT_EQ(Line(0), "time: 09:05:03");
    Run("date");
    EXPECT_EQ(Line(0), "date: 08/12/2026");

    Run("motionalarmfile");
    EXPECT_EQ(Line(0), "motionalarmfile: wav\\3.wav");
    Run("modelfile");
    EXPECT_EQ(Line(0), "modelfile: mdl\\velisse.mdl");

    app.vertex_program_index = 1;
    app.pixel_program_index = 2;
    app.mask_index = 8;
    Run("vertexfile");
    EXPECT_EQ(Line(0), "vertexfile: cg/vertex/wave.cg");
    Run("pixelfile");
    EXPECT_EQ(Line(0), "pixelfile: cg/pixel/rgb_inverter.cg");
    Run("bmpfile");
    EXPECT_EQ(Line(0), "bmpfile: .\\bmp\\mask9.bmp");

    app.window_width = 800;
    app.window_height = 600;
    Run("windowwidth");
    EXPECT_EQ(Line(0), "windowwidth: 800");
    Run("windowheight");
    EXPECT_EQ(Line(0), "windowheight: 600");
    // Each command replaced its own "command not found" line.
    EXPECT_EQ(Line(1), "windowwidth: 800");
    EXPECT_EQ(Line(10), "pcd: 0.250 of 0.180");
    EXPECT_TRUE(FakeCalls().empty());
}

TEST_F(CommandsTest, TableIndexOutOfRangePrintsNoEntry) {
    app.pixel_program_index = kPixelProgramCount;
    app.mask_index = -1;
    Run("pixelfile");
    EXPECT_EQ(Line(0), "pixelfile: ");
    Run("bmpfile");
    EXPECT_EQ(Line(0), "bmpfile: ");
    ExecuteCommand(kCommandCount);  // unknown numbers do nothing
    ExecuteCommand(-1);
    EXPECT_EQ(Line(0), "bmpfile: ");
}

TEST_F(CommandsTest, LongFilePathIsCutToTheLine) {
    std::memset(app.model_file, 'm', sizeof app.model_file - 1);
    app.model_file[sizeof app.model_file - 1] = '\0';
    Run("windowwidth");
    const std::string before = Line(0);
    Run("modelfile");
    EXPECT_EQ(Line(0).size(), 99u);
    EXPECT_EQ(Line(0), "modelfile: " + std::string(88, 'm'));
    EXPECT_EQ(Line(1), before);

    std::memset(app.alarm_file, 'w', sizeof app.alarm_file - 1);
    app.alarm_file[sizeof app.alarm_file - 1] = '\0';
    std::memset(frame_loop.fps_text, 'f', sizeof frame_loop.fps_text - 1);
    Run("motionalarmfile");
    EXPECT_EQ(Line(0), "motionalarmfile: " + std::string(82, 'w'));
    Run("fps");
    EXPECT_EQ(Line(0), "fps: " + std::string(sizeof frame_loop.fps_text - 1, 'f'));
    EXPECT_EQ(Line(3), before);
}

TEST_F(CommandsTest, FormatDirectivesInPathsArePrintedAsText) {
    std::strcpy(app.model_file, "mdl\\%s%n%s.mdl");
    Run("modelfile");
    EXPECT_EQ(Line(0), "modelfile: mdl\\%s%n%s.mdl");
}

TEST_F(CommandsTest, AboutReplacesTheConsole) {
    Run("pcd");
    Run("about");
    for (int k = 0; k < 7; ++k) {
        EXPECT_EQ(Line(k).rfind("about: ", 0), 0u) << Line(k);
        EXPECT_LE(Line(k).size(), 99u);
    }
    for (int k = 7; k < kConsoleLines; ++k) EXPECT_EQ(Line(k), "") << "line " << k;
    std::string all;
    for (int k = 6; k >= 0; --k) all += Line(k) + "\n";
    EXPECT_NE(all.find("Lumora"), std::string::npos);
    EXPECT_NE(all.find("Korvane"), std::string::npos);
    EXPECT_NE(all.find("lumora@korvane.example"), std::string::npos);
    EXPECT_NE(all.find("https://korvane.example/lumora"), std::string::npos);
    EXPECT_EQ(Line(0), Line(6));  // separator lines frame the text
    const std::string closing = Line(0);
    Run("windowwidth");
    EXPECT_EQ(Line(1), closing);
}

TEST_F(CommandsTest, ClsEmptiesEveryLine) {
    for (int i = 0; i < 30; ++i) Run("pcd");
    Run("cls");
    for (int k = 0; k < kConsoleLines; ++k) EXPECT_EQ(Line(k), "") << "line " << k;
    EXPECT_EQ(Input(), "");
    EXPECT_FALSE(console.help_paging);
}

TEST_F(CommandsTest, ExitRunsTheExitSequence) {
    Type("exit");
    EXPECT_THROW(Key(13), ExitRequested);
    EXPECT_EQ(FakeCalls(), std::vector<std::string>{"ExitSequence"});
}

TEST_F(CommandsTest, WindowCommands) {
    Run("minimize");
    EXPECT_EQ(Line(0), "minimize: window minimized!");

    app.video_width = 320;
    app.video_height = 240;
    app.gl_win_pos_x = 7;
    app.gl_win_pos_y = 9;
    Run("swscreenmode");
    EXPECT_TRUE(app.full_screen);
    EXPECT_EQ(Line(0), "swscreenmode: set screen mode to fullscreen!");
    Run("swscreenmode");
    EXPECT_FALSE(app.full_screen);
    EXPECT_EQ(Line(0), "swscreenmode: set screen mode to window mode!");

    Run("swpolygonmode");
    EXPECT_EQ(app.polygon_mode, static_cast<GLenum>(GL_LINE));
    EXPECT_EQ(Line(0), "swpolygonmode: set polygon mode to GL_LINE!");
    Run("swpolygonmode");
    EXPECT_EQ(app.polygon_mode, static_cast<GLenum>(GL_FILL));
    EXPECT_EQ(Line(0), "swpolygonmode: set polygon mode to GL_FILL!");

    EXPECT_EQ(FakeCalls(),
              (std::vector<std::string>{
                  "WindowIconify", "WindowFullScreen", "WindowReshape 320x240", "WindowPosition 7,9",
                  "ApplyPolygonMode " + std::to_string(GL_LINE), "WindowPostRedisplay",
                  "ApplyPolygonMode " + std::to_string(GL_FILL), "WindowPostRedisplay"}));
}

TEST_F(CommandsTest, TextureModeRecreatesTheTextures) {
    Run("swtexturemode");
    EXPECT_EQ(app.texture_filter, static_cast<GLenum>(GL_NEAREST));
    EXPECT_EQ(Line(0), "swtexturemode: set texture mode to GL_NEAREST!");
    Run("swtexturemode");
    EXPECT_EQ(app.texture_filter, static_cast<GLenum>(GL_LINEAR));
    EXPECT_EQ(Line(0), "swtexturemode: set texture mode to GL_LINEAR!");
    EXPECT_EQ(FakeCalls(), (std::vector<std::string>{"RenderingSetup", "RenderingSetup"}));
}

TEST_F(CommandsTest, MotionSwitchesAndScreenshot) {
    Run("screenshot");
    EXPECT_TRUE(record.screenshot_pending);
    EXPECT_EQ(Line(0), "screenshot: screenshot taken!");

    Run("motionshot");
    EXPECT_TRUE(app.motion_shot_on);
    EXPECT_EQ(Line(0), "motionshot: motion shot enabled!");
    Run("motionshot");
    EXPECT_FALSE(app.motion_shot_on);
    EXPECT_EQ(Line(0), "motionshot: motion shot disabled!");

    Run("motionalarm");
    EXPECT_TRUE(app.motion_alarm_on);
    EXPECT_EQ(Line(0), "motionalarm: motion alarm enabled!");
    Run("motionalarm");
    EXPECT_FALSE(app.motion_alarm_on);
    EXPECT_EQ(Line(0), "motionalarm: motion alarm disabled!");
}

TEST_F(CommandsTest, MotionRecordTwiceClosesItsOwnFile) {
    Run("motionrecord");
    EXPECT_TRUE(app.motion_record_on);
    EXPECT_EQ(Line(0), "motionrecord: motion record enabled!");
    const std::string file = record.record_file_name;
    EXPECT_NE(file.find("_motion_rec_dev1.avi"), std::string::npos) << file;
    Run("motionrecord");
    EXPECT_FALSE(app.motion_record_on);
    EXPECT_EQ(Line(0), "motionrecord: motion record disabled!");
    ASSERT_EQ(dialogs_.boxes.size(), 1u);
    // No motion came, so the box says the file was left empty and removed.
    EXPECT_NE(dialogs_.boxes[0].text.find(file), std::string::npos) << dialogs_.boxes[0].text;
    EXPECT_EQ(dialogs_.boxes[0].caption, "Info");
}

TEST_F(CommandsTest, NormalAndShaderViewsResetTheZoom) {
    auto zoom_in = [] {
        app.zoom_on = true;
        app.zoom_scale = 4;
        app.zoom_factor = 4;
        app.zoom_pan_limit = 24;
        app.zoom_pan_x = 10;
        app.zoom_pan_y = -3;
        app.zoom_shift_x = 0.1f;
        app.zoom_shift_y = 0.2f;
    };
    auto expect_reset = [] {
        EXPECT_FALSE(app.zoom_on);
        EXPECT_EQ(app.zoom_scale, 1.0f);
        EXPECT_EQ(app.zoom_factor, 0);
        EXPECT_EQ(app.zoom_pan_limit, 0.0f);
        EXPECT_EQ(app.zoom_pan_x, 0.0f);
        EXPECT_EQ(app.zoom_pan_y, 0.0f);
        EXPECT_EQ(app.zoom_shift_x, 0.1f);  // the shift is kept
        EXPECT_EQ(app.zoom_shift_y, 0.2f);
    };
    zoom_in();
    Run("viewmode_shader");
    EXPECT_EQ(app.view_mode, kViewShader);
    EXPECT_EQ(Line(0), "viewmode_shader: set view mode to shader!");
    EXPECT_EQ(FakeCalls(), std::vector<std::string>{"LoadShaderPrograms"});
    expect_reset();

    zoom_in();
    Run("viewmode_normal");
    EXPECT_EQ(app.view_mode, kViewNormal);
    EXPECT_EQ(Line(0), "viewmode_normal: set view mode to normal!");
    expect_reset();
}

// --- split screen and image swap -------------------------------------------

TEST_F(CommandsTest, DualViewsNeedTheSecondCamera) {
    app.zoom_on = true;
    app.zoom_scale = 2;
    app.swap_counter = 2;
    Run("viewmode_splitscreen");
    EXPECT_EQ(Line(0), "viewmode_splitscreen: invalid command!");
    Run("viewmode_imgswap");
    EXPECT_EQ(Line(0), "viewmode_imgswap: invalid command!");
    EXPECT_EQ(app.view_mode, kViewNormal);
    EXPECT_TRUE(app.zoom_on);  // nothing else changes
    EXPECT_EQ(app.swap_counter, 2);
    ASSERT_EQ(dialogs_.boxes.size(), 2u);
    EXPECT_EQ(dialogs_.boxes[0].text,
              "Lumora hasn't found a secondary Video Device. You need a secondary Video Device to "
              "enable Splitscreen !");
    EXPECT_EQ(dialogs_.boxes[1].text,
              "Lumora hasn't found a secondary Video Device. You need a secondary Video Device to "
              "enable Image Swap !");
    for (const auto& box : dialogs_.boxes) {
        EXPECT_EQ(box.caption, "Info");
        EXPECT_EQ(box.icon, MsgIcon::Information);
        EXPECT_EQ(box.buttons, MsgButtons::Ok);
    }
}

TEST_F(CommandsTest, DualViewsFromNormalAskNothing) {
    app.second_camera_enabled = true;
    app.swap_counter = 2;
    app.zoom_on = true;
    Run("viewmode_splitscreen");
    EXPECT_EQ(app.view_mode, kViewSplit);
    EXPECT_EQ(Line(0), "viewmode_splitscreen: set view mode to splitscreen!");
    EXPECT_FALSE(app.zoom_on);
    EXPECT_EQ(app.swap_counter, 2);

    app.view_mode = kViewShader;
    app.zoom_on = true;
    Run("viewmode_imgswap");
    EXPECT_EQ(app.view_mode, kViewSwap);
    EXPECT_EQ(Line(0), "viewmode_imgswap: set view mode to image swap!");
    EXPECT_EQ(app.swap_counter, 0);
    EXPECT_FALSE(app.zoom_on);
    EXPECT_TRUE(dialogs_.boxes.empty());
}

TEST_F(CommandsTest, SplitScreenFromImageSwapAsks) {
    app.second_camera_enabled = true;
    app.view_mode = kViewSwap;
    app.zoom_on = true;
    dialogs_.AnswerYes(false);
    Run("viewmode_splitscreen");
    EXPECT_EQ(app.view_mode, kViewSwap);
    EXPECT_EQ(Line(0), "viewmode_splitscreen: set view mode to image swap!");
    EXPECT_FALSE(app.zoom_on);  // reset also after No

    dialogs_.AnswerYes(true);
    Run("viewmode_splitscreen");
    EXPECT_EQ(app.view_mode, kViewSplit);
    EXPECT_EQ(Line(0), "viewmode_splitscreen: set view mode to splitscreen!");

    ASSERT_EQ(dialogs_.boxes.size(), 2u);
    EXPECT_EQ(dialogs_.boxes[0].text,
              "You can only run Slitscreen if Image Swap is disabled. Du you want to disable Image "
              "Swap to run Slitscreen?");
    EXPECT_EQ(dialogs_.boxes[0].caption, "Display Question");
    EXPECT_EQ(dialogs_.boxes[0].icon, MsgIcon::Question);
    EXPECT_EQ(dialogs_.boxes[0].buttons, MsgButtons::YesNo);
}

TEST_F(CommandsTest, ImageSwapFromSplitScreenAsks) {
    app.second_camera_enabled = true;
    app.view_mode = kViewSplit;
    app.swap_counter = 2;
    dialogs_.AnswerYes(false);
    Run("viewmode_imgswap");
    EXPECT_EQ(app.view_mode, kViewSplit);
    EXPECT_EQ(Line(0), "viewmode_imgswap: set view mode to splitscreen!");
    EXPECT_EQ(app.swap_counter, 0);  // also after No

    dialogs_.AnswerYes(true);
    Run("viewmode_imgswap");
    EXPECT_EQ(app.view_mode, kViewSwap);
    EXPECT_EQ(Line(0), "viewmode_imgswap: set view mode to image swap!");
    ASSERT_EQ(dialogs_.boxes.size(), 2u);
    EXPECT_EQ(dialogs_.boxes[1].text,
              "You can only run Image Swap if Slitscreen is disabled. Du you want to disable "
              "Slitscreen to run Image Swap?");
    EXPECT_EQ(dialogs_.boxes[1].caption, "Display Question");
}

// --- record modes ------------------------------------------------------------

TEST_F(CommandsTest, RecordOffWhileNothingIsRecorded) {
    Run("pcd");
    Run("recordmode_off");
    EXPECT_EQ(Line(0), "recordmode_off: record mode disabled!");
    EXPECT_EQ(Line(1), "pcd: 0.000 of 0.180");
    EXPECT_EQ(app.record_mode, kRecordOff);
    EXPECT_TRUE(dialogs_.boxes.empty());  // nothing was closed
}

TEST_F(CommandsTest, RecordModesWriteTwoLinesOverLineOne) {
    Run("pcd");
    Run("recordmode_normal");
    EXPECT_EQ(app.record_mode, kRecordNormal);
    EXPECT_EQ(Line(1), "recordmode_normal: set record mode to normal...");
    EXPECT_EQ(Line(0), "recordmode_normal: ...on primary video device!");
    EXPECT_EQ(Line(2), "");  // the pcd line was overwritten, not scrolled

    Run("recordmode_normal");
    EXPECT_EQ(Line(0), "recordmode_normal: record mode normal is currently enabled");
    EXPECT_EQ(Line(1), "recordmode_normal: ...on primary video device!");

    Run("recordmode_effect");
    EXPECT_EQ(app.record_mode, kRecordEffect);
    EXPECT_EQ(Line(1), "recordmode_effect: set record mode to effect...");
    EXPECT_EQ(Line(0), "recordmode_effect: ...on video memory!");
    Run("recordmode_effect");
    EXPECT_EQ(Line(0), "recordmode_effect: record mode effect is currently enabled");

    Run("recordmode_screen");
    EXPECT_EQ(app.record_mode, kRecordScreen);
    EXPECT_EQ(Line(1), "recordmode_screen: set record mode to screen...");
    EXPECT_EQ(Line(0), "recordmode_screen: ...on video memory!");
    Run("recordmode_screen");
    EXPECT_EQ(Line(0), "recordmode_screen: record mode screen is currently enabled");

    Run("recordmode_off");
    EXPECT_EQ(app.record_mode, kRecordOff);
    EXPECT_EQ(Line(0), "recordmode_off: record mode disabled!");
}

TEST_F(CommandsTest, SwitchingRecordModesClosesTheOldFileFirst) {
    Run("recordmode_normal");
    const std::string normal_file = record.record_file_name;
    EXPECT_TRUE(dialogs_.boxes.empty());
    Run("recordmode_effect");
    EXPECT_EQ(app.record_mode, kRecordEffect);
    ASSERT_EQ(dialogs_.boxes.size(), 1u);
    EXPECT_NE(dialogs_.boxes[0].text.find(normal_file), std::string::npos) << dialogs_.boxes[0].text;
    EXPECT_EQ(dialogs_.boxes[0].caption, "Info");
    EXPECT_EQ(fake_avi.opens, 2);
    Run("recordmode_normal");  // back to normal opens a third file...
    Run("recordmode_normal");  // ...asking for it again opens nothing
    EXPECT_EQ(fake_avi.opens, 3);
}

// A refused or failed start is not reported as a running recording.
TEST_F(CommandsTest, RecordModeThatDidNotStartSaysDisabled) {
    Run("motionrecord");
    Run("pcd");
    Run("recordmode_normal");
    EXPECT_EQ(app.record_mode, kRecordOff);
    EXPECT_EQ(Line(0), "recordmode_normal: record mode disabled!");
    EXPECT_EQ(Line(1), "pcd: 0.000 of 0.180");
    Run("motionrecord");

    fake_avi.open_status = 1;
    fake_avi.open_error = "cannot create file";
    Run("recordmode_screen");
    EXPECT_EQ(app.record_mode, kRecordOff);
    EXPECT_EQ(Line(0), "recordmode_screen: record mode disabled!");
}

TEST_F(CommandsTest, NormalRecordNamesTheSecondaryCamera) {
    app.current_camera = 1;
    Run("recordmode_normal");
    EXPECT_EQ(Line(1), "recordmode_normal: set record mode to normal...");
    EXPECT_EQ(Line(0), "recordmode_normal: ...on secondary video device!");
}

}  // namespace
