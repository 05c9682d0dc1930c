// The keys of the program, one row each; every other key is the console's.
#include "app/app.h"
#include "app/lifecycle.h"
#include "app/window.h"
#include "console/console.h"
#include "input/input.h"
#include "record/record.h"
#include "render/model_pass.h"
#include "render/view.h"

namespace {

struct KeyRow {
    int key;
    void (*press)();
};

enum ProgramKey : unsigned char { kKeyEscape = 27, kKeySpace = 32 };

const KeyRow kProgramKeys[] = {
    {kKeyEscape, [] { ExitSequence(); }},
    {kKeySpace, SwitchScreenMode},
};

const KeyRow kSpecialKeys[] = {
    {kKeyF11, SwitchSwapTransition},
    {kKeyF12, TakeScreenshot},
    {kKeyLeft, [] { MoveInScene(SceneMove::kLeft); }},
    {kKeyUp, [] { MoveInScene(SceneMove::kAway); }},
    {kKeyRight, [] { MoveInScene(SceneMove::kRight); }},
    {kKeyDown, [] { MoveInScene(SceneMove::kNear); }},
    {kKeyPageUp, [] { MoveInScene(SceneMove::kUp); }},
    {kKeyPageDown, [] { MoveInScene(SceneMove::kDown); }},
    {kKeyHome, NextModelSequence},
    {kKeyEnd, FirstModelSequence},
};

template <size_t N>
bool Press(const KeyRow (&rows)[N], int key) {
    for (const KeyRow& row : rows)
        if (row.key == key) {
            row.press();
            return true;
        }
    return false;
}

}  // namespace

void OnKey(unsigned char key, int x, int y) {
    if (!Press(kProgramKeys, key)) ConsoleKeyboard(key, x, y);
}

void OnSpecialKey(int key, int, int) {
    // The model draw reads the key last pressed (its walking rules).
    app.last_special_key = key;
    Press(kSpecialKeys, key);
}
