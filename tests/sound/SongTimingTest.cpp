// Song length in frames and seconds, the cursor's time, and the pattern counts of the
// module information dialog.
#include "PlayerTestSupport.h"
#include "sound/SongTiming.h"

namespace {

using SongTimingTest = PlayerFixture;

}  // namespace

TEST(SongTimeText, SecondsAndMinutes) {
    EXPECT_EQ(FormatSongTime(0.0f), "0.00 sec. (0:00 min.)");
    EXPECT_EQ(FormatSongTime(6.4f), "6.40 sec. (0:06 min.)");
    EXPECT_EQ(FormatSongTime(125.5f), "125.50 sec. (2:05 min.)");
    EXPECT_EQ(FormatSongTime(3600.0f), "3600.00 sec. (60:00 min.)");
    // The minutes come from the unrounded seconds.
    EXPECT_EQ(FormatSongTime(59.999f), "60.00 sec. (0:59 min.)");
}

TEST_F(SongTimingTest, EmptyPatternAtStartSpeed) {
    // 64 lines of 6 frames.
    SongTiming t = ComputeSongTiming(*module, 10, 0);
    EXPECT_EQ(t.frames, 384u);
    EXPECT_EQ(t.cursorFrame, 60u);
    EXPECT_FLOAT_EQ(t.seconds, 6.4f);
    EXPECT_FLOAT_EQ(t.cursorSeconds, 1.0f);
    module->chipType = 1;
    t = ComputeSongTiming(*module, 10, 0);
    EXPECT_EQ(FormatSongTime(t.seconds), "7.68 sec. (0:07 min.)");
    EXPECT_EQ(FormatSongTime(t.cursorSeconds), "1.20 sec. (0:01 min.)");
}

TEST_F(SongTimingTest, SongThatLoopsAtOnceCountsOnePass) {
    module->SetPatternLength(0, 1);
    module->initialSpeed = 8;
    const SongTiming t = ComputeSongTiming(*module, 0, 0);
    EXPECT_EQ(t.frames, 1u);
    EXPECT_EQ(t.cursorFrame, 0u);
}

TEST_F(SongTimingTest, SpeedCommandsRepeatPositionAndCursorBeyondTheSong) {
    module->MakePattern(1);
    module->SetPatternLength(0, 4);
    module->SetPatternLength(1, 2);
    module->orderList[1] = 1;
    module->orderList[2] = 0;
    module->songLength = 3;
    module->repeatPosition = 2;
    module->initialSpeed = 16;
    Global(2, 0, kGlobalSP, 12);  // pattern 0 lines: 2, 2, then 12/8 from here on
    // Position 0: 2 + 2 + 2 + 1 = 7 frames. Position 1 (pattern 1 at speed 12): 2 + 1.
    // Position 2 (pattern 0 again, still speed 12 until line 2 sets it again): 2 + 1 + 2 + 1.
    const SongTiming t = ComputeSongTiming(*module, 1, 1);
    EXPECT_EQ(t.frames, 7u + 3u + 6u);
    EXPECT_EQ(t.cursorFrame, 9u);
    // A target that the song never reaches leaves the cursor at the start.
    EXPECT_EQ(ComputeSongTiming(*module, 3, 1).cursorFrame, 0u);
    EXPECT_EQ(ComputeSongTiming(*module, 0, 7).cursorFrame, 0u);
}

TEST_F(SongTimingTest, PatternCountsAndDialogTexts) {
    for (int p : {1, 2, 5, 9}) module->MakePattern(p);
    module->orderList[1] = 2;
    module->orderList[2] = 2;
    module->orderList[3] = 9;  // beyond the song length: does not count as played
    module->songLength = 3;
    module->fileName = "tune.quavex";
    module->directory = "/songs";
    const ModuleInformation info = GatherModuleInformation(*module, 0, 1);
    EXPECT_EQ(info.fileName, "tune.quavex");
    EXPECT_EQ(info.directory, "/songs");
    EXPECT_EQ(info.songLength, 3);
    EXPECT_EQ(info.patterns, 5);
    EXPECT_EQ(info.unusedPatterns, 3);  // 1, 5 and 9
    EXPECT_EQ(info.time, "19.20 sec. (0:19 min.)");
    EXPECT_EQ(info.cursorTime, "6.40 sec. (0:06 min.)");
}
