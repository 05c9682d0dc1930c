// The menu tree handed to GLUT: every menu is created after its submenus,
// the main menu last.  One callback serves all of them; an entry's GLUT
// value indexes the entries of the current tree.
#include <GL/freeglut.h>

#include <vector>

#include "input/menus.h"

namespace {

struct MenuChoice {
    const Menu* menu;
    int item;
};

// Owned here; replaced whole by every rebuild.
struct MenuTree {
    std::vector<int> menus;            // GLUT menu ids
    std::vector<MenuChoice> choices;   // indexed by GLUT value
};
MenuTree g_current_tree, g_retired_tree;

void OnMenuChoice(int value) {
    if (value < 0 || value >= static_cast<int>(g_current_tree.choices.size())) return;
    // Copied: the choice may rebuild the tree.
    const MenuChoice choice = g_current_tree.choices[value];
    ChooseMenuItem(*choice.menu, choice.item);
}

int CreateMenu(const Menu& menu) {
    std::vector<int> submenus(MenuItemCount(menu), 0);
    for (int item = 0; item < MenuItemCount(menu); ++item)
        if (!menu.list_choose && menu.rows[item].submenu)
            submenus[item] = CreateMenu(*menu.rows[item].submenu);

    const int id = glutCreateMenu(OnMenuChoice);
    g_current_tree.menus.push_back(id);
    char formatted[64];
    for (int item = 0; item < MenuItemCount(menu); ++item) {
        const char* label = MenuItemLabel(menu, item, formatted, sizeof formatted);
        if (submenus[item]) {
            glutAddSubMenu(label, submenus[item]);
            continue;
        }
        glutAddMenuEntry(label, static_cast<int>(g_current_tree.choices.size()));
        g_current_tree.choices.push_back({&menu, item});
    }
    return id;
}

}  // namespace

void BuildMenus() {
    for (int menu : g_retired_tree.menus) glutDestroyMenu(menu);
    g_retired_tree = std::move(g_current_tree);
    g_current_tree = MenuTree{};
    CreateMenu(kMainMenu);
    glutAttachMenu(GLUT_RIGHT_BUTTON);
}
