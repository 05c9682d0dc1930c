// Model-to-texture pass: renders the studio model and its soft shadow into
// the model scene and model shadow textures for the models effect.  Also the
// user's operations on the model scene: choosing the model, moving it or
// the light, and its animation sequence.  Both images
// sit in the lower-left window-sized corner of their 2048-square textures;
// a window larger than 2048 in either direction reads back 2048 at most.
// The pass draws in the current viewport: the frame routine gives it the
// picture's rectangle, so the model lands where the effect draws the video.
#pragma once

#include <cstddef>
#include <cstdint>

constexpr int kModelPassBufferSide = 2048;

// Owned here; set by the user's operations, reset only with the program.
struct ModelPassState {
    float light_position[4] = {0, 0, 64, 1};
    float model_pos_x = 0, model_pos_z = 0;
    float model_heading = -90;
    float scene_rotation_x = 0, scene_rotation_y = 0;
    float shadow_matrix[16] = {};
    int32_t model_sequence = 1;  // asked of the model by Home / End
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

// The model chooser: writes a chosen .mdl into `path` (capacity bytes).
bool ChooseModelFile(char* path, size_t capacity);
// The chooser on model_file; a chosen model is read once and replaces the
// current one (one that does not load is reported and the previous stays),
// then the rendering set-up runs as after any model change.
void ChooseModel();
void SwitchModelPositionMode();

// The arrow keys walk the model (turning it the way it walks), or move the
// light in model position mode; Page Up / Down raise and lower the light.
enum class SceneMove { kLeft, kRight, kAway, kNear, kUp, kDown };
void MoveInScene(SceneMove move);
// Home: the next animation sequence; End: back to the first.
void NextModelSequence();
void FirstModelSequence();
