// A picture that changes every frame like a camera's, for the benchmarks:
// a gradient with a moving bar and some noise, BGRA.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

inline void AnimateCameraPicture(std::vector<uint8_t>& frame, int width, int height, int n) {
    uint32_t noise = 12345u + n;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            uint8_t* p = &frame[(size_t(y) * width + x) * 4];
            noise = noise * 1664525u + 1013904223u;
            const bool bar = ((x + n * 8) % width) < width / 10;
            p[0] = uint8_t(bar ? 240 : x * 255 / width);
            p[1] = uint8_t(y * 255 / height);
            p[2] = uint8_t((noise >> 24) & 0x1F) + 80;
            p[3] = 255;
        }
}
