// The dialogs the shell opens itself: "Preferences", "Readme.txt" and "Program info".
// Each is a list of gadget descriptions and one small handler.
#pragma once

#include <string>

#include "gui/Gui.h"

constexpr int kPreferencesWindow = 20;
constexpr int kReadmeWindow = 21;
constexpr int kProgramInfoWindow = 22;
constexpr int kChangeInstrumentsWindow = 23;
constexpr int kCopyChannelsWindow = 24;

// Gadget numbers of the "Preferences" dialog.
enum PreferencesGadget : int {
    kPrefsFullscreen = 0,
    kPrefsTactLines,
    kPrefsResolution,
    kPrefsVolume,
    kPrefsMidiDevices,
    kPrefsColourList,
    kPrefsRed,
    kPrefsGreen,
    kPrefsBlue,
    kPrefsSwatch,
    kPrefsReset,
    kPrefsResetAll,
    kPrefsOkay,
    kPrefsCancel,
};

// The display names of the 13 colours, in the preferences' order.
const char* ColourName(int index);

void CommandPreferences(const GUI_Event& event);
void CommandReadme(const GUI_Event& event);
void CommandProgramInfo(const GUI_Event& event);
// "Change instruments..." and "Copy channels..." of the Extras menu.
void CommandChangeInstruments(const GUI_Event& event);
void CommandCopyChannels(const GUI_Event& event);

// The text of "readme.txt" beside the program (read as bytes), or a sentence saying that
// it is missing.
std::string ReadmeText();
