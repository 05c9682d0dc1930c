#include <cstdio>
#include <cstring>

#include "app/app_state.h"
#include "app/lifecycle.h"
#include "app/window.h"
#include "console/console.h"
#include "input/input.h"
#include "input/menus.h"
#include "model/model.h"
#include "platform/dialogs.h"
#include "record/record.h"
#include "render/frame_loop.h"
#include "render/render.h"
#include "render/shader.h"
#include "sound/sound_player.h"

namespace {

constexpr const char* kButtonsQuestion =
    "Buttons are only available in Fullscreen Mode. Du you want to change to Fullscreen Mode?";
constexpr const char* kStatisticQuestion =
    "Statistic is only available in Fullscreen Mode. Du you want to change to Fullscreen Mode?";

bool InRange(int value, int first, int last) { return first <= value && value <= last; }

// Asks to go full screen; Yes switches.
void OfferFullScreen(const char* question) {
    app.full_screen = ShowMessageBox(question, "Display Question", MsgIcon::Question,
                                     MsgButtons::YesNo) == kMsgYes;
    if (app.full_screen) WindowFullScreen();
}

// A flag whose element is drawn only in full screen: switching it on in
// window mode offers full screen first.
void FullScreenOnlySwitch(int32_t& flag, const char* question) {
    if (!app.full_screen && flag == 0) {
        OfferFullScreen(question);
        flag = 1;
    } else if (app.full_screen && flag == 0) {
        flag = 1;
    } else {
        flag = 0;
    }
}

void AllButtonsSwitch() {
    const bool show = !app.buttons_shown;
    if (show && !app.full_screen) OfferFullScreen(kButtonsQuestion);
    for (int32_t& on : app.button_on_off) on = show ? 1 : 0;
    app.buttons_shown = show;
}

void NoSecondCamera() {
    ShowMessageBox(
        "Lumora hasn't found a secondary Video Device. You need a secondary Video Device to change "
        "it !",
        "Info", MsgIcon::Information);
}

void EnterShaderView() {
    app.view_mode = kViewShader;
    LoadShaderPrograms();
    ResetZoom();
}

void RebuildMenusAfterChange() {
    if (!BuildMenus()) ShowMessageBox("Cannot initialize Menu.", "Error", MsgIcon::Error);
}

bool ChooseFile(const char* title, const FileFilter& filter, char* path, size_t capacity) {
    char chosen[kPathLength];
    std::snprintf(chosen, sizeof chosen, "%s", path);
    if (!ShowOpenFileDialog(title, filter, chosen, sizeof chosen)) return false;
    if (std::strlen(chosen) >= capacity) {
        // A cut path would name another file.
        ShowMessageBox("The chosen path is too long.", "Error", MsgIcon::Error);
        return false;
    }
    std::memcpy(path, chosen, std::strlen(chosen) + 1);
    return true;
}

}  // namespace

bool ChooseModelFile(char* path, size_t capacity) {
    return ChooseFile("Open Half-Life Model File", {"Half-Life Model Files (.mdl)", "*.mdl"}, path,
                      capacity);
}

bool ChooseAlarmFile(char* path, size_t capacity) {
    return ChooseFile("Open Wav File", {"Wav Files (.wav)", "*.wav"}, path, capacity);
}

void HandleVertexProgramMenu(int value) {
    if (!InRange(value, 1, kVertexProgramCount)) return;
    app.vertex_program_index = value - 1;
    EnterShaderView();
}

void HandlePixelProgramMenu(int value) {
    if (!InRange(value, 1, kPixelProgramCount)) return;
    app.pixel_program_index = value - 1;
    EnterShaderView();
}

void HandleMaskMenu(int value) {
    if (!InRange(value, 1, kMaskCount)) return;
    app.mask_index = value - 1;
    RenderingSetup();
    LoadShaderPrograms();
}

void HandleGammaMenu(int value) {
    if (!InRange(value, 1, 2)) return;
    shader_gamma += value == 1 ? 0.1f : -0.1f;
    RebuildMenusAfterChange();
}

void HandleColorMenu(int value) {
    if (!InRange(value, 1, 2)) return;
    shader_color += value == 1 ? 0.1f : -0.1f;
    RebuildMenusAfterChange();
}

void HandleModelsMenu(int value) {
    if (value == 1) {
        // The chosen file is read once, here; one that does not load is
        // reported and the previous model stays.  After Cancel the set-up
        // loads the current file as always.
        char previous[kPathLength];
        std::memcpy(previous, app.model_file, sizeof previous);
        if (!ChooseModelFile(app.model_file, sizeof app.model_file)) {
            RenderingSetup();
            return;
        }
        if (!LoadChosenModel(app.model_file)) std::memcpy(app.model_file, previous, sizeof previous);
        RenderingSetup(SetupModel::kKeep);
    } else if (value == 2) {
        app.model_position_mode = !app.model_position_mode;
    }
}

void HandleShaderMenu(int value) {
    if (value == 1) EnterShaderView();
    else if (value == 2) LoadShaderPrograms();
}

void HandleStatisticModeMenu(int value) {
    if (InRange(value, 1, 2)) app.stats_mode = value - 1;
}

void HandleColorSchemaMenu(int value) {
    struct Scheme {
        float fill[3], border[3];
    };
    static const Scheme kSchemes[3] = {
        {{0.8f, 0.8f, 1.0f}, {0.0f, 0.0f, 1.0f}},  // Nice Blue
        {{1.0f, 0.5f, 0.5f}, {0.0f, 0.0f, 1.0f}},  // Nice Red
        {{0.5f, 1.0f, 0.5f}, {1.0f, 0.0f, 0.0f}},  // Nice Green
    };
    if (!InRange(value, 1, 3)) return;
    const Scheme& s = kSchemes[value - 1];
    app.backplate_color_r = s.fill[0];
    app.backplate_color_g = s.fill[1];
    app.backplate_color_b = s.fill[2];
    app.backplate_border_color_r = s.border[0];
    app.backplate_border_color_g = s.border[1];
    app.backplate_border_color_b = s.border[2];
}

void HandleButtonsMenu(int value) {
    if (InRange(value, 1, kButtonCount))
        FullScreenOnlySwitch(app.button_on_off[value - 1], kButtonsQuestion);
}

void HandleBackplateMenu(int value) {
    switch (value) {
        case 1: FullScreenOnlySwitch(app.window_on_off[0], kStatisticQuestion); break;
        case 2:
        case 3:
        case 4: app.window_on_off[value - 1] = app.window_on_off[value - 1] ? 0 : 1; break;
        case 5: AllButtonsSwitch(); break;
        default: break;
    }
}

void HandleMotionIntervalMenu(int value) {
    static const int32_t kSeconds[4] = {1, 5, 10, 30};
    if (!InRange(value, 1, 4)) return;
    app.motion_interval = kSeconds[value - 1];
    app.motion_check_counter = 0;
}

void HandleMotionRecordTimerMenu(int value) {
    if (!InRange(value, 1, 4)) return;
    app.motion_record_duration = 10 * value;
    app.motion_recording = false;
}

void HandlePrimaryDeviceMenu(int value) {
    if (value == 1) {
        app.current_camera = 0;
    } else if (value == 2) {
        if (app.second_camera_enabled) app.current_camera = 1;
        else NoSecondCamera();
    }
}

void HandleSecondaryDeviceMenu(int value) {
    if (!InRange(value, 1, 2)) return;
    if (app.second_camera_enabled) app.split_partner_camera = value - 1;
    else NoSecondCamera();
}

void HandleViewModeMenu(int value) {
    switch (value) {
        case 1:
            app.view_mode = kViewNormal;
            ResetZoom();
            break;
        case 2:
            app.view_mode = kViewShader;
            ResetZoom();
            LoadShaderPrograms();
            break;
        case 3: SwitchSplitScreen(); break;
        case 4: SwitchImageSwap(); break;
        default: break;
    }
}

void HandleMotionMenu(int value) {
    switch (value) {
        case 1: app.motion_shot_on = !app.motion_shot_on; break;
        case 2: SetMotionRecord(); break;
        case 3: app.motion_alarm_on = !app.motion_alarm_on; break;
        case 4:
            ChooseAlarmFile(app.alarm_file, sizeof app.alarm_file);
            app.alarm_sound = LoadSound(app.alarm_file);
            StartSound(app.alarm_sound);
            break;
        default: break;
    }
}

void HandleRecordMenu(int value) {
    if (InRange(value, 1, 4)) SetRecordMode(value);
}

void HandleOptionsMenu(int value) {
    switch (value) {
        case 1: SwitchScreenMode(); break;
        case 2:
            app.polygon_mode = app.polygon_mode == GL_FILL ? GL_LINE : GL_FILL;
            ApplyPolygonMode(app.polygon_mode);
            WindowPostRedisplay();
            break;
        case 3:
            app.texture_filter = app.texture_filter == GL_NEAREST ? GL_LINEAR : GL_NEAREST;
            RenderingSetup();
            break;
        default: break;
    }
}

void HandleMainMenu(int value) {
    if (value == 1) app.screenshot_pending = true;
    else if (value == 2) ExitSequence();
}
