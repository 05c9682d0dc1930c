#include "render/model_pass.h"

#include <cstring>

#include "app/app.h"
#include "model/model.h"
#include "platform/dialogs.h"
#include "render/render.h"

ModelPassState model_pass;

alignas(16) uint8_t scene_buffer[kModelPassBufferSide * kModelPassBufferSide * 4];
alignas(16) uint8_t shadow_buffer[kModelPassBufferSide * kModelPassBufferSide * 4];

const float floor_quad[4][6] = {
    {0, 1, 0, 64, -64, -64},
    {0, 1, 0, -64, -64, -64},
    {0, 1, 0, -64, -64, 64},
    {0, 1, 0, 64, -64, 64},
};

void FloorPlane(const float p0[3], const float p1[3], const float p2[3], float plane[4]) {
    const float u[3] = {p1[0] - p0[0], p1[1] - p0[1], p1[2] - p0[2]};
    const float v[3] = {p2[0] - p0[0], p2[1] - p0[1], p2[2] - p0[2]};
    plane[0] = u[1] * v[2] - u[2] * v[1];
    plane[1] = u[2] * v[0] - u[0] * v[2];
    plane[2] = u[0] * v[1] - u[1] * v[0];
    plane[3] = -(plane[0] * p0[0] + plane[1] * p0[1] + plane[2] * p0[2]);
}

void ShadowMatrix(const float light[4], const float plane[4], float matrix[16]) {
    const float dot = plane[0] * light[0] + plane[1] * light[1] + plane[2] * light[2] + plane[3] * light[3];
    for (int c = 0; c < 4; ++c)
        for (int r = 0; r < 4; ++r) matrix[c * 4 + r] = (r == c ? dot : 0.0f) - light[r] * plane[c];
}

int ReadBackSide(int window_side) {
    if (window_side < 0) return 0;
    return window_side < kModelPassBufferSide ? window_side : kModelPassBufferSide;
}

bool ChooseModelFile(char* path, size_t capacity) {
    return ChooseFileInto("Open Half-Life Model File", {"Half-Life Model Files (.mdl)", "*.mdl"},
                          path, capacity);
}

void ChooseModel() {
    // After Cancel the set-up loads the current file as always.
    char previous[kPathLength];
    std::memcpy(previous, app.model_file, sizeof previous);
    if (!ChooseModelFile(app.model_file, sizeof app.model_file)) {
        RenderingSetup();
        return;
    }
    if (!LoadChosenModel(app.model_file)) std::memcpy(app.model_file, previous, sizeof previous);
    RenderingSetup(SetupModel::kKeep);
}

void SwitchModelPositionMode() { app.model_position_mode = !app.model_position_mode; }

namespace {

enum Axis { kAxisX, kAxisY, kAxisZ };

void MoveLight(Axis axis, float delta) { model_pass.light_position[axis] += delta; }

void Walk(float heading, float* position, float delta) {
    model_pass.model_heading = heading;
    *position += delta;
}

}  // namespace

void MoveInScene(SceneMove move) {
    const bool light = app.model_position_mode;
    switch (move) {
        case SceneMove::kLeft: light ? MoveLight(kAxisX, -1) : Walk(180, &model_pass.model_pos_x, -1); break;
        case SceneMove::kRight: light ? MoveLight(kAxisX, 1) : Walk(0, &model_pass.model_pos_x, 1); break;
        case SceneMove::kAway: light ? MoveLight(kAxisZ, -1) : Walk(90, &model_pass.model_pos_z, -1); break;
        case SceneMove::kNear: light ? MoveLight(kAxisZ, 1) : Walk(-90, &model_pass.model_pos_z, 1); break;
        case SceneMove::kUp: if (light) MoveLight(kAxisY, 1); break;
        case SceneMove::kDown: if (light) MoveLight(kAxisY, -1); break;
    }
}

void NextModelSequence() {
    model_pass.model_sequence += 1;
    SelectModelSequence(model_pass.model_sequence);
}

void FirstModelSequence() {
    model_pass.model_sequence = 1;
    SelectModelSequence(1);
}
