// The module's operations and the constant tables that classify and display note values.
#include "module/Module.h"

#include <algorithm>
#include <cstring>

#include "app/Exceptions.h"

// Kind of each note value: 0 empty, 1 tone, 2 periodic noise, 3 white noise, 5 "Nul",
// 6 invalid.
// clang-format off
const uint8_t kNoteKindTable[256] = {
    1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1,  // 0..31
    1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1,  // 32..63
    1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1,  // 64..95
    1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1,  // 96..127
    1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 6, 6, 6, 6,  // 128..159
    6, 6, 6, 6, 6, 6, 6, 6, 6, 6, 6, 6, 6, 6, 6, 6, 6, 6, 6, 6, 6, 6, 6, 6, 6, 6, 6, 6, 6, 6, 6, 6,  // 160..191
    6, 6, 6, 6, 6, 6, 6, 6, 6, 6, 6, 6, 6, 6, 6, 6, 6, 6, 6, 6, 6, 6, 6, 6, 6, 6, 6, 6, 6, 6, 6, 6,  // 192..223
    6, 6, 6, 6, 6, 6, 6, 6, 6, 6, 6, 6, 6, 6, 6, 6, 6, 6, 6, 6, 6, 6, 5, 2, 2, 2, 2, 3, 3, 3, 3, 0,  // 224..255
};
// clang-format on

// Indexed by kind: tones, noises and "Nul" take an instrument and a volume; only tones and
// "Nul" take a detune, since noise has no tone period to add it to.
const uint8_t kKindCarriesInstrument[8] = {0, 1, 1, 1, 1, 1, 0, 0};
const uint8_t kKindCarriesDetune[8] = {0, 1, 0, 0, 0, 1, 0, 0};

// German semitone names ("B" is the semitone below "H"), octave characters "=", "-",
// "0".."9", "+" for octave indices 0..12.
// clang-format off
const char kNoteDisplay[256][4] = {
    "C =", "C#=", "D =", "D#=", "E =", "F =", "F#=", "G =", "G#=", "A =", "B =", "H =",
    "C -", "C#-", "D -", "D#-", "E -", "F -", "F#-", "G -", "G#-", "A -", "B -", "H -",
    "C 0", "C#0", "D 0", "D#0", "E 0", "F 0", "F#0", "G 0", "G#0", "A 0", "B 0", "H 0",
    "C 1", "C#1", "D 1", "D#1", "E 1", "F 1", "F#1", "G 1", "G#1", "A 1", "B 1", "H 1",
    "C 2", "C#2", "D 2", "D#2", "E 2", "F 2", "F#2", "G 2", "G#2", "A 2", "B 2", "H 2",
    "C 3", "C#3", "D 3", "D#3", "E 3", "F 3", "F#3", "G 3", "G#3", "A 3", "B 3", "H 3",
    "C 4", "C#4", "D 4", "D#4", "E 4", "F 4", "F#4", "G 4", "G#4", "A 4", "B 4", "H 4",
    "C 5", "C#5", "D 5", "D#5", "E 5", "F 5", "F#5", "G 5", "G#5", "A 5", "B 5", "H 5",
    "C 6", "C#6", "D 6", "D#6", "E 6", "F 6", "F#6", "G 6", "G#6", "A 6", "B 6", "H 6",
    "C 7", "C#7", "D 7", "D#7", "E 7", "F 7", "F#7", "G 7", "G#7", "A 7", "B 7", "H 7",
    "C 8", "C#8", "D 8", "D#8", "E 8", "F 8", "F#8", "G 8", "G#8", "A 8", "B 8", "H 8",
    "C 9", "C#9", "D 9", "D#9", "E 9", "F 9", "F#9", "G 9", "G#9", "A 9", "B 9", "H 9",
    "C +", "C#+", "D +", "D#+", "E +", "F +", "F#+", "G +", "G#+", "A +", "B +", "H +",
    "???", "???", "???", "???", "???", "???", "???", "???", "???", "???", "???", "???",
    "???", "???", "???", "???", "???", "???", "???", "???", "???", "???", "???", "???",
    "???", "???", "???", "???", "???", "???", "???", "???", "???", "???", "???", "???",
    "???", "???", "???", "???", "???", "???", "???", "???", "???", "???", "???", "???",
    "???", "???", "???", "???", "???", "???", "???", "???", "???", "???", "???", "???",
    "???", "???", "???", "???", "???", "???", "???", "???", "???", "???", "???", "???",
    "???", "???", "???", "???", "???", "???", "???", "???", "???", "???", "???", "???",
    "???", "???", "???", "???", "???", "???", "Nul", "PHi", "PMd", "PLo", "PC2", "WHi",
    "WMd", "WLo", "WC2", "---",
};
// clang-format on

const char kEffectLetters[3][3] = {"--", "PV", "VO"};
const char kGlobalCommandLetters[5][3] = {"  ", "SP", "ST", "CB", "PV"};

Module gModule;

namespace {

void CheckPattern(int p, const char* where) {
    if (p < 0 || p >= kMaxPatterns) throw InternalException(where, static_cast<uint32_t>(p));
}

void ResetPatternHeader(Pattern& pattern) {
    std::memset(pattern.name, 0, sizeof pattern.name);
    pattern.mainTactOn = 0;
    pattern.secondaryTactOn = 0;
    pattern.mainTactStart = 0;
    pattern.secondaryTactStart = 0;
    pattern.mainTactInterval = 16;
    pattern.secondaryTactInterval = 8;
}

// A line that shows nothing and plays nothing. The columns that only mean something next to
// a note or command are zeroed too, so no stale value comes back when one is entered.
void MakeEmptyLine(PatternLine& line) {
    std::memset(&line, 0, sizeof line);
    std::memset(line.note, kNoteEmpty, sizeof line.note);
}

// Every line of a pattern empty. The first line is made and copied forward: every load and
// import clears all 256 patterns of a new module, and eight block copies cost a fraction of
// two small fills per line.
void MakeEmptyLines(Pattern& pattern) {
    MakeEmptyLine(pattern.lines[0]);
    RepeatLines(pattern.lines, 1, kMaxLines);
}

}  // namespace

void RepeatLines(PatternLine* lines, size_t period, size_t count) {
    for (size_t done = period; done < count;) {
        const size_t n = std::min(done / period * period, count - done);
        std::memcpy(&lines[done], lines, n * sizeof(PatternLine));
        done += n;
    }
}

TactMark TactOfLine(const Pattern& pattern, int line) {
    auto marks = [line](uint8_t on, uint8_t start, uint8_t interval) {
        if (!on || line < start) return false;
        // An interval of 0 can only come from a file; it marks the start line alone.
        if (interval == 0) return line == start;
        return (line - start) % interval == 0;
    };
    if (marks(pattern.mainTactOn, pattern.mainTactStart, pattern.mainTactInterval))
        return kTactMain;
    if (marks(pattern.secondaryTactOn, pattern.secondaryTactStart, pattern.secondaryTactInterval))
        return kTactSecondary;
    return kTactNone;
}

Module::Module(uint8_t chipType, uint8_t frequencyDivider) { Clear(chipType, frequencyDivider); }

namespace {

struct SpareModule {
    std::unique_ptr<Module> module;
    bool leased = false;
};
thread_local SpareModule tSpare;

}  // namespace

ModuleLease::ModuleLease(uint8_t chipType, uint8_t frequencyDivider) {
    if (tSpare.leased) {
        own = std::make_unique<Module>(chipType, frequencyDivider);
        module = own.get();
        return;
    }
    if (tSpare.module)
        tSpare.module->Clear(chipType, frequencyDivider);
    else
        tSpare.module = std::make_unique<Module>(chipType, frequencyDivider);
    tSpare.leased = true;
    module = tSpare.module.get();
}

ModuleLease::~ModuleLease() {
    if (!own) tSpare.leased = false;
}

void Module::Clear(uint8_t newChipType, uint8_t newDivider) {
    fileName.clear();
    directory.clear();
    title.clear();
    author.clear();
    notes.clear();
    frequencyDivider = newDivider;
    chipType = newChipType;
    for (Pattern& pattern : patterns) {
        pattern.used = 0;
        pattern.length = 64;
        ResetPatternHeader(pattern);
        MakeEmptyLines(pattern);
    }
    std::memset(orderList, 0, sizeof orderList);
    songLength = 1;
    repeatPosition = 0;
    initialSpeed = 48;
    initialStereo = 0xFF;
    for (int i = 0; i < kInstruments; ++i) ResetInstrument(i);
    MakePattern(0);
}

void Module::MakePattern(int p) {
    CheckPattern(p, "Module::MakePattern(): Bad pattern number");
    Pattern& pattern = patterns[p];
    pattern.used = 1;
    pattern.length = 64;
    ResetPatternHeader(pattern);
    MakeEmptyLines(pattern);
}

void Module::ClearPatternLines(int p) {
    CheckPattern(p, "Module::ClearPatternLines(): Bad pattern number");
    for (PatternLine& line : patterns[p].lines) {
        std::memset(line.note, kNoteEmpty, sizeof line.note);
        std::memset(line.effect, 0, sizeof line.effect);
        std::memset(line.globalCmd, 0, sizeof line.globalCmd);
    }
}

void Module::SetPatternLength(int p, int length) {
    CheckPattern(p, "Module::SetPatternLength(): Bad pattern number");
    if (length < 1) length = 1;
    if (length > kMaxLines) length = kMaxLines;
    Pattern& pattern = patterns[p];
    for (int l = pattern.length; l < length; ++l) MakeEmptyLine(pattern.lines[l]);
    pattern.length = static_cast<uint16_t>(length);
}

void Module::ResetInstrument(int i) {
    if (i < 0 || i >= kInstruments)
        throw InternalException("Module::ResetInstrument(): Bad instrument number",
                                static_cast<uint32_t>(i));
    Instrument& instrument = instruments[i];
    std::memset(&instrument, 0, sizeof instrument);
    instrument.startVolume = 255;
    std::memset(instrument.delay, 8, sizeof instrument.delay);
}
