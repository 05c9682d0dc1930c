#include "render/frame_loop.h"
#include "render/render.h"

FrameLoopState frame_loop;

GLuint texture_table[kTextureCount];
float effect_grid[kGridSize][kGridSize][3];

void FillEffectGrid() {
    for (int i = 0; i < kGridSize; ++i)
        for (int j = 0; j < kGridSize; ++j) {
            effect_grid[i][j][0] = static_cast<float>(64 - i);
            effect_grid[i][j][1] = static_cast<float>(64 - j);
            effect_grid[i][j][2] = 0;
        }
}

char mask_load_failure[kMaskFailureLength] = "";

const char kMaskFiles[kMaskCount][100] = {
    ".\\bmp\\mask1.bmp", ".\\bmp\\mask2.bmp", ".\\bmp\\mask3.bmp",
    ".\\bmp\\mask4.bmp", ".\\bmp\\mask5.bmp", ".\\bmp\\mask6.bmp",
    ".\\bmp\\mask7.bmp", ".\\bmp\\mask8.bmp", ".\\bmp\\mask9.bmp",
};
