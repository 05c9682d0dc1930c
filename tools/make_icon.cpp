// Draws Lumora's application icon, a webcam on its stand with a red
// "recording" dot, and writes it as an RGBA PNG of the given size:
//
//   build-dir/make_icon 48 lumora.png
//
// The build renders the hicolor sizes with it (cmake/Install.cmake).  The
// picture is drawn in code from a table of layers rather than scaled from
// one bitmap, so every size is sharp: each pixel is the average of a grid
// of samples, every sample composited through the layers, back to front.
#include <png.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <vector>

namespace {

constexpr int kSamplesPerSide = 8;  // 64 samples a pixel: smooth edges even at 16 px
constexpr int kMinSize = 8;
constexpr int kMaxSize = 1024;

struct Rgb {
    float r, g, b;
};

Rgb Hex(uint32_t rgb) {
    return {((rgb >> 16) & 0xFF) / 255.0f, ((rgb >> 8) & 0xFF) / 255.0f, (rgb & 0xFF) / 255.0f};
}

Rgb Mix(Rgb a, Rgb b, float t) {
    return {a.r + (b.r - a.r) * t, a.g + (b.g - a.g) * t, a.b + (b.b - a.b) * t};
}

float Clamp01(float v) { return v < 0 ? 0 : (v > 1 ? 1 : v); }

// Shapes are in icon units: (0, 0) the top left, (1, 1) the bottom right.
enum class ShapeKind { kEllipse, kRectangle };

struct Shape {
    ShapeKind kind;
    float cx, cy;  // centre
    float rx, ry;  // radii (half width and half height for a rectangle)

    bool Contains(float x, float y) const {
        const float dx = (x - cx) / rx, dy = (y - cy) / ry;
        if (kind == ShapeKind::kEllipse) return dx * dx + dy * dy <= 1.0f;
        return std::fabs(dx) <= 1.0f && std::fabs(dy) <= 1.0f;
    }
};

Shape Circle(float cx, float cy, float r) { return {ShapeKind::kEllipse, cx, cy, r, r}; }

// Shading: flat, top-to-bottom over the shape's height, or from a light
// spot outwards (which is what makes the lens read as glass).
enum class PaintKind { kFlat, kVertical, kRadial };

struct Paint {
    PaintKind kind;
    Rgb from, to;
    float spot_x = 0, spot_y = 0;  // for kRadial, in icon units
};

struct Layer {
    Shape shape;
    Paint paint;
    float opacity;
};

Rgb PaintAt(const Layer& layer, float x, float y) {
    const Paint& p = layer.paint;
    const Shape& s = layer.shape;
    switch (p.kind) {
        case PaintKind::kFlat: return p.from;
        case PaintKind::kVertical: return Mix(p.from, p.to, Clamp01((y - (s.cy - s.ry)) / (2 * s.ry)));
        case PaintKind::kRadial: {
            const float reach = s.rx + std::hypot(p.spot_x - s.cx, p.spot_y - s.cy);
            return Mix(p.from, p.to, Clamp01(std::hypot(x - p.spot_x, y - p.spot_y) / reach));
        }
    }
    return p.from;
}

Paint Flat(uint32_t rgb) { return {PaintKind::kFlat, Hex(rgb), Hex(rgb)}; }
Paint Vertical(uint32_t top, uint32_t bottom) { return {PaintKind::kVertical, Hex(top), Hex(bottom)}; }
Paint Radial(uint32_t spot, uint32_t edge, float x, float y) {
    return {PaintKind::kRadial, Hex(spot), Hex(edge), x, y};
}

// Back to front: the stand, the housing with a lighter rim, the metal
// ring, the glass, its pupil and reflections, then the recording dot in a
// white ring so that it stays visible on dark panels.
std::vector<Layer> IconLayers() {
    return {
        {{ShapeKind::kEllipse, 0.50f, 0.915f, 0.27f, 0.065f}, Vertical(0x4A5262, 0x161A22), 1.0f},
        {{ShapeKind::kRectangle, 0.50f, 0.84f, 0.06f, 0.06f}, Vertical(0x2A303B, 0x1A1E26), 1.0f},
        {Circle(0.50f, 0.44f, 0.40f), Vertical(0x6C7688, 0x2A303B), 1.0f},
        {Circle(0.50f, 0.44f, 0.38f), Vertical(0x3A4250, 0x12151C), 1.0f},
        {Circle(0.50f, 0.44f, 0.29f), Vertical(0xE2E6EE, 0x6E788A), 1.0f},
        {Circle(0.50f, 0.44f, 0.24f), Radial(0x3C86D8, 0x081026, 0.44f, 0.38f), 1.0f},
        {Circle(0.50f, 0.44f, 0.10f), Flat(0x04060C), 0.92f},
        {{ShapeKind::kEllipse, 0.42f, 0.36f, 0.075f, 0.05f}, Flat(0xFFFFFF), 0.75f},
        {Circle(0.585f, 0.535f, 0.028f), Flat(0xFFFFFF), 0.45f},
        {Circle(0.80f, 0.19f, 0.155f), Flat(0xFFFFFF), 1.0f},
        {Circle(0.80f, 0.19f, 0.12f), Radial(0xFF6A55, 0xC01818, 0.77f, 0.15f), 1.0f},
    };
}

// Premultiplied colour of one sample.
struct Sample {
    float r = 0, g = 0, b = 0, a = 0;

    void Over(Rgb c, float alpha) {
        r = c.r * alpha + r * (1 - alpha);
        g = c.g * alpha + g * (1 - alpha);
        b = c.b * alpha + b * (1 - alpha);
        a = alpha + a * (1 - alpha);
    }
};

Sample SampleAt(const std::vector<Layer>& layers, float x, float y) {
    Sample s;
    for (const Layer& layer : layers)
        if (layer.shape.Contains(x, y)) s.Over(PaintAt(layer, x, y), layer.opacity);
    return s;
}

// Straight (not premultiplied) RGBA, 8 bits each, as PNG stores it.
void StorePixel(const Sample& sum, int count, png_byte* out) {
    const float a = sum.a / count;
    const float unmultiply = a > 0 ? 1.0f / sum.a : 0.0f;
    const float channels[4] = {sum.r * unmultiply, sum.g * unmultiply, sum.b * unmultiply, a};
    for (int i = 0; i < 4; ++i) out[i] = static_cast<png_byte>(std::lround(Clamp01(channels[i]) * 255.0f));
}

std::vector<png_byte> Render(int size) {
    const std::vector<Layer> layers = IconLayers();
    std::vector<png_byte> rgba(static_cast<size_t>(size) * size * 4);
    const float step = 1.0f / (size * kSamplesPerSide);
    for (int py = 0; py < size; ++py) {
        for (int px = 0; px < size; ++px) {
            Sample sum;
            for (int sy = 0; sy < kSamplesPerSide; ++sy) {
                for (int sx = 0; sx < kSamplesPerSide; ++sx) {
                    const float x = (px * kSamplesPerSide + sx + 0.5f) * step;
                    const float y = (py * kSamplesPerSide + sy + 0.5f) * step;
                    const Sample s = SampleAt(layers, x, y);
                    sum.r += s.r, sum.g += s.g, sum.b += s.b, sum.a += s.a;
                }
            }
            StorePixel(sum, kSamplesPerSide * kSamplesPerSide, &rgba[(static_cast<size_t>(py) * size + px) * 4]);
        }
    }
    return rgba;
}

// libpng reports errors by longjmp back here; nothing with a destructor
// lives between the setjmp and the writes.
bool WriteRows(png_structp png, png_infop info, std::FILE* out, int size, png_bytepp rows) {
    if (setjmp(png_jmpbuf(png)) != 0) return false;
    png_init_io(png, out);
    png_set_IHDR(png, info, size, size, 8, PNG_COLOR_TYPE_RGB_ALPHA, PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_set_compression_level(png, 9);
    png_write_info(png, info);
    png_write_image(png, rows);
    png_write_end(png, nullptr);
    return true;
}

bool WritePng(const char* path, int size, std::vector<png_byte>& rgba) {
    std::FILE* out = std::fopen(path, "wb");
    if (!out) {
        std::perror(path);
        return false;
    }
    std::vector<png_bytep> rows(size);
    for (int y = 0; y < size; ++y) rows[y] = &rgba[static_cast<size_t>(y) * size * 4];
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png ? png_create_info_struct(png) : nullptr;
    bool written = info && WriteRows(png, info, out, size, rows.data());
    png_destroy_write_struct(&png, &info);
    if (std::fclose(out) != 0) written = false;
    if (!written) std::fprintf(stderr, "%s: could not write the PNG\n", path);
    return written;
}

}  // namespace

int main(int argc, char** argv) {
    const int size = argc == 3 ? std::atoi(argv[1]) : 0;
    if (size < kMinSize || size > kMaxSize) {
        std::fprintf(stderr, "usage: make_icon SIZE FILE.png   (SIZE %d to %d pixels)\n", kMinSize, kMaxSize);
        return 2;
    }
    std::vector<png_byte> rgba = Render(size);
    return WritePng(argv[2], size, rgba) ? 0 : 1;
}
