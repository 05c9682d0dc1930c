#include "app/window.h"

#include <GL/freeglut.h>

void WindowFullScreen() { glutFullScreen(); }
void WindowReshape(int width, int height) { glutReshapeWindow(width, height); }
void WindowPosition(int x, int y) { glutPositionWindow(x, y); }
void WindowIconify() { glutIconifyWindow(); }
void WindowPostRedisplay() { glutPostRedisplay(); }
void ApplyPolygonMode(GLenum mode) { glPolygonMode(GL_FRONT_AND_BACK, mode); }

void WindowSetPointer(PointerShape shape) {
    glutSetCursor(shape == PointerShape::UpDown ? GLUT_CURSOR_UP_DOWN : GLUT_CURSOR_RIGHT_ARROW);
}

void WindowSetMotionCallback(void (*callback)(int x, int y)) { glutMotionFunc(callback); }

WindowSize WindowScreenSize() { return {glutGet(GLUT_SCREEN_WIDTH), glutGet(GLUT_SCREEN_HEIGHT)}; }
