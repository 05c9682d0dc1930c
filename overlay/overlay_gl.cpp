// Plates and panels of the overlay, drawn in immediate mode every frame.
#include <GL/gl.h>

#include <cmath>
#include <utility>

#include "app/app.h"
#include "console/console.h"
#include "overlay/buttons.h"
#include "overlay/overlay.h"
#include "overlay/text.h"
#include "render/frame_loop.h"

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
    glDisable(GL_TEXTURE_2D);
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

namespace {

void SetColor(const Rgb& c) { glColor3f(c.r, c.g, c.b); }

// An upright quad from (x0, y0) to (x1, y1), wound counter-clockwise so that
// face culling keeps it.
void Quad(float x0, float y0, float x1, float y1) {
    if (y1 < y0) std::swap(y0, y1);
    if (x1 < x0) std::swap(x0, x1);
    glBegin(GL_QUADS);
    glVertex3f(x0, y0, 0);
    glVertex3f(x1, y0, 0);
    glVertex3f(x1, y1, 0);
    glVertex3f(x0, y1, 0);
    glEnd();
}

// Labels 0.0, 0.1, ... up the left side of a meter or graph of height h.
// Each step is 600 font units plus the index of the label below, as the
// meters have always been drawn.
void DrawScaleLabels(int height, float x, float y) {
    glPushMatrix();
    glLineWidth(0.1f);
    glTranslatef(x - 4, y, 0);
    glScalef(1.0f / 60, 1.0f / 60, 0);
    glPushMatrix();
    for (int k = 0; k <= height / 10; ++k) {
        glTranslatef(0, k == 0 ? 0.0f : static_cast<float>(600 + k - 1), 0);
        SetColor(TextColor());
        DrawStrokeText(0, 0, "%.1f", k / 10.0);
    }
    glPopMatrix();
    glPopMatrix();
}

// The plate with the panel colours at one panel's place.
void PanelPlate(float radius, int width, int height, float x, float y, const float* fill,
                const float* border, float alpha) {
    DrawBackplate(radius, width, height, x, y, fill[0], fill[1], fill[2], border[0], border[1],
                  border[2], alpha);
}

}  // namespace

void DrawButton(float radius, int width, int height, float x, float y, float fill_r, float fill_g,
                float fill_b, float border_r, float border_g, float border_b, float alpha,
                int view_mode_id, const char* label) {
    if (view_mode_id != -1 && view_mode_id == app.view_mode) {
        fill_r = kGreen.r;
        fill_g = kGreen.g;
        fill_b = kGreen.b;
    }
    DrawBackplate(radius, width, height, x, y, fill_r, fill_g, fill_b, border_r, border_g, border_b,
                  alpha);
    glPushMatrix();
    glTranslatef(x, y + static_cast<float>(height / 2), 0);
    glScalef(1.0f / 60, 1.0f / 60, 0);
    SetColor(TextColor());
    DrawStrokeText(0, 0, "%s", label);
    glPopMatrix();
}

void DrawConsoleWindow(float radius, int width, int height, float x, float y, float fill_r,
                       float fill_g, float fill_b, float border_r, float border_g, float border_b,
                       float alpha, const char* input) {
    const float fill[3] = {fill_r, fill_g, fill_b};
    const float border[3] = {border_r, border_g, border_b};
    PanelPlate(radius, width, height, x, y, fill, border, alpha);
    PanelPlate(radius, 96, 5, x, y - 5 - radius, fill, border, alpha);  // input field below

    glPushMatrix();
    glTranslatef(x, y, 0);
    glScalef(0.025f, 0.025f, 0);
    SetColor(TextColor());
    // Lines and input are user text of fixed width: bounded, never a format.
    constexpr int kShown = kConsoleLineLength - 1;
    DrawStrokeText(0, -550, console.blink_state ? "%.*s|" : "%.*s", kShown, input ? input : "");
    for (int k = 0; k < kConsoleLines; ++k)
        DrawStrokeText(0, 50.0f + 150.0f * static_cast<float>(k), "%.*s", kShown, console.lines[k]);
    glPopMatrix();
}

void DrawMotionMeter(int width, int height, float x, float y, float fill_r, float fill_g, float fill_b,
                     float border_r, float border_g, float border_b, float alpha, float pcd_change,
                     float threshold) {
    const float bar = ClampedBar(pcd_change, height);
    const float level = ClampedBar(threshold, height);
    const float w = static_cast<float>(width);
    DrawBackplate(app.backplate_border_width, width, height, x, y, fill_r, fill_g, fill_b, border_r,
                  border_g, border_b, alpha);

    glPushMatrix();
    glTranslatef(x, y, 0);
    SetColor(kGreen);
    Quad(0, 0, w, level);
    SetColor(kRed);
    Quad(0, 0, w, bar);
    glPopMatrix();

    DrawScaleLabels(height, x, y);

    glPushMatrix();
    glTranslatef(x, y, 0);
    glColor3f(0, 0, 0);
    glBegin(GL_LINES);
    for (int k = 0; k <= height / 10; ++k) {
        glVertex3f(0, static_cast<float>(10 * k), 0);
        glVertex3f(w, static_cast<float>(10 * k), 0);
    }
    glEnd();
    glPopMatrix();
}

namespace {

// Style 0: the threshold as green bars, the history as red ones.
void DrawHistoryBars(float x, float y, int columns, int cursor, float level) {
    const float* history = overlay.pcd_history;
    glPushMatrix();
    glTranslatef(x, y, 0);
    SetColor(kGreen);
    for (int i = 0; i < columns; ++i) Quad(static_cast<float>(i), 0, static_cast<float>(i + 1), level);
    SetColor(kRed);
    for (int i = 0; i < cursor; ++i)
        Quad(static_cast<float>(i), 0, static_cast<float>(i + 1), history[i + 1]);
    glPopMatrix();
}

// Style 1: the same as smooth lines.
void DrawHistoryTrace(float x, float y, int columns, int cursor, float level) {
    const float* history = overlay.pcd_history;
    glPushMatrix();
    glEnable(GL_LINE_SMOOTH);
    glLineWidth(3);
    glTranslatef(x, y, 0);
    SetColor(kGreen);
    glBegin(GL_LINE_STRIP);
    for (int i = 0; i <= columns; ++i) glVertex3f(static_cast<float>(i), level, 0);
    glEnd();
    SetColor(kRed);
    glBegin(GL_LINE_STRIP);
    for (int i = 0; i <= cursor; ++i) glVertex3f(static_cast<float>(i), history[i], 0);
    glEnd();
    glDisable(GL_LINE_SMOOTH);
    glPopMatrix();
}

// One thin black line per unit in both directions.
void DrawGraphGrid(int width, int height, float x, float y) {
    glPushMatrix();
    glLineWidth(0.1f);
    glTranslatef(x, y, 0);
    glColor3f(0, 0, 0);
    glBegin(GL_LINES);
    for (int i = 0; i < height; ++i) {
        glVertex3f(0, static_cast<float>(i), 0);
        glVertex3f(static_cast<float>(width), static_cast<float>(i), 0);
    }
    for (int i = 0; i < width; ++i) {
        glVertex3f(static_cast<float>(i), 0, 0);
        glVertex3f(static_cast<float>(i), static_cast<float>(height), 0);
    }
    glEnd();
    glPopMatrix();
}

}  // namespace

void DrawStatisticsGraph(int style, int width, int height, float x, float y, float fill_r,
                         float fill_g, float fill_b, float border_r, float border_g, float border_b,
                         float alpha, float pcd_change, float threshold) {
    const float bar = ClampedBar(pcd_change, height);
    const float level = ClampedBar(threshold, height);
    RecordPcdHistory(width, bar);
    const int columns = overlay.pcd_history_length;
    const int cursor = PcdHistoryDrawCount();

    DrawBackplate(app.backplate_border_width, width, height, x, y, fill_r, fill_g, fill_b, border_r,
                  border_g, border_b, alpha);
    if (style == 0)
        DrawHistoryBars(x, y, columns, cursor, level);
    else if (style == 1)
        DrawHistoryTrace(x, y, columns, cursor, level);
    DrawScaleLabels(height, x, y);
    DrawGraphGrid(width, height, x, y);

    glPushMatrix();
    glTranslatef(x, y - app.backplate_border_width / 3, 0);
    glScalef(1.0f / 60, 1.0f / 60, 0);
    SetColor(TextColor());
    DrawStrokeText(0, 0, "MODE: %i PCD: %.3f of %.3f Motion Interval: %i %s", app.stats_mode,
                   static_cast<double>(pcd_change), static_cast<double>(threshold),
                   app.motion_interval, SecondsWord(app.motion_interval));
    glDisable(GL_LINE_SMOOTH);
    glPopMatrix();
}

void DrawTimePanel() {
    if (app.window_on_off[kPanelTimeDate] != 1) return;
    glDisable(GL_TEXTURE_2D);
    const Rgb fill = PlateFill(), border = PlateBorder();
    DrawBackplate(app.backplate_border_width, static_cast<int>(app.window_size_x[kPanelTimeDate]),
                  static_cast<int>(app.window_size_y[kPanelTimeDate]), app.window_pos_x[kPanelTimeDate], app.window_pos_y[kPanelTimeDate],
                  fill.r, fill.g, fill.b, border.r, border.g, border.b, app.backplate_alpha);
    glPushMatrix();
    glEnable(GL_LINE_SMOOTH);
    glLineWidth(1.0f);
    glTranslatef(app.window_pos_x[kPanelTimeDate] + 1, app.window_pos_y[kPanelTimeDate] + 9, 0);
    glScalef(0.05f, 0.05f, 0);
    TimePanelText text;
    FormatTimePanel(text);
    SetColor(TextColor());
    DrawStrokeText(0, 150, "%s", text.time);
    DrawStrokeText(0, 0, "%s", text.date);
    SetColor(FpsColor(frame_loop.fps_value));
    DrawStrokeText(0, -150, "%s", text.fps);
    glDisable(GL_LINE_SMOOTH);
    glPopMatrix();
}

namespace {

// The info panel plate: two bands and four corner lamps, green while any
// motion action is armed.  Folded to 0 x 0 only the lamp disc remains.
void DrawInfoPanelPlate() {
    const float r = app.backplate_border_width;
    const float w = static_cast<float>(overlay.info_panel_width);
    const float h = static_cast<float>(overlay.info_panel_height);
    const Rgb fill = PlateFill();
    glPushMatrix();
    glTranslatef(app.window_pos_x[kPanelInfo], app.window_pos_y[kPanelInfo], 0);
    glScalef(0.5f, 0.5f, 0);
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glColor4f(fill.r, fill.g, fill.b, app.backplate_alpha);
    UnitSquare(w, h, w + r, h);
    UnitSquare(w, h, w, h + r);
    const bool armed = app.motion_shot_on || app.motion_alarm_on || app.motion_record_on;
    const Rgb lamp = armed ? kGreen : kRed;
    glColor4f(lamp.r, lamp.g, lamp.b, 1);
    PlateCorners(r, 2 * w, 2 * h);
    glDisable(GL_BLEND);
    glPopMatrix();
}

void DrawInfoPanelText() {
    InfoPanelLine lines[kInfoPanelLineCount];
    BuildInfoPanelLines(lines);
    glPushMatrix();
    glEnable(GL_LINE_SMOOTH);
    glLineWidth(0.8f);
    glTranslatef(-120, -95, 0);
    glScalef(0.04f, 0.04f, 0);
    for (const InfoPanelLine& line : lines) {
        SetColor(line.color);
        DrawStrokeText(0, line.y, "%s", line.text);
    }
    glDisable(GL_LINE_SMOOTH);
    glPopMatrix();
}

}  // namespace

void DrawOverlay() {
    glDisable(GL_TEXTURE_2D);
    const Rgb fill = PlateFill(), border = PlateBorder();
    const float r = app.backplate_border_width, a = app.backplate_alpha;

    DrawInfoPanelPlate();
    if (overlay.info_panel_ready) DrawInfoPanelText();

    if (app.window_on_off[kPanelConsole] == 1)
        DrawConsoleWindow(r, static_cast<int>(app.window_size_x[kPanelConsole]),
                          static_cast<int>(app.window_size_y[kPanelConsole]), app.window_pos_x[kPanelConsole],
                          app.window_pos_y[kPanelConsole], fill.r, fill.g, fill.b, border.r, border.g, border.b,
                          a, console.input);
    if (app.window_on_off[kPanelMotionMeter] == 1)
        DrawMotionMeter(static_cast<int>(app.window_size_x[kPanelMotionMeter]), static_cast<int>(app.window_size_y[kPanelMotionMeter]),
                        app.window_pos_x[kPanelMotionMeter], app.window_pos_y[kPanelMotionMeter], fill.r, fill.g, fill.b, border.r,
                        border.g, border.b, a, app.pcd_change, app.motion_max);
    if (StatisticsGraphShown())
        DrawStatisticsGraph(app.stats_mode, static_cast<int>(app.window_size_x[kPanelStatistics]),
                            static_cast<int>(app.window_size_y[kPanelStatistics]), app.window_pos_x[kPanelStatistics],
                            app.window_pos_y[kPanelStatistics], fill.r, fill.g, fill.b, border.r, border.g,
                            border.b, a, app.pcd_change, app.motion_max);
    for (const Button button : kButtonDrawOrder) {
        if (!ButtonShown(button)) continue;
        const ButtonLook look = LookOfButton(button);
        DrawButton(app.button_scale, static_cast<int>(kButtonWidth), static_cast<int>(kButtonHeight), app.button_pos_x[button],
                   app.button_pos_y[button], look.fill.r, look.fill.g, look.fill.b, border.r,
                   border.g, border.b, a, kButtons[button].view_mode, look.label);
    }
}
