// BMP loader: reads a BMP file (with or without its 14-byte file header) into
// packed 24-bit RGB pixels.  Every offset and size in the file is checked
// against the file's length: a truncated or malformed file is refused with an
// "Error" box, never read past its end.
#pragma once

#include <cstdint>

struct RgbImage {
    int32_t width = 0, height = 0;  // height is positive: top-down files are flipped
    uint8_t* data = nullptr;  // width * height * 3 bytes, R G B, bottom row first, rows packed
    ~RgbImage() { delete[] data; }
};

// A new image, or nullptr on any failure (missing, unreadable, malformed).
RgbImage* LoadBitmapImage(const char* path);
