// The tint laid over the normal view's picture: its texture, uploaded when
// the picture changed, on the picture's quad with blending.
#include <GL/gl.h>

#include "app/app.h"
#include "motion/motion_tint.h"
#include "motion/motion_tint_gl.h"

namespace {

void Upload() {
    MotionTintState& t = motion_tint;
    if (!t.texture) glGenTextures(1, &t.texture);
    glBindTexture(GL_TEXTURE_2D, t.texture);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
    if (t.texture_width != t.width || t.texture_height != t.height) {
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
        glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, t.width, t.height, 0, GL_RGBA, GL_UNSIGNED_BYTE, t.rgba.data());
        t.texture_width = t.width;
        t.texture_height = t.height;
    } else {
        glTexSubImage2D(GL_TEXTURE_2D, 0, 0, 0, t.width, t.height, GL_RGBA, GL_UNSIGNED_BYTE, t.rgba.data());
    }
}

}  // namespace

void DrawMotionTint(float x, float y, float half) {
    if (!app.motion_tint_on) return;
    const MotionTintView view = CurrentMotionTint();
    if (view.grid_width <= 0 || view.grid_height <= 0) return;
    glPushAttrib(GL_ENABLE_BIT | GL_COLOR_BUFFER_BIT | GL_TEXTURE_BIT | GL_CURRENT_BIT);
    const bool changed = UpdateMotionTint(view);
    if (changed || !motion_tint.texture) Upload();
    glBindTexture(GL_TEXTURE_2D, motion_tint.texture);
    glEnable(GL_TEXTURE_2D);
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glColor4f(1, 1, 1, 1);
    glPushMatrix();
    glTranslatef(x, y, 0);
    glBegin(GL_QUADS);
    glTexCoord2f(0, 0);
    glVertex3f(-half, -half, 0);
    glTexCoord2f(view.covered_s, 0);
    glVertex3f(half, -half, 0);
    glTexCoord2f(view.covered_s, view.covered_t);
    glVertex3f(half, half, 0);
    glTexCoord2f(0, view.covered_t);
    glVertex3f(-half, half, 0);
    glEnd();
    glPopMatrix();
    glPopAttrib();
}
