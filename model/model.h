// The program's studio model: loaded from app.model_file at every rendering
// set-up, drawn by the model-to-texture pass, steered by the special keys
// (app.last_special_key).
#pragma once

#include <cstdint>
#include <string>

class MdlModel;

constexpr int kModelFailureLength = 400;

// Owned by model.cpp / model_gl.cpp; a successful load replaces the model and
// empties the failure, nothing resets the walking state.
struct ModelState {
    MdlModel* studio_model = nullptr;             // nullptr until the first successful load
    // Why app.model_file could not be loaded ("Unable to open
    // mdl/velisse.mdl"); empty after a successful load.
    char load_failure[kModelFailureLength] = "";
    int32_t walking = 0;                          // 1 while a key-chosen movement sequence plays
    uint32_t last_draw_ticks = 0;                 // GetTickCount() of the previous draw
};
extern ModelState model_state;

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
// A failed load of app.model_file: false when it is the failure already
// kept (not told again), else keeps it and returns true.
bool NoteModelLoadFailure(const std::string& error);
// The "Error" box text for it; without a model it adds how to go on.
std::string ModelFailureBoxText(const std::string& error, bool have_model);
// Loads a newly chosen file and selects sequence 13; on failure shows an
// "Error" box, keeps the previous model and returns false.
bool LoadChosenModel(const char* path);
// SelectSequence on the loaded model (Home / End keys); nothing without one.
void SelectModelSequence(int sequence);

// Sequence choice of one draw from the last special key (walking rules);
// returns the sequence to select or -1 for none, and updates `walking`.
int ChooseDrawSequence(int last_key, bool lit, bool position_mode, int32_t* walking);
// Animation time between two draws from their GetTickCount() readings: exact
// across the counter's wrap, never negative.
float DrawElapsedSeconds(uint32_t now, uint32_t before);

// The per-pass entry point: places, animates and draws the model.  Leaves
// app.last_special_key to the caller, who uses it up.
void DrawModelInstance(float scale_x, float scale_y, float scale_z,
                       float pos_x, float pos_y, float pos_z,
                       float rot_x, float rot_y, float rot_z,
                       int slot, bool lit, float grey);
