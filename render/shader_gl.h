// Module state of the effect programs (render/shader_gl.cpp): the GL names
// of the last load and the locations of the named parameters.  Exposed for
// the tests; the rest of the program goes through render/shader.h.
#pragma once

#include <GL/gl.h>

constexpr int kScalarCount = 11;        // "gamma" .. "zoom"
constexpr int kTextureParamCount = 8;   // "Texture" .. "Texture8" on units 0 .. 7
constexpr GLuint kWaveAttribLocation = 6;  // "IN.wave" (declared IN_wave); never 0

// Owned by the shader module; every load releases and remakes it.
struct ShaderState {
    GLuint vertex_shader = 0;  // 0: the vertex program of the last load failed
    GLuint pixel_shader = 0;   // 0: the pixel program of the last load failed
    GLuint fallback_vertex = 0, fallback_pixel = 0;  // built-in pass-through partners
    GLuint program = 0;        // what the grid is drawn with
    GLint scalar[kScalarCount] = {-1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1};
    GLint texture[kTextureParamCount] = {-1, -1, -1, -1, -1, -1, -1, -1};
    GLint model_view_proj = -1;
    GLint wave = -1;
};
extern ShaderState shader_state;

// Whether the context offers a shader stage ("GL_ARB_vertex_shader" or
// "GL_ARB_fragment_shader"); tests stand in for a context that lacks one.
using ProfileProbe = bool (*)(const char* extension);
void SetProfileProbe(ProfileProbe probe);  // nullptr: ask the context

// True when the context compiles GLSL 1.20 vertex (fragment) shaders.
bool VertexProfileSupported();
bool PixelProfileSupported();
