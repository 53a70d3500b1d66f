// The pattern editor's keyboard: which key (by position, so every national layout gets the
// same piano) does what, as a pure function of the key, the modifiers and the cursor.
#pragma once

#include <cstdint>

#include "editor/EditCommand.h"

enum class KeyActionKind : uint8_t {
    None,
    Command,     // run `cmd` through ExecuteCommand
    Note,        // a note key: `value` is the note (tone, noise or "Nul")
    InsertLine,  // `columnsOnly` with Shift
    DeleteLine,
    Undo,
    Redo,
    Octave,  // `value` the octave as stored (shown + 2)
    FullScreen,
    RunMacro,  // `value` hotkey slot 0..11
    RunTemporaryMacro,
};

struct KeyAction {
    KeyActionKind kind = KeyActionKind::None;
    EditCommand cmd{};
    int value = 0;
    bool columnsOnly = false;
};

// What of the view the key map looks at.
struct KeyContext {
    int cursorColumn = 0;  // 0..13
    int frameWidth = 1;    // columns in the selection frame
    int octave = 3;        // as stored
    int visibleLines = 32;
    uint8_t volume = 15;   // current volume, for "VO"
    bool wrapVolume = false;
};

// Semitone offset of a note key, or -1.
int NoteKeyOffset(uint8_t scanCode);
// Noise value of a key on the noise channel's note column, or -1 (Shift+S gives "Nul").
int NoiseKeyValue(uint8_t scanCode, bool shift);

KeyAction MapKey(uint8_t scanCode, uint32_t modifiers, bool repeat, const KeyContext& context);
