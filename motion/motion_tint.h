// The tint of the live picture: what the chosen detector counts as changed
// in red (the robust detector's speckles, too small to count, in faint
// amber) and the masked areas dimmed in proportion to how little they
// count.  motion_tint.cpp makes the picture, one RGBA texel per cell of the
// detector's grid; motion_tint_gl.cpp lays it over the normal view.
#pragma once

#include <cstdint>
#include <vector>

#include "motion/motion.h"

// Owned by the tint; lives as long as the program.  The picture is made
// again only when the view's generation changes.
struct MotionTintState {
    std::vector<uint8_t> rgba;     // bottom row first, like the frame
    int width = 0, height = 0;
    uint32_t generation = 0;       // of the view it was made from
    bool made = false;
    uint32_t texture = 0;          // the GL texture, made at the first draw
    int texture_width = 0, texture_height = 0;
};
extern MotionTintState motion_tint;

// Makes the picture for `view` unless it is the one already made; true
// when it made a new one (to be uploaded).
bool UpdateMotionTint(const MotionTintView& view);

// The RGBA of one cell.
struct TintTexel {
    uint8_t r, g, b, a;
};
TintTexel TintOf(uint8_t change, uint8_t weight);
