// The menu tree, and every entry chosen with the mouse giving its command or its
// "not available yet" message.
#include <map>
#include <set>

#include "app/shell/Commands.h"
#include "app/shell/Dialogs.h"
#include "app/shell/EditMenu.h"
#include "app/shell/MainWindow.h"
#include "app/shell/MenuTable.h"
#include "tests/shell/ShellFixture.h"

namespace {

// level, label (or "-" for a separator), command, shortcut: the whole tree in order.
struct Entry {
    int level;
    const char* label;
    int command;
    const char* shortcut;
};

const Entry kExpected[] = {
    {0, "File", -1, ""},
    {1, "New module...", 0, "Ctrl + n"},
    {1, "Load module...", 1, "Ctrl + o"},
    {1, "-", -1, ""},
    {1, "Load recent", -1, ""},
    {2, "--", 9, ""},
    {2, "--", 10, ""},
    {2, "--", 11, ""},
    {2, "--", 12, ""},
    {2, "--", 13, ""},
    {2, "--", 14, ""},
    {2, "--", 15, ""},
    {2, "--", 16, ""},
    {2, "--", 17, ""},
    {2, "--", 18, ""},
    {1, "Save module", 2, "Ctrl + s"},
    {1, "Save module as...", 3, ""},
    {1, "Export module", -1, ""},
    {2, "DADIVEV...", 4, ""},
    {2, "-", -1, ""},
    {2, "VGM...", 5, ""},
    {2, "MID...", 6, ""},
    {1, "-", -1, ""},
    {1, "Preferences", 7, ""},
    {1, "-", -1, ""},
    {1, "Quit", 8, ""},
    {0, "Edit", -1, ""},
    {1, "Undo", 19, "CTRL + y"},
    {1, "Redo", 20, "CTRL + z"},
    {1, "-", -1, ""},
    {1, "Clipboard", -1, ""},
    {2, "System", 21, ""},
    {2, "Internal 1", 22, ""},
    {2, "Internal 2", 23, ""},
    {2, "Internal 3", 24, ""},
    {2, "Internal 4", 25, ""},
    {1, "Clear", 26, "Del"},
    {1, "Cut", 27, "CTRL + x"},
    {1, "Copy", 28, "CTRL + c"},
    {1, "Paste", 29, "CTRL + v"},
    {1, "-", -1, ""},
    {1, "Transpose", -1, ""},
    {2, "Transpose +Note", 40, "F9"},
    {2, "Transpose -Note", 41, "F10"},
    {2, "Transpose +Oct", 38, "F11"},
    {2, "Transpose -Oct", 39, "F12"},
    {1, "Detune", -1, ""},
    {2, "Detune +1", 42, "Numpad +"},
    {2, "Detune -1", 43, "Numpad -"},
    {2, "Detune invert", 44, "Numpad *"},
    {2, "Detune reset", 45, "Numpad /"},
    {1, "Resize", -1, ""},
    {2, "Double", 30, ""},
    {2, "Double with pattern resize", 31, ""},
    {2, "-", -1, ""},
    {2, "Half", 32, ""},
    {2, "Half with pattern resize", 33, ""},
    {1, "Gradient", 34, "CTRL + g"},
    {1, "-", -1, ""},
    {1, "Options", -1, ""},
    {2, "Wrap volume", 35, ""},
    {2, "Copy, Paste: Inst./Vol. column separately", 36, ""},
    {2, "Paste: Delete", 37, ""},
    {0, "Macro", -1, ""},
    {1, "Recording", -1, ""},
    {2, "Start recording...", 47, ""},
    {2, "Start recording temporary", 48, ""},
    {2, "-", -1, ""},
    {2, "Stop recording", 49, ""},
    {1, "Run", -1, ""},
    {2, "--", 50, ""},
    {2, "--", 51, ""},
    {2, "--", 52, ""},
    {2, "--", 53, ""},
    {2, "--", 54, ""},
    {2, "--", 55, ""},
    {2, "--", 56, ""},
    {2, "--", 57, ""},
    {2, "--", 58, ""},
    {2, "--", 59, ""},
    {2, "--", 60, ""},
    {2, "--", 61, ""},
    {2, "-", -1, ""},
    {2, "Run temporary", 62, "Alt + ^"},
    {1, "-", -1, ""},
    {1, "Manage...", 46, ""},
    {0, "Extras", -1, ""},
    {1, "Multi pattern settings...", 63, ""},
    {1, "-", -1, ""},
    {1, "Change instruments...", 64, ""},
    {1, "Copy channels...", 65, ""},
    {0, "Help", -1, ""},
    {1, "Readme.txt", 66, ""},
    {1, "-", -1, ""},
    {1, "Program info", 67, ""},
};

}  // namespace

TEST(MenuTable, HoldsEveryEntryWithItsNumberLabelShortcutAndSeparators) {
    gPreferences.SetDefaults();
    const std::vector<GUI_MenuDesc> menu = BuildMenu();
    ASSERT_EQ(menu.size(), std::size(kExpected));
    for (size_t i = 0; i < menu.size(); ++i) {
        const GUI_MenuDesc& d = menu[i];
        const Entry& e = kExpected[i];
        SCOPED_TRACE(i);
        EXPECT_EQ(d.level, e.level);
        EXPECT_EQ(std::string(d.flags & GUI_MENU_SEPARATOR ? "-" : d.label), e.label);
        EXPECT_EQ(d.command, e.command);
        EXPECT_EQ(std::string(d.shortcut ? d.shortcut : ""), e.shortcut);
    }
}

TEST(MenuTable, EveryNumberHasOneRowOfTheDispatcher) {
    for (int command = 0; command < kMenuCommandCount; ++command) {
        GUI_Event e;
        e.type = GUI_EVENT_MENU;
        e.gadget = command;
        const DispatchRow* row = FindRow(e);
        ASSERT_NE(row, nullptr) << command;
        EXPECT_NE(row->handler, nullptr) << command;
    }
    // Menu numbers are not editor command codes: menu 19 is Undo, whatever code 19 is.
    GUI_Event undo;
    undo.type = GUI_EVENT_MENU;
    undo.gadget = kMenuUndo;
    EXPECT_EQ(FindRow(undo)->handler, CommandUndo);
}

TEST(Dispatcher, ShortcutsStandForTheirMenuEntries) {
    struct Case {
        int key;
        int modifiers;
        int menu;
    } cases[] = {
        {DRELM_KEY_N, DRELM_MOD_LCTRL, kMenuNewModule},
        {DRELM_KEY_O, DRELM_MOD_RCTRL, kMenuLoadModule},
        {DRELM_KEY_S, DRELM_MOD_LCTRL, kMenuSaveModule},
        {DRELM_KEY_Y, DRELM_MOD_LCTRL, kMenuUndo},
        {DRELM_KEY_Z, DRELM_MOD_LCTRL, kMenuRedo},
        {DRELM_KEY_DELETE, 0, kMenuClear},
        {DRELM_KEY_F9, 0, kMenuTransposeNoteUp},
        {DRELM_KEY_F12, 0, kMenuTransposeOctaveDown},
        {DRELM_KEY_KP_DIVIDE, 0, kMenuDetuneReset},
        {DRELM_KEY_G, DRELM_MOD_LCTRL, kMenuGradient},
        {DRELM_KEY_GRAVE, DRELM_MOD_LALT, kMenuMacroRunTemporary},
    };
    for (const Case& c : cases) {
        GUI_Event e;
        e.type = GUI_EVENT_KEY;
        e.key = c.key;
        e.modifiers = c.modifiers;
        const DispatchRow* row = FindRow(e);
        ASSERT_NE(row, nullptr) << c.key;
        EXPECT_EQ(row->menu, c.menu) << c.key;
    }
    // The modifiers must match exactly: Ctrl+Shift+Z and a plain Z are the editor's keys.
    GUI_Event e;
    e.type = GUI_EVENT_KEY;
    e.key = DRELM_KEY_Z;
    e.modifiers = DRELM_MOD_LCTRL | DRELM_MOD_LSHIFT;
    EXPECT_EQ(FindRow(e), nullptr);
    e.modifiers = 0;
    EXPECT_EQ(FindRow(e), nullptr);
    e.key = DRELM_KEY_RETURN;
    e.modifiers = DRELM_MOD_LALT;
    ASSERT_NE(FindRow(e), nullptr);
    EXPECT_EQ(FindRow(e)->handler, CommandFullScreen);
}

// Each entry is chosen as a user would: a click on the bar title, the pointer over each
// submenu's entry, a click on the entry. What follows is noted: the menu event, the
// requester it brought up, the dialog it opened.
TEST_F(ShellTest, EveryMenuEntryGivesItsCommandOrSaysItIsNotAvailableYet) {
    const std::vector<GUI_MenuDesc> menu = BuildMenu();
    std::map<int, std::vector<std::string>> path;  // command -> labels to hover first
    std::map<int, int> title;
    std::vector<std::string> parents;
    int bar = -1;
    for (const GUI_MenuDesc& d : menu) {
        if (d.flags & GUI_MENU_SEPARATOR) continue;
        if (d.level == 0) ++bar;
        parents.resize(size_t(d.level));
        if (d.command < 0) {
            parents.push_back(d.label);
            continue;
        }
        // The recent files are empty and disabled in a fresh start.
        if (d.flags & GUI_MENU_DISABLED) continue;
        title[d.command] = bar;
        path[d.command] = std::vector<std::string>(parents.begin() + 1, parents.end());
    }
    std::map<int, std::string> outcome;
    std::map<int, int> menuEvents;
    for (const auto& [command, hover] : path) {
        if (command == kMenuQuit) continue;
        const int cmd = command;
        const std::vector<std::string> over = hover;
        const int index = title[cmd];
        steps.push_back([index] { Click(gShell.gui->MenuTitleRect(index)); });
        for (const std::string& label : over)
            steps.push_back([label] { MoveTo(gShell.gui->MenuEntryRect(label)); });
        steps.push_back([cmd] { Click(gShell.gui->MenuEntryRect(cmd)); });
        steps.push_back(nullptr);
        steps.push_back([this, cmd, &outcome] {
            outcome[cmd] = requesters.empty() ? "" : requesters.back();
            requesters.clear();
        });
    }
    SetCommandHook([&](const GUI_Event& e) {
        if (e.type == GUI_EVENT_MENU) ++menuEvents[e.gadget];
    });
    std::vector<int> dialogs;
    modalSteps.clear();
    gShell.options.modalHook = [&] {
        for (int w : {kPreferencesWindow, kReadmeWindow, kProgramInfoWindow})
            if (gShell.gui->FindWindow(w) && (dialogs.empty() || dialogs.back() != w))
                dialogs.push_back(w);
        ModalStep();
        Press(SDL_SCANCODE_ESCAPE);
    };
    RunTracker();
    // Entries whose command is built; every other entry must say it is not available.
    const std::set<int> built = {
        kMenuPreferences, kMenuReadme, kMenuProgramInfo, kMenuClear, kMenuDouble,
        kMenuDoubleResize, kMenuHalf, kMenuHalfResize, kMenuGradient, kMenuTransposeNoteUp,
        kMenuTransposeNoteDown, kMenuTransposeOctaveUp, kMenuTransposeOctaveDown, kMenuDetuneUp,
        kMenuDetuneDown, kMenuDetuneInvert, kMenuDetuneReset, kMenuClipboardSystem,
        kMenuClipboardSystem + 1, kMenuClipboardSystem + 2, kMenuClipboardSystem + 3,
        kMenuClipboardSystem + 4, kMenuWrapVolume, kMenuCopyPasteInstVol, kMenuPasteDelete,
        kMenuChangeInstruments, kMenuCopyChannels};
    for (const auto& [command, hover] : path) {
        if (command == kMenuQuit) continue;
        SCOPED_TRACE(command);
        const std::string label = MenuLabel(command);
        if (command == kMenuUndo || command == kMenuRedo) {
            // Nothing to undo or redo yet: the entries are disabled and choose nothing.
            EXPECT_EQ(menuEvents[command], 0);
            EXPECT_EQ(outcome[command], "");
            continue;
        }
        EXPECT_EQ(menuEvents[command], 1);
        if (built.count(command))
            EXPECT_EQ(outcome[command].find("is not available yet"), std::string::npos);
        else
            EXPECT_EQ(outcome[command], "\"" + label + "\" is not available yet.");
    }
    EXPECT_EQ(dialogs, (std::vector<int>{kPreferencesWindow, kReadmeWindow, kProgramInfoWindow}));
    // The options went into the preferences: the last clipboard chosen, each mark toggled.
    EXPECT_EQ(gPreferences.clipboard, 4);
    EXPECT_TRUE(gPreferences.wrapVolume);
    EXPECT_TRUE(gPreferences.copyPasteInstVol);
    EXPECT_FALSE(gPreferences.pasteDeleteNotes);
}

TEST_F(ShellTest, MenuBarOpensFromTheKeyboard) {
    bool open = false;
    int chosen = -1;
    SetCommandHook([&](const GUI_Event& e) {
        if (e.type == GUI_EVENT_MENU) chosen = e.gadget;
    });
    // Alt tapped opens "File" on its first entry; Right moves to "Edit", Down and Return
    // pick its first enabled entry: with nothing to undo or redo, "Clear".
    steps = {[] { Press(SDL_SCANCODE_LALT); }, [&] { open = gShell.gui->MenuOpen(); },
             [] { Press(SDL_SCANCODE_RIGHT); },
             [] {
                 Press(SDL_SCANCODE_DOWN);
                 Press(SDL_SCANCODE_RETURN);
             }};
    RunTracker();
    EXPECT_TRUE(open);
    EXPECT_EQ(chosen, kMenuClear);
}

TEST_F(ShellTest, QuitAsksOnlyWhenTheModuleHasChanged) {
    bool changed = true;
    SetCommandHook([&](const GUI_Event&) {
        if (changed) MarkSettingsChanged();
    });
    bool afterNo = false, afterYes = false;
    // "No" (Escape) keeps the tracker running; "Yes" (Return) ends the loop at once.
    steps = {[&] {
                 modalSteps = {nullptr, [] { Press(SDL_SCANCODE_ESCAPE); }};
                 DispatchMenu(kMenuQuit);
             },
             [&] {
                 afterNo = true;
                 modalSteps = {nullptr, [] { Press(SDL_SCANCODE_RETURN); }};
                 DispatchMenu(kMenuQuit);
             },
             [&] { afterYes = true; }};
    RunTracker();
    EXPECT_TRUE(afterNo);
    EXPECT_FALSE(afterYes);
    ASSERT_EQ(requesters.size(), 2u);
    EXPECT_EQ(requesters[0], "The current module has been changed.\nDo you really want to quit?");

    changed = false;
    requesters.clear();
    afterYes = false;
    steps = {[] { DispatchMenu(kMenuQuit); }, [&] { afterYes = true; }};
    RunTracker();
    EXPECT_FALSE(afterYes);
    EXPECT_TRUE(requesters.empty());
}
