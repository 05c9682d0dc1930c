// The tint's runs of cells.
#include "motion/motion_tint.h"

MotionTintState motion_tint;

namespace {

constexpr TintColour kMoving{255, 32, 32, 150};
constexpr TintColour kSpeckle{255, 190, 0, 80};
constexpr int kDimmest = 170;  // the alpha of black over a fully masked cell

TintColour CellColour(const MotionTintView& view, size_t cell) {
    const uint8_t change = view.change ? view.change[cell] : uint8_t{kCellStill};
    return TintOf(change, view.weights ? view.weights[cell] : uint8_t{255});
}

}  // namespace

TintColour TintOf(uint8_t change, uint8_t weight) {
    if (change == kCellMoving) return kMoving;
    if (change == kCellSpeckle) return kSpeckle;
    return {0, 0, 0, static_cast<uint8_t>((255 - weight) * kDimmest / 255)};
}

void UpdateMotionTint(const MotionTintView& view) {
    MotionTintState& t = motion_tint;
    if (t.made && t.generation == view.generation && t.width == view.grid_width && t.height == view.grid_height)
        return;
    t.runs.clear();
    for (int y = 0; y < view.grid_height; ++y) {
        const size_t row = static_cast<size_t>(y) * view.grid_width;
        for (int x = 0; x < view.grid_width;) {
            const TintColour colour = CellColour(view, row + x);
            int end = x + 1;
            while (end < view.grid_width && CellColour(view, row + end) == colour) ++end;
            if (colour.a) t.runs.push_back({y, x, end, colour});
            x = end;
        }
    }
    t.width = view.grid_width;
    t.height = view.grid_height;
    t.generation = view.generation;
    t.made = true;
}
