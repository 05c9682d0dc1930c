// Bitmap and stroke text.  Bitmap fonts are drawn from our own glyph tables
// in window pixels (origin top-left, y down) between BeginTextPass and
// EndTextPass; stroke text in the current model-view units.
#pragma once

struct BitmapFont {
    const char* name;
    int character_count;
    int height;
    const unsigned char* glyphs[256];
    float x_origin, y_origin;
};

constexpr int kBitmapFontCount = 7;

// The font for index 0 to 6, nullptr for any other index.
const BitmapFont* GetBitmapFont(int index);

// Each string is kept as a picture of the pixels its lines make, drawn
// instead of the lines while the string, its matrices, viewport, colour and
// line state stay the same (text over blending or a program draws directly).
void DrawStrokeText(float x, float y, const char* format, ...)
    __attribute__((format(printf, 3, 4)));
// The pictures on (the default) or off: off, every string draws its lines.
void SetStrokeTextCache(bool enabled);
void BeginTextPass(int width, int height);
void DrawBitmapString(float x, float y, int font, const char* text);
void EndTextPass();
