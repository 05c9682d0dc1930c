// Recording stand-ins for the window requests (app/window_gl.cpp).
#include "app/window.h"
#include "support/fake_log.h"

void WindowFullScreen() { LogFakeCall("WindowFullScreen"); }
void WindowReshape(int width, int height) {
    LogFakeCall("WindowReshape " + std::to_string(width) + "x" + std::to_string(height));
}
void WindowPosition(int x, int y) {
    LogFakeCall("WindowPosition " + std::to_string(x) + "," + std::to_string(y));
}
void WindowIconify() { LogFakeCall("WindowIconify"); }
void WindowPostRedisplay() { LogFakeCall("WindowPostRedisplay"); }
void ApplyPolygonMode(GLenum mode) { LogFakeCall("ApplyPolygonMode " + std::to_string(mode)); }
void WindowSetPointer(PointerShape shape) {
    LogFakeCall(shape == PointerShape::UpDown ? "WindowSetPointer UpDown" : "WindowSetPointer RightArrow");
}
void WindowSetMotionCallback(void (*)(int, int)) { LogFakeCall("WindowSetMotionCallback"); }
// No screen known: windows keep the camera's size.
WindowSize WindowScreenSize() { return {0, 0}; }
