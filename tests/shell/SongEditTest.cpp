// The whole tracker with injected keys and clicks: cut, copy and paste through the desktop
// clipboard and the internal ones, the pattern list's buttons with their refusals and
// dialogs, the pattern dialogs, and undo of all of it.
#include "app/shell/ClipboardBinding.h"
#include "app/shell/Commands.h"
#include "app/shell/MainWindow.h"
#include "app/shell/MenuTable.h"
#include "app/shell/PatternDialogs.h"
#include "tests/shell/ShellFixture.h"

namespace {

PatternLine& LineOf(int pattern, int line) { return gModule.patterns[pattern].lines[line]; }

std::vector<int> Order() {
    return std::vector<int>(gModule.orderList, gModule.orderList + gModule.songLength);
}

GUI_Window* Window(int number) { return gShell.gui->FindWindow(number); }

class SongEditTest : public ShellTest {
protected:
    void ClickMain(int gadget) { Click(GadgetRect(kMainWindowNumber, gadget)); }
    void ClickIn(int window, int gadget) { Click(GadgetRect(window, gadget)); }
    static void Ctrl(int scancode) { PressWith(SDL_SCANCODE_LCTRL, scancode); }
};

}  // namespace

TEST_F(SongEditTest, CopyAndPasteThroughTheDesktopAndTheInternalClipboards) {
    std::string desktop;
    steps = {
        [] { Press(SDL_SCANCODE_Q); },  // note 48 on line 0; the cursor goes to line 1
        [] {
            Press(SDL_SCANCODE_UP);
            Ctrl(SDL_SCANCODE_C);
        },
        [&] {
            desktop = gShell.gui->ClipboardText();
            for (int i = 0; i < 4; ++i) Press(SDL_SCANCODE_DOWN);
            Ctrl(SDL_SCANCODE_V);
        },
        [] {
            EXPECT_EQ(LineOf(0, 4).note[0], 48);
            gShell.gui->SetClipboardText("Text that another program copied.");
            Ctrl(SDL_SCANCODE_V);
        },
        nullptr,
        [] {
            DispatchMenu(kMenuClipboardSystem + 1);
            Ctrl(SDL_SCANCODE_V);
        },
        nullptr,
        [] {
            Press(SDL_SCANCODE_DOWN);
            Ctrl(SDL_SCANCODE_X);  // cuts line 5 (empty) into "Internal 1"
        },
        [] {
            Press(SDL_SCANCODE_UP);
            Ctrl(SDL_SCANCODE_V);  // its empty cell clears line 4 ("Paste: Delete" is on)
        },
        [] {
            EXPECT_EQ(LineOf(0, 4).note[0], kNoteEmpty);
            Ctrl(SDL_SCANCODE_Y);
        },
        [] {
            EXPECT_EQ(LineOf(0, 4).note[0], 48);
            Ctrl(SDL_SCANCODE_Y);  // the cut
            Ctrl(SDL_SCANCODE_Y);  // the first paste
        },
        [] { EXPECT_EQ(LineOf(0, 4).note[0], kNoteEmpty); },
    };
    RunTracker();
    EXPECT_EQ(desktop.rfind("Tonweave-Pattern-Data-1\n", 0), 0u) << desktop.substr(0, 40);
    ASSERT_EQ(requesters.size(), 2u);
    EXPECT_EQ(requesters[0], "The System-clipboard doesn't contain Tonweave pattern data.");
    EXPECT_EQ(requesters[1], "The User-clipboard is empty.");
    EXPECT_EQ(LineOf(0, 0).note[0], 48);
}

TEST_F(SongEditTest, PatternListButtonsWithTheirDialogsRefusalsAndUndo) {
    steps = {
        [&] { ClickMain(kMainInsert); },
        [&] {
            EXPECT_EQ(Order(), (std::vector<int>{0, 0}));
            EXPECT_EQ(EditorSongPosition(), 1);
            ClickMain(kMainRemove);
        },
        [&] {
            EXPECT_EQ(Order(), (std::vector<int>{0}));
            ClickMain(kMainRemove);  // refused
        },
        nullptr,
        [&] {
            modalSteps = {nullptr,
                          [] {
                              GUI_Window* w = Window(kPatternSettingsWindow);
                              ASSERT_NE(w, nullptr);
                              EXPECT_EQ(w->title, "New pattern settings");
                              EXPECT_EQ(w->Value(kSettingsLength), 64);
                              w->SetText(kSettingsName, "Verse");
                              w->SetValue(kSettingsLength, 24);
                          },
                          [&] { ClickIn(kPatternSettingsWindow, kSettingsOkay); }};
            ClickMain(kMainMakeNew);
        },
        [&] {
            EXPECT_EQ(Order(), (std::vector<int>{0, 1}));
            EXPECT_EQ(EditorSongPosition(), 1);
            EXPECT_STREQ(gModule.patterns[1].name, "Verse");
            EXPECT_EQ(gModule.patterns[1].length, 24);
            ClickMain(kMainDeleteOld);  // asked, and Return says "Yes"
        },
        nullptr,
        [&] {
            EXPECT_EQ(Order(), (std::vector<int>{0}));
            EXPECT_EQ(gModule.patterns[1].used, 0);
            ClickMain(kMainDeleteOld);  // refused: pattern 0 is the whole song
        },
        nullptr,
        [] { Ctrl(SDL_SCANCODE_Y); },
        [] {
            EXPECT_EQ(Order(), (std::vector<int>{0, 1}));
            EXPECT_EQ(gModule.patterns[1].used, 1);
            EXPECT_EQ(EditorSongPosition(), 1);
            Ctrl(SDL_SCANCODE_PAGEUP);  // position 1 plays pattern 0 now
        },
        [] {
            EXPECT_EQ(Order(), (std::vector<int>{0, 0}));
            Ctrl(SDL_SCANCODE_PAGEDOWN);
        },
        [] {
            EXPECT_EQ(Order(), (std::vector<int>{0, 1}));
        },
    };
    RunTracker();
    ASSERT_EQ(requesters.size(), 3u);
    EXPECT_EQ(requesters[0], "Can't remove the last pattern from the pattern list.");
    EXPECT_EQ(requesters[1], "Do you really want to delete this pattern?");
    EXPECT_EQ(requesters[2],
              "This pattern can't be deleted, because it's the only one left in the pattern list");
}

TEST_F(SongEditTest, SongCommandsWaitWhileTheSongPlays) {
    steps = {
        [&] { ClickMain(kMainPlay); },
        [&] {
            ClickMain(kMainInsert);
            Ctrl(SDL_SCANCODE_PAGEDOWN);
        },
        [&] { ClickMain(kMainMakeNew); },
        [&] {
            EXPECT_EQ(Order(), (std::vector<int>{0}));
            EXPECT_EQ(gModule.patterns[1].used, 0);
            ClickMain(kMainStop);
        },
    };
    RunTracker();
    EXPECT_TRUE(requesters.empty());
}

TEST_F(SongEditTest, PatternSettingsResizeAndMultiSettingsDialogs) {
    std::vector<std::string> overview;
    steps = {
        [&] {
            gModule.MakePattern(3);
            modalSteps = {nullptr,
                          [] {
                              GUI_Window* w = Window(kPatternSettingsWindow);
                              ASSERT_NE(w, nullptr);
                              EXPECT_EQ(w->title, "Pattern settings");
                              w->SetChecked(kSettingsMainOn, true);
                              w->SetValue(kSettingsMainLines, 12);
                          },
                          [&] { ClickIn(kPatternSettingsWindow, kSettingsOkay); }};
            ClickMain(kMainPatternSettings);
        },
        [&] {
            EXPECT_EQ(gModule.patterns[0].mainTactOn, 1);
            EXPECT_EQ(gModule.patterns[0].mainTactInterval, 12);
            modalSteps = {nullptr,
                          [] {
                              GUI_Window* w = Window(kPatternResizeWindow);
                              ASSERT_NE(w, nullptr);
                              EXPECT_EQ(w->Value(kResizeOld), 64);
                              w->SetValue(kResizeNew, 100);
                          },
                          [&] { ClickIn(kPatternResizeWindow, kResizeOkay); }};
            ClickMain(kMainPatternResize);
        },
        [&] {
            EXPECT_EQ(gModule.patterns[0].length, 100);
            modalSteps = {nullptr,
                          [] {
                              GUI_Window* w = Window(kMultiPatternWindow);
                              ASSERT_NE(w, nullptr);
                              w->SetValue(kMultiWhat, 0);
                              w->SetText(kMultiName, "Same");
                          },
                          [&] { ClickIn(kMultiPatternWindow, kMultiSelectAll); },
                          [&] { ClickIn(kMultiPatternWindow, kMultiApply); }};
            DispatchMenu(kMenuMultiPatternSettings);
        },
        [&] {
            EXPECT_STREQ(gModule.patterns[0].name, "Same");
            EXPECT_STREQ(gModule.patterns[3].name, "Same");
            EXPECT_EQ(gModule.patterns[3].mainTactOn, 0);
            modalSteps = {nullptr,
                          [&] {
                              GUI_Window* w = Window(kPatternOverviewWindow);
                              ASSERT_NE(w, nullptr);
                              overview = w->Gadget(kOverviewList)->entries;
                          },
                          [&] { ClickIn(kPatternOverviewWindow, kOverviewClose); }};
            ClickMain(kMainOverview);
        },
        [] { Ctrl(SDL_SCANCODE_Y); },
        [] {
            EXPECT_STREQ(gModule.patterns[3].name, "");
            Ctrl(SDL_SCANCODE_Y);
        },
        [] {
            EXPECT_EQ(gModule.patterns[0].length, 64);
            Ctrl(SDL_SCANCODE_Y);
        },
        [] { EXPECT_EQ(gModule.patterns[0].mainTactOn, 0); },
    };
    RunTracker();
    EXPECT_EQ(overview, (std::vector<std::string>{"000  Same\t100\t1", "003  Same\t64\t0"}));
    EXPECT_TRUE(requesters.empty());
}

TEST_F(SongEditTest, UndoBringsTheOrderListBackToThePosition) {
    int top = -1, rows = 0;
    steps = {
        [] {
            gModule.MakePattern(1);
            for (int i = 0; i < 40; ++i) gModule.orderList[i] = uint8_t(i % 2);
            gModule.songLength = 40;
            SelectSongPosition(30);
        },
        [&] { ClickMain(kMainInsert); },
        [] {
            EXPECT_EQ(EditorSongPosition(), 31);
            // The user scrolls the list back to its top.
            Window(kMainWindowNumber)->Gadget(kMainPatternList)->scrollTop = 0;
        },
        [] { Ctrl(SDL_SCANCODE_Y); },
        [&] {
            const GUI_Gadget* list = Window(kMainWindowNumber)->Gadget(kMainPatternList);
            top = list->scrollTop;
            rows = list->visibleRows;
            EXPECT_EQ(list->value, 30);
        },
    };
    RunTracker();
    EXPECT_EQ(gModule.songLength, 40);
    EXPECT_EQ(EditorSongPosition(), 30);
    EXPECT_LE(top, 30);
    EXPECT_GT(top + rows, 31);
}

TEST_F(SongEditTest, DeletingAPatternBeforeTheRepeatPositionLeavesAFileThatLoads) {
    const std::string path = dir.File("deleted.quavex");
    steps = {
        [] {
            gModule.MakePattern(1);
            gModule.orderList[1] = gModule.orderList[2] = 1;
            gModule.songLength = 3;
            gModule.repeatPosition = 2;
            SelectSongPosition(1);
        },
        [&] { ClickMain(kMainDeleteOld); },  // Return answers "Yes"
        nullptr,
        [&] {
            EXPECT_EQ(Order(), (std::vector<int>{0}));
            // The player reads it too, not only the file writer.
            EXPECT_EQ(gModule.repeatPosition, 0);
            gModule.Save(path);
        },
    };
    RunTracker();
    int status = -1;
    const std::string info = ConverterInfo(path, status);
    EXPECT_EQ(status, 0) << info;
    EXPECT_NE(info.find("song_length=1\n"), std::string::npos) << info;
    EXPECT_NE(info.find("repeat_position=0\n"), std::string::npos) << info;
}
