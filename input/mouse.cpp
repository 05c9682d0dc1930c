#include "app/app.h"
#include "app/window.h"
#include "input/input.h"
#include "overlay/buttons.h"
#include "render/frame_loop.h"
#include "render/model_pass.h"
#include "render/view.h"

namespace {

constexpr int kLeftButton = 0, kMiddleButton = 1;
constexpr int kPressed = 0, kReleased = 1;

bool Hit(int x, int y, float ux0, float uy0, float ux1, float uy1) {
    return HitOverlayBox(x, y, app.window_width, app.window_height, ux0, uy0, ux1, uy1);
}

// Threshold from a click or drag at `uy` over a panel whose bottom is `bottom`.
void SetThresholdFrom(float uy, float bottom) { app.motion_max = (uy - bottom) / 100.0f; }

// A press inside a shown threshold panel sets the threshold there and starts
// dragging it.  True when it did.
bool PanelPressed(Panel panel, int x, int y, float uy) {
    if (app.window_on_off[panel] != 1) return false;
    const float px = app.window_pos_x[panel], py = app.window_pos_y[panel];
    if (!Hit(x, y, px, py, px + app.window_size_x[panel], py + app.window_size_y[panel])) return false;
    WindowSetPointer(PointerShape::UpDown);
    SetThresholdFrom(uy, py);
    return true;
}

void LeftPressed(int x, int y) {
    const float r = app.backplate_border_width;
    for (int i = 0; i < kSavedPanelCount; ++i) {
        if (app.window_on_off[i] != 1) continue;
        const float x0 = app.window_pos_x[i], top = app.window_pos_y[i] + app.window_size_y[i];
        if (Hit(x, y, x0, top, x0 + app.window_size_x[i], top + r / 2) &&
            (i != kPanelStatistics || app.full_screen))
            input.window_dragging[i] = true;
    }

    const float ix = app.window_pos_x[kPanelInfo], iy = app.window_pos_y[kPanelInfo];
    if (Hit(x, y, ix - r / 2, iy - r / 2, ix + overlay.info_panel_width + r / 2,
            iy + overlay.info_panel_height + r / 2))
        SwitchInfoPanel();

    const float uy = PixelToUnitY(static_cast<float>(y), app.window_height);
    input.meter_dragging |= PanelPressed(kPanelMotionMeter, x, y, uy);
    if (!app.full_screen) return;

    input.graph_dragging |= PanelPressed(kPanelStatistics, x, y, uy);
    for (int i = 0; i < kButtonCount; ++i) {
        const float bx = app.button_pos_x[i], by = app.button_pos_y[i];
        if (app.button_on_off[i] == 1 && Hit(x, y, bx, by, bx + kButtonWidth, by + kButtonHeight))
            RunButtonAction(i);
    }
    for (int i = 0; i < kButtonCount; ++i) {
        const float bx = app.button_pos_x[i], strip = app.button_pos_y[i] + kButtonHeight;
        if (app.button_on_off[i] == 1 &&
            Hit(x, y, bx, strip, bx + kButtonWidth, strip + app.button_scale / 2))
            input.button_dragging[i] = !input.button_dragging[i];
    }
}

void LeftReleased() {
    WindowSetPointer(PointerShape::RightArrow);
    for (bool& dragging : input.window_dragging) dragging = false;
    for (bool& dragging : input.button_dragging) dragging = false;
    input.meter_dragging = false;
    input.graph_dragging = false;
}

// One step per event, however far the pointer moved.
void PanAxis(float& pan, float& shift, int last, int now, float extent) {
    const float limit = app.zoom_pan_limit;
    if (pan < limit && last < now) {
        pan += 1;
        shift += extent / 64;
    }
    if (-limit < pan && last > now) {
        pan -= 1;
        shift -= extent / 64;
    }
}

// Pointer positions in picture pixels: the picture may sit between bars.
void PanZoom(PicturePoint last, PicturePoint now) {
    PanAxis(app.zoom_pan_x, app.zoom_shift_x, last.x, now.x, frame_loop.texture_extent_s);
    PanAxis(app.zoom_pan_y, app.zoom_shift_y, last.y, now.y, frame_loop.texture_extent_t);
}

// Model position mode: the scene turns with the pointer's place on the
// picture, not on the whole window.
void TurnScene(PicturePoint at, PictureRect picture) {
    model_pass.scene_rotation_y = static_cast<float>(-at.x - picture.width / 2);
    model_pass.scene_rotation_x = static_cast<float>(picture.height / 2 - at.y);
}

}  // namespace

void OnMouseButton(int button, int state, int x, int y) {
    if (button == kLeftButton) {
        if (state == kPressed) LeftPressed(x, y);
        else if (state == kReleased) LeftReleased();
    } else if (button == kMiddleButton) {
        if (state == kPressed) StepZoomIfAvailable();
    } else {
        return;
    }
    // A drag pans from where it starts, not from where the last one ended.
    if (state == kPressed) {
        input.last_mouse_x = x;
        input.last_mouse_y = y;
    }
    WindowSetMotionCallback(OnMouseDrag);
    WindowPostRedisplay();
}

void OnMouseDrag(int x, int y) {
    const int width = app.window_width, height = app.window_height;
    if (width <= 0 || height <= 0) return;
    const float ux = PixelToUnitX(static_cast<float>(x), width);
    const float uy = PixelToUnitY(static_cast<float>(y), height);
    const float r = app.backplate_border_width;

    const bool inside = 0 < x && x < width && 0 < y && y < height;
    for (int i = 0; i < kSavedPanelCount; ++i) {
        if (!input.window_dragging[i] || !inside) continue;
        app.window_pos_x[i] = ux - app.window_size_x[i] / 2;
        app.window_pos_y[i] = uy - app.window_size_y[i] - r / 4;
    }
    for (int i = 0; i < kButtonCount; ++i) {
        if (!input.button_dragging[i]) continue;
        app.button_pos_x[i] = ux - kButtonWidth / 2;
        app.button_pos_y[i] = uy - kButtonHeight - app.button_scale / 4;
    }
    if (input.meter_dragging) SetThresholdFrom(uy, app.window_pos_y[kPanelMotionMeter]);
    if (input.graph_dragging) SetThresholdFrom(uy, app.window_pos_y[kPanelStatistics]);

    const PictureRect picture = CurrentPictureRect();
    const PicturePoint at = WindowToPicture(x, y, picture, height);
    PanZoom(WindowToPicture(input.last_mouse_x, input.last_mouse_y, picture, height), at);
    if (app.model_position_mode) TurnScene(at, picture);
    WindowPostRedisplay();
    input.last_mouse_x = x;
    input.last_mouse_y = y;
}
