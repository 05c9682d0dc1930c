// The motion mask: a BMP picture (read by the project's BMP loader) whose
// grey level weighs each part of the frame for both detectors: black is
// ignored, white counts fully, grey in proportion.  A picture of another
// size is scaled to the frame (nearest pixel), bottom row first as the
// loader and the capture both keep their rows.
//
// A file that does not load leaves no mask: the loader has said why in its
// "Error" box; a 1 x 1 picture marks no area and is refused the same way.
#pragma once

#include <cstdint>
#include <vector>

// Owned by its user (MotionState, the replay's session); ClearMotionMask
// empties it.  `generation` counts loads so scaled copies know when to remake.
struct MotionMask {
    int32_t image_width = 0, image_height = 0;
    std::vector<uint8_t> image;    // grey 0..255 at the picture's own size
    int32_t width = 0, height = 0; // the frame size of `weights`
    std::vector<uint8_t> weights;  // one per frame pixel
    uint32_t generation = 0;
};

bool MotionMaskLoaded(const MotionMask& mask);

// Reads `path`; false (with the box) leaves the mask empty.
bool LoadMotionMask(const char* path, MotionMask* mask);
void ClearMotionMask(MotionMask* mask);

// The weights for a width x height frame, or nullptr without a mask.  Scaled
// again only when the frame size changes.
const uint8_t* MotionMaskWeights(MotionMask& mask, int width, int height);
