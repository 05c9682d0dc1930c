// The right-button popup menus: one tree of rows, each row an entry that
// names an operation or a submenu.  menus.cpp holds the tree and what
// choosing an entry does; menus_gl.cpp hands the tree to GLUT.
//
// Submenus come before the entries of their menu, in the order shown.  The
// gamma and colour submenus show their value in their label, so choosing
// one of their entries builds the whole tree again.  The Options menu ends
// with rows made while the program runs, the camera chooser's
// (input/camera_menu.h); GLUT cannot change a menu while it is open, so
// such rows change only while MenusInUse() is false, followed by BuildMenus.
#pragma once

#include <cstddef>
#include <span>
#include <string>

struct Menu;

struct MenuRow {
    const char* label;                            // nullptr: `format_label` writes it
    void (*run)();                                // an entry ...
    const Menu* submenu;                          // ... or a submenu
    void (*format_label)(char* out, size_t capacity);
    bool relabels;                                // its value shows in a label
    void (*run_value)(int value) = nullptr;       // an entry of a table: run_value(value)
    int value = 0;
};

struct Menu {
    const char* name;  // how the program and tests address it
    std::span<const MenuRow> rows;
    // A menu listing a table instead: item i is labelled list_label(i) and
    // choosing it calls list_choose(i).
    int list_count = 0;
    const char* (*list_label)(int item) = nullptr;
    void (*list_choose)(int item) = nullptr;
    // Rows after `rows` that change while the program runs.
    std::span<const MenuRow> (*more_rows)() = nullptr;
};
extern const Menu kMainMenu;

// The row of item `item`; nullptr for the items of a list.
const MenuRow* MenuItemRow(const Menu& menu, int item);

// Entries of a menu: its rows, or its list items.
int MenuItemCount(const Menu& menu);
// The label item `item` shows (`out` holds it when it shows a value).
const char* MenuItemLabel(const Menu& menu, int item, char* out, size_t capacity);
// What the user's choice of item `item` does (then the rebuild, if due).
void ChooseMenuItem(const Menu& menu, int item);
// The choice by labels, as the user sees them: the entry `label` of the menu
// named `menu_name`.  False when there is no such entry.
bool RunMenuEntry(const char* menu_name, const char* label);

// Submenu labels that show a value: "Gamma (%.2f)", "Color (%.2f)".
void FormatGammaLabel(char* out, size_t capacity);
void FormatColorLabel(char* out, size_t capacity);

// In the main window: the tree is made and attached to the right button
// (GLUT) once the pointer first comes into the window.
void StartMenus();
// Makes the whole tree again when it exists (a label or a row changed).  The
// tree it replaces stays until ServeMenus, since its handler may still be
// running when it asks for a new one.
void BuildMenus();
// Once a frame: destroys a replaced tree once no menu is open.
void ServeMenus();
// Whether a popup menu is open now (menus_gl.cpp: GLUT's menu status).
bool MenusInUse();
// A label as GLUT draws it: its bitmap fonts hold the Latin-1 characters,
// so UTF-8 "×" becomes the one byte 0xD7; a character beyond Latin-1 shows
// as '?'.
std::string GlutMenuLabel(const char* label);
