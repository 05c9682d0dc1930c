// Writes the nine masks of the bmp_mask effect, data/bmp/mask1.bmp .. mask9.bmp.
// Regenerate them from the source tree's root with
//     build/make_masks data/bmp
// White lets the video through, black hides it.  The masks use several of the
// layouts the loader reads, so the shipped files exercise them all.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <functional>
#include <string>

#include "tools/bmp_encode.h"

using bmp_encode::Layout;
using bmp_encode::Picture;
using bmp_encode::Rgb;

namespace {

constexpr int kSize = 256;

// Coordinates -1..1 across the mask, y upwards.
using Shade = std::function<double(double x, double y)>;

double Smooth(double edge, double value) { return std::clamp((edge - value) * 40.0 + 0.5, 0.0, 1.0); }

Picture Direct(const std::function<Rgb(double, double)>& colour) {
    Picture p{kSize, kSize, {}, {}, {}};
    for (int y = 0; y < kSize; ++y)
        for (int x = 0; x < kSize; ++x)
            p.pixels.push_back(colour((x + 0.5) / kSize * 2 - 1, (y + 0.5) / kSize * 2 - 1));
    return p;
}

Rgb Grey(double v) {
    const uint8_t g = uint8_t(std::lround(std::clamp(v, 0.0, 1.0) * 255));
    return {g, g, g};
}

// A grey ramp palette of `levels` entries and the picture as its indexes.
Picture Indexed(int levels, const Shade& shade) {
    Picture p{kSize, kSize, {}, {}, {}};
    for (int i = 0; i < levels; ++i) p.palette.push_back(Grey(double(i) / (levels - 1)));
    for (int y = 0; y < kSize; ++y)
        for (int x = 0; x < kSize; ++x) {
            const double v = shade((x + 0.5) / kSize * 2 - 1, (y + 0.5) / kSize * 2 - 1);
            p.index.push_back(uint8_t(std::lround(std::clamp(v, 0.0, 1.0) * (levels - 1))));
        }
    return p;
}

Rgb Hue(double angle, double saturation) {
    const double h = (angle / (2 * M_PI) + 0.5) * 6;
    auto channel = [&](double offset) {
        const double d = std::fabs(std::fmod(h + offset, 6.0) - 3.0) - 1.0;
        return 1.0 - saturation + saturation * std::clamp(d, 0.0, 1.0);
    };
    return {Grey(channel(0)).r, Grey(channel(4)).r, Grey(channel(2)).r};
}

bool Write(const std::string& folder, int number, const Picture& picture, const Layout& layout) {
    const std::string path = folder + "/mask" + std::to_string(number) + ".bmp";
    if (bmp_encode::WriteFile(path, bmp_encode::Encode(picture, layout))) return true;
    std::fprintf(stderr, "make_masks: cannot write %s\n", path.c_str());
    return false;
}

}  // namespace

int main(int argc, char** argv) {
    const std::string folder = argc > 1 ? argv[1] : "data/bmp";
    bool ok = true;

    // 1: a round window, 24 bits.
    ok &= Write(folder, 1, Direct([](double x, double y) { return Grey(Smooth(0.8, std::hypot(x, y))); }), {});

    // 2: a left-to-right gradient, 8 bits with a 256-grey palette.
    ok &= Write(folder, 2, Indexed(256, [](double x, double) { return (x + 1) / 2; }), {.bits = 8});

    // 3: horizontal stripes, RLE8 with a two-entry palette (colours used 2).
    ok &= Write(folder, 3, Indexed(2, [](double, double y) { return std::fmod(y + 1, 0.25) < 0.125 ? 1.0 : 0.0; }),
                {.bits = 8, .compression = bmp_encode::kRle8, .colours_used = 2});

    // 4: a heart, 24 bits.
    ok &= Write(folder, 4, Direct([](double x, double y) {
                    x *= 1.3, y = y * 1.3 + 0.25;
                    const double a = x * x + y * y - 1;
                    return Grey(a * a * a - x * x * y * y * y <= 0 ? 1.0 : 0.0);
                }), {});

    // 5: a checkerboard of 8 x 8 squares, 1 bit.
    ok &= Write(folder, 5, Indexed(2, [](double x, double y) {
                    return (int(std::floor((x + 1) * 4)) + int(std::floor((y + 1) * 4))) % 2 ? 1.0 : 0.0;
                }), {.bits = 1});

    // 6: a soft vignette, 32 bits.
    ok &= Write(folder, 6, Direct([](double x, double y) {
                    return Grey(1.0 - std::pow(std::clamp(std::hypot(x, y) / 1.3, 0.0, 1.0), 3));
                }), {.bits = 32});

    // 7: a diamond, RLE4 with 16 greys.
    ok &= Write(folder, 7, Indexed(16, [](double x, double y) { return Smooth(0.85, std::fabs(x) + std::fabs(y)); }),
                {.bits = 4, .compression = bmp_encode::kRle4});

    // 8: a colour wheel fading to white in the middle, 16 bits 5-6-5.
    ok &= Write(folder, 8, Direct([](double x, double y) { return Hue(std::atan2(y, x), std::min(std::hypot(x, y), 1.0)); }),
                {.bits = 16, .compression = bmp_encode::kBitFields});

    // 9: binoculars, 24 bits with the old 12-byte core header.
    ok &= Write(folder, 9, Direct([](double x, double y) {
                    const double d = std::min(std::hypot(x + 0.42, y), std::hypot(x - 0.42, y));
                    return Grey(Smooth(0.5, d));
                }), {.core_header = true});

    return ok ? 0 : 1;
}
