// "New module settings" / "Module settings" and "Module information".
#include <algorithm>
#include <mutex>
#include <string>
#include <vector>

#include "app/shell/DialogParts.h"
#include "app/shell/EditorBinding.h"
#include "app/shell/FileCommands.h"
#include "app/shell/MainWindow.h"
#include "app/shell/Shell.h"
#include "gui/Requesters.h"
#include "module/Module.h"
#include "sound/SongTiming.h"

using namespace dialog;

namespace {

// The one-line texts hold at most this many characters.
constexpr size_t kTextLength = 64;

std::vector<GUI_GadgetDesc> SettingsDescriptions(const ModuleSettingsDraft& s, int notesLines) {
    std::vector<GUI_GadgetDesc> d;
    d.push_back(Group(0, 0, 4, 3, "Information"));
    d.push_back(Text(0, 0, 4, "Title:", "%64s", s.title.c_str()));
    d.push_back(Text(1, 0, 4, "Author:", "%64s", s.author.c_str()));
    GUI_GadgetDesc notes = Gadget(GT_TEXTFIELD, 2, 0, 4, "Notes:");
    notes.content = s.notes.c_str();
    notes.height = int16_t(notesLines);
    d.push_back(notes);
    AddChipGroup(d, 3, 0, s.chipType, s.frequencyDivider);
    d.push_back(
        Number(4, 0, 2, "Repeat position:", "%3D", 0, s.repeatPositionMax, s.repeatPosition));
    // The long labels stand in the right half, so that the choices on the left keep room.
    d.push_back(Number(4, 2, 2, "Initial speed:", "%2D.%3D", 8, 255, s.initialSpeed, 8));
    d.push_back(Number(5, 2, 2, "Initial GG stereo ($):", "%2X", 0, 255, s.initialStereo, 16));
    d.push_back(OkayButton(6, 0, 2));
    d.push_back(CancelButton(6, 2, 2));
    return d;
}

// A text the field had to shorten stays whole unless the user changed what was shown.
void TakeText(const GUI_Window& w, int gadget, std::string& text) {
    const std::string shown = w.Text(gadget);
    // What the field made of the text: its first letters, however many bytes they take.
    GUI_TextEdit original;
    original.SetMaxLength(gadget == kSetNotes ? int(text.size()) : int(kTextLength));
    original.SetText(text);
    if (shown != original.Text()) text = shown;
}

// Applies the dialog's settings to the module: a new repeat position is an undo step,
// every other change marks the module changed. The player follows the chip settings and,
// when it stands still, the initial speed.
void ApplyModuleSettings(const ModuleSettingsDraft& s) {
    Module& m = gModule;
    bool changed = false;
    int speed = 0, stereo = 0;
    {
        std::lock_guard<std::recursive_mutex> lock(*gShell.soundMutex);
        auto set = [&changed](auto& field, const auto& value) {
            if (field == value) return;
            field = value;
            changed = true;
        };
        set(m.title, s.title);
        set(m.author, s.author);
        set(m.notes, s.notes);
        const bool clock = m.chipType != s.chipType || m.frequencyDivider != s.frequencyDivider;
        set(m.chipType, uint8_t(s.chipType));
        set(m.frequencyDivider, uint8_t(s.frequencyDivider));
        set(m.initialSpeed, uint8_t(s.initialSpeed));
        set(m.initialStereo, uint8_t(s.initialStereo));
        const int repeat = std::clamp(s.repeatPosition, 0, std::max(0, m.songLength - 1));
        if (repeat != m.repeatPosition && gEditor.undo) {
            gEditor.undo->BeginRepeatPosition(m.repeatPosition, repeat);
            m.repeatPosition = uint8_t(repeat);
            gEditor.undo->EndRepeatPosition();
            gEditor.view.Invalidate(kRedrawAfterOrderEdit);
        }
        Player& p = gShell.player;
        if (!p.playing)
            p.ReloadSettings();
        else if (clock)
            p.ApplyClock();
        speed = p.speed;
        stereo = p.stereo;
    }
    if (changed) MarkSettingsChanged();
    if (gShell.gui) RefreshPlayerFields(*gShell.gui, speed, stereo);
}

// Texts of the information dialog, in its gadget order.
std::vector<std::string> InformationTexts() {
    int line = gEditor.view.cursorLine, position = gEditor.view.songPosition;
    {
        std::lock_guard<std::recursive_mutex> lock(*gShell.soundMutex);
        if (gShell.player.playing) {
            line = gShell.player.line;
            position = gShell.player.position;
        }
    }
    const ModuleInformation info = GatherModuleInformation(gModule, line, position);
    return {info.fileName,
            info.directory,
            std::to_string(info.songLength),
            std::to_string(info.patterns),
            std::to_string(info.unusedPatterns),
            info.time,
            info.cursorTime};
}

}  // namespace

ModuleSettingsDraft CurrentModuleSettings() {
    const Module& m = gModule;
    ModuleSettingsDraft s;
    s.title = m.title;
    s.author = m.author;
    s.notes = m.notes;
    s.chipType = m.chipType;
    s.frequencyDivider = m.frequencyDivider;
    s.repeatPosition = m.repeatPosition;
    s.repeatPositionMax = std::max(0, m.songLength - 1);
    s.initialSpeed = std::clamp<int>(m.initialSpeed, 8, 255);
    s.initialStereo = m.initialStereo;
    return s;
}

bool RunModuleSettingsDialog(const char* title, ModuleSettingsDraft& draft) {
    GUI& gui = *gShell.gui;
    const int notesLines = gui.ScreenHeight() >= 600 ? 6 : 4;
    const std::vector<GUI_GadgetDesc> d = SettingsDescriptions(draft, notesLines);
    GUI_Window* w =
        gui.OpenWindow(kModuleSettingsWindow, title, std::min(560, gui.ScreenWidth() - 20), d);
    if (!w) return false;
    bool okay = false;
    GUI_RunModal(gui, w, [&](const GUI_Event& e) {
        if (e.window != kModuleSettingsWindow) return false;
        if (e.type == GUI_EVENT_CLOSE) return true;
        if (e.type != GUI_EVENT_ACTIVATED) return false;
        if (e.gadget == kSetCancel) return true;
        if (e.gadget != kSetOkay) return false;
        okay = true;
        return true;
    });
    if (okay) {
        TakeText(*w, kSetTitle, draft.title);
        TakeText(*w, kSetAuthor, draft.author);
        TakeText(*w, kSetNotes, draft.notes);
        draft.chipType = std::clamp(w->Value(kSetChipType), 0, 1);
        draft.frequencyDivider = std::clamp(w->Value(kSetDivider), 0, 1);
        draft.repeatPosition = w->Value(kSetRepeat);
        draft.initialSpeed = w->Value(kSetSpeed);
        draft.initialStereo = w->Value(kSetStereo);
    }
    gui.CloseWindow(kModuleSettingsWindow);
    return okay;
}

void CommandModuleSettings(const GUI_Event&) {
    ModuleSettingsDraft draft = CurrentModuleSettings();
    if (RunModuleSettingsDialog("Module settings", draft)) ApplyModuleSettings(draft);
}

void CommandModuleInfo(const GUI_Event&) {
    GUI& gui = *gShell.gui;
    const std::vector<std::string> texts = InformationTexts();
    const char* labels[] = {"Filename:",
                            "Directory:",
                            "Song length:",
                            "Number of patterns:",
                            "Number of unused patterns:",
                            "Time:",
                            "Time at cursor:"};
    std::vector<GUI_GadgetDesc> d;
    d.push_back(Group(0, 0, 1, 2, "File"));
    d.push_back(Group(2, 0, 1, 3, "Patterns"));
    d.push_back(Group(5, 0, 1, 2, "Times"));
    for (int i = 0; i < 7; ++i)
        d.push_back(Text(i, 0, 1, labels[i], "%4096s", texts[size_t(i)].c_str(), GUI_READONLY));
    d.push_back(CloseButton(7));
    constexpr int kClose = 7;
    GUI_Window* w = gui.OpenWindow(kModuleInfoWindow, "Module information",
                                   std::min(480, gui.ScreenWidth() - 40), d);
    if (!w) return;
    GUI_RunModal(gui, w, [&](const GUI_Event& e) {
        if (e.window != kModuleInfoWindow) return false;
        return e.type == GUI_EVENT_CLOSE || (e.type == GUI_EVENT_ACTIVATED && e.gadget == kClose);
    });
    gui.CloseWindow(kModuleInfoWindow);
}
