// Recording stand-ins for the renderer's GL entry points
// (render/render_gl.cpp, render/shader_gl.cpp).
#include "render/render.h"
#include "render/shader.h"
#include "support/fake_log.h"

void RenderingSetup(SetupModel model) {
    LogFakeCall(model == SetupModel::kLoad ? "RenderingSetup" : "RenderingSetup keeping the model");
}

bool LoadShaderPrograms() {
    LogFakeCall("LoadShaderPrograms");
    return true;
}

void CreateTextures() { LogFakeCall("CreateTextures"); }
