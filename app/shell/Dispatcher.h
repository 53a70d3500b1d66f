// The command dispatcher: one table from GUI events to commands. A row matches an event
// by type, window, identifier (menu number, gadget number or key scan code) and, for
// keys, the modifier keys held. Adding a command is adding one row to CommandTable.cpp.
#pragma once

#include <cstdint>
#include <functional>

#include "gui/Gui.h"

// Modifier classes of key rows: which of Ctrl, Shift and Alt must be held (and no other).
enum : uint8_t {
    kKeyPlain = 0,
    kKeyCtrl = 1,
    kKeyShift = 2,
    kKeyAlt = 4,
    kKeyAnyModifiers = 0xFF,
};

using CommandHandler = void (*)(const GUI_Event& event);

struct DispatchRow {
    int type;           // GUI_EVENT_*
    int window;         // window number, -1 any
    int id;             // menu number, gadget number or scan code; -1 any
    int idLast;         // the last of a range of ids starting at `id` (usually `id`)
    uint8_t modifiers;  // key rows: kKey* classes
    CommandHandler handler;
    // Key rows that stand for a menu entry give its number here and no handler.
    int menu;
    // Shown when the command throws (other than a processor fault); null: a general one.
    const char* failure;
};

// Row helpers, so that each row of the table reads as one line.
constexpr DispatchRow MenuRow(int command, CommandHandler handler, const char* failure = nullptr) {
    return {GUI_EVENT_MENU, -1, command, command, 0, handler, -1, failure};
}
constexpr DispatchRow MenuRangeRow(int first, int last, CommandHandler handler,
                                   const char* failure = nullptr) {
    return {GUI_EVENT_MENU, -1, first, last, 0, handler, -1, failure};
}
constexpr DispatchRow GadgetRow(int window, int gadget, CommandHandler handler,
                                int type = GUI_EVENT_ACTIVATED, const char* failure = nullptr) {
    return {type, window, gadget, gadget, 0, handler, -1, failure};
}
constexpr DispatchRow ShortcutRow(int scancode, uint8_t modifiers, int menu) {
    return {GUI_EVENT_KEY, -1, scancode, scancode, modifiers, nullptr, menu, nullptr};
}
constexpr DispatchRow KeyRow(int scancode, uint8_t modifiers, CommandHandler handler) {
    return {GUI_EVENT_KEY, -1, scancode, scancode, modifiers, handler, -1, nullptr};
}
constexpr DispatchRow EventRow(int type, CommandHandler handler) {
    return {type, -1, -1, -1, 0, handler, -1, nullptr};
}
constexpr DispatchRow WindowEventRow(int type, int window, CommandHandler handler) {
    return {type, window, -1, -1, 0, handler, -1, nullptr};
}

// The table, in CommandTable.cpp; the first matching row wins.
const DispatchRow* DispatchTable(int& count);

// The Ctrl/Shift/Alt class of DRELM_MOD_* bits.
uint8_t ModifierClass(int modifiers);

// Finds the row for `event`, or null.
const DispatchRow* FindRow(const GUI_Event& event);

// Runs the command for `event`: the row's handler inside the command guard, a menu
// shortcut as its menu entry, and a key no row takes goes to the pattern editor.
// A processor fault inside a command is not carried on from: the CPUException leaves
// the dispatcher for the crash save. Other exceptions show the row's failure message.
void DispatchEvent(const GUI_Event& event);

// The same for a menu entry by number (the shortcuts and the tests come this way).
void DispatchMenu(int command);

// Test hook: when set, the command guard calls it before every handler, with the event;
// a hook that faults shows what a fault inside a command does.
void SetCommandHook(std::function<void(const GUI_Event&)> hook);
// A real memory fault, for that hook.
void ForceMemoryFault();
