#include <cstdio>

#include "input/menus.h"
#include "render/shader.h"

void FormatGammaLabel(char* out, size_t capacity) {
    std::snprintf(out, capacity, "Gamma (%.2f)", shader_gamma);
}

void FormatColorLabel(char* out, size_t capacity) {
    std::snprintf(out, capacity, "Color (%.2f)", shader_color);
}
