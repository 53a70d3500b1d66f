// VGM export: exact bytes of header, commands and tag, and an independent player library
// that must load the file and play the same pitches as our own chip.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>

#include "app/Exceptions.h"
#include "export/VgmExport.h"
#include "sound/Player.h"
#include "tests/export/ExportTestUtil.h"

#ifdef TW_HAVE_LIBGME
#include <gme/gme.h>
#endif

using namespace exporttest;

namespace {

// Everything the empty song's first frame writes: all attenuations off, all periods 0.
const std::vector<uint8_t> kFirstFrameOfSilence = {
    0x50, 0x9F, 0x50, 0x80, 0x50, 0x00,  // channel 0
    0x50, 0xBF, 0x50, 0xA0, 0x50, 0x00,  // channel 1
    0x50, 0xDF, 0x50, 0xC0, 0x50, 0x00,  // channel 2
    0x50, 0xFF,                          // channel 3
};

std::vector<uint8_t> Gd3String(const std::string& s) {
    std::vector<uint8_t> out;
    for (char c : s) {
        out.push_back(static_cast<uint8_t>(c));
        out.push_back(0);
    }
    out.push_back(0);
    out.push_back(0);
    return out;
}

// Data commands between 0x40 and the end command.
std::vector<uint8_t> Commands(const std::vector<uint8_t>& vgm) {
    const size_t gd3 = 0x14 + U32LE(vgm, 0x14);
    return std::vector<uint8_t>(vgm.begin() + 0x40, vgm.begin() + gd3 - 1);
}

}  // namespace

TEST(VgmExport, EmptyNtscSongIsExactlyTheseBytes) {
    auto m = NewModule();
    const std::vector<uint8_t> vgm = BuildVGM(*m);

    // 64 lines at 6 frames each: 384 frames, one wait each.
    std::vector<uint8_t> data = kFirstFrameOfSilence;
    data.push_back(0x62);
    data.insert(data.end(), 383, 0x62);
    data.push_back(0x66);

    std::vector<uint8_t> tag = {'G', 'd', '3', ' ', 0x00, 0x01, 0x00, 0x00, 0, 0, 0, 0};
    const char* strings[11] = {"", "", "", "", "Sega Master System / Game Gear", "", "", "", "",
                               "Tonweave VGM Exporter", ""};
    size_t tagLength = 0;
    for (const char* s : strings) {
        const auto bytes = Gd3String(s);
        tag.insert(tag.end(), bytes.begin(), bytes.end());
        tagLength += bytes.size();
    }
    EXPECT_EQ(tagLength, 124u);
    tag[8] = static_cast<uint8_t>(tagLength);

    const size_t size = 0x40 + data.size() + tag.size();
    const uint32_t gd3Offset = static_cast<uint32_t>(0x40 + data.size() - 0x14);
    const uint32_t samples = 384 * 735;
    const uint8_t header[64] = {
        'V', 'g', 'm', ' ',
        static_cast<uint8_t>(size - 4), static_cast<uint8_t>((size - 4) >> 8), 0, 0,
        0x50, 0x01, 0x00, 0x00,
        0x99, 0x9E, 0x36, 0x00,  // 3579545
        0, 0, 0, 0,
        static_cast<uint8_t>(gd3Offset), static_cast<uint8_t>(gd3Offset >> 8), 0, 0,
        static_cast<uint8_t>(samples), static_cast<uint8_t>(samples >> 8),
        static_cast<uint8_t>(samples >> 16), 0,
        0, 0, 0, 0,
        0, 0, 0, 0,
        60, 0, 0, 0,
        0x09, 0x00, 16, 0,
        0, 0, 0, 0,
        0, 0, 0, 0,
        12, 0, 0, 0,
        0, 0, 0, 0, 0, 0, 0, 0,
    };
    std::vector<uint8_t> expected(header, header + 64);
    expected.insert(expected.end(), data.begin(), data.end());
    expected.insert(expected.end(), tag.begin(), tag.end());
    EXPECT_EQ(vgm, expected);
}

TEST(VgmExport, ChipTypeSetsClockRateAndWaitAndDividerHalvesOnlyTheClock) {
    struct Case {
        uint8_t chipType, divider;
        uint32_t clock, rate, samplesPerFrame;
        uint8_t wait;
    };
    const Case cases[] = {
        {0, 0, 3579545, 60, 735, 0x62},
        {1, 0, 3546893, 50, 882, 0x63},
        {0, 1, 1789772, 60, 735, 0x62},
        {1, 1, 1773446, 50, 882, 0x63},
    };
    std::vector<uint8_t> commandsAt1x[2];
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "chip " << int(c.chipType) << " divider " << int(c.divider));
        auto m = NewModule(c.chipType, c.divider);
        Note(*m, 0, 0, 0, 69, 0, 15, 3);
        Note(*m, 0, 8, 3, 252);
        const auto vgm = BuildVGM(*m);
        EXPECT_EQ(U32LE(vgm, 0x0C), c.clock);
        EXPECT_EQ(U32LE(vgm, 0x24), c.rate);
        EXPECT_EQ(U32LE(vgm, 0x18), 384 * c.samplesPerFrame);
        const auto commands = Commands(vgm);
        size_t waits = 0;
        for (size_t i = 0; i < commands.size(); ++i) {
            if (commands[i] == 0x50 || commands[i] == 0x4F) {
                ++i;
                continue;
            }
            EXPECT_EQ(commands[i], c.wait);
            ++waits;
        }
        EXPECT_EQ(waits, 384u);
        // The periods (and every other command) are the same at either divider.
        if (c.divider == 0) {
            commandsAt1x[c.chipType] = commands;
        } else {
            EXPECT_EQ(commands, commandsAt1x[c.chipType]);
        }
    }
}

TEST(VgmExport, NoteWritesPeriodAndAttenuationOnlyWhenTheyChange) {
    auto m = NewModule();
    m->initialSpeed = 8;
    m->SetPatternLength(0, 3);
    Note(*m, 0, 0, 1, 69, 0, 15, 0);   // period 254 = 0x0FE, attenuation 0
    Note(*m, 0, 2, 1, 69, 0, 8, -2);  // period 252 = 0x0FC, volume 8 -> attenuation 7
    const auto commands = Commands(BuildVGM(*m));
    const std::vector<uint8_t> expected = {
        0x50, 0x9F, 0x50, 0x80, 0x50, 0x00,              // channel 0 silent
        0x50, 0xB0, 0x50, 0xAE, 0x50, 0x0F,              // channel 1: attenuation 0, period 0x0FE
        0x50, 0xDF, 0x50, 0xC0, 0x50, 0x00, 0x50, 0xFF,  // channels 2, 3
        0x62,
        0x62,                                            // line 1: nothing changes
        0x50, 0xB7, 0x50, 0xAC, 0x50, 0x0F, 0x62,        // line 2
    };
    EXPECT_EQ(commands, expected);
}

TEST(VgmExport, NoiseRestartInTheSameModeStillWritesTheControlByte) {
    auto m = NewModule();
    m->initialSpeed = 8;
    m->SetPatternLength(0, 2);
    Note(*m, 0, 0, 3, 251);  // white noise, high
    Note(*m, 0, 1, 3, 251);
    const auto commands = Commands(BuildVGM(*m));
    std::vector<uint8_t> expected = {
        0x50, 0x9F, 0x50, 0x80, 0x50, 0x00, 0x50, 0xBF, 0x50, 0xA0, 0x50, 0x00,
        0x50, 0xDF, 0x50, 0xC0, 0x50, 0x00,
        0x50, 0xF0,  // channel 3 attenuation comes first ...
        0x50, 0xE4,  // ... then the control byte
        0x62,
        0x50, 0xE4, 0x62,  // same mode, written again
    };
    EXPECT_EQ(commands, expected);
}

TEST(VgmExport, StereoIsWrittenOnlyWhenItLeavesAllOn) {
    auto m = NewModule();
    m->initialSpeed = 8;
    m->SetPatternLength(0, 3);
    const auto plain = Commands(BuildVGM(*m));
    EXPECT_EQ(std::count(plain.begin(), plain.end(), 0x4F), 0);

    Global(*m, 0, 1, 1, kGlobalST, 0x5A);
    Global(*m, 0, 2, 0, kGlobalST, 0x5A);  // unchanged: nothing written
    const auto commands = Commands(BuildVGM(*m));
    const std::vector<uint8_t> tail = {0x62, 0x4F, 0x5A, 0x62, 0x62};
    ASSERT_GE(commands.size(), tail.size());
    EXPECT_TRUE(std::equal(tail.begin(), tail.end(), commands.end() - tail.size()));
}

TEST(VgmExport, Gd3CarriesTitleAuthorAndNotesAsSixteenBitCodes) {
    auto m = NewModule();
    m->title = "Ab";
    m->author = std::string("K\xE9", 2);  // an 8-bit character becomes code 0xE9
    m->notes = "x\ny";
    const auto vgm = BuildVGM(*m);
    const size_t gd3 = 0x14 + U32LE(vgm, 0x14);
    ASSERT_EQ(vgm[gd3 - 1], 0x66);
    const uint32_t length = U32LE(vgm, gd3 + 8);
    ASSERT_EQ(gd3 + 12 + length, vgm.size());
    std::vector<uint8_t> expected;
    for (const std::string& s : {m->title, std::string(), std::string(), std::string(),
                                 std::string("Sega Master System / Game Gear"), std::string(),
                                 m->author, std::string(), std::string(),
                                 std::string("Tonweave VGM Exporter"), m->notes}) {
        const auto b = Gd3String(s);
        expected.insert(expected.end(), b.begin(), b.end());
    }
    EXPECT_EQ(std::vector<uint8_t>(vgm.begin() + gd3 + 12, vgm.end()), expected);
    EXPECT_EQ(U32LE(vgm, 4), vgm.size() - 4);
}

TEST(VgmExport, PlaysOnePassUpToTheFrameThatLoops) {
    auto m = NewModule();
    m->initialSpeed = 12;  // lines of 2, 1, 2, 1 ... frames
    m->SetPatternLength(0, 5);
    m->MakePattern(1);
    m->SetPatternLength(1, 3);
    m->orderList[1] = 1;
    m->songLength = 2;
    m->repeatPosition = 1;
    const auto vgm = BuildVGM(*m);
    // 8 lines at 1.5 frames: 2+1+2+1+2 + 1+2+1 = 12 frames.
    EXPECT_EQ(U32LE(vgm, 0x18), 12u * 735);
}

TEST(VgmExport, UncreatableFileThrowsAnEmptyMessageAndWritesNothing) {
    auto m = NewModule();
    const std::string path = TempPath("no-such-dir/out.vgm");
    try {
        ExportVGM(*m, path);
        FAIL() << "no exception";
    } catch (const Exception& e) {
        EXPECT_STREQ(e.Message(), "");
    }
    EXPECT_FALSE(std::filesystem::exists(path));
}

TEST(VgmExport, WrittenFileEqualsTheBuiltBytes) {
    auto m = NewModule();
    Note(*m, 0, 0, 0, 60);
    const std::string path = TempPath("song.vgm");
    ExportVGM(*m, path);
    EXPECT_EQ(ReadFile(path), BuildVGM(*m));
}

#ifdef TW_HAVE_LIBGME

namespace {

// Frequency of a square-ish wave from its rising crossings of the mean.
double EstimateFrequency(const std::vector<int16_t>& mono, int rate) {
    double mean = 0;
    for (int16_t s : mono) mean += s;
    mean /= static_cast<double>(mono.size());
    int first = -1, last = -1, crossings = 0;
    for (size_t i = 1; i < mono.size(); ++i) {
        if (mono[i - 1] < mean && mono[i] >= mean) {
            if (first < 0) first = static_cast<int>(i);
            last = static_cast<int>(i);
            ++crossings;
        }
    }
    if (crossings < 2) return 0;
    return (crossings - 1) * static_cast<double>(rate) / (last - first);
}

// Left channel of `seconds` of our own playback, skipping the first frames.
std::vector<int16_t> RenderOurs(const Module& m, int frames) {
    auto player = std::make_unique<Player>();
    player->Bind(m);
    player->Start(0, 0, 0);
    std::vector<int16_t> left;
    for (int f = 0; f < frames; ++f) {
        player->PlayFrame();
        player->chip.RenderFrame(100, 0x0F);
        std::vector<int16_t> pairs(player->chip.SamplesPerFrame() * 2);
        player->chip.ReadSamples(pairs.data(), static_cast<int>(pairs.size() * 2));
        if (f >= 5)
            for (size_t i = 0; i < pairs.size(); i += 2) left.push_back(pairs[i]);
    }
    return left;
}

struct GmeResult {
    int lengthMs = -1;
    std::vector<int16_t> left;
};

GmeResult RenderWithGme(const std::vector<uint8_t>& vgm, int samples) {
    GmeResult r;
    Music_Emu* emu = nullptr;
    if (gme_open_data(vgm.data(), static_cast<long>(vgm.size()), &emu, 44100) != nullptr) return r;
    gme_info_t* info = nullptr;
    if (gme_track_info(emu, &info, 0) == nullptr) {
        r.lengthMs = info->length;
        gme_free_info(info);
    }
    gme_start_track(emu, 0);
    std::vector<short> buffer(static_cast<size_t>(samples) * 2);
    gme_play(emu, static_cast<int>(buffer.size()), buffer.data());
    gme_delete(emu);
    for (size_t i = 0; i < buffer.size(); i += 2) r.left.push_back(buffer[i]);
    r.left.erase(r.left.begin(), r.left.begin() + 4410);  // settle
    return r;
}

}  // namespace

TEST(VgmExportWithGme, LoadsWithTheLengthOfOnePassAndPlaysOurPitch) {
    struct Case {
        uint8_t chipType, divider, note;
        double hertz;
    };
    // Tone channel at A (440 Hz), one at A an octave up at "2x" (back to 440), and PAL.
    const Case cases[] = {{0, 0, 69, 440.0}, {0, 1, 81, 440.0}, {1, 0, 76, 659.3}, {1, 1, 57, 110.0}};
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "chip " << int(c.chipType) << " divider "
                                        << int(c.divider) << " note " << int(c.note));
        auto m = NewModule(c.chipType, c.divider);
        Note(*m, 0, 0, 0, c.note);
        const auto vgm = BuildVGM(*m);
        const int rate = c.chipType ? 50 : 60;
        const GmeResult gme = RenderWithGme(vgm, 44100 * 2);
        ASSERT_FALSE(gme.left.empty()) << "the library did not load the file";
        EXPECT_NEAR(gme.lengthMs, 384 * 1000 / rate, 1);

        const auto ours = RenderOurs(*m, rate * 2);
        const double fOurs = EstimateFrequency(ours, 44100);
        const double fGme = EstimateFrequency(gme.left, 44100);
        EXPECT_NEAR(fOurs, c.hertz, c.hertz * 0.01);
        // Our chip runs at the frame-locked clock, the log names the nominal one; the
        // pitches differ by exactly their ratio.
        const double ratio = c.chipType ? 3546893.0 / 3568200.0 : 3579545.0 / 3584160.0;
        EXPECT_NEAR(fGme, fOurs * ratio, fOurs * 0.002);
    }
}

TEST(VgmExportWithGme, ChangingNotesKeepTheirPitchesInOrder) {
    auto m = NewModule();
    m->initialSpeed = 8 * 30;  // half a second per line
    m->SetPatternLength(0, 3);
    Note(*m, 0, 0, 2, 57);
    Note(*m, 0, 1, 2, 64);
    Note(*m, 0, 2, 2, 72, 0, 15, 5);
    const auto vgm = BuildVGM(*m);
    const GmeResult gme = RenderWithGme(vgm, 44100 * 3 / 2);
    ASSERT_FALSE(gme.left.empty()) << "the library did not load the file";
    // Worked out by hand at the log's 3579545 Hz, rising line by line: A (period 508),
    // E a fifth above (339), then C with a detune of 5 (214 + 5), flatter than its 523 Hz.
    const double expected[3] = {3579545.0 / 32 / 508, 3579545.0 / 32 / 339, 3579545.0 / 32 / 219};
    double previous = 0;
    for (int line = 0; line < 3; ++line) {
        SCOPED_TRACE(line);
        // The middle of each half second (gme's lead-in of 0.1 s was cut).
        const size_t from = static_cast<size_t>(line) * 22050 + 5000 - 4410;
        const std::vector<int16_t> g(gme.left.begin() + from, gme.left.begin() + from + 11025);
        const auto [low, high] = std::minmax_element(g.begin(), g.end());
        EXPECT_GT(*high - *low, 1000) << "silent";
        const double f = EstimateFrequency(g, 44100);
        EXPECT_NEAR(f, expected[line], expected[line] * 0.002);
        EXPECT_GT(f, previous * 1.4);
        previous = f;
    }
}

TEST(VgmExportWithGme, EveryRandomSongLoadsWithTheLengthOfOnePass) {
    for (unsigned seed = 0; seed < 30; ++seed) {
        SCOPED_TRACE(seed);
        auto m = RandomModule(seed * 31u + 5);
        // One pass counted by a player of our own.
        auto player = std::make_unique<Player>();
        player->Bind(*m);
        player->Start(0, 0, 0);
        int frames = 0;
        do {
            player->PlayFrame();
            ++frames;
        } while (!player->looped);
        const auto vgm = BuildVGM(*m);
        const int rate = m->chipType ? 50 : 60;
        EXPECT_EQ(U32LE(vgm, 0x18), static_cast<uint32_t>(frames * 44100 / rate));
        const GmeResult gme = RenderWithGme(vgm, 44100);
        EXPECT_NEAR(gme.lengthMs, frames * 1000.0 / rate, 1.0);
    }
}

#endif
