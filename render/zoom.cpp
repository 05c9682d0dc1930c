#include "app/app_state.h"
#include "render/frame_loop.h"

void ZoomStep(bool advance) {
    if (advance) {
        if (app.zoom_scale == 1.0f) {
            app.zoom_on = true;
            app.zoom_scale = 2;
            app.zoom_factor = 2;
        } else {
            app.zoom_scale *= 2;
            app.zoom_factor *= 2;
        }
        app.zoom_pan_limit = 32 - 32 / app.zoom_scale;
        if (app.zoom_scale <= 8) return;
        app.zoom_shift_x = 0;
        app.zoom_shift_y = 0;
    }
    // Off (from 8x, or a reset): the shift handed to the shaders survives a
    // plain reset so an effect keeps its place across view changes.
    app.zoom_on = false;
    app.zoom_scale = 1;
    app.zoom_pan_limit = 0;
    app.zoom_pan_x = 0;
    app.zoom_pan_y = 0;
    app.zoom_factor = 0;
}
