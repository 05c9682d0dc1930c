// The chooser's choices: the preset, LUMORA_ENCODER, the test's stand-in or
// the dialog, and the choice remembered for the next recording of this run.
#include "platform/encoder_chooser.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

// Owned by encoder_chooser.cpp; lives as long as the process (the last
// choice is preselected for the rest of the run).
struct EncoderChooserState {
    EncoderChooserFn chooser = nullptr;  // stands in for the dialog when set
    EncoderChoice last_choice;
    bool has_last_choice = false;
};
EncoderChooserState chooser_state;

// The choice shown first: the last one of this run, else Motion JPEG (small
// files, cheap to encode), else the first offered.
EncoderChoice PresetChoice(const std::vector<EncoderOption>& offered) {
    EncoderChoice preset = chooser_state.has_last_choice ? chooser_state.last_choice : EncoderChoice{"mjpeg", 85};
    if (FindEncoderOption(offered, preset.id) < 0) preset.id = offered.front().id;
    return preset;
}

// LUMORA_ENCODER's answer, when it cancels or names an offered encoder:
// true with *accepted set.  False when the user is to be asked.
bool AnswerFromEnvironment(const std::vector<EncoderOption>& offered, EncoderChoice* choice, bool* accepted) {
    const char* text = std::getenv("LUMORA_ENCODER");
    EncoderChoice preset = *choice;
    bool cancel = false;
    if (ParseEncoderOverride(text, &preset, &cancel) && (cancel || FindEncoderOption(offered, preset.id) >= 0)) {
        if (!cancel) *choice = preset;
        *accepted = !cancel;
        return true;
    }
    if (text && *text) std::fprintf(stderr, "LUMORA_ENCODER=%s: not an offered encoder, asking instead\n", text);
    return false;
}

bool AskForEncoder(const std::vector<EncoderOption>& offered, EncoderChoice* choice) {
    if (chooser_state.chooser) return chooser_state.chooser(offered, choice);
    switch (RunEncoderDialog(offered, choice)) {
        case EncoderDialogAnswer::kAccepted: return true;
        case EncoderDialogAnswer::kCancelled: return false;
        case EncoderDialogAnswer::kUnavailable: break;
    }
    std::fprintf(stderr, "[Video Compression] no dialog available, using %s\n", choice->id.c_str());
    return true;
}

}  // namespace

EncoderChooserFn SetEncoderChooser(EncoderChooserFn chooser) {
    EncoderChooserFn old = chooser_state.chooser;
    chooser_state.chooser = chooser;
    return old;
}

bool ChooseEncoder(const std::vector<EncoderOption>& offered, EncoderChoice* choice) {
    if (offered.empty()) return false;
    *choice = PresetChoice(offered);
    bool accepted = false;
    if (!AnswerFromEnvironment(offered, choice, &accepted)) accepted = AskForEncoder(offered, choice);
    if (accepted) {
        chooser_state.last_choice = *choice;
        chooser_state.has_last_choice = true;
    }
    return accepted;
}

bool ParseEncoderOverride(const char* text, EncoderChoice* choice, bool* cancel) {
    *cancel = false;
    if (!text || !*text) return false;
    if (std::strcmp(text, "cancel") == 0) {
        *cancel = true;
        return true;
    }
    const char* colon = std::strchr(text, ':');
    std::string id = colon ? std::string(text, colon - text) : std::string(text);
    if (id.empty()) return false;
    int quality = choice->quality;
    if (colon) {
        char* end = nullptr;
        const long value = std::strtol(colon + 1, &end, 10);
        if (end == colon + 1 || *end != '\0') return false;
        quality = value < 1 ? 1 : value > 100 ? 100 : static_cast<int>(value);
    }
    choice->id = id;
    choice->quality = quality;
    return true;
}

int FindEncoderOption(const std::vector<EncoderOption>& offered, const std::string& id) {
    for (size_t i = 0; i < offered.size(); ++i)
        if (offered[i].id == id) return static_cast<int>(i);
    return -1;
}
