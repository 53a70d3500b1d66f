// Field-by-field equality of two modules, every byte a load could touch included (lines
// beyond a pattern's length too), for the tests that a failed load changes nothing.
#pragma once

#include <cstring>
#include <string>

#include "module/Module.h"

namespace moduletest {

// Empty when equal, else the first field that differs.
inline std::string ModuleDifference(const Module& a, const Module& b) {
    if (a.fileName != b.fileName) return "fileName";
    if (a.directory != b.directory) return "directory";
    if (a.title != b.title) return "title";
    if (a.author != b.author) return "author";
    if (a.notes != b.notes) return "notes";
    if (a.initialSpeed != b.initialSpeed) return "initialSpeed";
    if (a.initialStereo != b.initialStereo) return "initialStereo";
    if (a.frequencyDivider != b.frequencyDivider) return "frequencyDivider";
    if (a.chipType != b.chipType) return "chipType";
    if (a.songLength != b.songLength) return "songLength";
    if (a.repeatPosition != b.repeatPosition) return "repeatPosition";
    if (std::memcmp(a.orderList, b.orderList, sizeof a.orderList) != 0) return "orderList";
    if (std::memcmp(a.instruments, b.instruments, sizeof a.instruments) != 0) return "instruments";
    for (int p = 0; p < kMaxPatterns; ++p) {
        const Pattern &x = a.patterns[p], &y = b.patterns[p];
        const std::string at = "pattern " + std::to_string(p);
        if (x.used != y.used || x.length != y.length) return at + " used/length";
        if (std::memcmp(x.name, y.name, sizeof x.name) != 0) return at + " name";
        if (x.mainTactOn != y.mainTactOn || x.secondaryTactOn != y.secondaryTactOn ||
            x.mainTactStart != y.mainTactStart || x.secondaryTactStart != y.secondaryTactStart ||
            x.mainTactInterval != y.mainTactInterval ||
            x.secondaryTactInterval != y.secondaryTactInterval)
            return at + " tacts";
        if (std::memcmp(x.lines, y.lines, sizeof x.lines) != 0) return at + " lines";
    }
    return "";
}

// A module no load makes, with a path of its own: any change by a load shows.
inline void MarkModule(Module& m) {
    m.Clear(1, 1);
    m.title = "untouched";
    m.author = "someone";
    m.notes = "kept\nas is";
    m.fileName = "song.quavex";
    m.directory = "/somewhere/else";
    m.patterns[0].lines[3].note[2] = 77;
    m.patterns[0].lines[200].volume[1] = 9;  // beyond the length
    m.instruments[4].delay[2] = 3;
    m.initialStereo = 0x3C;
}

}  // namespace moduletest
