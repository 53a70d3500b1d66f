// The text of pattern cells and lines as the pattern view draws them: fixed-width fields
// written over a layout template, so every line has the same width.
#pragma once

#include <cstdint>
#include <string>

#include "module/Module.h"

// One channel's fields, each zero-terminated and exactly as wide as its place in a line.
struct CellText {
    char note[4];        // "C#3", "Nul", "---", "???"
    char detune[4];      // "+64", " -5"; blanks when 0 or the note takes no detune
    char instrument[3];  // " 3"; "--" for an empty note; blanks when not taken
    char volume[3];      // "15"; as instrument
    char effect[3];      // "PV", "VO"; "--" without effect; "??" for an unknown code
    char param[4];       // "255", " 64"; "---" without effect
};

// One global command column: two letters and four characters of parameter.
struct GlobalText {
    char letters[3];  // "  ", "SP", "ST", "CB", "PV", "??"
    char param[5];    // " 6.0", "31.9", "  FF", or blanks
};

CellText FormatCell(const PatternLine& line, int channel);
GlobalText FormatGlobal(uint8_t command, uint8_t param);

// Speed in eighths of a frame as frames per line: whole frames in two characters (blank
// when zero-leading), a point, and the eighths scaled to one decimal digit (48 -> " 6.0",
// 12 -> " 1.5", 255 -> "31.9").
void FormatSpeed(uint8_t speed, char out[5]);

// The two layout templates; "|" is a 4-pixel gap and "}" toggles the narrow font, neither
// prints. Both have 24 characters per channel, channel c starting at 5 + 24c.
extern const char kLineTemplateWide[];
extern const char kLineTemplateNarrow[];

// A template filled with line number (3 characters, hundreds and tens blank when
// zero-leading), the four cells and the two global columns.
std::string FormatLineText(const PatternLine& line, int lineNumber, bool narrow = false);
