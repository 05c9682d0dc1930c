#include "render/view.h"

#include "app/app.h"
#include "app/window.h"
#include "capture/camera_choice.h"
#include "platform/dialogs.h"
#include "render/frame_loop.h"
#include "render/render.h"
#include "render/shader.h"

namespace {

bool AskQuestion(const char* text) {
    return ShowMessageBox(text, "Display Question", MsgIcon::Question, MsgButtons::YesNo) == kMsgYes;
}

// Enters `mode`, one of the two views that need the second camera; leaving
// `other` needs the user's yes.  False when there is no second camera.
bool SwitchDualCameraView(ViewMode mode, ViewMode other, const char* feature,
                          const char* leave_other_question) {
    if (!app.second_camera_enabled) {
        ShowNoSecondCamera(feature);
        return false;
    }
    if (app.view_mode != other || AskQuestion(leave_other_question)) app.view_mode = mode;
    ResetZoom();
    return true;
}

}  // namespace

void SetNormalView() {
    app.view_mode = kViewNormal;
    ResetZoom();
}

void SetShaderView() {
    app.view_mode = kViewShader;
    LoadShaderPrograms();
    ResetZoom();
}

void SwitchSplitScreen() {
    SwitchDualCameraView(kViewSplit, kViewSwap, "Splitscreen",
                         "You can only run Slitscreen if Image Swap is disabled. Du you want to "
                         "disable Image Swap to run Slitscreen?");
}

void SwitchImageSwap() {
    if (SwitchDualCameraView(kViewSwap, kViewSplit, "Image Swap",
                             "You can only run Image Swap if Slitscreen is disabled. Du you want "
                             "to disable Slitscreen to run Image Swap?"))
        app.swap_counter = 0;
}

bool ZoomAvailable() {
    return app.view_mode == kViewNormal ||
           (app.view_mode == kViewShader && app.pixel_program_index == kPixelMagnifier);
}

void ZoomStep(bool advance) {
    if (advance) {
        if (app.zoom_scale == 1.0f) {
            app.zoom_on = true;
            app.zoom_scale = 2;
            app.zoom_factor = 2;
        } else {
            app.zoom_scale *= 2;
            app.zoom_factor *= 2;
        }
        app.zoom_pan_limit = 32 - 32 / app.zoom_scale;
        if (app.zoom_scale <= 8) return;
        app.zoom_shift_x = 0;
        app.zoom_shift_y = 0;
    }
    // Off (from 8x, or a reset): the shift handed to the shaders survives a
    // plain reset so an effect keeps its place across view changes.
    app.zoom_on = false;
    app.zoom_scale = 1;
    app.zoom_pan_limit = 0;
    app.zoom_pan_x = 0;
    app.zoom_pan_y = 0;
    app.zoom_factor = 0;
}

void StepZoomIfAvailable() {
    if (ZoomAvailable()) ZoomStep(true);
}

void SwitchSwapTransition() {
    frame_loop.swap_transition_running = !frame_loop.swap_transition_running;
}

void SwitchPolygonMode() {
    app.polygon_mode = app.polygon_mode == GL_FILL ? GL_LINE : GL_FILL;
    ApplyPolygonMode(app.polygon_mode);
    WindowPostRedisplay();
}

void SwitchTextureFilter() {
    app.texture_filter = app.texture_filter == GL_NEAREST ? GL_LINEAR : GL_NEAREST;
    RenderingSetup();
}
