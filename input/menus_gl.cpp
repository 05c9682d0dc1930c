// The menu tree handed to GLUT: every menu is created after its submenus,
// the main menu last.  One callback serves all of them; an entry's GLUT
// value indexes the entries of the current tree.
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
// Owned here; every rebuild retires the current tree.  `in_use` follows
// GLUT's menu status from the first build on.
struct MenuTrees {
    MenuTree current, retired;
    bool in_use = false;
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

}  // namespace

void BuildMenus() {
    for (int menu : g_menus.retired.menus) glutDestroyMenu(menu);
    g_menus.retired = std::move(g_menus.current);
    g_menus.current = MenuTree{};
    CreateMenu(kMainMenu);
    glutAttachMenu(GLUT_RIGHT_BUTTON);
    glutMenuStatusFunc(OnMenuStatus);
}

bool MenusInUse() { return g_menus.in_use; }
