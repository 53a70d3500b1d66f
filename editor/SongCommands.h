// The commands of the order list and the pattern list: song positions inserted and
// removed, patterns made and deleted, the pattern number of a position changed, and the
// settings dialogs' changes to one or many patterns. Each is one undo step and leaves the
// view on the position it concerns. Headless: the shell asks the questions and shows the
// refusals these give back.
#pragma once

#include <cstdint>

#include "editor/UndoHistory.h"

class PatternView;

// Refusals, as the user reads them.
extern const char* const kSongFullMessage;        // "Insert"
extern const char* const kLastPositionMessage;    // "Remove"
extern const char* const kNoFreePatternMessage;   // "Make new..."
extern const char* const kSongFullForNewMessage;  // "Make new..."
extern const char* const kOnlyPatternMessage;     // "Delete old..."
extern const char* const kDeletePatternQuestion;  // "Delete old..." asks this first

// "Insert": the current pattern once more after the cursor, which moves onto it. Null when
// done, else the refusal.
const char* InsertSongPosition(PatternView& view);
// "Remove": the position at the cursor leaves the song.
const char* RemoveSongPosition(PatternView& view);

// "Make new...": the slot a new pattern takes (the lowest one not in use). Null with `slot`
// set, else the refusal.
const char* CheckMakePattern(const Module& module, int& slot);
// Makes pattern `slot` with `settings` and `length` and inserts it after the cursor, which
// moves onto it.
void MakePatternAfterCursor(PatternView& view, int slot, const PatternSettings& settings,
                            int length);

// "Delete old...": null when the current pattern may be deleted (the caller asks first).
const char* CheckDeletePattern(const PatternView& view);
// The current pattern leaves the song and its slot becomes free.
void DeleteCurrentPattern(PatternView& view);

// The used pattern after (`direction` 1) or before (-1) `from`, or -1 when there is none.
int NextUsedPattern(const Module& module, int from, int direction);
// Gives the song position at the cursor pattern `pattern`, which must be in use. False
// (nothing changed) for a pattern not in use or the number it already has.
bool SetPositionPattern(PatternView& view, int pattern);

// "Pattern settings" and "Pattern resize": name, tacts and length of pattern `p`, one step
// that keeps the lines a shorter length hides. False when nothing would change.
bool ChangePatternSettings(PatternView& view, int p, const PatternSettings& settings, int length);
// "Multi pattern settings": the settings chosen by `which` (bit 0 name, 1 main tact, 2
// secondary tact) to every pattern in use whose bit is set in `mask`. False when no pattern
// was chosen.
bool ChangeManyPatterns(PatternView& view, unsigned which, const uint8_t mask[32],
                        const PatternSettings& settings);

// How many song positions play pattern p.
int SongPositionsOf(const Module& module, int p);
