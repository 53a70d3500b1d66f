// Looping VGM logs: without the option the log is what it always was; with it the looped
// part follows once more behind a full register state, the header marks it, and an
// independent player repeats it with the tracker's pitches.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>

#include "export/VgmExport.h"
#include "import/Importers.h"
#include "sound/Player.h"
#include "tests/export/ExportTestUtil.h"

#ifdef TW_HAVE_LIBGME
#include <gme/gme.h>
#endif

using namespace exporttest;

namespace {

uint64_t Fnv1a(const std::vector<uint8_t>& bytes) {
    uint64_t h = 0xcbf29ce484222325ull;
    for (uint8_t b : bytes) h = (h ^ b) * 0x100000001b3ull;
    return h;
}

// Two lines of intro, then three looped lines of half a second each on channel 0.
std::unique_ptr<Module> IntroAndLoop() {
    auto m = NewModule();
    m->initialSpeed = 8 * 30;
    m->SetPatternLength(0, 2);
    Note(*m, 0, 0, 0, 57);
    Note(*m, 0, 1, 0, 60);
    m->MakePattern(1);
    m->SetPatternLength(1, 3);
    Note(*m, 1, 0, 0, 64);
    Note(*m, 1, 1, 0, 67);
    Note(*m, 1, 2, 0, 71);
    Note(*m, 1, 2, 3, 250);
    Global(*m, 1, 1, 0, kGlobalST, 0x3F);
    m->orderList[1] = 1;
    m->songLength = 2;
    m->repeatPosition = 1;
    return m;
}

}  // namespace

TEST(VgmLoop, WithoutTheOptionTheLogIsByteForByteAsBefore) {
    // Digests of the logs the exporter wrote before looping existed.
    struct Case {
        std::string path;
        size_t size;
        uint64_t digest;
    };
    const Case cases[] = {
        {std::string(TW_SOURCE_DIR) + "/assets/demo/demo.quavex", 13977, 0x03f2f4ff87f2467cull},
        {std::string(TW_TESTDATA_DIR) + "/mod/flowerpower.mod", 18071, 0x13e66ff778d94755ull},
        {std::string(TW_TESTDATA_DIR) + "/vgm/sms_moonwalker_beatit.vgm", 11925, 0xeb359881ab1a7174ull},
    };
    for (const Case& c : cases) {
        if (!std::filesystem::exists(c.path)) continue;
        SCOPED_TRACE(c.path);
        auto m = NewModule();
        ImportOptions options;
        options.SetChip(0, 0);
        StandardImportHandler handler(options);
        ASSERT_TRUE(m->Load(c.path, &handler));
        const auto vgm = BuildVGM(*m);
        EXPECT_EQ(vgm.size(), c.size);
        EXPECT_EQ(Fnv1a(vgm), c.digest);
        EXPECT_EQ(BuildVGM(*m, false), vgm);
    }
}

TEST(VgmLoop, LoopPartFollowsAFullRegisterStateAndTheHeaderMarksIt) {
    auto m = IntroAndLoop();
    const auto once = BuildVGM(*m);
    const auto looped = BuildVGM(*m, true);
    const size_t onceEnd = 0x14 + U32LE(once, 0x14) - 1;  // the end command
    ASSERT_EQ(once[onceEnd], 0x66);
    // The intro is the one-pass log up to its end command.
    EXPECT_TRUE(std::equal(once.begin() + 0x40, once.begin() + onceEnd, looped.begin() + 0x40));
    const size_t loopAt = 0x1C + U32LE(looped, 0x1C);
    EXPECT_EQ(loopAt, onceEnd);
    // 150 frames of intro, 90 looped.
    EXPECT_EQ(U32LE(looped, 0x18), 240u * 735);
    EXPECT_EQ(U32LE(looped, 0x20), 90u * 735);
    // The state after the frame that looped: every channel, the stereo byte (the song
    // used it) and the noise mode.
    auto player = std::make_unique<Player>();
    player->Bind(*m);
    player->Start(0, 0, 0);
    do player->PlayFrame(); while (!player->looped);
    const PsgRegisters& r = player->chip.Registers();
    std::vector<uint8_t> want;
    for (int c = 0; c < 4; ++c) {
        want.insert(want.end(), {0x50, static_cast<uint8_t>(0x90 | c << 5 | r.attenuation[c])});
        if (c < 3)
            want.insert(want.end(), {0x50, static_cast<uint8_t>(0x80 | c << 5 | (r.period[c] & 15)), 0x50,
                                     static_cast<uint8_t>(r.period[c] >> 4)});
    }
    want.insert(want.end(), {0x4F, r.stereo, 0x50, static_cast<uint8_t>(0xE0 | r.noiseWhite << 2 | r.noiseRate)});
    EXPECT_EQ(std::vector<uint8_t>(looped.begin() + loopAt, looped.begin() + loopAt + want.size()), want);
    EXPECT_EQ(U32LE(looped, 0x04), looped.size() - 4);

    const std::string path = TempPath("loop.vgm");
    ExportVGM(*m, path, true);
    EXPECT_EQ(ReadFile(path), looped);
}

#ifdef TW_HAVE_LIBGME

namespace {

double Frequency(const std::vector<int16_t>& mono, size_t from, size_t count) {
    double mean = 0;
    for (size_t i = from; i < from + count; ++i) mean += mono[i];
    mean /= static_cast<double>(count);
    long first = -1, last = -1, crossings = 0;
    for (size_t i = from + 1; i < from + count; ++i)
        if (mono[i - 1] < mean && mono[i] >= mean) {
            if (first < 0) first = static_cast<long>(i);
            last = static_cast<long>(i);
            ++crossings;
        }
    return crossings < 2 ? 0 : (crossings - 1) * 44100.0 / static_cast<double>(last - first);
}

}  // namespace

TEST(VgmLoop, IndependentPlayerRepeatsTheLoopWithTheTrackersPitches) {
    auto m = IntroAndLoop();
    Note(*m, 1, 2, 3, 255);  // no noise: the pitch estimate wants one square wave
    const auto vgm = BuildVGM(*m, true);
    Music_Emu* emu = nullptr;
    ASSERT_EQ(gme_open_data(vgm.data(), static_cast<long>(vgm.size()), &emu, 44100), nullptr);
    gme_info_t* info = nullptr;
    ASSERT_EQ(gme_track_info(emu, &info, 0), nullptr);
    EXPECT_NEAR(info->intro_length, 2500, 1);  // 150 frames
    EXPECT_NEAR(info->loop_length, 1500, 1);  // 90 frames
    gme_free_info(info);
    gme_start_track(emu, 0);
    const int frames = 150 + 2 * 90;  // the intro and two loops
    std::vector<short> stereo(static_cast<size_t>(frames) * 735 * 2);
    gme_play(emu, static_cast<int>(stereo.size()), stereo.data());
    gme_delete(emu);
    std::vector<int16_t> theirs;
    for (size_t i = 0; i < stereo.size(); i += 2) theirs.push_back(stereo[i]);

    // The tracker's own render of the same frames: its first, second and third pass.
    auto player = std::make_unique<Player>();
    player->Bind(*m);
    player->Start(0, 0, 0);
    std::vector<int16_t> ours;
    for (int f = 0; f < frames; ++f) {
        player->PlayFrame();
        player->chip.RenderFrame(100, 0x0F);
        std::vector<int16_t> pairs(player->chip.SamplesPerFrame() * 2);
        player->chip.ReadSamples(pairs.data(), static_cast<int>(pairs.size() * 2));
        for (size_t i = 0; i < pairs.size(); i += 2) ours.push_back(pairs[i]);
    }
    // Our chip runs at the frame-locked clock, the log names the nominal one.
    const double ratio = 3579545.0 / 3584160.0;
    const double notes[8] = {57, 60, 64, 67, 71, 64, 67, 71};
    for (int line = 0; line < 8; ++line) {
        SCOPED_TRACE(line);
        const size_t from = static_cast<size_t>(line) * 22050 + 5000;
        const double fOurs = Frequency(ours, from, 11025);
        const double fTheirs = Frequency(theirs, from, 11025);
        EXPECT_NEAR(fOurs, 440.0 * std::pow(2.0, (notes[line] - 69) / 12.0), 440.0 * 0.02);
        EXPECT_NEAR(fTheirs, fOurs * ratio, fOurs * 0.003);
    }
}

#endif
