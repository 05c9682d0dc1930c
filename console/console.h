// The console: 25 lines of 100 characters (line 0 the newest), a 50-character
// input line, two-page help paging, the keyboard handler and the 31 commands.
#pragma once

#include <cstdint>

constexpr int kConsoleLines = 25;
constexpr int kConsoleLineLength = 100;
constexpr int kInputLength = 50;
constexpr int kCommandCount = 31;

struct ConsoleState {
    char lines[kConsoleLines][kConsoleLineLength] = {};
    char input[kInputLength + 30] = "";
    int32_t console_input_length = 0;
    bool help_paging = false;
    int32_t help_page = 1;
    int32_t help_page_count = 0;
};
extern ConsoleState console;

void ConsoleStartup();
void ConsoleKeyboard(unsigned char key, int x, int y);
void ConsolePrint(const char* text);
void ConsoleClear();
void ShowHelpPage(int page);
void BeginHelpPaging();
void ExecuteCommand(int index);
void SwitchScreenMode();
