// The undo history: rings and dropping, the saved state, and undo and redo of every kind.
#include "EditorTestSupport.h"
#include "editor/SongEdits.h"

using namespace keys;

namespace {

void TypeNotes(EditorRig& rig, int n) {
    for (int i = 0; i < n; ++i) {
        rig.Cursor(0, i % 64);
        rig.Run(kCmdEnterNote, static_cast<uint8_t>(40 + i % 50), 0, 15);
    }
}

}  // namespace

TEST(UndoHistory, AtMost1023StepsStayAndChangesStayVisible) {
    EditorRig rig;
    TypeNotes(rig, 1024);
    EXPECT_EQ(rig.undo->UndoableSteps(), 1023u);
    int undone = 0;
    while (rig.view->Undo()) ++undone;
    EXPECT_EQ(undone, 1023);
    EXPECT_TRUE(rig.undo->HasChanges());
    // The first entry (line 0) could not be undone.
    EXPECT_EQ(rig.Line(0).note[0], 40);
    rig.undo->MarkSaved();
    EXPECT_FALSE(rig.undo->HasChanges());
}

TEST(UndoHistory, WholePatternStepsWrapThePool) {
    EditorRig rig;
    rig.module->SetPatternLength(0, 256);
    rig.view->Clamp();
    for (int i = 0; i < 128; ++i) {
        rig.Cursor(0, 0);
        rig.view->InsertLine(false);
    }
    // 128 steps of 512 slots fill the pool exactly.
    EXPECT_EQ(rig.undo->UndoableSteps(), 128u);
    EXPECT_EQ(rig.undo->poolWrite, 0u);
    EXPECT_TRUE(rig.undo->baselineValid);
    rig.view->InsertLine(false);  // writes over the first step's data
    EXPECT_EQ(rig.undo->UndoableSteps(), 128u);
    EXPECT_FALSE(rig.undo->baselineValid);
    int undone = 0;
    while (rig.view->Undo()) ++undone;
    EXPECT_EQ(undone, 128);
    EXPECT_TRUE(rig.undo->HasChanges());
}

TEST(UndoHistory, NewEditDropsRedo) {
    EditorRig rig;
    TypeNotes(rig, 2);
    rig.view->Undo();
    EXPECT_TRUE(rig.undo->CanRedo());
    TypeNotes(rig, 1);
    EXPECT_FALSE(rig.undo->CanRedo());
    EXPECT_FALSE(rig.view->Redo());
}

TEST(UndoHistory, SavedState) {
    EditorRig rig;
    EXPECT_FALSE(rig.undo->HasChanges());
    rig.undo->MarkSaved();
    TypeNotes(rig, 1);
    EXPECT_TRUE(rig.undo->HasChanges());
    rig.view->Undo();
    EXPECT_FALSE(rig.undo->HasChanges());
    TypeNotes(rig, 3);
    rig.undo->MarkSaved();
    rig.view->Undo();
    EXPECT_TRUE(rig.undo->HasChanges());
    rig.view->Redo();
    EXPECT_FALSE(rig.undo->HasChanges());
}

TEST(UndoHistory, EditAfterUndoingPastTheSaveStaysChanged) {
    EditorRig rig;
    TypeNotes(rig, 5);
    rig.undo->MarkSaved();  // head 5
    rig.view->Undo();       // head 4
    TypeNotes(rig, 1);      // head 5 again, but another edit
    EXPECT_TRUE(rig.undo->HasChanges());
    rig.undo->MarkSaved();
    EXPECT_FALSE(rig.undo->HasChanges());
}

TEST(UndoHistory, UndoRestoresFrameAndScroll) {
    EditorRig rig;
    rig.Select(0, 40, 0, 50);
    rig.Key(kF9);
    rig.Cursor(3, 0);
    rig.view->ScrollTo(0);
    rig.view->dirty = 0;
    rig.view->Undo();
    const Frame f = rig.view->GetSelection();
    EXPECT_EQ(f.y, 40);
    EXPECT_EQ(f.height, 11);
    EXPECT_EQ(rig.view->dirty, 511u);
    EXPECT_GE(rig.view->scrollTop + rig.view->visibleLines, 52);
}

TEST(UndoHistory, PatternStepUndoScrollsToTheFrameNotTheLengths) {
    EditorRig rig;
    rig.module->SetPatternLength(0, 200);
    rig.view->Clamp();
    rig.Select(0, 150, 0, 160);
    rig.Run(kCmdHalf, 1);
    rig.Cursor(0, 0);
    rig.view->ScrollTo(0);
    rig.view->Undo();
    EXPECT_EQ(rig.view->GetSelection().y, 150);
    EXPECT_LE(rig.view->scrollTop, 150);
    EXPECT_GE(rig.view->scrollTop + rig.view->visibleLines, 161);
}

TEST(UndoHistory, ClearUndoAndRedo) {
    EditorRig rig;
    rig.Note(5, 1, 60);
    rig.Select(3, 4, 5, 6);
    rig.Key(kDelete);
    EXPECT_EQ(rig.Line(5).note[1], kNoteEmpty);
    rig.Cursor(0, 0);
    rig.view->Undo();
    EXPECT_EQ(rig.Line(5).note[1], 60);
    EXPECT_EQ(rig.view->GetSelection().height, 3);
    rig.view->Redo();
    EXPECT_EQ(rig.Line(5).note[1], kNoteEmpty);
}

TEST(UndoHistory, OrderEntryAndRepeatPosition) {
    EditorRig rig;
    Module& m = *rig.module;
    m.MakePattern(1);
    rig.undo->BeginOrderEntry(0, 0, 1);
    m.orderList[0] = 1;
    rig.undo->EndOrderEntry();
    InsertOrderEntry(m, 1, 0);
    rig.undo->BeginRepeatPosition(0, 1);
    m.repeatPosition = 1;
    rig.undo->EndRepeatPosition();
    rig.view->Undo();
    EXPECT_EQ(m.repeatPosition, 0);
    rig.view->Undo();
    EXPECT_EQ(m.orderList[0], 0);
    EXPECT_EQ(rig.view->songPosition, 0);
    rig.view->Redo();
    EXPECT_EQ(m.orderList[0], 1);
    EXPECT_EQ(rig.view->currentPattern, 1);
    rig.view->Redo();
    EXPECT_EQ(m.repeatPosition, 1);
}

TEST(UndoHistory, OrderRemoveRestoresPatternAndRepeatPosition) {
    EditorRig rig;
    Module& m = *rig.module;
    m.MakePattern(7);
    InsertOrderEntry(m, 1, 0);
    InsertOrderEntry(m, 2, 7);
    m.repeatPosition = 2;
    rig.undo->BeginOrderInsertRemove(2, true);
    RemoveOrderEntry(m, 2);
    rig.undo->EndOrderInsertRemove();
    EXPECT_EQ(m.songLength, 2);
    EXPECT_EQ(m.repeatPosition, 1);
    rig.view->Undo();
    EXPECT_EQ(m.songLength, 3);
    EXPECT_EQ(m.orderList[2], 7);
    EXPECT_EQ(m.repeatPosition, 2);
    EXPECT_EQ(rig.view->songPosition, 2);
    rig.view->Redo();
    EXPECT_EQ(m.songLength, 2);
    // Insertion.
    rig.undo->BeginOrderInsertRemove(1, false);
    InsertOrderEntry(m, 1, 7);
    rig.undo->EndOrderInsertRemove();
    rig.view->Undo();
    EXPECT_EQ(m.songLength, 2);
    rig.view->Redo();
    EXPECT_EQ(m.orderList[1], 7);
    EXPECT_EQ(m.songLength, 3);
}

TEST(UndoHistory, WholeOrderList) {
    EditorRig rig;
    Module& m = *rig.module;
    m.MakePattern(2);
    rig.undo->BeginOrderList();
    for (int i = 0; i < 40; ++i) m.orderList[i] = 2;
    m.songLength = 40;
    m.repeatPosition = 39;
    rig.undo->EndOrderList();
    rig.view->Undo();
    EXPECT_EQ(m.songLength, 1);
    EXPECT_EQ(m.orderList[0], 0);
    EXPECT_EQ(m.orderList[39], 0);
    EXPECT_EQ(m.repeatPosition, 0);
    rig.view->Redo();
    EXPECT_EQ(m.songLength, 40);
    EXPECT_EQ(m.orderList[39], 2);
}

TEST(UndoHistory, ChangeInstrumentsRedoKeepsToTheChannelMask) {
    EditorRig rig;
    for (int c = 0; c < 4; ++c) rig.Note(3, c, c == 3 ? 251 : 50, 2);
    BatchRange range;
    ChoosePattern(range, 0);
    EXPECT_EQ(ChangeInstruments(*rig.module, *rig.undo, range, kChangeOneToTwo, 2, 9, 0b0101), 1);
    EXPECT_EQ(rig.Line(3).instrument[0], 9);
    EXPECT_EQ(rig.Line(3).instrument[1], 2);
    rig.view->Undo();
    for (int c = 0; c < 4; ++c) EXPECT_EQ(rig.Line(3).instrument[c], 2);
    rig.view->Redo();
    EXPECT_EQ(rig.Line(3).instrument[0], 9);
    EXPECT_EQ(rig.Line(3).instrument[1], 2);
    EXPECT_EQ(rig.Line(3).instrument[2], 9);
    EXPECT_EQ(rig.Line(3).instrument[3], 2);
    // Exchange and change-all, on a line range.
    range.allLines = false;
    range.startLine = 3;
    range.endLine = 3;
    ChangeInstruments(*rig.module, *rig.undo, range, kExchangeInstruments, 2, 9, 15);
    EXPECT_EQ(rig.Line(3).instrument[0], 2);
    EXPECT_EQ(rig.Line(3).instrument[1], 9);
    ChangeInstruments(*rig.module, *rig.undo, range, kChangeAllToTwo, 0, 4, 15);
    for (int c = 0; c < 4; ++c) EXPECT_EQ(rig.Line(3).instrument[c], 4);
    rig.view->Undo();
    rig.view->Undo();
    EXPECT_EQ(rig.Line(3).instrument[0], 9);
}

TEST(UndoHistory, CopyAndExchangeChannels) {
    EditorRig rig;
    rig.Note(1, 0, 50, 3, 7);
    rig.Line(1).effect[0] = 2;
    rig.Line(1).effectParam[0] = 5;
    rig.Note(2, 1, 60, 4, 8);
    BatchRange range;
    ChoosePattern(range, 0);
    EXPECT_EQ(CopyChannels(*rig.module, *rig.undo, range, 0, 1, kExchangeChannels), 2);
    EXPECT_EQ(rig.Line(1).note[1], 50);
    EXPECT_EQ(rig.Line(1).effectParam[1], 5);
    EXPECT_EQ(rig.Line(1).note[0], kNoteEmpty);
    EXPECT_EQ(rig.Line(2).note[0], 60);
    rig.view->Undo();
    EXPECT_EQ(rig.Line(1).note[0], 50);
    EXPECT_EQ(rig.Line(1).note[1], kNoteEmpty);
    EXPECT_EQ(rig.Line(2).note[1], 60);
    rig.view->Redo();
    EXPECT_EQ(rig.Line(2).note[0], 60);
    EXPECT_EQ(rig.Line(2).volume[0], 8);
    EXPECT_EQ(CopyChannels(*rig.module, *rig.undo, range, 2, 3, kCopyOneToTwo), 0);
}

TEST(UndoHistory, PatternSettingsWithLength) {
    EditorRig rig;
    Module& m = *rig.module;
    rig.Note(50, 0, 44);
    rig.undo->BeginPatternSettings(0);
    std::strcpy(m.patterns[0].name, "Verse");
    m.patterns[0].mainTactOn = 1;
    m.SetPatternLength(0, 32);
    rig.undo->EndPatternSettings();
    // While hidden, line 50 is emptied by growing the pattern again.
    rig.undo->BeginPattern(0);
    m.SetPatternLength(0, 64);
    rig.undo->EndPattern();
    rig.view->Undo();
    rig.view->Undo();
    EXPECT_EQ(m.patterns[0].length, 64);
    EXPECT_STREQ(m.patterns[0].name, "");
    EXPECT_EQ(m.patterns[0].mainTactOn, 0);
    EXPECT_EQ(m.patterns[0].lines[50].note[0], 44);
    rig.view->Redo();
    EXPECT_EQ(m.patterns[0].length, 32);
    EXPECT_STREQ(m.patterns[0].name, "Verse");
}

TEST(UndoHistory, MultiPatternAndInstruments) {
    EditorRig rig;
    Module& m = *rig.module;
    m.MakePattern(4);
    std::strcpy(m.patterns[4].name, "Old");
    uint8_t mask[32] = {};
    mask[0] = 0x11;  // patterns 0 and 4
    PatternSettings applied = GetPatternSettings(m.patterns[0]);
    std::strcpy(applied.name, "Same");
    applied.mainTactOn = 1;
    rig.undo->BeginMultiPattern(1, mask, applied);
    ApplyPatternSettings(m.patterns[0], applied, 1);
    ApplyPatternSettings(m.patterns[4], applied, 1);
    rig.undo->EndMultiPattern();
    rig.undo->BeginInstruments();
    m.instruments[3].delay[2] = 99;
    std::strcpy(m.instruments[15].name, "Bass");
    rig.undo->EndInstruments();
    rig.view->Undo();
    EXPECT_EQ(m.instruments[3].delay[2], 8);
    EXPECT_STREQ(m.instruments[15].name, "");
    rig.view->Undo();
    EXPECT_STREQ(m.patterns[4].name, "Old");
    EXPECT_STREQ(m.patterns[0].name, "");
    rig.view->Redo();
    EXPECT_STREQ(m.patterns[4].name, "Same");
    EXPECT_EQ(m.patterns[4].mainTactOn, 0);  // only names were chosen
    rig.view->Redo();
    EXPECT_STREQ(m.instruments[15].name, "Bass");
}

TEST(UndoHistory, PatternMadeAndDeleted) {
    EditorRig rig;
    Module& m = *rig.module;
    rig.undo->BeginPatternMade(1, 1);
    m.MakePattern(1);
    m.SetPatternLength(1, 20);
    std::strcpy(m.patterns[1].name, "New");
    InsertOrderEntry(m, 1, 1);
    rig.undo->EndPatternMade();
    rig.view->SetSongPosition(1);
    rig.Note(3, 0, 70);
    rig.undo->BeginPatternDeleted(1, 1);
    int position = 1;
    ASSERT_TRUE(DeletePatternFromSong(m, 1, position));
    rig.undo->EndPatternDeleted();
    EXPECT_EQ(m.songLength, 1);
    EXPECT_EQ(m.patterns[1].used, 0);
    rig.view->Undo();
    EXPECT_EQ(m.patterns[1].used, 1);
    EXPECT_EQ(m.patterns[1].length, 20);
    EXPECT_EQ(m.patterns[1].lines[3].note[0], 70);
    EXPECT_EQ(m.songLength, 2);
    EXPECT_EQ(rig.view->currentPattern, 1);
    rig.view->Undo();
    EXPECT_EQ(m.patterns[1].used, 0);
    EXPECT_EQ(m.songLength, 1);
    rig.view->Redo();
    EXPECT_EQ(m.patterns[1].used, 1);
    EXPECT_STREQ(m.patterns[1].name, "New");
    EXPECT_EQ(m.patterns[1].length, 20);
    rig.view->Redo();
    EXPECT_EQ(m.patterns[1].used, 0);
    EXPECT_EQ(m.songLength, 1);
}

TEST(SongEdits, DeleteRefusesTheOnlyPatternAndMovesTheCursor) {
    EditorRig rig;
    Module& m = *rig.module;
    int position = 0;
    EXPECT_FALSE(DeletePatternFromSong(m, 0, position));
    m.MakePattern(1);
    const uint8_t order[5] = {1, 0, 1, 0, 1};
    std::memcpy(m.orderList, order, 5);
    m.songLength = 5;
    m.repeatPosition = 4;
    position = 3;
    ASSERT_TRUE(DeletePatternFromSong(m, 1, position));
    EXPECT_EQ(m.songLength, 2);
    EXPECT_EQ(m.patterns[1].used, 0);
    EXPECT_EQ(position, 0);
    EXPECT_EQ(m.repeatPosition, 1);
    EXPECT_FALSE(RemoveOrderEntry(m, 2));
    EXPECT_TRUE(RemoveOrderEntry(m, 1));
    EXPECT_EQ(m.repeatPosition, 0);
    EXPECT_FALSE(RemoveOrderEntry(m, 0));
}
