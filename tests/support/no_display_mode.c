/* Preloaded into the real program (LD_PRELOAD) by the start-up test: GLUT
 * then reports that the display mode is not possible, as on a display
 * without a double-buffered RGB visual with depth.  Every other query goes
 * to freeglut. */
#define _GNU_SOURCE
#include <GL/freeglut.h>
#include <dlfcn.h>

int glutGet(GLenum query) {
    static int (*real_glut_get)(GLenum);
    if (query == GLUT_DISPLAY_MODE_POSSIBLE) return 0;
    if (!real_glut_get) real_glut_get = (int (*)(GLenum))dlsym(RTLD_NEXT, "glutGet");
    return real_glut_get ? real_glut_get(query) : 0;
}
