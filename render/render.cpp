#include "render/render.h"

RenderState render;

void FillEffectGrid() {
    for (int i = 0; i < kGridSize; ++i)
        for (int j = 0; j < kGridSize; ++j) {
            render.effect_grid[i][j][0] = static_cast<float>(64 - i);
            render.effect_grid[i][j][1] = static_cast<float>(64 - j);
            render.effect_grid[i][j][2] = 0;
        }
}


const char kMaskFiles[kMaskCount][100] = {
    ".\\bmp\\mask1.bmp", ".\\bmp\\mask2.bmp", ".\\bmp\\mask3.bmp",
    ".\\bmp\\mask4.bmp", ".\\bmp\\mask5.bmp", ".\\bmp\\mask6.bmp",
    ".\\bmp\\mask7.bmp", ".\\bmp\\mask8.bmp", ".\\bmp\\mask9.bmp",
};
