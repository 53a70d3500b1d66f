// Where the pattern editor plugs into the shell. The shell draws the main window, runs the
// main loop and dispatches events; the editor fills in these functions (each may stay
// empty, and the shell then does without).
#pragma once

#include <cstdint>
#include <functional>

#include "gui/Gui.h"

// The editing values the main window shows and the play commands read. They live here
// until the pattern view takes them over (then `values` points into it).
struct EditorValues {
    int songPosition = 0;  // index into the order list
    int cursorLine = 0;
    int step = 1;
    int octave = 3;  // stored as the shown octave + 2
    int volume = 15;
    bool testMode = false;
    bool editMode = true;
};

struct EditorSeam {
    EditorValues* values = nullptr;  // never null; the shell's own until the editor sets it

    // Draws the pattern view into `area` (screen coordinates) each frame. Empty: the area
    // shows the window's background.
    std::function<void(const Quelm::Rect& area)> drawPatternArea;
    // Mouse events over the pattern area (GUI_EVENT_IMAGE_*), `x`/`y` inside the area.
    std::function<void(const GUI_Event& event)> areaMouse;
    // A key that no gadget and no shortcut took; true when the editor used it.
    std::function<bool(const GUI_Event& event)> key;
    // The player moved to song position `position` (another pattern): show it whole.
    std::function<void(int position, int line)> followPosition;
    // The player stepped to `line` of the same pattern: redraw the play bar.
    std::function<void(int line)> followLine;
    // Once per frame after the hand-over with the sound thread.
    std::function<void()> update;
    // After a module was loaded or made new: the view back to the start, undo emptied.
    std::function<void()> reset;
    // Whether the module has unsaved changes; empty counts as none.
    std::function<bool()> hasChanges;
    // After the module was saved or loaded.
    std::function<void()> markSaved;
    // The whole view must be drawn again (colours or the video mode changed).
    std::function<void()> invalidate;
    // True while the view has something new to show; an idle main window is otherwise
    // drawn only a few times a second.
    std::function<bool()> wantsRedraw;
};

EditorSeam& Editor();
EditorValues& EditValues();
bool ModuleHasChanges();
