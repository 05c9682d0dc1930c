// Plates and panels of the overlay, drawn in immediate mode every frame.
#include <GL/gl.h>

#include <cmath>

#include "overlay/overlay.h"

void BuildOverlayLists() {
    if (overlay.unit_square_list != 0) glDeleteLists(overlay.unit_square_list, 1);
    overlay.unit_square_list = glGenLists(1);
    glNewList(overlay.unit_square_list, GL_COMPILE);
    glBegin(GL_POLYGON);
    glVertex3f(-1, -1, 0);
    glVertex3f(1, -1, 0);
    glVertex3f(1, 1, 0);
    glVertex3f(-1, 1, 0);
    glEnd();
    glEndList();
}

void DrawArcFan(int segments, float fraction) {
    const float theta = fraction * 6.2831853071f / static_cast<float>(segments);
    const float c = std::cos(theta);
    const float s = std::sin(theta);
    float x = 1, y = 0;
    glBegin(GL_POLYGON);
    glVertex3f(0, 0, 0);
    for (int i = 0; i <= segments; ++i) {
        glVertex3f(x, y, 0);
        const float next_x = x * c - y * s;
        y = x * s + y * c;
        x = next_x;
    }
    glEnd();
}

namespace {

// The unit square scaled to half-extents (sx, sy) around (cx, cy).
void UnitSquare(float cx, float cy, float sx, float sy) {
    glPushMatrix();
    glTranslatef(cx, cy, 0);
    glScalef(sx, sy, 1);
    glCallList(overlay.unit_square_list);
    glPopMatrix();
}

// Quarter discs of radius r on the four corners of [0, 2w] x [0, 2h].
void PlateCorners(float r, float w2, float h2) {
    static const struct { int right, top; float angle; } kCorners[] = {
        {1, 1, 0}, {1, 0, 270}, {0, 1, 90}, {0, 0, 180}};
    for (const auto& corner : kCorners) {
        glPushMatrix();
        glTranslatef(corner.right ? w2 : 0, corner.top ? h2 : 0, 0);
        glRotatef(corner.angle, 0, 0, 1);
        glScalef(r, r, 1);
        DrawArcFan(25, 0.25f);
        glPopMatrix();
    }
}

}  // namespace

void DrawBackplate(float radius, int width, int height, float x, float y, float fill_r, float fill_g,
                   float fill_b, float border_r, float border_g, float border_b, float alpha) {
    const float r = radius;
    const float w = static_cast<float>(width);
    const float h = static_cast<float>(height);
    glPushMatrix();
    glTranslatef(x, y, 0);
    glScalef(0.5f, 0.5f, 1);
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glColor4f(fill_r, fill_g, fill_b, alpha);
    UnitSquare(w, h, w + r, h);          // middle band, reaches out sideways
    UnitSquare(w, h - r / 2, w, h + r / 2);  // lower band, reaches down
    // Title strip: fill at both ends shading to the border colour in the middle.
    glBegin(GL_QUADS);
    glColor4f(fill_r, fill_g, fill_b, alpha);
    glVertex3f(0, 2 * h, 0);
    glColor4f(border_r, border_g, border_b, alpha);
    glVertex3f(w, 2 * h, 0);
    glVertex3f(w, 2 * h + r, 0);
    glColor4f(fill_r, fill_g, fill_b, alpha);
    glVertex3f(0, 2 * h + r, 0);

    glColor4f(border_r, border_g, border_b, alpha);
    glVertex3f(w, 2 * h, 0);
    glColor4f(fill_r, fill_g, fill_b, alpha);
    glVertex3f(2 * w, 2 * h, 0);
    glVertex3f(2 * w, 2 * h + r, 0);
    glColor4f(border_r, border_g, border_b, alpha);
    glVertex3f(w, 2 * h + r, 0);
    glEnd();
    glColor4f(fill_r, fill_g, fill_b, alpha);
    PlateCorners(r, 2 * w, 2 * h);
    glDisable(GL_BLEND);
    glPopMatrix();
}
