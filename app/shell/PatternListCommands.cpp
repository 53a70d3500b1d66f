// The main window's pattern list commands, the choice of the pattern a song position plays,
// and "Pattern overview".
#include <cstdio>
#include <string>
#include <vector>

#include "app/shell/Commands.h"
#include "app/shell/DialogParts.h"
#include "app/shell/EditorBinding.h"
#include "app/shell/PatternChooser.h"
#include "app/shell/PatternDialogs.h"
#include "app/shell/PatternDialogsInternal.h"
#include "app/shell/Shell.h"
#include "editor/SongCommands.h"
#include "gui/Requesters.h"
#include "module/Module.h"

namespace {

void Refuse(const char* message) {
    if (message && gShell.gui) GUI_MessageRequester(*gShell.gui, message);
}

void StepPositionPattern(int direction) {
    if (!SongMayChange()) return;
    PatternView& v = gEditor.view;
    const int next = NextUsedPattern(gModule, v.currentPattern, direction);
    if (next >= 0) SetPositionPattern(v, next);
}

}  // namespace

GUI_GadgetDesc DialogNumber(int row, int column, int columns, const char* label, int min, int max) {
    return dialog::Number(row, column, columns, label, "%3D", min, max, min, max > 64 ? 16 : 1);
}

bool SongMayChange() { return gShell.gui && !gEditor.view.following && !IsPlaying(); }

void CommandInsertPosition(const GUI_Event&) {
    if (SongMayChange()) Refuse(InsertSongPosition(gEditor.view));
}

void CommandRemovePosition(const GUI_Event&) {
    if (SongMayChange()) Refuse(RemoveSongPosition(gEditor.view));
}

void CommandMakePattern(const GUI_Event&) {
    if (!SongMayChange()) return;
    int slot = -1;
    if (const char* refusal = CheckMakePattern(gModule, slot)) {
        Refuse(refusal);
        return;
    }
    PatternView& v = gEditor.view;
    PatternSettings settings = GetPatternSettings(v.CurrentPattern());
    int length = v.PatternLength();
    if (!RunPatternSettingsDialog("New pattern settings", settings, length)) return;
    MakePatternAfterCursor(v, slot, settings, length);
}

void CommandDeletePattern(const GUI_Event&) {
    if (!SongMayChange()) return;
    if (const char* refusal = CheckDeletePattern(gEditor.view)) {
        Refuse(refusal);
        return;
    }
    if (!GUI_QuestionRequester(*gShell.gui, kDeletePatternQuestion, "Yes", "No")) return;
    DeleteCurrentPattern(gEditor.view);
}

void CommandNextPositionPattern(const GUI_Event&) { StepPositionPattern(1); }

void CommandPreviousPositionPattern(const GUI_Event&) { StepPositionPattern(-1); }

void CommandChoosePositionPattern(const GUI_Event&) {
    if (!SongMayChange()) return;
    GUI& gui = *gShell.gui;
    PatternView& v = gEditor.view;
    char title[48];
    std::snprintf(title, sizeof title, "Pattern of song position %03d", v.songPosition);
    std::vector<GUI_GadgetDesc> d;
    GUI_GadgetDesc list = dialog::Gadget(GT_LIST, 0, 0, 2, nullptr);
    list.rows = 8;
    list.height = 10;
    list.flags = GUI_FOCUS;
    d.push_back(list);
    d.push_back(dialog::OkayButton(8, 0, 1));
    d.push_back(dialog::CancelButton(8, 1, 1));
    GUI_Window* w =
        gui.OpenWindow(kPositionPatternWindow, title, std::min(360, gui.ScreenWidth() - 20), d);
    if (!w) return;
    PatternChooser chooser;
    chooser.Fill(v.currentPattern);
    std::vector<std::string> rows;
    int selected = 0;
    for (size_t i = 0; i < chooser.patterns.size(); ++i) {
        rows.push_back(PatternRowText(chooser.patterns[i]));
        if (chooser.patterns[i] == v.currentPattern) selected = int(i);
    }
    w->SetListEntries(kPositionList, rows);
    w->SetListSelection(kPositionList, selected);
    int chosen = -1;
    GUI_RunModal(gui, w, [&](const GUI_Event& e) {
        if (e.window != kPositionPatternWindow) return false;
        if (e.type == GUI_EVENT_CLOSE) return true;
        const bool pick = (e.type == GUI_EVENT_LIST_ACTIVATED && e.gadget == kPositionList) ||
                          (e.type == GUI_EVENT_ACTIVATED && e.gadget == kPositionOkay);
        if (e.type == GUI_EVENT_ACTIVATED && e.gadget == kPositionCancel) return true;
        if (!pick) return false;
        const int row = w->ListSelection(kPositionList);
        if (row >= 0 && row < int(chooser.patterns.size())) chosen = chooser.patterns[size_t(row)];
        return true;
    });
    gui.CloseWindow(kPositionPatternWindow);
    if (chosen >= 0) SetPositionPattern(v, chosen);
}

std::vector<std::string> PatternOverviewRows() {
    std::vector<std::string> rows;
    for (int p = 0; p < kMaxPatterns; ++p) {
        const Pattern& pattern = gModule.patterns[p];
        if (!pattern.used) continue;
        rows.push_back(PatternRowText(p) + "\t" + std::to_string(pattern.length) + "\t" +
                       std::to_string(SongPositionsOf(gModule, p)));
    }
    return rows;
}

void CommandPatternOverview(const GUI_Event&) {
    if (!gShell.gui) return;
    GUI& gui = *gShell.gui;
    const int width = std::min(460, gui.ScreenWidth() - 20);
    std::vector<GUI_GadgetDesc> d;
    GUI_GadgetDesc list = dialog::Gadget(GT_LIST, 0, 0, 3, nullptr);
    list.rows = 10;
    list.height = 14;
    d.push_back(list);
    d.push_back(dialog::Column("Name", width - 160));
    d.push_back(dialog::Column("Length", 60));
    d.push_back(dialog::Column("Used"));
    d.push_back(dialog::CloseButton(10, 1));
    GUI_Window* w = gui.OpenWindow(kPatternOverviewWindow, "Pattern overview", width, d);
    if (!w) return;
    const std::vector<std::string> rows = PatternOverviewRows();
    w->SetListEntries(kOverviewList, rows);
    GUI_RunModal(gui, w, [&](const GUI_Event& e) {
        if (e.window != kPatternOverviewWindow) return false;
        return e.type == GUI_EVENT_CLOSE ||
               (e.type == GUI_EVENT_ACTIVATED && e.gadget == kOverviewClose);
    });
    gui.CloseWindow(kPatternOverviewWindow);
}
