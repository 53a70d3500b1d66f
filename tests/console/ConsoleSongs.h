// The songs the console replayer is held against: the crafted songs that exercise every
// command of the compiled format, random songs and imported ones.
#pragma once

#include <algorithm>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "app/Exceptions.h"
#include "import/Importers.h"
#include "tests/export/ExportTestUtil.h"

namespace console {

using namespace exporttest;

inline void MakeLivelyInstrument(Instrument& ins, uint8_t seed) {
    ins.startVolume = 0xF8;
    const uint8_t delays[4] = {3, 5, 0, 7};
    const uint8_t adds[5] = {0xF0, 0x08, 0xFC, 0x02, 0xFF};
    for (int p = 0; p < 4; ++p) ins.delay[p] = static_cast<uint8_t>(delays[p] + (seed & 1));
    for (int p = 0; p < 5; ++p) {
        ins.volumeAdd[p] = adds[p];
        ins.vibSpeed[p] = static_cast<uint8_t>((p + seed) & 3);
        ins.vibStrength[p] = static_cast<uint8_t>((p * 4 + seed) & 15);
    }
}

// Notes with detunes, "Nul", unplayable notes, noise in every mode and following channel 2,
// "VO", "PV" offsets and masks, speeds below 8, stereo, markers; steps of 32 and 8 lines.
inline std::unique_ptr<Module> EveryFeatureSong() {
    auto m = NewModule();
    MakeLivelyInstrument(m->instruments[2], 0);
    MakeLivelyInstrument(m->instruments[7], 1);
    m->instruments[11].startVolume = 0x40;
    m->instruments[11].volumeAdd[0] = 0x10;
    m->MakePattern(1);
    m->SetPatternLength(1, 40);
    m->MakePattern(2);
    m->SetPatternLength(2, 7);
    const uint8_t order[4] = {0, 1, 2, 1};
    for (int i = 0; i < 4; ++i) m->orderList[i] = order[i];
    m->songLength = 4;
    m->repeatPosition = 1;
    m->initialSpeed = 20;
    Note(*m, 0, 0, 0, 60, 2, 15, -7);
    Note(*m, 0, 0, 1, 64, 7, 12, 3);
    Note(*m, 0, 0, 2, 246, 11, 10, 99);
    Note(*m, 0, 4, 2, 246, 11, 10, 0);
    Note(*m, 0, 9, 0, 130, 2, 15);
    Note(*m, 0, 12, 0, 119, 7, 15, -99);
    Note(*m, 0, 20, 1, 45, 2, 9, 1);
    const uint8_t noises[8] = {247, 247, 248, 249, 250, 251, 252, 254};
    for (int i = 0; i < 8; ++i)
        Note(*m, 0, 3 + 6 * i, 3, noises[i], static_cast<uint8_t>(i & 1 ? 7 : 2), 15);
    Note(*m, 0, 60, 3, 60, 2, 15);
    Effect(*m, 0, 0, 1, kEffectVO, 5);
    Effect(*m, 0, 14, 1, kEffectVO, 13);
    Effect(*m, 0, 2, 0, kEffectPV, 0xF6);
    Effect(*m, 0, 2, 1, kEffectPV, 20);
    Effect(*m, 0, 2, 3, kEffectPV, 20);
    Global(*m, 0, 6, 0, kGlobalPV, 0xFF);
    Global(*m, 0, 16, 1, kGlobalPV, 0x00);
    Global(*m, 0, 24, 0, kGlobalPV, 0x93);
    Global(*m, 0, 10, 0, kGlobalSP, 12);
    Global(*m, 0, 30, 0, kGlobalSP, 5);
    Global(*m, 0, 40, 1, kGlobalSP, 33);
    Global(*m, 0, 1, 1, kGlobalST, 0x3C);
    Global(*m, 0, 33, 0, kGlobalCB, 0x12);
    Global(*m, 0, 33, 1, kGlobalCB, 0x34);
    for (int l = 0; l < 40; l += 3)
        Note(*m, 1, l, l % 3, static_cast<uint8_t>(50 + l), 7, 15, static_cast<int8_t>(l - 20));
    for (int l = 1; l < 40; l += 5) Note(*m, 1, l, 3, static_cast<uint8_t>(247 + l % 8), 2, 11);
    Global(*m, 1, 35, 0, kGlobalST, 0xF1);
    Global(*m, 1, 39, 0, kGlobalSP, 255);
    Note(*m, 2, 0, 0, 88, 2, 15);
    Effect(*m, 2, 3, 0, kEffectPV, 30);
    Global(*m, 2, 6, 1, kGlobalSP, 8);
    return m;
}

// A song for the chip at half clock on a PAL console, with periods above 511.
inline std::unique_ptr<Module> HalfClockPalSong() {
    auto m = NewModule(1, 1);
    MakeLivelyInstrument(m->instruments[1], 1);
    m->SetPatternLength(0, 24);
    m->initialSpeed = 24;
    for (int l = 0; l < 24; l += 2)
        Note(*m, 0, l, l % 3, static_cast<uint8_t>(45 + l * 3), 1, 15, static_cast<int8_t>(l));
    Note(*m, 0, 5, 3, 250, 1, 13);
    Note(*m, 0, 13, 3, 254, 1, 13);
    return m;
}

// The longest pattern (8 steps), a pattern of one line, and a song that repeats from its
// last position.
inline std::unique_ptr<Module> LongAndShortPatternsSong() {
    auto m = NewModule();
    m->initialSpeed = 8;
    m->SetPatternLength(0, 256);
    for (int l = 0; l < 256; l += 7) Note(*m, 0, l, l % 4 == 3 ? 0 : l % 4, static_cast<uint8_t>(45 + l % 70));
    m->MakePattern(1);
    m->SetPatternLength(1, 1);
    Note(*m, 1, 0, 3, 251);
    m->orderList[1] = 1;
    m->songLength = 2;
    m->repeatPosition = 1;
    return m;
}

// The most work a line can ask for, one line per frame: a note on every channel, each with
// an instrument whose phase 0 lasts one frame (so the note's second frame already plays
// phase 1) and whose later phases move the curve and the envelope, "PV" offsets ahead of
// the notes and a "PV" mask that applies them, a "VO" on the notes' line, two markers or a
// speed and a stereo change, and every step ending on such a line. For the chip at half
// clock, so that the tracker's pitch doubles every period.
inline std::unique_ptr<Module> BusiestLinesSong() {
    auto m = NewModule(0, 1);
    for (int i = 0; i < 4; ++i) {
        Instrument& ins = m->instruments[i];
        ins.startVolume = static_cast<uint8_t>(0xF0 - 0x20 * i);
        ins.delay[0] = 1;
        for (int p = 1; p < 4; ++p) ins.delay[p] = static_cast<uint8_t>(2 + i + p);
        for (int p = 0; p < 5; ++p) {
            ins.volumeAdd[p] = static_cast<uint8_t>(p & 1 ? 0xFE : 0x01);
            ins.vibSpeed[p] = static_cast<uint8_t>((p + i) & 3);
            ins.vibStrength[p] = static_cast<uint8_t>(15 - p - i);
        }
    }
    m->initialSpeed = 8;
    m->SetPatternLength(0, 96);
    for (int l = 0; l < 96; ++l) {
        if (l % 3 == 2 && l % 32 != 31) continue;  // a line at rest now and then
        for (int c = 0; c < 4; ++c) {
            const uint8_t note = static_cast<uint8_t>(c == 3 ? 247 + (l + c) % 8 : 45 + (l * 7 + c * 13) % 75);
            Note(*m, 0, l, c, note, static_cast<uint8_t>((l + c) & 3), static_cast<uint8_t>(15 - (l + c) % 16),
                 static_cast<int8_t>((l * 5 + c) % 41 - 20));
            if (c < 3) Effect(*m, 0, l, c, l & 1 ? kEffectPV : kEffectVO, static_cast<uint8_t>(l & 1 ? 0x70 + l : 9 + c));
        }
        Global(*m, 0, l, 0, l & 1 ? kGlobalCB : kGlobalPV, static_cast<uint8_t>(l & 1 ? l : 0xFF));
        Global(*m, 0, l, 1, l & 1 ? kGlobalCB : kGlobalST, static_cast<uint8_t>(l & 1 ? l + 1 : 0x5A + l));
    }
    Global(*m, 0, 63, 0, kGlobalSP, 8);
    return m;
}

inline std::vector<std::unique_ptr<Module>> CraftedSongs() {
    std::vector<std::unique_ptr<Module>> songs;
    songs.push_back(EveryFeatureSong());
    songs.push_back(HalfClockPalSong());
    songs.push_back(LongAndShortPatternsSong());
    return songs;
}

inline std::unique_ptr<Module> DemoSong() {
    auto m = NewModule();
    if (!m->Load(std::string(TW_SOURCE_DIR) + "/assets/demo/demo.quavex")) return nullptr;
    return m;
}

// Every importable file of the shared test data that imports, with the default choices.
inline std::vector<std::pair<std::string, std::unique_ptr<Module>>> ImportedSongs() {
    std::vector<std::pair<std::string, std::unique_ptr<Module>>> songs;
    const std::filesystem::path root = std::string(TW_TESTDATA_DIR);
    if (!std::filesystem::exists(root)) return songs;
    std::vector<std::filesystem::path> files;
    for (const auto& e : std::filesystem::recursive_directory_iterator(root))
        if (e.is_regular_file() && e.path().filename() != "SOURCES.txt") files.push_back(e.path());
    std::sort(files.begin(), files.end());
    for (const auto& path : files) {
        auto m = NewModule();
        ImportOptions options;
        options.SetChip(0, 0);
        StandardImportHandler handler(options);
        try {
            if (!m->Load(path.string(), &handler)) continue;
        } catch (const Exception&) {
            continue;  // damaged on purpose
        }
        songs.emplace_back(path.filename().string(), std::move(m));
    }
    return songs;
}

}  // namespace console
