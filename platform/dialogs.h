// Modal dialogs: message boxes and the open-file chooser.
//
// The program talks to one dialog backend.  main() installs the GTK backend
// right after glutInit, before the first start-up check can fail; tests
// install a scripted one.  Until a backend is installed (or when GTK cannot
// open the display), boxes are printed to stderr and answered with the safe
// choice (OK, or No for a question).  The GTK backend also prints the text of
// every Error box to stderr.  Every call blocks until the box is answered.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

enum class MsgIcon { Error, Information, Question, Warning };
enum class MsgButtons { Ok, YesNo };
enum MsgResult { kMsgOk = 1, kMsgYes = 6, kMsgNo = 7 };

struct FileFilter {
    const char* name;     // "Wav Files (.wav)"
    const char* pattern;  // "*.wav", matched in any case ("ALARM.WAV" too)
};

struct DialogBackend {
    int (*message_box)(const char* text, const char* caption, MsgIcon icon, MsgButtons buttons);
    // Fills `path` (capacity bytes) and returns true when the user chose an
    // existing file; on entry `path` holds the current file, which the
    // chooser starts on (selected), or failing that its folder.
    bool (*open_file)(const char* title, const FileFilter& filter, char* path, size_t capacity);
};

// Shows a modal message box; returns kMsgOk, kMsgYes or kMsgNo.
int ShowMessageBox(const char* text, const char* caption, MsgIcon icon,
                   MsgButtons buttons = MsgButtons::Ok);

// Shows the open-file chooser; see DialogBackend::open_file.
bool ShowOpenFileDialog(const char* title, const FileFilter& filter, char* path, size_t capacity);

// The chooser, writing into `path` (capacity bytes) only a chosen file that
// fits whole: a cut path would name another file, so a too-long one gives
// an "Error" box instead.  True when `path` was changed.
bool ChooseFileInto(const char* title, const FileFilter& filter, char* path, size_t capacity);

// Milliseconds spent in dialogs since start (frame timing leaves them out).
uint64_t DialogMilliseconds();

// Installs `backend` (nullptr restores the stderr fallback); returns the old one.
const DialogBackend* SetDialogBackend(const DialogBackend* backend);

// `pattern` with every letter matching both cases: "*.wav" -> "*.[wW][aA][vV]".
std::string CaseBlindPattern(const char* pattern);

// Shared by the backends.
// A box's text on standard error: "[caption] text".
void EchoMessageBox(const char* text, const char* caption);
// The answer of a box nobody could see: No for a question, else OK.
int SafeAnswer(MsgButtons buttons);
// The answer of a box that was answered with Yes (`yes`) or anything else.
int AnswerOf(MsgButtons buttons, bool yes);
// Copies the chooser's file into `path` when it fits into `capacity`;
// otherwise says so on standard error and returns false.
bool TakeChosenPath(const char* title, const char* chosen, char* path, size_t capacity);

// Owned by dialogs.cpp; InitGtkDialogs sets gtk_ready.  Never reset: it
// lives as long as the process.
struct DialogState {
    const DialogBackend* backend;  // never null: the stderr fallback at first
    uint64_t milliseconds = 0;     // spent in dialogs since start
    bool gtk_ready = false;        // GTK opened the display
};
extern DialogState dialog_state;

// The GTK backend (platform/dialogs_gtk.cpp).  InitGtkDialogs() runs after
// glutInit (which has checked the display); it returns false when GTK cannot
// open the display.
bool InitGtkDialogs(int* argc, char*** argv);
extern const DialogBackend kGtkDialogBackend;
