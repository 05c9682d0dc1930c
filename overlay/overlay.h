// The overlay: panels (backplates), the motion meter, the statistics graph,
// the console window, the info panel and the thirteen buttons, all in overlay
// units (-128..128 on both axes, y up).
#pragma once

#include <cstdint>

constexpr int kUnitSquareList = 2;  // display list name of the unit square

struct OverlayState {
    static constexpr int kHistoryCapacity = 256;
    float pcd_history[kHistoryCapacity] = {};
    int32_t pcd_history_length = 60;
    int32_t pcd_history_cursor = 0;
};
extern OverlayState overlay;

void BuildOverlayLists();
void DrawArcFan(int segments, float fraction);
void DrawBackplate(float radius, int width, int height, float x, float y, float fill_r, float fill_g,
                   float fill_b, float border_r, float border_g, float border_b, float alpha);
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
void StepInfoPanel();
// The time window (first overlay step, drawn before the per-second timer).
void DrawTimePanel();
// The rest: info panel, console, motion meter, statistics graph, buttons.
void DrawOverlay();
