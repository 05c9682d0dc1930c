// BMP loader: reads a BMP file into packed 24-bit RGB pixels.
#pragma once

#include <cstdint>

struct RgbImage {
    int32_t sizeX = 0, sizeY = 0;
    uint8_t* data = nullptr;  // sizeX * sizeY * 3 bytes, R G B, bottom row first
    ~RgbImage() { delete[] data; }
};

// A new image, or nullptr on any failure (missing, unreadable, malformed).
RgbImage* LoadBitmapImage(const char* path);
