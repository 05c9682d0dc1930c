// The menu tree handed to GLUT: every menu is created after its submenus,
// the main menu last.  One callback serves all of them; an entry's GLUT
// value indexes the entries of the current tree.
//
// freeglut makes each menu a window with a GL context of its own, about
// 2.5 MiB apiece on Mesa's software renderer (some 40 MiB for the tree), so
// the tree is made only once the pointer has come into the window: a menu
// opens under the pointer, and watching the cameras costs nothing.
#include <GL/freeglut.h>

#include <string>
#include <vector>

#include "input/menus.h"

namespace {

struct MenuChoice {
    const Menu* menu;
    int item;
};

struct MenuTree {
    std::vector<int> menus;            // GLUT menu ids
    std::vector<MenuChoice> choices;   // indexed by GLUT value
};
// Owned here; every rebuild retires the current tree, and ServeMenus
// destroys the retired one once no menu is open.  `in_use` follows GLUT's
// menu status.
struct MenuTrees {
    MenuTree current, retired;
    bool in_use = false;
    bool pointer_came = false;  // the tree exists from then on
} g_menus;

void OnMenuStatus(int status, int, int) { g_menus.in_use = status == GLUT_MENU_IN_USE; }

void OnMenuChoice(int value) {
    if (value < 0 || value >= static_cast<int>(g_menus.current.choices.size())) return;
    // Copied: the choice may rebuild the tree.
    const MenuChoice choice = g_menus.current.choices[value];
    ChooseMenuItem(*choice.menu, choice.item);
}

int CreateMenu(const Menu& menu) {
    std::vector<int> submenus(MenuItemCount(menu), 0);
    for (int item = 0; item < MenuItemCount(menu); ++item)
        if (const MenuRow* row = MenuItemRow(menu, item); row && row->submenu)
            submenus[item] = CreateMenu(*row->submenu);

    const int id = glutCreateMenu(OnMenuChoice);
    g_menus.current.menus.push_back(id);
    char formatted[64];
    for (int item = 0; item < MenuItemCount(menu); ++item) {
        const std::string label = GlutMenuLabel(MenuItemLabel(menu, item, formatted, sizeof formatted));
        if (submenus[item]) {
            glutAddSubMenu(label.c_str(), submenus[item]);
            continue;
        }
        glutAddMenuEntry(label.c_str(), static_cast<int>(g_menus.current.choices.size()));
        g_menus.current.choices.push_back({&menu, item});
    }
    return id;
}

void DestroyTree(MenuTree& tree) {
    for (int menu : tree.menus) glutDestroyMenu(menu);
    tree = MenuTree{};
}

void CreateTree() {
    DestroyTree(g_menus.retired);
    g_menus.retired = std::move(g_menus.current);
    g_menus.current = MenuTree{};
    CreateMenu(kMainMenu);
    glutAttachMenu(GLUT_RIGHT_BUTTON);
}

// Entering the window, or moving in it (a window mapped under the pointer
// may report no entry): the main window is GLUT's current one here.
void OnPointerArrived() {
    if (g_menus.pointer_came) return;
    g_menus.pointer_came = true;
    glutEntryFunc(nullptr);
    glutPassiveMotionFunc(nullptr);
    CreateTree();
}

void OnPointerCrossing(int state) {
    if (state == GLUT_ENTERED) OnPointerArrived();
}

void OnPointerMoved(int, int) { OnPointerArrived(); }

}  // namespace

void StartMenus() {
    glutMenuStatusFunc(OnMenuStatus);
    glutEntryFunc(OnPointerCrossing);
    glutPassiveMotionFunc(OnPointerMoved);
}

void BuildMenus() {
    if (g_menus.pointer_came) CreateTree();
}

void ServeMenus() {
    if (!g_menus.in_use) DestroyTree(g_menus.retired);
}

bool MenusInUse() { return g_menus.in_use; }
