// Song-level changes shared by the song commands and the undo history: order-list entries,
// whole patterns made and deleted, and the two batch edits "Change instruments" and
// "Copy channels".
#pragma once

#include <cstdint>

#include "module/Module.h"

class UndoHistory;

// Inserts `pattern` at `position` (the entries from there move back). False when the song
// is already 256 positions long or the position is past its end.
bool InsertOrderEntry(Module& module, int position, int pattern);
// Removes the entry at `position`; the repeat position stays inside the song. False when
// it is the only entry or outside the song.
bool RemoveOrderEntry(Module& module, int position);
// Marks pattern p unused and removes every song position that plays it; `songPosition`
// moves back by one for each removed entry while it is above 0. False (nothing changed)
// when p is all the song has.
bool DeletePatternFromSong(Module& module, int p, int& songPosition);

// Which lines the batch dialogs work on.
struct BatchRange {
    uint8_t patterns[32] = {};  // bit p % 8 of byte p / 8: pattern p chosen
    bool allLines = true;       // all 256 lines, else startLine..endLine
    int startLine = 0;
    int endLine = 255;
};
inline void ChoosePattern(BatchRange& range, int p) {
    range.patterns[p / 8] = static_cast<uint8_t>(range.patterns[p / 8] | (1 << (p % 8)));
}

enum ChangeInstrumentsMode { kChangeOneToTwo = 0, kExchangeInstruments = 1, kChangeAllToTwo = 2 };
enum CopyChannelsMode { kCopyOneToTwo = 0, kExchangeChannels = 1 };

// "Change instruments": in every chosen pattern and line, on the channels set in
// `channelMask`, for notes that carry an instrument. Records one undo step (kind 6) and
// returns the number of lines in which something matched.
int ChangeInstruments(Module& module, UndoHistory& undo, const BatchRange& range, int mode,
                      int instrument1, int instrument2, unsigned channelMask);
// The change on one line; true when a channel matched.
bool ChangeInstrumentsOnLine(PatternLine& line, int mode, int instrument1, int instrument2,
                             unsigned channelMask);

// "Copy channels": channel 1's cell into channel 2 (and 2's into 1 when exchanging), on every
// chosen line where either cell holds something. Records one undo step (kind 7) and returns
// the number of lines changed.
int CopyChannels(Module& module, UndoHistory& undo, const BatchRange& range, int channel1,
                 int channel2, int mode);
// True when the line was changed (false for a line whose two cells are both empty).
bool CopyChannelsOnLine(PatternLine& line, int channel1, int channel2, int mode);
