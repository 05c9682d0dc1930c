#include <cstdio>

#include "app/app_state.h"
#include "input/input.h"
#include "model/model.h"
#include "platform/dialogs.h"
#include "record/record.h"
#include "render/frame_loop.h"
#include "render/model_pass.h"
#include "render/shader.h"

namespace {

void NoSecondCamera(const char* feature) {
    char text[160];
    std::snprintf(text, sizeof text,
                  "Lumora hasn't found a secondary Video Device. You need a secondary Video Device "
                  "to enable %s !",
                  feature);
    ShowMessageBox(text, "Info", MsgIcon::Information);
}

bool AskQuestion(const char* text) {
    return ShowMessageBox(text, "Display Question", MsgIcon::Question, MsgButtons::YesNo) == kMsgYes;
}

void MoveLight(int axis, float delta) { model_pass.light_position[axis] += delta; }

void Walk(float heading, float* position, float delta) {
    model_pass.model_heading = heading;
    *position += delta;
}

}  // namespace

void SwitchSplitScreen() {
    if (!app.second_camera_enabled) {
        NoSecondCamera("Splitscreen");
        return;
    }
    if (app.view_mode == kViewSwap) {
        if (AskQuestion("You can only run Slitscreen if Image Swap is disabled. Du you want to "
                        "disable Image Swap to run Slitscreen?"))
            app.view_mode = kViewSplit;
    } else {
        app.view_mode = kViewSplit;
    }
    ResetZoom();
}

void SwitchImageSwap() {
    if (!app.second_camera_enabled) {
        NoSecondCamera("Image Swap");
        return;
    }
    if (app.view_mode == kViewSplit) {
        if (AskQuestion("You can only run Image Swap if Slitscreen is disabled. Du you want to "
                        "disable Slitscreen to run Image Swap?"))
            app.view_mode = kViewSwap;
    } else {
        app.view_mode = kViewSwap;
    }
    app.swap_counter = 0;
    ResetZoom();
}

void RunButtonAction(int index) {
    switch (index) {
        case 0: SwitchSplitScreen(); break;
        case 1: SwitchImageSwap(); break;
        case 2: app.motion_shot_on = !app.motion_shot_on; break;
        case 3: app.motion_alarm_on = !app.motion_alarm_on; break;
        case 4: app.stats_mode = app.stats_mode == 0 ? 1 : 0; break;
        case 5: SetMotionRecord(); break;
        case 6: SetRecordMode(1); break;
        case 7:
            if (app.view_mode == kViewNormal ||
                (app.view_mode == kViewShader && app.pixel_program_index == 8))
                ZoomStep(true);
            break;
        case 8:
            app.view_mode = kViewNormal;
            ResetZoom();
            break;
        case 9:
            app.view_mode = kViewShader;
            LoadShaderPrograms();
            ResetZoom();
            break;
        case 10: SetRecordMode(2); break;
        case 11: SetRecordMode(3); break;
        case 12: SetRecordMode(4); break;
        default: break;
    }
}

void OnSpecialKey(int key, int, int) {
    app.last_special_key = key;
    const bool light = app.model_position_mode;
    switch (key) {
        case kKeyF11: frame_loop.swap_transition_running = !frame_loop.swap_transition_running; break;
        case kKeyF12: app.screenshot_pending = true; break;
        case kKeyLeft:
            light ? MoveLight(0, -1) : Walk(180, &model_pass.model_pos_x, -1);
            break;
        case kKeyUp:
            light ? MoveLight(2, -1) : Walk(90, &model_pass.model_pos_z, -1);
            break;
        case kKeyRight:
            light ? MoveLight(0, 1) : Walk(0, &model_pass.model_pos_x, 1);
            break;
        case kKeyDown:
            light ? MoveLight(2, 1) : Walk(-90, &model_pass.model_pos_z, 1);
            break;
        case kKeyPageUp:
            if (light) MoveLight(1, 1);
            break;
        case kKeyPageDown:
            if (light) MoveLight(1, -1);
            break;
        case kKeyHome:
            app.model_sequence += 1;
            SelectModelSequence(app.model_sequence);
            break;
        case kKeyEnd:
            app.model_sequence = 1;
            SelectModelSequence(1);
            break;
        default: break;
    }
}
