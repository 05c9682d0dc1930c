// The tint of the live picture: what the chosen detector counts as changed
// in red (the robust detector's speckles, too small to count, in faint
// amber) and the masked areas dimmed in proportion to how little they
// count.  motion_tint.cpp turns the detector's cells into runs of one
// colour along each row of cells; motion_tint_gl.cpp lays them over the
// normal view.  Only tinted cells are drawn: blending the whole picture
// costs as much as drawing it again.
#pragma once

#include <cstdint>
#include <vector>

#include "motion/motion.h"

// The colour of one cell, alpha 0 where it shows nothing.
struct TintColour {
    uint8_t r, g, b, a;
    bool operator==(const TintColour&) const = default;
};
TintColour TintOf(uint8_t change, uint8_t weight);

// Cells [x0, x1) of cell row y (row 0 lowest), all of one colour.
struct TintRun {
    int y, x0, x1;
    TintColour colour;
};

// Owned by the tint; lives as long as the program.  The runs are made
// again only when the view's generation changes.
struct MotionTintState {
    std::vector<TintRun> runs;
    int width = 0, height = 0;     // the grid they were made on
    uint32_t generation = 0;       // of the view they were made from
    bool made = false;
};
extern MotionTintState motion_tint;

// Makes the runs for `view` unless they are made already.
void UpdateMotionTint(const MotionTintView& view);
