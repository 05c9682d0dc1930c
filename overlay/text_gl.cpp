// Stroke text in overlay units and bitmap text in window pixels.
#include <GL/freeglut.h>

#include <algorithm>
#include <cmath>
#include <cstdarg>
#include <cstdint>
#include <cstring>
#include <cstdio>
#include <iterator>
#include <string>
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

// The string's lines in the current model-view units, the pen at the origin.
void DrawStrokeLines(const char* text) {
    glBegin(GL_LINES);
    float pen = 0;
    for (const char* p = text; *p != '\0'; ++p) {
        const int c = static_cast<unsigned char>(*p);
        const float* v = stroke_font.vertices.data() + static_cast<size_t>(stroke_font.first[c]) * 2;
        for (int i = 0; i < stroke_font.count[c]; ++i) glVertex2f(pen + v[2 * i], v[2 * i + 1]);
        pen += stroke_font.advance[c];
    }
    glEnd();
}

// Stroke text is the costliest part of the overlay on a software renderer:
// every glyph is a dozen lines, each set up and rasterised on every frame,
// while the text changes a few times a second at most.  So each string is
// drawn once into a texture the size of its window-pixel bounds and then
// shown as one quad while the string, its matrices, viewport, colour and
// line state stay the same.  Its pixels are the ones the lines made, and
// only the pixels the lines wrote pass (alpha test).
struct StrokeKey {
    GLfloat projection[16], modelview[16];
    GLint viewport[4];
    GLfloat color[4];
    GLfloat line_width;
    GLboolean smooth;
};

struct StrokePicture {
    StrokeKey key{};
    std::string text;
    GLuint texture = 0;
    int x = 0, y = 0, width = 0, height = 0;  // window pixels
    uint64_t last_use = 0;
};

constexpr size_t kStrokePictures = 96;  // a full-screen console page, the panels, the buttons
constexpr int kStrokeMargin = 2;        // pixels beyond the vertices' bounds

// Owned here, for the life of the GL context.
struct StrokeCache {
    bool enabled = true;
    std::vector<StrokePicture> pictures;
    uint64_t uses = 0;
} stroke_cache;

StrokeKey CurrentStrokeKey() {
    StrokeKey key;
    std::memset(&key, 0, sizeof key);  // padding too: keys compare as bytes
    glGetFloatv(GL_PROJECTION_MATRIX, key.projection);
    glGetFloatv(GL_MODELVIEW_MATRIX, key.modelview);
    glGetIntegerv(GL_VIEWPORT, key.viewport);
    glGetFloatv(GL_CURRENT_COLOR, key.color);
    glGetFloatv(GL_LINE_WIDTH, &key.line_width);
    key.smooth = glIsEnabled(GL_LINE_SMOOTH);
    return key;
}

// Blending over what is below, a program or a see-through colour would come
// out differently from a picture drawn alone: such text draws directly, as
// does text drawn into a texture.  Smoothed lines without blending only put
// their coverage into the window's alpha, which nothing shows or reads.
bool StrokesCacheable(const StrokeKey& key) {
    GLint program = 0, mode = 0, framebuffer = 0;
    glGetIntegerv(GL_CURRENT_PROGRAM, &program);
    glGetIntegerv(GL_RENDER_MODE, &mode);
    glGetIntegerv(GL_DRAW_FRAMEBUFFER_BINDING, &framebuffer);
    return stroke_cache.enabled && !glIsEnabled(GL_BLEND) && program == 0 &&
           mode == GL_RENDER && framebuffer == 0 && key.color[3] == 1.0f;
}

// Window-pixel bounds of the string's vertices under the key's matrices and
// viewport, cut to the viewport; false when nothing of it is inside.
bool StrokeBounds(const StrokeKey& key, const char* text, StrokePicture& picture) {
    float lo[2] = {1e9f, 1e9f}, hi[2] = {-1e9f, -1e9f};
    float pen = 0;
    for (const char* p = text; *p != '\0'; ++p) {
        const int c = static_cast<unsigned char>(*p);
        const float* v = stroke_font.vertices.data() + static_cast<size_t>(stroke_font.first[c]) * 2;
        for (int i = 0; i < stroke_font.count[c]; ++i) {
            const float object[4] = {pen + v[2 * i], v[2 * i + 1], 0, 1};
            float eye[4] = {}, clip[4] = {};
            for (int row = 0; row < 4; ++row)
                for (int k = 0; k < 4; ++k) eye[row] += key.modelview[k * 4 + row] * object[k];
            for (int row = 0; row < 4; ++row)
                for (int k = 0; k < 4; ++k) clip[row] += key.projection[k * 4 + row] * eye[k];
            if (clip[3] <= 0) return false;  // never with the overlay's projection
            for (int axis = 0; axis < 2; ++axis) {
                const float at = static_cast<float>(key.viewport[axis]) +
                                 (clip[axis] / clip[3] + 1) * 0.5f * static_cast<float>(key.viewport[axis + 2]);
                lo[axis] = std::min(lo[axis], at);
                hi[axis] = std::max(hi[axis], at);
            }
        }
        pen += stroke_font.advance[c];
    }
    const int x0 = std::max(key.viewport[0], static_cast<int>(std::floor(lo[0])) - kStrokeMargin);
    const int y0 = std::max(key.viewport[1], static_cast<int>(std::floor(lo[1])) - kStrokeMargin);
    const int x1 = std::min(key.viewport[0] + key.viewport[2], static_cast<int>(std::ceil(hi[0])) + kStrokeMargin);
    const int y1 = std::min(key.viewport[1] + key.viewport[3], static_cast<int>(std::ceil(hi[1])) + kStrokeMargin);
    picture.x = x0;
    picture.y = y0;
    picture.width = x1 - x0;
    picture.height = y1 - y0;
    return picture.width > 0 && picture.height > 0;
}

// Draws the lines into the window as they would be drawn anyway, and keeps
// what they wrote: the bounds' depth is cleared to the far plane first, so
// the pixels the lines reach are those whose depth moved (lines are drawn
// at depth 0 with a test that passes them all).  Drawing into a texture
// instead would rasterise some edge pixels differently: Mesa renders window
// buffers upside down.
void PaintStrokePicture(const char* text, StrokePicture& picture) {
    const size_t pixels = static_cast<size_t>(picture.width) * picture.height;
    std::vector<uint8_t> color(pixels * 4);
    std::vector<float> depth(pixels);
    glPushAttrib(GL_DEPTH_BUFFER_BIT | GL_SCISSOR_BIT | GL_ENABLE_BIT | GL_PIXEL_MODE_BIT);
    glPushClientAttrib(GL_CLIENT_PIXEL_STORE_BIT);
    glEnable(GL_SCISSOR_TEST);
    glScissor(picture.x, picture.y, picture.width, picture.height);
    glDepthMask(GL_TRUE);
    glClearDepth(1.0);
    glClear(GL_DEPTH_BUFFER_BIT);
    glEnable(GL_DEPTH_TEST);
    glDepthFunc(GL_ALWAYS);
    DrawStrokeLines(text);
    glReadBuffer(GL_BACK);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glPixelStorei(GL_PACK_ROW_LENGTH, 0);
    glPixelStorei(GL_PACK_SKIP_ROWS, 0);
    glPixelStorei(GL_PACK_SKIP_PIXELS, 0);
    glReadPixels(picture.x, picture.y, picture.width, picture.height, GL_RGBA, GL_UNSIGNED_BYTE,
                 color.data());
    glReadPixels(picture.x, picture.y, picture.width, picture.height, GL_DEPTH_COMPONENT, GL_FLOAT,
                 depth.data());
    glPopClientAttrib();
    glPopAttrib();
    for (size_t i = 0; i < pixels; ++i) color[i * 4 + 3] = depth[i] < 1.0f ? 255 : 0;

    GLint bound_texture = 0;
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound_texture);
    if (!picture.texture) glGenTextures(1, &picture.texture);
    glBindTexture(GL_TEXTURE_2D, picture.texture);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    glPushClientAttrib(GL_CLIENT_PIXEL_STORE_BIT);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    glPixelStorei(GL_UNPACK_ROW_LENGTH, 0);
    glPixelStorei(GL_UNPACK_SKIP_ROWS, 0);
    glPixelStorei(GL_UNPACK_SKIP_PIXELS, 0);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, picture.width, picture.height, 0, GL_RGBA,
                 GL_UNSIGNED_BYTE, color.data());
    glPopClientAttrib();
    glBindTexture(GL_TEXTURE_2D, static_cast<GLuint>(bound_texture));
}

void ShowStrokePicture(const StrokePicture& picture) {
    const GLint* viewport = picture.key.viewport;
    glPushAttrib(GL_ENABLE_BIT | GL_COLOR_BUFFER_BIT | GL_TEXTURE_BIT | GL_TRANSFORM_BIT |
                 GL_CURRENT_BIT);
    glDisable(GL_DEPTH_TEST);
    glDisable(GL_CULL_FACE);
    glDisable(GL_LIGHTING);
    glEnable(GL_ALPHA_TEST);
    glAlphaFunc(GL_GREATER, 0);
    glEnable(GL_TEXTURE_2D);
    glBindTexture(GL_TEXTURE_2D, picture.texture);
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_REPLACE);
    glMatrixMode(GL_PROJECTION);
    glPushMatrix();
    glLoadIdentity();
    glOrtho(viewport[0], viewport[0] + viewport[2], viewport[1], viewport[1] + viewport[3], -1, 1);
    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();
    glLoadIdentity();
    const float x0 = static_cast<float>(picture.x), y0 = static_cast<float>(picture.y);
    const float x1 = x0 + static_cast<float>(picture.width), y1 = y0 + static_cast<float>(picture.height);
    glBegin(GL_QUADS);
    glTexCoord2f(0, 0);
    glVertex2f(x0, y0);
    glTexCoord2f(1, 0);
    glVertex2f(x1, y0);
    glTexCoord2f(1, 1);
    glVertex2f(x1, y1);
    glTexCoord2f(0, 1);
    glVertex2f(x0, y1);
    glEnd();
    glPopMatrix();
    glMatrixMode(GL_PROJECTION);
    glPopMatrix();
    glPopAttrib();
}

// The picture kept for the key and text, or nullptr.
const StrokePicture* FindStrokePicture(const StrokeKey& key, const char* text) {
    for (StrokePicture& picture : stroke_cache.pictures)
        if (std::memcmp(&picture.key, &key, sizeof key) == 0 && picture.text == text) {
            picture.last_use = ++stroke_cache.uses;
            return &picture;
        }
    return nullptr;
}

// Draws the lines and keeps their picture, in a new place or in the one
// used longest ago.
void DrawAndKeepStrokes(const StrokeKey& key, const char* text) {
    StrokePicture fresh;
    fresh.key = key;
    fresh.text = text;
    if (!StrokeBounds(key, text, fresh)) {
        DrawStrokeLines(text);
        return;
    }
    auto& pictures = stroke_cache.pictures;
    StrokePicture* slot = nullptr;
    if (pictures.size() < kStrokePictures) {
        slot = &pictures.emplace_back();
    } else {
        slot = &*std::min_element(pictures.begin(), pictures.end(), [](const auto& a, const auto& b) {
            return a.last_use < b.last_use;
        });
    }
    fresh.texture = slot->texture;
    fresh.last_use = ++stroke_cache.uses;
    *slot = std::move(fresh);
    PaintStrokePicture(text, *slot);
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
    const StrokeKey key = CurrentStrokeKey();
    if (!StrokesCacheable(key))
        DrawStrokeLines(text);
    else if (const StrokePicture* picture = FindStrokePicture(key, text))
        ShowStrokePicture(*picture);
    else
        DrawAndKeepStrokes(key, text);
    glPopMatrix();
}

void SetStrokeTextCache(bool enabled) { stroke_cache.enabled = enabled; }

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
