// The program's studio model: loaded from app.model_file at every rendering
// set-up, drawn by the model-to-texture pass, steered by the special keys
// (app.last_special_key).
#pragma once

#include <cstdint>

class MdlModel;
// The loaded model; nullptr until the first successful load.
extern MdlModel* studio_model;

// Per-slot glue state of the model draw (the program uses slot 0 only).
struct ModelGlueState {
    int32_t walking = 0;               // 1 while a key-chosen movement sequence plays
    uint32_t last_draw_ticks = 0;      // GetTickCount() of the previous draw
};
extern ModelGlueState model_glue;

// Sequences the walking rules pick.
constexpr int kIdleSequence = 13;
constexpr int kWalkSequence = 0;
constexpr int kActionSequence = 7;

// Loads app.model_file and selects sequence 13.  A missing or broken file is
// reported in an "Error" box naming it (and on standard output) and the
// loaded model, if any, stays: without one the program runs on and the model
// effect shows the video alone.  The same failure again (a repeated
// rendering set-up) is not boxed a second time; the effect's notice says it.
void LoadDefaultModel();
// Why app.model_file could not be loaded ("Unable to open mdl/velisse.mdl");
// empty after a successful load.
constexpr int kModelFailureLength = 400;
extern char model_load_failure[kModelFailureLength];
// Loads a newly chosen file and selects sequence 13; on failure shows an
// "Error" box, keeps the previous model and returns false.
bool LoadChosenModel(const char* path);
// SelectSequence on the loaded model (Home / End keys); nothing without one.
void SelectModelSequence(int sequence);

// Sequence choice of one draw from the last special key (walking rules);
// returns the sequence to select or -1 for none, and updates `walking`.
int ChooseDrawSequence(int last_key, bool lit, bool position_mode, int32_t* walking);

// The per-pass entry point: places, animates and draws the model.  Leaves
// app.last_special_key to the caller, who uses it up.
void DrawModelInstance(float scale_x, float scale_y, float scale_z,
                       float pos_x, float pos_y, float pos_z,
                       float rot_x, float rot_y, float rot_z,
                       int slot, bool lit, float grey);
