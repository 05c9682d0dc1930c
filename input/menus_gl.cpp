// The GLUT menu tree.  Submenus are created before the menus that hold them,
// the main menu last.  A rebuild replaces the whole tree; the previous tree is
// destroyed at the following rebuild, since its handler may still be running
// when the gamma and colour entries ask for a new one.
#include <GL/freeglut.h>

#include <cstdio>
#include <vector>

#include "input/menus.h"
#include "render/render.h"
#include "render/shader.h"

namespace {

std::vector<int> g_current_tree, g_retired_tree;

int NewMenu(void (*handler)(int)) {
    const int menu = glutCreateMenu(handler);
    g_current_tree.push_back(menu);
    return menu;
}

// A menu of entries labelled by `labels`, valued 1, 2, ...
int ListMenu(void (*handler)(int), std::initializer_list<const char*> labels) {
    const int menu = NewMenu(handler);
    int value = 1;
    for (const char* label : labels) glutAddMenuEntry(label, value++);
    return menu;
}

template <size_t N, size_t Width>
int TableMenu(void (*handler)(int), const char (&table)[N][Width]) {
    const int menu = NewMenu(handler);
    for (size_t i = 0; i < N; ++i) glutAddMenuEntry(table[i], static_cast<int>(i) + 1);
    return menu;
}

}  // namespace

bool BuildMenus() {
    for (int menu : g_retired_tree) glutDestroyMenu(menu);
    g_retired_tree = std::move(g_current_tree);
    g_current_tree.clear();

    const int vertex = TableMenu(HandleVertexProgramMenu, kVertexProgramFiles);
    const int pixel = TableMenu(HandlePixelProgramMenu, kPixelProgramFiles);
    const int masks = TableMenu(HandleMaskMenu, kMaskFiles);
    const int gamma = ListMenu(HandleGammaMenu, {"Gamma+", "Gamma-"});
    const int color = ListMenu(HandleColorMenu, {"Color+", "Color-"});
    const int models = ListMenu(HandleModelsMenu, {"Load Half-Life Model", "Set Model Position ON/OFF"});

    char gamma_label[32], color_label[32];
    FormatGammaLabel(gamma_label, sizeof gamma_label);
    FormatColorLabel(color_label, sizeof color_label);
    const int shader = NewMenu(HandleShaderMenu);
    glutAddSubMenu("Cg Vertex Shader", vertex);
    glutAddSubMenu("Cg Pixel Shader", pixel);
    glutAddSubMenu("Bmp Mask", masks);
    glutAddSubMenu(gamma_label, gamma);
    glutAddSubMenu(color_label, color);
    glutAddSubMenu("Models", models);
    glutAddMenuEntry("Set View Mode to Shader", 1);
    glutAddMenuEntry("Reload Cg Shader", 2);

    const int statistic = ListMenu(HandleStatisticModeMenu, {"Mode 0", "Mode 1"});
    const int schema = ListMenu(HandleColorSchemaMenu, {"Nice Blue", "Nice Red", "Nice Green"});
    const int buttons = ListMenu(
        HandleButtonsMenu,
        {"Splitscreen Button", "Image Swap Button", "Motion Shot Button", "Motion Alarm Button",
         "Stats Mode Button", "Motion Record Button", "Record Button", "Zoom Button", "Normal Button",
         "Shader Button", "Effect Record Button", "Screen Record Button", "Record OFF Button"});
    const int backplate = NewMenu(HandleBackplateMenu);
    glutAddSubMenu("Color Schema", schema);
    glutAddSubMenu("Statistic Mode", statistic);
    glutAddSubMenu("Buttons", buttons);
    glutAddMenuEntry("Statistic Backplate ON/OFF", 1);
    glutAddMenuEntry("Status Bar ON/OFF", 2);
    glutAddMenuEntry("Time&Date Backplate ON/OFF", 3);
    glutAddMenuEntry("Console Backplate ON/OFF", 4);
    glutAddMenuEntry("All Buttons ON/OFF", 5);

    const int interval =
        ListMenu(HandleMotionIntervalMenu, {"1 second", "5 seconds", "10 seconds", "30 seconds"});
    const int timer =
        ListMenu(HandleMotionRecordTimerMenu, {"10 seconds", "20 seconds", "30 seconds", "40 seconds"});
    const int primary =
        ListMenu(HandlePrimaryDeviceMenu, {"Device 1 (device1.xml)", "Device 2 (device2.xml)"});
    const int secondary =
        ListMenu(HandleSecondaryDeviceMenu, {"Device 1 (device1.xml)", "Device 2 (device2.xml)"});
    const int view = ListMenu(HandleViewModeMenu, {"Normal", "Shader", "Splitscreen", "Image Swap"});
    const int motion = ListMenu(HandleMotionMenu, {"Motion Shot ON/OFF", "Motion Record ON/OFF",
                                                   "Motion Alarm ON/OFF", "Load Motion Alarm File"});
    const int record = ListMenu(HandleRecordMenu, {"Record", "Effect Record", "Screen Record", "OFF"});

    const int options = NewMenu(HandleOptionsMenu);
    glutAddSubMenu("Backplate", backplate);
    glutAddSubMenu("Motion Interval", interval);
    glutAddSubMenu("Motion Record Timer", timer);
    glutAddSubMenu("Primary Video Device", primary);
    glutAddSubMenu("Secondary Video Device", secondary);
    glutAddSubMenu("View Mode", view);
    glutAddSubMenu("Motion", motion);
    glutAddSubMenu("Record", record);
    glutAddMenuEntry("Fullscreen ON/OFF", 1);
    glutAddMenuEntry("FILL/LINE", 2);
    glutAddMenuEntry("NEAREST/LINEAR", 3);

    NewMenu(HandleMainMenu);
    glutAddSubMenu("Cg Shader", shader);
    glutAddSubMenu("Options", options);
    glutAddMenuEntry("Take a Screenshot", 1);
    glutAddMenuEntry("Exit", 2);
    glutAttachMenu(GLUT_RIGHT_BUTTON);
    return true;
}
