// The tracker's menu tree, built from one table.
#include "app/shell/MenuTable.h"

#include <string>

#include "app/Preferences.h"

namespace {

constexpr uint32_t kSep = GUI_MENU_SEPARATOR;
constexpr uint32_t kCheck = GUI_MENU_CHECKABLE;
constexpr uint32_t kChoice = GUI_MENU_SELECTABLE;

const GUI_MenuDesc kSeparator1 = {1, nullptr, -1, nullptr, kSep};
const GUI_MenuDesc kSeparator2 = {2, nullptr, -1, nullptr, kSep};

// The twelve macro slots as they show before any macro is bound; flag 256 brings the
// names in.
const char* const kMacroSlotEmpty[] = {"1: --", "2: --", "3: --",  "4: --",  "5: --",  "6: --",
                                       "7: --", "8: --", "9: --", "10: --", "11: --", "12: --"};
const char* const kMacroSlotShortcut[] = {"CTRL + F1", "CTRL + F2",  "CTRL + F3",  "CTRL + F4",
                                          "CTRL + F5", "CTRL + F6",  "CTRL + F7",  "CTRL + F8",
                                          "CTRL + F9", "CTRL + F10", "CTRL + F11", "CTRL + F12"};
constexpr uint32_t kOff = GUI_MENU_DISABLED;
constexpr const char* kRecentEmpty = "--";

// The fixed part of the tree; the recent files and the macro slots are filled in by
// BuildMenu at the places marked with their first number.
const GUI_MenuDesc kMenuTree[] = {
    {0, "File", -1, nullptr, 0},
    {1, "New module...", kMenuNewModule, "Ctrl + n", 0},
    {1, "Load module...", kMenuLoadModule, "Ctrl + o", 0},
    kSeparator1,
    {1, "Load recent", -1, nullptr, 0},
    {2, nullptr, kMenuRecentFirst, nullptr, 0},  // the ten recent files
    {1, "Save module", kMenuSaveModule, "Ctrl + s", 0},
    {1, "Save module as...", kMenuSaveModuleAs, nullptr, 0},
    {1, "Export module", -1, nullptr, 0},
    {2, "DADIVEV...", kMenuExportDadivev, nullptr, 0},
    kSeparator2,
    {2, "VGM...", kMenuExportVgm, nullptr, 0},
    {2, "MID...", kMenuExportMid, nullptr, 0},
    kSeparator2,
    {2, "SMS ROM...", kMenuExportSmsRom, nullptr, 0},
    {2, "GG ROM...", kMenuExportGgRom, nullptr, 0},
    kSeparator1,
    {1, "Preferences", kMenuPreferences, nullptr, 0},
    kSeparator1,
    {1, "Quit", kMenuQuit, nullptr, 0},

    {0, "Edit", -1, nullptr, 0},
    {1, "Undo", kMenuUndo, "CTRL + y", 0},
    {1, "Redo", kMenuRedo, "CTRL + z", 0},
    kSeparator1,
    {1, "Clipboard", -1, nullptr, 0},
    {2, "System", kMenuClipboardSystem, nullptr, kChoice},
    {2, "Internal 1", kMenuClipboardSystem + 1, nullptr, kChoice},
    {2, "Internal 2", kMenuClipboardSystem + 2, nullptr, kChoice},
    {2, "Internal 3", kMenuClipboardSystem + 3, nullptr, kChoice},
    {2, "Internal 4", kMenuClipboardSystem + 4, nullptr, kChoice},
    {1, "Clear", kMenuClear, "Del", 0},
    {1, "Cut", kMenuCut, "CTRL + x", 0},
    {1, "Copy", kMenuCopy, "CTRL + c", 0},
    {1, "Paste", kMenuPaste, "CTRL + v", 0},
    kSeparator1,
    {1, "Transpose", -1, nullptr, 0},
    {2, "Transpose +Note", kMenuTransposeNoteUp, "F9", 0},
    {2, "Transpose -Note", kMenuTransposeNoteDown, "F10", 0},
    {2, "Transpose +Oct", kMenuTransposeOctaveUp, "F11", 0},
    {2, "Transpose -Oct", kMenuTransposeOctaveDown, "F12", 0},
    {1, "Detune", -1, nullptr, 0},
    {2, "Detune +1", kMenuDetuneUp, "Numpad +", 0},
    {2, "Detune -1", kMenuDetuneDown, "Numpad -", 0},
    {2, "Detune invert", kMenuDetuneInvert, "Numpad *", 0},
    {2, "Detune reset", kMenuDetuneReset, "Numpad /", 0},
    {1, "Resize", -1, nullptr, 0},
    {2, "Double", kMenuDouble, nullptr, 0},
    {2, "Double with pattern resize", kMenuDoubleResize, nullptr, 0},
    kSeparator2,
    {2, "Half", kMenuHalf, nullptr, 0},
    {2, "Half with pattern resize", kMenuHalfResize, nullptr, 0},
    {1, "Gradient", kMenuGradient, "CTRL + g", 0},
    kSeparator1,
    {1, "Options", -1, nullptr, 0},
    {2, "Wrap volume", kMenuWrapVolume, nullptr, kCheck},
    {2, "Copy, Paste: Inst./Vol. column separately", kMenuCopyPasteInstVol, nullptr, kCheck},
    {2, "Paste: Delete", kMenuPasteDelete, nullptr, kCheck},

    {0, "Macro", -1, nullptr, 0},
    {1, "Recording", -1, nullptr, 0},
    {2, "Start recording...", kMenuMacroRecord, nullptr, 0},
    {2, "Start recording temporary", kMenuMacroRecordTemporary, nullptr, 0},
    kSeparator2,
    {2, "Stop recording", kMenuMacroStop, nullptr, kOff},
    {1, "Run", -1, nullptr, 0},
    {2, nullptr, kMenuMacroRunFirst, nullptr, 0},  // the twelve macro slots
    kSeparator2,
    {2, "Run temporary", kMenuMacroRunTemporary, "Alt + ^", kOff},
    kSeparator1,
    {1, "Manage...", kMenuMacroManage, nullptr, 0},

    {0, "Extras", -1, nullptr, 0},
    {1, "Multi pattern settings...", kMenuMultiPatternSettings, nullptr, 0},
    kSeparator1,
    {1, "Change instruments...", kMenuChangeInstruments, nullptr, 0},
    {1, "Copy channels...", kMenuCopyChannels, nullptr, 0},

    {0, "Help", -1, nullptr, 0},
    {1, "Readme.txt", kMenuReadme, nullptr, 0},
    kSeparator1,
    {1, "Program info", kMenuProgramInfo, nullptr, 0},
};

// The labels of the generated entries must stay alive while the menu shows them.
std::string gRecentLabels[Preferences::kRecentFiles];

const char* RecentLabel(int index) {
    const std::string& path = gPreferences.lastModules[index];
    gRecentLabels[index] = path.empty() ? kRecentEmpty : path;
    return gRecentLabels[index].c_str();
}

}  // namespace

std::vector<GUI_MenuDesc> BuildMenu() {
    std::vector<GUI_MenuDesc> menu;
    for (const GUI_MenuDesc& d : kMenuTree) {
        if (d.label == nullptr && d.command == kMenuRecentFirst) {
            for (int i = 0; i < Preferences::kRecentFiles; ++i) {
                const bool empty = gPreferences.lastModules[i].empty();
                menu.push_back({d.level, RecentLabel(i), kMenuRecentFirst + i, nullptr,
                                empty ? uint32_t(GUI_MENU_DISABLED) : 0u});
            }
        } else if (d.label == nullptr && d.command == kMenuMacroRunFirst) {
            for (int i = 0; i <= kMenuMacroRunLast - kMenuMacroRunFirst; ++i)
                menu.push_back({d.level, kMacroSlotEmpty[i], kMenuMacroRunFirst + i,
                                kMacroSlotShortcut[i], kOff});
        } else {
            menu.push_back(d);
        }
    }
    return menu;
}

void InstallMenu(GUI& gui) {
    const std::vector<GUI_MenuDesc> menu = BuildMenu();
    gui.SetMenu(menu.data(), int(menu.size()));
    UpdateMenuMarks(gui);
}

const char* MenuLabel(int command) {
    if (command >= kMenuRecentFirst && command <= kMenuRecentLast)
        return RecentLabel(command - kMenuRecentFirst);
    if (command >= kMenuMacroRunFirst && command <= kMenuMacroRunLast)
        return kMacroSlotEmpty[command - kMenuMacroRunFirst];
    for (const GUI_MenuDesc& d : kMenuTree)
        if (d.command == command && d.label != nullptr) return d.label;
    return "";
}

void UpdateMenuMarks(GUI& gui) {
    for (int i = 0; i <= kMenuClipboardLast - kMenuClipboardSystem; ++i)
        gui.SetMenuChecked(kMenuClipboardSystem + i, gPreferences.clipboard == i);
    gui.SetMenuChecked(kMenuWrapVolume, gPreferences.wrapVolume);
    gui.SetMenuChecked(kMenuCopyPasteInstVol, gPreferences.copyPasteInstVol);
    gui.SetMenuChecked(kMenuPasteDelete, gPreferences.pasteDeleteNotes);
}

void UpdateRecentMenu(GUI& gui) {
    for (int i = 0; i < Preferences::kRecentFiles; ++i) {
        gui.SetMenuLabel(kMenuRecentFirst + i, RecentLabel(i));
        gui.SetMenuEnabled(kMenuRecentFirst + i, !gPreferences.lastModules[i].empty());
    }
}
