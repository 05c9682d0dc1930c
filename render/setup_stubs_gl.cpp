// Placeholder until the renderer lands.
#include "render/frame_loop.h"
#include "render/render.h"

GLuint texture_table[kTextureCount];
float effect_grid[kGridSize][kGridSize][3];
bool RenderingSetup() { return true; }
bool CreateTextures() { return true; }
bool LoadMaskTexture(int, int) { return true; }
void DeleteTextures() {}
void Reshape(int, int) {}

void FrameRoutine() {}
void ZoomStep(bool) {}
void CountFrame(time_t, int) {}
