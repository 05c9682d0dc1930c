// BMP loader.  Decodes every format a mask may come in: 1, 4 and 8 bits with
// a palette (RLE4 and RLE8 too), 16 and 32 bits direct colour (with or without
// bit-field masks) and 24 bits; core (12-byte) and info (40-byte) headers,
// with or without the 14-byte file header.  The whole file is read into
// memory and every offset, count and size is checked against its length.
#include "image/bmp_loader.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <memory>
#include <new>
#include <vector>

#include "platform/dialogs.h"
#include "platform/files.h"
#include "platform/paths.h"

namespace {

constexpr uint32_t kFileHeaderSize = 14;
constexpr uint32_t kCoreHeaderSize = 12;
constexpr uint32_t kInfoHeaderSize = 40;
constexpr int32_t kMaxDimension = 16384;             // the largest GL texture side here
constexpr int64_t kMaxPixels = 64LL * 1024 * 1024;   // 192 MiB of RGB at most

enum Compression : uint32_t { kRgb = 0, kRle8 = 1, kRle4 = 2, kBitFields = 3 };

// The texts of the "Error" box.
constexpr const char* kUnknownFormat = "Unknown DIB file format.";
constexpr const char* kConversionError = "Image file conversion error.";
constexpr const char* kOutOfMemory = "Out of memory.";

RgbImage* Fail(const char* text) {
    ShowMessageBox(text, "Error", MsgIcon::Error);
    return nullptr;
}

uint16_t U16(const uint8_t* p) { return uint16_t(p[0] | p[1] << 8); }
uint32_t U32(const uint8_t* p) { return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24; }

struct Header {
    bool has_file_header = false;   // starts with the 14-byte "BM" header
    int64_t width = 0, height = 0;  // height negative: rows stored top-down
    uint16_t bits = 0;
    uint32_t compression = kRgb;
    uint32_t image_size = 0;
    uint32_t colour_count = 0;  // palette entries that follow the header
    uint32_t palette_entry = 4; // bytes per palette entry
    uint64_t palette_offset = 0;
    uint32_t masks[3] = {0, 0, 0};

    int64_t Rows() const { return height < 0 ? -height : height; }
    bool RunLength() const { return compression == kRle8 || compression == kRle4; }
    uint64_t PaletteBytes() const { return uint64_t(colour_count) * palette_entry; }
};

struct Colour {
    uint8_t r = 0, g = 0, b = 0;
};

// One channel of a bit-field pixel, scaled to 8 bits.
struct Field {
    uint32_t mask = 0;
    int shift = 0;
    uint32_t max = 0;
    explicit Field(uint32_t m) : mask(m) {
        if (!m) return;
        while (!((m >> shift) & 1)) ++shift;
        max = m >> shift;
    }
    uint8_t operator()(uint32_t pixel) const {
        if (!max) return 0;
        return uint8_t((uint64_t((pixel & mask) >> shift) * 255 + max / 2) / max);
    }
};

bool ValidBits(const Header& h) {
    switch (h.compression) {
        case kRgb: return h.bits == 1 || h.bits == 4 || h.bits == 8 || h.bits == 16 || h.bits == 24 || h.bits == 32;
        case kRle8: return h.bits == 8;
        case kRle4: return h.bits == 4;
        case kBitFields: return h.bits == 16 || h.bits == 32;
        default: return false;
    }
}

// Whether `available` bytes hold every uncompressed row.  The last row's
// padding may be missing: it is never read.
bool RowsFit(const Header& h, uint64_t available) {
    const uint64_t width = uint64_t(h.width), rows = uint64_t(h.Rows());
    const uint64_t row_bytes = (width * h.bits + 7) / 8;
    const uint64_t stride = (width * h.bits + 31) / 32 * 4;
    return available >= (rows - 1) * stride + row_bytes;
}

// Decodes uncompressed rows.  `out` gets |height| rows of width pixels in file order.
bool DecodeRows(const Header& h, const uint8_t* data, uint64_t available, const std::vector<Colour>& palette,
                std::vector<Colour>& out) {
    const uint64_t width = uint64_t(h.width), rows = uint64_t(h.Rows());
    const uint64_t stride = (width * h.bits + 31) / 32 * 4;
    if (!RowsFit(h, available)) return false;

    uint32_t masks[3] = {h.masks[0], h.masks[1], h.masks[2]};
    if (h.compression != kBitFields) {
        if (h.bits == 16) masks[0] = 0x7C00, masks[1] = 0x03E0, masks[2] = 0x001F;
        if (h.bits == 32) masks[0] = 0xFF0000, masks[1] = 0x00FF00, masks[2] = 0x0000FF;
    }
    const Field red(masks[0]), green(masks[1]), blue(masks[2]);
    const Colour black;
    for (uint64_t y = 0; y < rows; ++y) {
        const uint8_t* row = data + y * stride;
        Colour* target = &out[y * width];
        for (uint64_t x = 0; x < width; ++x) {
            switch (h.bits) {
                case 1:
                case 4:
                case 8: {
                    const uint64_t bit = x * h.bits;
                    const unsigned shift = unsigned(8 - h.bits - bit % 8);
                    const unsigned index = (row[bit / 8] >> shift) & ((1u << h.bits) - 1);
                    target[x] = index < palette.size() ? palette[index] : black;
                    break;
                }
                case 24: target[x] = {row[x * 3 + 2], row[x * 3 + 1], row[x * 3]}; break;
                case 16: {
                    const uint32_t p = U16(row + x * 2);
                    target[x] = {red(p), green(p), blue(p)};
                    break;
                }
                case 32: {
                    const uint32_t p = U32(row + x * 4);
                    target[x] = {red(p), green(p), blue(p)};
                    break;
                }
            }
        }
    }
    return true;
}

// Decodes RLE8 or RLE4 data; pixels the data skips stay black.  Runs that
// overshoot a row or the picture are clipped; data that ends inside a
// command is an error.
bool DecodeRle(const Header& h, const uint8_t* data, uint64_t available, const std::vector<Colour>& palette,
               std::vector<Colour>& out) {
    const int64_t width = h.width, rows = h.height;
    const bool four = h.compression == kRle4;
    const Colour black;
    auto colour = [&](unsigned index) { return index < palette.size() ? palette[index] : black; };
    int64_t x = 0, y = 0;
    uint64_t pos = 0;
    auto put = [&](unsigned index) {
        if (x < width && y < rows) out[uint64_t(y * width + x)] = colour(index);
        ++x;
    };
    while (true) {
        if (pos + 2 > available) return pos >= available;  // a missing end mark is forgiven
        const uint8_t count = data[pos], value = data[pos + 1];
        pos += 2;
        if (count > 0) {
            for (unsigned i = 0; i < count; ++i) put(four ? (i % 2 ? value & 0x0F : value >> 4) : value);
            continue;
        }
        if (value == 0) {  // end of line
            x = 0, ++y;
        } else if (value == 1) {  // end of bitmap
            return true;
        } else if (value == 2) {  // delta
            if (pos + 2 > available) return false;
            x += data[pos], y += data[pos + 1];
            pos += 2;
        } else {  // absolute run of `value` pixels, padded to 16 bits
            const uint64_t bytes = four ? (value + 1u) / 2 : value;
            if (pos + bytes > available) return false;
            for (unsigned i = 0; i < value; ++i)
                put(four ? (i % 2 ? data[pos + i / 2] & 0x0F : data[pos + i / 2] >> 4) : data[pos + i]);
            pos += (bytes + 1) / 2 * 2;
        }
        if (y > rows) y = rows;  // further pixels fall outside and are dropped
    }
}

uint32_t DefaultColourCount(uint16_t bits) { return bits == 1 ? 2 : bits == 4 ? 16 : bits == 8 ? 256 : 0; }

void ReadCoreHeader(const uint8_t* at, Header& h) {
    h.width = U16(at + 4);
    h.height = U16(at + 6);
    h.bits = U16(at + 10);
    h.palette_entry = 3;
    h.colour_count = DefaultColourCount(h.bits);
}

void ReadInfoHeader(const uint8_t* at, Header& h) {
    h.width = int32_t(U32(at + 4));
    h.height = int32_t(U32(at + 8));
    h.bits = U16(at + 14);
    h.compression = U32(at + 16);
    h.image_size = U32(at + 20);
    const uint32_t used = U16(at + 32);  // colours used, taken as a 16-bit number
    h.colour_count = used ? used : DefaultColourCount(h.bits);
}

// Fills `h` from the file's headers; the failure's text, or nullptr.
const char* ReadHeaders(const uint8_t* bytes, uint64_t size, Header& h) {
    h.has_file_header = size >= 2 && bytes[0] == 'B' && bytes[1] == 'M';
    const uint64_t header_at = h.has_file_header ? kFileHeaderSize : 0;
    if (size < header_at + 4) return kUnknownFormat;
    const uint32_t header_size = U32(bytes + header_at);
    if (header_size != kCoreHeaderSize && header_size != kInfoHeaderSize) return kUnknownFormat;
    if (size < header_at + header_size) return kConversionError;
    if (header_size == kCoreHeaderSize)
        ReadCoreHeader(bytes + header_at, h);
    else
        ReadInfoHeader(bytes + header_at, h);
    h.palette_offset = header_at + header_size;
    if (h.compression == kBitFields) {
        // The three colour masks follow the 40-byte header, before any palette.
        if (size < h.palette_offset + 12) return kConversionError;
        for (int i = 0; i < 3; ++i) h.masks[i] = U32(bytes + h.palette_offset + 4 * i);
        h.palette_offset += 12;
    }
    return nullptr;
}

bool SizeAccepted(const Header& h) {
    const int64_t rows = h.Rows();
    if (!ValidBits(h) || h.width <= 0 || rows == 0 || h.width > kMaxDimension || rows > kMaxDimension ||
        h.width * rows > kMaxPixels)
        return false;
    // Run-length data is always stored bottom-up.
    return !(h.height < 0 && h.RunLength());
}

// False when the palette's entries run past the end of the file.
bool ReadPalette(const Header& h, const uint8_t* bytes, uint64_t size, std::vector<Colour>& palette) {
    if (h.palette_offset + h.PaletteBytes() > size) return false;
    if (h.bits > 8) return true;
    const uint32_t used = std::min<uint32_t>(h.colour_count, 1u << h.bits);
    palette.resize(used);
    for (uint32_t i = 0; i < used; ++i) {
        const uint8_t* e = bytes + h.palette_offset + uint64_t(i) * h.palette_entry;
        palette[i] = {e[2], e[1], e[0]};
    }
    return true;
}

// Where the pixel data starts and how many bytes of it there are; false
// when the file ends before the picture does.
bool LocatePixels(const Header& h, const uint8_t* bytes, uint64_t size, uint64_t* at, uint64_t* available) {
    *at = h.has_file_header ? U32(bytes + 10) : h.palette_offset + h.PaletteBytes();
    if (*at >= size) return false;
    *available = size - *at;
    if (h.RunLength() && h.image_size && h.image_size < *available) *available = h.image_size;
    // A short file is refused before the picture's memory is taken.
    return h.RunLength() || RowsFit(h, *available);
}

// The decoded rows packed as RGB, bottom row first (top-down files are
// flipped); nullptr when out of memory.
RgbImage* PackedImage(const Header& h, const std::vector<Colour>& decoded) {
    const int64_t rows = h.Rows();
    std::unique_ptr<RgbImage> image(new (std::nothrow) RgbImage);
    if (!image) return nullptr;
    image->width = int32_t(h.width);
    image->height = int32_t(rows);
    image->data = new (std::nothrow) uint8_t[uint64_t(h.width * rows * 3)];
    if (!image->data) return nullptr;
    for (int64_t y = 0; y < rows; ++y) {
        const int64_t source = h.height < 0 ? rows - 1 - y : y;
        const Colour* from = &decoded[uint64_t(source * h.width)];
        uint8_t* to = image->data + uint64_t(y * h.width * 3);
        for (int64_t x = 0; x < h.width; ++x, to += 3) to[0] = from[x].r, to[1] = from[x].g, to[2] = from[x].b;
    }
    return image.release();
}

}  // namespace

RgbImage* LoadBitmapImage(const char* path) {
    std::vector<uint8_t> file;
    FileReadError failure;
    if (!ReadWholeFile(NativePath(path).c_str(), &file, &failure)) {
        if (failure.failure == FileReadFailure::kMemory) return Fail(kOutOfMemory);
        char text[1100];
        std::snprintf(text, sizeof text, "Failed to open DIB file %s.\n", path);
        return Fail(text);
    }
    const uint64_t size = file.size();
    const uint8_t* bytes = file.data();
    Header h;
    if (const char* text = ReadHeaders(bytes, size, h)) return Fail(text);
    std::vector<Colour> palette;
    uint64_t pixels_at = 0, available = 0;
    if (!SizeAccepted(h) || !ReadPalette(h, bytes, size, palette) ||
        !LocatePixels(h, bytes, size, &pixels_at, &available))
        return Fail(kConversionError);

    std::vector<Colour> decoded;
    try {
        decoded.resize(uint64_t(h.width * h.Rows()));
    } catch (const std::bad_alloc&) {
        return Fail(kOutOfMemory);
    }
    const bool ok = h.RunLength() ? DecodeRle(h, bytes + pixels_at, available, palette, decoded)
                                  : DecodeRows(h, bytes + pixels_at, available, palette, decoded);
    if (!ok) return Fail(kConversionError);
    RgbImage* image = PackedImage(h, decoded);
    return image ? image : Fail(kOutOfMemory);
}
