// The macros in the tracker: the store, its file, the Macro menu and its commands.
#include "app/shell/MacroBinding.h"

#include <memory>

#include "app/Paths.h"
#include "app/Preferences.h"
#include "app/shell/EditorBinding.h"
#include "app/shell/MenuTable.h"
#include "app/shell/Shell.h"
#include "editor/MacroFile.h"
#include "gui/Requesters.h"

namespace {

constexpr const char* kMacrosFile = "macros";

// About 770 kB: allocated once and replaced by an empty store at each start-up.
std::unique_ptr<Macros> gMacros;

PatternView& View() { return gEditor.view; }

}  // namespace

Macros& TrackerMacros() {
    if (!gMacros) gMacros = std::make_unique<Macros>();
    return *gMacros;
}

void BindMacros() {
    gMacros = std::make_unique<Macros>();
    gMacros->changed = false;
    PatternView& v = View();
    v.hooks.recordCommand = &Macros::RecordHook;
    v.hooks.recordContext = gMacros.get();
    v.Invalidate(kRedrawMenus);
}

std::string MacrosFilePath() { return UserFile(kMacrosFile); }

void LoadTrackerMacros() {
    Macros& macros = TrackerMacros();
    const MacroLoadResult result = LoadMacros(MacrosFilePath(), macros);
    View().Invalidate(kRedrawMenus);
    if (result == MacroLoadResult::Refused && gShell.gui)
        GUI_MessageRequester(*gShell.gui, "Couldn't load the macros.");
}

void SaveTrackerMacros() {
    if (!gMacros || !gMacros->changed) return;
    SaveMacros(MacrosFilePath(), *gMacros);
}

void RefreshMacroMenu(GUI& gui) {
    const Macros::MenuState menu = TrackerMacros().Menu();
    gui.SetMenuEnabled(kMenuMacroRecord, menu.startEnabled);
    gui.SetMenuEnabled(kMenuMacroRecordTemporary, menu.startEnabled);
    gui.SetMenuEnabled(kMenuMacroStop, menu.stopEnabled);
    for (int slot = 0; slot < kMacroSlots; ++slot) {
        gui.SetMenuLabel(kMenuMacroRunFirst + slot, menu.slotLabel[slot]);
        gui.SetMenuEnabled(kMenuMacroRunFirst + slot, menu.slotEnabled[slot]);
    }
    gui.SetMenuEnabled(kMenuMacroRunTemporary, menu.runTemporaryEnabled);
    gui.SetMenuBarNote(MacroRecording() ? "Recording macro" : "");
}

bool MacroRecording() { return gMacros && gMacros->recording; }

MacroPrompts TrackerMacroPrompts() {
    MacroPrompts prompts;
    prompts.message = [](const char* text) {
        if (gShell.gui) GUI_MessageRequester(*gShell.gui, text);
    };
    prompts.askYesNo = [](const char* text) {
        return gShell.gui && GUI_QuestionRequester(*gShell.gui, text, "Yes", "No");
    };
    prompts.editMacro = RunMacroDialog;
    return prompts;
}

void CommandMacroRecording(const GUI_Event& e) {
    Macros& macros = TrackerMacros();
    const MacroPrompts prompts = TrackerMacroPrompts();
    switch (e.gadget) {
        case kMenuMacroRecord:
            macros.StartRecording(prompts);
            break;
        case kMenuMacroRecordTemporary:
            macros.StartRecordingTemporary();
            break;
        case kMenuMacroStop:
            macros.StopRecording(prompts);
            break;
        default:
            return;
    }
    View().Invalidate(kRedrawMenus | kRedrawTitle);
}

void CommandMacroRun(const GUI_Event& e) {
    if (!gShell.soundMutex) return;
    Macros& macros = TrackerMacros();
    PatternView& v = View();
    v.wrapVolume = gPreferences.wrapVolume;
    const CommandExecutor execute = [&v](const EditCommand& cmd) { v.ExecuteCommand(cmd); };
    const bool following = v.following != 0;
    if (e.gadget == kMenuMacroRunTemporary)
        macros.RunTemporary(*gShell.soundMutex, following, execute);
    else if (e.gadget >= kMenuMacroRunFirst && e.gadget <= kMenuMacroRunLast)
        macros.RunSlot(e.gadget - kMenuMacroRunFirst, *gShell.soundMutex, following, execute);
}
