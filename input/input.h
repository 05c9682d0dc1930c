// Mouse, pointer drags and keys.  The keys of the program are a table of
// their own (keys.cpp); every other key goes to the console.
//
// Hit tests compare in window pixels with strict inequalities (a point on an
// edge is outside); overlay units map to pixels as px = W/256 (ux + 128),
// py = H/256 (128 - uy).  Positions meant for the picture (zoom panning,
// turning the model scene) count in the picture's rectangle instead, which
// may sit between black bars (app/window.h FitPicture).
#pragma once

#include "app/app.h"

// Owned here; the drags end with the left button's release.
struct InputState {
    bool window_dragging[kSavedPanelCount] = {};
    bool button_dragging[kButtonCount] = {};
    bool meter_dragging = false;
    bool graph_dragging = false;
    int last_mouse_x = 0, last_mouse_y = 0;
};
extern InputState input;

// GLUT codes of the special keys we serve.
enum SpecialKey {
    kKeyF11 = 11, kKeyF12 = 12,
    kKeyLeft = 100, kKeyUp = 101, kKeyRight = 102, kKeyDown = 103,
    kKeyPageUp = 104, kKeyPageDown = 105, kKeyHome = 106, kKeyEnd = 107,
};

// True when pixel (x, y) lies strictly inside the overlay box from (ux0, uy0)
// to (ux1, uy1) in a window of width x height pixels.
bool HitOverlayBox(int x, int y, int width, int height, float ux0, float uy0, float ux1, float uy1);
// Overlay units of a pixel (y flipped).
float PixelToUnitX(float x, int width);
float PixelToUnitY(float y, int height);

void OnMouseButton(int button, int state, int x, int y);
void OnMouseDrag(int x, int y);
// The GLUT keyboard callbacks.  Escape ends the program (ExitSequence),
// Space switches the screen mode; other keys are typed into the console.
void OnKey(unsigned char key, int x, int y);
void OnSpecialKey(int key, int x, int y);
