// The transport driving the player, the hand-over that follows the play position, the
// editing value fields, and the shell's own dialogs.
#include "app/shell/Dialogs.h"
#include "app/shell/MainWindow.h"
#include "app/shell/MenuTable.h"
#include "tests/shell/ShellFixture.h"

namespace {

Quelm::Rect NumberButton(int window, int gadget, int button) {
    GUI_Window* w = gShell.gui->FindWindow(window);
    const Quelm::Rect& r = w->Gadget(gadget)->buttons[button];
    return Quelm::Rect(w->rect.x + r.x, w->rect.y + r.y, r.width, r.height);
}

// Plays frames as the sound thread would, until the song position moves on.
void PlayUntilNextPosition() {
    std::lock_guard<std::recursive_mutex> lock(*gShell.soundMutex);
    const int start = gShell.player.position;
    for (int i = 0; i < 100000 && gShell.player.position == start; ++i) gShell.player.PlayFrame();
}

void PlayFrames(int n) {
    std::lock_guard<std::recursive_mutex> lock(*gShell.soundMutex);
    for (int i = 0; i < n; ++i) gShell.player.PlayFrame();
}

}  // namespace

TEST_F(ShellTest, PlayFollowsThePlayPositionAndStopStops) {
    std::vector<int> positions, playLines;
    bool playing = false, stopped = true, followingAfterStop = true;
    int listSelection = -1;
    auto note = [&] {
        const PatternView& v = gEditor.view;
        if (positions.empty() || positions.back() != v.songPosition)
            positions.push_back(v.songPosition);
        if (v.following) playLines.push_back(v.playLine);
    };
    steps = {[] { Click(GadgetRect(kMainWindowNumber, kMainPlay)); },
             [&] {
                 playing = gShell.player.playing != 0;
                 note();
             },
             [] { PlayFrames(30); },
             note,
             [] { PlayUntilNextPosition(); },
             [&] {
                 note();
                 listSelection =
                     gShell.gui->FindWindow(kMainWindowNumber)->ListSelection(kMainPatternList);
             },
             [] { Click(GadgetRect(kMainWindowNumber, kMainStop)); },
             [&] { stopped = gShell.player.playing == 0; },
             [&] { followingAfterStop = gEditor.view.following != 0; }};
    RunTracker({TW_SOURCE_DIR "/assets/demo/demo.quavex"});
    EXPECT_TRUE(playing);
    EXPECT_TRUE(stopped);
    EXPECT_FALSE(followingAfterStop);
    // The view shows the first pattern, then the next song position with the order list
    // following it; in between the play bar moves down the pattern.
    EXPECT_EQ(positions, (std::vector<int>{0, 1}));
    EXPECT_EQ(listSelection, 1);
    ASSERT_GE(playLines.size(), 2u);
    EXPECT_GT(playLines[1], playLines[0]);
    EXPECT_EQ(gEditor.view.songPosition, 1);
}

TEST_F(ShellTest, CursorPlayAndPatternPlayStartWhereTheyShould) {
    int line = -1, patternOnly = -1, position = -1;
    steps = {[] {
                 SelectSongPosition(2);
                 gEditor.view.MoveCursor(0, 0, 5);
                 Click(GadgetRect(kMainWindowNumber, kMainCursorPlay));
             },
             [&] {
                 std::lock_guard<std::recursive_mutex> lock(*gShell.soundMutex);
                 position = gShell.player.position;
                 line = gShell.player.line;
             },
             [] { Click(GadgetRect(kMainWindowNumber, kMainPatternPlay)); },
             [&] { patternOnly = gShell.player.patternOnly; }};
    RunTracker({TW_SOURCE_DIR "/assets/demo/demo.quavex"});
    EXPECT_EQ(position, 2);
    EXPECT_EQ(line, 5);
    EXPECT_EQ(patternOnly, 1);
}

TEST_F(ShellTest, ValueFieldsChangeTheEditingValuesAndThePlayer) {
    int speed = 0, stereo = 0;
    steps = {[] {
                 Click(NumberButton(kMainWindowNumber, kMainSpeed, 2));
                 Click(NumberButton(kMainWindowNumber, kMainStereo, 1));
                 Click(NumberButton(kMainWindowNumber, kMainOctave, 2));
                 Click(NumberButton(kMainWindowNumber, kMainVolume, 1));
                 Click(NumberButton(kMainWindowNumber, kMainStep, 2));
             },
             [&] {
                 speed = gShell.player.GetSpeed();
                 stereo = gShell.player.GetStereo();
             }};
    RunTracker();
    EXPECT_EQ(speed, 48 + 8);
    EXPECT_EQ(stereo, 0xFF - 16);
    EXPECT_EQ(gEditor.view.octave, 4);
    EXPECT_EQ(gEditor.view.volume, 14);
    EXPECT_EQ(gEditor.view.step, 2);
}

TEST_F(ShellTest, PatternListChoosesTheSongPosition) {
    int shownPattern = -1;
    steps = {[] {
        GUI_Window* w = gShell.gui->FindWindow(kMainWindowNumber);
        const auto l = GUI_Detail::ListLayout(gShell.gui->Skin(), *w->Gadget(kMainPatternList));
        // The third row.
        Click(Quelm::Rect(w->rect.x + l.inner.x + 10, w->rect.y + l.inner.y + 2 * l.rowHeight, 20,
                          l.rowHeight));
    },
             [&] { shownPattern = gEditor.view.currentPattern; }};
    RunTracker({TW_SOURCE_DIR "/assets/demo/demo.quavex"});
    EXPECT_EQ(gEditor.view.songPosition, 2);
    EXPECT_EQ(shownPattern, gModule.orderList[2]);
}

TEST_F(ShellTest, PreferencesDialogAppliesVolumeAtOnceAndFullScreenAtTheNextStart) {
    int volume = -1;
    bool fullscreenNow = true;
    std::string writtenAtOkay;
    steps = {
        [&] {
            modalSteps = {nullptr, [] { Click(NumberButton(kPreferencesWindow, kPrefsVolume, 2)); },
                          [] { Click(GadgetRect(kPreferencesWindow, kPrefsOkay)); }};
            DispatchMenu(kMenuPreferences);
            volume = gShell.sound->Volume();
            // "Okay" writes the file at once: a crash later does not lose the change.
            writtenAtOkay = ReadWholeFile(dir.File("tonweave.prefs"));
        },
        [&] {
            modalSteps = {nullptr, [] { Click(GadgetRect(kPreferencesWindow, kPrefsFullscreen)); },
                          [] { Click(GadgetRect(kPreferencesWindow, kPrefsOkay)); }};
            DispatchMenu(kMenuPreferences);
            fullscreenNow = DRELM_GetScreen()->IsFullScreen();
        },
        [&] {
            // Cancel keeps everything.
            modalSteps = {nullptr, [] { Click(NumberButton(kPreferencesWindow, kPrefsVolume, 1)); },
                          [] { Click(GadgetRect(kPreferencesWindow, kPrefsCancel)); }};
            DispatchMenu(kMenuPreferences);
        }};
    RunTracker();
    EXPECT_EQ(volume, 55);
    EXPECT_NE(writtenAtOkay.find("volume = 55"), std::string::npos) << writtenAtOkay;
    EXPECT_FALSE(fullscreenNow);
    EXPECT_EQ(gPreferences.volume, 55);
    EXPECT_TRUE(gPreferences.fullscreen);
    ASSERT_EQ(requesters.size(), 1u);
    EXPECT_NE(requesters[0].find("take effect the next time Tonweave starts"), std::string::npos);
    const std::string written = ReadWholeFile(dir.File("tonweave.prefs"));
    EXPECT_NE(written.find("fullscreen             = true"), std::string::npos) << written;
}

TEST_F(ShellTest, PreferencesDialogEditsAndResetsColours) {
    steps = {[&] {
        modalSteps = {
            nullptr,
            [] {
                // "Text" (7).
                gShell.gui->FindWindow(kPreferencesWindow)->SetListSelection(kPrefsColourList, 7);
                GUI_Event e;
                e.type = GUI_EVENT_LIST;
                e.window = kPreferencesWindow;
                e.gadget = kPrefsColourList;
                e.value = 7;
                gShell.gui->PostEvent(e);
            },
            [] { Click(NumberButton(kPreferencesWindow, kPrefsRed, 1)); },
            [] { Click(GadgetRect(kPreferencesWindow, kPrefsOkay)); }};
        DispatchMenu(kMenuPreferences);
    }};
    RunTracker();
    // Red one coarse step (16) down.
    EXPECT_EQ(gPreferences.colors[7], 0xEFFFFFu);
    EXPECT_EQ(gPreferences.colors16[7], Preferences::Colour16(0xEFFFFF));
}

TEST_F(ShellTest, ReadmeShowsTheFileBesideTheProgram) {
    // Long enough that a field cut at a few hundred characters would show.
    const std::string body(5000, 'x');
    WriteWholeFile(dir.File("readme.txt"), "Line one\r\nLine\ttwo\n" + body + "\nend\n");
    std::string shown, title;
    steps = {[&] {
        modalSteps = {[&] {
            GUI_Window* w = gShell.gui->FindWindow(kReadmeWindow);
            shown = w->Text(0);
            title = w->title;
            Click(GadgetRect(kReadmeWindow, 1));
        }};
        DispatchMenu(kMenuReadme);
    }};
    RunTracker();
    EXPECT_EQ(title, "Readme.txt");
    EXPECT_EQ(shown, "Line one\nLine two\n" + body + "\nend\n");
}

TEST_F(ShellTest, ReadmeScrollsWithTheKeyboard) {
    std::string text;
    for (int i = 0; i < 200; ++i) text += "Line " + std::to_string(i) + "\n";
    WriteWholeFile(dir.File("readme.txt"), text);
    std::vector<int> tops;
    bool closed = false;
    auto top = [&] { tops.push_back(gShell.gui->FindWindow(kReadmeWindow)->Gadget(0)->scrollLine); };
    steps = {[&] {
                 modalSteps = {nullptr,
                               [] { Press(SDL_SCANCODE_PAGEDOWN); },
                               top,
                               [] { Press(SDL_SCANCODE_DOWN); },
                               top,
                               [] { Press(SDL_SCANCODE_END); },
                               top,
                               [] { Press(SDL_SCANCODE_UP); },
                               top,
                               [] { Press(SDL_SCANCODE_PAGEUP); },
                               top,
                               [] { Press(SDL_SCANCODE_HOME); },
                               top,
                               [] { Press(SDL_SCANCODE_ESCAPE); }};
                 DispatchMenu(kMenuReadme);
             },
             [&] { closed = gShell.gui->FindWindow(kReadmeWindow) == nullptr; }};
    RunTracker();
    ASSERT_EQ(tops.size(), 6u);
    const int page = tops[0];
    EXPECT_GT(page, 5);
    EXPECT_EQ(tops[1], page + 1);
    const int last = tops[2];
    EXPECT_EQ(last, 201 - page) << "the last row at the bottom";
    EXPECT_EQ(tops[3], last - 1);
    EXPECT_EQ(tops[4], last - 1 - page);
    EXPECT_EQ(tops[5], 0);
    EXPECT_TRUE(closed);
}

TEST_F(ShellTest, ProgramInfoShowsNameVersionAndLibraries) {
    std::string first, libraries;
    steps = {[&] {
        modalSteps = {[&] {
            GUI_Window* w = gShell.gui->FindWindow(kProgramInfoWindow);
            first = w->gadgets[0].label;
            libraries = w->gadgets[4].label;
            Click(GadgetRect(kProgramInfoWindow, 0));
        }};
        DispatchMenu(kMenuProgramInfo);
    }};
    RunTracker();
    EXPECT_EQ(first, "Tonweave\nVersion 2.05\n A music tracker for the SN76489 sound chip ");
    EXPECT_NE(libraries.find("libpng, FreeType and ZLib"), std::string::npos);
}

TEST_F(ShellTest, KeysNoGadgetTakesGoToTheEditor) {
    int note = -1, cursorLine = -1;
    // Q at the shown octave 1 is C of octave 2 (internal octave 3 + 1): note 48.
    steps = {[] { Press(SDL_SCANCODE_Q); },
             [&] {
                 note = gModule.patterns[gEditor.view.currentPattern].lines[0].note[0];
                 cursorLine = gEditor.view.cursorLine;
             }};
    RunTracker();
    EXPECT_EQ(note, 48);
    EXPECT_EQ(cursorLine, 1);
}

TEST_F(ShellTest, PatternAreaIsReservedForTheViewSize) {
    Quelm::Rect area;
    steps = {[&] { area = PatternArea(*gShell.gui); }};
    RunTracker();
    EXPECT_EQ(area.width, 768);
    EXPECT_EQ(area.height, 32 * 12 + 14);
    EXPECT_LE(area.y + area.height, 600);
    const PatternAreaSize small = PatternAreaFor(640, 480);
    EXPECT_EQ(small.width, 608);
    EXPECT_EQ(small.visibleLines, 22);
}
