// The settings file: whatever it holds, every setting reads (a default when
// the text is not a value) and one write keeps the rest of the file.
#include <cstdlib>
#include <string>

#include "app/settings.h"
#include "fuzz_support.h"
#include "platform/settings_store.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const std::string file = [] {
        const std::string config = ScratchDir() + "/config";
        setenv("XDG_CONFIG_HOME", config.c_str(), 1);
        WriteSettingText("main", "seed", "1");  // makes the folders
        return SettingsFilePath();
    }();
    WriteScratchFile(file, data, size);
    LoadSettings();
    char small[4];
    ReadSettingText("main", "window_pos_x[0]", "", small, sizeof small);
    ReadSettingText("main", "stats_mode", "default text", small, 1);
    (void)ReadSettingUnsigned("main", "motion_max", 7);
    // A hand-edited file may not even parse; writing still must not crash.
    if (WriteSettingUnsigned("main", "gl_win_pos_x", 12) == 1 &&
        ReadSettingUnsigned("main", "gl_win_pos_x", 0) != 12)
        std::abort();  // a stored value must read back
    return 0;
}
