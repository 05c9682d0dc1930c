#include "app/window.h"

#include <algorithm>
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
