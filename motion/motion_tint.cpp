// The tint's picture, one texel per cell.
#include "motion/motion_tint.h"

MotionTintState motion_tint;

namespace {

constexpr TintTexel kMoving{255, 32, 32, 150};
constexpr TintTexel kSpeckle{255, 190, 0, 80};
constexpr int kDimmest = 170;  // the alpha of black over a fully masked cell

}  // namespace

TintTexel TintOf(uint8_t change, uint8_t weight) {
    if (change == kCellMoving) return kMoving;
    if (change == kCellSpeckle) return kSpeckle;
    return {0, 0, 0, static_cast<uint8_t>((255 - weight) * kDimmest / 255)};
}

bool UpdateMotionTint(const MotionTintView& view) {
    if (motion_tint.made && motion_tint.generation == view.generation && motion_tint.width == view.grid_width &&
        motion_tint.height == view.grid_height)
        return false;
    const size_t cells = static_cast<size_t>(view.grid_width) * view.grid_height;
    motion_tint.rgba.resize(cells * 4);
    for (size_t c = 0; c < cells; ++c) {
        const uint8_t change = view.change ? view.change[c] : uint8_t{kCellStill};
        const TintTexel t = TintOf(change, view.weights ? view.weights[c] : uint8_t{255});
        uint8_t* out = &motion_tint.rgba[c * 4];
        out[0] = t.r, out[1] = t.g, out[2] = t.b, out[3] = t.a;
    }
    motion_tint.width = view.grid_width;
    motion_tint.height = view.grid_height;
    motion_tint.generation = view.generation;
    motion_tint.made = true;
    return true;
}
