// The menu bar: every entry's number, label, shortcut text and separator. The numbers are
// the menu's own; the editor's command codes are a different numbering.
#pragma once

#include <vector>

#include "gui/Gui.h"

enum MenuCommand : int {
    kMenuNewModule = 0,
    kMenuLoadModule = 1,
    kMenuSaveModule = 2,
    kMenuSaveModuleAs = 3,
    kMenuExportDadivev = 4,
    kMenuExportVgm = 5,
    kMenuExportMid = 6,
    kMenuPreferences = 7,
    kMenuQuit = 8,
    kMenuRecentFirst = 9,  // 9..18, the ten recent files
    kMenuRecentLast = 18,
    kMenuUndo = 19,
    kMenuRedo = 20,
    kMenuClipboardSystem = 21,  // 21..25: "System", "Internal 1".."Internal 4"
    kMenuClipboardLast = 25,
    kMenuClear = 26,
    kMenuCut = 27,
    kMenuCopy = 28,
    kMenuPaste = 29,
    kMenuDouble = 30,
    kMenuDoubleResize = 31,
    kMenuHalf = 32,
    kMenuHalfResize = 33,
    kMenuGradient = 34,
    kMenuWrapVolume = 35,
    kMenuCopyPasteInstVol = 36,
    kMenuPasteDelete = 37,
    kMenuTransposeOctaveUp = 38,
    kMenuTransposeOctaveDown = 39,
    kMenuTransposeNoteUp = 40,
    kMenuTransposeNoteDown = 41,
    kMenuDetuneUp = 42,
    kMenuDetuneDown = 43,
    kMenuDetuneInvert = 44,
    kMenuDetuneReset = 45,
    kMenuMacroManage = 46,
    kMenuMacroRecord = 47,
    kMenuMacroRecordTemporary = 48,
    kMenuMacroStop = 49,
    kMenuMacroRunFirst = 50,  // 50..61, the twelve macro slots
    kMenuMacroRunLast = 61,
    kMenuMacroRunTemporary = 62,
    kMenuMultiPatternSettings = 63,
    kMenuChangeInstruments = 64,
    kMenuCopyChannels = 65,
    kMenuReadme = 66,
    kMenuProgramInfo = 67,
    kMenuExportSmsRom = 68,  // cartridge images that play the song on the console
    kMenuExportGgRom = 69,
    kMenuCommandCount = 70
};

// The menu tree with the recent files and the option marks of the preferences.
std::vector<GUI_MenuDesc> BuildMenu();
// Sets the tracker's menu bar from BuildMenu().
void InstallMenu(GUI& gui);
// The label an entry shows ("Undo", "DADIVEV...", a recent file's path), or "" for none.
const char* MenuLabel(int command);
// Marks the clipboard choice and the three editing options from the preferences.
void UpdateMenuMarks(GUI& gui);
// The "Load recent" labels from the preferences' recent list.
void UpdateRecentMenu(GUI& gui);
