// Speed of the exporters on the largest song a module holds: 256 song positions of
// 256-line patterns, notes on every channel; and of the reference replayer that checks and
// plays the console song made from it.
#include <benchmark/benchmark.h>

#include <memory>

#include "export/DadivevExport.h"
#include "export/DadivevPlayer.h"
#include "export/MidiExport.h"
#include "export/VgmExport.h"
#include "sound/NoteTable.h"

namespace {

std::unique_ptr<Module> LargestSong() {
    auto m = std::make_unique<Module>();
    m->Clear(0, 0);
    for (int i = 0; i < kInstruments; ++i) {
        Instrument& ins = m->instruments[i];
        ins.startVolume = 0xF0;
        ins.volumeAdd[0] = 0xFC;
        ins.vibSpeed[1] = static_cast<uint8_t>(i & 3);
        ins.vibStrength[1] = static_cast<uint8_t>(i);
    }
    for (int p = 0; p < kMaxPatterns; ++p) {
        m->MakePattern(p);
        m->SetPatternLength(p, kMaxLines);
        for (int l = 0; l < kMaxLines; ++l) {
            PatternLine& line = m->patterns[p].lines[l];
            for (int c = 0; c < kToneChannels; ++c) {
                if ((l + c) % 2 != 0) continue;
                line.note[c] = static_cast<uint8_t>(45 + (p * 7 + l * 3 + c * 5) % 75);
                line.instrument[c] = static_cast<uint8_t>((p + l + c) & 15);
                line.volume[c] = 15;
                line.detune[c] = static_cast<int8_t>((l % 7) - 3);
            }
            if (l % 4 == 0) {
                line.note[3] = static_cast<uint8_t>(247 + (l / 4) % 8);
                line.instrument[3] = 3;
                line.volume[3] = 12;
            }
        }
        m->orderList[p] = static_cast<uint8_t>(p);
    }
    m->songLength = kMaxSongLength;
    return m;
}

void BM_VgmExportLargestSong(benchmark::State& state) {
    auto m = LargestSong();
    size_t bytes = 0;
    for (auto _ : state) {
        auto vgm = BuildVGM(*m);
        bytes = vgm.size();
        benchmark::DoNotOptimize(vgm.data());
    }
    state.counters["bytes"] = static_cast<double>(bytes);
}
BENCHMARK(BM_VgmExportLargestSong)->Unit(benchmark::kMillisecond);

void BM_MidiExportLargestSong(benchmark::State& state) {
    auto m = LargestSong();
    for (auto _ : state) {
        auto midi = BuildMIDI(*m, MidiProgramTable());
        benchmark::DoNotOptimize(midi.data());
    }
}
BENCHMARK(BM_MidiExportLargestSong)->Unit(benchmark::kMillisecond);

void BM_DadivevExportLargestSong(benchmark::State& state) {
    auto m = LargestSong();
    size_t bytes = 0;
    for (auto _ : state) {
        auto file = CompileDADIVEV(*m);
        bytes = file.size();
        benchmark::DoNotOptimize(file.data());
    }
    state.counters["bytes"] = static_cast<double>(bytes);
}
BENCHMARK(BM_DadivevExportLargestSong)->Unit(benchmark::kMillisecond);

// Load checks every block of the file as each kind of lane reads it.
void BM_DadivevReplayerLoadLargestSong(benchmark::State& state) {
    const std::vector<uint8_t> file = CompileDADIVEV(*LargestSong());
    auto player = std::make_unique<DadivevPlayer>();
    for (auto _ : state) {
        player->Load(file);
        benchmark::DoNotOptimize(player->Loaded());
    }
}
BENCHMARK(BM_DadivevReplayerLoadLargestSong)->Unit(benchmark::kMillisecond);

// Ten minutes of frames at 60 a second, with a note starting on some channel on every line.
void BM_DadivevReplayerTenMinutes(benchmark::State& state) {
    const std::vector<uint8_t> file = CompileDADIVEV(*LargestSong());
    auto player = std::make_unique<DadivevPlayer>();
    player->Load(file);
    constexpr int kFrames = 10 * 60 * 60;
    for (auto _ : state) {
        player->Start();
        for (int f = 0; f < kFrames; ++f) player->PlayFrame();
        benchmark::DoNotOptimize(player->Chip().Registers());
    }
    state.counters["frames/s"] = benchmark::Counter(static_cast<double>(kFrames),
                                                    benchmark::Counter::kIsIterationInvariantRate);
}
BENCHMARK(BM_DadivevReplayerTenMinutes)->Unit(benchmark::kMillisecond);

}  // namespace
