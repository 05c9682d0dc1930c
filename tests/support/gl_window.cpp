#include "support/gl_window.h"

#include <GL/freeglut.h>

namespace {
int g_window = 0;

void DisplayNothing() {}
}  // namespace

void PumpWindowEvents() {
    for (int i = 0; i < 20; ++i) glutMainLoopEvent();
}

int UseTestWindow(int width, int height) {
    if (!glutGet(GLUT_INIT_STATE)) {
        int argc = 1;
        char name[] = "gl_tests";
        char* argv[] = {name, nullptr};
        glutInit(&argc, argv);
        glutSetOption(GLUT_ACTION_ON_WINDOW_CLOSE, GLUT_ACTION_CONTINUE_EXECUTION);
    }
    if (g_window == 0) {
        glutInitDisplayMode(GLUT_RGB | GLUT_DOUBLE | GLUT_DEPTH);
        glutInitWindowPosition(0, 0);
        glutInitWindowSize(width, height);
        g_window = glutCreateWindow("Lumora GL test");
        glutDisplayFunc(DisplayNothing);
    }
    glutSetWindow(g_window);
    if (glutGet(GLUT_WINDOW_WIDTH) != width || glutGet(GLUT_WINDOW_HEIGHT) != height) {
        glutReshapeWindow(width, height);
        for (int i = 0; i < 200; ++i) {
            PumpWindowEvents();
            if (glutGet(GLUT_WINDOW_WIDTH) == width && glutGet(GLUT_WINDOW_HEIGHT) == height) break;
        }
        // Mesa picks up the new drawable size at the next swap.
        glutSwapBuffers();
    }
    return g_window;
}
