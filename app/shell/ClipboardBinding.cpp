// Cut, copy and paste in the tracker window.
#include "app/shell/ClipboardBinding.h"

#include <algorithm>

#include "app/Preferences.h"
#include "app/shell/EditorBinding.h"
#include "app/shell/Shell.h"

namespace {

Clipboards gClipboards;

// The desktop keeps the text only when reading it back gives the same text; a copy that
// did not reach the desktop is reported as failed.
bool SetDesktopText(void*, const std::string& text) {
    if (!gShell.gui) return false;
    gShell.gui->SetClipboardText(text);
    return gShell.gui->ClipboardText() == text;
}

std::string DesktopText(void*) { return gShell.gui ? gShell.gui->ClipboardText() : std::string(); }

// Macros replay these commands too, so the slot and the options are read at each one.
void RunWithPreferences(void* context, PatternView& view, const EditCommand& cmd) {
    Clipboards& clips = *static_cast<Clipboards*>(context);
    clips.current = std::clamp<int>(gPreferences.clipboard, 0, kClipboardSlots - 1);
    clips.instVolSeparately = gPreferences.copyPasteInstVol;
    clips.pasteDeleteNotes = gPreferences.pasteDeleteNotes;
    clips.RunCommand(view, cmd);
}

void Run(uint32_t code) {
    EditCommand cmd;
    cmd.code = code;
    gEditor.view.ExecuteMenuCommand(cmd);
}

}  // namespace

Clipboards& TrackerClipboards() { return gClipboards; }

void SetupClipboards(PatternView& view) {
    gClipboards.desktop = {SetDesktopText, DesktopText, nullptr};
    view.hooks.clipboardCommand = RunWithPreferences;
    view.hooks.clipboardContext = &gClipboards;
}

void CommandCut(const GUI_Event&) { Run(kCmdCut); }

void CommandCopy(const GUI_Event&) { Run(kCmdCopy); }

void CommandPaste(const GUI_Event&) { Run(kCmdPaste); }
