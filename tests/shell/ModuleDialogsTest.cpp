// "Module settings" and "Module information" from the main window's buttons.
#include <memory>

#include "sound/PsgChip.h"
#include "tests/shell/FileTestSupport.h"

using namespace filetest;

// Every field reaches the module; the repeat position is an undo step of its own, the
// rest marks the module changed (so that quitting asks), and the player follows.
TEST_F(ShellTest, ModuleSettingsApplyEveryFieldAndOnlyTheRepeatPositionIsUndone) {
    std::string dialogTitle;
    bool changedAfterCancel = true, changedAfterOkay = false, changedAfterUndo = false;
    int repeatAfterUndo = -1, speedAfterOkay = 0, samplesAfterOkay = 0;
    uint32_t stepAfterOkay = 0;
    std::vector<std::string> seen;
    steps = {[&] {
                 // Cancel first: nothing changes.
                 modalSteps = {nullptr, [] {
                                   Window(kModuleSettingsWindow)->SetText(kSetTitle, "Not this");
                                   ClickGadget(kModuleSettingsWindow, kSetCancel);
                               }};
                 Click(GadgetRect(kMainWindowNumber, kMainModuleSettings));
             },
             [&] {
                 changedAfterCancel = ModuleHasChanges();
                 modalSteps = {nullptr, [&] {
                                   GUI_Window* w = Window(kModuleSettingsWindow);
                                   ASSERT_NE(w, nullptr);
                                   dialogTitle = w->title;
                                   w->SetText(kSetTitle, "New title");
                                   w->SetText(kSetAuthor, "Someone else");
                                   w->SetText(kSetNotes, "Line one\nLine two");
                                   w->SetValue(kSetChipType, 1);
                                   w->SetValue(kSetDivider, 1);
                                   w->SetValue(kSetRepeat, 3);
                                   w->SetValue(kSetSpeed, 40);
                                   w->SetValue(kSetStereo, 0x96);
                                   ClickGadget(kModuleSettingsWindow, kSetOkay);
                               }};
                 Click(GadgetRect(kMainWindowNumber, kMainModuleSettings));
             },
             [&] {
                 changedAfterOkay = ModuleHasChanges();
                 speedAfterOkay = gShell.player.speed;
                 samplesAfterOkay = gShell.player.chip.SamplesPerFrame();
                 stepAfterOkay = gShell.player.chip.Step();
                 DispatchMenu(kMenuUndo);
             },
             [&] {
                 repeatAfterUndo = gModule.repeatPosition;
                 changedAfterUndo = ModuleHasChanges();
                 modalSteps = {nullptr, Note(seen, Answer(SDL_SCANCODE_ESCAPE))};
                 DispatchMenu(kMenuQuit);
             }};
    RunTracker({TW_SOURCE_DIR "/assets/demo/demo.quavex"});
    EXPECT_EQ(dialogTitle, "Module settings");
    EXPECT_FALSE(changedAfterCancel);
    EXPECT_TRUE(changedAfterOkay);
    EXPECT_EQ(gModule.title, "New title");
    EXPECT_EQ(gModule.author, "Someone else");
    EXPECT_EQ(gModule.notes, "Line one\nLine two");
    EXPECT_EQ(gModule.chipType, 1);
    EXPECT_EQ(gModule.frequencyDivider, 1);
    EXPECT_EQ(gModule.initialSpeed, 40);
    EXPECT_EQ(gModule.initialStereo, 0x96);
    // The player's chip runs at the PAL rate and clock, halved by the divider.
    EXPECT_EQ(samplesAfterOkay, 882);
    const auto pal2x = std::make_unique<PsgChip>();
    pal2x->SetClock(1, 1);
    EXPECT_EQ(stepAfterOkay, pal2x->Step());
    EXPECT_EQ(speedAfterOkay, 40);
    // The demo song repeats from position 1; the undo step puts that back and leaves the
    // other settings (and so the changed mark) as they are.
    EXPECT_EQ(repeatAfterUndo, 1);
    EXPECT_TRUE(changedAfterUndo);
    EXPECT_EQ(gModule.title, "New title");
    EXPECT_EQ(seen, std::vector<std::string>{
                        "The current module has been changed.\nDo you really want to quit?"});
}

TEST_F(ShellTest, ModuleSettingsRepeatPositionStaysInsideTheSong) {
    int max = -1;
    steps = {[&] {
        modalSteps = {nullptr, [&] {
                          GUI_Window* w = Window(kModuleSettingsWindow);
                          w->SetValue(kSetRepeat, 200);
                          max = w->Value(kSetRepeat);
                          ClickGadget(kModuleSettingsWindow, kSetCancel);
                      }};
        Click(GadgetRect(kMainWindowNumber, kMainModuleSettings));
    }};
    RunTracker({TW_SOURCE_DIR "/assets/demo/demo.quavex"});
    EXPECT_EQ(max, gModule.songLength - 1);
}

// The empty song: one pattern of 64 lines at six frames a line is 384 NTSC frames; the
// cursor on line 10 is 60 frames in.
TEST_F(ShellTest, ModuleInformationShowsTheFileThePatternsAndTheTimes) {
    std::vector<std::string> texts;
    std::string title;
    steps = {[&] {
        gEditor.view.MoveCursor(0, 0, 10);
        modalSteps = {nullptr, [&] {
                          GUI_Window* w = Window(kModuleInfoWindow);
                          ASSERT_NE(w, nullptr);
                          title = w->title;
                          for (int g = 0; g < 7; ++g) texts.push_back(w->Text(g));
                          ClickGadget(kModuleInfoWindow, 7);
                      }};
        Click(GadgetRect(kMainWindowNumber, kMainModuleInfo));
    }};
    RunTracker();
    EXPECT_EQ(title, "Module information");
    EXPECT_EQ(texts, (std::vector<std::string>{"", "", "1", "1", "0", "6.40 sec. (0:06 min.)",
                                               "1.00 sec. (0:01 min.)"}));
}

TEST_F(ShellTest, ModuleInformationNamesTheFileAndCountsUnusedPatterns) {
    const std::string path = dir.File("song.quavex");
    {
        Module m;
        m.Clear(1, 0);
        m.MakePattern(5);  // made, but no song position plays it
        m.Save(path);
    }
    std::vector<std::string> texts;
    steps = {[&] {
        modalSteps = {nullptr, [&] {
                          GUI_Window* w = Window(kModuleInfoWindow);
                          for (int g = 0; g < 7; ++g) texts.push_back(w->Text(g));
                          PressKey(SDL_SCANCODE_ESCAPE);
                      }};
        Click(GadgetRect(kMainWindowNumber, kMainModuleInfo));
    }};
    RunTracker({path});
    // PAL: 384 frames are 7.68 seconds.
    EXPECT_EQ(texts, (std::vector<std::string>{"song.quavex", dir.Path(), "1", "2", "1",
                                               "7.68 sec. (0:07 min.)", "0.00 sec. (0:00 min.)"}));
}

// The fields hold 64 characters; a longer title from a file is not cut by an "Okay" that
// did not touch it, and nothing counts as changed.
TEST_F(ShellTest, ModuleSettingsKeepALongTitleThatWasNotEdited) {
    const std::string path = dir.File("long.quavex");
    // Letters of two bytes: the field shows 64 letters, which are more than 64 bytes.
    std::string title;
    for (int i = 0; i < 100; ++i) title += "\xC3\xBC";
    {
        Module m;
        m.Clear(0, 0);
        m.title = title;
        m.Save(path);
    }
    std::string shown;
    bool changed = true;
    steps = {[&] {
                 modalSteps = {nullptr, [&] {
                                   shown = Window(kModuleSettingsWindow)->Text(kSetTitle);
                                   ClickGadget(kModuleSettingsWindow, kSetOkay);
                               }};
                 Click(GadgetRect(kMainWindowNumber, kMainModuleSettings));
             },
             [&] { changed = ModuleHasChanges(); }};
    RunTracker({path});
    EXPECT_EQ(shown, title.substr(0, 128));
    EXPECT_EQ(gModule.title, title);
    EXPECT_FALSE(changed);
}

// Letters typed without a key of their own (an umlaut from a dead key, a letter from an
// input method) reach the title and the notes as typed.
TEST_F(ShellTest, ModuleSettingsKeepEveryLetterTyped) {
    steps = {[&] {
        modalSteps = {nullptr,
                      [] {
                          ClickGadget(kModuleSettingsWindow, kSetTitle);
                          PressKey(SDL_SCANCODE_END);
                          DRELM_InjectText(" T\xC3\xABst S\xC3\xB3ng \xE4\xB8\xAD");
                      },
                      [] {
                          ClickGadget(kModuleSettingsWindow, kSetNotes);
                          DRELM_InjectText("Chip T\xC3\xBCne");
                      },
                      [] { ClickGadget(kModuleSettingsWindow, kSetOkay); }};
        Click(GadgetRect(kMainWindowNumber, kMainModuleSettings));
    }};
    RunTracker({TW_SOURCE_DIR "/assets/demo/demo.quavex"});
    EXPECT_EQ(gModule.title, "Tonweave demo T\xC3\xABst S\xC3\xB3ng \xE4\xB8\xAD");
    EXPECT_NE(gModule.notes.find("Chip T\xC3\xBCne"), std::string::npos) << gModule.notes;
}
