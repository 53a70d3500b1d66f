// Cost of the console replayer on the emulated Z80: cycles of tw_frame per frame (mean and
// worst over every test song: the demo, the crafted songs, 40 random songs and the imported
// ones), the size of its code and the RAM it uses. The figures are reported as counters;
// the time measured is the emulation's. Apart from them, the worst frame of a song made of
// the busiest lines the format allows, which no test song comes near.
#include <benchmark/benchmark.h>

#include <cstdio>

#include "tests/console/ConsoleRun.h"
#include "tests/console/ConsoleSongs.h"

using namespace console;

namespace {

struct Costs {
    double mean = 0;
    long worst = 0;
    int frames = 0;
    int differing = 0;
};

Costs Measure() {
    std::vector<std::unique_ptr<Module>> songs;
    if (auto demo = DemoSong()) songs.push_back(std::move(demo));
    for (auto& m : CraftedSongs()) songs.push_back(std::move(m));
    for (int s = 0; s < 40; ++s) songs.push_back(RandomModule(20261209u + static_cast<unsigned>(s)));
    for (auto& [name, m] : ImportedSongs()) songs.push_back(std::move(m));
    Costs c;
    double total = 0;
    for (auto& m : songs) {
        const RunResult r = RunBare(*m, false);
        total += r.meanCycles * r.frames;
        c.frames += r.frames;
        c.worst = std::max(c.worst, r.worstCycles);
        c.differing += r.differing;
    }
    c.mean = c.frames ? total / c.frames : 0;
    return c;
}

void BM_ConsoleReplayerCost(benchmark::State& state) {
    Costs c;
    long busiest = 0;
    for (auto _ : state) {
        c = Measure();
        busiest = RunBare(*BusiestLinesSong(), false).worstCycles;
    }
    auto m = NewModule();
    Machine machine(BuildROM(*m, RomSystem::kMasterSystem));
    const double frame60 = kNtscFrameCycles;
    state.counters["mean_cycles"] = c.mean;
    state.counters["worst_cycles"] = static_cast<double>(c.worst);
    state.counters["mean_pct_60Hz"] = 100.0 * c.mean / frame60;
    state.counters["worst_pct_60Hz"] = 100.0 * static_cast<double>(c.worst) / frame60;
    state.counters["code_bytes"] = machine.PeekWord(romshell::kCodeBytesAddress);
    state.counters["ram_bytes"] = machine.PeekWord(romshell::kRamBytesAddress);
    state.counters["frames"] = c.frames;
    state.counters["differing_frames"] = c.differing;
    state.counters["busiest_lines_worst_cycles"] = static_cast<double>(busiest);
}
BENCHMARK(BM_ConsoleReplayerCost)->Iterations(1)->Unit(benchmark::kMillisecond);

}  // namespace
