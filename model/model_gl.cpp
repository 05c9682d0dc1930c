// The program's studio model: loading at the rendering set-up and from the
// open-file dialog, and the per-pass draw with the walking rules.
#include <GL/gl.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "app/app_state.h"
#include "model/mdl_model.h"
#include "model/model.h"
#include "platform/clock.h"
#include "platform/dialogs.h"

namespace {

// Loads `path` into a fresh model; on success it replaces the current one.
bool ReplaceModel(const char* path, std::string* error) {
    MdlModel* model = new MdlModel;
    if (!model->Load(path, error)) {
        delete model;
        return false;
    }
    if (studio_model) {
        studio_model->DeleteSkinTextures();
        delete studio_model;
    }
    studio_model = model;
    studio_model->SelectSequence(kIdleSequence);
    model_load_failure[0] = '\0';
    return true;
}

}  // namespace

void LoadDefaultModel() {
    std::string error;
    if (ReplaceModel(app.model_file, &error)) return;
    if (error == model_load_failure) return;
    std::snprintf(model_load_failure, sizeof model_load_failure, "%s", error.c_str());
    std::printf("%s\n", error.c_str());
    std::fflush(stdout);
    if (studio_model) {
        ShowMessageBox(error.c_str(), "Error", MsgIcon::Error);
        return;
    }
    // The model is one effect among many: the program goes on without it.
    const std::string text = error + "\nLumora runs without a model; choose one under Cg Shader > Models.";
    ShowMessageBox(text.c_str(), "Error", MsgIcon::Error);
}

bool LoadChosenModel(const char* path) {
    std::string error;
    if (ReplaceModel(path, &error)) return true;
    ShowMessageBox(error.c_str(), "Error", MsgIcon::Error);
    return false;
}

void SelectModelSequence(int sequence) {
    if (studio_model) studio_model->SelectSequence(sequence);
}

void DrawModelInstance(float scale_x, float scale_y, float scale_z, float pos_x, float pos_y, float pos_z,
                       float rot_x, float rot_y, float rot_z, int slot, bool lit, float grey) {
    (void)slot;  // one model slot
    if (!studio_model) return;
    glPushMatrix();
    glFrontFace(GL_CCW);
    glCullFace(GL_FRONT_AND_BACK);
    glEnable(GL_CULL_FACE);
    glTranslatef(pos_x, pos_y, pos_z);
    glRotatef(rot_x, 1, 0, 0);
    glRotatef(rot_y, 0, 1, 0);
    glRotatef(rot_z, 0, 0, 1);
    glScalef(scale_x, scale_y, scale_z);

    const int sequence = ChooseDrawSequence(app.last_special_key, lit, app.model_position_mode, &model_glue.walking);
    if (sequence >= 0) studio_model->SelectSequence(sequence);

    // Elapsed time from the tick difference: exact across the counter's
    // wrap and never negative.
    const uint32_t now = GetTickCount();
    const int32_t elapsed_ms = static_cast<int32_t>(now - model_glue.last_draw_ticks);
    studio_model->StepAnimation(elapsed_ms > 0 ? static_cast<float>(elapsed_ms) / 1000.0f : 0.0f);
    studio_model->Render(lit, grey);
    model_glue.last_draw_ticks = now;

    glDisable(GL_CULL_FACE);
    glPopMatrix();
}
