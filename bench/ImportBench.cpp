// Import speed: a ten-minute VGM log and a five-minute MIDI file, both made here, each
// converted from memory (target: well under 0.3 s each).
#include <benchmark/benchmark.h>

#include <cstring>
#include <memory>
#include <vector>

#include "import/Importers.h"

namespace {

using Bytes = std::vector<uint8_t>;

// Ten minutes of a busy Master System log: every frame moves all three tone channels and
// their volumes, now and then the noise; waits in all the forms a log uses.
Bytes TenMinuteVgm() {
    Bytes commands;
    auto psg = [&](uint8_t b) {
        commands.push_back(0x50);
        commands.push_back(b);
    };
    const int frames = 10 * 60 * 60;
    for (int f = 0; f < frames; ++f) {
        for (int c = 0; c < 3; ++c) {
            const int period = 100 + (f * (c + 3) + c * 77) % 800;
            psg(static_cast<uint8_t>(0x80 | c << 5 | (period & 15)));
            psg(static_cast<uint8_t>(period >> 4));
            psg(static_cast<uint8_t>(0x90 | c << 5 | (f + c) % 16));
        }
        if (f % 8 == 0) psg(static_cast<uint8_t>(0xE0 | (f / 8) % 8));
        if (f % 3 == 0) {
            commands.push_back(0x62);
        } else {
            // 677 + 16 + 15 + 16 + 11 = 735 samples
            commands.insert(commands.end(), {0x61, 0xA5, 0x02, 0x7F, 0x8F, 0x7F, 0x70 | 10});
        }
    }
    commands.push_back(0x66);
    Bytes file(0x40, 0);
    std::memcpy(file.data(), "Vgm ", 4);
    const uint32_t eof = static_cast<uint32_t>(0x40 + commands.size() - 4);
    std::memcpy(file.data() + 4, &eof, 4);
    const uint32_t version = 0x110, clock = 3579545;
    std::memcpy(file.data() + 8, &version, 4);
    std::memcpy(file.data() + 12, &clock, 4);
    file.insert(file.end(), commands.begin(), commands.end());
    return file;
}

void VarLen(Bytes& b, uint32_t v) {
    uint8_t tmp[5];
    int n = 0;
    tmp[n++] = v & 0x7F;
    while (v >>= 7) tmp[n++] = static_cast<uint8_t>(0x80 | (v & 0x7F));
    while (n) b.push_back(tmp[--n]);
}

// Five minutes at 120 beats a minute in 8 tracks: sixteenth notes and chords on ten MIDI
// channels, with controllers and running status.
Bytes FiveMinuteMidi() {
    const uint16_t division = 480;
    const int sixteenths = 5 * 120 * 4;
    Bytes file = {'M', 'T', 'h', 'd', 0, 0, 0, 6, 0, 1, 0, 8, division >> 8, division & 0xFF};
    for (int t = 0; t < 8; ++t) {
        Bytes track;
        const uint8_t ch = static_cast<uint8_t>(t < 7 ? t : 9);
        VarLen(track, 0);
        track.insert(track.end(), {static_cast<uint8_t>(0xB0 | ch), 7, 100});
        for (int s = 0; s < sixteenths; ++s) {
            const uint8_t note = static_cast<uint8_t>(36 + (s * (t + 5) + t * 7) % 48);
            VarLen(track, 0);
            track.insert(track.end(), {static_cast<uint8_t>(0x90 | ch), note, 100});
            VarLen(track, 0);
            track.insert(track.end(), {static_cast<uint8_t>(note + 4), 90});  // running status
            VarLen(track, division / 4);
            track.insert(track.end(), {static_cast<uint8_t>(0x80 | ch), note, 64});
            VarLen(track, 0);
            track.insert(track.end(), {static_cast<uint8_t>(note + 4), 64});
        }
        VarLen(track, 0);
        track.insert(track.end(), {0xFF, 0x2F, 0x00});
        file.insert(file.end(), {'M', 'T', 'r', 'k'});
        const uint32_t n = static_cast<uint32_t>(track.size());
        file.insert(file.end(), {static_cast<uint8_t>(n >> 24), static_cast<uint8_t>(n >> 16),
                                 static_cast<uint8_t>(n >> 8), static_cast<uint8_t>(n)});
        file.insert(file.end(), track.begin(), track.end());
    }
    return file;
}

void BM_ImportTenMinuteVgm(benchmark::State& state) {
    const Bytes file = TenMinuteVgm();
    auto module = std::make_unique<Module>();
    for (auto _ : state) {
        const bool made =
            ImportVgm(*module, file.data(), file.size(), [](const VgmProbe&, VgmOptions& o) {
                o.chip.chipType = 0;
                o.chip.frequencyDivider = 0;
                return true;
            });
        benchmark::DoNotOptimize(made);
    }
    state.counters["patterns"] = module->songLength;
}
BENCHMARK(BM_ImportTenMinuteVgm)->Unit(benchmark::kMillisecond);

void BM_ImportFiveMinuteMidi(benchmark::State& state) {
    const Bytes file = FiveMinuteMidi();
    auto module = std::make_unique<Module>();
    for (auto _ : state) {
        const bool made =
            ImportMidi(*module, file.data(), file.size(), [](const MidiProbe&, MidiOptions& o) {
                o.chip.chipType = 0;
                o.chip.frequencyDivider = 0;
                return true;
            });
        benchmark::DoNotOptimize(made);
    }
    state.counters["patterns"] = module->songLength;
}
BENCHMARK(BM_ImportFiveMinuteMidi)->Unit(benchmark::kMillisecond);

}  // namespace
