#include "app/window.h"

#include <algorithm>
#include <cstdlib>
#include <cstdint>

#include "app/app.h"
#include "platform/dialogs.h"

WindowSize FitToScreen(int width, int height, WindowSize screen) {
    if (screen.width <= 0 || screen.height <= 0 || width <= 0 || height <= 0) return {width, height};
    if (width <= screen.width && height <= screen.height) return {width, height};
    // The smaller of the two scales, in integers so the shape is kept exactly
    // where it can be.
    const int64_t by_width = int64_t(screen.width) * height, by_height = int64_t(screen.height) * width;
    if (by_width <= by_height)
        return {screen.width, std::max(1, static_cast<int>(by_width / width))};
    return {std::max(1, static_cast<int>(by_height / height)), screen.height};
}

namespace {

// The one side of the rectangle that the window does not fill: the other
// side times the picture's ratio, to the nearest pixel and at least 1.
int ScaledSide(int64_t side, int64_t numerator, int64_t denominator) {
    return std::max(1, static_cast<int>((side * numerator * 2 + denominator) / (denominator * 2)));
}

}  // namespace

PictureRect FitPicture(int window_width, int window_height, int picture_width, int picture_height) {
    const PictureRect whole{0, 0, window_width, window_height};
    if (window_width <= 0 || window_height <= 0 || picture_width <= 0 || picture_height <= 0)
        return whole;
    // Cross products compare the two shapes without rounding: their
    // difference is how far the window's shape is from the picture's, in
    // pixels times the picture's sides.
    const int64_t wide = int64_t(window_width) * picture_height;
    const int64_t tall = int64_t(window_height) * picture_width;
    if (std::abs(wide - tall) < std::max(picture_width, picture_height)) return whole;
    if (wide > tall) {  // bars left and right
        const int width = ScaledSide(window_height, picture_width, picture_height);
        return {(window_width - width) / 2, 0, width, window_height};
    }
    const int height = ScaledSide(window_width, picture_height, picture_width);  // bars above and below
    return {0, (window_height - height + 1) / 2, window_width, height};
}

PictureRect CurrentPictureRect() {
    return FitPicture(app.window_width, app.window_height, app.video_width, app.video_height);
}

PicturePoint WindowToPicture(int x, int y, PictureRect picture, int window_height) {
    const int top = window_height - (picture.y + picture.height);
    return {x - picture.x, y - top};
}

WindowSize CameraWindowSize() {
    return FitToScreen(app.video_width, app.video_height, WindowScreenSize());
}

void SwitchScreenMode() {
    app.full_screen = !app.full_screen;
    if (app.full_screen) {
        WindowFullScreen();
    } else {
        const WindowSize size = CameraWindowSize();
        WindowReshape(size.width, size.height);
        WindowPosition(app.gl_win_pos_x, app.gl_win_pos_y);
    }
}

void OfferFullScreen(const char* question) {
    app.full_screen = ShowMessageBox(question, "Display Question", MsgIcon::Question,
                                     MsgButtons::YesNo) == kMsgYes;
    if (app.full_screen) WindowFullScreen();
}

void MinimizeWindow() { WindowIconify(); }
