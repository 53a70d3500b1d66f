// How the replayer advances through lines, patterns and song positions: speeds, the "SP"
// command, pattern-only play, looping, jumps.
#include <vector>

#include "PlayerTestSupport.h"

namespace {

using PlayerTiming = PlayerFixture;

// Frame indices at which a line was read, over `frames` frames.
std::vector<int> ReadFrames(PlayerFixture& f, int frames) {
    std::vector<int> reads;
    for (int i = 0; i < frames; ++i)
        if (f.Frame()) reads.push_back(i);
    return reads;
}

std::vector<int> Durations(const std::vector<int>& reads) {
    std::vector<int> d;
    for (size_t i = 1; i < reads.size(); ++i) d.push_back(reads[i] - reads[i - 1]);
    return d;
}

}  // namespace

TEST_F(PlayerTiming, SpeedEightReadsALineEveryFrame) {
    Play(8);
    const auto reads = ReadFrames(*this, 10);
    EXPECT_EQ(reads, (std::vector<int>{0, 1, 2, 3, 4, 5, 6, 7, 8, 9}));
    EXPECT_EQ(player->line, 10);
}

TEST_F(PlayerTiming, SpeedTwelveAlternatesTwoAndOneFrames) {
    Play(12);
    const auto d = Durations(ReadFrames(*this, 13));
    EXPECT_EQ(d, (std::vector<int>{2, 1, 2, 1, 2, 1, 2, 1}));
}

TEST_F(PlayerTiming, SpeedFortyEightIsSixFramesPerLine) {
    Play(48);
    const auto d = Durations(ReadFrames(*this, 31));
    EXPECT_EQ(d, (std::vector<int>{6, 6, 6, 6, 6}));
}

TEST_F(PlayerTiming, Speed255CarriesFractionsToThirtyOnePointEightsevenFive) {
    Play(255);
    // 8 lines of 255 eighths are exactly 255 frames; each line lasts 31 or 32 frames.
    const auto reads = ReadFrames(*this, 256);
    ASSERT_EQ(reads.size(), 9u);
    EXPECT_EQ(reads[8], 255);
    for (int d : Durations(reads)) EXPECT_TRUE(d == 31 || d == 32) << d;
}

TEST_F(PlayerTiming, SpeedCommandTimesItsOwnLine) {
    Global(0, 0, kGlobalSP, 16);
    Note(0, 0, 69);
    Play(48);
    const auto reads = ReadFrames(*this, 5);
    EXPECT_EQ(reads, (std::vector<int>{0, 2, 4}));
    EXPECT_EQ(player->speed, 16);
    EXPECT_EQ(Regs().period[0], 254);
}

TEST_F(PlayerTiming, SecondCommandColumnWinsOverTheFirst) {
    Global(0, 0, kGlobalSP, 16);
    Global(0, 1, kGlobalSP, 24);
    Global(1, 0, kGlobalST, 0x12);
    Global(1, 1, kGlobalST, 0x34);
    Play(48);
    EXPECT_EQ(ReadFrames(*this, 4), (std::vector<int>{0, 3}));
    EXPECT_EQ(player->stereo, 0x34);
    EXPECT_EQ(Regs().stereo, 0x34);
}

TEST_F(PlayerTiming, SpeedsBelowEightReadOneLinePerFrameForever) {
    // Speed 0 and 4 on a pattern that loops on itself for far longer than the accumulator
    // could take if it fell by the missing eighths every frame.
    module->SetPatternLength(0, 2);
    Global(0, 0, kGlobalSP, 4);
    Global(1, 0, kGlobalSP, 0);
    Play(8);
    for (int i = 0; i < 70000; ++i) {
        ASSERT_TRUE(Frame()) << "frame " << i;
        ASSERT_GT(player->tick, -8);
        ASSERT_LE(player->tick, 0);
    }
}

TEST_F(PlayerTiming, FasterSpeedAfterSlowSpeedsStartsFresh) {
    Global(0, 0, kGlobalSP, 1);
    Global(3, 0, kGlobalSP, 12);
    Play(48);
    const auto reads = ReadFrames(*this, 12);
    // Lines 0-2 one frame each, then speed 12 from line 3 exactly as from a fresh start.
    EXPECT_EQ(reads, (std::vector<int>{0, 1, 2, 3, 5, 6, 8, 9, 11}));
}

TEST_F(PlayerTiming, PatternsFollowTheOrderListAndLoopToRepeatPosition) {
    for (int p = 1; p < 3; ++p) module->MakePattern(p);
    for (int p = 0; p < 3; ++p) module->SetPatternLength(p, 2);
    module->orderList[0] = 2;
    module->orderList[1] = 0;
    module->orderList[2] = 1;
    module->songLength = 3;
    module->repeatPosition = 1;
    Play(8);
    EXPECT_EQ(player->pattern, 2);
    struct Expect {
        int position, pattern, line, looped;
    };
    // State after each frame.
    const Expect expected[] = {{0, 2, 1, 0}, {1, 0, 0, 0}, {1, 0, 1, 0}, {2, 1, 0, 0},
                               {2, 1, 1, 0}, {1, 0, 0, 1}, {1, 0, 1, 0}, {2, 1, 0, 0},
                               {2, 1, 1, 0}, {1, 0, 0, 1}};
    int frame = 0;
    for (const Expect& e : expected) {
        Frame();
        EXPECT_EQ(player->position, e.position) << "frame " << frame;
        EXPECT_EQ(player->pattern, e.pattern) << "frame " << frame;
        EXPECT_EQ(player->line, e.line) << "frame " << frame;
        EXPECT_EQ(player->looped, e.looped) << "frame " << frame;
        EXPECT_EQ(player->lineAdvanced, 1);
        ++frame;
    }
}

TEST_F(PlayerTiming, OnePositionSongLoopsOnEveryPass) {
    module->SetPatternLength(0, 4);
    Play(8);
    std::vector<int> loops;
    for (int i = 0; i < 16; ++i) {
        Frame();
        if (player->looped) loops.push_back(i);
    }
    EXPECT_EQ(loops, (std::vector<int>{3, 7, 11, 15}));
    EXPECT_EQ(player->playing, 1);
}

TEST_F(PlayerTiming, PatternOnlyStopsInTheFrameOfTheLastLine) {
    module->SetPatternLength(0, 3);
    module->MakePattern(1);
    module->orderList[1] = 1;
    module->songLength = 2;
    Note(0, 0, 69);
    Play(8, 1);
    const Instrument& ins = module->instruments[0];
    ASSERT_EQ(player->StartTestNote(1, -1, ins, 15, 251, 0, 0), 3);
    Frames(2);
    EXPECT_EQ(player->playing, 1);
    EXPECT_EQ(Regs().attenuation[0], 0);
    EXPECT_EQ(Regs().attenuation[3], 0);
    Frame();
    EXPECT_EQ(player->playing, 0);
    EXPECT_EQ(player->lineAdvanced, 1);
    EXPECT_EQ(player->position, 0);
    // Stop silences the song and the test note in that same frame.
    EXPECT_EQ(Regs().attenuation[0], 15);
    EXPECT_EQ(Regs().attenuation[3], 15);
    EXPECT_FALSE(Frame());
    EXPECT_EQ(player->line, 3);
}

TEST_F(PlayerTiming, JumpToReadsTheNewPositionAtOnce) {
    module->MakePattern(5);
    module->orderList[1] = 5;
    module->songLength = 2;
    Note(0, 1, 72, 0, 15, 0, 5);
    Play(48);
    Frames(3);
    player->JumpTo(1);
    EXPECT_EQ(player->pattern, 5);
    EXPECT_TRUE(Frame());
    EXPECT_EQ(player->position, 1);
    EXPECT_EQ(Regs().period[1], 214);
}

TEST_F(PlayerTiming, ResetTickReadsTheCurrentLineAgain) {
    Play(48);
    Frames(8);  // inside line 1
    ASSERT_EQ(player->line, 1);
    Note(1, 2, 60);  // typed while the line plays
    player->ResetTick();
    EXPECT_TRUE(Frame());
    EXPECT_EQ(Regs().period[2], 428);
    EXPECT_EQ(player->line, 1);
}

TEST_F(PlayerTiming, BindStartAndReloadSettings) {
    module->chipType = 1;
    module->initialStereo = 0x0F;
    Global(0, 0, kGlobalSP, 20);
    Global(0, 1, kGlobalST, 0x21);
    module->SetPatternLength(0, 1);
    Play(48);
    EXPECT_EQ(player->chip.Step(), 331413u);
    EXPECT_EQ(player->chip.SamplesPerFrame(), 882);
    Frame();
    player->SetMuteMask(0x05);
    player->Stop();
    // A restart keeps the speed of the last "SP" and starts at stereo 0xFF, never from the
    // module's initial stereo byte.
    player->Start(0, 0, 0);
    EXPECT_EQ(player->GetSpeed(), 20);
    EXPECT_EQ(player->GetStereo(), 0xFF);
    EXPECT_EQ(player->pvMask, 0x55);
    player->ReloadSettings();
    EXPECT_EQ(player->GetSpeed(), 48);
    module->frequencyDivider = 1;
    module->chipType = 0;
    player->ApplyClock();
    EXPECT_EQ(player->chip.Step(), 166448u);
    player->Bind(*module);
    EXPECT_EQ(player->GetMuteMask(), 0xFF);
    EXPECT_EQ(player->playing, 0);
}

TEST_F(PlayerTiming, HeadersOutOfRangeNeverRunAway) {
    // Values a damaged file could leave behind: the player stays inside its tables and
    // still loops back.
    module->patterns[0].length = 1000;
    module->songLength = 700;
    module->repeatPosition = 250;
    Note(0, 0, 69, 200, 15);
    module->instruments[200 & 15].vibSpeed[0] = 200;
    module->instruments[200 & 15].vibStrength[0] = 99;
    Play(255);
    Frames(3);
    player->Start(900, 4000, 0);
    player->JumpTo(-3);
    int frames = 0;
    while (!player->looped && frames < 20000000) {
        player->PlayFrame();
        ++frames;
    }
    EXPECT_TRUE(player->looped);
}
