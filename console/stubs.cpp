// Placeholder until the console lands.
#include "console/console.h"

ConsoleState console;
void ConsoleStartup() {}
void ConsoleKeyboard(unsigned char, int, int) {}
void ConsolePrint(const char*) {}
void ConsoleClear() {}
void ShowHelpPage(int) {}
void BeginHelpPaging() {}
void ExecuteCommand(int) {}
void SwitchScreenMode() {}
