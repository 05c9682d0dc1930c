#include "support/test_support.h"

#include <array>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <stdexcept>

namespace {
ScriptedDialogs* g_script = nullptr;

int ScriptedMessageBox(const char* text, const char* caption, MsgIcon icon, MsgButtons buttons) {
    g_script->boxes.push_back({text, caption, icon, buttons});
    if (buttons == MsgButtons::YesNo) return g_script->answer_yes ? kMsgYes : kMsgNo;
    return kMsgOk;
}

bool ScriptedOpenFile(const char* title, const FileFilter&, char* path, size_t capacity) {
    g_script->file_dialog_titles.push_back(title);
    const std::string& chosen = g_script->chosen_file;
    if (chosen.empty() || chosen.size() >= capacity) return false;
    std::strcpy(path, chosen.c_str());
    return true;
}

const DialogBackend kScriptedBackend = {ScriptedMessageBox, ScriptedOpenFile};
}  // namespace

ScriptedDialogs::ScriptedDialogs() {
    g_script = this;
    previous_ = SetDialogBackend(&kScriptedBackend);
}

ScriptedDialogs::~ScriptedDialogs() {
    SetDialogBackend(previous_);
    g_script = nullptr;
}

std::string RunCommand(const std::string& command) {
    std::string out;
    if (FILE* pipe = popen(command.c_str(), "r")) {
        std::array<char, 4096> chunk;
        size_t n;
        while ((n = fread(chunk.data(), 1, chunk.size(), pipe)) > 0) out.append(chunk.data(), n);
        pclose(pipe);
    }
    return out;
}

std::string SourceDir() {
    const char* dir = std::getenv("LUMORA_SOURCE_DIR");
    return dir ? dir : ".";
}

namespace {

// Folders made by this process, removed when it ends, also after a failed
// test (a test runs in a process of its own).
std::vector<std::string>& MadeFolders() {
    static std::vector<std::string> folders;
    return folders;
}

void RemoveMadeFolders() {
    std::error_code ignored;
    for (const std::string& folder : MadeFolders()) std::filesystem::remove_all(folder, ignored);
}

}  // namespace

std::string MakeTempDir(const char* prefix) {
    std::string pattern = std::string("/tmp/") + prefix + "-XXXXXX";
    if (!mkdtemp(pattern.data())) throw std::runtime_error("mkdtemp failed");
    // The list exists before the handler is registered, so it is destroyed
    // only after the handler has run.
    std::vector<std::string>& made = MadeFolders();
    static const bool removal_registered = std::atexit(RemoveMadeFolders) == 0;
    (void)removal_registered;
    made.push_back(pattern);
    return pattern;
}

void UseFreshConfigHome() { setenv("XDG_CONFIG_HOME", MakeTempDir("lumora-config").c_str(), 1); }
