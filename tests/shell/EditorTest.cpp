// The pattern editor inside the running tracker: keys reach it whatever was clicked last,
// the mouse selects and mutes, the title and the Edit menu follow the changes, "Edit"
// protects the pattern, and the Extras batch dialogs change the module as one undo step.
#include "app/shell/Dialogs.h"
#include "app/shell/EditorBinding.h"
#include "app/shell/MainWindow.h"
#include "app/shell/MenuTable.h"
#include "tests/shell/ShellFixture.h"

namespace {

std::string WindowTitle() {
    return SDL_GetWindowTitle(static_cast<SDL_Window*>(DRELM_GetWindowHandle()));
}

// Screen position of the middle of cursor column `column` on pattern line `line` (the
// view scrolled to the top).
DRELM_Point CellPoint(int column, int line) {
    const Quelm::Rect area = PatternArea(*gShell.gui);
    const ColumnGeometry& g = gEditor.view.geometry;
    int x = g.lineNumberWidth;
    if (column >= 12)
        x += 4 * g.channelWidth + (column - 12) * g.globalWidth + 4;
    else
        x += (column / 3) * g.channelWidth + (column % 3 == 0   ? 4
                                              : column % 3 == 1 ? g.instrumentStart + 4
                                                                : g.effectStart + 4);
    return DRELM_Point(area.x + x, area.y + g.titleHeight + line * g.lineHeight + 6);
}

void Drag(DRELM_Point from, DRELM_Point to) {
    DRELM_InjectMouseMove(from.x, from.y);
    DRELM_InjectMouseButton(1, true, from.x, from.y);
    DRELM_InjectMouseMove(to.x, to.y);
    DRELM_InjectMouseButton(1, false, to.x, to.y);
}

const PatternLine& Line(int line) {
    return gModule.patterns[gEditor.view.currentPattern].lines[line];
}

}  // namespace

TEST_F(ShellTest, KeysReachTheEditorAfterTheListAndButtonsWereClicked) {
    int note = -1, focus = 0;
    steps = {[] {
                 // A click on the pattern list would otherwise keep the arrow and letter
                 // keys for the list.
                 Click(GadgetRect(kMainWindowNumber, kMainPatternList));
                 Click(GadgetRect(kMainWindowNumber, kMainOctave));
             },
             [&] { focus = gShell.gui->Focus(gShell.gui->FindWindow(kMainWindowNumber)); },
             [] {
                 // The octave field has the keys while the user types into it; Return gives
                 // them back.
                 Press(SDL_SCANCODE_RETURN);
             },
             [] { Press(SDL_SCANCODE_Z); }, [&] { note = Line(0).note[0]; }};
    RunTracker();
    EXPECT_EQ(focus, kMainOctave);
    EXPECT_EQ(note, 36);
}

TEST_F(ShellTest, AClickOnThePatternOrEscapeEndsTheTypingInAValueField) {
    int stepAfterClick = -1, octaveAfterEscape = -1;
    std::string octaveShown;
    auto type = [](int scancode, int character) {
        DRELM_InjectKey(scancode, true, character);
        DRELM_InjectKey(scancode, false);
    };
    steps = {[&] {
                 // "Step:" with 3 typed over its value, then a click on line 4 of channel 0.
                 Click(GadgetRect(kMainWindowNumber, kMainStep));
                 PressWith(SDL_SCANCODE_LCTRL, SDL_SCANCODE_A);
                 type(SDL_SCANCODE_3, '3');
                 const DRELM_Point cell = CellPoint(0, 4);
                 Click(Quelm::Rect(cell.x, cell.y, 1, 1));
             },
             [&] {
                 stepAfterClick = gEditor.view.step;
                 Press(SDL_SCANCODE_Z);  // a note at once, and the cursor steps 3 lines
             },
             [&] {
                 // "Octave:" with 7 typed, then Escape: the value stays as it was.
                 Click(GadgetRect(kMainWindowNumber, kMainOctave));
                 PressWith(SDL_SCANCODE_LCTRL, SDL_SCANCODE_A);
                 type(SDL_SCANCODE_7, '7');
                 Press(SDL_SCANCODE_ESCAPE);
             },
             [&] {
                 octaveAfterEscape = gEditor.view.octave;
                 octaveShown = gShell.gui->FindWindow(kMainWindowNumber)->Text(kMainOctave);
                 Press(SDL_SCANCODE_X);
             }};
    RunTracker();
    EXPECT_EQ(stepAfterClick, 3) << "the click takes the typed value as Return would";
    EXPECT_EQ(Line(4).note[0], 36);
    EXPECT_EQ(octaveAfterEscape, 3);
    EXPECT_EQ(octaveShown, "1");
    EXPECT_EQ(Line(7).note[0], 38) << "after Escape the keys play again";
}

TEST_F(ShellTest, MouseDragSelectsAFrameAndTitlesMuteAndSolo) {
    int anchorColumn = -1, anchorLine = -1, cursorColumn = -1, cursorLine = -1;
    uint32_t afterToggle = 0, afterSolo = 0, afterSecondSolo = 0;
    int muteMask = -1;
    steps = {[] { Drag(CellPoint(3, 2), CellPoint(7, 6)); },
             [&] {
                 const PatternView& v = gEditor.view;
                 anchorColumn = v.anchorColumn;
                 anchorLine = v.anchorLine;
                 cursorColumn = v.cursorColumn;
                 cursorLine = v.cursorLine;
                 // Channel 1's title, away from its solo icon.
                 const DRELM_Point p = CellPoint(3, 0);
                 Click(Quelm::Rect(p.x, PatternArea(*gShell.gui).y + 2, 4, 4));
             },
             [&] {
                 afterToggle = gEditor.view.channelMask & 15;
                 std::lock_guard<std::recursive_mutex> lock(*gShell.soundMutex);
                 muteMask = gShell.player.muteMask & 15;
             },
             [] {
                 // Channel 2's solo icon at the right end of its title.
                 const Quelm::Rect area = PatternArea(*gShell.gui);
                 const ColumnGeometry& g = gEditor.view.geometry;
                 const int x = area.x + g.lineNumberWidth + 3 * g.channelWidth - 10;
                 Click(Quelm::Rect(x - 2, area.y + 4, 4, 4));
             },
             [&] { afterSolo = gEditor.view.channelMask & 15; },
             [] {
                 const Quelm::Rect area = PatternArea(*gShell.gui);
                 const ColumnGeometry& g = gEditor.view.geometry;
                 const int x = area.x + g.lineNumberWidth + 3 * g.channelWidth - 10;
                 Click(Quelm::Rect(x - 2, area.y + 4, 4, 4));
             },
             [&] { afterSecondSolo = gEditor.view.channelMask & 15; }};
    RunTracker({TW_SOURCE_DIR "/assets/demo/demo.quavex"});
    EXPECT_EQ(anchorColumn, 3);
    EXPECT_EQ(anchorLine, 2);
    EXPECT_EQ(cursorColumn, 7);
    EXPECT_EQ(cursorLine, 6);
    EXPECT_EQ(afterToggle, 0b1101u);
    EXPECT_EQ(muteMask, 0b1101);
    EXPECT_EQ(afterSolo, 0b0100u);
    EXPECT_EQ(afterSecondSolo, 0b1111u);
}

TEST_F(ShellTest, TitleAndEditMenuFollowEditsUndoAndRedo) {
    std::string afterEdit, afterUndo;
    bool undoAfterEdit = false, redoAfterEdit = true, redoAfterUndo = false;
    int noteAfterRedo = -1;
    steps = {[] { Press(SDL_SCANCODE_Z); },
             [&] {
                 afterEdit = WindowTitle();
                 undoAfterEdit = gShell.gui->MenuEnabled(kMenuUndo);
                 redoAfterEdit = gShell.gui->MenuEnabled(kMenuRedo);
                 PressWith(SDL_SCANCODE_LCTRL, SDL_SCANCODE_Y);
             },
             [&] {
                 afterUndo = WindowTitle();
                 redoAfterUndo = gShell.gui->MenuEnabled(kMenuRedo);
                 DispatchMenu(kMenuRedo);
             },
             [&] { noteAfterRedo = Line(0).note[0]; }};
    RunTracker();
    EXPECT_EQ(afterEdit, "Tonweave *");
    EXPECT_TRUE(undoAfterEdit);
    EXPECT_FALSE(redoAfterEdit);
    EXPECT_EQ(afterUndo, "Tonweave  ");
    EXPECT_TRUE(redoAfterUndo);
    EXPECT_EQ(noteAfterRedo, 36);
}

TEST_F(ShellTest, EditOffKeepsThePatternButStillMoves) {
    int note = -1, cursorLine = -1, noteAfterDelete = -1;
    steps = {[] { Press(SDL_SCANCODE_Z); },
             [] {
                 Click(GadgetRect(kMainWindowNumber, kMainEdit));
                 Press(SDL_SCANCODE_UP);
             },
             [] {
                 Press(SDL_SCANCODE_X);
                 Press(SDL_SCANCODE_DELETE);
                 Press(SDL_SCANCODE_DOWN);
             },
             [&] {
                 note = Line(0).note[0];
                 cursorLine = gEditor.view.cursorLine;
                 // The menu is the user's explicit choice and still works.
                 gEditor.view.MoveCursor(0, 0, -1);
                 DispatchMenu(kMenuClear);
             },
             [&] { noteAfterDelete = Line(0).note[0]; }};
    RunTracker();
    EXPECT_EQ(note, 36);
    EXPECT_EQ(cursorLine, 1);
    EXPECT_EQ(noteAfterDelete, kNoteEmpty);
}

TEST_F(ShellTest, ChangeInstrumentsAppliesToTheChosenPatternsAsOneUndoStep) {
    int before = -1, after = -1, afterUndo = -1;
    steps = {[&] {
                 before = Line(0).instrument[1];
                 modalSteps = {
                     nullptr,
                     [] {
                         GUI_Window* w = gShell.gui->FindWindow(kChangeInstrumentsWindow);
                         // Instrument #1 -> #2: whatever line 0 of channel 1 has,
                         // to 7, on the current pattern (chosen from the start).
                         w->SetValue(
                             10,
                             gModule.patterns[gEditor.view.currentPattern].lines[0].instrument[1]);
                         w->SetValue(11, 7);
                     },
                     [] { Click(GadgetRect(kChangeInstrumentsWindow, 13)); }};
                 DispatchMenu(kMenuChangeInstruments);
             },
             [&] {
                 after = Line(0).instrument[1];
                 PressWith(SDL_SCANCODE_LCTRL, SDL_SCANCODE_Y);
             },
             [&] { afterUndo = Line(0).instrument[1]; }};
    RunTracker({TW_SOURCE_DIR "/assets/demo/demo.quavex"});
    ASSERT_NE(before, 7);
    EXPECT_EQ(after, 7);
    EXPECT_EQ(afterUndo, before);
}
