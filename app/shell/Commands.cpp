// The shell's own commands.
#include "app/shell/Commands.h"

#include <memory>

#include "app/Exceptions.h"
#include "app/Preferences.h"
#include "app/shell/EditorBinding.h"
#include "app/shell/MainWindow.h"
#include "app/shell/MenuTable.h"
#include "app/shell/Shell.h"
#include "gui/Requesters.h"
#include "import/Importers.h"
#include "module/Module.h"

namespace {

std::recursive_mutex& SoundMutex() { return *gShell.soundMutex; }

void StartSong(int line, int patternOnly) {
    std::lock_guard<std::recursive_mutex> lock(SoundMutex());
    Player& p = gShell.player;
    p.StopAllTestNotes();
    const int length = std::clamp<int>(gModule.songLength, 1, 256);
    const int position = std::clamp<int>(gEditor.view.songPosition, 0, length - 1);
    p.Start(line, position, patternOnly);
    // The next hand-over shows the playing pattern whole and starts following.
    gShell.followedPosition = -1;
}

std::string LabelOf(const GUI_Event& e) {
    if (e.type == GUI_EVENT_MENU) return MenuLabel(e.gadget);
    if (gShell.gui)
        if (GUI_Window* w = gShell.gui->FindWindow(e.window))
            if (const GUI_Gadget* g = w->Gadget(e.gadget)) return g->label;
    return "This command";
}

}  // namespace

std::string NotAvailableText(const std::string& label) {
    return "\"" + label + "\" is not available yet.";
}

void CommandNotAvailable(const GUI_Event& event) {
    if (gShell.gui) GUI_MessageRequester(*gShell.gui, NotAvailableText(LabelOf(event)));
}

void CommandPlay(const GUI_Event&) { StartSong(0, 0); }

void CommandCursorPlay(const GUI_Event&) { StartSong(gEditor.view.cursorLine, 0); }

void CommandPatternPlay(const GUI_Event&) { StartSong(0, 1); }

void CommandStop(const GUI_Event&) { StopPlayback(); }

void CommandPlayStopToggle(const GUI_Event& e) {
    if (IsPlaying())
        CommandStop(e);
    else
        CommandPlay(e);
}

void StopPlayback() {
    std::lock_guard<std::recursive_mutex> lock(SoundMutex());
    gShell.player.StopAllTestNotes();
    if (gShell.player.playing) gShell.player.Stop();
}

bool IsPlaying() {
    std::lock_guard<std::recursive_mutex> lock(SoundMutex());
    return gShell.player.playing != 0;
}

void CommandEditMode(const GUI_Event&) {
    gEditor.editMode = !gEditor.editMode;
    if (gShell.gui) RefreshModeButtons(*gShell.gui);
}

void CommandTestMode(const GUI_Event&) {
    gEditor.view.testMode = !gEditor.view.testMode;
    if (gShell.gui) RefreshModeButtons(*gShell.gui);
}

void CommandValueField(const GUI_Event& e) {
    PatternView& v = gEditor.view;
    switch (e.gadget) {
        case kMainStep:
            v.step = uint8_t(std::clamp(e.value, 0, 16));
            break;
        case kMainOctave:
            v.octave = uint8_t(std::clamp(e.value, 0, 8) + 2);
            break;
        case kMainVolume:
            v.volume = uint8_t(std::clamp(e.value, 0, 15));
            break;
        case kMainSpeed: {
            std::lock_guard<std::recursive_mutex> lock(SoundMutex());
            gShell.player.SetSpeed(uint8_t(std::clamp(e.value, 8, 255)));
            break;
        }
        case kMainStereo: {
            std::lock_guard<std::recursive_mutex> lock(SoundMutex());
            gShell.player.SetStereo(uint8_t(std::clamp(e.value, 0, 255)));
            break;
        }
        default:
            break;
    }
}

void CommandSelectPosition(const GUI_Event& e) {
    if (e.value < 0) return;
    SelectSongPosition(e.value);
}

void CommandClipboardChoice(const GUI_Event& e) {
    gPreferences.clipboard = uint8_t(std::clamp(e.gadget - kMenuClipboardSystem, 0, 4));
    if (gShell.gui) UpdateMenuMarks(*gShell.gui);
}

void CommandEditingOption(const GUI_Event& e) {
    switch (e.gadget) {
        case kMenuWrapVolume:
            gPreferences.wrapVolume = !gPreferences.wrapVolume;
            break;
        case kMenuCopyPasteInstVol:
            gPreferences.copyPasteInstVol = !gPreferences.copyPasteInstVol;
            break;
        case kMenuPasteDelete:
            gPreferences.pasteDeleteNotes = !gPreferences.pasteDeleteNotes;
            break;
        default:
            break;
    }
    if (gShell.gui) UpdateMenuMarks(*gShell.gui);
}

void CommandQuit(const GUI_Event&) {
    if (ModuleHasChanges() && gShell.gui &&
        !GUI_QuestionRequester(*gShell.gui,
                               "The current module has been changed.\nDo you really want to quit?",
                               "Yes", "No"))
        return;
    gShell.quit = true;
}

void CommandLoadRecent(const GUI_Event& e) {
    const int index = e.gadget - kMenuRecentFirst;
    if (index < 0 || index >= Preferences::kRecentFiles) return;
    const std::string path = gPreferences.lastModules[index];
    if (path.empty()) return;
    if (ModuleHasChanges() && gShell.gui &&
        !GUI_QuestionRequester(
            *gShell.gui,
            "The current module has been changed.\nDo you really want to load a new module?", "Yes",
            "No"))
        return;
    LoadModulePath(path);
}

void CommandRestoreDisplay(const GUI_Event&) { RestoreDisplay(); }

void CommandFullScreen(const GUI_Event&) { ToggleFullScreen(); }

void CommandPatternAreaMouse(const GUI_Event& e) { PatternAreaMouse(e); }

bool LoadModulePath(const std::string& path) {
    StopPlayback();
    const size_t slash = path.find_last_of('/');
    if (slash != std::string::npos) gPreferences.lastModuleDir = path.substr(0, slash + 1);
    std::unique_ptr<Module> loaded;
    try {
        loaded = std::make_unique<Module>();
        ImportOptions start;
        start.SetChip(gModule.chipType, gModule.frequencyDivider);
        StandardImportHandler importer(ImportDialogs{}, start);
        if (!loaded->Load(path, &importer)) return false;
    } catch (const CPUException&) {
        throw;
    } catch (const Exception&) {
        if (gShell.gui) GUI_MessageRequester(*gShell.gui, "Couldn't load module.");
        return false;
    } catch (const std::bad_alloc&) {
        if (gShell.gui) GUI_MessageRequester(*gShell.gui, "Couldn't load module.");
        return false;
    }
    {
        std::lock_guard<std::recursive_mutex> lock(SoundMutex());
        gModule = *loaded;
        gShell.player.Bind(gModule);
        gShell.player.ReloadSettings();
        gShell.followedPosition = -1;
    }
    ResetEditorForModule();
    gPreferences.AddRecentModule(path);
    if (gShell.gui) {
        UpdateRecentMenu(*gShell.gui);
        RefreshMainWindow(*gShell.gui);
    }
    return true;
}
