// Placeholder until the effect programs land.
#include "render/shader.h"

bool LoadShaderPrograms() { return true; }
bool SetEffectParameters() { return true; }
void BeginShaderDrawing() {}
void EndShaderDrawing() {}
void SetWaveParameter(float, float, float) {}
bool ShaderProgramsMissing() { return false; }
void ReleaseShaderPrograms() {}
