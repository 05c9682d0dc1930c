// The window: the user's operations on it (screen mode, minimize) and the
// requests of the windowing toolkit behind them, one small API so that the
// console, menu and mouse logic can be tested without a display
// (window.cpp: the operations; window_gl.cpp: the toolkit calls).
//
// Where the picture goes in the window: the largest rectangle of the
// camera's shape, centred, black bars around it (FitPicture).  Everything
// drawn from the camera and every pointer position meant for the picture
// use that rectangle; the overlay keeps the whole window.
#pragma once

#include <GL/gl.h>

void WindowFullScreen();
void WindowReshape(int width, int height);
void WindowPosition(int x, int y);
void WindowIconify();
void WindowPostRedisplay();
// glPolygonMode(GL_FRONT_AND_BACK, mode)
void ApplyPolygonMode(GLenum mode);

enum class PointerShape { RightArrow, UpDown };
void WindowSetPointer(PointerShape shape);
// Registers the pointer-motion callback (called while a button is held).
void WindowSetMotionCallback(void (*callback)(int x, int y));

struct WindowSize {
    int width, height;
};
// The screen's size in pixels (0 x 0 when the toolkit cannot say).
WindowSize WindowScreenSize();
// The camera's size, scaled down with its shape kept where it is larger
// than `screen` in either direction; as it is when the screen is unknown.
WindowSize FitToScreen(int width, int height, WindowSize screen);
// The window size of the camera picture on this screen.
WindowSize CameraWindowSize();

// The picture's place in a window, in GL window pixels: (x, y) is its
// lower-left corner, y counted up from the window's bottom edge.
struct PictureRect {
    int x, y, width, height;
    bool operator==(const PictureRect&) const = default;
};
// The largest rectangle of the picture's shape inside the window, centred
// (the odd pixel of a bar goes below / to the right).  A window whose shape
// is the picture's to within a pixel (a camera window scaled to fit the
// screen) is used whole, so such a window looks exactly as without bars.
// An unknown size (0 or less) on either side gives the whole window.
PictureRect FitPicture(int window_width, int window_height, int picture_width, int picture_height);
// The primary camera's picture in the current window.
PictureRect CurrentPictureRect();

// A pointer position (window pixels, y down, as the toolkit reports it) in
// pixels of the picture rectangle: origin its top-left corner, y down.
// Outside the rectangle the values run below 0 or past its size.
struct PicturePoint {
    int x, y;
};
PicturePoint WindowToPicture(int x, int y, PictureRect picture, int window_height);

// Full screen <-> window at the camera window size and the saved position.
void SwitchScreenMode();
// Asks `question` (Yes/No); Yes goes full screen.  Elements drawn only in
// full screen offer it this way when switched on in window mode.
void OfferFullScreen(const char* question);
void MinimizeWindow();
