// Model-to-texture pass: renders the studio model and its soft shadow into
// texture slots 7 (scene) and 2 (shadow) for pixel program 16.  Both images
// sit in the lower-left window-sized corner of their 2048-square textures;
// a window larger than 2048 in either direction reads back 2048 at most.
#pragma once

#include <cstdint>

constexpr int kModelPassBufferSide = 2048;

struct ModelPassState {
    float light_position[4] = {0, 0, 64, 1};
    float model_pos_x = 0, model_pos_z = 0;
    float model_heading = -90;
    float scene_rotation_x = 0, scene_rotation_y = 0;
    float shadow_matrix[16] = {};
};
extern ModelPassState model_pass;

// Model placement constants.
constexpr float kModelHeight = -64;
constexpr float kModelTilt = -90;

// The floor quad: per vertex a normal then a position (three floats each).
extern const float floor_quad[4][6];

extern uint8_t scene_buffer[];   // 2048 x 2048 x 4, zero at start
extern uint8_t shadow_buffer[];  // 2048 x 2048 x 4, zero at start

void ModelToTexturePass(int width, int height, uint8_t* scene, uint8_t* shadow, bool position_mode);

// Plane a, b, c, d through three points (normal not normalised).
void FloorPlane(const float p0[3], const float p1[3], const float p2[3], float plane[4]);
// Projection from `light` onto `plane`, column by column for glMultMatrixf.
void ShadowMatrix(const float light[4], const float plane[4], float matrix[16]);
// Read-back size of one side: the window's, at most 2048, never negative.
int ReadBackSide(int window_side);
