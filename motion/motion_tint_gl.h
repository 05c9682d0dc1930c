// The tint's drawing (GL): over the picture's quad of half-size `half`
// centred on (x, y), as the normal view draws the picture.  Nothing while
// the tint is off or before the detector has a grid.
#pragma once

void DrawMotionTint(float x, float y, float half);
