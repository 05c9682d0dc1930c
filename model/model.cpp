// The model's rules without GL: the walking rules, the draw clock and what a
// failed load tells the user.
#include "model/model.h"

#include <cstdio>

ModelState model_state;

namespace {
constexpr int kKeyLeft = 100, kKeyDown = 103, kKeyInsert = 108;
}

int ChooseDrawSequence(int last_key, bool lit, bool position_mode, int32_t* walking) {
    if (!lit) return -1;
    if (last_key == 0) {
        if (*walking != 1) return -1;
        *walking = 0;
        return kIdleSequence;
    }
    const bool movement = last_key >= kKeyLeft && last_key <= kKeyDown;
    if ((movement || last_key == kKeyInsert) && *walking != 1 && !position_mode) {
        *walking = 1;
        return movement ? kWalkSequence : kActionSequence;
    }
    return -1;
}

float DrawElapsedSeconds(uint32_t now, uint32_t before) {
    const int32_t elapsed_ms = static_cast<int32_t>(now - before);
    return elapsed_ms > 0 ? static_cast<float>(elapsed_ms) / 1000.0f : 0.0f;
}

bool NoteModelLoadFailure(const std::string& error) {
    if (error == model_state.load_failure) return false;
    std::snprintf(model_state.load_failure, sizeof model_state.load_failure, "%s", error.c_str());
    return true;
}

std::string ModelFailureBoxText(const std::string& error, bool have_model) {
    if (have_model) return error;
    // The model is one effect among many: the program goes on without it.
    return error + "\nLumora runs without a model; choose one under Cg Shader > Models.";
}
