// Chip emulation: timing constants, register port, generator edge cases and samples worked
// out by hand from the generator rules (the derivations are in the comments).
#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "sound/PsgChip.h"

namespace {

// Renders one frame and takes all of it out of the ring as interleaved left/right samples.
std::vector<int16_t> RenderAndRead(PsgChip& chip, uint8_t volume, uint8_t mask) {
    chip.RenderFrame(volume, mask);
    std::vector<int16_t> out(chip.SamplesPerFrame() * 2);
    chip.ReadSamples(out.data(), static_cast<int>(out.size() * 2));
    return out;
}

void ExpectLeftSamples(const std::vector<int16_t>& out, int first, int last, int16_t value) {
    for (int i = first; i <= last; ++i) {
        ASSERT_EQ(out[2 * i], value) << "pair " << i;
    }
}

}  // namespace

TEST(PsgChipClock, StepAndFrameLengthFollowStandardAndDivider) {
    PsgChip chip;
    struct Case {
        uint8_t pal, divider;
        uint32_t step;
        uint16_t samples;
    };
    // Only divider 1 halves the step; any non-zero pal value means PAL.
    const Case cases[] = {
        {0, 0, 332896, 735}, {1, 0, 331413, 882}, {0, 1, 166448, 735},
        {1, 1, 165706, 882}, {0, 2, 332896, 735}, {7, 255, 331413, 882},
    };
    for (const Case& c : cases) {
        chip.SetClock(c.pal, c.divider);
        EXPECT_EQ(chip.Step(), c.step) << int(c.pal) << " " << int(c.divider);
        EXPECT_EQ(chip.SamplesPerFrame(), c.samples);
    }
}

TEST(PsgChipPort, ResetRestoresRegistersButKeepsNoisePeriod) {
    PsgChip chip;
    EXPECT_EQ(chip.Registers().noisePeriod, 0);
    chip.Write(0x8A);
    chip.Write(0xE6);  // white noise, rate 2: period 64
    chip.SetStereo(0x12);
    chip.RenderFrame(100, 0x0F);
    chip.Reset();
    const PsgRegisters& r = chip.Registers();
    for (int c = 0; c < 3; ++c) EXPECT_EQ(r.period[c], 0);
    for (int c = 0; c < 4; ++c) EXPECT_EQ(r.attenuation[c], 15);
    EXPECT_EQ(r.noisePeriod, 64);
    EXPECT_EQ(r.noiseWhite, 0);
    EXPECT_EQ(r.noiseRate, 0);
    EXPECT_EQ(r.stereo, 0xFF);
    EXPECT_EQ(r.noiseResetPending, 0);
    EXPECT_EQ(chip.Latch(), 0);
    for (int c = 0; c < 3; ++c) {
        EXPECT_EQ(chip.ToneGenerator(c).counter, 0);
        EXPECT_EQ(chip.ToneGenerator(c).flipFlop, 0);
    }
    EXPECT_EQ(chip.NoiseGenerator().counter, 0);
    EXPECT_EQ(chip.NoiseGenerator().flipFlop, 1);
    EXPECT_EQ(chip.ShiftRegister(), 0x0001);
}

TEST(PsgChipPort, LatchAndDataBytes) {
    PsgChip chip;
    const PsgRegisters& r = chip.Registers();
    chip.Write(0x8E);  // channel 0 tone, low bits 0xE
    EXPECT_EQ(chip.Latch(), 1);
    EXPECT_EQ(r.period[0], 0x00E);
    chip.Write(0x3F);  // data: high six bits
    EXPECT_EQ(r.period[0], 0x3FE);
    chip.Write(0x81);  // a new low nibble keeps the high bits
    EXPECT_EQ(r.period[0], 0x3F1);
    chip.Write(0x40 | 0x02);  // bit 6 of a data byte is ignored
    EXPECT_EQ(r.period[0], 0x021);

    chip.Write(0xB5);  // channel 1 attenuation 5
    EXPECT_EQ(r.attenuation[1], 5);
    EXPECT_EQ(chip.Latch(), 4);
    chip.Write(0x0C);  // data byte goes to the latched attenuation
    EXPECT_EQ(r.attenuation[1], 12);
    EXPECT_EQ(r.period[1], 0);

    chip.Write(0xFF);  // noise attenuation off
    EXPECT_EQ(chip.Latch(), 12);
    EXPECT_EQ(r.attenuation[3], 15);
    chip.Write(0x07);
    EXPECT_EQ(r.attenuation[3], 7);
    EXPECT_EQ(r.noiseResetPending, 0);
}

TEST(PsgChipPort, SettersIgnoreChannelsThatDoNotExist) {
    PsgChip chip;
    chip.Write(0xE2);  // noise period 64
    chip.SetPeriod(3, 999);
    chip.SetPeriod(-1, 999);
    chip.SetAttenuation(4, 0);
    chip.SetAttenuation(-1, 0);
    const PsgRegisters& r = chip.Registers();
    EXPECT_EQ(r.noisePeriod, 64);
    for (int c = 0; c < 3; ++c) EXPECT_EQ(r.period[c], 0);
    for (int c = 0; c < 4; ++c) EXPECT_EQ(r.attenuation[c], 15);
    chip.SetAttenuation(1, 0x12);  // only four bits exist
    EXPECT_EQ(r.attenuation[1], 2);
}

TEST(PsgChipPort, NoiseControlAndPeriodFollowingChannelTwo) {
    PsgChip chip;
    const PsgRegisters& r = chip.Registers();
    chip.Write(0xC5);             // channel 2 low nibble 5
    chip.Write(0x12);             // period 0x125
    EXPECT_EQ(r.noisePeriod, 0);  // rate 0 at program start does not follow

    chip.Write(0xE1);  // periodic, rate 1
    EXPECT_EQ(chip.Latch(), 13);
    EXPECT_EQ(r.noiseRate, 1);
    EXPECT_EQ(r.noiseWhite, 0);
    EXPECT_EQ(r.noisePeriod, 32);
    EXPECT_EQ(r.noiseResetPending, 1);
    chip.ClearNoiseReset();
    EXPECT_EQ(r.noiseResetPending, 0);

    chip.Write(0x07);  // data byte while noise is latched: white, rate 3, and a new reset
    EXPECT_EQ(r.noiseRate, 3);
    EXPECT_EQ(r.noiseWhite, 1);
    EXPECT_EQ(r.noisePeriod, 0x125);
    EXPECT_EQ(r.noiseResetPending, 1);

    chip.Write(0xC9);  // channel 2 through the port: the copy follows
    EXPECT_EQ(r.noisePeriod, 0x129);
    chip.Write(0x01);
    EXPECT_EQ(r.noisePeriod, 0x019);
    chip.Write(0xA3);  // channel 1 does not touch it
    chip.Write(0x3F);
    EXPECT_EQ(r.noisePeriod, 0x019);

    chip.SetPeriod(2, 300);  // the setter leaves the copy alone...
    EXPECT_EQ(r.noisePeriod, 0x019);
    chip.SetAttenuation(3, 0);
    chip.RenderFrame(160, 0x08);
    EXPECT_EQ(r.noisePeriod, 300);  // ...until the next noise expiry takes it

    chip.Write(0xE2);  // a rate other than 3 stops following
    chip.SetPeriod(2, 50);
    chip.RenderFrame(160, 0x08);
    EXPECT_EQ(r.noisePeriod, 64);
}

TEST(PsgChipLevels, FullVolumePeakAndSilence) {
    PsgChip chip;
    chip.SetClock(0, 0);
    // Tones at period 0 hold +5692 (7590 * 120 / 160); noise at its high level is
    // 11385 (7590 * 120 / 80): 3 * 5692 + 11385 = 28461 when the shift register shows 1.
    for (int c = 0; c < 4; ++c) chip.SetAttenuation(c, 0);
    chip.Write(0xE0);
    int16_t peak = INT16_MIN, low = INT16_MAX;
    for (int frame = 0; frame < 4; ++frame) {
        std::vector<int16_t> out = RenderAndRead(chip, 120, 0xFF);
        for (int16_t s : out) {
            peak = std::max(peak, s);
            low = std::min(low, s);
        }
    }
    EXPECT_EQ(peak, 28461);
    EXPECT_EQ(low, 3 * 5692);

    PsgChip quiet;
    for (int c = 0; c < 4; ++c) quiet.SetAttenuation(c, 0);
    quiet.SetPeriod(0, 100);
    quiet.Write(0xE4);
    std::vector<int16_t> out = RenderAndRead(quiet, 0, 0xFF);
    EXPECT_TRUE(std::all_of(out.begin(), out.end(), [](int16_t s) { return s == 0; }));
    EXPECT_NE(quiet.ToneGenerator(0).counter, 0);  // silent but running
}

TEST(PsgChipLevels, AdditionsWrapAtSixteenBits) {
    PsgChip chip;
    // Master volume 255: 7590 * 255 / 160 = 12096; three steady tones sum to 36288, which
    // wraps to 36288 - 65536 = -29248. 255 is also the "tables not built" mark, which must
    // not keep a first render at 255 silent.
    for (int c = 0; c < 3; ++c) chip.SetAttenuation(c, 0);
    std::vector<int16_t> out = RenderAndRead(chip, 255, 0x07);
    for (int16_t s : out) ASSERT_EQ(s, -29248);
}

TEST(PsgChipTone, GoldenSamplesOfPeriodEight) {
    PsgChip chip;
    chip.SetClock(0, 0);
    chip.SetPeriod(0, 8);
    chip.SetAttenuation(0, 0);
    // Volume 160: A = 7590. step = 332896, period 8 = 524288 in 16.16.
    // pair 0: first sample of the pass, 7590 >> 2 = 1897. counter 0 - 332896 = -332896,
    //   overshoot 332896, 332896 * 256 / 332896 = 256, ((128 - 256) * 7590) >> 7 = -7590;
    //   counter + 524288 = 191392 (one addition: A = -7590).
    // pair 1: -7590. counter -141504, 141504 * 256 / 332896 = 108,
    //   (20 * -7590) >> 7 = -1186; counter 382784, A = 7590.
    // pair 2: -1186. counter 49888, no edge.
    // pair 3: 7590. counter -283008, * 256 / step = 217, (-89 * 7590) >> 7 = -5278;
    //   counter 241280, A = -7590.
    // pair 4: -5278. counter -91616 -> 70, (58 * -7590) >> 7 = -3440; counter 432672, A = 7590.
    // pair 5: -3440. counter 99776.
    // pair 6: 7590. counter -233120 -> 179, (-51 * 7590) >> 7 = -3025.
    // pair 7: -3025.
    const int16_t expected[] = {1897, -7590, -1186, 7590, -5278, -3440, 7590, -3025};
    std::vector<int16_t> out = RenderAndRead(chip, 160, 0x01);
    for (int i = 0; i < 8; ++i) {
        EXPECT_EQ(out[2 * i], expected[i]) << "pair " << i;
        EXPECT_EQ(out[2 * i + 1], expected[i]) << "pair " << i;
    }
}

TEST(PsgChipTone, GoldenSamplesOfHalvedClockMatchDoublePeriod) {
    // Divider 1 halves the step to 166448 and period 4 is 262144: every quantity of the
    // period-8 derivation above is halved exactly, so the samples are the same.
    PsgChip chip;
    chip.SetClock(0, 1);
    chip.SetPeriod(2, 4);
    chip.SetAttenuation(2, 0);
    const int16_t expected[] = {1897, -7590, -1186, 7590, -5278, -3440, 7590, -3025};
    std::vector<int16_t> out = RenderAndRead(chip, 160, 0x04);
    for (int i = 0; i < 8; ++i) EXPECT_EQ(out[2 * i], expected[i]) << "pair " << i;
}

TEST(PsgChipTone, GoldenSamplesOfPeriodShorterThanASample) {
    // Period 4 = 262144 is shorter than the step 332896, so an edge may need two reloads
    // (an even count leaves the level and flip-flop as they were). A = 7590.
    // pair 0: 1897. counter -332896, part 256, value -7590; reloads: -70752, 191392 (two:
    //   A stays +7590).
    // pair 1: -7590. counter -141504, part 108, (20 * 7590) >> 7 = 1185; one reload 120640,
    //   A = -7590.
    // pair 2: 1185. counter -212256, part 163, (-35 * -7590) >> 7 = 2075; 49888, A = 7590.
    // pair 3: 2075. counter -283008, part 217, (-89 * 7590) >> 7 = -5278; reloads -20864,
    //   241280 (two: A stays 7590).
    // pair 4: -5278. counter -91616, part 70, (58 * 7590) >> 7 = 3439; 170528, A = -7590.
    // pair 5: 3439.
    PsgChip chip;
    chip.SetPeriod(1, 4);
    chip.SetAttenuation(1, 0);
    const int16_t expected[] = {1897, -7590, 1185, 2075, -5278, 3439};
    std::vector<int16_t> out = RenderAndRead(chip, 160, 0x02);
    for (int i = 0; i < 6; ++i) EXPECT_EQ(out[2 * i], expected[i]) << "pair " << i;
}

TEST(PsgChipTone, StereoGainsAndMaskPerChannel) {
    PsgChip chip;
    // Steady levels (period below 4) make the routing visible: channel 0 left only
    // (bit 4), channel 1 right only (bit 1), channel 2 both but masked out.
    chip.SetAttenuation(0, 0);  // 7590
    chip.SetAttenuation(1, 1);  // 5940
    chip.SetAttenuation(2, 0);
    chip.SetPeriod(1, 2);
    chip.SetPeriod(2, 3);
    chip.SetStereo(0x12 | 0x44);
    std::vector<int16_t> out = RenderAndRead(chip, 160, 0x03);
    for (size_t i = 0; i < out.size(); i += 2) {
        ASSERT_EQ(out[i], 7590);
        ASSERT_EQ(out[i + 1], 5940);
    }
}

TEST(PsgChipTone, EveryPassStartsAtAQuarterLevel) {
    PsgChip chip;
    chip.SetClock(0, 0);
    chip.SetPeriod(0, 1000);
    chip.SetAttenuation(0, 0);
    // Period 1000 = 65536000 in 16.16: edge k falls in pair ceil((k - 1) * 65536000 / 332896)
    // - 1: pairs 0, 196, 393, 590, 787, 984, 1181. Frame 2 (pairs 735..1469) starts at ring
    // offset 2940 and wraps after 289 pairs, so its second pass starts at pair 1024, after
    // six edges: the level is +7590 there and the pass begins at 7590 >> 2 = 1897.
    std::vector<int16_t> first = RenderAndRead(chip, 160, 0x01);
    EXPECT_EQ(first[0], 1897);
    EXPECT_EQ(first[2 * 1], -7590);
    EXPECT_EQ(first[2 * 196], -7590);
    EXPECT_EQ(first[2 * 198], 7590);
    EXPECT_EQ(first[2 * 734], 7590);  // after the edge in pair 590 the level is +A
    std::vector<int16_t> second = RenderAndRead(chip, 160, 0x01);
    EXPECT_EQ(second[0], 1897);  // pair 735: a new pass
    EXPECT_EQ(second[2 * 1], 7590);
    EXPECT_EQ(second[2 * 288], 7590);  // pair 1023
    EXPECT_EQ(second[2 * 289], 1897);  // pair 1024: the wrap starts another pass
    EXPECT_EQ(second[2 * 290], 7590);
}

TEST(PsgChipTone, PeriodBelowFourIsSteadyAndKeepsGeneratorState) {
    PsgChip chip;
    chip.SetPeriod(0, 100);
    chip.SetAttenuation(0, 2);
    RenderAndRead(chip, 160, 0x01);
    const PsgChip::Generator before = chip.ToneGenerator(0);
    for (uint16_t p = 0; p < 4; ++p) {
        chip.SetPeriod(0, p);
        std::vector<int16_t> out = RenderAndRead(chip, 160, 0x01);
        for (int16_t s : out) ASSERT_EQ(s, 4840);  // base level of attenuation 2, no quarter
        EXPECT_EQ(chip.ToneGenerator(0).counter, before.counter);
        EXPECT_EQ(chip.ToneGenerator(0).flipFlop, before.flipFlop);
    }
    // Off and steady: nothing at all.
    chip.SetAttenuation(0, 15);
    std::vector<int16_t> out = RenderAndRead(chip, 160, 0x01);
    EXPECT_TRUE(std::all_of(out.begin(), out.end(), [](int16_t s) { return s == 0; }));
}

TEST(PsgChipTone, OffChannelRunsAndMaskedChannelFreezes) {
    PsgChip loud, off, frozen;
    for (PsgChip* chip : {&loud, &off, &frozen}) chip->SetPeriod(1, 77);
    loud.SetAttenuation(1, 0);
    off.SetAttenuation(1, 15);
    frozen.SetAttenuation(1, 0);
    for (int frame = 0; frame < 3; ++frame) {
        RenderAndRead(loud, 120, 0x02);
        std::vector<int16_t> silent = RenderAndRead(off, 120, 0x02);
        EXPECT_TRUE(std::all_of(silent.begin(), silent.end(), [](int16_t s) { return s == 0; }));
        std::vector<int16_t> none = RenderAndRead(frozen, 120, 0x0D);
        EXPECT_TRUE(std::all_of(none.begin(), none.end(), [](int16_t s) { return s == 0; }));
    }
    EXPECT_EQ(off.ToneGenerator(1).counter, loud.ToneGenerator(1).counter);
    EXPECT_EQ(off.ToneGenerator(1).flipFlop, loud.ToneGenerator(1).flipFlop);
    EXPECT_EQ(frozen.ToneGenerator(1).counter, 0);
    EXPECT_EQ(frozen.ToneGenerator(1).flipFlop, 0);

    // Unmasked again, the frozen channel plays what a fresh one plays.
    PsgChip fresh;
    fresh.SetPeriod(1, 77);
    fresh.SetAttenuation(1, 0);
    EXPECT_EQ(RenderAndRead(frozen, 120, 0x02), RenderAndRead(fresh, 120, 0x02));
}

TEST(PsgChipNoise, GoldenPeriodicNoiseFromReset) {
    PsgChip chip;
    chip.SetAttenuation(3, 0);
    chip.Write(0xE0);  // periodic, rate 0: period 16 = 1048576 in 16.16
    // Volume 160: N = 7590 * 160 / 80 = 15180, first value 15180 >> 2 = 3795.
    // Expiry k falls in pair ceil((k - 1) * 1048576 / 332896) - 1. Odd expiries shift
    // (the flip-flop starts at 1). Shift 1 (expiry 1, pair 0) turns 0x0001 into 0x8000;
    // shift 16 (expiry 31, pair 94) brings the 1 back to bit 0; expiry 32 (pair 97) does not
    // shift and keeps it; shift 17 (expiry 33, pair 100) moves it out again. The next round:
    // expiries 63, 64, 65 in pairs 195, 198, 201.
    std::vector<int16_t> out = RenderAndRead(chip, 160, 0x08);
    EXPECT_EQ(out[0], 3795);
    ExpectLeftSamples(out, 1, 94, 0);
    ExpectLeftSamples(out, 95, 100, 15180);
    ExpectLeftSamples(out, 101, 195, 0);
    ExpectLeftSamples(out, 196, 201, 15180);
    EXPECT_EQ(out[2 * 202], 0);
}

TEST(PsgChipNoise, PeriodicNoiseShowsOneInSixteenShifts) {
    PsgChip chip;
    chip.Write(0xE0);
    chip.SetAttenuation(3, 0);
    // 16 shifts are 32 expiries of 16 ticks = 512 ticks = 100.8 pairs; bit 0 stays set for
    // two expiries = 32 ticks, 6 or 7 pairs.
    std::vector<int16_t> out = RenderAndRead(chip, 160, 0x08);
    std::vector<int> starts, lengths;
    for (int i = 1; i < 735; ++i) {
        if (out[2 * i] == 15180 && out[2 * i - 2] != 15180) starts.push_back(i);
        if (out[2 * i] == 15180 && (i == 734 || out[2 * i + 2] != 15180)) {
            lengths.push_back(i - starts.back() + 1);
        }
    }
    ASSERT_EQ(starts.size(), 7u);
    for (size_t k = 1; k < starts.size(); ++k) {
        EXPECT_GE(starts[k] - starts[k - 1], 100);
        EXPECT_LE(starts[k] - starts[k - 1], 101);
    }
    for (int n : lengths) {
        EXPECT_GE(n, 6);
        EXPECT_LE(n, 7);
    }
    // 735 pairs hold expiries 1..234 (233 * 1048576 / 332896 <= 735), 117 of them odd:
    // 0x0001 rotated right 117 = 7 * 16 + 5 times is 0x0800.
    EXPECT_EQ(chip.ShiftRegister(), 0x0800);
}

TEST(PsgChipNoise, ControlWriteResetsShiftRegisterAtEveryRenderUntilCleared) {
    PsgChip chip;
    chip.SetAttenuation(3, 0);
    chip.Write(0xE0);
    // Every expiry takes one addition (1048576 > step), so the flip-flop toggles each time
    // and odd expiries shift. Expiries up to pair N: N * 332896 / 1048576 + 1.
    // Frame 1 (735 pairs): expiries 1..234, 117 shifts: 0x0001 ror 117 = 0x0800.
    RenderAndRead(chip, 160, 0x08);
    EXPECT_EQ(chip.ShiftRegister(), 0x0800);
    // Frame 2, flag still set: reset to 0x0001, expiries 235..467, odd ones 117: 0x0800.
    RenderAndRead(chip, 160, 0x08);
    EXPECT_EQ(chip.ShiftRegister(), 0x0800);
    // Frame 3 after clearing: expiries 468..701, 117 shifts from 0x0800: ror 5 = 0x0040.
    chip.ClearNoiseReset();
    RenderAndRead(chip, 160, 0x08);
    EXPECT_EQ(chip.ShiftRegister(), 0x0040);
    // A data byte while the noise register is latched is a new control write: frame 4
    // starts from 0x0001 again; expiries 702..934, 116 shifts: ror 4 = 0x1000.
    chip.ClearNoiseReset();
    chip.Write(0x00);
    EXPECT_EQ(chip.Registers().noiseResetPending, 1);
    RenderAndRead(chip, 160, 0x08);
    EXPECT_EQ(chip.ShiftRegister(), 0x1000);
}

TEST(PsgChipNoise, PeriodBelowFourSilencesAndFreezes) {
    PsgChip chip;
    chip.SetAttenuation(3, 0);
    chip.SetPeriod(2, 200);
    chip.Write(0xE7);  // white, following channel 2
    RenderAndRead(chip, 160, 0x08);
    const PsgChip::Generator before = chip.NoiseGenerator();
    const uint16_t reg = chip.ShiftRegister();
    chip.ClearNoiseReset();
    chip.Write(0xC3);  // channel 2 low nibble 3, high bits 0: period 3, copied at once
    chip.Write(0x00);
    EXPECT_EQ(chip.Registers().noisePeriod, 3);
    std::vector<int16_t> out = RenderAndRead(chip, 160, 0x08);
    EXPECT_TRUE(std::all_of(out.begin(), out.end(), [](int16_t s) { return s == 0; }));
    EXPECT_EQ(chip.NoiseGenerator().counter, before.counter);
    EXPECT_EQ(chip.NoiseGenerator().flipFlop, before.flipFlop);
    EXPECT_EQ(chip.ShiftRegister(), reg);
}

TEST(PsgChipRing, UnreadFrameIsOverwritten) {
    PsgChip behind, reader;
    for (PsgChip* chip : {&behind, &reader}) {
        chip->SetPeriod(0, 123);
        chip->SetAttenuation(0, 0);
    }
    behind.RenderFrame(100, 0x01);
    behind.RenderFrame(100, 0x01);  // nothing read: replaces the first frame
    EXPECT_EQ(behind.Fill(), 2940);
    reader.RenderFrame(100, 0x01);
    reader.ClearBuffer();  // same ring offset as the overwritten frame, so also one pass
    std::vector<int16_t> expected = RenderAndRead(reader, 100, 0x01);
    std::vector<int16_t> got(735 * 2);
    behind.ReadSamples(got.data(), 2940);
    EXPECT_EQ(got, expected);
    EXPECT_EQ(behind.Fill(), 0);

    // PAL frames (3528 bytes) leave room for only 568 more bytes.
    PsgChip pal;
    pal.SetClock(1, 0);
    pal.RenderFrame(100, 0x0F);
    pal.ReadSamples(nullptr, 3000);
    pal.RenderFrame(100, 0x0F);  // 528 unread: still fits
    EXPECT_EQ(pal.Fill(), 528 + 3528);
    pal.ReadSamples(nullptr, 3528);
    pal.RenderFrame(100, 0x0F);  // 528 unread (>= 568? no) fits again
    EXPECT_EQ(pal.Fill(), 528 + 3528);
}

TEST(PsgChipRing, ReadsInPiecesAcrossTheEnd) {
    PsgChip chip;
    chip.SetPeriod(1, 57);
    chip.SetAttenuation(1, 3);
    std::vector<int16_t> whole;
    PsgChip copy = chip;
    for (int frame = 0; frame < 5; ++frame) {
        std::vector<int16_t> f = RenderAndRead(copy, 90, 0x02);
        whole.insert(whole.end(), f.begin(), f.end());
    }
    std::vector<int16_t> pieces(whole.size());
    size_t at = 0;
    for (int frame = 0; frame < 5; ++frame) {
        chip.RenderFrame(90, 0x02);
        // Chunks of 1024 bytes and a remainder, as the sound output takes them.
        for (int left = 2940; left > 0; left -= 1024) {
            const int n = left < 1024 ? left : 1024;
            chip.ReadSamples(&pieces[at], n);
            at += n / 2;
        }
    }
    EXPECT_EQ(pieces, whole);
}

TEST(PsgChipRing, OverlongReadGivesSilenceForTheRest) {
    PsgChip chip;
    chip.SetAttenuation(0, 0);  // steady 7590 * 100 / 160 = 4743
    chip.RenderFrame(100, 0x01);
    std::vector<int16_t> out(2000, 99);
    chip.ReadSamples(out.data(), 4000);
    EXPECT_EQ(out[1469], 4743);
    EXPECT_EQ(out[1470], 0);
    EXPECT_EQ(out[1999], 0);
    EXPECT_EQ(chip.Fill(), 0);
    chip.ReadSamples(out.data(), -5);
    EXPECT_EQ(chip.Fill(), 0);
}
