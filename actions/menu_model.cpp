#include "actions/menu_model.h"

#include <string.h>

#include "base/heap.h"
#include "base/text.h"

namespace {

char16_t* CopyToHeap(const char16_t* text) {
    return static_cast<char16_t*>(HeapCopyBytes(text, ((size_t)TextLength(text) + 1) * sizeof(char16_t)));
}

MenuItem* NewItem(MenuModel* menu) {
    if (menu->count == menu->capacity) {
        void* block = GrowBlock(menu->items, &menu->capacity, sizeof(MenuItem));
        if (!block) return nullptr;
        menu->items = static_cast<MenuItem*>(block);
    }
    MenuItem* item = &menu->items[menu->count];
    memset(item, 0, sizeof *item);
    return item;
}

}  // namespace

void MenuInit(MenuModel* menu) {
    menu->items = nullptr;
    menu->count = 0;
    menu->capacity = 0;
}

void MenuFree(MenuModel* menu) {
    for (uint32_t i = 0; i < menu->count; i++) {
        MenuItem* item = &menu->items[i];
        if (item->text) HeapFreeBytes(item->text);
        if (item->submenu) {
            MenuFree(item->submenu);
            HeapFreeBytes(item->submenu);
        }
    }
    if (menu->items) HeapFreeBytes(menu->items);
    MenuInit(menu);
}

bool MenuAppendText(MenuModel* menu, const char16_t* text, uint32_t id, uint32_t flags, uint32_t data) {
    MenuItem* item = NewItem(menu);
    if (!item) return false;
    item->text = CopyToHeap(text);
    if (!item->text) return false;
    item->id = id;
    item->flags = flags & (kMenuChecked | kMenuHasData);
    if (flags & kMenuHasData) item->data = data;
    menu->count++;
    return true;
}

bool MenuAppendSeparator(MenuModel* menu) {
    MenuItem* item = NewItem(menu);
    if (!item) return false;
    item->flags = kMenuSeparator;
    menu->count++;
    return true;
}

MenuModel* MenuAppendPopup(MenuModel* menu, const char16_t* text) {
    MenuItem* item = NewItem(menu);
    if (!item) return nullptr;
    MenuModel* submenu = static_cast<MenuModel*>(HeapAllocBytes(sizeof(MenuModel)));
    char16_t* copy = CopyToHeap(text);
    if (!submenu || !copy) {
        if (submenu) HeapFreeBytes(submenu);
        if (copy) HeapFreeBytes(copy);
        return nullptr;
    }
    MenuInit(submenu);
    item->flags = kMenuPopup;
    item->text = copy;
    item->submenu = submenu;
    menu->count++;
    return submenu;
}
