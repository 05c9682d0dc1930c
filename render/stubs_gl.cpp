// Placeholder until the renderer lands.
#include "render/frame_loop.h"
#include "render/model_pass.h"
#include "render/render.h"
#include "render/shader.h"

GLuint texture_table[kTextureCount];
float effect_grid[kGridSize][kGridSize][3];
const char kMaskFiles[kMaskCount][100] = {};
bool RenderingSetup() { return true; }
bool CreateTextures() { return true; }
bool LoadMaskTexture(int, int) { return true; }
void DeleteTextures() {}
void Reshape(int, int) {}

FrameLoopState frame_loop;
void FrameRoutine() {}
void ZoomStep(bool) {}
void CountFrame(time_t, int) {}

const char kVertexProgramFiles[kVertexProgramCount][200] = {};
const char kPixelProgramFiles[kPixelProgramCount][100] = {};
float shader_gamma = 0;
float shader_color = 0;
char cg_error_text[1024] = "";
bool LoadShaderPrograms() { return true; }
bool SetEffectParameters() { return true; }
void BeginShaderDrawing() {}
void EndShaderDrawing() {}
void SetWaveParameter(float, float, float) {}
bool ShaderProgramsMissing() { return false; }
void ReleaseShaderPrograms() {}

ModelPassState model_pass;
void ModelToTexturePass(int, int, uint8_t*, uint8_t*, bool) {}
