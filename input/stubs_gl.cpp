// Placeholder until input and menus land.
#include "input/input.h"
#include "input/menus.h"

void OnMouseButton(int, int, int, int) {}
void OnMouseDrag(int, int) {}
void OnSpecialKey(int, int, int) {}
void RunButtonAction(int) {}
void SwitchSplitScreen() {}
void SwitchImageSwap() {}
bool BuildMenus() { return true; }
void ChooseModelFile(char*, size_t) {}
void ChooseAlarmFile(char*, size_t) {}
