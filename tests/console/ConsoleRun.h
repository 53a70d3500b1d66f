// Plays a song on the emulated console and with the tracker's Player side by side and
// compares the chips after every frame; gathers the replayer's cost on the way.
#pragma once

#include <algorithm>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "export/DadivevExport.h"
#include "export/RomExport.h"
#include "export/RomShell.h"
#include "sound/Player.h"
#include "tests/console/Machine.h"

namespace console {

struct RunResult {
    int frames = 0;
    int differing = 0;
    std::string firstDifference;  // empty when every frame matched
    long worstCycles = 0;
    double meanCycles = 0;
};

// What the console's chip must hold after a frame in which the Player's chip holds `a`: a
// song for the chip at half clock gets its periods doubled, to the tracker's pitch.
inline std::string Difference(const PsgRegisters& a, const PsgRegisters& b, bool doubled, bool stereo) {
    std::ostringstream out;
    for (int c = 0; c < 3; ++c) {
        uint16_t want = a.period[c];
        if (doubled) want = want > 511 ? 1023 : static_cast<uint16_t>(want * 2);
        if (want != b.period[c]) out << "period " << c << " " << want << " vs " << b.period[c] << "; ";
    }
    for (int c = 0; c < 4; ++c)
        if (a.attenuation[c] != b.attenuation[c])
            out << "attenuation " << c << " " << int(a.attenuation[c]) << " vs " << int(b.attenuation[c]) << "; ";
    if (a.noiseWhite != b.noiseWhite || a.noiseRate != b.noiseRate) out << "noise mode; ";
    if (a.noiseResetPending != b.noiseResetPending) out << "noise restart; ";
    if (stereo && a.stereo != b.stereo) out << "stereo " << int(a.stereo) << " vs " << int(b.stereo) << "; ";
    return out.str();
}

// Common loop: `frame` plays one console frame and gives its cycles.
template <typename Frame>
RunResult CompareWithPlayer(const Module& m, Machine& machine, bool stereo, int passes, Frame frame) {
    RunResult r;
    auto player = std::make_unique<Player>();
    player->Bind(m);
    player->Start(0, 0, 0);
    const bool doubled = m.frequencyDivider == 1;
    int loops = 0;
    double total = 0;
    while (loops < passes && r.frames < 200000) {
        machine.chip.ClearNoiseReset();
        const long cycles = frame();
        player->PlayFrame();
        ++r.frames;
        if (cycles < 0) {
            r.firstDifference = "no frame played at frame " + std::to_string(r.frames);
            ++r.differing;
            break;
        }
        total += static_cast<double>(cycles);
        r.worstCycles = std::max(r.worstCycles, cycles);
        const std::string d = Difference(player->chip.Registers(), machine.chip.Registers(), doubled, stereo);
        if (!d.empty()) {
            if (r.firstDifference.empty()) r.firstDifference = "frame " + std::to_string(r.frames) + ": " + d;
            ++r.differing;
        }
        if (player->looped) ++loops;
    }
    r.meanCycles = r.frames ? total / r.frames : 0;
    return r;
}

// The exported ROM on a console of the song's own frame rate: every frame interrupt plays
// one frame. Cycles are those of the whole interrupt.
inline RunResult RunRom(const Module& m, RomSystem system, int passes = 2) {
    const bool gg = system == RomSystem::kGameGear;
    Machine machine(BuildROM(m, system), gg, !gg && m.chipType == 1);
    bool first = true;  // the start-up clears video memory and times a frame first
    return CompareWithPlayer(m, machine, gg, passes, [&] {
        const long cycles = machine.RunFrame(first ? 100 : 4);
        first = false;
        return cycles;
    });
}

// The replayer called directly, as a game calls it: the song in RAM when it fits there
// (`inRam`), else where the ROM export put it. Cycles are those of tw_frame alone.
inline RunResult RunBare(const Module& m, bool inRam, int passes = 2) {
    const std::vector<uint8_t> song = CompileDADIVEV(m);
    std::vector<uint8_t> rom = BuildROM(m, RomSystem::kMasterSystem);
    Machine machine(rom);
    machine.Call(romshell::kTrackerPitch, 1);
    if (inRam) {
        for (size_t i = 0; i < song.size(); ++i) machine.Poke(static_cast<uint16_t>(0xC100 + i), song[i]);
        machine.Call(romshell::kStart, 0, 0xC100);
    } else if (rom[romshell::kDescFlags] & romshell::kFlagBanked) {
        machine.Call(romshell::kStartBanked, rom[romshell::kDescBank]);
    } else {
        machine.Call(romshell::kStart, 0, static_cast<uint16_t>(rom[romshell::kDescSong] | rom[romshell::kDescSong + 1] << 8));
    }
    return CompareWithPlayer(m, machine, false, passes, [&] { return machine.Call(romshell::kFrame); });
}

// Songs that fit the 7.9 KB of RAM above the replayer's own variables.
constexpr size_t kRamSongLimit = 0xDF00 - 0xC100;

}  // namespace console
