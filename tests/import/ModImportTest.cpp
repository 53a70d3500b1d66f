// MOD import: timing of rows and ticks, the loudness measurement, the effects that
// matter, and the errors of malformed files.
#include <gtest/gtest.h>

#include <memory>

#include "ImportTestUtil.h"
#include "app/Exceptions.h"
#include "import/NoteSearch.h"

using namespace importtest;

namespace {

std::unique_ptr<Module> Import(const ModBuilder& mod, uint8_t chip, uint8_t divider = 0) {
    auto mHolder = std::make_unique<Module>();
    Module& m = *mHolder;
    EXPECT_TRUE(
        ImportMod(m, mod.bytes.data(), mod.bytes.size(), mod.channels, ModOkay(chip, divider)));
    return mHolder;
}

uint32_t ModError(const ModBuilder& mod, bool* dialogShown = nullptr) {
    auto mHolder = std::make_unique<Module>();
    Module& m = *mHolder;
    try {
        ImportMod(m, mod.bytes.data(), mod.bytes.size(), mod.channels,
                  [&](const ModProbe&, ModOptions& o) {
                      if (dialogShown) *dialogShown = true;
                      o.chip = Chip(1);
                      return true;
                  });
    } catch (const Exception& e) {
        EXPECT_STREQ(e.Message(), "Error in MOD file");
        return e.Code(0);
    }
    return 0;
}

Bytes Constant(size_t n, int8_t value) { return Bytes(n, static_cast<uint8_t>(value)); }

}  // namespace

TEST(ModImport, TitleStopsAtNulAndDropsControlCharacters) {
    ModBuilder mod(4, 1,
                   "ab\x01"
                   "cd\0xyz");
    std::memcpy(mod.bytes.data() + 20, "kick\0junk", 9);  // first sample name
    ModProbe probe = ProbeMod(mod.bytes.data(), mod.bytes.size(), 4);
    EXPECT_EQ(probe.title, "abcd");
    EXPECT_EQ(probe.sampleNames.substr(0, 5), "kick\n");
    EXPECT_EQ(std::count(probe.sampleNames.begin(), probe.sampleNames.end(), '\n'), 31);
    auto mHolder = Import(mod, 1);
    Module& m = *mHolder;
    EXPECT_EQ(m.title, "abcd");
    EXPECT_EQ(m.notes, probe.sampleNames);
}

TEST(ModImport, OnePatternAtSpeedSixLasts384LinesAtPalAbout461AtNtsc) {
    ModBuilder mod;
    auto palHolder = Import(mod, 1);
    Module& pal = *palHolder;
    EXPECT_EQ(pal.songLength, 2);  // 384 lines: pattern 0 full, 128 in pattern 1
    EXPECT_EQ(SongLines(pal), 384);
    auto ntscHolder = Import(mod, 0);
    Module& ntsc = *ntscHolder;
    EXPECT_EQ(SongLines(ntsc), 461);
    // The first line carries the speed of one frame per line and the stereo split.
    const PatternLine& head = pal.patterns[0].lines[0];
    EXPECT_EQ(head.globalCmd[0], kGlobalSP);
    EXPECT_EQ(head.globalParam[0], 8);
    EXPECT_EQ(head.globalCmd[1], kGlobalST);
    EXPECT_EQ(head.globalParam[1], 0x96);
    EXPECT_EQ(head.note[0], kNoteNul);
    EXPECT_EQ(head.note[3], 253);
    EXPECT_EQ(pal.patterns[1].lines[0].note[0], kNoteEmpty);
}

TEST(ModImport, EffectFSetsSpeedBelow32AndTempoFrom32) {
    struct Case {
        int param;
        long palLines;
    } cases[] = {
        {0x00, 64},  // speed 0 counts as 1
        {0x01, 64},      {0x03, 192},
        {0x1F, 64 * 31}, {0x20, 1500},  // tempo 32: 6 ticks of 3.906 frames a row
        {0x21, 1455},                   // tempo 33
        {0xFF, 192},                    // tempo 255: at most one tick starts in each half frame
    };
    for (const Case& c : cases) {
        ModBuilder mod;
        mod.Cell(0, 0, 1, 0, 0, 0xF, c.param);
        EXPECT_NEAR(SongLines(*Import(mod, 1)), c.palLines, 1) << "F" << std::hex << c.param;
    }
}

TEST(ModImport, PatternBreakJumpsToItsRowInTheNextPosition) {
    ModBuilder mod(4, 2);
    mod.Orders({0, 1});
    mod.Cell(0, 9, 0, 0, 0, 0xD, 0x32);  // after row 9, on to row 32 of pattern 1
    EXPECT_EQ(SongLines(*Import(mod, 1)), (10 + 32) * 6);
    ModBuilder beyond(4, 2);
    beyond.Orders({0, 1});
    beyond.Cell(0, 0, 0, 0, 0, 0xD, 0x99);  // row 99 is held to 63
    EXPECT_EQ(SongLines(*Import(beyond, 1)), (1 + 1) * 6);
}

TEST(ModImport, LoudnessAndPitchOfAPlayingSample) {
    ModBuilder mod;
    mod.Sample(1, Constant(2000, 64), 64, 0, 2000);  // loops over its whole length
    mod.Cell(0, 0, 0, 1, 428, 0, 0);
    mod.Cell(0, 1, 0, 0, 0, 0xC, 32);  // half the volume from row 1 on
    auto mHolder = Import(mod, 1);
    Module& m = *mHolder;
    // Period 428 plays at 443361.8125 / 856 = 517.9 Hz at PAL: 48 + 12 log2(517.9 / 130.83133)
    // = 71.8, note 72, whose period 214 is just what 3546893 / 32 / 517.9 gives.
    const PatternLine& l0 = m.patterns[0].lines[0];
    EXPECT_EQ(l0.note[0], 72);
    EXPECT_EQ(l0.detune[0], 0);
    EXPECT_EQ(l0.instrument[0], 0);
    EXPECT_EQ(l0.volume[0], 12);  // (64 x 64 x 63) >> 13 = 31 -> 12
    EXPECT_EQ(m.patterns[0].lines[5].volume[0], 12);
    EXPECT_EQ(m.patterns[0].lines[6].volume[0], 8);  // (64 x 32 x 63) >> 13 = 15 -> 8
    // The looped sample keeps sounding to the end.
    EXPECT_EQ(m.patterns[1].lines[127].volume[0], 8);
}

TEST(ModImport, VolumeSlideActsOnEveryTickAndXWins) {
    ModBuilder mod;
    mod.Sample(1, Constant(4000, 127), 64, 0, 4000);
    mod.Cell(0, 0, 0, 1, 428, 0xA, 0x0F);  // slide down 15 a tick: 64, 49, 34, 19, 4, 0
    mod.Cell(0, 1, 0, 0, 0, 0xA, 0x23);    // x wins: up 2 a tick
    auto mHolder = Import(mod, 1);
    Module& m = *mHolder;
    const int expected[] = {15, 14, 12, 9, 2, 0};
    for (int i = 0; i < 6; ++i) EXPECT_EQ(m.patterns[0].lines[i].volume[0], expected[i]) << i;
    EXPECT_EQ(m.patterns[0].lines[6].note[0], kNoteEmpty);  // still silent, already written
    EXPECT_EQ(m.patterns[0].lines[7].volume[0], 1);         // volume 2 after row 1's first tick
}

TEST(ModImport, SilentSampleWritesOneSilentCellPerStart) {
    ModBuilder mod;
    mod.Sample(1, Constant(1000, 0), 64, 0, 1000);
    mod.Cell(0, 0, 1, 1, 428, 0, 0);
    mod.Cell(0, 2, 1, 1, 428, 0, 0);  // retriggered on row 2 (line 12)
    auto mHolder = Import(mod, 1);
    Module& m = *mHolder;
    int cells = 0;
    for (long i = 1; i < SongLines(m); ++i) {
        const PatternLine& line = SongLine(m, i);
        if (line.note[1] != kNoteEmpty) {
            ++cells;
            EXPECT_TRUE(i == 12) << i;
            EXPECT_EQ(line.volume[1], 0);
            EXPECT_EQ(line.detune[1], 0);
        }
    }
    EXPECT_EQ(cells, 1);
    // Line 0 holds the first start's silent cell.
    EXPECT_NE(m.patterns[0].lines[0].note[1], kNoteNul);
    EXPECT_EQ(m.patterns[0].lines[0].volume[1], 0);
}

TEST(ModImport, TwoChannelModLeavesChannelsTwoAndThreeEmpty) {
    ModBuilder mod(2);
    mod.Sample(1, Constant(3000, 100), 64, 0, 3000);
    for (int c = 0; c < 2; ++c) mod.Cell(0, 0, c, 1, 214, 0, 0);
    auto mHolder = Import(mod, 0);
    Module& m = *mHolder;
    EXPECT_EQ(m.patterns[0].lines[0].note[2], kNoteNul);
    EXPECT_EQ(m.patterns[0].lines[0].note[3], 253);
    EXPECT_GT(m.patterns[0].lines[0].volume[1], 0);
    for (long i = 1; i < SongLines(m); ++i) {
        EXPECT_EQ(SongLine(m, i).note[2], kNoteEmpty);
        EXPECT_EQ(SongLine(m, i).note[3], kNoteEmpty);
    }
}

TEST(ModImport, SongBeyond256PatternsStopsAfterTheLastLine) {
    ModBuilder mod;
    mod.Cell(0, 0, 0, 0, 0, 0xF, 31);
    std::vector<int> orders(128, 0);
    mod.bytes[950] = 128;
    auto mHolder = Import(mod, 1);
    Module& m = *mHolder;
    EXPECT_EQ(m.songLength, 256);
    EXPECT_EQ(SongLines(m), 65536);
    EXPECT_EQ(m.orderList[255], 255);
}

TEST(ModImport, SampleWithoutLoopStopsAtItsEnd) {
    ModBuilder mod;
    // At period 428 a PAL frame plays 165 bytes: 1000 bytes last six whole frames and ten
    // bytes of the seventh.
    mod.Sample(1, Constant(1000, 100), 64);
    mod.Cell(0, 0, 0, 1, 428, 0, 0);
    auto mHolder = Import(mod, 1);
    Module& m = *mHolder;
    for (int i = 0; i < 7; ++i) EXPECT_GT(m.patterns[0].lines[i].volume[0], 0) << i;
    EXPECT_EQ(m.patterns[0].lines[7].volume[0], 0);
    EXPECT_EQ(m.patterns[0].lines[7].note[0], m.patterns[0].lines[0].note[0]);
    EXPECT_EQ(m.patterns[0].lines[8].note[0], kNoteEmpty);
}

TEST(ModImport, MalformedHeadersGiveTheirErrorNumbers) {
    bool shown = false;
    ModBuilder loud;
    loud.Sample(1, Constant(100, 1), 65);
    EXPECT_EQ(ModError(loud, &shown), 1u);
    EXPECT_FALSE(shown) << "errors 1 and 2 come before the dialog";

    ModBuilder loop;
    loop.Sample(1, Constant(100, 1), 64, 60, 50);
    EXPECT_EQ(ModError(loop, &shown), 2u);
    ModBuilder oneWord;  // a one-word loop at 0 means no loop, whatever the length
    oneWord.Sample(1, Constant(100, 1), 64, 0, 2);
    EXPECT_EQ(ModError(oneWord), 0u);

    ModBuilder empty;
    empty.bytes[950] = 0;
    EXPECT_EQ(ModError(empty, &shown), 4u);
    EXPECT_TRUE(shown);
    ModBuilder longSong;
    longSong.bytes[950] = 129;
    EXPECT_EQ(ModError(longSong), 4u);
    ModBuilder badOrder;
    badOrder.bytes[952 + 127] = 128;  // even an unused entry counts
    EXPECT_EQ(ModError(badOrder), 5u);
}

TEST(ModImport, CancelAndFailureLeaveTheTargetAlone) {
    auto targetHolder = std::make_unique<Module>();
    Module& target = *targetHolder;
    target.title = "keep";
    ModBuilder mod;
    EXPECT_FALSE(ImportMod(target, mod.bytes.data(), mod.bytes.size(), 4,
                           [](const ModProbe&, ModOptions&) { return false; }));
    ModBuilder bad;
    bad.bytes[952] = 200;
    EXPECT_THROW(ImportMod(target, bad.bytes.data(), bad.bytes.size(), 4, ModOkay(0)), Exception);
    // Confirming with a chip setting unset is refused like the dialog refuses it.
    EXPECT_THROW(ImportMod(target, mod.bytes.data(), mod.bytes.size(), 4,
                           [](const ModProbe&, ModOptions& o) {
                               o.chip.chipType = 0;
                               return true;
                           }),
                 Exception);
    EXPECT_EQ(target.title, "keep");
    EXPECT_EQ(target.songLength, 1);
}

TEST(ModImport, TruncatedSampleDataPlaysAsSilence) {
    ModBuilder mod;
    mod.Sample(1, Constant(4000, 100), 64);
    mod.Cell(0, 0, 0, 1, 428, 0, 0);
    mod.bytes.resize(mod.bytes.size() - 4000);  // no sample data at all
    auto mHolder = Import(mod, 1);
    Module& m = *mHolder;
    EXPECT_EQ(SongLines(m), 384);
    EXPECT_EQ(m.patterns[0].lines[0].volume[0], 0);
}

// Every line of a song whose samples spend long stretches unheard or held in a loop: where
// each sample has got to shows on every line, however the frames are worked out. At PAL
// and tempo 125 a tick lasts one frame, so row r is read at frame 6r; at period 709 a frame
// plays 100 bytes.
TEST(ModImport, SamplesKeepTheirPlaceThroughSilenceLoopsAndEmptyRows) {
    ModBuilder mod;
    Bytes wave(1000, 0);  // loud only in its last 100 bytes, the end of its loop
    std::fill(wave.begin() + 900, wave.end(), 127);
    mod.Sample(1, wave, 64, 600, 400);
    mod.Sample(2, Constant(64, 100), 64, 0, 64);  // a short loop: every frame plays all of it
    mod.Sample(3, Constant(200, 127), 64);        // two frames, no loop
    mod.Cell(0, 0, 0, 1, 709, 0xC, 0);            // unheard at volume 0 from the start ...
    mod.Cell(0, 10, 0, 0, 0, 0xC, 64);            // ... and heard from frame 60
    mod.Cell(0, 0, 1, 2, 709, 0, 0);
    mod.Cell(0, 20, 2, 3, 709, 0, 0);
    auto mHolder = Import(mod, 1);
    const Module& m = *mHolder;
    ASSERT_EQ(SongLines(m), 384);
    const uint8_t note = SongLine(m, 0).note[0];
    ASSERT_LE(note, kNoteLastTone);
    for (long i = 0; i < 384; ++i) {
        const PatternLine& line = SongLine(m, i);
        // Sample 1 reaches its end after frame 9 and then plays 600-700, 700-800, 800-900
        // and the loud 900-1000 over and over: frames 13, 17, 21, ...
        const bool loud = i >= 60 && i % 4 == 1;
        if (i == 0) {
            EXPECT_EQ(line.note[0], note);  // the start's silent cell
            EXPECT_EQ(line.volume[0], 0);
        } else if (loud) {
            EXPECT_EQ(line.note[0], note) << i;
            EXPECT_EQ(line.volume[0], 15) << i;  // (127 x 64 x 63) >> 13 = 62
        } else {
            EXPECT_EQ(line.note[0], kNoteEmpty) << i;
        }
        EXPECT_EQ(line.note[1], note) << i;
        EXPECT_EQ(line.volume[1], 14) << i;  // (100 x 64 x 63) >> 13 = 49
        if (i == 120 || i == 121) {
            EXPECT_EQ(line.volume[2], 15) << i;
        } else if (i == 122) {
            EXPECT_EQ(line.note[2], note);  // the sample has ended: one silent cell
            EXPECT_EQ(line.volume[2], 0);
        } else if (i > 0) {
            EXPECT_EQ(line.note[2], kNoteEmpty) << i;
        }
        if (i > 0) {
            EXPECT_EQ(line.note[3], kNoteEmpty) << i;
        }
    }
}

// A slow song fills the module with a held loop: the same cell on all 65,536 lines, and a
// pattern break in an otherwise empty pattern still ends the song on time.
TEST(ModImport, HeldLoopFillsTheModuleAndBreaksEndSlowSongs) {
    ModBuilder mod;
    mod.Sample(1, Constant(64, 100), 64, 0, 64);
    mod.Cell(0, 0, 0, 1, 709, 0xF, 31);  // 31 ticks a row
    mod.Cell(0, 0, 1, 0, 0, 0xF, 32);    // of about 3.9 frames each at PAL
    mod.bytes[950] = 128;                // 128 positions of pattern 0
    auto mHolder = Import(mod, 1);
    const Module& m = *mHolder;
    ASSERT_EQ(SongLines(m), 65536);
    for (long i = 0; i < 65536; ++i) {
        ASSERT_EQ(SongLine(m, i).note[0], SongLine(m, 0).note[0]) << i;
        ASSERT_EQ(SongLine(m, i).volume[0], 14) << i;
        ASSERT_EQ(SongLine(m, i).note[1], i == 0 ? kNoteNul : kNoteEmpty) << i;
    }

    // Speed 31 at tempo 125 (one tick a frame): a row of 31 frames; a break on row 2 of
    // the first position to row 60 of the second ends the song after 3 + 4 rows.
    ModBuilder broken(4, 2);
    broken.Orders({0, 1});
    broken.Sample(1, Constant(64, 100), 64, 0, 64);
    broken.Cell(0, 0, 0, 1, 709, 0xF, 31);
    broken.Cell(0, 2, 3, 0, 0, 0xD, 0x60);
    auto brokenHolder = Import(broken, 1);
    EXPECT_EQ(SongLines(*brokenHolder), (3 + 4) * 31);
    EXPECT_EQ(SongLine(*brokenHolder, (3 + 4) * 31 - 1).volume[0], 14);
}

// One loud byte is heard in the one frame that plays it, wherever it lies against the blocks
// whose peaks the import keeps (a frame plays 100 bytes at period 709 and PAL).
TEST(ModImport, OneLoudByteIsHeardInTheFrameThatPlaysIt) {
    for (size_t at : {0, 7, 8, 63, 64, 99, 100, 511, 512, 4095, 4096, 4097, 4999}) {
        ModBuilder mod;
        Bytes wave(5000, 0);
        wave[at] = 0x81;  // -127
        mod.Sample(1, wave, 64);
        mod.Cell(0, 0, 0, 1, 709, 0, 0);
        auto mHolder = Import(mod, 1);
        const Module& m = *mHolder;
        for (long i = 0; i < SongLines(m); ++i) {
            const bool loud = i == static_cast<long>(at / 100);
            EXPECT_EQ(SongLine(m, i).volume[0], loud ? 15 : 0) << "byte " << at << ", line " << i;
        }
    }
}
