// The main window: the pattern list with its buttons, the transport, the editing value
// fields, the four settings buttons and, below them, the area the pattern view fills.
#pragma once

#include "gui/Gui.h"

constexpr int kMainWindowNumber = 1;

// Gadget numbers of the main window, in the order of their descriptions.
enum MainGadget : int {
    kMainPatternList = 0,
    kMainInsert,
    kMainRemove,
    kMainMakeNew,
    kMainDeleteOld,
    kMainOverview,
    kMainPlay,
    kMainCursorPlay,
    kMainPatternPlay,
    kMainStop,
    kMainEdit,
    kMainStep,
    kMainSpeed,
    kMainStereo,
    kMainOctave,
    kMainVolume,
    kMainPatternSettings,
    kMainPatternResize,
    kMainModuleSettings,
    kMainModuleInfo,
    kMainTestMode,
    kMainPatternArea,
    kMainInstrument,  // the current instrument: minus, number and name (opens the editor), plus
    kMainGadgetCount
};

// Pattern area geometry for a screen size: the size the pattern view needs and the number
// of lines it shows.
struct PatternAreaSize {
    int width = 0;
    int height = 0;
    int visibleLines = 0;
};
PatternAreaSize PatternAreaFor(int screenWidth, int screenHeight);

// Opens (or reopens, after a video mode change) the main window below the menu bar.
GUI_Window* OpenMainWindow(GUI& gui);
// The pattern editor takes the keys that no gadget is being typed into: a click on a
// button or the pattern list leaves no keyboard focus behind, and a number field gives it
// back once its value was entered (`fieldDone`).
void KeepKeysForEditor(GUI& gui, bool fieldDone);
// Escape in a value field of the main window: the field shows its value again and the
// keys go back to the pattern editor. Gives back whether `event` was that Escape.
bool CancelFieldEditing(GUI& gui, const GUI_Event& event);
// The pattern area on the screen (centred in its row, inside the image gadget's border),
// empty when the window is closed.
Quelm::Rect PatternArea(GUI& gui);

// Fills the pattern list from the order list and the fields from the editing values and
// the player (the caller holds the sound mutex when the song plays).
void RefreshMainWindow(GUI& gui);
void RefreshPatternList(GUI& gui);
// Where the user scrolled the pattern list, into the view.
void KeepPatternListScroll(GUI& gui);
// Speed and stereo fields from the player's live values.
void RefreshPlayerFields(GUI& gui, int speed, int stereo);
// The transport marks: "Edit" and "Test mode".
void RefreshModeButtons(GUI& gui);
