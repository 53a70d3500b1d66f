// The pattern editor in the tracker window: set-up, drawing into the main window's
// pattern area, keys and mouse, following the song, and the gadgets, menu states and
// window title that follow the view's redraw flags.
#include "app/shell/EditorBinding.h"

#include <algorithm>
#include <cstdio>

#include "app/Exceptions.h"
#include "app/Preferences.h"
#include "app/shell/ClipboardBinding.h"
#include "app/shell/Dispatcher.h"
#include "app/shell/MacroBinding.h"
#include "app/shell/MainWindow.h"
#include "app/shell/MenuTable.h"
#include "app/shell/Shell.h"
#include "gui/Requesters.h"
#include "module/Module.h"

TrackerEditor gEditor;

namespace {

constexpr const char* kProgramName = "Tonweave";
// Lines the wheel scrolls per notch.
constexpr int kWheelLines = 3;

void ShowMessage(void*, const char* text) {
    if (gShell.gui) GUI_MessageRequester(*gShell.gui, text);
}

void ApplyColours() { gEditor.draw.SetColours(gPreferences.colors, gPreferences.tactAsLines); }

// Floor division, so that a drag above the area gives negative lines.
int FloorDiv(int a, int b) { return a >= 0 ? a / b : -((-a + b - 1) / b); }

// Mouse position relative to the top-left of the drawn view.
bool AreaPoint(const GUI_Event& e, int& x, int& y) {
    if (!gShell.gui) return false;
    GUI& gui = *gShell.gui;
    const Quelm::Rect cell = gui.GadgetRect(gui.FindWindow(kMainWindowNumber), kMainPatternArea);
    const Quelm::Rect area = PatternArea(gui);
    if (area.width <= 0) return false;
    // Image events count from inside the gadget's 2-pixel border.
    x = cell.x + 2 + e.x - area.x;
    y = cell.y + 2 + e.y - area.y;
    return true;
}

// A click on the channel titles: mute toggle, or solo on the icon at the title's right.
void TitleClick(int x, int y) {
    PatternView& v = gEditor.view;
    const ColumnGeometry& g = v.geometry;
    const int inChannels = x - g.lineNumberWidth;
    if (inChannels < 0 || inChannels >= 4 * g.channelWidth) return;
    const int channel = inChannels / g.channelWidth;
    const int offset = inChannels % g.channelWidth;
    if (offset >= g.channelWidth - 18 && offset <= g.channelWidth - 2 && y >= 1 && y <= 11)
        v.SoloChannel(channel);
    else
        v.ToggleChannel(channel);
}

void SelectionMouse(const GUI_Event& e, int x, int y) {
    PatternView& v = gEditor.view;
    const ColumnGeometry& g = v.geometry;
    const int length = v.PatternLength();
    const int line =
        std::clamp(v.scrollTop + FloorDiv(y - g.titleHeight, g.lineHeight), 0, length - 1);
    const int column = std::clamp(g.ColumnAt(x), 0, 13);
    int anchorColumn = v.anchorColumn, anchorLine = v.anchorLine;
    if (e.type == GUI_EVENT_IMAGE_DOWN && !(e.modifiers & DRELM_MOD_SHIFT)) {
        anchorColumn = column;
        anchorLine = line;
    }
    if (anchorColumn != v.anchorColumn || anchorLine != v.anchorLine || column != v.cursorColumn ||
        line != v.cursorLine)
        v.SetSelectionFromMouse(anchorColumn, anchorLine, column, line);
    // Dragging past the top or bottom row scrolls the lines under the mouse.
    if (line < v.scrollTop || line >= v.scrollTop + v.visibleLines) v.EnsureVisible(line, 1);
}

// The values the main window shows beside the view.
void RefreshValueFields(GUI& gui) {
    GUI_Window* w = gui.FindWindow(kMainWindowNumber);
    if (!w) return;
    const PatternView& v = gEditor.view;
    if (w->Value(kMainStep) != v.step) w->SetValue(kMainStep, v.step);
    if (w->Value(kMainOctave) != v.octave - 2) w->SetValue(kMainOctave, v.octave - 2);
    if (w->Value(kMainVolume) != v.volume) w->SetValue(kMainVolume, v.volume);
    RefreshModeButtons(gui);
}

void RefreshTitle() {
    char title[64];
    std::snprintf(title, sizeof title, "%s %c%s", kProgramName, ModuleHasChanges() ? '*' : ' ',
                  MacroRecording() ? " [recording]" : "");
    DRELM_SetWindowTitle(title);
}

void RefreshEditMenu(GUI& gui) {
    const UndoHistory& undo = *gEditor.undo;
    const bool following = gEditor.view.following != 0;
    gui.SetMenuEnabled(kMenuUndo, undo.CanUndo() && !following);
    gui.SetMenuEnabled(kMenuRedo, undo.CanRedo() && !following);
    UpdateMenuMarks(gui);
    RefreshMacroMenu(gui);
}

}  // namespace

void LoadPatternFont(const std::string& path) {
    gEditor.font.Free();
    gEditor.font.Create(path.c_str());
    if (!gEditor.draw.SetFont(gEditor.font))
        throw Exception("LoadPatternFont(): The picture does not hold the pattern font");
}

void SetupEditor(GUI& gui) {
    if (!gEditor.undo) gEditor.undo = std::make_unique<UndoHistory>();
    gEditor.undo->Reset(gModule);
    PatternView& v = gEditor.view;
    v.BindPlayer(&gShell.player, gShell.soundMutex.get());
    v.Setup(gModule, *gEditor.undo, gui.ScreenWidth(), gui.ScreenHeight());
    v.hooks.showMessage = ShowMessage;
    SetupClipboards(v);
    v.wrapVolume = gPreferences.wrapVolume;
    gEditor.editMode = true;
    gEditor.settingsChanged = false;
    gEditor.dragging = false;
    ApplyColours();
    gEditor.draw.Layout(v);
    gEditor.composite.Free();
    gEditor.composite.Create(v.geometry.areaWidth,
                             v.visibleLines * v.geometry.lineHeight + v.geometry.titleHeight,
                             DRELM_FORMAT_A8R8G8B8);
    DRELM_FreeTexture(gEditor.texture);
    gEditor.texture = DRELM_CreateTexture(gEditor.composite.Width(), gEditor.composite.Height(),
                                          DRELM_FORMAT_X8R8G8B8);
    gEditor.composeNeeded = true;
    v.Invalidate(kRedrawAll);
}

void ShutdownEditor() {
    DRELM_FreeTexture(gEditor.texture);
    gEditor.texture = nullptr;
    gEditor.composite.Free();
}

void DrawPatternArea(const Quelm::Rect& area) {
    if (!gEditor.texture || !gEditor.undo) return;
    PatternView& v = gEditor.view;
    v.Clamp();
    const bool overlay = (v.dirty & kRedrawOverlay) != 0;
    if (gEditor.draw.Update(v) > 0 || overlay || gEditor.composeNeeded) {
        gEditor.draw.Compose(v, gEditor.composite, 0, 0);
        gEditor.composite.CopyToTexture(gEditor.texture);
        gEditor.composeNeeded = false;
    }
    gEditor.texture->Blit(area.x, area.y);
}

void PatternAreaMouse(const GUI_Event& e) {
    PatternView& v = gEditor.view;
    if (e.type == GUI_EVENT_IMAGE_WHEEL) {
        v.ScrollBy(-kWheelLines * e.value);
        v.Invalidate(kRedrawOverlay | kRedrawLines);
        return;
    }
    int x = 0, y = 0;
    if (!AreaPoint(e, x, y)) return;
    if (e.type == GUI_EVENT_IMAGE_DOWN) {
        if (y < v.geometry.titleHeight) {
            TitleClick(x, y);
            return;
        }
        gEditor.dragging = true;
    } else if (!gEditor.dragging) {
        return;
    }
    SelectionMouse(e, x, y);
    if (e.type == GUI_EVENT_IMAGE_UP) gEditor.dragging = false;
}

bool EditorKey(const GUI_Event& e) {
    // Key code 0 is a character typed without a key: nothing for the pattern.
    if (!gEditor.undo || e.type != GUI_EVENT_KEY || e.key == 0) return false;
    PatternView& v = gEditor.view;
    v.wrapVolume = gPreferences.wrapVolume;
    v.writeProtected = !gEditor.editMode;
    const KeyResult r = v.HandleKey(uint8_t(e.key), uint32_t(e.modifiers), e.repeat);
    switch (r.action) {
        case ShellAction::None:
            return false;
        case ShellAction::Handled:
            return true;
        case ShellAction::ToggleFullScreen:
            ToggleFullScreen();
            return true;
        case ShellAction::RunMacro:
            DispatchMenu(kMenuMacroRunFirst + r.value);
            return true;
        case ShellAction::RunTemporaryMacro:
            DispatchMenu(kMenuMacroRunTemporary);
            return true;
    }
    return false;
}

void EditorFollow(bool playing, int position, int line) {
    PatternView& v = gEditor.view;
    if (!playing) {
        if (v.following) {
            v.following = 0;
            v.Invalidate(kRedrawOverlay | kRedrawMenus);
        }
        return;
    }
    if (!v.following) {
        v.following = 1;
        v.Invalidate(kRedrawOverlay | kRedrawMenus);
    }
    const int oldPosition = v.songPosition;
    v.FollowPlayback(line, position);
    if (v.songPosition != oldPosition) v.Invalidate(kRedrawOrderList);
}

void UpdateEditor() {
    if (!gEditor.undo || !gShell.gui) return;
    GUI& gui = *gShell.gui;
    PatternView& v = gEditor.view;
    if (v.dirty & kRedrawOrderList)
        RefreshPatternList(gui);
    else
        KeepPatternListScroll(gui);
    if (v.dirty & kRedrawValues) RefreshValueFields(gui);
    if (v.dirty & kRedrawTitle) RefreshTitle();
    if (v.dirty & kRedrawMenus) RefreshEditMenu(gui);
    v.dirty &= ~uint32_t(kRedrawOrderList | kRedrawValues | kRedrawTitle | kRedrawMenus);
}

bool EditorWantsRedraw() {
    // The instrument selector clears flag 16 when it has been drawn.
    const uint32_t drawn =
        kRedrawOverlay | kRedrawLines | kRedrawRange | kRedrawTitles | kRedrawInstruments;
    return gEditor.undo && ((gEditor.view.dirty & drawn) || gEditor.composeNeeded);
}

void InvalidateEditor() {
    if (!gEditor.undo) return;
    ApplyColours();
    gEditor.composeNeeded = true;
    gEditor.view.Invalidate(kRedrawAll);
}

void ResetEditorForModule() {
    if (!gEditor.undo) return;
    gEditor.undo->Reset(gModule);
    gEditor.settingsChanged = false;
    gEditor.dragging = false;
    gEditor.view.ResetForModule();
}

bool ModuleHasChanges() {
    return gEditor.settingsChanged || (gEditor.undo && gEditor.undo->HasChanges());
}

void MarkModuleSaved() {
    gEditor.settingsChanged = false;
    if (gEditor.undo) gEditor.undo->MarkSaved();
    gEditor.view.Invalidate(kRedrawTitle);
}

void MarkSettingsChanged() {
    gEditor.settingsChanged = true;
    gEditor.view.Invalidate(kRedrawTitle);
}

int EditorSongPosition() { return gEditor.view.songPosition; }

void SelectSongPosition(int position) {
    PatternView& v = gEditor.view;
    const int length = std::clamp<int>(gModule.songLength, 1, 256);
    const int p = std::clamp(position, 0, length - 1);
    if (p == v.songPosition && v.currentPattern == gModule.orderList[p]) return;
    v.SetSongPosition(p);
    v.Clamp();
    v.Invalidate(kRedrawAll);
}
