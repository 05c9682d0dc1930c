// The right-button popup menu tree and the open-file choosers.
#pragma once

#include <cstddef>

bool BuildMenus();
void ChooseModelFile(char* path, size_t capacity);
void ChooseAlarmFile(char* path, size_t capacity);
