// The one table from GUI events to commands. The first matching row wins, so specific
// rows stand before general ones. A feature that is not built yet has a row that says so;
// building it means replacing that row's handler.
#include "app/shell/ClipboardBinding.h"
#include "app/shell/Commands.h"
#include "app/shell/Dialogs.h"
#include "app/shell/Dispatcher.h"
#include "app/shell/EditMenu.h"
#include "app/shell/FileCommands.h"
#include "app/shell/InstrumentDialog.h"
#include "app/shell/MacroBinding.h"
#include "app/shell/MainWindow.h"
#include "app/shell/MenuTable.h"
#include "app/shell/PatternDialogs.h"

namespace {

constexpr CommandHandler kNotYet = CommandNotAvailable;
constexpr int kMain = kMainWindowNumber;
constexpr int kNumber = GUI_EVENT_NUMBER;

const DispatchRow kTable[] = {
    // The device and the window.
    EventRow(GUI_EVENT_RESTORE, CommandRestoreDisplay),
    EventRow(GUI_EVENT_QUIT, CommandQuit),

    // File menu.
    MenuRow(kMenuNewModule, CommandNewModule),
    MenuRow(kMenuLoadModule, CommandLoadModule, "Couldn't load module."),
    MenuRangeRow(kMenuRecentFirst, kMenuRecentLast, CommandLoadRecent, "Couldn't load module."),
    MenuRow(kMenuSaveModule, CommandSaveModule, "Couldn't save module."),
    MenuRow(kMenuSaveModuleAs, CommandSaveModuleAs, "Couldn't save module."),
    MenuRow(kMenuExportDadivev, CommandExportDadivev, "Couldn't export module."),
    MenuRow(kMenuExportVgm, CommandExportVgm, "Couldn't export module."),
    MenuRow(kMenuExportMid, CommandExportMid, "Couldn't export module."),
    MenuRow(kMenuExportSmsRom, CommandExportSmsRom, "Couldn't export module."),
    MenuRow(kMenuExportGgRom, CommandExportGgRom, "Couldn't export module."),
    MenuRow(kMenuPreferences, CommandPreferences),
    MenuRow(kMenuQuit, CommandQuit),

    // Edit menu.
    MenuRow(kMenuUndo, CommandUndo),
    MenuRow(kMenuRedo, CommandRedo),
    MenuRangeRow(kMenuClipboardSystem, kMenuClipboardLast, CommandClipboardChoice),
    MenuRow(kMenuClear, CommandClear),
    MenuRow(kMenuCut, CommandCut),
    MenuRow(kMenuCopy, CommandCopy),
    MenuRow(kMenuPaste, CommandPaste),
    MenuRangeRow(kMenuDouble, kMenuHalfResize, CommandResize),
    MenuRow(kMenuGradient, CommandGradient),
    MenuRangeRow(kMenuWrapVolume, kMenuPasteDelete, CommandEditingOption),
    MenuRangeRow(kMenuTransposeOctaveUp, kMenuTransposeNoteDown, CommandTranspose),
    MenuRangeRow(kMenuDetuneUp, kMenuDetuneReset, CommandDetune),

    // Macro menu.
    MenuRow(kMenuMacroManage, CommandMacroManager),
    MenuRangeRow(kMenuMacroRecord, kMenuMacroStop, CommandMacroRecording),
    MenuRangeRow(kMenuMacroRunFirst, kMenuMacroRunTemporary, CommandMacroRun),

    // Extras and Help.
    MenuRow(kMenuMultiPatternSettings, CommandMultiPatternSettings),
    MenuRow(kMenuChangeInstruments, CommandChangeInstruments),
    MenuRow(kMenuCopyChannels, CommandCopyChannels),
    MenuRow(kMenuReadme, CommandReadme),
    MenuRow(kMenuProgramInfo, CommandProgramInfo),

    // Main window: pattern list.
    GadgetRow(kMain, kMainPatternList, CommandSelectPosition, GUI_EVENT_LIST),
    GadgetRow(kMain, kMainPatternList, CommandChoosePositionPattern, GUI_EVENT_LIST_ACTIVATED),
    GadgetRow(kMain, kMainInsert, CommandInsertPosition),
    GadgetRow(kMain, kMainRemove, CommandRemovePosition),
    GadgetRow(kMain, kMainMakeNew, CommandMakePattern),
    GadgetRow(kMain, kMainDeleteOld, CommandDeletePattern),
    GadgetRow(kMain, kMainOverview, CommandPatternOverview),
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
    GadgetRow(kMain, kMainPatternSettings, CommandPatternSettings),
    GadgetRow(kMain, kMainPatternResize, CommandPatternResize),
    GadgetRow(kMain, kMainModuleSettings, CommandModuleSettings),
    GadgetRow(kMain, kMainModuleInfo, CommandModuleInfo),
    // The pattern area's mouse events go to the editor.
    GadgetRow(kMain, kMainPatternArea, CommandPatternAreaMouse, GUI_EVENT_IMAGE_DOWN),
    GadgetRow(kMain, kMainPatternArea, CommandPatternAreaMouse, GUI_EVENT_IMAGE_MOVE),
    GadgetRow(kMain, kMainPatternArea, CommandPatternAreaMouse, GUI_EVENT_IMAGE_UP),
    GadgetRow(kMain, kMainPatternArea, CommandPatternAreaMouse, GUI_EVENT_IMAGE_WHEEL),
    // The instrument selector.
    GadgetRow(kMain, kMainInstrument, CommandInstrumentSelector, GUI_EVENT_IMAGE_DOWN),
    GadgetRow(kMain, kMainInstrument, CommandInstrumentSelector, GUI_EVENT_IMAGE_UP),
    GadgetRow(kMain, kMainInstrument, CommandInstrumentSelector, GUI_EVENT_IMAGE_WHEEL),

    // Keys: the menu shortcuts and the shell's own.
    KeyRow(DRELM_KEY_RETURN, kKeyAlt, CommandFullScreen),
    KeyRow(DRELM_KEY_PAGEUP, kKeyCtrl, CommandPreviousPositionPattern),
    KeyRow(DRELM_KEY_PAGEDOWN, kKeyCtrl, CommandNextPositionPattern),
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
    ShortcutRow(DRELM_KEY_GRAVE, kKeyCtrl, kMenuMacroRunTemporary),
    // The instruments: the editor, and the current instrument down and up.
    KeyRow(DRELM_KEY_I, kKeyCtrl, CommandInstrumentEditor),
    KeyRow(DRELM_KEY_LEFTBRACKET, kKeyCtrl, CommandPreviousInstrument),
    KeyRow(DRELM_KEY_RIGHTBRACKET, kKeyCtrl, CommandNextInstrument),
};

}  // namespace

const DispatchRow* DispatchTable(int& count) {
    count = int(sizeof kTable / sizeof kTable[0]);
    return kTable;
}
