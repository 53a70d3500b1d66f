// A VGM log imported and exported again holds the same chip state frame by frame: the same
// registers for logs made for the module's clock, the same pitches for logs of other clocks,
// whatever the divider. The logs are read here by a register model of the test's own.
#include <gtest/gtest.h>
#include <zlib.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <memory>

#include "ImportTestUtil.h"
#include "export/VgmExport.h"

using namespace importtest;
namespace fs = std::filesystem;

namespace {

struct ChipFrame {
    uint16_t period[3];
    uint8_t attenuation[4];
};

struct LogFrames {
    double clock = 0;
    std::vector<ChipFrame> frames;
};

uint32_t U32(const Bytes& b, size_t at) {
    return at + 4 <= b.size()
               ? b[at] | b[at + 1] << 8 | b[at + 2] << 16 | static_cast<uint32_t>(b[at + 3]) << 24
               : 0;
}

// The registers of an uncompressed log once per frame of `samplesPerFrame`, taken where a
// frame's worth of waiting has begun (the moment the tracker cuts a line).
LogFrames ReadFrames(const Bytes& log, int samplesPerFrame) {
    LogFrames out;
    out.clock = U32(log, 0x0C) & 0x3FFFFFFF;
    size_t at = 0x40;
    if (U32(log, 0x08) >= 0x150 && U32(log, 0x34) != 0) at = 0x34 + U32(log, 0x34);
    const size_t end = std::min<size_t>(log.size(), U32(log, 0x04) + 4);
    ChipFrame chip = {{0, 0, 0}, {15, 15, 15, 15}};
    int latched = 0;  // channel * 2 + (1 for attenuation)
    long wait = 0;
    while (at < end) {
        const uint8_t c = log[at++];
        auto operand = [&](size_t i) { return at + i < end ? log[at + i] : 0; };
        if (c == 0x66) break;
        if (c == 0x50) {
            const uint8_t v = operand(0);
            at += 1;
            if (v & 0x80) latched = (v >> 5 & 3) * 2 + (v >> 4 & 1);
            const int channel = latched / 2;
            if (latched & 1)
                chip.attenuation[channel] = v & 15;
            else if (channel < 3)
                chip.period[channel] = v & 0x80 ? (chip.period[channel] & 0x3F0) | (v & 15)
                                                : (chip.period[channel] & 15) | (v & 0x3F) << 4;
        } else if (c == 0x61) {
            wait += operand(0) | operand(1) << 8;
            at += 2;
        } else if (c == 0x62 || c == 0x63) {
            wait += c == 0x62 ? 735 : 882;
        } else if (c == 0x67) {
            at += 6 + U32(log, at + 2);
        } else if (c >= 0x70 && c <= 0x8F) {
            wait += c < 0x80 ? (c & 15) + 1 : c & 15;
        } else if (c == 0x4F || (c >= 0x30 && c <= 0x3F)) {
            at += 1;
        } else if ((c >= 0x40 && c <= 0x5F) || (c >= 0xA0 && c <= 0xBF)) {
            at += 2;
        } else if (c >= 0xC0 && c <= 0xDF) {
            at += 3;
        } else if (c >= 0xE0) {
            at += 4;
        }
        for (; wait > 0; wait -= samplesPerFrame) out.frames.push_back(chip);
    }
    return out;
}

std::unique_ptr<Module> Imported(const Bytes& log, uint8_t chip, uint8_t divider) {
    auto m = std::make_unique<Module>();
    EXPECT_TRUE(ImportVgm(*m, log.data(), log.size(), VgmOkay(chip, divider)));
    return m;
}

// Share of frames in which tone channel `c` has the same pitch in both logs, within one
// period step of the second log, counting only frames where the channel sounds in the first.
double PitchAgreement(const LogFrames& original, const LogFrames& again, int c) {
    const size_t n = std::min(original.frames.size(), again.frames.size());
    long sounding = 0, agree = 0;
    for (size_t i = 0; i < n; ++i) {
        const ChipFrame &a = original.frames[i], &b = again.frames[i];
        if (a.attenuation[c] == 15 || a.period[c] == 0) continue;
        ++sounding;
        if (b.attenuation[c] != a.attenuation[c] || b.period[c] == 0) continue;
        const double wanted = a.period[c] * again.clock / original.clock;
        agree += std::abs(b.period[c] - wanted) <= 0.5 + 1e-9;
    }
    return sounding ? static_cast<double>(agree) / sounding : 1.0;
}

// A bass line for a 2 MHz chip of a dual-chip board, reaching down to 61 Hz: below the
// lowest tone (109 Hz) a full-clock console chip can play.
Bytes TwoMegahertzBassLog() {
    Bytes commands;
    const int periods[] = {1023, 960, 853, 800, 640, 512, 427, 1000, 900, 700};
    for (int i = 0; i < 60; ++i) {
        const int p = periods[i % 10];
        commands.insert(
            commands.end(),
            {0x50, static_cast<uint8_t>(0x80 | (p & 15)), 0x50, static_cast<uint8_t>(p >> 4), 0x50,
             static_cast<uint8_t>(0x90 | i % 4), 0x50, static_cast<uint8_t>(0xA0 | (p / 3 & 15)),
             0x50, static_cast<uint8_t>(p / 3 >> 4), 0x50, 0xB2, 0x62, 0x62});
    }
    return VgmFile(commands, 2000000u | 0x40000000u);
}

}  // namespace

TEST(VgmRoundTrip, ALogOfAnotherClockKeepsItsPitchAtEitherDivider) {
    const Bytes log = TwoMegahertzBassLog();
    const LogFrames original = ReadFrames(log, 735);
    ASSERT_EQ(original.frames.size(), 120u);
    // At 2x the module's chip runs at 1789772 Hz, where every period of the log fits.
    const LogFrames half = ReadFrames(BuildVGM(*Imported(log, 0, 1)), 735);
    EXPECT_EQ(half.clock, 3579545 / 2);
    ASSERT_GE(half.frames.size(), original.frames.size());
    for (int c = 0; c < 2; ++c) EXPECT_EQ(PitchAgreement(original, half, c), 1.0) << c;
    // At 1x the same pitches need periods up to 1831, beyond the 1023 the chip has; the
    // bass is held at the lowest tone, the upper voice still agrees.
    const LogFrames full = ReadFrames(BuildVGM(*Imported(log, 0, 0)), 735);
    EXPECT_EQ(full.clock, 3579545);
    EXPECT_LT(PitchAgreement(original, full, 0), 0.5);
    EXPECT_EQ(PitchAgreement(original, full, 1), 1.0);
    for (const ChipFrame& f : full.frames) EXPECT_LE(f.period[0], 1023);
}

TEST(VgmRoundTrip, ALogOfTheModulesClockKeepsItsPitchAtHalfClock) {
    // Made for 3579545 Hz, imported at 2x: the periods are halved so the pitch stays.
    Bytes commands;
    for (int p : {254, 508, 1016, 100})
        commands.insert(commands.end(), {0x50, static_cast<uint8_t>(0x80 | (p & 15)), 0x50,
                                         static_cast<uint8_t>(p >> 4), 0x50, 0x90, 0x62});
    const Bytes log = VgmFile(commands);
    const LogFrames again = ReadFrames(BuildVGM(*Imported(log, 0, 1)), 735);
    ASSERT_GE(again.frames.size(), 4u);
    const uint16_t halved[] = {127, 254, 508, 50};
    for (int i = 0; i < 4; ++i) EXPECT_EQ(again.frames[i].period[0], halved[i]) << i;
}

TEST(VgmRoundTrip, RealLogsKeepTheirRegistersInEveryFrame) {
    const std::string dir = TestData("vgm");
    if (!fs::is_directory(dir)) GTEST_SKIP() << "no VGM test files";
    int logs = 0;
    for (const auto& entry : fs::directory_iterator(dir)) {
        const Bytes log = Gunzipped(entry.path().string());
        ASSERT_GE(log.size(), 0x40u) << entry.path();
        for (uint8_t chip : {0, 1}) {
            SCOPED_TRACE(entry.path().filename().string() + (chip ? " PAL" : " NTSC"));
            const int samples = chip ? 882 : 735;
            const LogFrames original = ReadFrames(log, samples);
            const LogFrames again = ReadFrames(BuildVGM(*Imported(log, chip, 0)), samples);
            ASSERT_GT(original.frames.size(), 0u);
            ASSERT_GE(again.frames.size(), original.frames.size());
            long same = 0;
            for (size_t i = 0; i < original.frames.size(); ++i)
                same += std::memcmp(&original.frames[i], &again.frames[i], sizeof(ChipFrame)) == 0;
            EXPECT_EQ(same, static_cast<long>(original.frames.size()));
        }
        ++logs;
    }
    EXPECT_GT(logs, 0);
}
