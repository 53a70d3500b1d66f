// MIDI export: for each chip channel a private player plays the song once, and the
// channel's note starts, ends and output volumes become note and controller events at 8
// ticks per frame (64 ticks per quarter note at 133333 microseconds each).
#include "export/MidiExport.h"

#include <cstdio>
#include <cstring>
#include <memory>

#include "app/SafeFile.h"
#include "export/ByteBuffer.h"
#include "sound/NoteTable.h"
#include "sound/Player.h"

namespace {

constexpr int kTracks = 5;
constexpr uint16_t kDivision = 64;
constexpr uint32_t kTicksPerFrame = 8;
constexpr uint16_t kBaseLevel[16] = {7590, 5940, 4840, 3850, 3080, 2475, 1980, 1650,
                                     1320, 990,  825,  660,  550,  440,  330,  0};
constexpr uint8_t kNoNote = 0xFF;

void PutVarLen(ByteBuffer& out, uint32_t v) {
    uint8_t bytes[5];
    int n = 0;
    do {
        bytes[n++] = static_cast<uint8_t>(v & 0x7F);
        v >>= 7;
    } while (v != 0);
    while (n > 1) out.Put(static_cast<uint8_t>(bytes[--n] | 0x80));
    out.Put(bytes[0]);
}

void PutMeta(ByteBuffer& out, uint32_t delta, uint8_t type, const std::string& text) {
    PutVarLen(out, delta);
    out.Put(0xFF);
    out.Put(type);
    PutVarLen(out, static_cast<uint32_t>(text.size()));
    out.PutText(text);
}

void PutEvent(ByteBuffer& out, uint32_t delta, uint8_t status, uint8_t a, uint8_t b) {
    PutVarLen(out, delta);
    out.Put(status);
    out.Put(a);
    out.Put(b);
}

// Starts a chunk and gives the place of its length.
size_t BeginTrack(ByteBuffer& out) {
    out.Put("MTrk", 4);
    out.PutU32BE(0);
    return out.Size();
}

void EndTrack(ByteBuffer& out, size_t start, uint32_t delta) {
    PutVarLen(out, delta);
    out.Put(0xFF);
    out.Put(0x2F);
    out.Put(0x00);
    out.PatchU32BE(start - 4, static_cast<uint32_t>(out.Size() - start));
}

// Table entry of a note on a channel, or -1 when the note selects none.
int ProgramEntry(int channel, uint8_t note, uint8_t instrument) {
    if (channel != kNoiseChannel) return instrument & 15;
    if (note < kNotePeriodicHigh || note > 254) return -1;
    return 16 + 16 * ((note - kNotePeriodicHigh) / 4) + (instrument & 15);
}

// The MIDI note written for a channel's note, or kNoNote.
uint8_t MidiNote(int channel, uint8_t note) {
    if (channel != kNoiseChannel) return note < 128 ? note : kNoNote;
    if (note < kNotePeriodicHigh || note > 254) return kNoNote;
    static constexpr uint8_t kNoiseNotes[4] = {93, 81, 69, 57};
    return kNoiseNotes[(note - kNotePeriodicHigh) % 4];
}

std::string Printf(const char* format, const std::string& s) {
    const int n = std::snprintf(nullptr, 0, format, s.c_str());
    std::string out(static_cast<size_t>(n), '\0');
    std::snprintf(out.data(), out.size() + 1, format, s.c_str());
    return out;
}

void WriteConductor(ByteBuffer& out, const Module& m) {
    const size_t start = BeginTrack(out);
    PutMeta(out, 0, 0x01, Printf("Name: %s", m.title));
    PutMeta(out, 0, 0x01, Printf("Author: %s", m.author));
    PutMeta(out, 0, 0x01, Printf("Notes: %s", m.notes));
    PutVarLen(out, 0);
    const uint8_t tempo[6] = {0xFF, 0x51, 0x03, 0x02, 0x08, 0xD5};  // 133333 us per quarter
    out.Put(tempo, sizeof tempo);
    EndTrack(out, start, 0);
}

void WriteChannelTrack(ByteBuffer& out, const Module& m, Player& player, int c,
                       const MidiProgramTable& programs) {
    const size_t start = BeginTrack(out);
    char name[16];
    std::snprintf(name, sizeof name, "Channel %d", c);
    PutMeta(out, 0, 0x03, name);

    player.SetSpeed(m.initialSpeed);
    player.Start(0, 0, 0);
    bool noteOn = false;
    uint8_t lastNote = 0;
    uint8_t lastProgram = 255;
    uint8_t lastVolume = 255;
    uint32_t delta = 0;
    const uint8_t channel = static_cast<uint8_t>(c);

    do {
        player.PlayFrame();
        const ChannelState& s = player.channels[c];
        if (s.started) {
            if (noteOn) {
                PutEvent(out, delta, 0x80 | channel, lastNote, 127);
                noteOn = false;
                delta = 0;
            }
            const int entry = ProgramEntry(c, s.note, s.instrumentNumber);
            const uint8_t n = MidiNote(c, s.note);
            if (s.volume != 0 && entry >= 0 && n != kNoNote) {
                const uint8_t p = programs.program[entry] & 0x7F;
                noteOn = true;
                if (p != lastProgram) {
                    PutVarLen(out, 0);
                    out.Put(0xC0 | channel);
                    out.Put(p);
                    lastProgram = p;
                }
                PutEvent(out, delta, 0x90 | channel, n, 127);
                lastNote = n;
                delta = 0;
            }
        }
        if (!s.active && noteOn) {
            PutEvent(out, delta, 0x80 | channel, lastNote, 127);
            noteOn = false;
            delta = 0;
        }
        if (noteOn) {
            const uint8_t v = static_cast<uint8_t>(kBaseLevel[15 - (s.outputVolume & 15)] * 127 / 7590);
            if (v != lastVolume) {
                PutEvent(out, delta, 0xB0 | channel, 7, v);
                lastVolume = v;
                delta = 0;
            }
        }
        delta += kTicksPerFrame;
    } while (!player.looped);

    if (noteOn) {
        PutEvent(out, delta, 0x80 | channel, lastNote, 127);
        delta = 0;
    }
    EndTrack(out, start, delta);
}

}  // namespace

MidiProgramTable::MidiProgramTable() {
    for (int i = 0; i < 16; ++i) {
        program[i] = kDefaultTone;
        program[16 + i] = kDefaultPeriodicNoise;
        program[32 + i] = kDefaultWhiteNoise;
    }
}

std::vector<MidiInstrumentUse> ListMidiInstrumentUses(const Module& module) {
    bool found[MidiProgramTable::kEntries] = {};
    for (const Pattern& pattern : module.patterns) {
        if (!pattern.used) continue;
        const int length = pattern.length > kMaxLines ? kMaxLines : pattern.length;
        for (int l = 0; l < length; ++l) {
            const PatternLine& line = pattern.lines[l];
            for (int c = 0; c < kChannels; ++c) {
                const uint8_t note = line.note[c];
                const uint8_t ins = line.instrument[c] & 15;
                if (c != kNoiseChannel) {
                    if (note >= kNoteLowestPlayable && note <= kNoteHighestPlayable) found[ins] = true;
                } else if (note >= kNotePeriodicHigh && note < kNoteWhiteHigh) {
                    found[16 + ins] = true;
                } else if (note >= kNoteWhiteHigh && note <= 254) {
                    found[32 + ins] = true;
                }
            }
        }
    }
    std::vector<MidiInstrumentUse> uses;
    for (int e = 0; e < MidiProgramTable::kEntries; ++e) {
        if (!found[e]) continue;
        MidiInstrumentUse u;
        u.instrument = static_cast<uint8_t>(e % 16);
        u.use = static_cast<MidiUse>(e / 16);
        u.entry = static_cast<uint8_t>(e);
        char number[8];
        std::snprintf(number, sizeof number, "%2d ", u.instrument);
        u.label = number;
        if (u.use == MidiUse::PeriodicNoise) u.label += "PE";
        if (u.use == MidiUse::WhiteNoise) u.label += "WN";
        // The name field holds at most 32 characters and a terminator; a file may have
        // filled all 33 bytes.
        const std::string name(module.instruments[u.instrument].name,
                               strnlen(module.instruments[u.instrument].name, kNameLength));
        u.label += Printf("%32s", name);
        uses.push_back(std::move(u));
    }
    return uses;
}

std::vector<uint8_t> BuildMIDI(const Module& module, const MidiProgramTable& programs) {
    ByteBuffer out;
    out.Put("MThd", 4);
    out.PutU32BE(6);
    out.PutU16BE(1);
    out.PutU16BE(kTracks);
    out.PutU16BE(kDivision);
    WriteConductor(out, module);
    auto player = std::make_unique<Player>();
    player->Bind(module);
    for (int c = 0; c < kChannels; ++c) WriteChannelTrack(out, module, *player, c, programs);
    return std::move(out.Bytes());
}

void ExportMIDI(const Module& module, const std::string& path, const MidiProgramTable& programs) {
    WriteFileSafely(path,
                    [&](FILE* file) {
                        const std::vector<uint8_t> bytes = BuildMIDI(module, programs);
                        return fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
                    },
                    {"", "ExportMIDI(): Couldn't write file"});
}

bool ExportMIDI(const Module& module, const std::string& path, const MidiProgramChooser& choose) {
    MidiProgramTable programs;
    if (choose && !choose(ListMidiInstrumentUses(module), programs)) return false;
    ExportMIDI(module, path, programs);
    return true;
}
