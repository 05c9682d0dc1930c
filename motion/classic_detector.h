// The classic measure: the percent difference (PCD) between the frame and
// the snapshot of the last measurement, pcd = differing pixels / bytes x 100
// (0 to 25), a pixel differing when any of its four bytes does.  With a mask
// the differing pixels count by their weight (0 to 255) and the divisor is
// the watched share of the bytes, so a white mask measures as no mask.
//
// Plain logic over the caller's snapshots: the running program keeps them in
// MotionState, lumora-replay its own.  A measurement allocates nothing once
// the snapshots fit the frame.
#pragma once

#include <cstddef>
#include <cstdint>

// The two snapshots of the measure.  Sized to the frame on first use, they
// grow only when a bigger frame comes; they trade places at each measurement
// instead of copying the last one into the previous.
struct ClassicSnapshots {
    bool motion_primed = false;
    uint8_t* motion_snapshot = nullptr;
    uint8_t* motion_snapshot_previous = nullptr;
    size_t snapshot_capacity = 0;
};

// Takes `frame` (width x height pixels of 4 bytes) as the new snapshot.  The
// first call only primes; a missing frame is no measurement.  True when
// *pcd was measured.  `weights` (one byte per pixel) or nullptr.
bool ClassicMeasure(ClassicSnapshots& snapshots, int width, int height, const uint8_t* frame,
                    const uint8_t* weights, float* pcd);

// After a measurement: per cell of `grid_width` x `grid_height` cells of
// `block` pixels, `mark` when at least half its pixels differed between the
// two snapshots, else 0.  What the tint shows of the classic measure.
void ClassicChangeMap(const ClassicSnapshots& snapshots, int width, int height, int block,
                      int grid_width, int grid_height, uint8_t mark, uint8_t* map);
