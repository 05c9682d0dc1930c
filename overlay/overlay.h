// The overlay: panels (backplates), the motion meter, the statistics graph,
// the console window, the info panel and the thirteen buttons, all in overlay
// units (-128..128 on both axes, y up), and the user's switches of them.
// Plates are drawn in "plate units" (overlay units times two) from one
// unit-square display list that the rendering set-up builds with
// BuildOverlayLists().  overlay.cpp holds the rules apart from drawing
// (colours, what shows, the info panel text and animation, the statistics
// history); overlay_gl.cpp draws.
#pragma once

#include <cstdint>

#include "app/app.h"

// Owned here; the statistics history is reset with the program only.
struct OverlayState {
    // Bar heights of the statistics graph, written at pcd_history_cursor.
    // The cursor runs from 0 up to pcd_history_length (inclusive), so the
    // graph width must stay below the capacity.
    static constexpr int kHistoryCapacity = 100;
    float pcd_history[kHistoryCapacity] = {};
    int32_t pcd_history_length = 0;   // set by the graph whenever it is drawn
    int32_t pcd_history_cursor = 0;   // advanced after each measurement
    bool buttons_shown = true;        // the All Buttons switch
    float text_color[3] = {0, 0, 0};
    bool info_panel_open = false;     // switched by a click on the panel
    bool info_panel_ready = false;    // unfolded: its text shows
    int32_t info_panel_width = 0, info_panel_height = 0;
    int32_t info_panel_step = 6;
    int32_t info_panel_phase = 0;     // 0 / 1: which axis the animation moves
    unsigned int unit_square_list = 0;  // display list of the unit square
};
extern OverlayState overlay;

struct Rgb {
    float r, g, b;
    bool operator==(const Rgb&) const = default;
};

constexpr Rgb kGreen{0, 1, 0};
constexpr Rgb kRed{1, 0, 0};
constexpr Rgb kYellow{1, 1, 0};
constexpr Rgb kCyan{0, 1, 1};
constexpr Rgb kGrey{0.5f, 0.5f, 0.5f};

bool StatisticsGraphShown();      // full screen, switched on, style 0 or 1
Rgb PlateFill();
Rgb PlateBorder();
Rgb TextColor();

// Below 15 red, below 30 yellow, else green.
Rgb FpsColor(int fps_value);

// value x 100, lowered to height when above it.
float ClampedBar(float value, int height);

// Statistics graph bookkeeping: sets the history length to the graph width
// (kept below the capacity, since the cursor may reach the length) and puts
// the live bar into the slot under the cursor.
void RecordPcdHistory(int width, float bar);
// After each measured PCD: the cursor moves on, back to 0 after the length.
void AdvancePcdHistory();
// How many history slots the red trace may use without leaving the buffer.
int PcdHistoryDrawCount();

// The thirteen lines of the unfolded info panel, top to bottom.
constexpr int kInfoPanelLineCount = 13;
struct InfoPanelLine {
    float y;
    Rgb color;
    char text[256];
};
void BuildInfoPanelLines(InfoPanelLine (&lines)[kInfoPanelLineCount]);

// The three lines of the time panel: "hh:mm:ss", "dd/mm/yyyy", "FPS: ...".
struct TimePanelText {
    char time[40];
    char date[40];
    char fps[80];
};
void FormatTimePanel(TimePanelText& text);

// "second" for an interval of 1, else "seconds".
const char* SecondsWord(int interval);

// The user's switches.  A panel drawn only in full screen (the statistics
// graph) or a button offers full screen when switched on in window mode.
void SwitchPanel(Panel panel);
void SwitchButton(Button button);
void SwitchAllButtons();
// A click on the info panel unfolds or folds it.
void SwitchInfoPanel();
enum ColorSchema { kNiceBlue, kNiceRed, kNiceGreen, kColorSchemaCount };
void SetColorSchema(ColorSchema schema);
// Statistics graph style 0 (bars) or 1 (bars and trace).
void SetStatisticMode(int32_t mode);
void SwitchStatisticMode();

// Compiles the unit-square display list (again at every repeated set-up).
void BuildOverlayLists();
void DrawArcFan(int segments, float fraction);
void DrawBackplate(float radius, int width, int height, float x, float y, float fill_r, float fill_g,
                   float fill_b, float border_r, float border_g, float border_b, float alpha);
// view_mode_id -1: the button stands for no view mode.
void DrawButton(float radius, int width, int height, float x, float y, float fill_r, float fill_g,
                float fill_b, float border_r, float border_g, float border_b, float alpha,
                int view_mode_id, const char* label);
void DrawConsoleWindow(float radius, int width, int height, float x, float y, float fill_r,
                       float fill_g, float fill_b, float border_r, float border_g, float border_b,
                       float alpha, const char* input);
void DrawMotionMeter(int width, int height, float x, float y, float fill_r, float fill_g, float fill_b,
                     float border_r, float border_g, float border_b, float alpha, float pcd_change,
                     float threshold);
void DrawStatisticsGraph(int style, int width, int height, float x, float y, float fill_r,
                         float fill_g, float fill_b, float border_r, float border_g, float border_b,
                         float alpha, float pcd_change, float threshold);
// One frame of the info panel's unfold / fold animation.
void StepInfoPanel();
// The time window (first overlay step, drawn before the per-second timer).
void DrawTimePanel();
// The rest: info panel, console, motion meter, statistics graph, buttons.
void DrawOverlay();
