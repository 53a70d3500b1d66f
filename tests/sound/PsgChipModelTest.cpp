// The optimised chip against the sample-by-sample model: random register scripts over all
// channels, masks, stereo bytes, volumes, noise modes, small periods, clocks and ring use.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <random>
#include <vector>

#include "sound/PsgChip.h"
#include "tests/sound/PsgReferenceModel.h"

namespace {

using reference::ReferencePsg;

struct Pair {
    PsgChip fast;
    ReferencePsg model;
};

void ExpectSameState(const PsgChip& fast, const ReferencePsg& model, const char* where) {
    const PsgRegisters& a = fast.Registers();
    const PsgRegisters& b = model.regs;
    for (int c = 0; c < 3; ++c) {
        ASSERT_EQ(a.period[c], b.period[c]) << where;
        ASSERT_EQ(fast.ToneGenerator(c).counter, model.tone[c].counter) << where << " ch" << c;
        ASSERT_EQ(fast.ToneGenerator(c).flipFlop, model.tone[c].flipFlop) << where << " ch" << c;
    }
    for (int c = 0; c < 4; ++c) ASSERT_EQ(a.attenuation[c], b.attenuation[c]) << where;
    ASSERT_EQ(a.noisePeriod, b.noisePeriod) << where;
    ASSERT_EQ(a.noiseWhite, b.noiseWhite) << where;
    ASSERT_EQ(a.noiseRate, b.noiseRate) << where;
    ASSERT_EQ(a.stereo, b.stereo) << where;
    ASSERT_EQ(a.noiseResetPending, b.noiseResetPending) << where;
    ASSERT_EQ(fast.Latch(), model.latch) << where;
    ASSERT_EQ(fast.NoiseGenerator().counter, model.noise.counter) << where;
    ASSERT_EQ(fast.NoiseGenerator().flipFlop, model.noise.flipFlop) << where;
    ASSERT_EQ(fast.ShiftRegister(), model.shiftRegister) << where;
    ASSERT_EQ(fast.Step(), model.step) << where;
    ASSERT_EQ(fast.Fill(), model.fill) << where;
}

uint16_t RandomPeriod(std::mt19937& rng) {
    switch (rng() % 8) {
        case 0:
            return rng() % 4;  // steady level
        case 1:
            return 4 + rng() % 6;  // edges in (almost) every sample
        case 2:
            return 10 + rng() % 40;  // high notes
        case 3:
            return 0x7FF0 + rng() % 32;  // beyond the register, at the counter's limit
        default:
            return rng() % 1024;
    }
}

uint8_t RandomVolume(std::mt19937& rng) {
    static const uint8_t kVolumes[] = {0, 1, 60, 119, 120, 160, 254, 255};
    return rng() % 3 ? kVolumes[rng() % 8] : static_cast<uint8_t>(rng());
}

// One script: a few dozen frames of random register traffic, rendering and reading, with
// the outputs and the full state compared after every frame.
void RunScript(uint32_t seed, int frames, bool tiny) {
    std::mt19937 rng(seed);
    Pair p;
    const uint8_t pal = rng() % 2, divider = rng() % 3;
    p.fast.SetClock(pal, divider);
    p.model.SetClock(pal, divider);
    std::vector<uint8_t> a(4096), b(4096);
    for (int frame = 0; frame < frames; ++frame) {
        if (rng() % 2) {
            p.fast.ClearNoiseReset();
            p.model.ClearNoiseReset();
        }
        const int ops = rng() % 8;
        for (int i = 0; i < ops; ++i) {
            const int kind = rng() % 16;
            const int channel = rng() % 3;
            if (kind < 5) {
                const uint8_t v = static_cast<uint8_t>(rng());
                p.fast.Write(v);
                p.model.Write(v);
            } else if (kind < 9) {
                const uint16_t v = tiny ? 4 + rng() % 4 : RandomPeriod(rng);
                p.fast.SetPeriod(channel, v);
                p.model.SetPeriod(channel, v);
            } else if (kind < 12) {
                const int c = rng() % 4;
                const uint8_t v = rng() % 3 ? rng() % 16 : 15;
                p.fast.SetAttenuation(c, v);
                p.model.SetAttenuation(c, v);
            } else if (kind < 14) {
                const uint8_t v = static_cast<uint8_t>(rng());
                p.fast.SetStereo(v);
                p.model.SetStereo(v);
            } else if (kind == 14 && rng() % 8 == 0) {
                const uint8_t np = rng() % 2, nd = rng() % 3;
                p.fast.SetClock(np, nd);
                p.model.SetClock(np, nd);
            } else if (rng() % 16 == 0) {
                p.fast.Reset();
                p.model.Reset();
            } else if (rng() % 16 == 0) {
                p.fast.ClearBuffer();
                p.model.ClearBuffer();
            }
        }
        const uint8_t volume = RandomVolume(rng);
        const uint8_t mask = rng() % 2 ? 0xFF : static_cast<uint8_t>(rng());
        p.fast.RenderFrame(volume, mask);
        p.model.RenderFrame(volume, mask);
        ASSERT_NO_FATAL_FAILURE(ExpectSameState(p.fast, p.model, "after render"));
        // Read all, part or nothing, in chunks as the sound output does.
        int toRead = p.model.fill;
        if (rng() % 4 == 0) toRead = (rng() % (toRead / 4 + 1)) * 4;
        while (toRead > 0) {
            const int n = std::min(toRead, 4 * (1 + static_cast<int>(rng() % 256)));
            p.fast.ReadSamples(a.data(), n);
            p.model.ReadSamples(b.data(), n);
            ASSERT_EQ(0, std::memcmp(a.data(), b.data(), n))
                << "seed " << seed << " frame " << frame;
            toRead -= n;
        }
        ASSERT_NO_FATAL_FAILURE(ExpectSameState(p.fast, p.model, "after read"));
    }
}

}  // namespace

TEST(PsgChipModel, RandomScriptsMatchSampleForSample) {
    // 400 scripts of 40 frames: about 12 million sample pairs.
    for (uint32_t seed = 1; seed <= 400; ++seed) {
        ASSERT_NO_FATAL_FAILURE(RunScript(seed, 40, false)) << "seed " << seed;
    }
}

TEST(PsgChipModel, SmallestPeriodsMatch) {
    // Periods 4..7 are shorter than a sample at the normal step, so an edge can need two
    // counter reloads in one sample.
    for (uint32_t seed = 1000; seed < 1100; ++seed) {
        ASSERT_NO_FATAL_FAILURE(RunScript(seed, 20, true)) << "seed " << seed;
    }
}

TEST(PsgChipModel, SteadyMusicalScriptMatches) {
    // Long notes on all four channels with both outputs: long runs between edges.
    Pair p;
    const uint16_t periods[] = {254, 214, 170, 508, 339, 285};
    p.fast.Write(0xE4);
    p.model.Write(0xE4);
    for (int frame = 0; frame < 600; ++frame) {
        for (int c = 0; c < 3; ++c) {
            const uint16_t v = periods[(frame / 30 + c) % 6];
            p.fast.SetPeriod(c, v);
            p.model.SetPeriod(c, v);
            p.fast.SetAttenuation(c, (frame / 3 + c) % 12);
            p.model.SetAttenuation(c, (frame / 3 + c) % 12);
        }
        p.fast.SetAttenuation(3, frame % 16);
        p.model.SetAttenuation(3, frame % 16);
        p.fast.RenderFrame(120, 0xFF);
        p.model.RenderFrame(120, 0xFF);
        std::vector<uint8_t> a(2940), b(2940);
        p.fast.ReadSamples(a.data(), 2940);
        p.model.ReadSamples(b.data(), 2940);
        ASSERT_EQ(a, b) << "frame " << frame;
    }
    ASSERT_NO_FATAL_FAILURE(ExpectSameState(p.fast, p.model, "end"));
}
