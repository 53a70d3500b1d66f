// The song's file commands: new, load, save, save as and the exports of the "File" menu,
// the module settings and information dialogs of the main window, and the dialogs the
// importers and the MIDI export show in the tracker.
#pragma once

#include <string>
#include <vector>

#include "export/MidiExport.h"
#include "gui/Gui.h"
#include "import/Importers.h"

// Dialog window numbers.
constexpr int kModuleSettingsWindow = 40;
constexpr int kModuleInfoWindow = 41;
constexpr int kImportModWindow = 42;
constexpr int kImportMidiWindow = 43;
constexpr int kImportVgmWindow = 44;
constexpr int kImportBasicWindow = 45;
constexpr int kExportMidiWindow = 46;

// The patterns of the "Load module" requester.
const std::vector<std::string>& LoadModulePatterns();

void CommandNewModule(const GUI_Event& event);
void CommandLoadModule(const GUI_Event& event);
// Both throw when the file cannot be written; the module then stays marked changed.
void CommandSaveModule(const GUI_Event& event);
void CommandSaveModuleAs(const GUI_Event& event);
// Each throws when the file cannot be written.
void CommandExportDadivev(const GUI_Event& event);
void CommandExportVgm(const GUI_Event& event);
void CommandExportMid(const GUI_Event& event);
void CommandExportSmsRom(const GUI_Event& event);
void CommandExportGgRom(const GUI_Event& event);

// The main window's "Module settings" and "Module info".
void CommandModuleSettings(const GUI_Event& event);
void CommandModuleInfo(const GUI_Event& event);

// ---- Dialogs (ModuleDialogs.cpp, ImportDialogs.cpp, MidiExportDialog.cpp) ----

// What the module settings dialog edits.
struct ModuleSettingsDraft {
    std::string title;
    std::string author;
    std::string notes;
    int chipType = 0;
    int frequencyDivider = 0;
    int repeatPosition = 0;
    int repeatPositionMax = 0;
    int initialSpeed = 48;
    int initialStereo = 0xFF;
};
// Gadget numbers of the settings dialog.
enum ModuleSettingsGadget : int {
    kSetTitle = 0,
    kSetAuthor,
    kSetNotes,
    kSetChipType,
    kSetDivider,
    kSetRepeat,
    kSetSpeed,
    kSetStereo,
    kSetOkay,
    kSetCancel,
};
ModuleSettingsDraft CurrentModuleSettings();
// "New module settings" or "Module settings"; true on "Okay" with `draft` as set.
bool RunModuleSettingsDialog(const char* title, ModuleSettingsDraft& draft);

// The import dialogs for Module::Load's import handler.
ImportDialogs TrackerImportDialogs();

// "Export MIDI": the program of each instrument use; false on "Cancel".
bool RunMidiExportDialog(const std::vector<MidiInstrumentUse>& uses, MidiProgramTable& programs);
