// Console line buffer, input line, help paging and the keyboard handler.
#include <cmath>
#include <cstdio>
#include <cstring>

#include "app/app_state.h"
#include "app/lifecycle.h"
#include "console/console.h"

ConsoleState console;

namespace {

constexpr char kPrompt[] = "press return to continue!";

enum Key : unsigned char { kBackspace = 8, kReturn = 13, kEscape = 27, kSpace = 32 };

void ClearInput() { std::memset(console.input, 0, sizeof console.input); }

// Return while the help is paged: the next page; after the last one, back
// to editing with an empty input line.
void NextHelpPage() {
    ++console.help_page;
    ShowHelpPage(console.help_page);
    if (console.help_page == console.help_page_count) {
        console.help_page = 1;
        console.help_paging = false;
        ClearInput();
    }
}

// Return while editing: push the "not found" line, then let every command
// whose name equals the input line overwrite it.
void ExecuteInputLine() {
    char line[kConsoleLineLength] = "";
    if (console.input[0] != '\0')
        std::snprintf(line, sizeof line, "%s: command not found!", console.input);
    ConsolePrint(line);

    // The loop goes on after a match, comparing the input as the command left it.
    for (int i = 0; i < kCommandCount; ++i)
        if (std::strcmp(console.input, kCommandNames[i]) == 0) ExecuteCommand(i);

    if (!console.help_paging) ClearInput();
    console.console_input_length = 0;
}

void TypeCharacter(unsigned char key) {
    if (console.console_input_length >= kInputLength || console.help_paging) return;
    app.blink_state = true;
    console.input[console.console_input_length++] = static_cast<char>(key);
}

}  // namespace

void ConsoleStartup() {
    console.help_page_count =
        static_cast<int32_t>(std::ceil(static_cast<float>(kHelpTextCount) / kHelpLinesPerPage));
    ShowHelpPage(1);
    BeginHelpPaging();
}

void ConsolePrint(const char* text) {
    std::memmove(console.lines[1], console.lines[0],
                 sizeof console.lines - sizeof console.lines[0]);
    std::snprintf(console.lines[0], sizeof console.lines[0], "%s", text);
}

void ConsoleClear() { std::memset(console.lines, 0, sizeof console.lines); }

void ShowHelpPage(int page) {
    if (page < 1 || page * kHelpLinesPerPage > kHelpTableSize) return;
    std::memcpy(console.lines, kHelpLines[(page - 1) * kHelpLinesPerPage], sizeof console.lines);
}

void BeginHelpPaging() {
    console.help_paging = true;
    std::snprintf(console.input, sizeof console.input, "%s", kPrompt);
}

void ConsoleKeyboard(unsigned char key, int, int) {
    switch (key) {
    case kBackspace:
        if (console.console_input_length >= 1) {
            app.blink_state = true;
            console.input[--console.console_input_length] = '\0';
        }
        break;
    case kReturn:
        if (console.help_paging)
            NextHelpPage();
        else
            ExecuteInputLine();
        break;
    case kEscape:
        ExitSequence();
    case kSpace:
        SwitchScreenMode();
        break;
    default:
        TypeCharacter(key);
        break;
    }
}
