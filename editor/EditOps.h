// The pattern operations behind the editor's commands, as plain functions on one pattern,
// so that the commands, their undo steps' redo and the batch dialogs share one definition.
#pragma once

#include <cstdint>

#include "module/Module.h"

// A normalised selection frame in cursor columns (0..13) and lines.
struct Frame {
    int x = 0, y = 0, width = 1, height = 1;
};

// Column types of the 14 cursor columns.
enum ColumnType : uint8_t { kColNote = 0, kColInstVol = 1, kColEffect = 2, kColGlobal = 3 };
constexpr int kCursorColumns = 14;
extern const uint8_t kColumnTypes[kCursorColumns];

inline int ColumnTypeOf(int column) { return kColumnTypes[column]; }
// Channel 0..3 of a cursor column, or -1 for the global columns.
inline int ChannelOfColumn(int column) { return column < 12 ? column / 3 : -1; }
// The 10 logical columns of line operations: 2c note part, 2c + 1 effect part, 8 and 9 the
// global command columns.
inline int LogicalColumnOf(int column) {
    return column < 12 ? 2 * (column / 3) + (column % 3 == 2 ? 1 : 0) : 8 + (column - 12);
}

// A range of logical columns, first..last inclusive.
struct LogicalRange {
    int first = 0, last = 0;
};
LogicalRange LogicalColumnsOf(const Frame& frame);
// The whole channels a frame touches, as logical columns; global columns come as a pair.
LogicalRange ChannelColumnsOf(const Frame& frame);

// Copies one logical column's bytes from one line to another.
void CopyLogical(PatternLine& to, const PatternLine& from, int logical);
// Empties a logical column: note 255, effect 0 or global command 0; other bytes stay.
void ClearLogical(PatternLine& line, int logical);
bool LogicalEmpty(const PatternLine& line, int logical);

// Operations on pattern `p` of `module`; frames are clamped to the pattern by the caller.
void ClearFrame(Pattern& pattern, const Frame& frame);
// Pushes the lines from `line` down by one within the pattern's length on `cols`; the line
// is emptied there. The last line's content is lost.
void InsertLine(Pattern& pattern, int line, LogicalRange cols);
// Removes line `line` on `cols`: the lines below move up and the last line becomes empty.
void DeleteLine(Pattern& pattern, int line, LogicalRange cols);
// Spreads the frame's lines over twice the height; lines that would land at or past the
// pattern's length are dropped. With `resize` the pattern first grows by the frame height.
// Returns the frame's new height.
int DoubleFrame(Module& module, int p, const Frame& frame, bool resize);
// Folds the frame to half its height (keeping the non-empty one of each pair). With
// `resize` the pattern shrinks by half the frame height. Returns the frame's new height.
int HalfFrame(Module& module, int p, const Frame& frame, bool resize);

// a: +1, 255 (-1), 2 (octave up), 254 (octave down). Returns the changed note.
uint8_t TransposeNote(uint8_t note, uint8_t a);
void TransposeFrame(Pattern& pattern, const Frame& frame, uint8_t a);
// a: +1, 255 (-1), 2 invert, 0 reset.
void DetuneFrame(Pattern& pattern, const Frame& frame, uint8_t a);
// a: bit 0 down, bit 1 wrap around instead of stopping at 0 and 15.
void VolumeStepFrame(Pattern& pattern, const Frame& frame, uint8_t a);
void InstrumentStepFrame(Pattern& pattern, const Frame& frame, bool down);
// a 0..5: parameter +1 / -1, big step up / down, very big step up / down.
void LineToolFrame(Pattern& pattern, const Frame& frame, uint8_t a);

// Interpolation of the inner line i of n between a (top) and b (bottom).
int Interp(int i, int n, int a, int b);

// Interpolates the frame's one column. Returns null on success, else the message that
// says why nothing was changed.
const char* CheckGradient(const Pattern& pattern, const Frame& frame);
void ApplyGradient(Pattern& pattern, const Frame& frame);

// Pitch of a tone note with detune in cents, and back to the nearest note with detune.
int ToneCents(uint8_t note, int8_t detune);
void CentsToTone(int cents, uint8_t& note, int8_t& detune);
