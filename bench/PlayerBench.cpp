// Replayer stepping without rendering: what the exporters and the song timing pay per frame.
#include <benchmark/benchmark.h>

#include <memory>

#include "module/Module.h"
#include "sound/NoteTable.h"
#include "sound/Player.h"
#include "sound/SongTiming.h"

namespace {

// 256 positions of 256-line patterns with every channel busy: notes on most lines, effects
// and global commands, instruments with vibrato and moving envelopes.
std::unique_ptr<Module> MakeBusySong(uint8_t speed) {
    auto m = std::make_unique<Module>();
    m->Clear(0, 0);
    m->initialSpeed = speed;
    for (int i = 0; i < kInstruments; ++i) {
        Instrument& ins = m->instruments[i];
        ins.startVolume = static_cast<uint8_t>(0xF0 - i);
        for (int p = 0; p < 4; ++p) ins.delay[p] = static_cast<uint8_t>(3 + i + p);
        for (int p = 0; p < 5; ++p) {
            ins.vibSpeed[p] = static_cast<uint8_t>((i + p) & 3);
            ins.vibStrength[p] = static_cast<uint8_t>((i * 3 + p) & 15);
            ins.volumeAdd[p] = static_cast<uint8_t>(p & 1 ? 0xFE : 0x01);
        }
    }
    for (int p = 0; p < kMaxPatterns; ++p) {
        m->MakePattern(p);
        m->SetPatternLength(p, 256);
        for (int l = 0; l < kMaxLines; ++l) {
            PatternLine& line = m->patterns[p].lines[l];
            for (int c = 0; c < 3; ++c) {
                if ((l + c) % 4 == 3) continue;
                line.note[c] = static_cast<uint8_t>(45 + (p * 7 + l * 5 + c * 11) % 75);
                line.instrument[c] = static_cast<uint8_t>((l + c) & 15);
                line.volume[c] = static_cast<uint8_t>(8 + (l & 7));
                line.detune[c] = static_cast<int8_t>((l % 9) - 4);
            }
            if (l % 2 == 0) line.note[3] = static_cast<uint8_t>(247 + (l & 7));
            line.effect[l & 3] = static_cast<uint8_t>(1 + (l & 1));
            line.effectParam[l & 3] = static_cast<uint8_t>(l & 15);
            if (l % 16 == 0) {
                line.globalCmd[0] = kGlobalPV;
                line.globalParam[0] = static_cast<uint8_t>(p);
                line.globalCmd[1] = kGlobalST;
                line.globalParam[1] = static_cast<uint8_t>(0xFF - l);
            }
        }
        m->orderList[p] = static_cast<uint8_t>(p);
    }
    m->songLength = kMaxSongLength;
    return m;
}

// One PlayFrame per iteration; items per second are frames per second.
void BM_PlayerFrame(benchmark::State& state) {
    auto module = MakeBusySong(static_cast<uint8_t>(state.range(0)));
    auto player = std::make_unique<Player>();
    player->Bind(*module);
    player->Start(0, 0, 0);
    for (auto _ : state) {
        player->PlayFrame();
        benchmark::DoNotOptimize(player->chip.Registers());
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_PlayerFrame)->Arg(8)->Arg(48);

// A whole pass of the song at speed 8 (65536 frames), as the song timing runs it.
void BM_SongTimingPass(benchmark::State& state) {
    auto module = MakeBusySong(8);
    uint64_t frames = 0;
    for (auto _ : state) {
        const SongTiming t = ComputeSongTiming(*module, 100, 200);
        frames += t.frames;
        benchmark::DoNotOptimize(t);
    }
    state.SetItemsProcessed(static_cast<int64_t>(frames));
}
BENCHMARK(BM_SongTimingPass)->Unit(benchmark::kMillisecond);

}  // namespace
