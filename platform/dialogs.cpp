#include "platform/dialogs.h"

#include "platform/clock.h"

#include <cctype>
#include <cstdio>
#include <cstring>
#include <vector>

namespace {

int StderrMessageBox(const char* text, const char* caption, MsgIcon, MsgButtons buttons) {
    EchoMessageBox(text, caption);
    return SafeAnswer(buttons);
}

bool NoOpenFile(const char* title, const FileFilter&, char*, size_t) {
    std::fprintf(stderr, "[%s] no file dialog available\n", title);
    return false;
}

const DialogBackend kStderrBackend = {StderrMessageBox, NoOpenFile};

// Adds the time until it goes out of scope to the dialog time.
struct DialogTimer {
    uint32_t start = GetTickCount();
    ~DialogTimer() { dialog_state.milliseconds += GetTickCount() - start; }
};

}  // namespace

DialogState dialog_state = {&kStderrBackend};

int ShowMessageBox(const char* text, const char* caption, MsgIcon icon, MsgButtons buttons) {
    DialogTimer timer;
    return dialog_state.backend->message_box(text, caption, icon, buttons);
}

bool ShowOpenFileDialog(const char* title, const FileFilter& filter, char* path, size_t capacity) {
    DialogTimer timer;
    return dialog_state.backend->open_file(title, filter, path, capacity);
}

bool ChooseFileInto(const char* title, const FileFilter& filter, char* path, size_t capacity) {
    // The current file as the chooser's start, cut to what `capacity` holds.
    std::vector<char> chosen(capacity + 1, '\0');
    if (capacity > 0) std::memcpy(chosen.data(), path, strnlen(path, capacity - 1));
    if (!ShowOpenFileDialog(title, filter, chosen.data(), capacity)) return false;
    const size_t length = strnlen(chosen.data(), capacity);
    if (length >= capacity) {
        ShowMessageBox("The chosen path is too long.", "Error", MsgIcon::Error);
        return false;
    }
    std::memcpy(path, chosen.data(), length + 1);
    return true;
}

uint64_t DialogMilliseconds() { return dialog_state.milliseconds; }

std::string CaseBlindPattern(const char* pattern) {
    std::string blind;
    for (const char* c = pattern; *c; ++c) {
        const unsigned char letter = static_cast<unsigned char>(*c);
        if (std::isalpha(letter)) {
            blind += '[';
            blind += static_cast<char>(std::tolower(letter));
            blind += static_cast<char>(std::toupper(letter));
            blind += ']';
        } else {
            blind += *c;
        }
    }
    return blind;
}

const DialogBackend* SetDialogBackend(const DialogBackend* backend) {
    const DialogBackend* old = dialog_state.backend;
    dialog_state.backend = backend ? backend : &kStderrBackend;
    return old;
}

void EchoMessageBox(const char* text, const char* caption) { std::fprintf(stderr, "[%s] %s\n", caption, text); }

int SafeAnswer(MsgButtons buttons) { return buttons == MsgButtons::YesNo ? kMsgNo : kMsgOk; }

int AnswerOf(MsgButtons buttons, bool yes) {
    if (buttons == MsgButtons::YesNo) return yes ? kMsgYes : kMsgNo;
    return kMsgOk;
}

bool TakeChosenPath(const char* title, const char* chosen, char* path, size_t capacity) {
    const size_t length = std::strlen(chosen);
    if (length < capacity) {
        std::memcpy(path, chosen, length + 1);
        return true;
    }
    std::fprintf(stderr, "%s: path too long (%zu characters, at most %zu)\n", title, length, capacity - 1);
    return false;
}
