// One GLUT window for the GL tests of this process.  glutInit may run only
// once per process, so every suite goes through here instead of calling it.
#pragma once

// Initialises GLUT on first use and creates (or resizes) the shared window
// with a double-buffered RGB + depth context, made current; returns its id.
// The window is mapped and its size settled when this returns.
int UseTestWindow(int width, int height);

// Handles pending window events (map, resize).
void PumpWindowEvents();
