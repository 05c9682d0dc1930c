// The chooser's choices: the preset, LUMORA_ENCODER, the test's stand-in or
// the dialog, and the choice remembered for the next recording of this run.
#include "platform/encoder_chooser.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

// Owned by encoder_chooser.cpp; lives as long as the process (the last
// choice is preselected for the rest of the run).
struct EncoderChooserState {
    EncoderChooserFn chooser = nullptr;  // stands in for the dialog when set
    EncoderChoice last_choice;
    bool has_last_choice = false;
};
EncoderChooserState chooser_state;

struct ContainerNames {
    VideoContainer container;
    const char* id;
    const char* label;
    const char* extension;
};
constexpr ContainerNames kContainers[] = {
    {VideoContainer::kAvi, "avi", "AVI", ".avi"},
    {VideoContainer::kMp4, "mp4", "MP4", ".mp4"},
};

const ContainerNames& NamesOf(VideoContainer container) {
    for (const ContainerNames& names : kContainers)
        if (names.container == container) return names;
    return kContainers[0];
}

// The container named `text` ("avi", "mp4"); false for any other text.
bool ParseContainer(const std::string& text, VideoContainer* container) {
    for (const ContainerNames& names : kContainers)
        if (text == names.id) {
            *container = names.container;
            return true;
        }
    return false;
}

// The choice shown first: the last one of this run, else Motion JPEG in AVI
// (small files, cheap to encode), else the first offered.
EncoderChoice PresetChoice(const std::vector<EncoderOption>& offered) {
    EncoderChoice preset = chooser_state.has_last_choice ? chooser_state.last_choice : EncoderChoice{"mjpeg", 85};
    SettleChoice(offered, &preset);
    return preset;
}

// Whether `choice` names an offered encoder that its container can carry.
bool Storable(const std::vector<EncoderOption>& offered, const EncoderChoice& choice) {
    const int index = FindEncoderOption(offered, choice.id);
    return index >= 0 && ContainerFits(choice.container, offered[size_t(index)]);
}

// LUMORA_ENCODER's answer, when it cancels or names an offered encoder:
// true with *accepted set.  False when the user is to be asked.
bool AnswerFromEnvironment(const std::vector<EncoderOption>& offered, EncoderChoice* choice, bool* accepted) {
    const char* text = std::getenv("LUMORA_ENCODER");
    EncoderChoice preset = *choice;
    bool cancel = false;
    if (ParseEncoderOverride(text, &preset, &cancel) && (cancel || Storable(offered, preset))) {
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
        SettleChoice(offered, choice);
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
    // "<id>[:<quality>][@<container>]": the container comes off the end first.
    std::string codec(text);
    VideoContainer container = VideoContainer::kAvi;
    const size_t at = codec.find('@');
    if (at != std::string::npos) {
        if (!ParseContainer(codec.substr(at + 1), &container)) return false;
        codec.resize(at);
    }
    const size_t colon = codec.find(':');
    const std::string id = codec.substr(0, colon);
    if (id.empty()) return false;
    int quality = choice->quality;
    if (colon != std::string::npos) {
        const char* digits = codec.c_str() + colon + 1;
        char* end = nullptr;
        const long value = std::strtol(digits, &end, 10);
        if (end == digits || *end != '\0') return false;
        quality = value < 1 ? 1 : value > 100 ? 100 : static_cast<int>(value);
    }
    choice->id = id;
    choice->quality = quality;
    choice->container = container;
    return true;
}

const char* ContainerId(VideoContainer container) { return NamesOf(container).id; }
const char* ContainerLabel(VideoContainer container) { return NamesOf(container).label; }
const char* ContainerExtension(VideoContainer container) { return NamesOf(container).extension; }

bool ContainerFits(VideoContainer container, const EncoderOption& option) {
    return container == VideoContainer::kAvi || option.fits_mp4;
}

void SettleChoice(const std::vector<EncoderOption>& offered, EncoderChoice* choice) {
    if (offered.empty()) return;
    int index = FindEncoderOption(offered, choice->id);
    if (index < 0) {
        index = 0;
        choice->id = offered.front().id;
    }
    if (!ContainerFits(choice->container, offered[size_t(index)])) choice->container = VideoContainer::kAvi;
}

int FindEncoderOption(const std::vector<EncoderOption>& offered, const std::string& id) {
    for (size_t i = 0; i < offered.size(); ++i)
        if (offered[i].id == id) return static_cast<int>(i);
    return -1;
}
