// One save and restore of the program's plain state for test fixtures: a
// test may change any of it, and the next test starts from what was there.
// With `fresh`, the application record starts from its initial values.
#pragma once

#include "app/app.h"
#include "console/console.h"
#include "input/input.h"
#include "overlay/overlay.h"
#include "render/frame_loop.h"
#include "render/model_pass.h"
#include "render/shader.h"

class ProgramStateGuard {
public:
    enum Start { kAsIs, kFresh };
    explicit ProgramStateGuard(Start start = kAsIs)
        : app_(app), input_(input), model_pass_(model_pass), frame_loop_(frame_loop),
          overlay_(overlay), console_(console), gamma_(render.shader_gamma), color_(render.shader_color) {
        if (start == kFresh) app = Application{};
    }
    ~ProgramStateGuard() {
        app = app_;
        input = input_;
        model_pass = model_pass_;
        frame_loop = frame_loop_;
        overlay = overlay_;
        console = console_;
        render.shader_gamma = gamma_;
        render.shader_color = color_;
    }
    ProgramStateGuard(const ProgramStateGuard&) = delete;
    ProgramStateGuard& operator=(const ProgramStateGuard&) = delete;

private:
    Application app_;
    InputState input_;
    ModelPassState model_pass_;
    FrameLoopState frame_loop_;
    OverlayState overlay_;
    ConsoleState console_;
    float gamma_, color_;
};
