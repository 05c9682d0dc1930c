// Placeholder until the effect programs land.
#include "render/shader.h"

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
