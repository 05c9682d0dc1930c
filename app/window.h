// Window requests of the windowing toolkit, behind one small API so that the
// console, menu and mouse logic can be tested without a display.
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
