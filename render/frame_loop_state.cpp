#include "render/frame_loop.h"
#include "render/render.h"

FrameLoopState frame_loop;

const char kMaskFiles[kMaskCount][100] = {
    ".\\bmp\\mask1.bmp", ".\\bmp\\mask2.bmp", ".\\bmp\\mask3.bmp",
    ".\\bmp\\mask4.bmp", ".\\bmp\\mask5.bmp", ".\\bmp\\mask6.bmp",
    ".\\bmp\\mask7.bmp", ".\\bmp\\mask8.bmp", ".\\bmp\\mask9.bmp",
};
