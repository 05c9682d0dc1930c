#include "input/input.h"

InputState input;

float PixelToUnitX(float x, int width) { return x / (width / 256.0f) - 128.0f; }

float PixelToUnitY(float y, int height) { return -(y / (height / 256.0f) - 128.0f); }

bool HitOverlayBox(int x, int y, int width, int height, float ux0, float uy0, float ux1, float uy1) {
    const float sx = width / 256.0f, sy = height / 256.0f;
    const float left = sx * (ux0 + 128), right = sx * (ux1 + 128);
    const float top = sy * (128 - uy1), bottom = sy * (128 - uy0);
    return left < x && x < right && top < y && y < bottom;
}
