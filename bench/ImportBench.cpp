// Import speed: a ten-minute VGM log, a five-minute MIDI file and a four-channel MOD, all
// made here, each converted from memory (target: well under 0.3 s each); and a MIDI file and
// a MOD that fill the whole module.
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstring>
#include <memory>
#include <vector>

#include "import/Importers.h"

namespace {

using Bytes = std::vector<uint8_t>;

// Every import here answers its dialog with an NTSC chip at the plain divider.
template <class Probe, class Options>
bool ChooseNtsc(const Probe&, Options& o) {
    o.chip.chipType = 0;
    o.chip.frequencyDivider = 0;
    return true;
}

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

// Ends `track` with its end-of-track event and appends it to `file` as a track chunk.
void AppendTrack(Bytes& file, Bytes& track) {
    VarLen(track, 0);
    track.insert(track.end(), {0xFF, 0x2F, 0x00});
    file.insert(file.end(), {'M', 'T', 'r', 'k'});
    const uint32_t n = static_cast<uint32_t>(track.size());
    file.insert(file.end(), {static_cast<uint8_t>(n >> 24), static_cast<uint8_t>(n >> 16),
                             static_cast<uint8_t>(n >> 8), static_cast<uint8_t>(n)});
    file.insert(file.end(), track.begin(), track.end());
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
        AppendTrack(file, track);
    }
    return file;
}

void BM_ImportTenMinuteVgm(benchmark::State& state) {
    const Bytes file = TenMinuteVgm();
    auto module = std::make_unique<Module>();
    for (auto _ : state) {
        const bool made =
            ImportVgm(*module, file.data(), file.size(), ChooseNtsc<VgmProbe, VgmOptions>);
        benchmark::DoNotOptimize(made);
    }
    state.counters["patterns"] = module->songLength;
}
BENCHMARK(BM_ImportTenMinuteVgm)->Unit(benchmark::kMillisecond);

void ImportMidiBench(benchmark::State& state, const Bytes& file) {
    auto module = std::make_unique<Module>();
    for (auto _ : state) {
        const bool made =
            ImportMidi(*module, file.data(), file.size(), ChooseNtsc<MidiProbe, MidiOptions>);
        benchmark::DoNotOptimize(made);
    }
    state.counters["patterns"] = module->songLength;
}

void BM_ImportFiveMinuteMidi(benchmark::State& state) { ImportMidiBench(state, FiveMinuteMidi()); }
BENCHMARK(BM_ImportFiveMinuteMidi)->Unit(benchmark::kMillisecond);

// Eighteen minutes of held chords: a change every eight bars at 120 beats a minute, four or
// five voices on some channels, all held until the module is full.
Bytes HeldChordsMidi() {
    const uint16_t division = 96;
    Bytes track;
    for (int bar = 0; bar < 2000; bar += 8) {
        const uint8_t root = static_cast<uint8_t>(40 + (bar * 5) % 24);
        const uint8_t notes[5] = {root, static_cast<uint8_t>(root + 4),
                                  static_cast<uint8_t>(root + 7), static_cast<uint8_t>(root + 12),
                                  static_cast<uint8_t>(root + 16)};
        for (int n = 0; n < 5; ++n) {
            VarLen(track, 0);
            track.insert(track.end(), {static_cast<uint8_t>(0x90 | (n & 1)), notes[n], 100});
        }
        VarLen(track, 8u * 4 * division);
        for (int n = 0; n < 5; ++n) {
            VarLen(track, 0);
            track.insert(track.end(), {static_cast<uint8_t>(0x80 | (n & 1)), notes[n], 127});
        }
    }
    Bytes file = {'M', 'T', 'h', 'd', 0, 0, 0, 6, 0, 0, 0, 1, division >> 8, division & 0xFF};
    AppendTrack(file, track);
    return file;
}

// A four-channel MOD of `patterns` patterns played in order: 31 samples, short looping
// waves and longer decaying one-shots, a note every `every` rows on each channel with now
// and then a volume slide, at the given speed and tempo.
Bytes Mod(int patterns, int every, int speed, int tempo) {
    Bytes file(1084, 0);
    std::memcpy(file.data(), "bench song", 10);
    std::vector<Bytes> samples;
    for (int s = 0; s < 31; ++s) {
        const bool looped = s % 2 == 0;
        const int length = looped ? 32 << (s % 4) : 2000 + 700 * s;  // bytes, even
        Bytes data(static_cast<size_t>(length));
        for (int i = 0; i < length; ++i) {
            const double decay = looped ? 1.0 : 1.0 - static_cast<double>(i) / length;
            data[i] = static_cast<uint8_t>(
                static_cast<int8_t>(100 * decay * std::sin(i * (s + 1) * 0.2)));
        }
        uint8_t* h = &file[20 + 30 * s];
        h[22] = static_cast<uint8_t>(length / 2 >> 8);
        h[23] = static_cast<uint8_t>(length / 2);
        h[25] = static_cast<uint8_t>(40 + s % 25);
        if (looped) {
            h[28] = static_cast<uint8_t>(length / 2 >> 8);
            h[29] = static_cast<uint8_t>(length / 2);
        }
        samples.push_back(data);
    }
    file[950] = static_cast<uint8_t>(patterns);
    file[951] = 127;
    for (int p = 0; p < patterns; ++p) file[952 + p] = static_cast<uint8_t>(p);
    std::memcpy(&file[1080], "M.K.", 4);
    const uint16_t periods[12] = {856, 808, 762, 720, 678, 640, 604, 570, 538, 508, 480, 453};
    for (int p = 0; p < patterns; ++p) {
        for (int r = 0; r < 64; ++r) {
            for (int c = 0; c < 4; ++c) {
                uint8_t cell[4] = {0, 0, 0, 0};
                if ((r + c) % every == 0) {
                    const int sample = 1 + (p * 3 + r + c * 7) % 31;
                    const uint16_t period =
                        static_cast<uint16_t>(periods[(p + r * 5 + c) % 12] >> (c % 2));
                    cell[0] = static_cast<uint8_t>((sample & 0xF0) | period >> 8);
                    cell[1] = static_cast<uint8_t>(period);
                    cell[2] = static_cast<uint8_t>((sample & 0x0F) << 4);
                }
                if ((r + c) % every == every / 2) {
                    cell[2] = static_cast<uint8_t>(cell[2] | 0x0A);
                    cell[3] = 0x02;
                }
                if (p == 0 && r == 0 && c == 0)
                    cell[2] = 0x0F, cell[3] = static_cast<uint8_t>(speed);
                if (p == 0 && r == 0 && c == 1)
                    cell[2] = 0x0F, cell[3] = static_cast<uint8_t>(tempo);
                file.insert(file.end(), cell, cell + 4);
            }
        }
    }
    for (const Bytes& data : samples) file.insert(file.end(), data.begin(), data.end());
    return file;
}

void ImportModBench(benchmark::State& state, const Bytes& file) {
    auto module = std::make_unique<Module>();
    for (auto _ : state) {
        const bool made =
            ImportMod(*module, file.data(), file.size(), 4, ChooseNtsc<ModProbe, ModOptions>);
        benchmark::DoNotOptimize(made);
    }
    state.counters["patterns"] = module->songLength;
}

void BM_ImportHeldChordsMidi(benchmark::State& state) { ImportMidiBench(state, HeldChordsMidi()); }
BENCHMARK(BM_ImportHeldChordsMidi)->Unit(benchmark::kMillisecond);

// Thirty-two patterns at speed 6 and 125 beats a minute: about four minutes.
void BM_ImportFourMinuteMod(benchmark::State& state) { ImportModBench(state, Mod(32, 3, 6, 125)); }
BENCHMARK(BM_ImportFourMinuteMod)->Unit(benchmark::kMillisecond);

// A slow song (speed 31 at 32 beats a minute) with a note every eight rows: it fills the module.
void BM_ImportSlowModFillingTheModule(benchmark::State& state) {
    ImportModBench(state, Mod(16, 8, 31, 32));
}
BENCHMARK(BM_ImportSlowModFillingTheModule)->Unit(benchmark::kMillisecond);

}  // namespace
