#include "input/menus.h"

#include <glib.h>

#include <cstdio>
#include <cstring>
#include <iterator>

#include "app/lifecycle.h"
#include "app/window.h"
#include "capture/camera_choice.h"
#include "input/camera_menu.h"
#include "motion/motion.h"
#include "overlay/buttons.h"
#include "overlay/overlay.h"
#include "record/record.h"
#include "record/storage_guard.h"
#include "render/model_pass.h"
#include "render/render.h"
#include "render/shader.h"
#include "render/view.h"
#include "web/web.h"

namespace {

constexpr MenuRow Entry(const char* label, void (*run)(), bool relabels = false) {
    return {label, run, nullptr, nullptr, relabels};
}
constexpr MenuRow Sub(const char* label, const Menu& menu) { return {label, nullptr, &menu, nullptr, false}; }
constexpr MenuRow SubShowing(void (*format)(char*, size_t), const Menu& menu) {
    return {nullptr, nullptr, &menu, format, false};
}

// Menus listing a table.
const char* VertexLabel(int i) { return kVertexProgramFiles[i]; }
const char* PixelLabel(int i) { return kPixelProgramFiles[i]; }
const char* MaskLabel(int i) { return kMaskFiles[i]; }
const char* ButtonLabel(int i) { return kButtons[i].menu_label; }
void SwitchButtonItem(int i) { SwitchButton(static_cast<Button>(i)); }

const Menu kVertexMenu{"Cg Vertex Shader", {}, kVertexProgramCount, VertexLabel, SelectVertexProgram};
const Menu kPixelMenu{"Cg Pixel Shader", {}, kPixelProgramCount, PixelLabel, SelectPixelProgram};
const Menu kMaskMenu{"Bmp Mask", {}, kMaskCount, MaskLabel, SelectMask};
const Menu kButtonsMenu{"Buttons", {}, kButtonCount, ButtonLabel, SwitchButtonItem};

const MenuRow kGammaRows[] = {
    Entry("Gamma+", [] { StepShaderGamma(+1); }, true),
    Entry("Gamma-", [] { StepShaderGamma(-1); }, true),
};
const Menu kGammaMenu{"Gamma", kGammaRows};

const MenuRow kColorRows[] = {
    Entry("Color+", [] { StepShaderColor(+1); }, true),
    Entry("Color-", [] { StepShaderColor(-1); }, true),
};
const Menu kColorMenu{"Color", kColorRows};

const MenuRow kModelsRows[] = {
    Entry("Load Half-Life Model", ChooseModel),
    Entry("Set Model Position ON/OFF", SwitchModelPositionMode),
};
const Menu kModelsMenu{"Models", kModelsRows};

const MenuRow kShaderRows[] = {
    Sub("Cg Vertex Shader", kVertexMenu),
    Sub("Cg Pixel Shader", kPixelMenu),
    Sub("Bmp Mask", kMaskMenu),
    SubShowing(FormatGammaLabel, kGammaMenu),
    SubShowing(FormatColorLabel, kColorMenu),
    Sub("Models", kModelsMenu),
    Entry("Set View Mode to Shader", SetShaderView),
    Entry("Reload Cg Shader", [] { LoadShaderPrograms(); }),
};
const Menu kShaderMenu{"Cg Shader", kShaderRows};

const MenuRow kStatisticRows[] = {
    Entry("Mode 0", [] { SetStatisticMode(0); }),
    Entry("Mode 1", [] { SetStatisticMode(1); }),
};
const Menu kStatisticMenu{"Statistic Mode", kStatisticRows};

const MenuRow kSchemaRows[] = {
    Entry("Nice Blue", [] { SetColorSchema(kNiceBlue); }),
    Entry("Nice Red", [] { SetColorSchema(kNiceRed); }),
    Entry("Nice Green", [] { SetColorSchema(kNiceGreen); }),
};
const Menu kSchemaMenu{"Color Schema", kSchemaRows};

const MenuRow kBackplateRows[] = {
    Sub("Color Schema", kSchemaMenu),
    Sub("Statistic Mode", kStatisticMenu),
    Sub("Buttons", kButtonsMenu),
    Entry("Statistic Backplate ON/OFF", [] { SwitchPanel(kPanelStatistics); }),
    Entry("Status Bar ON/OFF", [] { SwitchPanel(kPanelMotionMeter); }),
    Entry("Time&Date Backplate ON/OFF", [] { SwitchPanel(kPanelTimeDate); }),
    Entry("Console Backplate ON/OFF", [] { SwitchPanel(kPanelConsole); }),
    Entry("All Buttons ON/OFF", SwitchAllButtons),
};
const Menu kBackplateMenu{"Backplate", kBackplateRows};

// The seconds menus: a label and its number of seconds per entry.
struct SecondsEntry {
    const char* label;
    int32_t seconds;
};
const SecondsEntry kIntervals[] = {
    {"1 second", 1}, {"5 seconds", 5}, {"10 seconds", 10}, {"30 seconds", 30}};
const SecondsEntry kRecordTimes[] = {
    {"10 seconds", 10}, {"20 seconds", 20}, {"30 seconds", 30}, {"40 seconds", 40}};
// After the recording times, in the same menu: the seconds before the event.
const SecondsEntry kPrecaptureTimes[] = {{"Before the event: 0 seconds", 0},
                                         {"Before the event: 2 seconds", 2},
                                         {"Before the event: 5 seconds", 5},
                                         {"Before the event: 10 seconds", 10}};
constexpr int kRecordTimeCount = int(std::size(kRecordTimes));
const Menu kIntervalMenu{"Motion Interval", {}, std::size(kIntervals),
                         [](int i) { return kIntervals[i].label; },
                         [](int i) { SetMotionInterval(kIntervals[i].seconds); }};
const Menu kTimerMenu{"Motion Record Timer", {}, std::size(kRecordTimes) + std::size(kPrecaptureTimes),
                      [](int i) {
                          return i < kRecordTimeCount ? kRecordTimes[i].label
                                                      : kPrecaptureTimes[i - kRecordTimeCount].label;
                      },
                      [](int i) {
                          if (i < kRecordTimeCount)
                              SetMotionRecordDuration(kRecordTimes[i].seconds);
                          else
                              SetPrecaptureSeconds(kPrecaptureTimes[i - kRecordTimeCount].seconds);
                      }};

// The device menus list the two cameras.
const char* DeviceLabel(int camera) {
    return camera == kPrimaryCamera ? "Device 1 (device1.xml)" : "Device 2 (device2.xml)";
}
const Menu kPrimaryMenu{"Primary Video Device", {}, kCameraCount, DeviceLabel,
                        [](int camera) { SelectShownCamera(static_cast<Camera>(camera)); }};
const Menu kSecondaryMenu{"Secondary Video Device", {}, kCameraCount, DeviceLabel,
                          [](int camera) { SelectSplitPartner(static_cast<Camera>(camera)); }};

const MenuRow kViewRows[] = {
    Entry("Normal", SetNormalView),
    Entry("Shader", SetShaderView),
    Entry("Splitscreen", SwitchSplitScreen),
    Entry("Image Swap", SwitchImageSwap),
};
const Menu kViewMenu{"View Mode", kViewRows};

const MenuRow kMotionRows[] = {
    Entry("Motion Shot ON/OFF", SwitchMotionShot),
    Entry("Motion Record ON/OFF", SetMotionRecord),
    Entry("Motion Alarm ON/OFF", SwitchMotionAlarm),
    Entry("Load Motion Alarm File", ChooseAlarmSound),
    {nullptr, SwitchMotionDetector, nullptr, FormatMotionDetectorLabel, true},
    Entry("Load Motion Mask File", ChooseMotionMask),
    Entry("Remove Motion Mask", RemoveMotionMask),
    Entry("Motion Tint ON/OFF", SwitchMotionTint),
};
const Menu kMotionMenu{"Motion", kMotionRows};

// The record menu names the modes as the info panel does, "OFF" last.
const RecordMode kRecordMenuModes[] = {kRecordNormal, kRecordEffect, kRecordScreen, kRecordOff};
const Menu kRecordMenu{"Record", {}, std::size(kRecordMenuModes),
                       [](int i) { return RecordModeText(kRecordMenuModes[i]).panel; },
                       [](int i) { SetRecordMode(kRecordMenuModes[i]); }};

// The storage guard's choices, in MiB.
struct StorageEntry {
    const char* label;
    int32_t mib;
};
const StorageEntry kStorageLimits[] = {
    {"No limit", 0}, {"1 GiB", 1024}, {"5 GiB", 5 * 1024}, {"20 GiB", 20 * 1024}, {"100 GiB", 100 * 1024}};
const StorageEntry kStorageFloors[] = {
    {"1 GiB or 5 % of the disk", 0}, {"5 GiB", 5 * 1024}, {"20 GiB", 20 * 1024}};
const Menu kStorageLimitMenu{"Capture Folder Limit", {}, std::size(kStorageLimits),
                             [](int i) { return kStorageLimits[i].label; },
                             [](int i) { SetStorageLimit(kStorageLimits[i].mib); }};
const Menu kStorageFloorMenu{"Keep Free on Disk", {}, std::size(kStorageFloors),
                             [](int i) { return kStorageFloors[i].label; },
                             [](int i) { SetStorageFloor(kStorageFloors[i].mib); }};

const MenuRow kOptionsRows[] = {
    Sub("Backplate", kBackplateMenu),
    Sub("Motion Interval", kIntervalMenu),
    Sub("Motion Record Timer", kTimerMenu),
    Sub("Primary Video Device", kPrimaryMenu),
    Sub("Secondary Video Device", kSecondaryMenu),
    Sub("View Mode", kViewMenu),
    Sub("Motion", kMotionMenu),
    Sub("Record", kRecordMenu),
    Entry("Fullscreen ON/OFF", SwitchScreenMode),
    Entry("FILL/LINE", SwitchPolygonMode),
    Entry("NEAREST/LINEAR", SwitchTextureFilter),
    Sub("Capture Folder Limit", kStorageLimitMenu),
    Sub("Keep Free on Disk", kStorageFloorMenu),
    Entry("Web View ON/OFF", [] { SwitchWebServer(true); }),
};
// The cameras found follow the fixed rows.
const Menu kOptionsMenu{"Options", kOptionsRows, 0, nullptr, nullptr, CameraChooserRows};

const MenuRow kMainRows[] = {
    Sub("Cg Shader", kShaderMenu),
    Sub("Options", kOptionsMenu),
    Entry("Take a Screenshot", TakeScreenshot),
    Entry("Exit", [] { ExitSequence(); }),
};

const Menu* FindMenu(const Menu& menu, const char* name) {
    if (std::strcmp(menu.name, name) == 0) return &menu;
    for (int item = 0; item < MenuItemCount(menu); ++item) {
        const MenuRow* row = MenuItemRow(menu, item);
        if (row && row->submenu)
            if (const Menu* found = FindMenu(*row->submenu, name)) return found;
    }
    return nullptr;
}

}  // namespace

const Menu kMainMenu{"", kMainRows};

const MenuRow* MenuItemRow(const Menu& menu, int item) {
    if (menu.list_choose) return nullptr;
    const int fixed = static_cast<int>(menu.rows.size());
    return item < fixed ? &menu.rows[item] : &menu.more_rows()[item - fixed];
}

const char* MenuItemLabel(const Menu& menu, int item, char* out, size_t capacity) {
    if (menu.list_label) return menu.list_label(item);
    const MenuRow& row = *MenuItemRow(menu, item);
    if (!row.format_label) return row.label;
    row.format_label(out, capacity);
    return out;
}

int MenuItemCount(const Menu& menu) {
    if (menu.list_choose) return menu.list_count;
    const size_t more = menu.more_rows ? menu.more_rows().size() : 0;
    return static_cast<int>(menu.rows.size() + more);
}

void ChooseMenuItem(const Menu& menu, int item) {
    if (item < 0 || item >= MenuItemCount(menu)) return;
    if (menu.list_choose) {
        menu.list_choose(item);
        return;
    }
    const MenuRow& row = *MenuItemRow(menu, item);
    if (row.run_value) row.run_value(row.value);
    if (!row.run) return;
    row.run();
    if (row.relabels) BuildMenus();
}

bool RunMenuEntry(const char* menu_name, const char* label) {
    const Menu* menu = FindMenu(kMainMenu, menu_name);
    if (!menu) return false;
    char formatted[64];
    for (int item = 0; item < MenuItemCount(*menu); ++item) {
        const MenuRow* row = MenuItemRow(*menu, item);
        if (row && row->submenu) continue;
        if (std::strcmp(MenuItemLabel(*menu, item, formatted, sizeof formatted), label) != 0) continue;
        ChooseMenuItem(*menu, item);
        return true;
    }
    return false;
}

void FormatGammaLabel(char* out, size_t capacity) {
    std::snprintf(out, capacity, "Gamma (%.2f)", render.shader_gamma);
}

void FormatColorLabel(char* out, size_t capacity) {
    std::snprintf(out, capacity, "Color (%.2f)", render.shader_color);
}

std::string GlutMenuLabel(const char* label) {
    std::string latin1;
    for (const char* c = label; *c;) {
        const gunichar code = g_utf8_get_char_validated(c, -1);
        const bool valid = code < 0x110000;  // not one of the two error values
        latin1 += valid && code < 0x100 ? static_cast<char>(code) : '?';
        c = valid ? g_utf8_next_char(c) : c + 1;
    }
    return latin1;
}
