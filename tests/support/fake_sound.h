// Hook of the StartSound stand-in: tests look at the program state at the
// moment a sound starts.
#pragma once

#include <functional>

extern std::function<void(int id)> on_fake_start_sound;
