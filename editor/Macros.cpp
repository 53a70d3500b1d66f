// Macro recording, running, the store's bookkeeping and the manager's operations.
#include "editor/Macros.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

const char kMacroMaximumMessage[] = "The maximum number of macros has been already reached.";

namespace {

bool AllPrintable(const std::string& text) {
    for (unsigned char ch : text)
        if (ch < 32 || ch > 127) return false;
    return true;
}

void SetTexts(Macro& macro, const std::string& name, const std::string& description) {
    std::memset(macro.name, 0, sizeof macro.name);
    std::memset(macro.description, 0, sizeof macro.description);
    std::memcpy(macro.name, name.data(), std::min<size_t>(name.size(), kMacroNameLength));
    std::memcpy(macro.description, description.data(),
                std::min<size_t>(description.size(), kMacroDescriptionLength));
}

std::string SlotHotkey(int slot) {
    char text[16];
    std::snprintf(text, sizeof text, "CTRL + F%2d", slot + 1);
    return text;
}

}  // namespace

void ClearMacro(Macro& macro) { std::memset(static_cast<void*>(&macro), 0, sizeof macro); }

bool IsValidMacroName(const std::string& name) {
    if (name.empty() || name.size() > kMacroNameLength || !AllPrintable(name)) return false;
    return name.find_first_not_of(' ') != std::string::npos;
}

bool IsValidMacroDescription(const std::string& description) {
    return description.size() <= kMacroDescriptionLength && AllPrintable(description);
}

std::string MacroName(const Macro& macro) {
    return std::string(macro.name, strnlen(macro.name, kMacroNameLength));
}

std::string MacroDescription(const Macro& macro) {
    return std::string(macro.description, strnlen(macro.description, kMacroDescriptionLength));
}

const char* CheckMacroDialog(const MacroStore& store, const std::string& name,
                             const std::string& description, int editing) {
    if (name.empty()) return "A macro's name must not be empty.";
    if (!IsValidMacroName(name)) return "The macro's name is not valid.";
    if (!IsValidMacroDescription(description)) return "The macro's description is not valid.";
    for (uint32_t i = 0; i < store.storedCount && i < kStoredMacros; ++i) {
        if (static_cast<int>(i) != editing && MacroName(store.stored[i]) == name)
            return "The name is already used in another macro.";
    }
    return nullptr;
}

Macros::Macros() {
    ClearStore();
    ClearMacro(recordingBuffer);
    ClearMacro(temporary);
    changed = false;
}

void Macros::ClearStore() {
    std::memset(static_cast<void*>(&store), 0, sizeof store);
    std::memset(store.activeSource, kNoMacroSource, sizeof store.activeSource);
    changed = true;
}

// ---- recording ----

void Macros::StartRecording(const MacroPrompts& prompts) {
    if (recording) return;
    if (store.storedCount >= kStoredMacros) {
        if (prompts.message) prompts.message(kMacroMaximumMessage);
        return;
    }
    if (!prompts.editMacro) return;
    std::string name, description;
    const auto check = [this](const std::string& n, const std::string& d) {
        return CheckMacroDialog(store, n, d, -1);
    };
    if (!prompts.editMacro("Start macro recording", name, description, check)) return;
    if (check(name, description)) return;  // a dialog that let bad texts through
    ClearMacro(recordingBuffer);
    SetTexts(recordingBuffer, name, description);
    recording = true;
    recordingTemporary = false;
}

void Macros::StartRecordingTemporary() {
    if (recording) return;
    ClearMacro(recordingBuffer);
    recording = true;
    recordingTemporary = true;
}

void Macros::StopRecording(const MacroPrompts& prompts) {
    if (!recording) return;
    recording = false;
    if (recordingBuffer.commandCount == 0) {
        if (prompts.message) prompts.message("An empty macro can't be stored.");
        return;
    }
    if (recordingTemporary) {
        temporary = recordingBuffer;
        return;
    }
    // The dialog checked the name against the store when recording began; a macro stored
    // since then under the same name must not make two of them.
    if (CheckMacroDialog(store, MacroName(recordingBuffer), MacroDescription(recordingBuffer),
                         -1)) {
        if (prompts.message) prompts.message("The name is already used in another macro.");
        return;
    }
    if (!Store(recordingBuffer) && prompts.message) prompts.message(kMacroMaximumMessage);
}

void Macros::Record(const EditCommand& cmd) {
    if (!recording || recordingBuffer.commandCount >= kMacroCommands) return;
    recordingBuffer.commands[recordingBuffer.commandCount++] = cmd;
}

EditCommand Macros::SelectionCommand(int oldAnchorColumn, int oldAnchorLine, int oldCursorColumn,
                                     int oldCursorLine, int newAnchorColumn, int newAnchorLine,
                                     int newCursorColumn, int newCursorLine) {
    EditCommand cmd;
    cmd.code = kCmdMove;
    cmd.a = (oldAnchorColumn == newAnchorColumn && oldAnchorLine == newAnchorLine) ? 1 : 0;
    cmd.c = static_cast<int16_t>(newCursorColumn - oldCursorColumn);
    cmd.d = static_cast<int16_t>(newCursorLine - oldCursorLine);
    return cmd;
}

void Macros::RecordSelection(int oldAnchorColumn, int oldAnchorLine, int oldCursorColumn,
                             int oldCursorLine, int newAnchorColumn, int newAnchorLine,
                             int newCursorColumn, int newCursorLine) {
    Record(SelectionCommand(oldAnchorColumn, oldAnchorLine, oldCursorColumn, oldCursorLine,
                            newAnchorColumn, newAnchorLine, newCursorColumn, newCursorLine));
}

// ---- running ----

bool Macros::Run(const Macro& macro, std::recursive_mutex& playerLock, bool following,
                 const CommandExecutor& execute) {
    if (following || !execute) return false;
    std::lock_guard<std::recursive_mutex> lock(playerLock);
    // Commands are copied out first: a run that is recorded into the temporary macro's
    // recording must not read a buffer that grows under it.
    const uint32_t count = std::min<uint32_t>(macro.commandCount, kMacroCommands);
    std::vector<EditCommand> commands(macro.commands, macro.commands + count);
    for (const EditCommand& cmd : commands) execute(cmd);
    return count > 0;
}

bool Macros::RunSlot(int n, std::recursive_mutex& playerLock, bool following,
                     const CommandExecutor& execute) {
    if (n < 0 || n >= kMacroSlots || store.activeSource[n] == kNoMacroSource) return false;
    return Run(store.active[n], playerLock, following, execute);
}

bool Macros::RunTemporary(std::recursive_mutex& playerLock, bool following,
                          const CommandExecutor& execute) {
    return Run(temporary, playerLock, following, execute);
}

// ---- the store ----

bool Macros::Activate(int s, int slot) {
    if (s < 0 || s >= static_cast<int>(store.storedCount) || slot < 0 || slot >= kMacroSlots)
        return false;
    // A slot taken by another macro gives that one back to the inactive list.
    const uint8_t previous = store.activeSource[slot];
    if (previous != kNoMacroSource && previous != s && previous < store.storedCount)
        store.isActive[previous] = 0;
    store.active[slot] = store.stored[s];
    store.activeSource[slot] = static_cast<uint8_t>(s);
    store.isActive[s] = 1;
    changed = true;
    return true;
}

void Macros::Deactivate(int slot) {
    if (slot < 0 || slot >= kMacroSlots) return;
    // The source index, not the name, finds the stored macro: names can change.
    const uint8_t source = store.activeSource[slot];
    if (source != kNoMacroSource && source < store.storedCount) store.isActive[source] = 0;
    ClearMacro(store.active[slot]);
    store.activeSource[slot] = kNoMacroSource;
    changed = true;
}

bool Macros::Store(const Macro& macro) {
    if (store.storedCount >= kStoredMacros) return false;
    store.stored[store.storedCount] = macro;
    store.isActive[store.storedCount] = 0;
    ++store.storedCount;
    changed = true;
    return true;
}

void Macros::Delete(int i) {
    const int count = static_cast<int>(store.storedCount);
    if (i < 0 || i >= count) return;
    for (int k = i; k + 1 < count; ++k) {
        store.stored[k] = store.stored[k + 1];
        store.isActive[k] = store.isActive[k + 1];
    }
    ClearMacro(store.stored[count - 1]);
    store.isActive[count - 1] = 0;
    --store.storedCount;
    for (int slot = 0; slot < kMacroSlots; ++slot) {
        uint8_t& source = store.activeSource[slot];
        if (source == kNoMacroSource) continue;
        if (source == i) {
            ClearMacro(store.active[slot]);
            source = kNoMacroSource;
        } else if (source > i) {
            --source;
        }
    }
    changed = true;
}

bool Macros::Change(int i, const std::string& name, const std::string& description) {
    if (i < 0 || i >= static_cast<int>(store.storedCount)) return false;
    if (!IsValidMacroName(name) || !IsValidMacroDescription(description)) return false;
    SetTexts(store.stored[i], name, description);
    for (int slot = 0; slot < kMacroSlots; ++slot)
        if (store.activeSource[slot] == i) SetTexts(store.active[slot], name, description);
    changed = true;
    return true;
}

void Macros::RebuildActive() {
    std::memset(store.isActive, 0, sizeof store.isActive);
    for (int slot = 0; slot < kMacroSlots; ++slot) {
        const uint8_t source = store.activeSource[slot];
        if (source != kNoMacroSource && source < store.storedCount) {
            store.active[slot] = store.stored[source];
            store.isActive[source] = 1;
        } else {
            ClearMacro(store.active[slot]);
            store.activeSource[slot] = kNoMacroSource;
        }
    }
}

int Macros::FirstFreeSlot() const {
    for (int slot = 0; slot < kMacroSlots; ++slot)
        if (store.activeSource[slot] == kNoMacroSource) return slot;
    return -1;
}

// ---- the macro manager ----

std::vector<Macros::ActiveRow> Macros::ActiveRows() const {
    std::vector<ActiveRow> rows;
    for (int slot = 0; slot < kMacroSlots; ++slot) {
        if (store.activeSource[slot] == kNoMacroSource) continue;
        rows.push_back({slot, SlotHotkey(slot), MacroName(store.active[slot]),
                        MacroDescription(store.active[slot])});
    }
    return rows;
}

std::vector<Macros::InactiveRow> Macros::InactiveRows() const {
    std::vector<InactiveRow> rows;
    for (uint32_t i = 0; i < store.storedCount; ++i) {
        if (store.isActive[i]) continue;
        rows.push_back(
            {static_cast<int>(i), MacroName(store.stored[i]), MacroDescription(store.stored[i])});
    }
    return rows;
}

void Macros::ManagerActivate(int s, const MacroPrompts& prompts) {
    if (s < 0 || s >= static_cast<int>(store.storedCount) || store.isActive[s]) return;
    const int slot = FirstFreeSlot();
    if (slot < 0) {
        if (prompts.message) prompts.message("There's no more space for more active macros.");
        return;
    }
    Activate(s, slot);
}

void Macros::ManagerChange(int s, const MacroPrompts& prompts) {
    if (s < 0 || s >= static_cast<int>(store.storedCount) || !prompts.editMacro) return;
    std::string name = MacroName(store.stored[s]);
    std::string description = MacroDescription(store.stored[s]);
    const auto check = [this, s](const std::string& n, const std::string& d) {
        return CheckMacroDialog(store, n, d, s);
    };
    if (!prompts.editMacro("Change macro", name, description, check)) return;
    if (check(name, description)) return;
    Change(s, name, description);
}

void Macros::ManagerDelete(int s, const MacroPrompts& prompts) {
    if (s < 0 || s >= static_cast<int>(store.storedCount) || !prompts.askYesNo) return;
    if (prompts.askYesNo("Do you really want to delete this macro?")) Delete(s);
}

// ---- the Macro menu ----

Macros::MenuState Macros::Menu() const {
    MenuState menu;
    menu.startEnabled = !recording;
    menu.stopEnabled = recording;
    for (int slot = 0; slot < kMacroSlots; ++slot) {
        const bool bound = store.activeSource[slot] != kNoMacroSource;
        menu.slotLabel[slot] = std::to_string(slot + 1) + ": " +
                               (bound ? MacroName(store.active[slot]) : std::string("--"));
        menu.slotShortcut[slot] = "CTRL + F" + std::to_string(slot + 1);
        menu.slotEnabled[slot] = bound;
    }
    menu.runTemporaryEnabled = temporary.commandCount > 0;
    return menu;
}

int MacroHotkeySlot(int scanCode, bool ctrl) {
    if (!ctrl) return -1;
    if (scanCode >= kScanF1 && scanCode <= kScanF10) return scanCode - kScanF1;
    if (scanCode == kScanF11) return 10;
    if (scanCode == kScanF12) return 11;
    return -1;
}

bool IsRunTemporaryKey(int scanCode, bool ctrl, bool alt) {
    return scanCode == kScanLeftOfOne && (ctrl || alt);
}
