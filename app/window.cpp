#include "app/window.h"

#include "app/app.h"
#include "platform/dialogs.h"

void SwitchScreenMode() {
    app.full_screen = !app.full_screen;
    if (app.full_screen) {
        WindowFullScreen();
    } else {
        WindowReshape(app.video_width, app.video_height);
        WindowPosition(app.gl_win_pos_x, app.gl_win_pos_y);
    }
}

void OfferFullScreen(const char* question) {
    app.full_screen = ShowMessageBox(question, "Display Question", MsgIcon::Question,
                                     MsgButtons::YesNo) == kMsgYes;
    if (app.full_screen) WindowFullScreen();
}

void MinimizeWindow() { WindowIconify(); }
