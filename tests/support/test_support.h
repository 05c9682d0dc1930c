// Helpers shared by the tests.
#pragma once

#include <string>
#include <vector>

#include "platform/dialogs.h"

// Root of the source tree (LUMORA_SOURCE_DIR, set by CTest).
std::string SourceDir();

// A fresh empty folder under the system's temporary folder, removed with
// everything in it when the process ends.
std::string MakeTempDir(const char* prefix = "lumora-test");

// The standard output of a shell command (binary-safe).
std::string RunCommand(const std::string& command);

// Points the settings store at a fresh folder for the rest of the process.
void UseFreshConfigHome();

// Message boxes answered from a script, recorded for checks.
struct ScriptedDialogs {
    struct Box {
        std::string text, caption;
        MsgIcon icon;
        MsgButtons buttons;
    };
    ScriptedDialogs();   // installs itself as the dialog backend
    ~ScriptedDialogs();  // restores the previous backend
    void AnswerYes(bool yes) { answer_yes = yes; }
    void ChooseFile(const std::string& path) { chosen_file = path; }

    bool answer_yes = false;
    std::string chosen_file;  // empty: the chooser is cancelled
    std::vector<Box> boxes;
    std::vector<std::string> file_dialog_titles;

private:
    const DialogBackend* previous_;
};
