// GL half of the recording steps: the window read-back and the
// "RECORDING..." labels drawn in the bitmap-text pass.
#include <GL/gl.h>

#include <cstdio>

#include "app/app_state.h"
#include "overlay/text.h"
#include "record/record.h"

void ReadWindowPixels(int width, int height, int row_pixels, uint8_t* pixels) {
    glPushClientAttrib(GL_CLIENT_PIXEL_STORE_BIT);
    glPixelStorei(GL_PACK_ALIGNMENT, 4);
    glPixelStorei(GL_PACK_ROW_LENGTH, row_pixels);
    glPixelStorei(GL_PACK_SKIP_ROWS, 0);
    glPixelStorei(GL_PACK_SKIP_PIXELS, 0);
    // The frame being built, before the swap.
    glReadBuffer(GL_BACK);
    glReadPixels(0, 0, width, height, GL_BGRA, GL_UNSIGNED_BYTE, pixels);
    glPopClientAttrib();
}

void DrawRecordingLabels() {
    const float x = static_cast<float>(app.window_width / 2);
    const float y = 20;
    if (app.motion_recording) {
        char text[64];
        std::snprintf(text, sizeof text, "RECORDING...(times: %i)",
                      app.motion_record_duration - app.motion_record_elapsed);
        glColor3f(1, 0, 0);
        DrawBitmapString(x, y, 3, text);
    }
    if (app.record_mode != kRecordOff) {
        glPushAttrib(GL_COLOR_BUFFER_BIT);
        glEnable(GL_BLEND);
        glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
        glColor4f(1, 0, 0, app.recording_label_alpha);
        DrawBitmapString(x, y, 3, "RECORDING...");
        glPopAttrib();
        StepRecordingLabel();
    } else {
        app.recording_label_alpha = 0;
    }
}
