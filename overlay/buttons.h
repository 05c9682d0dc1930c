// The thirteen buttons: one row each naming what a press does and how the
// button looks.  The overlay draws them in full screen; a left click on one
// runs its row's operation; the Buttons menu switches them one by one.
#pragma once

#include "app/app.h"
#include "overlay/overlay.h"

// Button size in overlay units.
constexpr float kButtonWidth = 15;
constexpr float kButtonHeight = 3;

// What one button shows this frame.  `drawn` is false for the "Stats Mode"
// button while stats_mode is neither 0 nor 1.  The fill is before DrawButton's
// own rule (green for the current view mode).
struct ButtonLook {
    bool drawn = true;
    Rgb fill{};
    char label[32] = "";
};

constexpr int kNoViewMode = -1;

struct ButtonRow {
    const char* label;          // nullptr: `look` writes it
    const char* menu_label;     // its entry in the Buttons menu
    void (*press)();
    bool (*on)();               // nullptr: plate colour; else green while on, red while off
    void (*look)(ButtonLook&);  // its own label and fill, after the rules above
    int view_mode;              // the view mode it stands for, or kNoViewMode
};
extern const ButtonRow kButtons[kButtonCount];
// Later buttons are drawn over earlier ones.
extern const Button kButtonDrawOrder[kButtonCount];

ButtonLook LookOfButton(int button);
bool ButtonShown(int button);  // full screen, switched on and drawable
// A left click on the button; other indices do nothing.
void RunButtonAction(int button);
