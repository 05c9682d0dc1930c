// Console line buffer, input line, help paging and the keyboard handler.
#include <cstdio>
#include <cstring>

#include "app/app.h"
#include "console/console.h"

ConsoleState console;

namespace {

constexpr char kPrompt[] = "press return to continue!";

enum Key : unsigned char { kBackspace = 8, kReturn = 13 };

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
        if (std::strcmp(console.input, kCommands[i].name) == 0) ExecuteCommand(i);

    if (!console.help_paging) ClearInput();
    console.console_input_length = 0;
}

void TypeCharacter(unsigned char key) {
    if (console.console_input_length >= kInputLength || console.help_paging) return;
    console.blink_state = true;
    console.input[console.console_input_length++] = static_cast<char>(key);
}

// Lays the help out: each page holds as many commands as fit between its
// two rules, in table order from the top, and the last ends with the footer.
void MakeHelpPages() {
    constexpr int kTextLines = kHelpLinesPerPage - 2;  // between the rules
    std::memset(console.help_pages, 0, sizeof console.help_pages);
    const char* page[kHelpLinesPerPage];
    int count = 0, pages = 0;
    auto finish_page = [&] {
        page[count++] = "--------------------------------";
        // Line 0 is drawn lowest: the page's last line goes there.
        for (int k = 0; k < count && pages < kMaxHelpPages; ++k)
            std::snprintf(console.help_pages[pages][count - 1 - k], kConsoleLineLength, "help: %s",
                          page[k]);
        ++pages;
        count = 0;
    };
    auto add = [&](const char* help, const char* help_more) {
        const int lines = help_more ? 2 : 1;
        if (count > 0 && count - 1 + lines > kTextLines) finish_page();
        if (count == 0) page[count++] = "--------------------------------";
        page[count++] = help;
        if (help_more) page[count++] = help_more;
    };
    for (int i = 0; i < kCommandCount; ++i) add(kCommands[i].help, kCommands[i].help_more);
    add(kHelpFooter, nullptr);
    finish_page();
    console.help_page_count = pages < kMaxHelpPages ? pages : kMaxHelpPages;
}

}  // namespace

void ConsoleStartup() {
    MakeHelpPages();
    ShowHelpPage(1);
    BeginHelpPaging();
}

void ConsolePrint(const char* text) {
    std::memmove(console.lines[1], console.lines[0],
                 sizeof console.lines - sizeof console.lines[0]);
    std::snprintf(console.lines[0], sizeof console.lines[0], "%s", text);
}

void StepCaretBlink() {
    ++console.blink_counter;
    if (console.blink_counter == 1) {
        console.blink_state = !console.blink_state;
        console.blink_counter = 0;
    }
}

void ConsoleClear() { std::memset(console.lines, 0, sizeof console.lines); }

void ShowHelpPage(int page) {
    if (console.help_page_count == 0) MakeHelpPages();
    if (page < 1 || page > console.help_page_count) return;
    std::memcpy(console.lines, console.help_pages[page - 1], sizeof console.lines);
}

void BeginHelpPaging() {
    console.help_paging = true;
    std::snprintf(console.input, sizeof console.input, "%s", kPrompt);
}

void ConsoleKeyboard(unsigned char key, int, int) {
    switch (key) {
    case kBackspace:
        if (console.console_input_length >= 1) {
            console.blink_state = true;
            console.input[--console.console_input_length] = '\0';
        }
        break;
    case kReturn:
        if (console.help_paging)
            NextHelpPage();
        else
            ExecuteInputLine();
        break;
    default:
        TypeCharacter(key);
        break;
    }
}
