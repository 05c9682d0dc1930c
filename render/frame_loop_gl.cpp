// The frame routine: one run per display / idle callback.
#include <GL/freeglut.h>
#include <GL/glext.h>


#include "app/app.h"
#include "capture/capture.h"
#include "console/console.h"
#include "motion/motion.h"
#include "motion/motion_tint_gl.h"
#include "overlay/notices.h"
#include "overlay/overlay.h"
#include "overlay/text.h"
#include "platform/clock.h"
#include "platform/dialogs.h"
#include "record/record.h"
#include "render/frame_loop.h"
#include "render/frame_pacing.h"
#include "render/model_pass.h"
#include "render/render.h"
#include "render/shader.h"
#include "render/view.h"
#include "web/web.h"

namespace {

// The bound texture's picture on a square of half-size `half` centred on
// (x, y), white so the texture shows unchanged.
void DrawPictureQuad(float x, float y, float half) {
    const float s = frame_loop.texture_extent_s;
    const float t = frame_loop.texture_extent_t;
    glPushMatrix();
    glEnable(GL_TEXTURE_2D);
    glColor3f(1, 1, 1);
    glTranslatef(x, y, 0);
    glBegin(GL_QUADS);
    glTexCoord2f(0, 0);
    glVertex3f(-half, -half, 0);
    glTexCoord2f(s, 0);
    glVertex3f(half, -half, 0);
    glTexCoord2f(s, t);
    glVertex3f(half, half, 0);
    glTexCoord2f(0, t);
    glVertex3f(-half, half, 0);
    glEnd();
    glDisable(GL_TEXTURE_2D);
    glPopMatrix();
}

void BindCameraTexture(int camera) {
    glBindTexture(GL_TEXTURE_2D, render.texture_table[CameraSlot(camera)]);
    glLoadIdentity();
}

// Keeps the three frames before the newest for the motion pixel programs.
void HistoryStep() {
    if (!UsesFrameHistory()) return;
    for (int slot = kSlotHistoryFirst; slot <= kSlotHistoryLast; ++slot)
        EnsureEffectTexture(static_cast<TextureSlot>(slot));
    const uint8_t* frame = CurrentCameraFrame();
    if (frame == nullptr) return;
    glBindTexture(GL_TEXTURE_2D, render.texture_table[HistoryTextureSlot()]);
    glTexSubImage2D(GL_TEXTURE_2D, 0, 0, 0, app.video_width, app.video_height, GL_BGRA,
                    GL_UNSIGNED_BYTE, frame);
    AdvanceHistorySlot();
}

// Vertex arrays of the effect grid.  Positions and texture coordinates only
// change with the picture's extent; the wave values are refilled each frame.
struct GridArrays {
    float position[kGridVertexCount][3];
    float texcoord[kGridVertexCount][2];
    float wave[kGridVertexCount][3];
    GLint first[kGridRows];
    GLsizei count[kGridRows];
    float extent_s = -1, extent_t = -1;
};
GridArrays grid_arrays;

void BuildGridArrays(GridArrays& g) {
    g.extent_s = frame_loop.texture_extent_s;
    g.extent_t = frame_loop.texture_extent_t;
    int n = 0;
    for (int row = 0; row < kGridRows; ++row) {
        g.first[row] = n;
        g.count[row] = kGridStripVertices;
        for (int column = 0; column < kGridSize; ++column)
            for (int r : {row, row + 1}) {
                const float* v = render.effect_grid[r][column];
                g.texcoord[n][0] = v[0] / 128 * g.extent_s;
                g.texcoord[n][1] = v[1] / 128 * g.extent_t;
                for (int k = 0; k < 3; ++k) g.position[n][k] = v[k];
                ++n;
            }
    }
}

}  // namespace

void DrawEffectGrid() {
    GridArrays& g = grid_arrays;
    if (g.extent_s != frame_loop.texture_extent_s || g.extent_t != frame_loop.texture_extent_t)
        BuildGridArrays(g);
    ComputeGridWave(&g.wave[0][0]);

    glBindBuffer(GL_ARRAY_BUFFER, 0);
    glClientActiveTexture(GL_TEXTURE0);
    glEnableClientState(GL_VERTEX_ARRAY);
    glVertexPointer(3, GL_FLOAT, 0, g.position);
    glEnableClientState(GL_TEXTURE_COORD_ARRAY);
    glTexCoordPointer(2, GL_FLOAT, 0, g.texcoord);
    const int wave = WaveAttributeLocation();
    if (wave >= 0) {
        glEnableVertexAttribArray(static_cast<GLuint>(wave));
        glVertexAttribPointer(static_cast<GLuint>(wave), 3, GL_FLOAT, GL_FALSE, 0, g.wave);
    }
    glMultiDrawArrays(GL_TRIANGLE_STRIP, g.first, g.count, kGridRows);
    if (wave >= 0) glDisableVertexAttribArray(static_cast<GLuint>(wave));
    glDisableClientState(GL_TEXTURE_COORD_ARRAY);
    glDisableClientState(GL_VERTEX_ARRAY);
}

void DrawEffectQuad() {
    // The wave values of the grid's first vertex; the counters still step
    // through every vertex, as the swap fade and a later grid expect.
    const FrameLoopState& f = frame_loop;
    const float wave[3] = {f.vertex_time, f.vertex_angle, f.swap_transition_value};
    ComputeGridWave(nullptr);
    // Corners in the grid's drawing order, so the quad faces as its strips do.
    const float corner[4][2] = {{64, 64}, {-64, 64}, {64, -64}, {-64, -64}};
    const int location = WaveAttributeLocation();
    glBegin(GL_TRIANGLE_STRIP);
    for (const auto& c : corner) {
        if (location >= 0) glVertexAttrib3fv(static_cast<GLuint>(location), wave);
        glTexCoord2f(c[0] / 128 * f.texture_extent_s, c[1] / 128 * f.texture_extent_t);
        glVertex3f(c[0], c[1], 0);
    }
    glEnd();
}

void DrawEffectSurface() {
    if (EffectNeedsGrid())
        DrawEffectGrid();
    else
        DrawEffectQuad();
}

namespace {

void DrawShaderPicture() {
    UpdateShaderRatios();
    if (!SetEffectParameters()) ShowMessageBox("cannot set shader constants!", "Error", MsgIcon::Error);
    BeginShaderDrawing();
    glPushMatrix();
    DrawEffectSurface();
    glPopMatrix();
    EndShaderDrawing();
}

// Each camera fills half the width and the middle half of the height.
void DrawSplitPicture() {
    if (!app.second_camera_enabled) return;
    DrawPictureQuad(-64, 0, 64);
    BindCameraTexture(app.split_partner_camera);
    DrawPictureQuad(64, 0, 64);
    BindCameraTexture(app.current_camera);
}

void SetBoundTextureFilter(GLenum filter) {
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, static_cast<GLint>(filter));
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, static_cast<GLint>(filter));
}

void DrawNormalPicture() {
    const float z = app.zoom_scale;
    const bool one_to_one = PictureShownPixelForPixel();
    if (one_to_one) SetBoundTextureFilter(GL_NEAREST);
    DrawPictureQuad(-app.zoom_pan_x * 4 * z, app.zoom_pan_y * 4 * z, 128 * z);
    if (one_to_one) SetBoundTextureFilter(app.texture_filter);
    DrawMotionTint(-app.zoom_pan_x * 4 * z, app.zoom_pan_y * 4 * z, 128 * z);
}

void LineSquare(float x, float y, float half) {
    glPushMatrix();
    glTranslatef(x, y, 0);
    glBegin(GL_LINE_LOOP);
    glVertex3f(-half, half, 0);
    glVertex3f(half, half, 0);
    glVertex3f(half, -half, 0);
    glVertex3f(-half, -half, 0);
    glEnd();
    glPopMatrix();
}

// The whole picture small in the top-left corner, the zoomed region in red.
void DrawZoomNavigator() {
    DrawBackplate(app.backplate_border_width, 64, 64, -120, 56, app.backplate_color_r,
                  app.backplate_color_g, app.backplate_color_b, app.backplate_border_color_r,
                  app.backplate_border_color_g, app.backplate_border_color_b, app.backplate_alpha);
    // The shader view may have left another texture bound.
    glBindTexture(GL_TEXTURE_2D, render.texture_table[CameraSlot(app.current_camera)]);
    DrawPictureQuad(-88, 88, 32);
    glColor3f(0, 0, 1);
    LineSquare(-88, 88, 32);
    glColor3f(1, 0, 0);
    LineSquare(app.zoom_pan_x - 88, 88 - app.zoom_pan_y, 32 / app.zoom_scale);
}

// The shader failure notice and the others in red; a passing notice in
// white with a dark shadow, readable on any picture.
void DrawNotices() {
    const NoticeList notices = CollectNotices(ShaderProgramsMissing(), app.window_height);
    glColor3f(1, 0, 0);
    for (int i = 0; i < notices.count; ++i)
        DrawBitmapString(notices.x[i], notices.y[i], 3, notices.lines[i]);
    float x = 0, y = 0;
    if (const char* passing = CurrentPassingNotice(GetTickCount(), &x, &y)) {
        glColor3f(0, 0, 0);
        DrawBitmapString(x + 1, y + 1, 3, passing);
        glColor3f(1, 1, 1);
        DrawBitmapString(x, y, 3, passing);
    }
}

}  // namespace

void RenderFrame() {
    KeepEffectTextures();
    HistoryStep();
    UploadCameraFrames(FetchFrames());
    StepInfoPanel();
    ReadClock();
    // The model is drawn where the picture will be, so the effect finds it
    // at the same window pixels; the read-back still takes the whole window.
    UsePictureViewport();
    if (UsesModelPass())
        ModelToTexturePass(app.window_width, app.window_height, scene_buffer, shadow_buffer,
                           app.model_position_mode);

    // The clear ignores the viewport: the bars around the picture are black.
    glClearColor(0, 0, 0, 0);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);

    BindCameraTexture(app.current_camera);
    UpdateTextureExtents();

    switch (app.view_mode) {
        case kViewShader: DrawShaderPicture(); break;
        case kViewSplit: DrawSplitPicture(); break;
        case kViewNormal:
        case kViewSwap: DrawNormalPicture(); break;
        default: break;
    }

    if (app.zoom_on)
        DrawZoomNavigator();
    else
        ResetZoom();
    UseWindowViewport();

    RecordEffectFrame();
    DrawTimePanel();
    const TimerStep second = PerSecondTimer();
    if (second.measured) AdvancePcdHistory();
    if (second.ticked) StepCaretBlink();
    DrawOverlay();

    BeginTextPass(app.window_width, app.window_height);
    DrawRecordingLabels();
    DrawNotices();
    EndTextPass();

    RecordFinishedFrame();
    WritePendingShots();
    WebFrame();

    const LocalTime now = ReadLocalTime();
    CountFrame(now.seconds_since_epoch, now.milliseconds);
}

void FrameRoutine() {
    RenderFrame();
    glutSwapBuffers();
    if (frame_loop.sleep_milliseconds > 0) Sleep(frame_loop.sleep_milliseconds);
}

bool DrawFrameIfDue() {
    const uint32_t now = GetTickCount();
    if (!NeedsDrawing(GatherPacingFacts(now))) return false;
    NoteDrawing(now);
    RenderFrame();
    glutSwapBuffers();
    return true;
}

void PauseFrameLoop(uint32_t run_ms) {
    WaitForCameraFrame(app.current_camera,
                       PauseAfterRun(run_ms, app.video_frame_rate, frame_loop.sleep_milliseconds));
}

void UploadCameraFrames(const FetchedFrames& fetched) {
    for (int i = 0; i < kCameraCount; ++i) {
        if (!fetched.camera[i]) continue;
        glBindTexture(GL_TEXTURE_2D, render.texture_table[CameraSlot(i)]);
        glTexSubImage2D(GL_TEXTURE_2D, 0, 0, 0, app.video_width, app.video_height, GL_BGRA,
                        GL_UNSIGNED_BYTE, app.frame_buffer[i]);
    }
}
