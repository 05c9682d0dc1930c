// Effect programs on GLSL 1.20: our layer where the program once used the Cg
// runtime.  A "profile" is what the context offers: GLSL 1.20 vertex and
// fragment shaders.  Each load compiles the vertex and the pixel program
// chosen by the indexes into one program object.  A side that fails to
// compile keeps an empty handle and is replaced by a built-in pass-through
// partner, so the other side still runs and the picture still draws.
#include <GL/gl.h>
#include <GL/glext.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "app/app.h"
#include "platform/dialogs.h"
#include "platform/files.h"
#include "render/frame_loop.h"
#include "render/render.h"
#include "render/shader.h"
#include "render/shader_gl.h"

ShaderState shader_state;

namespace {

// The built-in partners: the plain picture, zoomed like the normal view.
const char kPassThroughVertex[] = R"(#version 120
uniform mat4 ModelViewProj;
uniform float texw, texh, zoom, mousex, mousey;
void main() {
    vec2 extent = vec2(texw, texh);
    vec2 shift = vec2(mousex, -mousey) * step(1.5, zoom);
    vec2 tc = gl_MultiTexCoord0.st / max(zoom, 1.0) + 0.5 * extent + shift;
    gl_TexCoord[0] = vec4(tc, 0.0, 1.0);
    gl_Position = ModelViewProj * vec4(gl_Vertex.xy * 2.0, gl_Vertex.z, 1.0);
}
)";

const char kPassThroughPixel[] = R"(#version 120
uniform sampler2D Texture;
void main() { gl_FragColor = vec4(texture2D(Texture, gl_TexCoord[0].st).rgb, 1.0); }
)";

const char* const kScalarNames[kScalarCount] = {
    "gamma", "color", "texw", "texh", "bmpw", "bmph",
    "reshapew", "reshapeh", "mousex", "mousey", "zoom",
};
const char* const kTextureNames[kTextureParamCount] = {
    "Texture", "Texture2", "Texture3", "Texture4", "Texture5", "Texture6", "Texture7", "Texture8",
};

bool ReadSource(const char* path, std::string& source) {
    std::vector<uint8_t> bytes;
    if (!ReadWholeFile(path, &bytes)) return false;
    source.assign(bytes.begin(), bytes.end());
    return true;
}

// The compiler's log on one line: the notice is drawn as a single line.
std::string OneLine(std::string text) {
    for (char& c : text)
        if (c == '\n' || c == '\r' || c == '\t') c = ' ';
    while (!text.empty() && text.back() == ' ') text.pop_back();
    return text;
}

std::string ShaderLog(GLuint shader) {
    GLint length = 0;
    glGetShaderiv(shader, GL_INFO_LOG_LENGTH, &length);
    std::string log(length > 0 ? length : 0, '\0');
    if (length > 0) glGetShaderInfoLog(shader, length, nullptr, log.data());
    log.resize(std::strlen(log.c_str()));
    return log.empty() ? "compile error" : log;
}

std::string ProgramLog(GLuint program) {
    GLint length = 0;
    glGetProgramiv(program, GL_INFO_LOG_LENGTH, &length);
    std::string log(length > 0 ? length : 0, '\0');
    if (length > 0) glGetProgramInfoLog(program, length, nullptr, log.data());
    log.resize(std::strlen(log.c_str()));
    return log.empty() ? "link error" : log;
}

// A compiled shader, or 0 with the reason in `error`.
GLuint CompileShader(GLenum type, const std::string& source, std::string& error) {
    GLuint shader = glCreateShader(type);
    const char* text = source.c_str();
    glShaderSource(shader, 1, &text, nullptr);
    glCompileShader(shader);
    GLint ok = GL_FALSE;
    glGetShaderiv(shader, GL_COMPILE_STATUS, &ok);
    if (ok) return shader;
    error = ShaderLog(shader);
    glDeleteShader(shader);
    return 0;
}

GLuint CompileFile(GLenum type, const char* path, std::string& error) {
    std::string source;
    if (!ReadSource(path, source)) {
        error = std::string("The file could not be read: ") + path;
        return 0;
    }
    return CompileShader(type, source, error);
}

// A linked program of the two shaders, or 0 with the reason in `error`.
GLuint LinkProgram(GLuint vertex, GLuint pixel, std::string& error) {
    GLuint program = glCreateProgram();
    glAttachShader(program, vertex);
    glAttachShader(program, pixel);
    // Before linking: setting attribute 0 inside glBegin would emit a vertex.
    glBindAttribLocation(program, kWaveAttribLocation, "IN_wave");
    glLinkProgram(program);
    GLint ok = GL_FALSE;
    glGetProgramiv(program, GL_LINK_STATUS, &ok);
    if (ok) return program;
    error = ProgramLog(program);
    glDeleteProgram(program);
    return 0;
}

void SetError(const char* side, const std::string& message) {
    std::snprintf(render.cg_error_text, sizeof render.cg_error_text, "%s %s", side, OneLine(message).c_str());
}

void DeleteShader(GLuint& shader) {
    if (shader) glDeleteShader(shader);
    shader = 0;
}

// Finds the parameter locations of the linked program; the samplers get
// their fixed units once here.
void FetchParameters() {
    ShaderState& s = shader_state;
    GLint previous = 0;
    glGetIntegerv(GL_CURRENT_PROGRAM, &previous);
    glUseProgram(s.program);
    for (int i = 0; i < kScalarCount; ++i) s.scalar[i] = glGetUniformLocation(s.program, kScalarNames[i]);
    for (int i = 0; i < kTextureParamCount; ++i) {
        s.texture[i] = glGetUniformLocation(s.program, kTextureNames[i]);
        if (s.texture[i] >= 0) glUniform1i(s.texture[i], i);
    }
    s.model_view_proj = glGetUniformLocation(s.program, "ModelViewProj");
    s.wave = glGetAttribLocation(s.program, "IN_wave");
    glUseProgram(previous);
}

// The texture objects behind "Texture" .. "Texture8", unit i for parameter i.
void TexturesForUnits(GLuint out[kTextureParamCount]) {
    out[0] = render.texture_table[CameraSlot(app.current_camera)];
    out[1] = render.texture_table[kSlotMask];
    out[2] = render.texture_table[kSlotHistoryFirst];
    out[3] = render.texture_table[kSlotHistoryFirst + 1];
    out[4] = render.texture_table[kSlotHistoryLast];
    out[5] = render.texture_table[kSlotModelScene];
    out[6] = render.texture_table[kSlotSecondaryCamera];
    out[7] = render.texture_table[kSlotModelShadow];
}

void MultiplyColumnMajor(const float a[16], const float b[16], float out[16]) {
    for (int c = 0; c < 4; ++c)
        for (int r = 0; r < 4; ++r) {
            float sum = 0;
            for (int k = 0; k < 4; ++k) sum += a[k * 4 + r] * b[c * 4 + k];
            out[c * 4 + r] = sum;
        }
}

}  // namespace

namespace {

// Only asked of 2.0 contexts, which list their extensions in one string.
bool HasExtension(const char* name) {
    const char* list = reinterpret_cast<const char*>(glGetString(GL_EXTENSIONS));
    const size_t length = std::strlen(name);
    for (const char* at = list; at && (at = std::strstr(at, name)) != nullptr; at += length)
        if ((at == list || at[-1] == ' ') && (at[length] == ' ' || at[length] == '\0')) return true;
    return false;
}

// GLSL 1.20 in the core of the context (2.1 and later), or the ARB shader
// extensions of an older one.
bool ProfileSupported(const char* extension) {
    const char* version = reinterpret_cast<const char*>(glGetString(GL_VERSION));
    const char* glsl = reinterpret_cast<const char*>(glGetString(GL_SHADING_LANGUAGE_VERSION));
    int major = 0, minor = 0, glsl_major = 0, glsl_minor = 0;
    if (!version || std::sscanf(version, "%d.%d", &major, &minor) != 2) return false;
    if (!glsl || std::sscanf(glsl, "%d.%d", &glsl_major, &glsl_minor) != 2) return false;
    if (glsl_major == 1 && glsl_minor < 20) return false;
    return major > 2 || (major == 2 && minor >= 1) || (major == 2 && HasExtension(extension));
}

}  // namespace

namespace {
ProfileProbe g_profile_probe = ProfileSupported;
}  // namespace

void SetProfileProbe(ProfileProbe probe) { g_profile_probe = probe ? probe : ProfileSupported; }

bool VertexProfileSupported() { return g_profile_probe("GL_ARB_vertex_shader"); }

bool PixelProfileSupported() { return g_profile_probe("GL_ARB_fragment_shader"); }

// Both stages or an "ERROR" box naming the one missing.
bool ShaderProfilesSupported() {
    if (!VertexProfileSupported()) {
        ShowMessageBox("Failed to initialize vertex shader! Hardware doesn't support any of the "
                       "required vertex shading extensions!",
                       "ERROR", MsgIcon::Warning);
        return false;
    }
    if (!PixelProfileSupported()) {
        ShowMessageBox("Failed to initialize pixel shader! Hardware doesn't support any of the "
                       "pixel shading extensions!",
                       "ERROR", MsgIcon::Warning);
        return false;
    }
    return true;
}

namespace {

// The chosen pair (index out of range: the first of its table) and the
// pass-through partners.
void CompileChosenPair(std::string& error) {
    ShaderState& s = shader_state;
    int vertex_index = app.vertex_program_index;
    int pixel_index = app.pixel_program_index;
    if (vertex_index < 0 || vertex_index >= kVertexProgramCount) vertex_index = 0;
    if (pixel_index < 0 || pixel_index >= kPixelProgramCount) pixel_index = 0;
    s.vertex_shader = CompileFile(GL_VERTEX_SHADER, kVertexProgramFiles[vertex_index], error);
    if (!s.vertex_shader) SetError("VERTEX:", error);
    s.pixel_shader = CompileFile(GL_FRAGMENT_SHADER, kPixelProgramFiles[pixel_index], error);
    if (!s.pixel_shader) SetError("PIXEL:", error);

    // The partners stand in for a failed side and help find a side at fault.
    std::string ignored;
    s.fallback_vertex = CompileShader(GL_VERTEX_SHADER, kPassThroughVertex, ignored);
    s.fallback_pixel = CompileShader(GL_FRAGMENT_SHADER, kPassThroughPixel, ignored);
}

// Links the pair; a side that keeps it from linking is named in the error
// text and replaced by its pass-through partner.
void LinkWithFallbacks(std::string& error) {
    ShaderState& s = shader_state;
    GLuint vertex = s.vertex_shader ? s.vertex_shader : s.fallback_vertex;
    GLuint pixel = s.pixel_shader ? s.pixel_shader : s.fallback_pixel;
    s.program = LinkProgram(vertex, pixel, error);
    if (!s.program && s.vertex_shader && s.pixel_shader) {
        // Both compiled but do not link together: find the side at fault.
        std::string vertex_error;
        GLuint probe = LinkProgram(s.vertex_shader, s.fallback_pixel, vertex_error);
        if (probe) {
            glDeleteProgram(probe);
            SetError("PIXEL:", error);
            DeleteShader(s.pixel_shader);
        } else {
            SetError("VERTEX:", vertex_error);
            DeleteShader(s.vertex_shader);
        }
        s.program = LinkProgram(s.vertex_shader ? s.vertex_shader : s.fallback_vertex,
                                s.pixel_shader ? s.pixel_shader : s.fallback_pixel, error);
    } else if (!s.program) {
        // The good side does not link with its partner either: it is broken too.
        if (s.vertex_shader) {
            SetError("VERTEX:", error);
            DeleteShader(s.vertex_shader);
        } else if (s.pixel_shader) {
            SetError("PIXEL:", error);
            DeleteShader(s.pixel_shader);
        }
        s.program = LinkProgram(s.fallback_vertex, s.fallback_pixel, error);
    }
}

}  // namespace

bool LoadShaderPrograms() {
    if (!ShaderProfilesSupported()) return false;
    ReleaseShaderPrograms();
    std::string error;
    CompileChosenPair(error);
    LinkWithFallbacks(error);
    if (shader_state.program) FetchParameters();
    return true;
}

bool SetEffectParameters() {
    ShaderState& s = shader_state;
    if (!s.program) return true;
    const float values[kScalarCount] = {
        render.shader_gamma,
        render.shader_color,
        frame_loop.texture_extent_s,
        frame_loop.texture_extent_t,
        frame_loop.shader_texel_x,
        frame_loop.shader_texel_y,
        frame_loop.shader_window_ratio_x,
        frame_loop.shader_window_ratio_y,
        app.zoom_shift_x,
        app.zoom_shift_y,
        app.zoom_scale,
    };
    GLint previous = 0;
    glGetIntegerv(GL_CURRENT_PROGRAM, &previous);
    glUseProgram(s.program);
    for (int i = 0; i < kScalarCount; ++i)
        if (s.scalar[i] >= 0) glUniform1f(s.scalar[i], values[i]);
    if (s.model_view_proj >= 0) {
        float projection[16], modelview[16], product[16];
        glGetFloatv(GL_PROJECTION_MATRIX, projection);
        glGetFloatv(GL_MODELVIEW_MATRIX, modelview);
        MultiplyColumnMajor(projection, modelview, product);
        glUniformMatrix4fv(s.model_view_proj, 1, GL_FALSE, product);
    }
    glUseProgram(previous);
    return true;
}

void BeginShaderDrawing() {
    ShaderState& s = shader_state;
    if (!s.program) return;
    glUseProgram(s.program);
    GLuint textures[kTextureParamCount];
    TexturesForUnits(textures);
    for (int i = kTextureParamCount - 1; i >= 0; --i) {
        glActiveTexture(GL_TEXTURE0 + i);
        glBindTexture(GL_TEXTURE_2D, textures[i]);
    }
    // Unit 0 is active again and holds the current camera, as before.
}

void EndShaderDrawing() {
    ShaderState& s = shader_state;
    if (!s.program) return;
    for (int i = 1; i < kTextureParamCount; ++i) {
        glActiveTexture(GL_TEXTURE0 + i);
        glBindTexture(GL_TEXTURE_2D, 0);
    }
    glActiveTexture(GL_TEXTURE0);
    glUseProgram(0);
}

int WaveAttributeLocation() { return shader_state.program && shader_state.wave >= 0 ? shader_state.wave : -1; }

bool ShaderProgramsMissing() { return !shader_state.vertex_shader || !shader_state.pixel_shader; }

void ReleaseShaderPrograms() {
    ShaderState& s = shader_state;
    if (s.program) glDeleteProgram(s.program);
    DeleteShader(s.vertex_shader);
    DeleteShader(s.pixel_shader);
    DeleteShader(s.fallback_vertex);
    DeleteShader(s.fallback_pixel);
    s = ShaderState{};
}
