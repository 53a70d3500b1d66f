// The tracker's one pattern editor: the view with its cursor and editing values, the undo
// history, and the drawing of the view in the main window. The shell hands it keys, mouse
// events over the pattern area and the play position; it tells the main window and the
// menus what changed through the view's redraw flags.
#pragma once

#include <memory>

#include "Drelm.h"
#include "app/shell/PatternDraw.h"
#include "editor/PatternView.h"
#include "editor/UndoHistory.h"
#include "gui/Gui.h"

struct TrackerEditor {
    PatternView view;
    // Allocated once at start-up (both rings, about 2.6 MB) and kept for the whole run.
    std::unique_ptr<UndoHistory> undo;
    PatternDraw draw;
    // The pattern font as loaded; the glyphs are taken out of it by `draw`.
    DRELM_Surface font;
    // The view composed (titles, ring rows, cursor, frame, play bar) and its copy on the
    // device; recomposed only when something in it changed.
    DRELM_Surface composite;
    DRELM_Texture* texture = nullptr;
    bool composeNeeded = true;
    // "Edit" off: keys move the cursor and sound notes, but nothing is written.
    bool editMode = true;
    // A settings change that undo does not cover (module settings): the module counts as
    // changed until the next save, load or new module.
    bool settingsChanged = false;
    // Mouse selection in progress in the pattern area.
    bool dragging = false;
};

extern TrackerEditor gEditor;

// Start-up, graphics loading phase: the pattern font. Throws when it cannot be loaded or
// does not hold the glyphs.
void LoadPatternFont(const std::string& path);
// Start-up, late phase: undo history, view laid out for the screen, drawing set up.
void SetupEditor(GUI& gui);
// Shutdown: the device resources.
void ShutdownEditor();

// The main window's pattern area, drawn each frame the GUI draws.
void DrawPatternArea(const Quelm::Rect& area);
// Mouse events over the pattern area (GUI_EVENT_IMAGE_*, x and y inside the area).
void PatternAreaMouse(const GUI_Event& event);
// A key no gadget or shortcut took; true when the editor used it.
bool EditorKey(const GUI_Event& event);

// The hand-over with the sound thread: while the song plays the view follows it.
void EditorFollow(bool playing, int position, int line);
// Once per frame: the gadgets, menus and title the view's flags name are brought up to
// date, and the pattern area is marked for drawing when it changed.
void UpdateEditor();
// True while the pattern area has something new to show.
bool EditorWantsRedraw();
// Everything drawn again (colours, tact style or the screen changed).
void InvalidateEditor();

// After a module was loaded or made new: cursor home, history empty, not changed.
void ResetEditorForModule();
// Whether the module has unsaved changes (undo history or settings).
bool ModuleHasChanges();
// After a successful save.
void MarkModuleSaved();
// A change of module settings that undo does not record.
void MarkSettingsChanged();

// The song position shown (the order list's selection).
int EditorSongPosition();
void SelectSongPosition(int position);
