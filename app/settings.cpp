#include "app/settings.h"

#include <cstdio>

#include "app/app.h"
#include "platform/settings_store.h"

namespace {

constexpr const char* kSection = "main";

// One pass over every persisted value, in the stored order.  `Visit` is
// called with each name and a reference to the field and its stored form.
enum class Form { Position, Hundredths, Threshold, Integer };

template <typename Visit>
void ForEachSetting(Visit visit) {
    char name[40];
    for (int i = 0; i < kSavedPanelCount; ++i) {
        std::snprintf(name, sizeof name, "window_pos_x[%i]", i);
        visit(name, app.window_pos_x[i]);
        std::snprintf(name, sizeof name, "window_pos_y[%i]", i);
        visit(name, app.window_pos_y[i]);
    }
    for (int i = 0; i < kButtonCount; ++i) {
        std::snprintf(name, sizeof name, "button_pos_x[%i]", i);
        visit(name, app.button_pos_x[i]);
        std::snprintf(name, sizeof name, "button_pos_y[%i]", i);
        visit(name, app.button_pos_y[i]);
    }
    for (int i = 0; i < kSavedPanelCount; ++i) {
        std::snprintf(name, sizeof name, "window_on_off[%i]", i);
        visit(name, app.window_on_off[i]);
    }
    for (int i = 0; i < kButtonCount; ++i) {
        std::snprintf(name, sizeof name, "button_on_off[%i]", i);
        visit(name, app.button_on_off[i]);
    }
    visit("motion_max", app.motion_max, Form::Threshold);
    visit("stats_mode", app.stats_mode);
    visit("backplate_color_r", app.backplate_color_r, Form::Hundredths);
    visit("backplate_color_g", app.backplate_color_g, Form::Hundredths);
    visit("backplate_color_b", app.backplate_color_b, Form::Hundredths);
    visit("backplate_border_color_r", app.backplate_border_color_r, Form::Hundredths);
    visit("backplate_border_color_g", app.backplate_border_color_g, Form::Hundredths);
    visit("backplate_border_color_b", app.backplate_border_color_b, Form::Hundredths);
    visit("gl_win_pos_x", app.gl_win_pos_x);
    visit("gl_win_pos_y", app.gl_win_pos_y);
    visit("storage_limit_mib", app.storage_limit_mib);
    visit("storage_free_mib", app.storage_free_mib);
    visit("motion_detector", app.motion_detector);
    visit("precapture_seconds", app.precapture_seconds);
    visit("motion_mask_file", app.motion_mask_file);
}

uint32_t StoredForm(float field, Form form) {
    switch (form) {
        case Form::Position: return StorePosition(field);
        case Form::Threshold: return StoreThreshold(field);
        default: return StoreHundredths(field);
    }
}

struct Loader {
    void operator()(const char* name, float& field, Form form = Form::Position) const {
        const uint32_t stored = ReadSettingUnsigned(kSection, name, StoredForm(field, form));
        field = form == Form::Position ? LoadPosition(stored) : LoadHundredths(stored);
    }
    void operator()(const char* name, int32_t& field) const {
        field = static_cast<int32_t>(ReadSettingUnsigned(kSection, name, static_cast<uint32_t>(field)));
    }
    void operator()(const char* name, char (&field)[kPathLength]) const {
        char text[kPathLength];
        ReadSettingText(kSection, name, field, text, sizeof text);
        std::snprintf(field, sizeof field, "%s", text);
    }
};

// Stops at the first value the store refuses: the rest would fail the same
// way, and the store has already said why, once.
struct Saver {
    bool* failed;
    void operator()(const char* name, float& field, Form form = Form::Position) const {
        Write(name, StoredForm(field, form));
    }
    void operator()(const char* name, int32_t& field) const { Write(name, static_cast<uint32_t>(field)); }
    void operator()(const char* name, char (&field)[kPathLength]) const {
        if (!*failed) *failed = WriteSettingText(kSection, name, field) == 0;
    }
    void Write(const char* name, uint32_t value) const {
        if (!*failed) *failed = WriteSettingUnsigned(kSection, name, value) == 0;
    }
};

}  // namespace

// Values below the stored range (a position under -128, a negative colour)
// are kept at the range's bottom instead of wrapping to huge numbers.
uint32_t StorePosition(float position) {
    const double shifted = static_cast<double>(position) + 128.0;
    return shifted <= 0.0 ? 0u : static_cast<uint32_t>(shifted);
}

float LoadPosition(uint32_t stored) { return static_cast<float>(static_cast<int64_t>(stored) - 128); }

uint32_t StoreHundredths(float value) {
    // The exact product: 0.29f is 0.28999..., so it is stored as 28.
    const double scaled = static_cast<double>(value) * 100.0;
    return scaled <= 0.0 ? 0u : static_cast<uint32_t>(scaled);
}

float LoadHundredths(uint32_t stored) { return static_cast<float>(stored) / 100.0f; }

uint32_t StoreThreshold(float threshold) {
    const uint32_t stored = StoreHundredths(threshold);
    return stored == 0 && threshold > 0 ? 1 : stored;
}

void LoadSettings() { ForEachSetting(Loader{}); }

bool SaveSettings() {
    bool failed = false;
    ForEachSetting(Saver{&failed});
    return !failed;
}
