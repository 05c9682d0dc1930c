// The frame routine: one run per display / idle callback.
#include <GL/freeglut.h>

#include <cstring>

#include "app/app_state.h"
#include "capture/capture.h"
#include "motion/motion.h"
#include "overlay/overlay.h"
#include "overlay/text.h"
#include "platform/clock.h"
#include "platform/dialogs.h"
#include "record/record.h"
#include "render/frame_loop.h"
#include "render/model_pass.h"
#include "render/render.h"
#include "render/shader.h"

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
    const int slot = camera == 1 ? 1 : 0;
    glBindTexture(GL_TEXTURE_2D, texture_table[slot]);
    glLoadIdentity();
}

// Keeps the three frames before the newest for the motion pixel programs.
void HistoryStep() {
    if (!UsesFrameHistory()) return;
    const uint8_t* frame = CurrentCameraFrame();
    if (frame == nullptr) return;
    glBindTexture(GL_TEXTURE_2D, texture_table[HistoryTextureSlot()]);
    glTexSubImage2D(GL_TEXTURE_2D, 0, 0, 0, app.video_width, app.video_height, GL_BGRA,
                    GL_UNSIGNED_BYTE, frame);
    AdvanceHistorySlot();
}

void GridVertex(int row, int column) {
    const float* v = effect_grid[row][column];
    glTexCoord2f(v[0] / 128 * frame_loop.texture_extent_s, v[1] / 128 * frame_loop.texture_extent_t);
    glVertex3f(v[0], v[1], v[2]);
}

void DrawShaderPicture() {
    UpdateShaderRatios();
    if (!SetEffectParameters()) ShowMessageBox("cannot set shader constants!", "Error", MsgIcon::Error);
    BeginShaderDrawing();
    glPushMatrix();
    for (int row = 0; row < kGridSize - 1; ++row) {
        glBegin(GL_TRIANGLE_STRIP);
        for (int column = 0; column < kGridSize; ++column) {
            SetWaveParameter(frame_loop.vertex_time, frame_loop.vertex_angle,
                             frame_loop.swap_transition_value);
            GridVertex(row, column);
            GridVertex(row + 1, column);
            StepWaveVertex();
        }
        StepSwapFadeRow();
        glEnd();
    }
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

void DrawNormalPicture() {
    const float z = app.zoom_scale;
    DrawPictureQuad(-app.zoom_pan_x * 4 * z, app.zoom_pan_y * 4 * z, 128 * z);
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
    glBindTexture(GL_TEXTURE_2D, texture_table[app.current_camera == 1 ? 1 : 0]);
    DrawPictureQuad(-88, 88, 32);
    glColor3f(0, 0, 1);
    LineSquare(-88, 88, 32);
    glColor3f(1, 0, 0);
    LineSquare(app.zoom_pan_x - 88, 88 - app.zoom_pan_y, 32 / app.zoom_scale);
}

void DrawShaderFailureNotice() {
    if (app.view_mode != kViewShader || !ShaderProgramsMissing()) return;
    glColor3f(1, 0, 0);
    // A long compiler message is cut to the label buffer.
    const size_t length = strnlen(cg_error_text, sizeof app.text_buffer - 1);
    std::memcpy(app.text_buffer, cg_error_text, length);
    app.text_buffer[length] = '\0';
    DrawBitmapString(5, static_cast<float>(app.window_height / 3), 3, app.text_buffer);
}

}  // namespace

void RenderFrame() {
    HistoryStep();
    FetchFrames();
    StepInfoPanel();
    if (!ReadClock()) ShowMessageBox("get time date faild!", "Error", MsgIcon::Error);
    if (app.view_mode == kViewShader && app.pixel_program_index == 16)
        ModelToTexturePass(app.window_width, app.window_height, scene_buffer, shadow_buffer,
                           app.model_position_mode);

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

    RecordEffectFrame();
    DrawTimePanel();
    if (!PerSecondTimer()) ShowMessageBox("check timer faild!", "Error", MsgIcon::Error);
    DrawOverlay();

    BeginTextPass(app.window_width, app.window_height);
    DrawRecordingLabels();
    DrawShaderFailureNotice();
    EndTextPass();

    RecordFinishedFrame();
    WritePendingShots();

    const LocalTime now = ReadLocalTime();
    CountFrame(now.seconds_since_epoch, now.milliseconds);
}

void FrameRoutine() {
    RenderFrame();
    glutSwapBuffers();
    if (frame_loop.sleep_milliseconds > 0) Sleep(frame_loop.sleep_milliseconds);
}
