// A strict Standard MIDI File reader for the tests, written from the file format alone and
// sharing nothing with the exporter, so that it can judge the exporter's files.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <utility>
#include <vector>

namespace miditest {

struct Event {
    uint32_t tick;          // absolute
    uint8_t status;         // 0x80..0xEF, 0xF0/0xF7 (sysex) or 0xFF (meta)
    uint8_t meta;           // meta type when status is 0xFF
    std::vector<uint8_t> data;
};

struct Track {
    std::vector<Event> events;
    uint32_t endTick = 0;
};

struct File {
    int format = -1;
    int division = 0;
    std::vector<Track> tracks;
};

class Reader {
public:
    explicit Reader(const std::vector<uint8_t>& bytes) : b(bytes) {}

    // Fills `out`; on failure returns false and `error` says where.
    bool Read(File& out) {
        if (!Tag("MThd") || U32() != 6) return Fail("bad header chunk");
        out.format = U16();
        const int tracks = U16();
        out.division = U16();
        if (!ok) return Fail("short header");
        for (int t = 0; t < tracks; ++t) {
            if (!Tag("MTrk")) return Fail("missing track chunk");
            const uint32_t length = U32();
            if (!ok || length > b.size() - pos) return Fail("track runs past the file");
            Track track;
            if (!ReadTrack(pos + length, track)) return false;
            out.tracks.push_back(std::move(track));
        }
        if (pos != b.size()) return Fail("bytes after the last track");
        return true;
    }

    std::string error;

private:
    bool ReadTrack(size_t end, Track& track) {
        uint32_t tick = 0;
        uint8_t running = 0;
        bool ended = false;
        while (pos < end) {
            if (ended) return Fail("event after end of track");
            uint32_t delta;
            if (!VarLen(end, delta)) return Fail("bad delta");
            tick += delta;
            if (pos >= end) return Fail("missing event");
            Event e{tick, 0, 0, {}};
            uint8_t first = b[pos];
            if (first == 0xFF) {
                ++pos;
                if (pos >= end) return Fail("short meta");
                e.status = 0xFF;
                e.meta = b[pos++];
                uint32_t length;
                if (!VarLen(end, length) || length > end - pos) return Fail("bad meta length");
                e.data.assign(b.begin() + pos, b.begin() + pos + length);
                pos += length;
                if (e.meta == 0x2F) {
                    if (length != 0) return Fail("end of track with data");
                    ended = true;
                    track.endTick = tick;
                }
            } else if (first == 0xF0 || first == 0xF7) {
                ++pos;
                e.status = first;
                uint32_t length;
                if (!VarLen(end, length) || length > end - pos) return Fail("bad sysex length");
                e.data.assign(b.begin() + pos, b.begin() + pos + length);
                pos += length;
            } else {
                if (first & 0x80) {
                    running = first;
                    ++pos;
                } else if (running == 0) {
                    return Fail("data byte without status");
                }
                e.status = running;
                const int kind = running >> 4;
                const size_t n = (kind == 0xC || kind == 0xD) ? 1 : 2;
                if (end - pos < n) return Fail("short channel message");
                for (size_t i = 0; i < n; ++i) {
                    if (b[pos] & 0x80) return Fail("status byte where data expected");
                    e.data.push_back(b[pos++]);
                }
            }
            track.events.push_back(std::move(e));
        }
        if (!ended) return Fail("track without end");
        return true;
    }

    bool VarLen(size_t end, uint32_t& v) {
        v = 0;
        for (int i = 0; i < 4; ++i) {
            if (pos >= end) return false;
            const uint8_t c = b[pos++];
            v = (v << 7) | (c & 0x7F);
            if (!(c & 0x80)) return true;
        }
        return false;
    }
    bool Tag(const char* t) {
        if (b.size() - pos < 4) return ok = false;
        for (int i = 0; i < 4; ++i)
            if (b[pos + i] != static_cast<uint8_t>(t[i])) return false;
        pos += 4;
        return true;
    }
    uint32_t U32() {
        if (b.size() - pos < 4) return ok = false;
        const uint32_t v = (b[pos] << 24) | (b[pos + 1] << 16) | (b[pos + 2] << 8) | b[pos + 3];
        pos += 4;
        return v;
    }
    int U16() {
        if (b.size() - pos < 2) return ok = false;
        const int v = (b[pos] << 8) | b[pos + 1];
        pos += 2;
        return v;
    }
    bool Fail(const std::string& what) {
        error = what + " at byte " + std::to_string(pos);
        return false;
    }

    const std::vector<uint8_t>& b;
    size_t pos = 0;
    bool ok = true;
};

// Empty when every note-on (velocity above 0) of a track is ended by a note-off (or a
// note-on with velocity 0) of the same channel and key before the end of the track, and no
// note-off comes without its note-on.
inline std::string CheckBalancedNotes(const Track& track) {
    std::map<std::pair<int, int>, int> sounding;
    for (const Event& e : track.events) {
        const int kind = e.status >> 4;
        if (kind != 0x8 && kind != 0x9) continue;
        const auto key = std::make_pair(e.status & 15, static_cast<int>(e.data[0]));
        if (kind == 0x9 && e.data[1] > 0) {
            if (sounding[key]++ != 0) return "note on while sounding at tick " + std::to_string(e.tick);
        } else if (sounding[key]-- != 1) {
            return "note off without note on at tick " + std::to_string(e.tick);
        }
    }
    for (const auto& [key, n] : sounding)
        if (n != 0) return "note left sounding";
    return "";
}

}  // namespace miditest
