// The one table from GUI events to commands. The first matching row wins, so specific
// rows stand before general ones. A feature that is not built yet has a row that says so;
// building it means replacing that row's handler.
#include "app/shell/Commands.h"
#include "app/shell/Dialogs.h"
#include "app/shell/Dispatcher.h"
#include "app/shell/EditMenu.h"
#include "app/shell/MainWindow.h"
#include "app/shell/MenuTable.h"

namespace {

constexpr CommandHandler kNotYet = CommandNotAvailable;
constexpr int kMain = kMainWindowNumber;
constexpr int kNumber = GUI_EVENT_NUMBER;

const DispatchRow kTable[] = {
    // The device and the window.
    EventRow(GUI_EVENT_RESTORE, CommandRestoreDisplay),
    EventRow(GUI_EVENT_QUIT, CommandQuit),

    // File menu.
    MenuRow(kMenuNewModule, kNotYet),
    MenuRow(kMenuLoadModule, kNotYet, "Couldn't load module."),
    MenuRangeRow(kMenuRecentFirst, kMenuRecentLast, CommandLoadRecent, "Couldn't load module."),
    MenuRow(kMenuSaveModule, kNotYet, "Couldn't save module."),
    MenuRow(kMenuSaveModuleAs, kNotYet, "Couldn't save module."),
    MenuRow(kMenuExportDadivev, kNotYet, "Couldn't export module."),
    MenuRow(kMenuExportVgm, kNotYet, "Couldn't export module."),
    MenuRow(kMenuExportMid, kNotYet, "Couldn't export module."),
    MenuRow(kMenuPreferences, CommandPreferences),
    MenuRow(kMenuQuit, CommandQuit),

    // Edit menu.
    MenuRow(kMenuUndo, CommandUndo),
    MenuRow(kMenuRedo, CommandRedo),
    MenuRangeRow(kMenuClipboardSystem, kMenuClipboardLast, CommandClipboardChoice),
    MenuRow(kMenuClear, CommandClear),
    MenuRow(kMenuCut, kNotYet),
    MenuRow(kMenuCopy, kNotYet),
    MenuRow(kMenuPaste, kNotYet),
    MenuRangeRow(kMenuDouble, kMenuHalfResize, CommandResize),
    MenuRow(kMenuGradient, CommandGradient),
    MenuRangeRow(kMenuWrapVolume, kMenuPasteDelete, CommandEditingOption),
    MenuRangeRow(kMenuTransposeOctaveUp, kMenuTransposeNoteDown, CommandTranspose),
    MenuRangeRow(kMenuDetuneUp, kMenuDetuneReset, CommandDetune),

    // Macro menu.
    MenuRow(kMenuMacroManage, kNotYet),
    MenuRangeRow(kMenuMacroRecord, kMenuMacroStop, kNotYet),
    MenuRangeRow(kMenuMacroRunFirst, kMenuMacroRunTemporary, kNotYet),

    // Extras and Help.
    MenuRow(kMenuMultiPatternSettings, kNotYet),
    MenuRow(kMenuChangeInstruments, CommandChangeInstruments),
    MenuRow(kMenuCopyChannels, CommandCopyChannels),
    MenuRow(kMenuReadme, CommandReadme),
    MenuRow(kMenuProgramInfo, CommandProgramInfo),

    // Main window: pattern list.
    GadgetRow(kMain, kMainPatternList, CommandSelectPosition, GUI_EVENT_LIST),
    GadgetRow(kMain, kMainInsert, kNotYet),
    GadgetRow(kMain, kMainRemove, kNotYet),
    GadgetRow(kMain, kMainMakeNew, kNotYet),
    GadgetRow(kMain, kMainDeleteOld, kNotYet),
    GadgetRow(kMain, kMainOverview, kNotYet),
    // Transport.
    GadgetRow(kMain, kMainPlay, CommandPlay),
    GadgetRow(kMain, kMainCursorPlay, CommandCursorPlay),
    GadgetRow(kMain, kMainPatternPlay, CommandPatternPlay),
    GadgetRow(kMain, kMainStop, CommandStop),
    GadgetRow(kMain, kMainEdit, CommandEditMode),
    GadgetRow(kMain, kMainTestMode, CommandTestMode),
    // Editing values.
    GadgetRow(kMain, kMainStep, CommandValueField, kNumber),
    GadgetRow(kMain, kMainSpeed, CommandValueField, kNumber),
    GadgetRow(kMain, kMainStereo, CommandValueField, kNumber),
    GadgetRow(kMain, kMainOctave, CommandValueField, kNumber),
    GadgetRow(kMain, kMainVolume, CommandValueField, kNumber),
    // Settings.
    GadgetRow(kMain, kMainPatternSettings, kNotYet),
    GadgetRow(kMain, kMainPatternResize, kNotYet),
    GadgetRow(kMain, kMainModuleSettings, kNotYet),
    GadgetRow(kMain, kMainModuleInfo, kNotYet),
    // The pattern area's mouse events go to the editor.
    GadgetRow(kMain, kMainPatternArea, CommandPatternAreaMouse, GUI_EVENT_IMAGE_DOWN),
    GadgetRow(kMain, kMainPatternArea, CommandPatternAreaMouse, GUI_EVENT_IMAGE_MOVE),
    GadgetRow(kMain, kMainPatternArea, CommandPatternAreaMouse, GUI_EVENT_IMAGE_UP),
    GadgetRow(kMain, kMainPatternArea, CommandPatternAreaMouse, GUI_EVENT_IMAGE_WHEEL),

    // Keys: the menu shortcuts and the shell's own.
    KeyRow(DRELM_KEY_RETURN, kKeyAlt, CommandFullScreen),
    ShortcutRow(DRELM_KEY_N, kKeyCtrl, kMenuNewModule),
    ShortcutRow(DRELM_KEY_O, kKeyCtrl, kMenuLoadModule),
    ShortcutRow(DRELM_KEY_S, kKeyCtrl, kMenuSaveModule),
    ShortcutRow(DRELM_KEY_Y, kKeyCtrl, kMenuUndo),
    ShortcutRow(DRELM_KEY_Z, kKeyCtrl, kMenuRedo),
    ShortcutRow(DRELM_KEY_X, kKeyCtrl, kMenuCut),
    ShortcutRow(DRELM_KEY_C, kKeyCtrl, kMenuCopy),
    ShortcutRow(DRELM_KEY_V, kKeyCtrl, kMenuPaste),
    ShortcutRow(DRELM_KEY_G, kKeyCtrl, kMenuGradient),
    ShortcutRow(DRELM_KEY_DELETE, kKeyPlain, kMenuClear),
    ShortcutRow(DRELM_KEY_F9, kKeyPlain, kMenuTransposeNoteUp),
    ShortcutRow(DRELM_KEY_F10, kKeyPlain, kMenuTransposeNoteDown),
    ShortcutRow(DRELM_KEY_F11, kKeyPlain, kMenuTransposeOctaveUp),
    ShortcutRow(DRELM_KEY_F12, kKeyPlain, kMenuTransposeOctaveDown),
    ShortcutRow(DRELM_KEY_KP_PLUS, kKeyPlain, kMenuDetuneUp),
    ShortcutRow(DRELM_KEY_KP_MINUS, kKeyPlain, kMenuDetuneDown),
    ShortcutRow(DRELM_KEY_KP_MULTIPLY, kKeyPlain, kMenuDetuneInvert),
    ShortcutRow(DRELM_KEY_KP_DIVIDE, kKeyPlain, kMenuDetuneReset),
    ShortcutRow(DRELM_KEY_GRAVE, kKeyAlt, kMenuMacroRunTemporary),
};

}  // namespace

const DispatchRow* DispatchTable(int& count) {
    count = int(sizeof kTable / sizeof kTable[0]);
    return kTable;
}
