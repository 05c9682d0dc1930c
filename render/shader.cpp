#include "render/shader.h"

#include "app/app.h"
#include "render/render.h"
#include "render/view.h"

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


namespace {
constexpr float kParameterStep = 0.1f;
}  // namespace

void SelectVertexProgram(int index) {
    if (index < 0 || index >= kVertexProgramCount) return;
    app.vertex_program_index = index;
    SetShaderView();
}

void SelectPixelProgram(int index) {
    if (index < 0 || index >= kPixelProgramCount) return;
    app.pixel_program_index = index;
    SetShaderView();
}

void SelectMask(int index) {
    if (index < 0 || index >= kMaskCount) return;
    app.mask_index = index;
    RenderingSetup();
    LoadShaderPrograms();
}

void StepShaderGamma(int direction) { render.shader_gamma += direction > 0 ? kParameterStep : -kParameterStep; }

void StepShaderColor(int direction) { render.shader_color += direction > 0 ? kParameterStep : -kParameterStep; }
