// The right-button popup menu tree, its handlers and the open-file choosers.
//
// BuildMenus (GLUT) creates the whole tree and attaches it to the right
// button; the gamma and colour entries rebuild it so their labels show the
// new value.  The handlers are plain logic over the application state.
#pragma once

#include <cstddef>

bool BuildMenus();

// Shows the chooser starting at `path`; writes the chosen file into `path`
// (capacity bytes) only when one was chosen.  True when it was.
bool ChooseModelFile(char* path, size_t capacity);
bool ChooseAlarmFile(char* path, size_t capacity);

// Submenu labels that show a value: "Gamma (%.2f)", "Color (%.2f)".
void FormatGammaLabel(char* out, size_t capacity);
void FormatColorLabel(char* out, size_t capacity);

// One handler per menu; the value is the entry's, out-of-range values do nothing.
void HandleVertexProgramMenu(int value);
void HandlePixelProgramMenu(int value);
void HandleMaskMenu(int value);
void HandleGammaMenu(int value);
void HandleColorMenu(int value);
void HandleModelsMenu(int value);
void HandleShaderMenu(int value);
void HandleStatisticModeMenu(int value);
void HandleColorSchemaMenu(int value);
void HandleButtonsMenu(int value);
void HandleBackplateMenu(int value);
void HandleMotionIntervalMenu(int value);
void HandleMotionRecordTimerMenu(int value);
void HandlePrimaryDeviceMenu(int value);
void HandleSecondaryDeviceMenu(int value);
void HandleViewModeMenu(int value);
void HandleMotionMenu(int value);
void HandleRecordMenu(int value);
void HandleOptionsMenu(int value);
void HandleMainMenu(int value);
