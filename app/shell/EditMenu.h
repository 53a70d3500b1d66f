// The Edit menu's pattern commands (undo, redo, clear, resize, gradient, transpose,
// detune); editing ones are ignored while the view follows the playing song.
#pragma once

#include "gui/Gui.h"

void CommandUndo(const GUI_Event& event);
void CommandRedo(const GUI_Event& event);
void CommandClear(const GUI_Event& event);
void CommandGradient(const GUI_Event& event);
// "Double", "Double with pattern resize", "Half", "Half with pattern resize".
void CommandResize(const GUI_Event& event);
void CommandTranspose(const GUI_Event& event);
void CommandDetune(const GUI_Event& event);

// Whether menu entry `command` changes the pattern (its shortcut keys are then ignored
// while "Edit" is off).
bool IsPatternEditingMenu(int command);
