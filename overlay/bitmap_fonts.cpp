// The font records: the glyph map sends codes 32..126 to their own glyph and
// every other code from 1 to 255 to the asterisk, so no byte of a string can
// reach outside the table.
#include "overlay/bitmap_fonts.h"

namespace {

struct FontRecords {
    BitmapFont fonts[kBitmapFontCount];

    FontRecords() {
        for (int f = 0; f < kBitmapFontCount; ++f) {
            const BitmapFontLayout& layout = kBitmapFontLayouts[f];
            const BitmapGlyphTable& table = kBitmapGlyphTables[f];
            BitmapFont& font = fonts[f];
            font.name = layout.name;
            font.character_count = kDeclaredCharacterCount;
            font.height = layout.height;
            font.x_origin = layout.x_origin;
            font.y_origin = layout.y_origin;
            const unsigned char* fallback =
                table.data + table.offsets[kFallbackGlyphCode - kFirstGlyphCode];
            for (int code = 1; code <= 255; ++code) {
                const bool printable = code >= kFirstGlyphCode && code <= kLastGlyphCode;
                font.glyphs[code - 1] =
                    printable ? table.data + table.offsets[code - kFirstGlyphCode] : fallback;
            }
            font.glyphs[255] = nullptr;
        }
    }
};

}  // namespace

const BitmapFont* GetBitmapFont(int index) {
    static const FontRecords records;
    if (index < 0 || index >= kBitmapFontCount) return nullptr;
    return &records.fonts[index];
}
