// The dispatcher's matching and the guard every command runs in.
#include "app/shell/Dispatcher.h"

#include <sys/mman.h>

#include "app/Exceptions.h"
#include "app/shell/EditMenu.h"
#include "app/shell/EditorBinding.h"
#include "app/shell/MenuTable.h"
#include "app/shell/Shell.h"
#include "gui/Requesters.h"

namespace {

std::function<void(const GUI_Event&)> gCommandHook;

bool Matches(const DispatchRow& row, const GUI_Event& e) {
    if (row.type != e.type) return false;
    if (row.window >= 0 && row.window != e.window) return false;
    switch (e.type) {
        case GUI_EVENT_KEY:
        case GUI_EVENT_KEY_UP:
            if (row.id >= 0 && (e.key < row.id || e.key > row.idLast)) return false;
            return row.modifiers == kKeyAnyModifiers || row.modifiers == ModifierClass(e.modifiers);
        default:
            return row.id < 0 || (e.gadget >= row.id && e.gadget <= row.idLast);
    }
}

void RunGuarded(const DispatchRow& row, const GUI_Event& e) {
    try {
        if (gCommandHook) gCommandHook(e);
        row.handler(e);
    } catch (const CPUException&) {
        // The heap may be damaged: nothing more runs on it but the crash save.
        throw;
    } catch (const Exception& ex) {
        if (gShell.gui)
            GUI_MessageRequester(*gShell.gui,
                                 row.failure ? row.failure : "The command could not be completed.");
    } catch (const std::bad_alloc&) {
        if (gShell.gui)
            GUI_MessageRequester(*gShell.gui, "There is not enough memory for this command.");
    }
}

}  // namespace

uint8_t ModifierClass(int modifiers) {
    uint8_t c = kKeyPlain;
    if (modifiers & DRELM_MOD_CTRL) c |= kKeyCtrl;
    if (modifiers & DRELM_MOD_SHIFT) c |= kKeyShift;
    if (modifiers & DRELM_MOD_ALT) c |= kKeyAlt;
    return c;
}

const DispatchRow* FindRow(const GUI_Event& event) {
    int count = 0;
    const DispatchRow* table = DispatchTable(count);
    for (int i = 0; i < count; ++i)
        if (Matches(table[i], event)) return &table[i];
    return nullptr;
}

void DispatchEvent(const GUI_Event& event) {
    const DispatchRow* row = FindRow(event);
    if (row == nullptr) {
        if (event.type == GUI_EVENT_KEY) {
            const DispatchRow editorRow = {GUI_EVENT_KEY,
                                           -1,
                                           -1,
                                           -1,
                                           kKeyAnyModifiers,
                                           [](const GUI_Event& k) { EditorKey(k); },
                                           -1,
                                           nullptr};
            RunGuarded(editorRow, event);
        }
        return;
    }
    if (row->menu >= 0) {
        // Holding these keys down must not cut, paste or interpolate again and again.
        const bool once = row->menu == kMenuCut || row->menu == kMenuCopy ||
                          row->menu == kMenuPaste || row->menu == kMenuGradient;
        // With "Edit" off the pattern keys only move and sound; the menu still edits.
        const bool locked = !gEditor.editMode && IsPatternEditingMenu(row->menu);
        if (!(once && event.repeat) && !locked) DispatchMenu(row->menu);
        return;
    }
    if (row->handler) RunGuarded(*row, event);
}

void DispatchMenu(int command) {
    GUI_Event e;
    e.type = GUI_EVENT_MENU;
    e.gadget = command;
    DispatchEvent(e);
}

void SetCommandHook(std::function<void(const GUI_Event&)> hook) { gCommandHook = std::move(hook); }

void ForceMemoryFault() {
    // A page that may not be touched: the write faults as a stray pointer would.
    static void* page = mmap(nullptr, 4096, PROT_NONE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    volatile int* forbidden = static_cast<volatile int*>(page);
    *forbidden = 1;
}
