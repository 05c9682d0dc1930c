// The tint's runs laid over the normal view's picture as blended quads.
#include <GL/gl.h>

#include <algorithm>

#include "app/app.h"
#include "motion/motion_tint.h"
#include "motion/motion_tint_gl.h"

void DrawMotionTint(float x, float y, float half) {
    if (!app.motion_tint_on) return;
    const MotionTintView view = CurrentMotionTint();
    if (view.grid_width <= 0 || view.grid_height <= 0) return;
    UpdateMotionTint(view);
    if (motion_tint.runs.empty()) return;
    // Cell edges on the quad; the grid may reach past the frame.
    const float cell_x = 2 * half / (view.grid_width * view.covered_s);
    const float cell_y = 2 * half / (view.grid_height * view.covered_t);
    auto along_x = [&](int cells) { return std::min(half, -half + cells * cell_x); };
    auto along_y = [&](int cells) { return std::min(half, -half + cells * cell_y); };
    glPushAttrib(GL_ENABLE_BIT | GL_COLOR_BUFFER_BIT | GL_CURRENT_BIT);
    glDisable(GL_TEXTURE_2D);
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glPushMatrix();
    glTranslatef(x, y, 0);
    glBegin(GL_QUADS);
    for (const TintRun& run : motion_tint.runs) {
        glColor4ub(run.colour.r, run.colour.g, run.colour.b, run.colour.a);
        glVertex3f(along_x(run.x0), along_y(run.y), 0);
        glVertex3f(along_x(run.x1), along_y(run.y), 0);
        glVertex3f(along_x(run.x1), along_y(run.y + 1), 0);
        glVertex3f(along_x(run.x0), along_y(run.y + 1), 0);
    }
    glEnd();
    glPopMatrix();
    glPopAttrib();
}
