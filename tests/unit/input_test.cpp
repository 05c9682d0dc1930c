#include <gtest/gtest.h>

#include <cmath>

#include "app/app.h"
#include "input/input.h"
#include "input/menus.h"
#include "motion/motion.h"
#include "overlay/overlay.h"
#include "record/record.h"
#include "render/frame_loop.h"
#include "render/model_pass.h"
#include "render/shader.h"
#include "render/view.h"
#include "support/fake_log.h"
#include "support/state_guard.h"
#include "support/test_support.h"

namespace {

constexpr int kLeft = 0, kMiddle = 1, kDown = 0, kUp = 1;

class InputTest : public ::testing::Test {
protected:
    void SetUp() override {
        app.window_width = 641;  // odd sizes on purpose
        app.window_height = 479;
        ClearFakeCalls();
    }
    // Pixel of an overlay point, rounded to the nearest pixel.
    int Px(float ux) const { return static_cast<int>(std::lround(app.window_width / 256.0 * (ux + 128))); }
    int Py(float uy) const { return static_cast<int>(std::lround(app.window_height / 256.0 * (128 - uy))); }
    void Click(float ux, float uy) {
        OnMouseButton(kLeft, kDown, Px(ux), Py(uy));
        OnMouseButton(kLeft, kUp, Px(ux), Py(uy));
    }

    ProgramStateGuard state_;
    ScriptedDialogs dialogs_;
};

TEST_F(InputTest, PixelsAndUnitsConvertBothWays) {
    for (int w : {256, 641, 1920}) {
        EXPECT_FLOAT_EQ(PixelToUnitX(0, w), -128);
        EXPECT_FLOAT_EQ(PixelToUnitX(static_cast<float>(w), w), 128);
        EXPECT_NEAR(PixelToUnitX(w / 2.0f, w), 0, 1e-4);
    }
    EXPECT_FLOAT_EQ(PixelToUnitY(0, 479), 128);
    EXPECT_FLOAT_EQ(PixelToUnitY(479, 479), -128);
}

TEST_F(InputTest, HitTestsAreStrictOnEveryEdge) {
    // A 256 x 256 window: one pixel per overlay unit.
    EXPECT_TRUE(HitOverlayBox(130, 120, 256, 256, 0, 0, 10, 10));
    EXPECT_FALSE(HitOverlayBox(128, 120, 256, 256, 0, 0, 10, 10));  // left edge
    EXPECT_FALSE(HitOverlayBox(138, 120, 256, 256, 0, 0, 10, 10));  // right edge
    EXPECT_FALSE(HitOverlayBox(130, 118, 256, 256, 0, 0, 10, 10));  // top edge
    EXPECT_FALSE(HitOverlayBox(130, 128, 256, 256, 0, 0, 10, 10));  // bottom edge
    EXPECT_TRUE(HitOverlayBox(137, 119, 256, 256, 0, 0, 10, 10));
}

TEST_F(InputTest, MeterClickAndDragSetTheThreshold) {
    app.window_width = app.window_height = 256;
    OnMouseButton(kLeft, kDown, Px(45), Py(70 + 18));
    EXPECT_NEAR(app.motion_max, 0.18f, 1e-5);
    EXPECT_TRUE(input.meter_dragging);
    OnMouseDrag(Px(45), Py(70 + 60));
    EXPECT_NEAR(app.motion_max, 0.6f, 1e-5);
    // Dragging below the meter turns it negative: not limited.
    OnMouseDrag(Px(45), Py(60));
    EXPECT_NEAR(app.motion_max, -0.1f, 1e-5);
    OnMouseButton(kLeft, kUp, 0, 0);
    EXPECT_FALSE(input.meter_dragging);
    EXPECT_EQ(FakeCalls().back(), "WindowPostRedisplay");
    EXPECT_NE(std::find(FakeCalls().begin(), FakeCalls().end(), "WindowSetPointer RightArrow"),
              FakeCalls().end());
}

TEST_F(InputTest, ButtonsAndGraphIgnoreClicksOutsideFullScreen) {
    app.full_screen = false;
    Click(110 + 7, -17 + 1.5f);  // the Record button
    EXPECT_TRUE(FakeCalls().end() ==
                std::find_if(FakeCalls().begin(), FakeCalls().end(),
                             [](const std::string& c) { return c.rfind("SetRecordMode", 0) == 0; }));
    OnMouseButton(kLeft, kDown, Px(70), Py(90));  // statistics graph body
    EXPECT_FALSE(input.graph_dragging);
    OnMouseButton(kLeft, kDown, Px(70), Py(70 + 50 + 2));  // statistics title strip
    EXPECT_FALSE(input.window_dragging[0]);
    OnMouseButton(kLeft, kDown, Px(-48 + 10), Py(-48 + 96 + 2));  // console title strip
    EXPECT_TRUE(input.window_dragging[3]);
}

TEST_F(InputTest, OverlappingButtonsAllActInIndexOrder) {
    app.full_screen = true;
    app.button_pos_x[2] = app.button_pos_x[3] = 0;
    app.button_pos_y[2] = app.button_pos_y[3] = 0;
    Click(7, 1.5f);
    EXPECT_TRUE(app.motion_shot_on);
    EXPECT_TRUE(app.motion_alarm_on);
    // Switched-off buttons do not act.
    app.button_on_off[3] = 0;
    Click(7, 1.5f);
    EXPECT_FALSE(app.motion_shot_on);
    EXPECT_TRUE(app.motion_alarm_on);
}

TEST_F(InputTest, PanelDragStaysInsideWhileButtonsFollowAnywhere) {
    app.full_screen = true;
    // Start dragging the time panel (2) and button 4 by their strips.
    OnMouseButton(kLeft, kDown, Px(80 + 20), Py(-120 + 25 + 2));
    OnMouseButton(kLeft, kDown, Px(110 + 7), Py(32 + 3 + 0.5f));
    ASSERT_TRUE(input.window_dragging[2]);
    ASSERT_TRUE(input.button_dragging[4]);
    OnMouseDrag(Px(0), Py(0));
    EXPECT_NEAR(app.window_pos_x[2], -20, 0.5);
    EXPECT_NEAR(app.window_pos_y[2], -25 - 2.5f, 0.5);
    EXPECT_NEAR(app.button_pos_x[4], -7.5f, 0.5);
    EXPECT_NEAR(app.button_pos_y[4], -3 - 0.5f, 0.5);
    const float panel_x = app.window_pos_x[2];
    OnMouseDrag(-40, 900);  // outside the window
    EXPECT_EQ(app.window_pos_x[2], panel_x);
    EXPECT_LT(app.button_pos_x[4], -128);
    EXPECT_LT(app.button_pos_y[4], -128);
}

TEST_F(InputTest, InfoPanelClickFlipsItOpen) {
    Click(-120, -120);
    EXPECT_TRUE(overlay.info_panel_open);
    Click(-120, -120);
    EXPECT_FALSE(overlay.info_panel_open);
}

TEST_F(InputTest, MiddleButtonZoomsOnlyInNormalOrShowyouShader) {
    OnMouseButton(kMiddle, kDown, 10, 10);
    EXPECT_EQ(app.zoom_factor, 2);
    app.view_mode = kViewSplit;
    OnMouseButton(kMiddle, kDown, 10, 10);
    EXPECT_EQ(app.zoom_factor, 2);
    app.view_mode = kViewShader;
    app.pixel_program_index = 8;
    OnMouseButton(kMiddle, kDown, 10, 10);
    EXPECT_EQ(app.zoom_factor, 4);
}

TEST_F(InputTest, ZoomPanMovesOneStepPerEventWithinTheLimit) {
    ZoomStep(true);  // 2x: limit 16
    frame_loop.texture_extent_s = 0.25f;
    input.last_mouse_x = 100;
    input.last_mouse_y = 100;
    OnMouseDrag(300, 300);
    EXPECT_EQ(app.zoom_pan_x, 1);
    EXPECT_EQ(app.zoom_pan_y, 1);
    EXPECT_FLOAT_EQ(app.zoom_shift_x, 0.25f / 64);
    for (int i = 0; i < 40; ++i) OnMouseDrag(400 + i, 400 + i);
    EXPECT_EQ(app.zoom_pan_x, 16);
    ResetZoom();
    OnMouseDrag(10, 10);
    EXPECT_EQ(app.zoom_pan_x, 0);
    // A new drag starts where the button goes down: its first move left
    // pans left, whatever the last drag's end was.
    ZoomStep(true);
    OnMouseButton(kLeft, kDown, 320, 240);
    OnMouseDrag(319, 240);
    EXPECT_EQ(app.zoom_pan_x, -1);
    EXPECT_EQ(app.zoom_pan_y, 0);
}

// Between bars the pointer counts on the picture: the model scene turns as
// it does in a window of the picture's own size and shape.
TEST_F(InputTest, ModelSceneTurnsWithThePointerOnThePictureBetweenBars) {
    app.model_position_mode = true;
    app.video_width = 320, app.video_height = 240;
    const struct { int x, y; } kPoints[] = {{0, 0}, {100, 37}, {479, 359}, {240, 180}};
    for (const auto p : kPoints) {
        app.window_width = 480, app.window_height = 360;  // the camera's shape
        OnMouseDrag(p.x, p.y);
        const float turn_x = model_pass.scene_rotation_x, turn_y = model_pass.scene_rotation_y;
        app.window_width = 800, app.window_height = 360;  // bars of 160 left and right
        OnMouseDrag(p.x + 160, p.y);
        EXPECT_EQ(model_pass.scene_rotation_x, turn_x) << p.x << "," << p.y;
        EXPECT_EQ(model_pass.scene_rotation_y, turn_y) << p.x << "," << p.y;
        app.window_width = 480, app.window_height = 500;  // bars of 70 above and below
        OnMouseDrag(p.x, p.y + 70);
        EXPECT_EQ(model_pass.scene_rotation_x, turn_x) << p.x << "," << p.y;
        EXPECT_EQ(model_pass.scene_rotation_y, turn_y) << p.x << "," << p.y;
    }
}

TEST_F(InputTest, SpecialKeysWalkTheModelOrMoveTheLight) {
    OnSpecialKey(kKeyLeft, 0, 0);
    EXPECT_EQ(model_pass.model_heading, 180);
    EXPECT_EQ(model_pass.model_pos_x, -1);
    EXPECT_EQ(app.last_special_key, kKeyLeft);
    OnSpecialKey(kKeyPageUp, 0, 0);  // nothing without position mode
    EXPECT_EQ(model_pass.light_position[1], 0);
    app.model_position_mode = true;
    OnSpecialKey(kKeyPageUp, 0, 0);
    OnSpecialKey(kKeyDown, 0, 0);
    EXPECT_EQ(model_pass.light_position[1], 1);
    EXPECT_EQ(model_pass.light_position[2], 65);
    OnSpecialKey(kKeyF12, 0, 0);
    EXPECT_TRUE(record.screenshot_pending);
    OnSpecialKey(kKeyF11, 0, 0);
    EXPECT_TRUE(frame_loop.swap_transition_running);
    for (int i = 0; i < 5; ++i) OnSpecialKey(kKeyHome, 0, 0);
    EXPECT_EQ(FakeCalls().back(), "SelectModelSequence 6");
    OnSpecialKey(kKeyEnd, 0, 0);
    EXPECT_EQ(FakeCalls().back(), "SelectModelSequence 1");
}

TEST_F(InputTest, SplitAndSwapSwitchesAskAndNeedTwoCameras) {
    SwitchSplitScreen();
    ASSERT_EQ(dialogs_.boxes.size(), 1u);
    EXPECT_EQ(dialogs_.boxes[0].caption, "Info");
    EXPECT_EQ(app.view_mode, kViewNormal);

    app.second_camera_enabled = true;
    app.view_mode = kViewSwap;
    SwitchSplitScreen();  // answered No
    EXPECT_EQ(app.view_mode, kViewSwap);
    dialogs_.AnswerYes(true);
    SwitchSplitScreen();
    EXPECT_EQ(app.view_mode, kViewSplit);
    app.swap_counter = 2;
    SwitchImageSwap();
    EXPECT_EQ(app.view_mode, kViewSwap);
    EXPECT_EQ(app.swap_counter, 0);
    EXPECT_EQ(dialogs_.boxes.back().text,
              "You can only run Image Swap if Slitscreen is disabled. Du you want to disable "
              "Slitscreen to run Image Swap?");
}

TEST_F(InputTest, GammaAndColorLabelsFollowTheirValues) {
    RunMenuEntry("Gamma", "Gamma+");
    RunMenuEntry("Gamma", "Gamma+");
    EXPECT_EQ(FakeCalls().back(), "BuildMenus Gamma (0.20) Color (0.00)");
    RunMenuEntry("Color", "Color-");
    EXPECT_EQ(FakeCalls().back(), "BuildMenus Gamma (0.20) Color (-0.10)");
    EXPECT_FALSE(RunMenuEntry("Gamma", "Gamma"));  // no such entry
    EXPECT_EQ(FakeCalls().size(), 3u);
}

TEST_F(InputTest, FullScreenOnlySwitchesAskInWindowMode) {
    app.window_on_off[0] = 0;
    RunMenuEntry("Backplate", "Statistic Backplate ON/OFF");  // answered No: graph on, still window mode
    EXPECT_EQ(app.window_on_off[0], 1);
    EXPECT_FALSE(app.full_screen);
    EXPECT_EQ(dialogs_.boxes.back().text,
              "Statistic is only available in Fullscreen Mode. Du you want to change to Fullscreen "
              "Mode?");
    RunMenuEntry("Backplate", "Statistic Backplate ON/OFF");
    EXPECT_EQ(app.window_on_off[0], 0);

    app.button_on_off[6] = 0;
    dialogs_.AnswerYes(true);
    RunMenuEntry("Buttons", "Record Button");
    EXPECT_EQ(app.button_on_off[6], 1);
    EXPECT_TRUE(app.full_screen);
    EXPECT_EQ(FakeCalls().back(), "WindowFullScreen");

    // All buttons off in full screen, including single ones, then on again.
    RunMenuEntry("Backplate", "All Buttons ON/OFF");
    for (int on : app.button_on_off) EXPECT_EQ(on, 0);
    RunMenuEntry("Backplate", "All Buttons ON/OFF");
    for (int on : app.button_on_off) EXPECT_EQ(on, 1);
}

TEST_F(InputTest, OptionHandlersChangeTheirFields) {
    motion.motion_check_counter = 3;
    RunMenuEntry("Motion Interval", "10 seconds");
    EXPECT_EQ(app.motion_interval, 10);
    EXPECT_EQ(motion.motion_check_counter, 0);
    app.motion_recording = true;
    RunMenuEntry("Motion Record Timer", "40 seconds");
    EXPECT_EQ(app.motion_record_duration, 40);
    EXPECT_FALSE(app.motion_recording);
    RunMenuEntry("Motion Record Timer", "Before the event: 10 seconds");
    EXPECT_EQ(app.precapture_seconds, 10);
    EXPECT_EQ(app.motion_record_duration, 40);
    RunMenuEntry("Color Schema", "Nice Green");
    EXPECT_FLOAT_EQ(app.backplate_color_r, 0.5f);
    EXPECT_FLOAT_EQ(app.backplate_border_color_r, 1.0f);
    RunMenuEntry("Primary Video Device", "Device 2 (device2.xml)");
    EXPECT_EQ(app.current_camera, 0);
    EXPECT_EQ(dialogs_.boxes.back().caption, "Info");
    RunMenuEntry("Statistic Mode", "Mode 1");
    EXPECT_EQ(app.stats_mode, 1);
    RunMenuEntry("Options", "FILL/LINE");
    EXPECT_EQ(app.polygon_mode, static_cast<GLenum>(GL_LINE));
    RunMenuEntry("", "Take a Screenshot");
    EXPECT_TRUE(record.screenshot_pending);
    EXPECT_TRUE(RunMenuEntry("Cg Pixel Shader", "cg/pixel/render_models_to_texture.cg"));
    EXPECT_EQ(app.pixel_program_index, 16);
    EXPECT_EQ(app.view_mode, kViewShader);
    EXPECT_FALSE(RunMenuEntry("Cg Pixel Shader", "cg/pixel/missing.cg"));
    EXPECT_EQ(app.pixel_program_index, 16);
}

TEST_F(InputTest, ChosenModelIsReadOnceAndOneThatFailsKeepsThePreviousPath) {
    dialogs_.ChooseFile("/tmp/broken.mdl");
    RunMenuEntry("Models", "Load Half-Life Model");
    EXPECT_STREQ(app.model_file, "mdl\\velisse.mdl");
    EXPECT_EQ(dialogs_.file_dialog_titles.back(), "Open Half-Life Model File");
    dialogs_.ChooseFile("/tmp/good.mdl");
    ClearFakeCalls();
    RunMenuEntry("Models", "Load Half-Life Model");
    EXPECT_STREQ(app.model_file, "/tmp/good.mdl");
    EXPECT_EQ(FakeCalls(), (std::vector<std::string>{"LoadChosenModel /tmp/good.mdl",
                                                     "RenderingSetup keeping the model"}));
    // A path longer than the field is refused, not cut.
    dialogs_.ChooseFile("/tmp/" + std::string(250, 'a') + ".mdl");
    RunMenuEntry("Models", "Load Half-Life Model");
    EXPECT_STREQ(app.model_file, "/tmp/good.mdl");
}

}  // namespace
