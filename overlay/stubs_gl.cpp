// Placeholder until the overlay lands.
#include "overlay/overlay.h"
#include "overlay/text.h"

const BitmapFont* GetBitmapFont(int) { return nullptr; }
void DrawStrokeText(float, float, const char*, ...) {}
void BeginTextPass(int, int) {}
void DrawBitmapString(float, float, int, const char*) {}
void EndTextPass() {}

void DrawButton(float, int, int, float, float, float, float, float, float, float, float, float, int,
                const char*) {}
void DrawConsoleWindow(float, int, int, float, float, float, float, float, float, float, float, float,
                       const char*) {}
void DrawMotionMeter(int, int, float, float, float, float, float, float, float, float, float, float,
                     float) {}
void DrawStatisticsGraph(int, int, int, float, float, float, float, float, float, float, float, float,
                         float, float) {}
void StepInfoPanel() {}
void DrawTimePanel() {}
void DrawOverlay() {}
