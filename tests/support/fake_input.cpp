// Stand-in for the GLUT menu tree (input/menus_gl.cpp).
#include "input/menus.h"
#include "support/fake_log.h"

void BuildMenus() {
    char gamma[32], color[32];
    FormatGammaLabel(gamma, sizeof gamma);
    FormatColorLabel(color, sizeof color);
    LogFakeCall(std::string("BuildMenus ") + gamma + " " + color);
}
