// The seven bitmap fonts behind GetBitmapFont(): their fixed layout (name,
// glyph height, origin) and the generated glyph images of codes 32..126.
#pragma once

#include "overlay/text.h"

constexpr int kFirstGlyphCode = 32;
constexpr int kLastGlyphCode = 126;
constexpr int kGlyphCount = kLastGlyphCode - kFirstGlyphCode + 1;
constexpr int kDeclaredCharacterCount = 93;
constexpr int kFallbackGlyphCode = '*';  // drawn for every code outside 32..126

struct BitmapFontLayout {
    const char* name;
    int height;
    float x_origin, y_origin;
};

inline constexpr BitmapFontLayout kBitmapFontLayouts[kBitmapFontCount] = {
    {"-misc-fixed-medium-r-normal--13-120-75-75-C-80-iso8859-1", 13, -1.0f, 2.0f},
    {"-misc-fixed-medium-r-normal--15-140-75-75-C-90-iso8859-1", 15, -1.0f, 3.0f},
    {"-adobe-helvetica-medium-r-normal--10-100-75-75-p-56-iso8859-1", 13, -1.0f, 2.0f},
    {"-adobe-helvetica-medium-r-normal--12-120-75-75-p-67-iso8859-1", 15, -1.0f, 3.0f},
    {"-adobe-helvetica-medium-r-normal--18-180-75-75-p-98-iso8859-1", 22, -1.0f, 4.0f},
    {"-adobe-times-medium-r-normal--10-100-75-75-p-54-iso8859-1", 13, 0.0f, 3.0f},
    {"-adobe-times-medium-r-normal--24-240-75-75-p-124-iso8859-1", 28, -1.0f, 6.0f},
};

// Glyph images of one font: data + offsets[code - 32] is the glyph of code
// (width byte, then `height` rows of (width + 7) / 8 bytes, bottom row first).
struct BitmapGlyphTable {
    const unsigned char* data;
    const unsigned short* offsets;
};
extern const BitmapGlyphTable kBitmapGlyphTables[kBitmapFontCount];  // bitmap_fonts_data.cpp
