#include "support/test_support.h"

#include <cstdlib>
#include <cstring>
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

std::string SourceDir() {
    const char* dir = std::getenv("LUMORA_SOURCE_DIR");
    return dir ? dir : ".";
}

std::string MakeTempDir(const char* prefix) {
    std::string pattern = std::string("/tmp/") + prefix + "-XXXXXX";
    if (!mkdtemp(pattern.data())) throw std::runtime_error("mkdtemp failed");
    return pattern;
}

void UseFreshConfigHome() { setenv("XDG_CONFIG_HOME", MakeTempDir("lumora-config").c_str(), 1); }
