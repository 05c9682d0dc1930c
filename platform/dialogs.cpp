#include "platform/dialogs.h"

#include "platform/clock.h"

#include <cctype>
#include <cstdio>
#include <cstring>
#include <vector>

namespace {

int StderrMessageBox(const char* text, const char* caption, MsgIcon, MsgButtons buttons) {
    std::fprintf(stderr, "[%s] %s\n", caption, text);
    return buttons == MsgButtons::YesNo ? kMsgNo : kMsgOk;
}

bool NoOpenFile(const char* title, const FileFilter&, char*, size_t) {
    std::fprintf(stderr, "[%s] no file dialog available\n", title);
    return false;
}

const DialogBackend kStderrBackend = {StderrMessageBox, NoOpenFile};
const DialogBackend* g_backend = &kStderrBackend;
uint64_t g_dialog_milliseconds = 0;

// Adds the time until it goes out of scope to the dialog time.
struct DialogTimer {
    uint32_t start = GetTickCount();
    ~DialogTimer() { g_dialog_milliseconds += GetTickCount() - start; }
};

}  // namespace

int ShowMessageBox(const char* text, const char* caption, MsgIcon icon, MsgButtons buttons) {
    DialogTimer timer;
    return g_backend->message_box(text, caption, icon, buttons);
}

bool ShowOpenFileDialog(const char* title, const FileFilter& filter, char* path, size_t capacity) {
    DialogTimer timer;
    return g_backend->open_file(title, filter, path, capacity);
}

bool ChooseFileInto(const char* title, const FileFilter& filter, char* path, size_t capacity) {
    std::vector<char> chosen(capacity + 1, '\0');
    std::snprintf(chosen.data(), capacity, "%s", path);
    if (!ShowOpenFileDialog(title, filter, chosen.data(), capacity)) return false;
    const size_t length = strnlen(chosen.data(), capacity);
    if (length >= capacity) {
        ShowMessageBox("The chosen path is too long.", "Error", MsgIcon::Error);
        return false;
    }
    std::memcpy(path, chosen.data(), length + 1);
    return true;
}

uint64_t DialogMilliseconds() { return g_dialog_milliseconds; }

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
    const DialogBackend* old = g_backend;
    g_backend = backend ? backend : &kStderrBackend;
    return old;
}
