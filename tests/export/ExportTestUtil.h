// Small helpers for building songs in the export tests.
#pragma once

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "module/Module.h"
#include "sound/NoteTable.h"

namespace exporttest {

// A fresh module (NTSC, 1x, one empty 64-line pattern at speed 48). Modules are large, so
// they live on the heap.
inline std::unique_ptr<Module> NewModule(uint8_t chipType = 0, uint8_t divider = 0) {
    BuildNotePeriodTables();
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

inline std::string TempPath(const std::string& name) {
    const auto dir = std::filesystem::temp_directory_path() / "tw-export-tests";
    std::filesystem::create_directories(dir);
    return (dir / name).string();
}

inline std::vector<uint8_t> ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<uint8_t>((std::istreambuf_iterator<char>(in)), {});
}

inline uint32_t U32LE(const std::vector<uint8_t>& b, size_t at) {
    return b[at] | (b[at + 1] << 8) | (b[at + 2] << 16) | (static_cast<uint32_t>(b[at + 3]) << 24);
}

}  // namespace exporttest
