#include "input/camera_menu.h"

#include <deque>
#include <string>
#include <vector>

#include "capture/camera_chooser.h"

namespace {

const char* const kSlotLabels[kCameraCount] = {"Primary camera", "Secondary camera"};

// What a mode's row stands for.
struct ModeRow {
    Camera slot;
    int camera, mode;
};

// Owned here: made whole by MakeCameraMenus, which runs only while no menu
// is open.  Deques keep the addresses that rows and menus point at.
struct CameraMenuState {
    std::deque<std::string> names;
    std::deque<std::vector<MenuRow>> row_lists;
    std::deque<Menu> menus;
    std::vector<MenuRow> options_rows;
    std::vector<ModeRow> mode_rows;  // indexed by a mode row's value
    bool stale = false;              // the camera list changed since
} g_camera_menus;

void PickRow(int value) {
    const ModeRow& row = g_camera_menus.mode_rows[value];
    PickCameraMode(row.slot, row.camera, row.mode);
}

MenuRow SubmenuRow(const char* label, const Menu& menu) { return {label, nullptr, &menu, nullptr, false}; }

const Menu& AddMenu(std::string name, std::vector<MenuRow> rows) {
    CameraMenuState& s = g_camera_menus;
    s.names.push_back(std::move(name));
    s.row_lists.push_back(std::move(rows));
    s.menus.push_back(Menu{s.names.back().c_str(), s.row_lists.back()});
    return s.menus.back();
}

// Named "<camera> / Primary camera": every menu's name is its own.
const Menu& SlotMenu(int camera, Camera slot) {
    const ChooserCamera& listed = chooser.cameras[camera];
    std::vector<MenuRow> rows;
    for (int mode = 0; mode < static_cast<int>(listed.modes.size()); ++mode) {
        const int value = static_cast<int>(g_camera_menus.mode_rows.size());
        g_camera_menus.mode_rows.push_back({slot, camera, mode});
        rows.push_back({listed.modes[mode].label.c_str(), nullptr, nullptr, nullptr, false, PickRow, value});
    }
    return AddMenu(listed.label + " / " + kSlotLabels[slot], std::move(rows));
}

const Menu& CameraMenu(int camera) {
    std::vector<MenuRow> rows;
    for (int slot = 0; slot < kCameraCount; ++slot)
        rows.push_back(SubmenuRow(kSlotLabels[slot], SlotMenu(camera, static_cast<Camera>(slot))));
    return AddMenu(chooser.cameras[camera].label, std::move(rows));
}

void MakeCameraMenus() {
    g_camera_menus = CameraMenuState{};
    for (int camera = 0; camera < static_cast<int>(chooser.cameras.size()); ++camera) {
        const Menu& menu = CameraMenu(camera);
        g_camera_menus.options_rows.push_back(SubmenuRow(menu.name, menu));
    }
    if (chooser.cameras.empty())
        g_camera_menus.options_rows.push_back({"No camera found", nullptr, nullptr, nullptr, false});
}

}  // namespace

std::span<const MenuRow> CameraChooserRows() { return g_camera_menus.options_rows; }

void StartCameraMenus() {
    StartCameraWatch();
    CameraListChanged();  // the cameras there at the start: read just below
    ReadChooserCameras();
    MakeCameraMenus();
}

void ServeCameraMenus() {
    if (CameraListChanged()) g_camera_menus.stale = true;
    if (g_camera_menus.stale && !MenusInUse()) {
        ReadChooserCameras();
        MakeCameraMenus();
        BuildMenus();
    }
    DoCameraPick();
}
