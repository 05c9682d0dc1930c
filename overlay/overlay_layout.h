// The overlay's rules, apart from drawing: the button table with its fill and
// label rules, which elements show, the FPS colour, the info panel text and
// its animation, the clamped bar heights and the statistics history.
#pragma once

#include "app/app_state.h"

struct Rgb {
    float r, g, b;
    bool operator==(const Rgb&) const = default;
};

constexpr Rgb kGreen{0, 1, 0};
constexpr Rgb kRed{1, 0, 0};
constexpr Rgb kYellow{1, 1, 0};
constexpr Rgb kCyan{0, 1, 1};
constexpr Rgb kGrey{0.5f, 0.5f, 0.5f};

// The thirteen buttons in drawing order: their button index and the view
// mode they stand for (-1: none).
struct ButtonEntry {
    int index;
    int view_mode_id;
};
extern const ButtonEntry kButtonTable[kButtonCount];

// What one button shows this frame.  `drawn` is false for the "Stats Mode"
// button while stats_mode is neither 0 nor 1.  The fill is before DrawButton's
// own rule (green for the current view mode).
struct ButtonLook {
    bool drawn = true;
    Rgb fill{};
    char label[32] = "";
};
ButtonLook LookOfButton(int index);

// Zoom works in normal view and in the magnifier pixel program of shader view.
bool ZoomAvailable();
bool ButtonShown(int index);      // full screen, switched on and drawable
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
