// Chip rendering speed: one minute of NTSC audio (3600 frames) with all four channels
// sounding, as the sound thread renders it. "x_realtime" is seconds of audio per second.
#include <benchmark/benchmark.h>

#include "sound/PsgChip.h"

namespace {

// A little song: three tone channels walking through a chord progression with decaying
// attenuations, noise hits on every beat. Every channel sounds in every frame.
void DriveFrame(PsgChip& chip, int frame, uint8_t noiseControl) {
    static const uint16_t kChords[4][3] = {
        {428, 339, 285}, {381, 302, 254}, {339, 270, 214}, {453, 359, 302}};
    const uint16_t* chord = kChords[(frame / 48) % 4];
    for (int c = 0; c < 3; ++c) {
        const int arp = (frame / 6 + c) % 3;
        chip.SetPeriod(c, chord[arp] >> (c == 0 ? 0 : 1));
        chip.SetAttenuation(c, static_cast<uint8_t>((frame % 12) / 2 + c));
    }
    chip.ClearNoiseReset();
    if (frame % 12 == 0) chip.Write(noiseControl);
    chip.SetAttenuation(3, static_cast<uint8_t>((frame % 12) + 2));
}

void RenderMinute(benchmark::State& state, uint8_t noiseControl, uint8_t stereo) {
    PsgChip chip;
    chip.SetClock(0, 0);
    chip.SetStereo(stereo);
    static uint8_t sink[4096];
    for (auto _ : state) {
        for (int frame = 0; frame < 3600; ++frame) {
            DriveFrame(chip, frame, noiseControl);
            chip.RenderFrame(120, 0xFF);
            chip.ReadSamples(sink, chip.Fill());
        }
        benchmark::DoNotOptimize(sink);
    }
    state.counters["x_realtime"] = benchmark::Counter(
        60.0 * static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
}

// White noise at the fastest rate: the noise generator's most expensive setting.
void BM_ChipMinuteWhiteNoiseRate0(benchmark::State& state) { RenderMinute(state, 0xE4, 0xFF); }
// Periodic noise at rate 2, Game Gear stereo spread.
void BM_ChipMinutePeriodicRate2Stereo(benchmark::State& state) {
    RenderMinute(state, 0xE2, 0x9C | 0x63);
}
// Noise clocked by tone channel 2.
void BM_ChipMinuteNoiseFollowsTone2(benchmark::State& state) { RenderMinute(state, 0xE7, 0xFF); }

}  // namespace

BENCHMARK(BM_ChipMinuteWhiteNoiseRate0)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ChipMinutePeriodicRate2Stereo)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ChipMinuteNoiseFollowsTone2)->Unit(benchmark::kMillisecond);
