// Real files written by other people import without error, and the songs' lengths agree
// with lengths worked out here from the files' own structure, by code that shares nothing
// with the importers.
#include <gtest/gtest.h>
#include <zlib.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <map>
#include <memory>

#include "ImportTestUtil.h"

using namespace importtest;
namespace fs = std::filesystem;

namespace {

std::vector<std::string> FilesIn(const std::string& dir) {
    std::vector<std::string> files;
    const std::string path = TestData(dir);
    if (!fs::is_directory(path)) return files;
    for (const auto& e : fs::directory_iterator(path))
        if (e.is_regular_file()) files.push_back(e.path().string());
    std::sort(files.begin(), files.end());
    return files;
}

// Seconds a MOD song lasts: rows x ticks per row x 2.5 / tempo, following speed and tempo
// changes and pattern breaks, ignoring position jumps.
double ModSeconds(const Bytes& f, int channels) {
    const int songLength = f[950];
    int speed = 6, tempo = 125;
    double seconds = 0;
    int startRow = 0;
    for (int pos = 0; pos < songLength; ++pos) {
        const int pattern = f[952 + pos];
        int nextStart = 0;
        for (int row = startRow; row < 64; ++row) {
            bool breaks = false;
            for (int c = 0; c < channels; ++c) {
                const size_t at =
                    1084 + ((static_cast<size_t>(pattern) * 64 + row) * channels + c) * 4;
                if (at + 4 > f.size()) continue;
                const int effect = f[at + 2] & 0x0F, param = f[at + 3];
                if (effect == 0xF) {
                    if (param >= 32)
                        tempo = param;
                    else
                        speed = std::max(param, 1);
                } else if (effect == 0xD) {
                    breaks = true;
                    nextStart = std::min((param >> 4) * 10 + (param & 15), 63);
                }
            }
            seconds += speed * 2.5 / tempo;
            if (breaks) break;
        }
        startRow = nextStart;
    }
    return seconds;
}

// Seconds until the last event of a standard MIDI file, through its tempo map.
double MidiSeconds(const Bytes& f) {
    const int division = f[12] << 8 | f[13];
    std::multimap<uint64_t, uint32_t> tempos;  // tick -> microseconds per quarter
    uint64_t lastTick = 0;
    size_t at = 14;
    while (at + 8 <= f.size()) {
        const uint32_t length =
            static_cast<uint32_t>(f[at + 4]) << 24 | f[at + 5] << 16 | f[at + 6] << 8 | f[at + 7];
        const bool track = std::memcmp(&f[at], "MTrk", 4) == 0;
        size_t p = at + 8;
        const size_t end = std::min(f.size(), p + length);
        at = p + length;
        if (!track) continue;
        uint64_t tick = 0;
        uint8_t status = 0;
        auto varlen = [&] {
            uint32_t v = 0;
            while (p < end) {
                const uint8_t b = f[p++];
                v = v << 7 | (b & 0x7F);
                if (!(b & 0x80)) break;
            }
            return v;
        };
        while (p < end) {
            tick += varlen();
            if (p >= end) break;
            uint8_t b = f[p];
            if (b >= 0x80) {
                ++p;
                if (b < 0xF0) status = b;
            } else {
                b = status;
            }
            if (b == 0xFF) {
                const uint8_t type = f[p++];
                const uint32_t n = varlen();
                if (type == 0x51 && n == 3)
                    tempos.emplace(tick, f[p] << 16 | f[p + 1] << 8 | f[p + 2]);
                p += n;
                if (type == 0x2F) break;
                continue;
            }
            if (b == 0xF0 || b == 0xF7) {
                p += varlen();
                continue;
            }
            p += ((b & 0xF0) == 0xC0 || (b & 0xF0) == 0xD0) ? 1 : 2;
            lastTick = std::max(lastTick, tick);
        }
        lastTick = std::max(lastTick, tick);
    }
    double seconds = 0;
    uint64_t tick = 0;
    uint32_t tempo = 500000;
    for (const auto& [when, value] : tempos) {
        if (when > lastTick) break;
        seconds += static_cast<double>(when - tick) * tempo / division / 1e6;
        tick = when;
        tempo = value;
    }
    return seconds + static_cast<double>(lastTick - tick) * tempo / division / 1e6;
}

void ExpectWithin2Percent(double expected, double actual, const std::string& file) {
    EXPECT_NEAR(actual, expected, std::max(2.0, expected * 0.02)) << file;
}

}  // namespace

TEST(RealFiles, ModSongsLastAsLongAsTheirRowsAndTempos) {
    const auto files = FilesIn("mod");
    if (files.empty()) GTEST_SKIP() << "no MOD test files";
    for (const std::string& path : files) {
        const Bytes f = ReadFile(path);
        ASSERT_GE(f.size(), 1084u) << path;
        const int channels = std::memcmp(&f[1080], "2CHN", 4) == 0 ? 2 : 4;
        for (uint8_t chip : {0, 1}) {
            auto mHolder = std::make_unique<Module>();
            Module& m = *mHolder;
            bool made = false;
            ASSERT_NO_THROW(made = ImportMod(m, f.data(), f.size(), channels, ModOkay(chip)))
                << path;
            ASSERT_TRUE(made) << path;
            ExpectWithin2Percent(ModSeconds(f, channels) * (chip ? 50 : 60), SongLines(m), path);
        }
    }
}

TEST(RealFiles, MidiSongsLastUntilTheirLastEvent) {
    const auto files = FilesIn("mid");
    if (files.empty()) GTEST_SKIP() << "no MIDI test files";
    for (const std::string& path : files) {
        const Bytes f = ReadFile(path);
        for (uint8_t chip : {0, 1}) {
            auto mHolder = std::make_unique<Module>();
            Module& m = *mHolder;
            bool made = false;
            ASSERT_NO_THROW(made = ImportMidi(m, f.data(), f.size(), MidiOkay(chip))) << path;
            ASSERT_TRUE(made) << path;
            // One line per frame, and the line after the last frame.
            ExpectWithin2Percent(MidiSeconds(f) * (chip ? 50 : 60) + 1, SongLines(m), path);
            long notes = 0;
            for (long i = 0; i < SongLines(m); ++i)
                for (int c = 0; c < 4; ++c) notes += SongLine(m, i).volume[c] > 0;
            EXPECT_GT(notes, 0) << path;
        }
    }
}

TEST(RealFiles, VgmLogsLastTheirTotalSamples) {
    const auto files = FilesIn("vgm");
    if (files.empty()) GTEST_SKIP() << "no VGM test files";
    for (const std::string& path : files) {
        const Bytes f = Gunzipped(path);
        ASSERT_GE(f.size(), 0x40u) << path;
        const uint32_t totalSamples =
            f[0x18] | f[0x19] << 8 | f[0x1A] << 16 | static_cast<uint32_t>(f[0x1B]) << 24;
        for (uint8_t chip : {0, 1}) {
            auto mHolder = std::make_unique<Module>();
            Module& m = *mHolder;
            bool made = false;
            ASSERT_NO_THROW(made = ImportVgmFile(m, path, VgmOkay(chip))) << path;
            ASSERT_TRUE(made) << path;
            ExpectWithin2Percent(totalSamples / (chip ? 882.0 : 735.0), SongLines(m), path);
        }
    }
}

TEST(RealFiles, EveryBasicProgramImportsAndMusicGivesNotes) {
    const auto files = FilesIn("bas");
    if (files.empty()) GTEST_SKIP() << "no BASIC test files";
    for (const std::string& path : files) {
        const Bytes f = ReadFile(path);
        auto mHolder = std::make_unique<Module>();
        Module& m = *mHolder;
        bool made = false;
        ASSERT_NO_THROW(made = ImportBasic(m, f.data(), f.size(), BasicOkay(0))) << path;
        ASSERT_TRUE(made) << path;
        const std::string text(f.begin(), f.end());
        const bool hasMusic = text.find("PLAY \"") != std::string::npos ||
                              text.find("PLAY A") != std::string::npos ||
                              text.find("PLAY Listen") != std::string::npos;
        long notes = 0;
        for (long i = 0; i < SongLines(m); ++i) notes += SongLine(m, i).note[0] <= kNoteLastTone;
        if (hasMusic) {
            EXPECT_GT(notes, 0) << path;
        }
    }
}
