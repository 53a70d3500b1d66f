// The tracker's macros: the one Macros object the pattern view records into, its file
// beside the program, the Macro menu and the two macro dialogs.
#pragma once

#include <string>

#include "editor/Macros.h"
#include "gui/Gui.h"

constexpr int kMacroDialogWindow = 81;
constexpr int kMacroManagerWindow = 82;

// Gadget numbers of the macro dialog and the macro manager.
enum MacroDialogGadget : int { kMacroName = 0, kMacroDescription, kMacroOkay, kMacroCancel };
enum MacroManagerGadget : int {
    kManagerActiveList = 0,
    kManagerInactivate,
    kManagerInactiveList,
    kManagerActivate,
    kManagerChange,
    kManagerDelete,
    kManagerReload,
    kManagerClose,
};

// The store of this run (empty until LoadTrackerMacros).
Macros& TrackerMacros();
// Late start-up: a fresh, empty store that the pattern view records into.
void BindMacros();
// Run, after Init: loads the "macros" file; a file that is refused empties the store and
// says "Couldn't load the macros.", and start-up goes on.
void LoadTrackerMacros();
// Shutdown: writes the file anew when the macros changed. Throws Exception on failure,
// leaving the old file as it was.
void SaveTrackerMacros();
// Where the file lives: the program directory when it is writable, else the user's.
std::string MacrosFilePath();

// Flag 256: the Macro menu's enabled states and slot labels.
void RefreshMacroMenu(GUI& gui);
// Whether a macro is being recorded (the menu bar and the window title say so).
bool MacroRecording();

// The requesters the macro logic asks through, shown by the tracker's GUI.
MacroPrompts TrackerMacroPrompts();
// The macro dialog (window 81): true on "Okay" once `check` passed; the texts are those
// entered.
bool RunMacroDialog(
    const char* title, std::string& name, std::string& description,
    const std::function<const char*(const std::string&, const std::string&)>& check);

// Menu entries 47..49 ("Start recording...", "Start recording temporary", "Stop
// recording"), 50..62 (the slots and "Run temporary") and 46 ("Manage...").
void CommandMacroRecording(const GUI_Event& event);
void CommandMacroRun(const GUI_Event& event);
void CommandMacroManager(const GUI_Event& event);
