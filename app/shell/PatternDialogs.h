// The pattern list's commands and the dialogs around patterns: "Insert", "Remove", "Make
// new...", "Delete old...", "Overview", "Pattern settings", "Pattern resize", "Multi
// pattern settings..." and the choice of the pattern a song position plays.
#pragma once

#include <string>
#include <vector>

#include "gui/Gui.h"

constexpr int kPatternSettingsWindow = 60;  // also "New pattern settings"
constexpr int kMultiPatternWindow = 61;
constexpr int kPatternResizeWindow = 62;
constexpr int kPatternOverviewWindow = 63;
constexpr int kPositionPatternWindow = 64;

// Gadget numbers of "Pattern settings" / "New pattern settings".
enum PatternSettingsGadget : int {
    kSettingsName = 0,
    kSettingsLength,
    kSettingsMainOn,
    kSettingsMainStart,
    kSettingsMainLines,
    kSettingsSecondaryOn,
    kSettingsSecondaryStart,
    kSettingsSecondaryLines,
    kSettingsOkay,
    kSettingsCancel,
};

// Gadget numbers of "Multi pattern settings".
enum MultiPatternGadget : int {
    kMultiList = 0,
    kMultiSelectAll,
    kMultiWhat,
    kMultiName,
    kMultiMainOn,
    kMultiMainStart,
    kMultiMainLines,
    kMultiSecondaryOn,
    kMultiSecondaryStart,
    kMultiSecondaryLines,
    kMultiApply,
    kMultiCancel,
};

enum PatternResizeGadget : int { kResizeOld = 0, kResizeNew, kResizeOkay, kResizeCancel };
enum PatternOverviewGadget : int { kOverviewList = 0, kOverviewClose };
enum PositionPatternGadget : int { kPositionList = 0, kPositionOkay, kPositionCancel };

// The main window's pattern list buttons. None of the commands that change the song runs
// while it plays.
void CommandInsertPosition(const GUI_Event& event);
void CommandRemovePosition(const GUI_Event& event);
void CommandMakePattern(const GUI_Event& event);
void CommandDeletePattern(const GUI_Event& event);
void CommandPatternOverview(const GUI_Event& event);
// The settings buttons and the Extras menu entry.
void CommandPatternSettings(const GUI_Event& event);
void CommandPatternResize(const GUI_Event& event);
void CommandMultiPatternSettings(const GUI_Event& event);
// The pattern the current song position plays: Ctrl+Page Up / Ctrl+Page Down step to the
// next or previous pattern in use; a double click on the pattern list chooses from a list.
void CommandNextPositionPattern(const GUI_Event& event);
void CommandPreviousPositionPattern(const GUI_Event& event);
void CommandChoosePositionPattern(const GUI_Event& event);

// The rows of "Pattern overview": "003  name", length and song positions, tab-separated,
// for every pattern in use.
std::vector<std::string> PatternOverviewRows();
