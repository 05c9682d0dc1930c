// Shader effects: the vertex and pixel program tables, loading and compiling
// the chosen pair (GLSL 1.20 sources kept under their table paths), their
// named parameters, and switching them on and off around the effect grid.
#pragma once

constexpr int kVertexProgramCount = 9;
constexpr int kPixelProgramCount = 18;
extern const char kVertexProgramFiles[kVertexProgramCount][200];
extern const char kPixelProgramFiles[kPixelProgramCount][100];

extern float shader_gamma;
extern float shader_color;
extern char cg_error_text[1024];  // "VERTEX: ..." / "PIXEL: ..."; never cleared

// False only when the GL context offers no usable vertex or pixel profile
// (after the "ERROR" box).  A program that does not compile still gives true.
bool LoadShaderPrograms();
bool SetEffectParameters();
void BeginShaderDrawing();
void EndShaderDrawing();
void SetWaveParameter(float x, float y, float z);
// The vertex attribute behind "IN.wave" for vertex arrays, or -1 when the
// current program has none.
int WaveAttributeLocation();
// True when either program of the last load is missing.
bool ShaderProgramsMissing();
// Shutdown: destroys the last programs.
void ReleaseShaderPrograms();
