// Stroke text in overlay units and bitmap text in window pixels.
#include <GL/freeglut.h>

#include <cstdarg>
#include <cstdio>

#include "overlay/text.h"

void DrawStrokeText(float x, float y, const char* format, ...) {
    char text[200];
    va_list args;
    va_start(args, format);
    std::vsnprintf(text, sizeof text, format, args);  // longer text is cut, never overrun
    va_end(args);

    glDisable(GL_TEXTURE_2D);  // textured strokes would come out dark
    glPushMatrix();
    glTranslatef(x, y, 0);
    for (const char* c = text; *c != '\0'; ++c)
        glutStrokeCharacter(GLUT_STROKE_ROMAN, static_cast<unsigned char>(*c));
    glPopMatrix();
}

void BeginTextPass(int width, int height) {
    glPushClientAttrib(GL_CLIENT_PIXEL_STORE_BIT);
    glPixelStorei(GL_UNPACK_SWAP_BYTES, GL_FALSE);
    glPixelStorei(GL_UNPACK_LSB_FIRST, GL_FALSE);
    glPixelStorei(GL_UNPACK_ROW_LENGTH, 0);
    glPixelStorei(GL_UNPACK_SKIP_ROWS, 0);
    glPixelStorei(GL_UNPACK_SKIP_PIXELS, 0);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);

    glPushAttrib(GL_ENABLE_BIT);
    glDisable(GL_TEXTURE_2D);
    glDisable(GL_DEPTH_TEST);
    glDisable(GL_LIGHTING);

    glMatrixMode(GL_PROJECTION);
    glPushMatrix();
    glLoadIdentity();
    glOrtho(0, width, height, 0, -1, 1);
    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();
    glLoadIdentity();
}

void DrawBitmapString(float x, float y, int font_index, const char* text) {
    const BitmapFont* font = GetBitmapFont(font_index);
    if (font == nullptr || text == nullptr) return;
    glRasterPos2f(x, y);
    for (const unsigned char* c = reinterpret_cast<const unsigned char*>(text); *c != 0; ++c) {
        const unsigned char* glyph = font->glyphs[*c - 1];
        const int width = glyph[0];
        glBitmap(width, font->height, font->x_origin, font->y_origin, static_cast<float>(width), 0,
                 glyph + 1);
    }
}

void EndTextPass() {
    glMatrixMode(GL_PROJECTION);
    glPopMatrix();
    glMatrixMode(GL_MODELVIEW);
    glPopMatrix();
    glPopClientAttrib();
    glPopAttrib();
}
