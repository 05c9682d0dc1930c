// Model-to-texture pass: renders the studio model and its soft shadow into
// texture slots 7 (scene) and 2 (shadow) for pixel program 16.
#pragma once

#include <cstdint>

struct ModelPassState {
    float light_position[4] = {0, 0, 64, 1};
    float model_pos_x = 0, model_pos_z = 0;
    float model_heading = -90;
    float scene_rotation_x = 0, scene_rotation_y = 0;
    float shadow_matrix[16] = {};
};
extern ModelPassState model_pass;

extern uint8_t scene_buffer[];   // 2048 x 2048 x 4, zero at start
extern uint8_t shadow_buffer[];  // 2048 x 2048 x 4, zero at start

void ModelToTexturePass(int width, int height, uint8_t* scene, uint8_t* shadow, bool position_mode);
