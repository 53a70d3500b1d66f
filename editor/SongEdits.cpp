// Order-list edits, pattern deletion and the two batch edits.
#include "editor/SongEdits.h"

#include <algorithm>
#include <cstring>
#include <mutex>

#include "editor/PlayerLock.h"
#include "editor/UndoHistory.h"

bool InsertOrderEntry(Module& module, int position, int pattern) {
    const int length = module.songLength;
    if (length >= kMaxSongLength || position < 0 || position > length) return false;
    std::memmove(module.orderList + position + 1, module.orderList + position, length - position);
    module.orderList[position] = static_cast<uint8_t>(pattern);
    module.songLength = static_cast<uint16_t>(length + 1);
    return true;
}

bool RemoveOrderEntry(Module& module, int position) {
    const int length = module.songLength;
    if (length < 2 || position < 0 || position >= length) return false;
    std::memmove(module.orderList + position, module.orderList + position + 1,
                 length - position - 1);
    module.orderList[length - 1] = 0;
    module.songLength = static_cast<uint16_t>(length - 1);
    module.repeatPosition = static_cast<uint8_t>(std::min<int>(module.repeatPosition, length - 2));
    return true;
}

bool DeletePatternFromSong(Module& module, int p, int& songPosition) {
    int others = 0;
    for (int i = 0; i < module.songLength; ++i) others += module.orderList[i] != p;
    if (others == 0) return false;
    module.patterns[p].used = 0;
    int kept = 0;
    for (int i = 0; i < module.songLength; ++i) {
        if (module.orderList[i] == p) {
            if (songPosition > 0) --songPosition;
        } else {
            module.orderList[kept++] = module.orderList[i];
        }
    }
    for (int i = kept; i < module.songLength; ++i) module.orderList[i] = 0;
    module.songLength = static_cast<uint16_t>(kept);
    module.repeatPosition = static_cast<uint8_t>(std::min<int>(module.repeatPosition, kept - 1));
    songPosition = std::min(songPosition, kept - 1);
    return true;
}

namespace {

bool Chosen(const BatchRange& range, int p) { return range.patterns[p / 8] & (1 << (p % 8)); }

void LineBounds(const BatchRange& range, int& first, int& last) {
    first = range.allLines ? 0 : std::clamp(range.startLine, 0, kMaxLines - 1);
    last = range.allLines ? kMaxLines - 1 : std::clamp(range.endLine, 0, kMaxLines - 1);
    if (first > last) std::swap(first, last);
}

}  // namespace

bool ChangeInstrumentsOnLine(PatternLine& line, int mode, int instrument1, int instrument2,
                             unsigned channelMask) {
    bool matched = false;
    for (int c = 0; c < kChannels; ++c) {
        if (!(channelMask & (1u << c)) || !NoteCarriesInstrument(line.note[c])) continue;
        uint8_t& inst = line.instrument[c];
        if (mode == kChangeAllToTwo) {
            inst = static_cast<uint8_t>(instrument2);
            matched = true;
        } else if (inst == instrument1) {
            inst = static_cast<uint8_t>(instrument2);
            matched = true;
        } else if (mode == kExchangeInstruments && inst == instrument2) {
            inst = static_cast<uint8_t>(instrument1);
            matched = true;
        }
    }
    return matched;
}

int ChangeInstruments(Module& module, UndoHistory& undo, const BatchRange& range, int mode,
                      int instrument1, int instrument2, unsigned channelMask) {
    int first, last;
    LineBounds(range, first, last);
    PlayerLock lock(undo.playerLock);
    undo.BeginChangeInstruments(mode, instrument1, instrument2, channelMask);
    int changed = 0;
    for (int p = 0; p < kMaxPatterns; ++p) {
        if (!Chosen(range, p) || !module.patterns[p].used) continue;
        for (int l = first; l <= last; ++l) {
            PatternLine& line = module.patterns[p].lines[l];
            uint8_t before[4];
            std::memcpy(before, line.instrument, 4);
            if (!ChangeInstrumentsOnLine(line, mode, instrument1, instrument2, channelMask))
                continue;
            undo.AddInstrumentElement(p, l, before);
            ++changed;
        }
    }
    undo.EndChangeInstruments();
    return changed;
}

namespace {

bool CellEmpty(const PatternLine& line, int c) {
    return line.note[c] == kNoteEmpty && line.effect[c] == kEffectNone;
}

struct Cell {
    uint8_t note, instrument, volume, effect, param;
    int8_t detune;
};

Cell ReadCell(const PatternLine& line, int c) {
    return {line.note[c],   line.instrument[c],  line.volume[c],
            line.effect[c], line.effectParam[c], line.detune[c]};
}

void WriteCell(PatternLine& line, int c, const Cell& cell) {
    line.note[c] = cell.note;
    line.detune[c] = cell.detune;
    line.instrument[c] = cell.instrument;
    line.volume[c] = cell.volume;
    line.effect[c] = cell.effect;
    line.effectParam[c] = cell.param;
}

}  // namespace

bool CopyChannelsOnLine(PatternLine& line, int channel1, int channel2, int mode) {
    if (channel1 == channel2 || channel1 < 0 || channel1 > 3 || channel2 < 0 || channel2 > 3)
        return false;
    if (CellEmpty(line, channel1) && CellEmpty(line, channel2)) return false;
    const Cell one = ReadCell(line, channel1);
    const Cell two = ReadCell(line, channel2);
    WriteCell(line, channel2, one);
    if (mode == kExchangeChannels) WriteCell(line, channel1, two);
    return true;
}

int CopyChannels(Module& module, UndoHistory& undo, const BatchRange& range, int channel1,
                 int channel2, int mode) {
    int first, last;
    LineBounds(range, first, last);
    PlayerLock lock(undo.playerLock);
    undo.BeginCopyChannels(channel1, channel2, mode);
    int changed = 0;
    for (int p = 0; p < kMaxPatterns; ++p) {
        if (!Chosen(range, p) || !module.patterns[p].used) continue;
        for (int l = first; l <= last; ++l) {
            PatternLine& line = module.patterns[p].lines[l];
            PatternLine probe = line;
            if (!CopyChannelsOnLine(probe, channel1, channel2, mode)) continue;
            undo.AddChannelElement(p, l);
            line = probe;
            ++changed;
        }
    }
    undo.EndCopyChannels();
    return changed;
}
