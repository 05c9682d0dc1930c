// Stroke text in overlay units and bitmap text in window pixels.
#include <GL/freeglut.h>

#include <cstdarg>
#include <cstdio>
#include <iterator>
#include <vector>

#include "overlay/text.h"

namespace {

// The strokes of GLUT_STROKE_ROMAN as separate line segments, read once from
// freeglut through GL feedback.  Drawing a whole string as one GL_LINES batch
// puts the same lines on the screen as glutStrokeCharacter, whose per-character
// matrix step costs a draw call per character in a software renderer.
struct StrokeFont {
    bool ready = false;
    std::vector<float> vertices;  // x, y pairs, two per segment
    int first[256] = {};          // first vertex of each character
    int count[256] = {};          // vertices of each character
    float advance[256] = {};
};
StrokeFont stroke_font;

void CaptureStrokeFont() {
    constexpr int kBox = 1024;     // feedback window: object units = window units
    constexpr float kPen = 256;    // pen position, keeps every stroke inside the box
    static GLfloat feedback[16384];

    glPushAttrib(GL_VIEWPORT_BIT | GL_TRANSFORM_BIT);
    glViewport(0, 0, kBox, kBox);
    glMatrixMode(GL_PROJECTION);
    glPushMatrix();
    glLoadIdentity();
    glOrtho(0, kBox, 0, kBox, -1, 1);
    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();
    for (int c = 1; c < 256; ++c) {
        glFeedbackBuffer(static_cast<GLsizei>(std::size(feedback)), GL_2D, feedback);
        glRenderMode(GL_FEEDBACK);
        glLoadIdentity();
        glTranslatef(kPen, kPen, 0);
        glutStrokeCharacter(GLUT_STROKE_ROMAN, c);
        GLfloat matrix[16];
        glGetFloatv(GL_MODELVIEW_MATRIX, matrix);
        const GLint values = glRenderMode(GL_RENDER);
        stroke_font.advance[c] = matrix[12] - kPen;
        stroke_font.first[c] = static_cast<int>(stroke_font.vertices.size() / 2);
        for (GLint i = 0; i < values;) {
            const GLfloat token = feedback[i++];
            if (token == GL_LINE_TOKEN || token == GL_LINE_RESET_TOKEN) {
                for (int k = 0; k < 2; ++k) {
                    stroke_font.vertices.push_back(feedback[i++] - kPen);
                    stroke_font.vertices.push_back(feedback[i++] - kPen);
                }
            } else if (token == GL_POINT_TOKEN) {
                i += 2;
            } else {
                break;  // nothing else comes from strokes
            }
        }
        stroke_font.count[c] = static_cast<int>(stroke_font.vertices.size() / 2) - stroke_font.first[c];
    }
    glPopMatrix();
    glMatrixMode(GL_PROJECTION);
    glPopMatrix();
    glPopAttrib();
    stroke_font.ready = true;
}

}  // namespace

void DrawStrokeText(float x, float y, const char* format, ...) {
    char text[200];
    va_list args;
    va_start(args, format);
    std::vsnprintf(text, sizeof text, format, args);  // longer text is cut, never overrun
    va_end(args);

    if (!stroke_font.ready) CaptureStrokeFont();
    glDisable(GL_TEXTURE_2D);  // textured strokes would come out dark
    glPushMatrix();
    glTranslatef(x, y, 0);
    glBegin(GL_LINES);
    float pen = 0;
    for (const char* p = text; *p != '\0'; ++p) {
        const int c = static_cast<unsigned char>(*p);
        const float* v = stroke_font.vertices.data() + static_cast<size_t>(stroke_font.first[c]) * 2;
        for (int i = 0; i < stroke_font.count[c]; ++i) glVertex2f(pen + v[2 * i], v[2 * i + 1]);
        pen += stroke_font.advance[c];
    }
    glEnd();
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
