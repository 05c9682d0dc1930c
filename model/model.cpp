#include "model/model.h"

MdlModel* studio_model = nullptr;
char model_load_failure[kModelFailureLength] = "";
ModelGlueState model_glue;

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
