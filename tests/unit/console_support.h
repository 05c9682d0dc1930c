// Shared fixture of the console tests: fresh console and application state,
// typing helpers.
#pragma once

#include <gtest/gtest.h>

#include <string>

#include "app/app.h"
#include "console/console.h"
#include "render/frame_loop.h"
#include "support/fake_log.h"
#include "support/state_guard.h"

class ConsoleTestBase : public ::testing::Test {
protected:
    void SetUp() override {
        console = ConsoleState{};
        frame_loop = FrameLoopState{};
        ClearFakeCalls();
    }

    // Leaves the start-up paging: the console is then empty and editing.
    void StartEditing() {
        ConsoleStartup();
        Key(13);
        ConsoleClear();
    }
    static void Key(unsigned char key) { ConsoleKeyboard(key, 0, 0); }
    static void Type(const std::string& text) {
        for (unsigned char c : text) Key(c);
    }
    // Types `text` and presses Return.
    static void Run(const std::string& text) {
        Type(text);
        Key(13);
    }
    static std::string Line(int i) { return console.lines[i]; }
    static std::string Input() { return console.input; }

    ProgramStateGuard state_{ProgramStateGuard::kFresh};
};
