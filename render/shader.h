// Shader effects: the vertex and pixel program tables, loading and compiling
// the chosen pair (GLSL 1.20 sources kept under their table paths), their
// named parameters, and switching them on and off around the effect grid.
#pragma once

#include <cstdint>

#include "render/render.h"

constexpr int kVertexProgramCount = 9;
constexpr int kPixelProgramCount = 18;
extern const char kVertexProgramFiles[kVertexProgramCount][200];
extern const char kPixelProgramFiles[kPixelProgramCount][100];

// The pass-through vertex program (index of kVertexProgramFiles): the
// picture is affine in the vertex, so the effect grid may be one quad.
enum VertexProgram : int32_t { kVertexNone = 0 };

// Effects the rest of the program treats apart (indices of kPixelProgramFiles).
enum PixelProgram : int32_t {
    kPixelMagnifier = 8,        // the one effect that zooms
    kPixelGreyscaleMotion = 9,  // these three read the frame history
    kPixelMotionBlur = 10,
    kPixelMotion = 11,
    kPixelBmpMask = 12,
    kPixelChromaKey = 13,
    kPixelLuminanceKey = 14,
    kPixelModels = 16,          // the studio model rendered into the picture
};


// False when the GL context offers no usable vertex or pixel profile, after
// an "ERROR" box naming the one missing.
bool ShaderProfilesSupported();
// The chosen pair, compiled and linked; false only when the profiles are
// missing.  A program that does not compile still gives true.  The shader
// view calls it when chosen, so a run that never shows it compiles nothing
// (Mesa keeps some 7 MiB once it has compiled a program).
bool LoadShaderPrograms();
bool SetEffectParameters();
void BeginShaderDrawing();
void EndShaderDrawing();
// The vertex attribute behind "IN.wave" for vertex arrays, or -1 when the
// current program has none.
int WaveAttributeLocation();
// True when either program of the last load is missing.
bool ShaderProgramsMissing();
// Shutdown: destroys the last programs.
void ReleaseShaderPrograms();

// The user's choices: a program of a table (shader view follows), a mask
// (textures made again, programs reloaded), and the gamma and colour
// parameters in steps of 0.1 (direction +1 or -1).
void SelectVertexProgram(int index);
void SelectPixelProgram(int index);
void SelectMask(int index);
void StepShaderGamma(int direction);
void StepShaderColor(int direction);
