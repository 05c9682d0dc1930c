#include "render/shader.h"

const char kVertexProgramFiles[kVertexProgramCount][200] = {
    "cg/vertex/none.cg",     "cg/vertex/wave.cg",       "cg/vertex/wave_x.cg",
    "cg/vertex/wave_y.cg",   "cg/vertex/mosaik.cg",     "cg/vertex/rot_away.cg",
    "cg/vertex/rot_away_x.cg", "cg/vertex/rot_away_y.cg", "cg/vertex/tmp.cg",
};

const char kPixelProgramFiles[kPixelProgramCount][100] = {
    "cg/pixel/none.cg",
    "cg/pixel/rgb_gamma.cg",
    "cg/pixel/rgb_inverter.cg",
    "cg/pixel/rgb_grayscale.cg",
    "cg/pixel/rgb_blackwhite.cg",
    "cg/pixel/rgb_light_shadow.cg",
    "cg/pixel/rgb_haze_removal.cg",
    "cg/pixel/rgb_color_up.cg",
    "cg/pixel/showyou.cg",
    "cg/pixel/grayscale_motion.cg",
    "cg/pixel/motion_blur.cg",
    "cg/pixel/motion.cg",
    "cg/pixel/bmp_mask.cg",
    "cg/pixel/chromakey.cg",
    "cg/pixel/luminancekey.cg",
    "cg/pixel/edges_sobel.cg",
    "cg/pixel/render_models_to_texture.cg",
    "cg/pixel/tmp.cg",
};

float shader_gamma = 0;
float shader_color = 0;
char cg_error_text[1024] = "";
