// Pattern operations of the editing commands: clearing, line insertion and removal,
// doubling and halving, transposition, detune, value steps and interpolation.
#include "editor/EditOps.h"

#include <algorithm>
#include <cmath>

#include "import/NoteSearch.h"
#include "sound/NoteTable.h"

const uint8_t kColumnTypes[kCursorColumns] = {0, 1, 2, 0, 1, 2, 0, 1, 2, 0, 1, 2, 3, 3};

LogicalRange LogicalColumnsOf(const Frame& frame) {
    return {LogicalColumnOf(frame.x), LogicalColumnOf(frame.x + frame.width - 1)};
}

LogicalRange ChannelColumnsOf(const Frame& frame) {
    LogicalRange r = LogicalColumnsOf(frame);
    if (r.first < 8) r.first &= ~1;
    else r.first = 8;
    if (r.last < 8) r.last |= 1;
    else r.last = 9;
    return r;
}

void CopyLogical(PatternLine& to, const PatternLine& from, int logical) {
    if (logical >= 8) {
        const int k = logical - 8;
        to.globalCmd[k] = from.globalCmd[k];
        to.globalParam[k] = from.globalParam[k];
        return;
    }
    const int c = logical / 2;
    if (logical % 2 == 0) {
        to.note[c] = from.note[c];
        to.detune[c] = from.detune[c];
        to.instrument[c] = from.instrument[c];
        to.volume[c] = from.volume[c];
    } else {
        to.effect[c] = from.effect[c];
        to.effectParam[c] = from.effectParam[c];
    }
}

void ClearLogical(PatternLine& line, int logical) {
    if (logical >= 8) line.globalCmd[logical - 8] = kGlobalNone;
    else if (logical % 2 == 0) line.note[logical / 2] = kNoteEmpty;
    else line.effect[logical / 2] = kEffectNone;
}

bool LogicalEmpty(const PatternLine& line, int logical) {
    if (logical >= 8) return line.globalCmd[logical - 8] == kGlobalNone;
    if (logical % 2 == 0) return line.note[logical / 2] == kNoteEmpty;
    return line.effect[logical / 2] == kEffectNone;
}

namespace {

int LastLine(const Pattern& pattern, const Frame& frame) {
    return std::min(frame.y + frame.height, static_cast<int>(pattern.length)) - 1;
}

// Channels whose columns the frame covers, first..last; none (last < first) for a frame in
// the global columns.
void FrameChannels(const Frame& frame, int& first, int& last) {
    first = frame.x < 12 ? frame.x / 3 : 4;
    last = std::min(3, (frame.x + frame.width - 1) / 3);
}

uint8_t ClampU8(int v, int lo, int hi) { return static_cast<uint8_t>(std::clamp(v, lo, hi)); }
int Mod16(int v) { return ((v % 16) + 16) % 16; }

}  // namespace

void ClearFrame(Pattern& pattern, const Frame& frame) {
    const LogicalRange cols = LogicalColumnsOf(frame);
    const int last = LastLine(pattern, frame);
    for (int l = frame.y; l <= last; ++l)
        for (int k = cols.first; k <= cols.last; ++k) ClearLogical(pattern.lines[l], k);
}

void InsertLine(Pattern& pattern, int line, LogicalRange cols) {
    const int length = pattern.length;
    if (line < 0 || line >= length) return;
    for (int l = length - 1; l > line; --l)
        for (int k = cols.first; k <= cols.last; ++k)
            CopyLogical(pattern.lines[l], pattern.lines[l - 1], k);
    for (int k = cols.first; k <= cols.last; ++k) ClearLogical(pattern.lines[line], k);
}

void DeleteLine(Pattern& pattern, int line, LogicalRange cols) {
    const int length = pattern.length;
    if (line < 0 || line >= length) return;
    for (int l = line; l < length - 1; ++l)
        for (int k = cols.first; k <= cols.last; ++k)
            CopyLogical(pattern.lines[l], pattern.lines[l + 1], k);
    for (int k = cols.first; k <= cols.last; ++k) ClearLogical(pattern.lines[length - 1], k);
}

int DoubleFrame(Module& module, int p, const Frame& frame, bool resize) {
    Pattern& pattern = module.patterns[p];
    const int h = frame.height;
    const int y = frame.y;
    if (resize) module.SetPatternLength(p, std::min(kMaxLines, pattern.length + h));
    const int length = pattern.length;
    const LogicalRange cols = LogicalColumnsOf(frame);
    // Lines below the frame move down by h; those pushed past the end are lost.
    for (int l = length - 1; l >= y + 2 * h; --l)
        for (int k = cols.first; k <= cols.last; ++k)
            CopyLogical(pattern.lines[l], pattern.lines[l - h], k);
    // From the bottom up, so no frame line is overwritten before it is moved.
    for (int i = h - 1; i >= 0; --i) {
        const int to = y + 2 * i;
        if (to + 1 < length)
            for (int k = cols.first; k <= cols.last; ++k) ClearLogical(pattern.lines[to + 1], k);
        if (to < length)
            for (int k = cols.first; k <= cols.last; ++k)
                CopyLogical(pattern.lines[to], pattern.lines[y + i], k);
    }
    return std::min(2 * h, length - y);
}

int HalfFrame(Module& module, int p, const Frame& frame, bool resize) {
    Pattern& pattern = module.patterns[p];
    const int h = frame.height;
    const int even = h & ~1;
    const int half = even / 2;
    const int y = frame.y;
    const int length = pattern.length;
    const LogicalRange cols = LogicalColumnsOf(frame);
    if (half > 0) {
        for (int i = 0; i < half; ++i) {
            for (int k = cols.first; k <= cols.last; ++k) {
                const PatternLine& a = pattern.lines[y + 2 * i];
                const PatternLine& b = pattern.lines[y + 2 * i + 1];
                CopyLogical(pattern.lines[y + i], LogicalEmpty(a, k) ? b : a, k);
            }
        }
        for (int l = y + half; l + half < length; ++l)
            for (int k = cols.first; k <= cols.last; ++k)
                CopyLogical(pattern.lines[l], pattern.lines[l + half], k);
        for (int l = std::max(y + half, length - half); l < length; ++l)
            for (int k = cols.first; k <= cols.last; ++k) ClearLogical(pattern.lines[l], k);
    }
    if (resize && h / 2 > 0) module.SetPatternLength(p, std::max(1, length - h / 2));
    return std::max(1, h / 2);
}

uint8_t TransposeNote(uint8_t note, uint8_t a) {
    const int step = static_cast<int8_t>(a);
    const bool octave = step == 2 || step == -2;
    const int kind = NoteKindOf(note);
    if (kind == kKindTone) return ClampU8(note + (octave ? 12 * (step / 2) : step), 0, kNoteLastTone);
    // Noise values run from high to low, so a step up is a smaller value.
    const int noiseStep = octave ? 2 * step : step;
    if (kind == kKindWhiteNoise) return ClampU8(note - noiseStep, 251, 254);
    if (kind == kKindPeriodicNoise) return ClampU8(note - noiseStep, 247, 250);
    return note;
}

void TransposeFrame(Pattern& pattern, const Frame& frame, uint8_t a) {
    int first, last;
    FrameChannels(frame, first, last);
    const int end = LastLine(pattern, frame);
    for (int l = frame.y; l <= end; ++l)
        for (int c = first; c <= last; ++c)
            pattern.lines[l].note[c] = TransposeNote(pattern.lines[l].note[c], a);
}

void DetuneFrame(Pattern& pattern, const Frame& frame, uint8_t a) {
    int first, last;
    FrameChannels(frame, first, last);
    const int end = LastLine(pattern, frame);
    for (int l = frame.y; l <= end; ++l) {
        PatternLine& line = pattern.lines[l];
        for (int c = first; c <= last; ++c) {
            if (!NoteCarriesDetune(line.note[c])) continue;
            int d = line.detune[c];
            if (a == 0) d = 0;
            else if (a == 2) d = -d;
            else d += static_cast<int8_t>(a);
            line.detune[c] = static_cast<int8_t>(std::clamp(d, -99, 99));
        }
    }
}

void VolumeStepFrame(Pattern& pattern, const Frame& frame, uint8_t a) {
    const int delta = (a & 1) ? -1 : 1;
    const int end = LastLine(pattern, frame);
    const int lastColumn = std::min(11, frame.x + frame.width - 1);
    for (int l = frame.y; l <= end; ++l)
        for (int k = frame.x; k <= lastColumn; ++k) {
            if (k % 3 != 1) continue;
            uint8_t& v = pattern.lines[l].volume[k / 3];
            v = (a & 2) ? static_cast<uint8_t>(Mod16(v + delta)) : ClampU8(v + delta, 0, 15);
        }
}

void InstrumentStepFrame(Pattern& pattern, const Frame& frame, bool down) {
    const int end = LastLine(pattern, frame);
    const int lastColumn = std::min(11, frame.x + frame.width - 1);
    for (int l = frame.y; l <= end; ++l)
        for (int k = frame.x; k <= lastColumn; ++k) {
            if (k % 3 != 1) continue;
            uint8_t& v = pattern.lines[l].instrument[k / 3];
            v = static_cast<uint8_t>(Mod16(v + (down ? -1 : 1)));
        }
}

namespace {

int LineToolEffect(int e, int p, uint8_t a) {
    const bool volumeLike = e == kEffectPV || e == kEffectVO;
    int step = 1;
    if (a >= 2) step = a < 4 ? (volumeLike ? 10 : 16) : (volumeLike ? 0 : 256);
    p += (a % 2 == 0) ? step : -step;
    if (e == kEffectPV) p = std::clamp(p, 0, 15);
    else if (e == kEffectVO) p = Mod16(p);
    return p & 0xFF;
}

int LineToolGlobal(int g, int v, uint8_t a) {
    int step = 1;
    if (a >= 2) step = a < 4 ? (g == kGlobalSP ? 8 : 16) : (g == kGlobalSP ? 80 : 256);
    const int n = v + ((a % 2 == 0) ? step : -step);
    if (g == kGlobalSP) return std::clamp(n, 8, 255);
    if (g == kGlobalST || g == kGlobalPV) {
        if (a < 2) return (v & 0xF0) | (n & 0x0F);
        if (a < 4) return (v & 0x0F) | (n & 0xF0);
    }
    return n & 0xFF;
}

}  // namespace

void LineToolFrame(Pattern& pattern, const Frame& frame, uint8_t a) {
    if (a > 5) return;
    const LogicalRange cols = LogicalColumnsOf(frame);
    const int end = LastLine(pattern, frame);
    for (int l = frame.y; l <= end; ++l) {
        PatternLine& line = pattern.lines[l];
        for (int k = cols.first; k <= cols.last; ++k) {
            if (k >= 8) {
                const int g = k - 8;
                line.globalParam[g] =
                    static_cast<uint8_t>(LineToolGlobal(line.globalCmd[g], line.globalParam[g], a));
            } else if (k % 2 == 1) {
                const int c = k / 2;
                line.effectParam[c] =
                    static_cast<uint8_t>(LineToolEffect(line.effect[c], line.effectParam[c], a));
            }
        }
    }
}

int Interp(int i, int n, int a, int b) {
    if (b < a) {
        std::swap(a, b);
        i = n - i - 1;
    }
    const double d = static_cast<double>(b) - a;
    double v;
    if (n < d) v = d / (n - 1) * i + 0.5;
    else v = (d + 1) / n * (i + 0.5);
    return static_cast<int>(static_cast<float>(a + v));
}

namespace {

// Period-table pitch reference: note 0 sounds at 8.176 Hz.
constexpr double kToneClock = 3579545.0 / 32.0;
constexpr double kNoteZeroHz = 8.176;

}  // namespace

int ToneCents(uint8_t note, int8_t detune) {
    const int period = std::max(1, gNotePeriods[note] + detune);
    return static_cast<int>(std::lround(1200.0 * std::log2(kToneClock / period / kNoteZeroHz)));
}

void CentsToTone(int cents, uint8_t& note, int8_t& detune) {
    const double hz = kNoteZeroHz * std::exp2(cents / 1200.0);
    // The note-to-period table assumes the NTSC clock at 1x, so the search does too.
    const NoteAndDetune nd = FrequencyToNote(hz, 0, 0);
    note = nd.note;
    detune = nd.detune;
}

namespace {

bool HasNote(uint8_t note) {
    const int kind = NoteKindOf(note);
    return kind != kKindEmpty && kind != kKindInvalid;
}

const char* CheckNoteEnds(uint8_t top, uint8_t bottom) {
    if (!HasNote(top) || !HasNote(bottom)) return "There must be a note at both top and bottom.";
    if (NoteKindOf(top) != NoteKindOf(bottom)) return "Can't interpolate between different tone types.";
    if (NoteKindOf(top) == kKindNul) return "Can't interpolate between null-notes.";
    return nullptr;
}

const char* CheckVolumeEnds(uint8_t top, uint8_t bottom) {
    if (top == kNoteEmpty || bottom == kNoteEmpty) return "There must be a note at both top and bottom.";
    if (!NoteCarriesInstrument(top)) return "The start note has no volume.";
    if (!NoteCarriesInstrument(bottom)) return "The end note has no volume.";
    return nullptr;
}

const char* CheckCodeEnds(uint8_t top, uint8_t bottom) {
    if (top != bottom) return "The effect or command type at the top must match the one at the bottom.";
    if (top == 0) return "There must be an effect or command at both top and bottom.";
    return nullptr;
}

}  // namespace

const char* CheckGradient(const Pattern& pattern, const Frame& frame) {
    if (frame.width != 1) return "The selection frame mustn't include more than one column.";
    if (frame.height < 3) return "The selection frame must be higher than 2 lines.";
    const PatternLine& top = pattern.lines[frame.y];
    const PatternLine& bottom = pattern.lines[frame.y + frame.height - 1];
    const int x = frame.x;
    const int c = x / 3;
    switch (ColumnTypeOf(x)) {
        case kColNote: return CheckNoteEnds(top.note[c], bottom.note[c]);
        case kColInstVol: return CheckVolumeEnds(top.note[c], bottom.note[c]);
        case kColEffect: return CheckCodeEnds(top.effect[c], bottom.effect[c]);
        default: return CheckCodeEnds(top.globalCmd[x - 12], bottom.globalCmd[x - 12]);
    }
}

void ApplyGradient(Pattern& pattern, const Frame& frame) {
    const int n = frame.height;
    const int x = frame.x;
    const int c = x / 3;
    const int g = x - 12;
    PatternLine* lines = pattern.lines + frame.y;
    const PatternLine& top = lines[0];
    const PatternLine& bottom = lines[n - 1];
    const int type = ColumnTypeOf(x);
    const int kind = type <= kColInstVol ? NoteKindOf(top.note[c]) : 0;
    const int topCents = kind == kKindTone ? ToneCents(top.note[c], top.detune[c]) : 0;
    const int bottomCents = kind == kKindTone ? ToneCents(bottom.note[c], bottom.detune[c]) : 0;
    for (int i = 1; i < n - 1; ++i) {
        PatternLine& line = lines[i];
        switch (type) {
            case kColNote:
                if (NoteKindOf(line.note[c]) != kind) break;
                if (kind == kKindTone) {
                    CentsToTone(Interp(i, n, topCents, bottomCents), line.note[c], line.detune[c]);
                } else {
                    line.note[c] = static_cast<uint8_t>(Interp(i, n, top.note[c], bottom.note[c]));
                }
                break;
            case kColInstVol:
                if (!NoteCarriesInstrument(line.note[c])) break;
                line.volume[c] = static_cast<uint8_t>(Interp(i, n, top.volume[c], bottom.volume[c]));
                break;
            case kColEffect:
                if (line.effect[c] != top.effect[c]) break;
                line.effectParam[c] =
                    static_cast<uint8_t>(Interp(i, n, top.effectParam[c], bottom.effectParam[c]));
                break;
            default:
                if (line.globalCmd[g] != top.globalCmd[g]) break;
                line.globalParam[g] =
                    static_cast<uint8_t>(Interp(i, n, top.globalParam[g], bottom.globalParam[g]));
                break;
        }
    }
}
