// The overlay: panels (backplates), the motion meter, the statistics graph,
// the console window, the info panel and the thirteen buttons, all in overlay
// units (-128..128 on both axes, y up).  Plates are drawn in "plate units"
// (overlay units times two) from one unit-square display list that the
// rendering set-up builds with BuildOverlayLists().
#pragma once

#include <cstdint>

struct OverlayState {
    // Bar heights of the statistics graph, written at pcd_history_cursor.
    // The cursor runs from 0 up to pcd_history_length (inclusive), so the
    // graph width must stay below the capacity.
    static constexpr int kHistoryCapacity = 100;
    float pcd_history[kHistoryCapacity] = {};
    int32_t pcd_history_length = 0;   // set by the graph whenever it is drawn
    int32_t pcd_history_cursor = 0;   // advanced by the motion analysis
    int32_t info_panel_phase = 0;     // 0 / 1: which axis the animation moves
    unsigned int unit_square_list = 0;  // display list of the unit square
};
extern OverlayState overlay;

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
