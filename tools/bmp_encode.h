// A small BMP encoder for the mask tool and the loader's tests: writes any
// of the layouts the loader reads (core or info header, with or without the
// file header, 1/4/8 bits with palette, RLE8, RLE4, 16/24/32 bits, bit-field
// masks, top-down rows).  Not used by the program itself.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace bmp_encode {

struct Rgb {
    uint8_t r = 0, g = 0, b = 0;
    bool operator==(const Rgb&) const = default;
};

// Bottom row first.  Palettised layouts use `index` and `palette`; direct
// colour layouts use `pixels`.
struct Picture {
    int width = 0, height = 0;
    std::vector<Rgb> pixels;
    std::vector<uint8_t> index;
    std::vector<Rgb> palette;
};

enum Compression : uint32_t { kRgb = 0, kRle8 = 1, kRle4 = 2, kBitFields = 3 };

struct Layout {
    int bits = 24;
    uint32_t compression = kRgb;
    bool core_header = false;  // 12-byte header with 3-byte palette entries
    bool file_header = true;
    bool top_down = false;     // negative height, rows stored top row first
    uint32_t colours_used = 0; // the header's field; the palette written has this many entries when non-zero
    uint32_t masks[3] = {0xF800, 0x07E0, 0x001F};  // red, green, blue with kBitFields
};

inline void Put16(std::vector<uint8_t>& out, uint32_t v) {
    out.push_back(uint8_t(v));
    out.push_back(uint8_t(v >> 8));
}
inline void Put32(std::vector<uint8_t>& out, uint32_t v) {
    Put16(out, v & 0xFFFF);
    Put16(out, v >> 16);
}

inline uint32_t PackMasked(uint32_t mask, uint8_t value) {
    if (!mask) return 0;
    int shift = 0;
    while (!((mask >> shift) & 1)) ++shift;
    const uint32_t max = mask >> shift;
    return ((uint32_t(value) * max + 127) / 255) << shift;
}

// Run-length rows: encoded runs of one index (RLE4: a run alternates the two
// nibbles of its byte, here always the same index), end-of-line after each row.
inline std::vector<uint8_t> EncodeRle(const Picture& p, bool four) {
    std::vector<uint8_t> out;
    for (int y = 0; y < p.height; ++y) {
        const uint8_t* row = &p.index[size_t(y) * p.width];
        for (int x = 0; x < p.width;) {
            int run = 1;
            while (x + run < p.width && run < 255 && row[x + run] == row[x]) ++run;
            out.push_back(uint8_t(run));
            out.push_back(four ? uint8_t(row[x] << 4 | row[x]) : row[x]);
            x += run;
        }
        out.push_back(0);
        out.push_back(y + 1 == p.height ? 1 : 0);
    }
    return out;
}

inline std::vector<uint8_t> EncodeRows(const Picture& p, const Layout& l) {
    const size_t stride = (size_t(p.width) * l.bits + 31) / 32 * 4;
    std::vector<uint8_t> out(stride * p.height, 0);
    const uint32_t* masks = l.masks;
    const uint32_t default16[3] = {0x7C00, 0x03E0, 0x001F}, default32[3] = {0xFF0000, 0xFF00, 0xFF};
    if (l.compression != kBitFields) masks = l.bits == 16 ? default16 : default32;
    for (int y = 0; y < p.height; ++y) {
        const int source = l.top_down ? p.height - 1 - y : y;
        uint8_t* row = &out[stride * y];
        for (int x = 0; x < p.width; ++x) {
            const size_t i = size_t(source) * p.width + x;
            if (l.bits <= 8) {
                const size_t bit = size_t(x) * l.bits;
                row[bit / 8] |= uint8_t(p.index[i] << (8 - l.bits - bit % 8));
            } else if (l.bits == 24) {
                row[x * 3] = p.pixels[i].b, row[x * 3 + 1] = p.pixels[i].g, row[x * 3 + 2] = p.pixels[i].r;
            } else {
                const Rgb c = p.pixels[i];
                const uint32_t v = PackMasked(masks[0], c.r) | PackMasked(masks[1], c.g) | PackMasked(masks[2], c.b);
                for (int k = 0; k < l.bits / 8; ++k) row[x * (l.bits / 8) + k] = uint8_t(v >> (8 * k));
            }
        }
    }
    return out;
}

inline std::vector<uint8_t> Encode(const Picture& p, const Layout& l) {
    std::vector<uint8_t> pixels = l.compression == kRle8 || l.compression == kRle4
                                      ? EncodeRle(p, l.compression == kRle4)
                                      : EncodeRows(p, l);
    uint32_t entries = 0;
    if (l.bits <= 8) entries = l.colours_used ? l.colours_used : 1u << l.bits;
    std::vector<uint8_t> header;
    if (l.core_header) {
        Put32(header, 12);
        Put16(header, uint32_t(p.width));
        Put16(header, uint32_t(p.height));
        Put16(header, 1);
        Put16(header, uint32_t(l.bits));
    } else {
        Put32(header, 40);
        Put32(header, uint32_t(p.width));
        Put32(header, uint32_t(l.top_down ? -p.height : p.height));
        Put16(header, 1);
        Put16(header, uint32_t(l.bits));
        Put32(header, l.compression);
        Put32(header, uint32_t(pixels.size()));
        Put32(header, 2835);
        Put32(header, 2835);
        Put32(header, l.colours_used);
        Put32(header, 0);
        if (l.compression == kBitFields)
            for (uint32_t m : l.masks) Put32(header, m);
    }
    for (uint32_t i = 0; i < entries; ++i) {
        const Rgb c = i < p.palette.size() ? p.palette[i] : Rgb{};
        header.push_back(c.b);
        header.push_back(c.g);
        header.push_back(c.r);
        if (!l.core_header) header.push_back(0);
    }
    std::vector<uint8_t> out;
    if (l.file_header) {
        out = {'B', 'M'};
        Put32(out, uint32_t(14 + header.size() + pixels.size()));
        Put32(out, 0);
        Put32(out, uint32_t(14 + header.size()));
    }
    out.insert(out.end(), header.begin(), header.end());
    out.insert(out.end(), pixels.begin(), pixels.end());
    return out;
}

inline bool WriteFile(const std::string& path, const std::vector<uint8_t>& bytes) {
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) return false;
    const bool ok = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    return std::fclose(f) == 0 && ok;
}

}  // namespace bmp_encode
