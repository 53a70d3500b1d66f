// Recorded editor commands that replay relative edits: up to 50 named macros, 12 of them
// bound to Ctrl+F1..Ctrl+F12, and one unnamed temporary macro with a key of its own.
// The logic is headless; the shell supplies requesters through MacroPrompts.
#pragma once

#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include "editor/EditCommand.h"

constexpr int kMacroNameLength = 32;
constexpr int kMacroDescriptionLength = 64;
constexpr int kMacroCommands = 1024;
constexpr int kMacroSlots = 12;
constexpr int kStoredMacros = 50;
constexpr uint8_t kNoMacroSource = 255;

struct Macro {
    char name[33];         // zero-terminated, 1..32 characters 32..127, not all blanks
    char description[65];  // zero-terminated, 0..64 characters 32..127
    EditCommand commands[kMacroCommands];
    uint32_t commandCount;  // 0..1024; an empty slot has an empty name and no commands
};
static_assert(sizeof(Macro) == 33 + 65 + 2 + 12 * 1024 + 4, "Macro keeps its fixed layout");

struct MacroStore {
    Macro active[kMacroSlots];          // copies of the macros bound to Ctrl+F1..Ctrl+F12
    uint8_t activeSource[kMacroSlots];  // index into stored; 255 = slot empty
    Macro stored[kStoredMacros];        // all named macros, in list order
    uint8_t isActive[kStoredMacros];    // 1 when the stored macro is bound to a slot
    uint32_t storedCount;               // 0..50
};
static_assert(sizeof(MacroStore) == 12 * sizeof(Macro) + 12 + 50 * sizeof(Macro) + 50 + 2 + 4,
              "MacroStore keeps its fixed layout");

// Empties a macro: empty name and description, no commands.
void ClearMacro(Macro& macro);
// Whether a text is a valid macro name (1..32 characters 32..127, not all blanks) or a
// valid description (0..64 characters 32..127).
bool IsValidMacroName(const std::string& name);
bool IsValidMacroDescription(const std::string& description);
std::string MacroName(const Macro& macro);
std::string MacroDescription(const Macro& macro);

// The requesters the macro commands need. Unset functions act as a cancelled requester.
struct MacroPrompts {
    // A message requester with one button.
    std::function<void(const char* text)> message;
    // A yes/no requester ("Yes" and "No"); true for yes.
    std::function<bool(const char* text)> askYesNo;
    // The macro dialog titled `title` with "Name:" and "Description:" prefilled; `check`
    // gives the error message for the entered texts or nullptr, and the dialog stays open
    // (showing the message) until the texts pass or the user cancels. True on "Okay".
    std::function<bool(
        const char* title, std::string& name, std::string& description,
        const std::function<const char*(const std::string&, const std::string&)>& check)>
        editMacro;
};

// The macro dialog's checks on "Okay", in order; nullptr when the texts pass. `editing` is
// the stored macro being changed (its own name does not count as taken), or -1.
const char* CheckMacroDialog(const MacroStore& store, const std::string& name,
                             const std::string& description, int editing);

// Executes one command the way the pattern view's ExecuteCommand does (which records it
// again while a recording runs).
using CommandExecutor = std::function<void(const EditCommand&)>;

class Macros {
public:
    MacroStore store;
    Macro recordingBuffer;
    bool recording = false;
    bool recordingTemporary = false;
    Macro temporary;
    // The store differs from the "macros" file; saved at quit only then.
    bool changed = false;

    Macros();

    // ---- recording ----
    // "Start recording...": ignored while recording; the maximum message when the store is
    // full; else the macro dialog, and on "Okay" recording starts.
    void StartRecording(const MacroPrompts& prompts);
    // Starts recording the temporary macro at once; ignored while recording.
    void StartRecordingTemporary();
    // Ends a recording: an empty one is refused with a message (the old temporary macro
    // stays); a temporary one replaces the temporary macro; a named one is appended.
    void StopRecording(const MacroPrompts& prompts);
    // Appends `cmd` to the recording while one runs, up to 1024 commands.
    void Record(const EditCommand& cmd);
    // The code-1 move that stands for a mouse selection: the cursor corner's change, and
    // `a` = 1 when the anchor stayed where it was. Recorded, not executed.
    static EditCommand SelectionCommand(int oldAnchorColumn, int oldAnchorLine, int oldCursorColumn,
                                        int oldCursorLine, int newAnchorColumn, int newAnchorLine,
                                        int newCursorColumn, int newCursorLine);
    void RecordSelection(int oldAnchorColumn, int oldAnchorLine, int oldCursorColumn,
                         int oldCursorLine, int newAnchorColumn, int newAnchorLine,
                         int newCursorColumn, int newCursorLine);

    // ---- running ----
    // Runs hotkey slot n (0..11) or the temporary macro: every command goes to `execute`
    // in order under `playerLock`; nothing happens while playback is followed. Returns
    // whether the macro ran.
    bool RunSlot(int n, std::recursive_mutex& playerLock, bool following,
                 const CommandExecutor& execute);
    bool RunTemporary(std::recursive_mutex& playerLock, bool following,
                      const CommandExecutor& execute);

    // ---- the store ----
    // Binds stored macro s to hotkey slot `slot` (both in range; false otherwise).
    bool Activate(int s, int slot);
    // Empties the slot and marks its source inactive.
    void Deactivate(int slot);
    // Appends a copy of `macro` (not active); false when the store is full.
    bool Store(const Macro& macro);
    // Removes stored macro i: later macros move up, their bindings follow them, and a slot
    // bound to i is emptied.
    void Delete(int i);
    // Renames stored macro i and updates the copies bound to slots; the texts must be valid.
    bool Change(int i, const std::string& name, const std::string& description);
    // Empties the whole store (not the temporary macro or a running recording).
    void ClearStore();
    // Fills active[] from stored[] by activeSource and sets isActive; the load path uses it.
    void RebuildActive();
    int FirstFreeSlot() const;

    // ---- the macro manager ----
    struct ActiveRow {
        int slot;
        std::string hotkey;  // "CTRL + F 1" .. "CTRL + F12"
        std::string name, description;
    };
    struct InactiveRow {
        int stored;
        std::string name, description;
    };
    std::vector<ActiveRow> ActiveRows() const;
    std::vector<InactiveRow> InactiveRows() const;
    // "Activate": binds stored macro s to the first free slot, or says there is no room.
    void ManagerActivate(int s, const MacroPrompts& prompts);
    // "Inactivate".
    void ManagerInactivate(int slot) { Deactivate(slot); }
    // "Change": the macro dialog titled "Change macro" on stored macro s.
    void ManagerChange(int s, const MacroPrompts& prompts);
    // "Delete...": asks first.
    void ManagerDelete(int s, const MacroPrompts& prompts);

    // ---- the Macro menu ----
    struct MenuState {
        bool startEnabled;                   // "Start recording..." and "Start recording temporary"
        bool stopEnabled;                    // "Stop recording"
        std::string slotLabel[kMacroSlots];  // "1: name" or "1: --"
        std::string slotShortcut[kMacroSlots];  // "CTRL + F1"
        bool slotEnabled[kMacroSlots];
        bool runTemporaryEnabled;
    };
    MenuState Menu() const;

private:
    bool Run(const Macro& macro, std::recursive_mutex& playerLock, bool following,
             const CommandExecutor& execute);
};

// Key codes are the PC set-1 scan codes the input library reports.
constexpr int kScanF1 = 59;
constexpr int kScanF10 = 68;
constexpr int kScanF11 = 87;
constexpr int kScanF12 = 88;
constexpr int kScanLeftOfOne = 41;
// The hotkey slot (0..11) of Ctrl+F1..Ctrl+F12, or -1.
int MacroHotkeySlot(int scanCode, bool ctrl);
// The temporary macro's key: Ctrl or Alt with the key left of the 1 key (the menu shows
// "Alt + ^", and both modifiers run it).
bool IsRunTemporaryKey(int scanCode, bool ctrl, bool alt);

extern const char kMacroMaximumMessage[];
