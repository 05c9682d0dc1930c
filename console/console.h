// The console: 25 lines of 100 characters (line 0 the newest, drawn lowest),
// a 50-character input line, help paging, the keyboard handler and the
// command table (commands.cpp), from which the help pages are made.
//
// Every line holds at most 99 characters and a NUL; longer text is cut.
// Typed text is only ever an argument of a format, never a format itself.
// Escape and Space are the program's keys and never reach the console.
// All of it runs on the GLUT thread.
#pragma once

#include <cstdint>

constexpr int kConsoleLines = 25;
constexpr int kConsoleLineLength = 100;  // 99 characters and a NUL
constexpr int kInputLength = 50;
constexpr int kHelpLinesPerPage = kConsoleLines;
constexpr int kMaxHelpPages = 4;

// Owned here; ConsoleStartup sets it up, ConsoleClear empties the lines.
struct ConsoleState {
    char lines[kConsoleLines][kConsoleLineLength] = {};
    // The typed text, or the prompt "press return to continue!" while paging.
    char input[kInputLength + 1] = "";
    int32_t console_input_length = 0;  // typed characters; 0 while the prompt shows
    bool help_paging = false;
    char text_buffer[kConsoleLineLength] = "";  // scratch of the fps reply
    bool blink_state = true;           // the caret shows; typing shows it at once
    int32_t blink_counter = 0;
    int32_t help_page = 1;             // the help page shown last, from 1
    int32_t help_page_count = 0;       // set by ConsoleStartup
    // The help pages as shown, line 0 lowest: each lists its commands
    // between two rules, the first at the top.
    char help_pages[kMaxHelpPages][kConsoleLines][kConsoleLineLength] = {};
};
extern ConsoleState console;

// One console command: the name typed, its help text (and a second help
// line for long ones), the operation it runs, and its reply in line 0: a
// fixed text after "<name>: ", or written by `report` (which gets the name).
struct CommandRow {
    const char* name;
    const char* help;
    const char* help_more;
    void (*run)();
    const char* reply;
    void (*report)(const char* name);
};
extern const CommandRow kCommands[];
extern const int kCommandCount;
// The help's last line: the mouse menu and the program's keys.
extern const char kHelpFooter[];

// Help page 1 on screen, paging on, the prompt in the input line.
void ConsoleStartup();
// Typing into the console: Backspace, Return and printable keys; x and y
// are ignored.
void ConsoleKeyboard(unsigned char key, int x, int y);
// Scrolls every line up by one and writes `text` (cut to 99 characters) into line 0.
void ConsolePrint(const char* text);
void ConsoleClear();
// Shows help page `page` (from 1) in console lines 0..24.
void ShowHelpPage(int page);
// Paging on and the prompt in the input line; the typed length is unchanged.
void BeginHelpPaging();

// Once a second: the caret shows or hides.
void StepCaretBlink();

// Runs row `index` of kCommands; other values do nothing.
void ExecuteCommand(int index);
