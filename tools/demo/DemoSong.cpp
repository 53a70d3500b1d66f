// The demo song that ships with the tracker, composed in code so that it can be changed and
// regenerated: A minor, lead on channel 0, broken chords on channel 1, bass on channel 2,
// noise drums on channel 3; an intro, two verses, a brighter bridge at a faster speed with
// the chords panned from side to side and a slowing last bar, then back to the verses.
#include "DemoSong.h"

#include <cstring>
#include <initializer_list>

namespace {

// Note numbers (69 is A at 440 Hz); tone channels play 45..119.
enum : uint8_t {
    A2 = 45, C3 = 48, E3 = 52, F3 = 53, G3 = 55,
    C4 = 60, E4 = 64, F4 = 65, G4 = 67, A4 = 69, B4 = 71,
    C5 = 72, D5 = 74, E5 = 76, F5 = 77, G5 = 79, A5 = 81, B5 = 83, C6 = 84, D6 = 86,
    Kick = 249,   // periodic noise, low: a short buzzing thump
    Snare = 252,  // white noise, medium
    Hat = 251,    // white noise, high
};

enum Instruments { kLead, kPluck, kBass, kKick, kSnare, kHat, kBell };

enum Channel { kMelody = 0, kChords = 1, kBassLine = 2, kDrums = 3 };

constexpr int kBar = 16;  // lines per bar, four per beat

struct Chord {
    uint8_t root;    // bass note
    uint8_t tones[3];  // chord tones for the broken chords
};

// Voiced close together so the broken chords move little from one chord to the next.
constexpr Chord kAm = {A2, {A4 - 12, C4, E4}};
constexpr Chord kF = {F3, {A4 - 12, C4, F4}};
constexpr Chord kC = {C3, {G4 - 12, C4, E4}};
constexpr Chord kG = {G3, {G4 - 12, B4 - 12, D5 - 12}};
constexpr Chord kEm = {E3, {G4 - 12, B4 - 12, E4}};

void SetInstrument(Instrument& ins, const char* name, uint8_t startVolume,
                   std::initializer_list<uint8_t> delays, std::initializer_list<uint8_t> adds,
                   std::initializer_list<uint8_t> vibSpeeds,
                   std::initializer_list<uint8_t> vibStrengths) {
    std::memset(&ins, 0, sizeof ins);
    std::strncpy(ins.name, name, kNameLength);
    ins.startVolume = startVolume;
    int i = 0;
    for (uint8_t d : delays) ins.delay[i++] = d;
    i = 0;
    for (uint8_t a : adds) ins.volumeAdd[i++] = a;
    i = 0;
    for (uint8_t s : vibSpeeds) ins.vibSpeed[i++] = s;
    i = 0;
    for (uint8_t s : vibStrengths) ins.vibStrength[i++] = s;
}

// Envelopes are planned so that no falling phase passes level 0 (it would wrap to 15).
void MakeInstruments(Module& m) {
    // A held lead: full for a moment, settling to about level 7, vibrato after a beat.
    SetInstrument(m.instruments[kLead], "Lead", 0xFF, {4, 24, 48, 1}, {0, 0xFD, 0xFF, 0, 0},
                  {0, 0, 1, 1, 1}, {0, 0, 3, 4, 4});
    // Broken chords: a plucked attack falling to a quiet tail.
    SetInstrument(m.instruments[kPluck], "Pluck", 0xDF, {2, 9, 24, 1}, {0, 0xF0, 0xFF, 0, 0},
                  {0, 0, 0, 0, 0}, {0, 0, 0, 0, 0});
    SetInstrument(m.instruments[kBass], "Bass", 0xFF, {6, 32, 1, 1}, {0, 0xFE, 0, 0, 0},
                  {0, 0, 0, 0, 0}, {0, 0, 0, 0, 0});
    // Drums die away to silence (level 0) and stay there.
    SetInstrument(m.instruments[kKick], "Kick", 0xFF, {1, 7, 1, 1}, {0xF0, 0xE0, 0, 0, 0},
                  {0, 0, 0, 0, 0}, {0, 0, 0, 0, 0});
    SetInstrument(m.instruments[kSnare], "Snare", 0xFF, {2, 12, 1, 1}, {0, 0xEC, 0, 0, 0},
                  {0, 0, 0, 0, 0}, {0, 0, 0, 0, 0});
    SetInstrument(m.instruments[kHat], "Hi-hat", 0x9F, {1, 4, 1, 1}, {0, 0xDC, 0, 0, 0},
                  {0, 0, 0, 0, 0}, {0, 0, 0, 0, 0});
    // The bridge's lead: brighter attack, quicker and deeper vibrato.
    SetInstrument(m.instruments[kBell], "Bell lead", 0xFF, {2, 16, 64, 1}, {0, 0xFC, 0xFF, 0, 0},
                  {0, 2, 2, 2, 2}, {0, 2, 4, 5, 5});
}

class PatternWriter {
public:
    PatternWriter(Module& m, int p) : module(m), pattern(p) {
        m.MakePattern(p);
        m.SetPatternLength(p, 4 * kBar);
    }

    void Note(int line, int channel, uint8_t note, int instrument, int volume, int detune = 0) {
        PatternLine& l = module.patterns[pattern].lines[line];
        l.note[channel] = note;
        l.instrument[channel] = static_cast<uint8_t>(instrument);
        l.volume[channel] = static_cast<uint8_t>(volume);
        l.detune[channel] = static_cast<int8_t>(detune);
    }
    void Effect(int line, int channel, uint8_t code, uint8_t param) {
        PatternLine& l = module.patterns[pattern].lines[line];
        l.effect[channel] = code;
        l.effectParam[channel] = param;
    }
    void Global(int line, int column, uint8_t code, uint8_t param) {
        PatternLine& l = module.patterns[pattern].lines[line];
        l.globalCmd[column] = code;
        l.globalParam[column] = param;
    }

    // Bass on the beats with an octave jump on the off-beat of beats two and four.
    void Bass(int bar, uint8_t root) {
        const int b = bar * kBar;
        Note(b + 0, kBassLine, root, kBass, 13);
        Note(b + 4, kBassLine, root, kBass, 11);
        Note(b + 6, kBassLine, static_cast<uint8_t>(root + 12), kBass, 10);
        Note(b + 8, kBassLine, root, kBass, 12);
        Note(b + 12, kBassLine, root, kBass, 11);
        Note(b + 14, kBassLine, static_cast<uint8_t>(root + 12), kBass, 10);
    }

    // Chord tones up and down, one per line, an octave added at the top.
    void Arpeggio(int bar, const Chord& c, int volume) {
        static const int kOrder[kBar] = {0, 1, 2, 3, 2, 1, 0, 1, 2, 3, 2, 1, 0, 1, 2, 1};
        for (int i = 0; i < kBar; ++i) {
            const int k = kOrder[i];
            const uint8_t note = k < 3 ? c.tones[k] : static_cast<uint8_t>(c.tones[0] + 12);
            Note(bar * kBar + i, kChords, note, kPluck, i % 4 == 0 ? volume : volume - 2);
        }
    }

    // Kick on one and three, snare on two and four, hi-hats between.
    void Drums(int bar, bool fill) {
        const int b = bar * kBar;
        for (int i = 0; i < kBar; i += 2) Note(b + i, kDrums, Hat, kHat, 9);
        Note(b + 0, kDrums, Kick, kKick, 15);
        Note(b + 4, kDrums, Snare, kSnare, 12);
        Note(b + 8, kDrums, Kick, kKick, 15);
        Note(b + 10, kDrums, Kick, kKick, 13);
        Note(b + 12, kDrums, Snare, kSnare, 12);
        if (fill) {
            Note(b + 13, kDrums, Snare, kSnare, 10);
            Note(b + 14, kDrums, Snare, kSnare, 12);
            Note(b + 15, kDrums, Snare, kSnare, 14);
        }
    }

    // A melody as (line offset, note) pairs from the start of a bar.
    void Melody(int bar, std::initializer_list<std::pair<int, uint8_t>> notes, int instrument,
                int volume) {
        for (const auto& [offset, note] : notes)
            Note(bar * kBar + offset, kMelody, note, instrument, volume);
    }

private:
    Module& module;
    int pattern;
};

constexpr uint8_t kSpeedVerse = 56;   // 7 frames per line
constexpr uint8_t kSpeedBridge = 48;  // 6 frames per line

void Intro(Module& m) {
    PatternWriter p(m, 0);
    p.Global(0, 0, kGlobalSP, kSpeedVerse);
    p.Global(0, 1, kGlobalST, 0xFF);
    const Chord chords[4] = {kAm, kF, kC, kG};
    for (int bar = 0; bar < 4; ++bar) {
        p.Arpeggio(bar, chords[bar], bar == 0 ? 9 : 11);
        if (bar > 0) p.Bass(bar, chords[bar].root);
        if (bar > 1) p.Drums(bar, bar == 3);
    }
    // The bass enters on a held note under the first bar.
    p.Note(0, kBassLine, A2, kBass, 10);
}

void Verse(Module& m, int pattern, bool second) {
    PatternWriter p(m, pattern);
    p.Global(0, 0, kGlobalSP, kSpeedVerse);
    p.Global(0, 1, kGlobalST, 0xFF);
    p.Effect(0, kMelody, kEffectPV, 0);
    const Chord chords[4] = {kAm, kF, kC, kG};
    for (int bar = 0; bar < 4; ++bar) {
        p.Arpeggio(bar, chords[bar], 10);
        p.Bass(bar, chords[bar].root);
        p.Drums(bar, second && bar == 3);
    }
    if (!second) {
        p.Melody(0, {{0, A4}, {4, C5}, {6, E5}, {12, D5}, {14, C5}}, kLead, 14);
        p.Melody(1, {{0, C5}, {4, A4}, {8, C5}, {10, D5}, {12, C5}}, kLead, 14);
        p.Melody(2, {{0, E5}, {6, G5}, {8, E5}, {12, D5}, {14, C5}}, kLead, 14);
        p.Melody(3, {{0, D5}, {8, B4}, {12, G4}}, kLead, 14);
    } else {
        p.Melody(0, {{0, E5}, {4, A5}, {8, G5}, {10, E5}, {12, C5}}, kLead, 14);
        p.Melody(1, {{0, F5}, {6, E5}, {8, C5}, {12, A4}}, kLead, 14);
        p.Melody(2, {{0, G5}, {4, E5}, {6, C5}, {8, D5}, {12, E5}}, kLead, 14);
        p.Melody(3, {{0, D5}, {6, B4}, {8, G4}, {12, B4}, {14, D5}}, kLead, 14);
        // The last bar warbles: the lead's pitch offset applies on every other line.
        p.Effect(48, kMelody, kEffectPV, 3);
        p.Global(48, 1, kGlobalPV, 0xAA);
    }
}

void Bridge(Module& m) {
    PatternWriter p(m, 3);
    p.Global(0, 0, kGlobalSP, kSpeedBridge);
    p.Effect(0, kMelody, kEffectPV, 0);
    const Chord chords[4] = {kF, kG, kEm, kAm};
    for (int bar = 0; bar < 4; ++bar) {
        // Broken chords swing left, right, left, right; lead, bass and drums stay centred.
        p.Global(bar * kBar, 1, kGlobalST, bar % 2 == 0 ? 0xFD : 0xDF);
        p.Arpeggio(bar, chords[bar], 11);
        p.Bass(bar, chords[bar].root);
        p.Drums(bar, bar == 3);
    }
    p.Melody(0, {{0, A5}, {8, G5}, {12, F5}}, kBell, 14);
    p.Melody(1, {{0, G5}, {8, B5}, {12, D6}}, kBell, 14);
    p.Melody(2, {{0, B5}, {6, G5}, {8, E5}, {12, G5}}, kBell, 14);
    p.Melody(3, {{0, A5}, {8, C6}, {12, E5}}, kBell, 14);
    // The last bar slows down into the return of the verse.
    p.Global(56, 0, kGlobalSP, 56);
    p.Global(60, 0, kGlobalSP, 64);
    p.Global(62, 0, kGlobalSP, 72);
}

}  // namespace

void ComposeDemoSong(Module& m) {
    m.Clear(0, 0);  // NTSC, 60 frames per second
    m.title = "Tonweave demo";
    m.author = "The Tonweave developers";
    m.notes =
        "A short song in A minor to hear the tracker without writing one first.\n"
        "Channel 1: lead, 2: broken chords, 3: bass, 4: noise drums.\n"
        "The bridge plays faster and pans the chords from side to side (Game Gear stereo).";
    m.initialSpeed = kSpeedVerse;
    m.initialStereo = 0xFF;
    MakeInstruments(m);
    Intro(m);
    Verse(m, 1, false);
    Verse(m, 2, true);
    Bridge(m);
    std::strncpy(m.patterns[0].name, "Intro", kNameLength);
    std::strncpy(m.patterns[1].name, "Verse", kNameLength);
    std::strncpy(m.patterns[2].name, "Verse 2", kNameLength);
    std::strncpy(m.patterns[3].name, "Bridge", kNameLength);
    for (int p = 0; p < 4; ++p) {
        m.patterns[p].mainTactOn = 1;
        m.patterns[p].secondaryTactOn = 1;
        m.patterns[p].mainTactInterval = 16;
        m.patterns[p].secondaryTactInterval = 4;
    }
    const uint8_t order[] = {0, 1, 2, 3, 1, 2};
    for (int i = 0; i < 6; ++i) m.orderList[i] = order[i];
    m.songLength = 6;
    m.repeatPosition = 1;
}
