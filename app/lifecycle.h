// Program lifecycle: start-up order (main), the shutdown routine and the
// exit sequence.  The exit sequence is the only way out that saves the
// settings and closes recordings; Escape, the "exit" command, the menu, the
// window manager's close button and SIGINT/SIGTERM all lead to it.
#pragma once

// Saves the settings, closes recordings, deletes the textures and the
// effect programs.  Called only by ExitSequence.
void ShutdownRoutine();

// Shutdown, then stops, releases and destroys the capture sources and ends
// the process with status 0.  Does not return.
[[noreturn]] void ExitSequence();
