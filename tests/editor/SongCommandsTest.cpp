// The order list and pattern list commands: their refusals, their undo steps and where
// they leave the song position, and the pattern settings changed one at a time or many.
#include <unistd.h>

#include "EditorTestSupport.h"
#include "app/Exceptions.h"
#include "editor/SongCommands.h"
#include "editor/SongEdits.h"

namespace {

void Song(Module& m, std::initializer_list<int> order, int repeat = 0) {
    m.songLength = 0;
    for (int p : order) {
        if (!m.patterns[p].used) m.MakePattern(p);
        m.orderList[m.songLength++] = uint8_t(p);
    }
    m.repeatPosition = uint8_t(repeat);
}

std::vector<int> Order(const Module& m) {
    return std::vector<int>(m.orderList, m.orderList + m.songLength);
}

// Saves the module to a file and loads it into `into`; false when the load refused it.
bool SaveAndLoad(Module& m, Module& into) {
    char name[] = "/tmp/tw-songcommands-XXXXXX";
    const int fd = mkstemp(name);
    if (fd < 0) return false;
    close(fd);
    bool loaded = false;
    try {
        m.Save(name);
        loaded = into.Load(name);
    } catch (const Exception&) {
        loaded = false;
    }
    unlink(name);
    return loaded;
}

}  // namespace

TEST(SongCommands, InsertPutsTheCurrentPatternAfterTheCursor) {
    EditorRig rig;
    Module& m = *rig.module;
    Song(m, {0, 3, 5});
    rig.view->SetSongPosition(1);
    EXPECT_EQ(InsertSongPosition(*rig.view), nullptr);
    EXPECT_EQ(Order(m), (std::vector<int>{0, 3, 3, 5}));
    EXPECT_EQ(rig.view->songPosition, 2);
    ASSERT_TRUE(rig.view->Undo());
    EXPECT_EQ(Order(m), (std::vector<int>{0, 3, 5}));
    EXPECT_EQ(rig.view->songPosition, 1);  // back where the user inserted from
    ASSERT_TRUE(rig.view->Redo());
    EXPECT_EQ(Order(m), (std::vector<int>{0, 3, 3, 5}));
    EXPECT_EQ(rig.view->songPosition, 2);

    m.songLength = 256;
    const uint32_t steps = rig.undo->UndoableSteps();
    EXPECT_STREQ(InsertSongPosition(*rig.view),
                 "The maximum song length has already been reached.");
    EXPECT_EQ(m.songLength, 256);
    EXPECT_EQ(rig.undo->UndoableSteps(), steps);
}

TEST(SongCommands, RemoveKeepsRepeatPositionAndCursorInsideTheSong) {
    EditorRig rig;
    Module& m = *rig.module;
    Song(m, {0, 1, 2}, 2);
    rig.view->SetSongPosition(2);
    EXPECT_EQ(RemoveSongPosition(*rig.view), nullptr);
    EXPECT_EQ(m.songLength, 2);
    EXPECT_EQ(m.repeatPosition, 1);
    EXPECT_EQ(rig.view->songPosition, 1);
    EXPECT_EQ(rig.view->currentPattern, 1);
    rig.view->Undo();
    EXPECT_EQ(Order(m), (std::vector<int>{0, 1, 2}));
    EXPECT_EQ(m.repeatPosition, 2);
    EXPECT_EQ(rig.view->songPosition, 2);

    Song(m, {4});
    rig.view->SetSongPosition(0);
    const uint32_t steps = rig.undo->UndoableSteps();
    EXPECT_STREQ(RemoveSongPosition(*rig.view),
                 "Can't remove the last pattern from the pattern list.");
    EXPECT_EQ(Order(m), (std::vector<int>{4}));
    EXPECT_EQ(rig.undo->UndoableSteps(), steps);
}

TEST(SongCommands, MakeNewTakesTheLowestFreeSlotWithTheDialogsSettings) {
    EditorRig rig;
    Module& m = *rig.module;
    Song(m, {0, 1, 3});
    rig.view->SetSongPosition(1);
    int slot = -1;
    EXPECT_EQ(CheckMakePattern(m, slot), nullptr);
    EXPECT_EQ(slot, 2);
    PatternSettings s = GetPatternSettings(m.patterns[1]);
    std::strcpy(s.name, "Verse");
    s.mainTactOn = 1;
    s.mainTactInterval = 12;
    MakePatternAfterCursor(*rig.view, slot, s, 48);
    EXPECT_EQ(Order(m), (std::vector<int>{0, 1, 2, 3}));
    EXPECT_EQ(rig.view->songPosition, 2);
    EXPECT_EQ(rig.view->currentPattern, 2);
    EXPECT_EQ(m.patterns[2].used, 1);
    EXPECT_EQ(m.patterns[2].length, 48);
    EXPECT_STREQ(m.patterns[2].name, "Verse");
    EXPECT_EQ(m.patterns[2].mainTactInterval, 12);
    rig.view->Undo();
    EXPECT_EQ(Order(m), (std::vector<int>{0, 1, 3}));
    EXPECT_EQ(m.patterns[2].used, 0);
    EXPECT_EQ(rig.view->songPosition, 1);
    rig.view->Redo();
    EXPECT_EQ(Order(m), (std::vector<int>{0, 1, 2, 3}));
    EXPECT_STREQ(m.patterns[2].name, "Verse");
    EXPECT_EQ(rig.view->songPosition, 2);

    // No free slot is told before a full song.
    for (int p = 0; p < kMaxPatterns; ++p)
        if (!m.patterns[p].used) m.MakePattern(p);
    m.songLength = 256;
    EXPECT_STREQ(CheckMakePattern(m, slot),
                 "The maximum number of patterns has been already reached.");
    m.patterns[200].used = 0;
    EXPECT_STREQ(CheckMakePattern(m, slot), "The maximum song length has been already reached.");
}

TEST(SongCommands, DeleteOldRemovesEveryPositionOfThePattern) {
    EditorRig rig;
    Module& m = *rig.module;
    Song(m, {1, 0, 1, 2, 1}, 3);
    rig.view->SetSongPosition(2);
    EXPECT_EQ(CheckDeletePattern(*rig.view), nullptr);
    DeleteCurrentPattern(*rig.view);
    EXPECT_EQ(Order(m), (std::vector<int>{0, 2}));
    EXPECT_EQ(m.patterns[1].used, 0);
    EXPECT_EQ(m.repeatPosition, 1);
    EXPECT_EQ(rig.view->songPosition, 0);
    rig.view->Undo();
    EXPECT_EQ(Order(m), (std::vector<int>{1, 0, 1, 2, 1}));
    EXPECT_EQ(m.patterns[1].used, 1);
    EXPECT_EQ(m.repeatPosition, 3);
    EXPECT_EQ(rig.view->songPosition, 2);

    Song(m, {2, 2, 2});
    rig.view->SetSongPosition(1);
    EXPECT_STREQ(CheckDeletePattern(*rig.view),
                 "This pattern can't be deleted, because it's the only one left in the pattern "
                 "list");
}

TEST(SongCommands, DeleteOldLeavesASongThatSavesAndLoads) {
    EditorRig rig;
    Module& m = *rig.module;
    Song(m, {0, 1, 1}, 2);
    rig.view->SetSongPosition(1);
    DeleteCurrentPattern(*rig.view);
    EXPECT_EQ(m.songLength, 1);
    EXPECT_EQ(m.repeatPosition, 0);
    auto loaded = std::make_unique<Module>();
    ASSERT_TRUE(SaveAndLoad(m, *loaded));
    EXPECT_EQ(loaded->songLength, 1);
    EXPECT_EQ(loaded->repeatPosition, 0);
    // The same after the step was taken back and done again.
    rig.view->Undo();
    EXPECT_EQ(m.repeatPosition, 2);
    rig.view->Redo();
    EXPECT_EQ(m.repeatPosition, 0);
    ASSERT_TRUE(SaveAndLoad(m, *loaded));
}

TEST(SongCommands, PositionPatternStepsThroughPatternsInUse) {
    EditorRig rig;
    Module& m = *rig.module;
    Song(m, {0, 4});
    m.MakePattern(9);
    rig.view->SetSongPosition(1);
    EXPECT_EQ(NextUsedPattern(m, 4, 1), 9);
    EXPECT_EQ(NextUsedPattern(m, 4, -1), 0);
    EXPECT_EQ(NextUsedPattern(m, 9, 1), -1);
    EXPECT_EQ(NextUsedPattern(m, 0, -1), -1);
    EXPECT_FALSE(SetPositionPattern(*rig.view, 5));  // not in use
    EXPECT_FALSE(SetPositionPattern(*rig.view, 4));  // already there
    EXPECT_FALSE(rig.undo->CanUndo());
    EXPECT_TRUE(SetPositionPattern(*rig.view, 9));
    EXPECT_EQ(Order(m), (std::vector<int>{0, 9}));
    EXPECT_EQ(rig.view->currentPattern, 9);
    rig.view->SetSongPosition(0);
    rig.view->Undo();
    EXPECT_EQ(Order(m), (std::vector<int>{0, 4}));
    EXPECT_EQ(rig.view->songPosition, 1);
    EXPECT_EQ(rig.view->currentPattern, 4);
    EXPECT_EQ(rig.undo->steps[0].kind, kUndoOrderEntry);
}

TEST(SongCommands, PatternSettingsAndResizeAreOneStepEach) {
    EditorRig rig;
    Module& m = *rig.module;
    rig.Note(50, 0, 60);
    rig.view->MoveCursor(0, 0, 60);
    PatternSettings s = GetPatternSettings(m.patterns[0]);
    EXPECT_FALSE(ChangePatternSettings(*rig.view, 0, s, 64));  // nothing changes
    EXPECT_FALSE(rig.undo->CanUndo());
    std::strcpy(s.name, "Intro");
    s.secondaryTactOn = 1;
    s.secondaryTactStart = 2;
    EXPECT_TRUE(ChangePatternSettings(*rig.view, 0, s, 32));
    EXPECT_EQ(m.patterns[0].length, 32);
    EXPECT_STREQ(m.patterns[0].name, "Intro");
    EXPECT_EQ(rig.view->cursorLine, 31);
    // Growing again empties the lines it adds; undo brings the hidden line back.
    EXPECT_TRUE(ChangePatternSettings(*rig.view, 0, s, 64));
    EXPECT_EQ(m.patterns[0].lines[50].note[0], kNoteEmpty);
    rig.view->Undo();
    rig.view->Undo();
    EXPECT_EQ(m.patterns[0].length, 64);
    EXPECT_STREQ(m.patterns[0].name, "");
    EXPECT_EQ(m.patterns[0].secondaryTactOn, 0);
    EXPECT_EQ(m.patterns[0].lines[50].note[0], 60);
    rig.view->Redo();
    EXPECT_EQ(m.patterns[0].length, 32);
    EXPECT_EQ(rig.undo->steps[0].kind, kUndoPatternSettings);
}

TEST(SongCommands, ManyPatternsGetOnlyTheChosenSetting) {
    EditorRig rig;
    Module& m = *rig.module;
    Song(m, {0, 1, 2});
    std::strcpy(m.patterns[2].name, "Keep");
    uint8_t mask[32] = {};
    mask[0] = 0x07 | 0x80;  // patterns 0, 1, 2 and 7, which is not in use
    PatternSettings s = {};
    std::strcpy(s.name, "All");
    s.mainTactOn = 1;
    s.mainTactStart = 4;
    s.mainTactInterval = 8;
    EXPECT_TRUE(ChangeManyPatterns(*rig.view, 2, mask, s));
    for (int p = 0; p < 3; ++p) {
        EXPECT_EQ(m.patterns[p].mainTactOn, 1) << p;
        EXPECT_EQ(m.patterns[p].mainTactStart, 4) << p;
    }
    EXPECT_STREQ(m.patterns[2].name, "Keep");
    EXPECT_EQ(m.patterns[7].used, 0);
    EXPECT_EQ(m.patterns[7].mainTactOn, 0);
    rig.view->Undo();
    for (int p = 0; p < 3; ++p) EXPECT_EQ(m.patterns[p].mainTactOn, 0) << p;
    EXPECT_TRUE(ChangeManyPatterns(*rig.view, 1, mask, s));
    EXPECT_STREQ(m.patterns[2].name, "All");
    const uint8_t none[32] = {0x80};
    EXPECT_FALSE(ChangeManyPatterns(*rig.view, 1, none, s));
}
