#include "platform/encoder_chooser.h"

#include <cstdlib>
#include <cstring>

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
