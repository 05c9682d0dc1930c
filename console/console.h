// The console: 25 lines of 100 characters (line 0 the newest, drawn lowest),
// a 50-character input line, two-page help paging, the keyboard handler and
// the 31 commands.
//
// Every line holds at most 99 characters and a NUL; longer text is cut.
// Typed text is only ever an argument of a format, never a format itself.
// Escape ends the program (ExitSequence), Space switches the screen mode;
// neither can be typed.  All of it runs on the GLUT thread.
#pragma once

#include <cstdint>

constexpr int kConsoleLines = 25;
constexpr int kConsoleLineLength = 100;  // 99 characters and a NUL
constexpr int kInputLength = 50;
constexpr int kCommandCount = 31;
constexpr int kHelpLinesPerPage = 25;
constexpr int kHelpTextCount = 38;       // texts in the help table
constexpr int kHelpTableSize = 50;       // padded with empty lines to two full pages

struct ConsoleState {
    char lines[kConsoleLines][kConsoleLineLength] = {};
    // The typed text, or the prompt "press return to continue!" while paging.
    char input[kInputLength + 1] = "";
    int32_t console_input_length = 0;  // typed characters; 0 while the prompt shows
    bool help_paging = false;
    int32_t help_page = 1;             // the help page shown last, from 1
    int32_t help_page_count = 0;       // 2, set by ConsoleStartup
};
extern ConsoleState console;

extern const char kHelpLines[kHelpTableSize][kConsoleLineLength];
extern const char kCommandNames[kCommandCount][kConsoleLineLength];

// Help page 1 on screen, paging on, the prompt in the input line.
void ConsoleStartup();
// The GLUT keyboard callback; x and y are ignored.
void ConsoleKeyboard(unsigned char key, int x, int y);
// Scrolls every line up by one and writes `text` (cut to 99 characters) into line 0.
void ConsolePrint(const char* text);
void ConsoleClear();
// Copies help lines (page-1)*25 .. page*25-1 into console lines 0..24.
void ShowHelpPage(int page);
// Paging on and the prompt in the input line; the typed length is unchanged.
void BeginHelpPaging();

// Runs command `index` (0..30) of kCommandNames; other values do nothing.
void ExecuteCommand(int index);
// Full screen <-> window at the camera size and the saved position.
void SwitchScreenMode();
