// Console song export: the reference replayer must put the same values into its chip as the
// tracker's player, frame by frame, over two passes; blocks are shared; the replayer treats
// its input as untrusted.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <random>

#include "app/Exceptions.h"
#include "export/DadivevExport.h"
#include "export/DadivevPlayer.h"
#include "sound/NoteTable.h"
#include "sound/Player.h"
#include "tests/export/ExportTestUtil.h"

using namespace exporttest;

namespace {

// Plays both until each has looped `passes` times and compares the chips after every frame.
// Returns the number of frames compared.
// `sameLoopFrames` is false for songs whose repeat position lies beyond their end: the file
// then holds that position once after the others, and the player's first "loop" (into it)
// is an ordinary step in the file.
int ExpectSameChipEveryFrame(const Module& m, int passes = 2, bool sameLoopFrames = true) {
    const int frameLimit = 200000;
    const std::vector<uint8_t> file = CompileDADIVEV(m);
    DadivevPlayer console;
    console.Load(file);
    auto player = std::make_unique<Player>();
    player->Bind(m);
    player->Start(0, 0, 0);
    int loops = 0;
    int frame = 0;
    while (loops < passes && frame < frameLimit) {
        player->PlayFrame();
        console.PlayFrame();
        ++frame;
        const PsgRegisters& a = player->chip.Registers();
        const PsgRegisters& b = console.Chip().Registers();
        for (int c = 0; c < 3; ++c)
            if (a.period[c] != b.period[c]) {
                ADD_FAILURE() << "frame " << frame << " period " << c << ": " << a.period[c]
                              << " vs " << b.period[c];
                return frame;
            }
        for (int c = 0; c < 4; ++c)
            if (a.attenuation[c] != b.attenuation[c]) {
                ADD_FAILURE() << "frame " << frame << " attenuation " << c << ": "
                              << int(a.attenuation[c]) << " vs " << int(b.attenuation[c]);
                return frame;
            }
        if (a.noisePeriod != b.noisePeriod || a.noiseWhite != b.noiseWhite ||
            a.noiseRate != b.noiseRate || a.noiseResetPending != b.noiseResetPending ||
            player->chip.Latch() != console.Chip().Latch()) {
            ADD_FAILURE() << "frame " << frame << ": noise registers differ";
            return frame;
        }
        if (a.stereo != b.stereo) {
            ADD_FAILURE() << "frame " << frame << " stereo " << int(a.stereo) << " vs " << int(b.stereo);
            return frame;
        }
        if (sameLoopFrames && player->looped != console.Looped()) {
            ADD_FAILURE() << "frame " << frame << ": loop differs";
            return frame;
        }
        if (player->looped) ++loops;
    }
    EXPECT_EQ(loops, passes) << "song did not loop";
    return frame;
}

// An instrument that moves through all its phases with envelopes and vibrato.
void MakeLivelyInstrument(Instrument& ins, uint8_t seed) {
    ins.startVolume = 0xF8;
    const uint8_t delays[4] = {3, 5, 0, 7};
    const uint8_t adds[5] = {0xF0, 0x08, 0xFC, 0x02, 0xFF};
    for (int p = 0; p < 4; ++p) ins.delay[p] = static_cast<uint8_t>(delays[p] + (seed & 1));
    for (int p = 0; p < 5; ++p) {
        ins.volumeAdd[p] = adds[p];
        ins.vibSpeed[p] = static_cast<uint8_t>((p + seed) & 3);
        ins.vibStrength[p] = static_cast<uint8_t>((p * 4 + seed) & 15);
    }
}

}  // namespace

TEST(Dadivev, EveryFeatureGivesThePlayersChipStateOverTwoPasses) {
    auto m = NewModule();
    MakeLivelyInstrument(m->instruments[2], 0);
    MakeLivelyInstrument(m->instruments[7], 1);
    m->instruments[11].startVolume = 0x40;
    m->instruments[11].volumeAdd[0] = 0x10;
    m->MakePattern(1);
    m->SetPatternLength(1, 40);  // a step of 32 and a step of 8
    m->MakePattern(2);
    m->SetPatternLength(2, 7);
    m->orderList[0] = 0;
    m->orderList[1] = 1;
    m->orderList[2] = 2;
    m->orderList[3] = 1;
    m->songLength = 4;
    m->repeatPosition = 1;
    m->initialSpeed = 20;

    // Notes with detunes on the tone channels, "Nul", an unplayable note as a note-off.
    Note(*m, 0, 0, 0, 60, 2, 15, -7);
    Note(*m, 0, 0, 1, 64, 7, 12, 3);
    Note(*m, 0, 0, 2, 246, 11, 10, 99);
    Note(*m, 0, 4, 2, 246, 11, 10, 0);
    Note(*m, 0, 9, 0, 130, 2, 15);
    Note(*m, 0, 12, 0, 119, 7, 15, -99);
    Note(*m, 0, 20, 1, 45, 2, 9, 1);
    // Noise in every mode, the same mode twice in a row, and rate 3 following channel 2.
    const uint8_t noises[8] = {247, 247, 248, 249, 250, 251, 252, 254};
    for (int i = 0; i < 8; ++i) Note(*m, 0, 3 + 6 * i, 3, noises[i], static_cast<uint8_t>(i & 1 ? 7 : 2), 15);
    Note(*m, 0, 60, 3, 60, 2, 15);  // a tone note on the noise channel stops it
    // "VO" with and without a note, "PV" offsets (also on the noise channel) and masks.
    Effect(*m, 0, 0, 1, kEffectVO, 5);
    Effect(*m, 0, 14, 1, kEffectVO, 13);
    Effect(*m, 0, 2, 0, kEffectPV, 0xF6);
    Effect(*m, 0, 2, 1, kEffectPV, 20);
    Effect(*m, 0, 2, 3, kEffectPV, 20);
    Global(*m, 0, 6, 0, kGlobalPV, 0xFF);
    Global(*m, 0, 16, 1, kGlobalPV, 0x00);
    Global(*m, 0, 24, 0, kGlobalPV, 0x93);
    // Speeds including one below 8, stereo, markers.
    Global(*m, 0, 10, 0, kGlobalSP, 12);
    Global(*m, 0, 30, 0, kGlobalSP, 5);
    Global(*m, 0, 40, 1, kGlobalSP, 33);
    Global(*m, 0, 1, 1, kGlobalST, 0x3C);
    Global(*m, 0, 33, 0, kGlobalCB, 0x12);
    Global(*m, 0, 33, 1, kGlobalCB, 0x34);

    for (int l = 0; l < 40; l += 3) Note(*m, 1, l, l % 3, static_cast<uint8_t>(50 + l), 7, 15, static_cast<int8_t>(l - 20));
    for (int l = 1; l < 40; l += 5) Note(*m, 1, l, 3, static_cast<uint8_t>(247 + l % 8), 2, 11);
    Global(*m, 1, 35, 0, kGlobalST, 0xF1);
    Global(*m, 1, 39, 0, kGlobalSP, 255);
    Note(*m, 2, 0, 0, 88, 2, 15);
    Effect(*m, 2, 3, 0, kEffectPV, 30);
    Global(*m, 2, 6, 1, kGlobalSP, 8);

    const int frames = ExpectSameChipEveryFrame(*m);
    EXPECT_GT(frames, 300);
}

// Songs of random lines and instruments, including values that no editor writes.
TEST(Dadivev, RandomSongsGiveThePlayersChipStateOverTwoPasses) {
    for (int song = 0; song < 40; ++song) {
        SCOPED_TRACE(song);
        auto m = RandomModule(20261208u + static_cast<unsigned>(song));
        ExpectSameChipEveryFrame(*m);
    }
}

TEST(Dadivev, OddSongShapesFollowThePlayer) {
    // A repeat position beyond the song's end plays that position over and over.
    auto m = NewModule();
    m->initialSpeed = 8;
    for (int p = 0; p < 3; ++p) {
        m->MakePattern(p);
        m->SetPatternLength(p, 3 + p);
        Note(*m, p, 0, 0, static_cast<uint8_t>(60 + p));
        m->orderList[p] = static_cast<uint8_t>(p);
    }
    m->songLength = 2;
    m->repeatPosition = 2;
    ExpectSameChipEveryFrame(*m, 3, false);
    // A song length of 0, and a pattern length of 0 (both only from damaged files).
    m->songLength = 0;
    m->repeatPosition = 0;
    m->patterns[0].length = 0;
    ExpectSameChipEveryFrame(*m, 3);
    // The longest pattern: 8 steps.
    m->songLength = 1;
    m->SetPatternLength(0, 256);
    Note(*m, 0, 255, 1, 70);
    ExpectSameChipEveryFrame(*m, 2);
}

TEST(Dadivev, HeaderImagesAndStepsAreLaidOutAsDocumented) {
    auto m = NewModule(1, 1);
    m->initialSpeed = 40;
    m->initialStereo = 0xA5;
    m->SetPatternLength(0, 33);
    // Instrument 3 stands still; instrument 9 has vibrato in phase 1 and a phase 0 of one
    // frame, so the note's second frame already plays phase 1.
    m->instruments[9].startVolume = 0x91;
    m->instruments[9].delay[0] = 1;
    m->instruments[9].volumeAdd[0] = 0x10;
    m->instruments[9].vibSpeed[1] = 2;
    m->instruments[9].vibStrength[1] = 15;
    Note(*m, 0, 0, 0, 69, 9, 12, -4);
    Note(*m, 0, 2, 3, 252, 3, 7);
    Note(*m, 0, 3, 1, 150, 5, 7);  // unplayable: instrument 5 gets no image
    Global(*m, 0, 32, 1, kGlobalCB, 0x77);
    const auto f = CompileDADIVEV(*m);

    const std::vector<uint8_t> header = {'D', 'A', 'D', 'I', 'V', 'E', 'V', 3, 0x03, 40, 0xA5, 2, 0, 0,
                                         2, 0,   // steps
                                         0, 0,   // loop step
                                         6, 0};  // blocks: a 32-line step and a 1-line step

    ASSERT_GE(f.size(), 32u);
    EXPECT_EQ(std::vector<uint8_t>(f.begin(), f.begin() + 20), header);
    // Instrument 3's image after the table, 17 bytes; then instrument 9's.
    EXPECT_EQ(f[28] | (f[29] << 8), 32);
    EXPECT_EQ(f[30] | (f[31] << 8), 32 + 17);
    const std::vector<uint8_t> still = {0x00, 0, 0xFF, 7, 0,  // 7 frames of phase 0 left
                                        0x40, 0, 8, 0x40, 0, 8, 0x40, 0, 8, 0xC0, 0, 0};
    EXPECT_EQ(std::vector<uint8_t>(f.begin() + 32, f.begin() + 49), still);
    // Instrument 9: envelope 0x91 + 0x10 after the first frame, which ended phase 0; phase 1
    // (speed 2, strength 15: 10, 28, 28, 10 scaled to 35) with its curve, then phases 2-4.
    const size_t ins9 = 49;
    EXPECT_EQ(f[ins9], 0x08 | 0x40);
    EXPECT_EQ(f[ins9 + 1], 0);
    EXPECT_EQ(f[ins9 + 2], 0xA1);
    EXPECT_EQ(f[ins9 + 3], 8);
    EXPECT_EQ(f[ins9 + 4], 0);  // phase 0 has no vibrato
    EXPECT_EQ(static_cast<int8_t>(f[ins9 + 5]), 12);
    EXPECT_EQ(static_cast<int8_t>(f[ins9 + 6]), 35);
    EXPECT_EQ(static_cast<int8_t>(f[ins9 + 9]), -12);
    const std::vector<uint8_t> rest = {0x40, 0, 8, 0x40, 0, 8, 0xC0, 0, 0};
    EXPECT_EQ(std::vector<uint8_t>(f.begin() + ins9 + 37, f.begin() + ins9 + 46), rest);
    const size_t steps = ins9 + 46;
    EXPECT_EQ(U32LE(f, 20), steps);
    EXPECT_EQ(U32LE(f, 24), steps + 2 * 14);

    EXPECT_EQ(f[steps], 32);
    EXPECT_EQ(f[steps + 1], 0);
    EXPECT_EQ(f[steps + 14], 1);
    EXPECT_EQ(f[steps + 15], 0);

    // Channel 0 of step 0: the note (image, volume 12, attenuation 15 - 7 at level 9, period
    // 254 - 4 = 250), then rest of 32 lines. The first block follows the steps directly, on
    // page 0.
    const size_t part3 = U32LE(f, 24);
    const size_t at = f[steps + 2] | (f[steps + 3] << 8);
    EXPECT_EQ(f[steps + 4], 0);
    EXPECT_EQ(at, part3);
    const std::vector<uint8_t> expected = {0x20, 49, 0, 12, 8, 250, 0, 0x1F};
    EXPECT_EQ(std::vector<uint8_t>(f.begin() + at, f.begin() + at + 8), expected);
    // Step 1's channel 0 block starts with the marker, the global commands coming first.
    const size_t at1 = f[steps + 16] | (f[steps + 17] << 8);
    EXPECT_EQ(std::vector<uint8_t>(f.begin() + at1, f.begin() + at1 + 3), std::vector<uint8_t>({0x32, 0x77, 0}));
}

TEST(Dadivev, LineEventsEndWithTheirNote) {
    // "PV" goes ahead of the note, a "VO" on the note's line becomes its volume, a "VO" without
    // a note stays a command, and the noise channel's "PV" is left out.
    auto m = NewModule();
    m->SetPatternLength(0, 4);
    Note(*m, 0, 0, 1, 60, 0, 15);
    Effect(*m, 0, 0, 1, kEffectPV, 0x12);
    Note(*m, 0, 1, 1, 60, 0, 15);
    Effect(*m, 0, 1, 1, kEffectVO, 6);
    Effect(*m, 0, 2, 1, kEffectVO, 9);
    Note(*m, 0, 3, 1, 150);  // unplayable: a note-off, after the "VO"
    Effect(*m, 0, 3, 1, kEffectVO, 4);
    Note(*m, 0, 0, 3, 250, 0, 15);
    Effect(*m, 0, 0, 3, kEffectPV, 0x12);
    const auto f = CompileDADIVEV(*m);
    const size_t steps = U32LE(f, 20);
    auto block = [&](int lane, size_t n) {
        const size_t at = f[steps + 2 + 3 * lane] | (f[steps + 3 + 3 * lane] << 8);
        return std::vector<uint8_t>(f.begin() + at, f.begin() + at + n);
    };
    const uint8_t period = gNotePeriods[60] & 0xFF, high = gNotePeriods[60] >> 8;
    EXPECT_EQ(block(1, 25), std::vector<uint8_t>({0x23, 0x12, 0x20, 30, 0, 15, 0, period, high, 0,
                                                  0x20, 30, 0, 6, 9, period, high, 0,
                                                  0x24, 9, 0,
                                                  0x24, 4, 0x22, 0}));
    EXPECT_EQ(block(3, 7), std::vector<uint8_t>({0x21, 30, 0, 15, 0, 0xE3, 3}));
}

TEST(Dadivev, PeriodsKeepTheirTenBitsAndBlocksStayWithinAPage) {
    // A detune below period 0 wraps within ten bits, as the chip does.
    auto m = NewModule();
    m->SetPatternLength(0, 1);
    Note(*m, 0, 0, 0, 119, 0, 15, -99);
    const auto f = CompileDADIVEV(*m);
    const size_t block = U32LE(f, 24);
    ASSERT_EQ(f[block], 0x20);
    EXPECT_EQ(f[block + 5] | (f[block + 6] << 8), (gNotePeriods[119] - 99) & 0x3FF);

    // Blocks of random notes beyond 16 KB: none crosses a page, and every step's two parts
    // of a block's place agree.
    auto big = NewModule();
    std::mt19937 rng(5);
    for (int p = 0; p < 8; ++p) {
        big->MakePattern(p);
        big->SetPatternLength(p, 256);
        for (int l = 0; l < 256; ++l)
            for (int c = 0; c < 3; ++c)
                Note(*big, p, l, c, static_cast<uint8_t>(45 + rng() % 75), 0, static_cast<uint8_t>(rng() % 16),
                     static_cast<int8_t>(rng() % 64));
        big->orderList[p] = static_cast<uint8_t>(p);
    }
    big->songLength = 8;
    const auto g = CompileDADIVEV(*big);
    ASSERT_GT(g.size(), 2u * 16384);
    const size_t steps = U32LE(g, 20);
    const int stepCount = g[14] | (g[15] << 8);
    int onLaterPages = 0;
    for (int s = 0; s < stepCount; ++s)
        for (int lane = 0; lane < 4; ++lane) {
            const uint8_t* p = &g[steps + s * 14 + 2 + 3 * lane];
            EXPECT_EQ(p[1] >> 6, p[2] & 3);
            const size_t at = (static_cast<size_t>(p[2]) << 14) | ((p[1] & 0x3F) << 8) | p[0];
            // The block's last byte is its last end of line; it lies on the same page.
            size_t end = at;
            int lines = 0;
            while (lines < g[steps + s * 14]) {
                const uint8_t code = g[end++];
                if (code < 0x20) lines += code + 1;
                else end += code == 0x20 ? 6 : code == 0x21 ? 5 : code == 0x22 ? 0 : 1;
            }
            EXPECT_EQ(at / 16384, (end - 1) / 16384) << s << " " << lane;
            if (p[2] > 0) ++onLaterPages;
        }
    EXPECT_GT(onLaterPages, 0);
    DadivevPlayer player;
    player.Load(g);
    EXPECT_TRUE(player.Loaded());
}

TEST(Dadivev, RepeatedBlocksAreStoredOnce) {
    auto m = NewModule();
    for (int l = 0; l < 64; l += 4) Note(*m, 0, l, 0, static_cast<uint8_t>(60 + l / 4));
    Note(*m, 0, 1, 3, 251);
    const auto once = CompileDADIVEV(*m);

    m->orderList[1] = 0;
    m->orderList[2] = 0;
    m->songLength = 3;
    const auto thrice = CompileDADIVEV(*m);
    // Only four more steps of 14 bytes; no block is added.
    EXPECT_EQ(thrice.size(), once.size() + 4 * 14);
    DadivevPlayer a, b;
    a.Load(once);
    b.Load(thrice);
    EXPECT_EQ(a.BlockCount(), b.BlockCount());
    EXPECT_EQ(b.StepCount(), 6);

    // A second pattern with the same first half shares those blocks.
    m->MakePattern(1);
    for (int l = 0; l < 32; ++l) m->patterns[1].lines[l] = m->patterns[0].lines[l];
    Note(*m, 1, 40, 2, 80);
    m->orderList[1] = 1;
    m->songLength = 2;
    DadivevPlayer c;
    c.Load(CompileDADIVEV(*m));
    // Step 2's channel 2 and step 3's lanes: the only new blocks are channel 2 of the
    // second half (with the note) and nothing else.
    EXPECT_EQ(c.BlockCount(), a.BlockCount() + 1);
}

TEST(Dadivev, MarkersAreReportedInTheFrameTheirLineIsRead) {
    auto m = NewModule();
    m->initialSpeed = 16;  // two frames per line
    m->SetPatternLength(0, 4);
    Global(*m, 0, 1, 0, kGlobalCB, 0x10);
    Global(*m, 0, 3, 0, kGlobalCB, 0x20);
    Global(*m, 0, 3, 1, kGlobalCB, 0x21);
    DadivevPlayer console;
    console.Load(CompileDADIVEV(*m));
    std::vector<std::pair<int, std::vector<uint8_t>>> seen;
    for (int frame = 0; frame < 16; ++frame) {
        console.PlayFrame();
        if (!console.Markers().empty()) seen.emplace_back(frame, console.Markers());
    }
    const std::vector<std::pair<int, std::vector<uint8_t>>> expected = {
        {2, {0x10}}, {6, {0x20, 0x21}}, {10, {0x10}}, {14, {0x20, 0x21}}};
    EXPECT_EQ(seen, expected);
}

TEST(Dadivev, ReplayerStartsWithTheInitialStereo) {
    auto m = NewModule();
    m->initialStereo = 0x0F;
    m->SetPatternLength(0, 2);
    Global(*m, 0, 1, 0, kGlobalST, 0xF0);
    DadivevPlayer console;
    console.Load(CompileDADIVEV(*m));
    console.PlayFrame();
    EXPECT_EQ(console.Chip().Registers().stereo, 0x0F);
    for (int i = 0; i < 6; ++i) console.PlayFrame();
    EXPECT_EQ(console.Chip().Registers().stereo, 0xF0);
}

TEST(Dadivev, ExportWritesTheCompiledFileAndNamesItselfOnFailure) {
    auto m = NewModule();
    Note(*m, 0, 0, 0, 60);
    const std::string path = TempPath("song.dadivev");
    ExportDADIVEV(*m, path);
    EXPECT_EQ(ReadFile(path), CompileDADIVEV(*m));

    const std::string bad = TempPath("no-such-dir/song.dadivev");
    try {
        ExportDADIVEV(*m, bad);
        FAIL() << "no exception";
    } catch (const Exception& e) {
        EXPECT_NE(std::string(e.Message()).find("Module::ExportDADIVEV()"), std::string::npos);
    }
    EXPECT_FALSE(std::filesystem::exists(bad));
}

TEST(DadivevPlayer, RefusesDamagedFilesWithoutReadingOutside) {
    auto m = NewModule();
    MakeLivelyInstrument(m->instruments[1], 0);
    Note(*m, 0, 0, 0, 60, 1);
    Note(*m, 0, 5, 3, 249, 1);
    Effect(*m, 0, 7, 1, kEffectPV, 3);
    Global(*m, 0, 9, 0, kGlobalCB, 1);
    const auto good = CompileDADIVEV(*m);

    // Every truncation is refused with a ParseException.
    for (size_t n = 0; n < good.size(); ++n) {
        DadivevPlayer p;
        EXPECT_THROW(p.Load(good.data(), n), ParseException) << n;
        EXPECT_FALSE(p.Loaded());
        p.PlayFrame();  // harmless without a song
    }
    // Every single-byte change either loads and plays, or is refused.
    std::mt19937 rng(7);
    for (size_t i = 0; i < good.size(); ++i) {
        for (int k = 0; k < 3; ++k) {
            auto bad = good;
            bad[i] = static_cast<uint8_t>(rng());
            DadivevPlayer p;
            try {
                p.Load(bad);
            } catch (const ParseException&) {
                continue;
            }
            for (int f = 0; f < 3000; ++f) p.PlayFrame();
        }
    }
}

TEST(DadivevPlayer, NamesWhatIsWrong) {
    auto m = NewModule();
    Note(*m, 0, 0, 0, 60);
    auto f = CompileDADIVEV(*m);
    struct Case {
        size_t at;
        uint8_t value;
        const char* message;
    };
    const size_t firstBlock = U32LE(f, 24);
    const size_t firstStep = U32LE(f, 20);
    const Case cases[] = {
        {0, 'X', "DadivevPlayer::Load(): Not a DADIVEV file"},
        {7, 1, "DadivevPlayer::Load(): Unknown version"},
        {8, 4, "DadivevPlayer::Load(): Unknown flags"},
        {11, 17, "DadivevPlayer::Load(): Too many instruments"},
        {16, 9, "DadivevPlayer::Load(): Bad step count"},
        {12, 1, "DadivevPlayer::Load(): Unknown flags"},
        {20, 40, "DadivevPlayer::Load(): Bad part offsets"},
        {firstBlock, 0x2F, "DadivevPlayer::Load(): Unknown command"},
        {firstBlock + 6, 4, "DadivevPlayer::Load(): Bad period"},
        {firstBlock + 4, 16, "DadivevPlayer::Load(): Bad attenuation"},
        {firstBlock + 1, 31, "DadivevPlayer::Load(): Bad instrument"},  // not where an image starts
        {firstStep + 4, 1, "DadivevPlayer::Load(): Bad block offset"},
        {firstStep + 3, 0x40, "DadivevPlayer::Load(): Bad block offset"},
        {firstStep + 2, 0, "DadivevPlayer::Load(): Bad block offset"},
        {28, 31, "DadivevPlayer::Load(): Bad instrument"},  // the image table
        {30, 0x01, "DadivevPlayer::Load(): Bad instrument"},  // a flag that means nothing
        {44, 0x40, "DadivevPlayer::Load(): Bad instrument"},  // no last phase before the steps
        {18, 7, "DadivevPlayer::Load(): Bad block count"},
    };
    for (const Case& c : cases) {
        auto bad = f;
        bad[c.at] = c.value;
        DadivevPlayer p;
        try {
            p.Load(bad);
            ADD_FAILURE() << c.message;
        } catch (const ParseException& e) {
            EXPECT_STREQ(e.Message(), c.message);
        }
    }
}

// The same for steps, blocks and a file that ends early, on a song with a tone note on
// channel 0 and a noise note on channel 3.
TEST(DadivevPlayer, NamesWhatIsWrongInStepsAndBlocks) {
    auto m = NewModule();
    Note(*m, 0, 0, 0, 60);
    Note(*m, 0, 0, 3, 249);
    const auto f = CompileDADIVEV(*m);
    const size_t steps = U32LE(f, 20);
    const size_t blocks = U32LE(f, 24);
    const auto blockOf = [&](int lane) {
        return size_t{f[steps + 2 + 3 * lane]} | f[steps + 3 + 3 * lane] << 8;
    };
    const size_t tone = blockOf(0), noise = blockOf(3);
    ASSERT_EQ(tone, blocks);
    ASSERT_EQ(f[tone], 0x20);
    ASSERT_EQ(f[tone + 7], 0x1F);  // the end of line after the note, all 32 lines
    ASSERT_EQ(f[noise], 0x21);
    ASSERT_EQ(noise + 7, f.size());  // the noise block comes last

    struct Case {
        size_t at;
        uint8_t value;
        size_t size;  // of the file that is loaded, with the change made
        const char* message;
    };
    const Case cases[] = {
        {steps, 0, f.size(), "Bad step length"},
        {steps, 33, f.size(), "Bad step length"},
        {18, 0, f.size(), "No blocks"},
        {14, 0, f.size(), "Bad step count"},
        {16, 2, f.size(), "Bad step count"},
        // 31 lines, then the next block's 32 are read as this one's.
        {tone + 7, 0x1E, f.size(), "Block does not fit its step"},
        {tone + 7, 0x20, f.size(), "Bad instrument"},  // a note made of the next block's bytes
        {tone, 0x21, f.size(), "Unknown command"},     // noise on a tone channel
        {noise, 0x20, f.size(), "Unknown command"},    // a tone note on the noise one
        {noise, 0x23, f.size(), "Unknown command"},    // no pitch offset for noise
        {noise, 0x30, f.size(), "Unknown command"},    // global commands ride in lane 0
        {noise + 5, 0x00, f.size(), "Bad noise control"},
        {noise + 5, 0xE8, f.size(), "Bad noise control"},
        {0, 'D', noise + 3, "Command cut short"},
        {0, 'D', noise + 6, "Block does not fit its step"},
        {0, 'D', noise, "Bad block offset"},
        {0, 'D', blocks, "File too short"},
        {0, 'D', 27, "File too short"},
        {24, 0, f.size(), "Bad part offsets"},
    };
    for (const Case& c : cases) {
        auto bad = f;
        bad[c.at] = c.value;
        DadivevPlayer p;
        try {
            p.Load(bad.data(), c.size);
            ADD_FAILURE() << c.message;
        } catch (const ParseException& e) {
            EXPECT_EQ(std::string(e.Message()), std::string("DadivevPlayer::Load(): ") + c.message)
                << "byte " << c.at << " = " << int(c.value) << ", " << c.size << " bytes";
        }
        EXPECT_FALSE(p.Loaded());
    }
}

// A copy plays on from where the original was, from its own bytes: the original may be gone.
TEST(DadivevPlayer, ACopyPlaysOnByItself) {
    auto m = NewModule();
    MakeLivelyInstrument(m->instruments[1], 0);
    for (int l = 0; l < 64; l += 5) Note(*m, 0, l, l % 3, static_cast<uint8_t>(50 + l), 1);
    Note(*m, 0, 2, 3, 249, 1);
    const auto file = CompileDADIVEV(*m);
    auto original = std::make_unique<DadivevPlayer>();
    original->Load(file);
    for (int f = 0; f < 100; ++f) original->PlayFrame();
    DadivevPlayer reference = *original;
    auto copy = std::make_unique<DadivevPlayer>(*original);
    original.reset();
    for (int f = 0; f < 2000; ++f) {
        reference.PlayFrame();
        copy->PlayFrame();
        const PsgRegisters& a = reference.Chip().Registers();
        const PsgRegisters& b = copy->Chip().Registers();
        ASSERT_EQ(std::memcmp(a.period, b.period, sizeof a.period), 0) << f;
        ASSERT_EQ(std::memcmp(a.attenuation, b.attenuation, sizeof a.attenuation), 0) << f;
    }
}

TEST(Dadivev, DemoSongGivesThePlayersChipStateOverTwoPasses) {
    const std::string path = std::string(TW_SOURCE_DIR) + "/assets/demo/demo.quavex";
    if (!std::filesystem::exists(path)) GTEST_SKIP() << "no demo song";
    auto m = NewModule();
    ASSERT_TRUE(m->Load(path));
    EXPECT_GT(ExpectSameChipEveryFrame(*m), 1000);
}

TEST(Dadivev, TheDocumentedExampleIsWhatTheExporterWrites) {
    auto m = NewModule();
    m->SetPatternLength(0, 3);
    m->initialSpeed = 48;
    m->instruments[5].startVolume = 0xF0;
    m->instruments[5].volumeAdd[0] = 0xF8;
    m->instruments[5].delay[0] = 4;
    Note(*m, 0, 0, 0, 69, 5, 15);
    Global(*m, 0, 1, 0, kGlobalCB, 0x01);
    Note(*m, 0, 2, 3, 252, 5, 12);
    const std::vector<uint8_t> expected = {
        0x44, 0x41, 0x44, 0x49, 0x56, 0x45, 0x56, 0x03, 0x00, 0x30, 0xFF, 0x01, 0x00, 0x00,
        0x01, 0x00, 0x00, 0x00, 0x03, 0x00, 0x2F, 0x00, 0x00, 0x00, 0x3D, 0x00, 0x00, 0x00,
        0x1E, 0x00,
        0x20, 0xF8, 0xE8, 0x03, 0x00,
        0x40, 0x00, 0x08, 0x40, 0x00, 0x08, 0x40, 0x00, 0x08, 0xC0, 0x00, 0x00,
        0x03, 0x00, 0x3D, 0x00, 0x00, 0x48, 0x00, 0x00, 0x48, 0x00, 0x00, 0x49, 0x00, 0x00,
        0x20, 0x1E, 0x00, 0x0F, 0x00, 0xFE, 0x00, 0x00, 0x32, 0x01, 0x01,
        0x02,
        0x01, 0x21, 0x1E, 0x00, 0x0C, 0x03, 0xE5, 0x00};
    EXPECT_EQ(CompileDADIVEV(*m), expected);
}
