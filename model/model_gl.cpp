// The program's studio model: loading at the rendering set-up and from the
// open-file dialog, and the per-pass draw with the walking rules.
#include <GL/gl.h>

#include <cstdio>
#include <string>

#include "app/app.h"
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
    if (model_state.studio_model) {
        model_state.studio_model->DeleteSkinTextures();
        delete model_state.studio_model;
    }
    model_state.studio_model = model;
    model->SelectSequence(kIdleSequence);
    model_state.load_failure[0] = '\0';
    return true;
}

}  // namespace

void LoadDefaultModel() {
    std::string error;
    if (ReplaceModel(app.model_file, &error)) return;
    if (!NoteModelLoadFailure(error)) return;
    std::printf("%s\n", error.c_str());
    std::fflush(stdout);
    const std::string text = ModelFailureBoxText(error, model_state.studio_model != nullptr);
    ShowMessageBox(text.c_str(), "Error", MsgIcon::Error);
}

bool LoadChosenModel(const char* path) {
    std::string error;
    if (ReplaceModel(path, &error)) return true;
    ShowMessageBox(error.c_str(), "Error", MsgIcon::Error);
    return false;
}

void SelectModelSequence(int sequence) {
    if (MdlModel* model = model_state.studio_model) model->SelectSequence(sequence);
}

void DrawModelInstance(float scale_x, float scale_y, float scale_z, float pos_x, float pos_y, float pos_z,
                       float rot_x, float rot_y, float rot_z, int slot, bool lit, float grey) {
    (void)slot;  // one model slot
    MdlModel* model = model_state.studio_model;
    if (!model) return;
    glPushMatrix();
    glFrontFace(GL_CCW);
    glCullFace(GL_FRONT_AND_BACK);
    glEnable(GL_CULL_FACE);
    glTranslatef(pos_x, pos_y, pos_z);
    glRotatef(rot_x, 1, 0, 0);
    glRotatef(rot_y, 0, 1, 0);
    glRotatef(rot_z, 0, 0, 1);
    glScalef(scale_x, scale_y, scale_z);

    const int sequence = ChooseDrawSequence(app.last_special_key, lit, app.model_position_mode, &model_state.walking);
    if (sequence >= 0) model->SelectSequence(sequence);

    const uint32_t now = GetTickCount();
    model->StepAnimation(DrawElapsedSeconds(now, model_state.last_draw_ticks));
    model->Render(lit, grey);
    model_state.last_draw_ticks = now;

    glDisable(GL_CULL_FACE);
    glPopMatrix();
}
