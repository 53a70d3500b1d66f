// The commands the shell runs itself: the transport, the editing value fields, the menu
// options kept in the preferences, quitting, loading a module by path, and the message
// for every command whose feature is not built yet.
#pragma once

#include <string>

#include "gui/Gui.h"

// "... is not available yet." for the entry or button of `event`.
void CommandNotAvailable(const GUI_Event& event);
// The text of that message for a menu entry or a main window button's label.
std::string NotAvailableText(const std::string& label);

// Transport (each under the sound mutex).
void CommandPlay(const GUI_Event& event);
void CommandCursorPlay(const GUI_Event& event);
void CommandPatternPlay(const GUI_Event& event);
void CommandStop(const GUI_Event& event);
void CommandPlayStopToggle(const GUI_Event& event);
void CommandEditMode(const GUI_Event& event);
void CommandTestMode(const GUI_Event& event);
// Stops the song and every test note (before loading, saving, making new).
void StopPlayback();
bool IsPlaying();

// The number fields and the pattern list.
void CommandValueField(const GUI_Event& event);
void CommandSelectPosition(const GUI_Event& event);

// Menu options kept in the preferences.
void CommandClipboardChoice(const GUI_Event& event);
void CommandEditingOption(const GUI_Event& event);

void CommandQuit(const GUI_Event& event);
void CommandLoadRecent(const GUI_Event& event);
void CommandRestoreDisplay(const GUI_Event& event);
void CommandFullScreen(const GUI_Event& event);
void CommandPatternAreaMouse(const GUI_Event& event);

// Loads `path` (a full path) as the load command does, without the question about
// unsaved changes: into a temporary module, copied over the current one only on success.
// A failure shows "Couldn't load module." and keeps the current module. True when loaded.
bool LoadModulePath(const std::string& path);
