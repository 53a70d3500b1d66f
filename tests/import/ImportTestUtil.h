// Small builders of MOD, MIDI and VGM files and helpers to read songs back, shared by the
// importer tests.
#pragma once

#include <zlib.h>

#include <cstdint>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "import/Importers.h"
#include "module/Module.h"

namespace importtest {

using Bytes = std::vector<uint8_t>;

inline void PutU16BE(Bytes& b, size_t at, uint16_t v) {
    b[at] = static_cast<uint8_t>(v >> 8);
    b[at + 1] = static_cast<uint8_t>(v);
}
inline void AppendU16BE(Bytes& b, uint16_t v) {
    b.push_back(static_cast<uint8_t>(v >> 8));
    b.push_back(static_cast<uint8_t>(v));
}
inline void AppendU32BE(Bytes& b, uint32_t v) {
    for (int s = 24; s >= 0; s -= 8) b.push_back(static_cast<uint8_t>(v >> s));
}
inline void AppendU32LE(Bytes& b, uint32_t v) {
    for (int s = 0; s < 32; s += 8) b.push_back(static_cast<uint8_t>(v >> s));
}
inline void AppendText(Bytes& b, const char* text) {
    b.insert(b.end(), text, text + std::strlen(text));
}

// A MOD with `patterns` empty patterns of `channels` channels and no samples.
struct ModBuilder {
    Bytes bytes;
    int channels;
    explicit ModBuilder(int channels = 4, int patterns = 1, const char* title = "song")
        : channels(channels) {
        bytes.assign(1084 + static_cast<size_t>(patterns) * channels * 256, 0);
        std::memcpy(bytes.data(), title, std::min<size_t>(std::strlen(title), 20));
        bytes[950] = 1;
        std::memcpy(bytes.data() + 1080, channels == 2 ? "2CHN" : "M.K.", 4);
    }
    // Sample s (1..31): length, volume, loop in bytes; the data is appended at the end.
    void Sample(int s, const Bytes& data, uint8_t volume, uint32_t repeatStart = 0,
                uint32_t repeatLength = 2) {
        const size_t h = 20 + (s - 1) * 30;
        PutU16BE(bytes, h + 22, static_cast<uint16_t>(data.size() / 2));
        bytes[h + 25] = volume;
        PutU16BE(bytes, h + 26, static_cast<uint16_t>(repeatStart / 2));
        PutU16BE(bytes, h + 28, static_cast<uint16_t>(repeatLength / 2));
        bytes.insert(bytes.end(), data.begin(), data.end());
    }
    void Cell(int pattern, int row, int channel, int sample, int period, int effect, int param) {
        uint8_t* c = bytes.data() + 1084 +
                     ((static_cast<size_t>(pattern) * 64 + row) * channels + channel) * 4;
        c[0] = static_cast<uint8_t>((sample & 0xF0) | ((period >> 8) & 0x0F));
        c[1] = static_cast<uint8_t>(period);
        c[2] = static_cast<uint8_t>(((sample & 0x0F) << 4) | effect);
        c[3] = static_cast<uint8_t>(param);
    }
    void Orders(std::initializer_list<int> orders) {
        bytes[950] = static_cast<uint8_t>(orders.size());
        int i = 0;
        for (int o : orders) bytes[952 + i++] = static_cast<uint8_t>(o);
    }
};

// A MIDI file: "MThd" with the given format and division, then the given track bodies.
inline Bytes MidiFile(uint16_t division, const std::vector<Bytes>& tracks, uint16_t format = 1) {
    Bytes b;
    AppendText(b, "MThd");
    AppendU32BE(b, 6);
    AppendU16BE(b, format);
    AppendU16BE(b, static_cast<uint16_t>(tracks.size()));
    AppendU16BE(b, division);
    for (const Bytes& t : tracks) {
        AppendText(b, "MTrk");
        AppendU32BE(b, static_cast<uint32_t>(t.size()));
        b.insert(b.end(), t.begin(), t.end());
    }
    return b;
}
inline void AppendVarLen(Bytes& b, uint32_t v) {
    uint8_t tmp[5];
    int n = 0;
    tmp[n++] = v & 0x7F;
    while (v >>= 7) tmp[n++] = static_cast<uint8_t>(0x80 | (v & 0x7F));
    while (n) b.push_back(tmp[--n]);
}

// A version 1.10 VGM log around `commands` (the end-of-data command is appended).
inline Bytes VgmFile(const Bytes& commands, uint32_t clock = 3579545, uint32_t version = 0x110) {
    Bytes b(0x40, 0);
    std::memcpy(b.data(), "Vgm ", 4);
    const uint32_t eof = static_cast<uint32_t>(0x40 + commands.size() + 1 - 4);
    for (int i = 0; i < 4; ++i) {
        b[0x04 + i] = static_cast<uint8_t>(eof >> (8 * i));
        b[0x08 + i] = static_cast<uint8_t>(version >> (8 * i));
        b[0x0C + i] = static_cast<uint8_t>(clock >> (8 * i));
    }
    b.insert(b.end(), commands.begin(), commands.end());
    b.push_back(0x66);
    return b;
}

inline Bytes ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return Bytes((std::istreambuf_iterator<char>(in)), {});
}
// A plain or gzip-compressed file's bytes, uncompressed (empty when it cannot be read).
inline Bytes Gunzipped(const std::string& path) {
    Bytes out;
    gzFile g = gzopen(path.c_str(), "rb");
    if (!g) return out;
    uint8_t buffer[65536];
    int n;
    while ((n = gzread(g, buffer, sizeof buffer)) > 0) out.insert(out.end(), buffer, buffer + n);
    gzclose(g);
    return out;
}
inline bool WriteFile(const std::string& path, const Bytes& bytes) {
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
    return static_cast<bool>(out);
}

// Lines of the song in order-list order.
inline long SongLines(const Module& m) {
    long lines = 0;
    for (int p = 0; p < m.songLength; ++p) lines += m.patterns[m.orderList[p]].length;
    return lines;
}
// Line `i` of the song counted through the order list.
inline const PatternLine& SongLine(const Module& m, long i) {
    for (int p = 0; p < m.songLength; ++p) {
        const Pattern& pattern = m.patterns[m.orderList[p]];
        if (i < pattern.length) return pattern.lines[i];
        i -= pattern.length;
    }
    return m.patterns[0].lines[0];
}

inline ChipSettings Chip(uint8_t type, uint8_t divider = 0) {
    ChipSettings c;
    c.chipType = type;
    c.frequencyDivider = divider;
    return c;
}

// Dialogs that confirm with fixed chip settings.
inline ModDialog ModOkay(uint8_t type, uint8_t divider = 0) {
    return [=](const ModProbe&, ModOptions& o) {
        o.chip = Chip(type, divider);
        return true;
    };
}
inline MidiDialog MidiOkay(uint8_t type, uint8_t divider = 0) {
    return [=](const MidiProbe&, MidiOptions& o) {
        o.chip = Chip(type, divider);
        return true;
    };
}
inline VgmDialog VgmOkay(uint8_t type, uint8_t divider = 0) {
    return [=](const VgmProbe&, VgmOptions& o) {
        o.chip = Chip(type, divider);
        return true;
    };
}
inline BasicDialog BasicOkay(uint8_t type, uint8_t divider = 0) {
    return [=](BasicOptions& o) {
        o.chip = Chip(type, divider);
        return true;
    };
}

inline std::string TestData(const std::string& relative) {
    return std::string(TW_TESTDATA_DIR) + "/" + relative;
}

}  // namespace importtest
