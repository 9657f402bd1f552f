// A popup menu as plain data: the core builds it, the shell turns it into a
// real menu, tests read it directly.
#pragma once
#include <stddef.h>
#include <stdint.h>

const uint32_t kMenuSeparator = 0x1;
const uint32_t kMenuChecked = 0x2;
const uint32_t kMenuPopup = 0x4;
const uint32_t kMenuHasData = 0x8;

struct MenuModel;

struct MenuItem {
    uint32_t flags;
    uint32_t id;          // 0 for separators and popups
    uint32_t data;        // meaningful with kMenuHasData
    char16_t* text;       // own heap copy; null for a separator
    MenuModel* submenu;   // own heap block with kMenuPopup
};

struct MenuModel {
    MenuItem* items;
    uint32_t count;
    uint32_t capacity;
};

void MenuInit(MenuModel* menu);
// Releases the items, their texts and submenus.
void MenuFree(MenuModel* menu);
// Each append returns false, leaving the menu as it was, when memory runs out.
// With kMenuHasData in flags the item carries data.
bool MenuAppendText(MenuModel* menu, const char16_t* text, uint32_t id, uint32_t flags, uint32_t data = 0);
bool MenuAppendSeparator(MenuModel* menu);
// Appends a text that opens a new empty submenu; returns it, or null.
MenuModel* MenuAppendPopup(MenuModel* menu, const char16_t* text);
