// What the pattern list's commands and the pattern dialogs share.
#pragma once

#include "editor/UndoHistory.h"
#include "gui/Gui.h"

// A decimal number field.
GUI_GadgetDesc DialogNumber(int row, int column, int columns, const char* label, int min, int max);
// False while the song plays: the song and its patterns are not changed under the player,
// whose view follows it.
bool SongMayChange();
// "Pattern settings" / "New pattern settings" over `settings` and `length`; true on "Okay"
// with both as the user left them.
bool RunPatternSettingsDialog(const char* title, PatternSettings& settings, int& length);
