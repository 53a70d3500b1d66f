// Small helpers for building songs in the export tests.
#pragma once

#include <unistd.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "module/Module.h"
#include "sound/NoteTable.h"

namespace exporttest {

// A fresh module (NTSC, 1x, one empty 64-line pattern at speed 48). Modules are large, so
// they live on the heap.
inline std::unique_ptr<Module> NewModule(uint8_t chipType = 0, uint8_t divider = 0) {
    auto m = std::make_unique<Module>();
    m->Clear(chipType, divider);
    return m;
}

inline void Note(Module& m, int pattern, int line, int channel, uint8_t note, uint8_t instrument = 0,
                 uint8_t volume = 15, int8_t detune = 0) {
    PatternLine& l = m.patterns[pattern].lines[line];
    l.note[channel] = note;
    l.instrument[channel] = instrument;
    l.volume[channel] = volume;
    l.detune[channel] = detune;
}

inline void Effect(Module& m, int pattern, int line, int channel, uint8_t effect, uint8_t param) {
    m.patterns[pattern].lines[line].effect[channel] = effect;
    m.patterns[pattern].lines[line].effectParam[channel] = param;
}

inline void Global(Module& m, int pattern, int line, int column, uint8_t cmd, uint8_t param) {
    m.patterns[pattern].lines[line].globalCmd[column] = cmd;
    m.patterns[pattern].lines[line].globalParam[column] = param;
}

// A directory of this process's own, removed when it ends: the plain and the sanitizer
// test programs run at the same time and write files of the same names.
inline std::string TempPath(const std::string& name) {
    struct Directory {
        std::filesystem::path path = std::filesystem::temp_directory_path() /
                                     ("tw-export-tests-" + std::to_string(getpid()));
        Directory() { std::filesystem::create_directories(path); }
        ~Directory() {
            std::error_code ignored;
            std::filesystem::remove_all(path, ignored);
        }
    };
    static const Directory dir;
    return (dir.path / name).string();
}

inline std::vector<uint8_t> ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<uint8_t>((std::istreambuf_iterator<char>(in)), {});
}

inline uint32_t U32LE(const std::vector<uint8_t>& b, size_t at) {
    return b[at] | (b[at + 1] << 8) | (b[at + 2] << 16) | (static_cast<uint32_t>(b[at + 3]) << 24);
}

// A song of random lines and instruments over a few patterns, including values that no
// editor writes (unplayable notes, volumes above 15, instrument numbers above 15, speeds
// below 8, unknown effects and commands). The same seed gives the same song.
inline std::unique_ptr<Module> RandomModule(unsigned seed) {
    std::mt19937 rng(seed);
    auto pick = [&](int n) { return static_cast<int>(rng() % static_cast<unsigned>(n)); };
    auto m = NewModule(static_cast<uint8_t>(pick(2)), static_cast<uint8_t>(pick(2)));
    for (int i = 0; i < kInstruments; ++i) {
        Instrument& ins = m->instruments[i];
        ins.startVolume = static_cast<uint8_t>(pick(256));
        for (auto& d : ins.delay) d = static_cast<uint8_t>(pick(4) == 0 ? 0 : pick(12));
        for (int p = 0; p < 5; ++p) {
            ins.vibSpeed[p] = static_cast<uint8_t>(pick(5));
            ins.vibStrength[p] = static_cast<uint8_t>(pick(18));
            ins.volumeAdd[p] = static_cast<uint8_t>(pick(256));
        }
    }
    const int patterns = 1 + pick(4);
    for (int p = 0; p < patterns; ++p) {
        m->MakePattern(p);
        m->SetPatternLength(p, 1 + pick(p == 0 ? 90 : 40));
        for (int l = 0; l < m->patterns[p].length; ++l) {
            for (int c = 0; c < kChannels; ++c) {
                if (pick(3) == 0) {
                    static const uint8_t kNotes[] = {45, 60, 69, 100, 119, 246, 247, 250,
                                                     251, 254, 30, 130, 200, 0};
                    uint8_t note = kNotes[pick(sizeof kNotes)];
                    if (note == 60) note = static_cast<uint8_t>(45 + pick(75));
                    Note(*m, p, l, c, note, static_cast<uint8_t>(pick(20)),
                         static_cast<uint8_t>(pick(8) == 0 ? pick(256) : pick(16)),
                         static_cast<int8_t>(pick(199) - 99));
                }
                if (pick(6) == 0)
                    Effect(*m, p, l, c, static_cast<uint8_t>(1 + pick(3)), static_cast<uint8_t>(pick(256)));
            }
            for (int k = 0; k < 2; ++k)
                if (pick(8) == 0) {
                    const uint8_t cmd = static_cast<uint8_t>(1 + pick(5));
                    uint8_t param = static_cast<uint8_t>(pick(256));
                    if (cmd == kGlobalSP) param = static_cast<uint8_t>(pick(40));
                    Global(*m, p, l, k, cmd, param);
                }
        }
    }
    m->songLength = static_cast<uint16_t>(1 + pick(5));
    for (int s = 0; s < m->songLength; ++s) m->orderList[s] = static_cast<uint8_t>(pick(patterns));
    m->repeatPosition = static_cast<uint8_t>(pick(m->songLength));
    m->initialSpeed = static_cast<uint8_t>(pick(40));
    return m;
}

}  // namespace exporttest
