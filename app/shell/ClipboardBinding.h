// The tracker's five clipboards: the Edit menu's "Cut", "Copy" and "Paste" (and their
// Ctrl+X/C/V), the preferences that choose the slot and its options, and the "System"
// slot carried through the desktop's clipboard as text.
#pragma once

#include "editor/Clipboard.h"
#include "gui/Gui.h"

// The editor's clipboards, alive for the whole run.
Clipboards& TrackerClipboards();

// Start-up, late phase: the pattern view's cut, copy and paste go through the clipboards.
void SetupClipboards(PatternView& view);

void CommandCut(const GUI_Event& event);
void CommandCopy(const GUI_Event& event);
void CommandPaste(const GUI_Event& event);
