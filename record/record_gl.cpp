// GL half of the recording steps: the window read-back and the
// "RECORDING..." labels drawn in the bitmap-text pass.
#include <GL/gl.h>

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
    const RecordingLabels labels = NextRecordingLabels();
    if (labels.motion_text[0]) {
        glColor3f(1, 0, 0);
        DrawBitmapString(labels.x, labels.y, labels.font, labels.motion_text);
    }
    if (!labels.blinking) return;
    glPushAttrib(GL_COLOR_BUFFER_BIT);
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glColor4f(1, 0, 0, labels.blink_alpha);
    DrawBitmapString(labels.x, labels.y, labels.font, "RECORDING...");
    glPopAttrib();
}
