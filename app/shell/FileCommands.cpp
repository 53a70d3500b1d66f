// New, load, save, save as and the exports of the "File" menu.
#include "app/shell/FileCommands.h"

#include <memory>
#include <mutex>

#include "app/Preferences.h"
#include "app/shell/Commands.h"
#include "app/shell/EditorBinding.h"
#include "app/shell/MainWindow.h"
#include "app/shell/Recovery.h"
#include "app/shell/Shell.h"
#include "export/DadivevExport.h"
#include "export/RomExport.h"
#include "export/VgmExport.h"
#include "gui/Requesters.h"
#include "module/Module.h"

namespace {

constexpr const char* kNewQuestion =
    "The current module has been changed.\nDo you really want to create a new module?";
constexpr const char* kLoadQuestion =
    "The current module has been changed.\nDo you really want to load a new module?";
constexpr const char* kLoopQuestion =
    "Shall the VGM file loop?\nPlayers then repeat the song from its repeat position, as the "
    "tracker does.";

// True when there is nothing to lose, or the user agreed to lose it.
bool MayDropChanges(const char* question) {
    return !ModuleHasChanges() || !gShell.gui ||
           GUI_QuestionRequester(*gShell.gui, question, "Yes", "No");
}

// Where the chosen file is: a name typed with its own path may lie outside the directory
// the requester showed.
std::string DirectoryOf(const std::string& path) {
    const size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash == 0 ? 1 : slash);
}

// The module's file name with `extension` in place of its own, as the name an export
// requester offers ("song.quavex" gives "song.vgm").
std::string NameWithExtension(const std::string& fileName, const std::string& extension) {
    if (fileName.empty()) return "";
    const size_t dot = fileName.find_last_of('.');
    return (dot == std::string::npos || dot == 0 ? fileName : fileName.substr(0, dot)) + extension;
}

// Writes the module to `path` and marks it saved; throws as Module::Save does, leaving the
// module marked changed.
void SaveTo(const std::string& path) {
    StopPlayback();
    gModule.Save(path);
    MarkModuleSaved();
    RecoveryModuleSaved();
}

// Asks for an export's file name: the requester "Export module as <kind>" in the last
// export directory. Gives back the path, or "" when cancelled.
std::string ChooseExportPath(const char* kind, const char* extension) {
    if (!gShell.gui) return "";
    GUI_FileRequest request;
    request.title = std::string("Export module as ") + kind;
    request.save = true;
    request.directory = gPreferences.lastExportDir;
    request.patterns = {std::string("*") + extension};
    request.extension = extension;
    request.fileName = NameWithExtension(gModule.fileName, extension);
    if (!GUI_FileRequester(*gShell.gui, request)) return "";
    gPreferences.lastExportDir = DirectoryOf(request.result);
    StopPlayback();
    return request.result;
}

void ExportRom(const char* kind, const char* extension, RomSystem system) {
    const std::string path = ChooseExportPath(kind, extension);
    if (!path.empty()) ExportROM(gModule, path, system);
}

}  // namespace

const std::vector<std::string>& LoadModulePatterns() {
    static const std::vector<std::string> patterns = {
        "*.mid", "*.midi", "*.mod", "mod.*", "*.quavex", "*.vgm", "*.vgz", "*.bas", "*.bam"};
    return patterns;
}

void CommandNewModule(const GUI_Event&) {
    if (!MayDropChanges(kNewQuestion)) return;
    ModuleSettingsDraft draft = CurrentModuleSettings();
    // The new song has one position, so it can only repeat from there.
    draft.repeatPosition = draft.repeatPositionMax = 0;
    if (!RunModuleSettingsDialog("New module settings", draft)) return;
    StopPlayback();
    {
        std::lock_guard<std::recursive_mutex> lock(*gShell.soundMutex);
        Module& m = gModule;
        m.Clear(m.chipType, m.frequencyDivider);
        m.title = draft.title;
        m.author = draft.author;
        m.notes = draft.notes;
        m.chipType = uint8_t(draft.chipType);
        m.frequencyDivider = uint8_t(draft.frequencyDivider);
        m.repeatPosition = 0;
        m.initialSpeed = uint8_t(draft.initialSpeed);
        m.initialStereo = uint8_t(draft.initialStereo);
        gShell.player.Bind(m);
        gShell.player.ReloadSettings();
        gShell.followedPosition = -1;
    }
    ResetEditorForModule();
    if (gShell.gui) RefreshMainWindow(*gShell.gui);
}

void CommandLoadModule(const GUI_Event&) {
    if (!gShell.gui || !MayDropChanges(kLoadQuestion)) return;
    GUI_FileRequest request;
    request.title = "Load module";
    request.directory = gPreferences.lastModuleDir;
    request.patterns = LoadModulePatterns();
    if (!GUI_FileRequester(*gShell.gui, request)) return;
    LoadModulePath(request.result);
}

void CommandSaveModule(const GUI_Event& event) {
    if (gModule.fileName.empty() || gModule.directory.empty()) {
        CommandSaveModuleAs(event);
        return;
    }
    SaveTo(gModule.directory + "/" + gModule.fileName);
}

void CommandSaveModuleAs(const GUI_Event&) {
    if (!gShell.gui) return;
    GUI_FileRequest request;
    request.title = "Save module";
    request.save = true;
    request.directory = gPreferences.lastModuleDir;
    request.patterns = {"*.quavex"};
    request.extension = ".quavex";
    request.fileName = gModule.fileName;
    if (!GUI_FileRequester(*gShell.gui, request)) return;
    SaveTo(request.result);
    gPreferences.lastModuleDir = DirectoryOf(request.result);
}

void CommandExportDadivev(const GUI_Event&) {
    const std::string path = ChooseExportPath("DADIVEV", ".dadivev");
    if (path.empty()) return;
    // The compiler gets a copy, so that nothing it does can reach the song being edited.
    const auto copy = std::make_unique<Module>(gModule);
    ExportDADIVEV(*copy, path);
}

void CommandExportVgm(const GUI_Event&) {
    const std::string path = ChooseExportPath("VGM", ".vgm");
    if (path.empty()) return;
    // Escape is "Cancel": a key pressed to back out must not write a file.
    const int answer =
        GUI_ChoiceRequester(*gShell.gui, kLoopQuestion, {"Loop", "Play once", "Cancel"});
    if (answer < 0 || answer == 2) return;
    ExportVGM(gModule, path, answer == 0);
}

void CommandExportMid(const GUI_Event&) {
    const std::string path = ChooseExportPath("MID", ".mid");
    if (path.empty()) return;
    ExportMIDI(gModule, path, RunMidiExportDialog);
}

void CommandExportSmsRom(const GUI_Event&) {
    ExportRom("SMS ROM", ".sms", RomSystem::kMasterSystem);
}

void CommandExportGgRom(const GUI_Event&) { ExportRom("GG ROM", ".gg", RomSystem::kGameGear); }
