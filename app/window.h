// The window: the user's operations on it (screen mode, minimize) and the
// requests of the windowing toolkit behind them, one small API so that the
// console, menu and mouse logic can be tested without a display
// (window.cpp: the operations; window_gl.cpp: the toolkit calls).
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

// Full screen <-> window at the camera window size and the saved position.
void SwitchScreenMode();
// Asks `question` (Yes/No); Yes goes full screen.  Elements drawn only in
// full screen offer it this way when switched on in window mode.
void OfferFullScreen(const char* question);
void MinimizeWindow();
