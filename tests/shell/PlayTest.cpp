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
    std::vector<std::pair<int, int>> positions;
    std::vector<int> lines;
    Editor().followPosition = [&](int position, int line) {
        positions.push_back({position, line});
    };
    Editor().followLine = [&](int line) { lines.push_back(line); };
    bool playing = false, stopped = true;
    int listSelection = -1;
    steps = {[] { Click(GadgetRect(kMainWindowNumber, kMainPlay)); },
             [&] { playing = gShell.player.playing != 0; },
             [] { PlayFrames(30); },
             nullptr,
             [] { PlayUntilNextPosition(); },
             [&] {
                 listSelection =
                     gShell.gui->FindWindow(kMainWindowNumber)->ListSelection(kMainPatternList);
             },
             [] { Click(GadgetRect(kMainWindowNumber, kMainStop)); },
             [&] { stopped = gShell.player.playing == 0; }};
    RunTracker({TW_SOURCE_DIR "/assets/demo/demo.quavex"});
    EXPECT_TRUE(playing);
    EXPECT_TRUE(stopped);
    // The start shows the first pattern whole, a new position the next one; the lines in
    // between only move the play bar.
    ASSERT_EQ(positions.size(), 2u);
    EXPECT_EQ(positions[0], std::make_pair(0, 0));
    EXPECT_EQ(positions[1].first, 1);
    EXPECT_EQ(listSelection, 1);
    EXPECT_FALSE(lines.empty());
    EXPECT_EQ(EditValues().songPosition, 1);
}

TEST_F(ShellTest, CursorPlayAndPatternPlayStartWhereTheyShould) {
    int line = -1, patternOnly = -1, position = -1;
    steps = {[] {
                 EditValues().songPosition = 2;
                 EditValues().cursorLine = 5;
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
    EXPECT_EQ(EditValues().octave, 4);
    EXPECT_EQ(EditValues().volume, 14);
    EXPECT_EQ(EditValues().step, 2);
    EditValues() = EditorValues();
}

TEST_F(ShellTest, PatternListChoosesTheSongPosition) {
    std::vector<int> seen;
    Editor().followPosition = [&](int position, int) { seen.push_back(position); };
    steps = {[] {
        GUI_Window* w = gShell.gui->FindWindow(kMainWindowNumber);
        const auto l = GUI_Detail::ListLayout(gShell.gui->Skin(), *w->Gadget(kMainPatternList));
        // The third row.
        Click(Quelm::Rect(w->rect.x + l.inner.x + 10, w->rect.y + l.inner.y + 2 * l.rowHeight, 20,
                          l.rowHeight));
    }};
    RunTracker({TW_SOURCE_DIR "/assets/demo/demo.quavex"});
    EXPECT_EQ(EditValues().songPosition, 2);
    EXPECT_EQ(seen, std::vector<int>{2});
    EditValues() = EditorValues();
}

TEST_F(ShellTest, PreferencesDialogAppliesVolumeAtOnceAndFullScreenAtTheNextStart) {
    int volume = -1;
    bool fullscreenNow = true;
    steps = {
        [&] {
            modalSteps = {nullptr, [] { Click(NumberButton(kPreferencesWindow, kPrefsVolume, 2)); },
                          [] { Click(GadgetRect(kPreferencesWindow, kPrefsOkay)); }};
            DispatchMenu(kMenuPreferences);
            volume = gShell.sound->Volume();
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
    std::vector<int> keys;
    Editor().key = [&](const GUI_Event& e) {
        keys.push_back(e.key);
        return true;
    };
    steps = {[] { Press(SDL_SCANCODE_Q); }};
    RunTracker();
    EXPECT_EQ(keys, std::vector<int>{DRELM_KEY_Q});
}

TEST_F(ShellTest, PatternAreaIsReservedForTheViewSize) {
    Quelm::Rect area;
    std::vector<Quelm::Rect> drawn;
    Editor().drawPatternArea = [&](const Quelm::Rect& r) { drawn.push_back(r); };
    steps = {[&] { area = PatternArea(*gShell.gui); }};
    RunTracker();
    EXPECT_EQ(area.width, 768);
    EXPECT_EQ(area.height, 32 * 12 + 14);
    EXPECT_LE(area.y + area.height, 600);
    ASSERT_FALSE(drawn.empty());
    EXPECT_EQ(drawn.back().x, area.x);
    const PatternAreaSize small = PatternAreaFor(640, 480);
    EXPECT_EQ(small.width, 608);
    EXPECT_EQ(small.visibleLines, 22);
}
