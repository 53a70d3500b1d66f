// The note kept beside the recovery file: when the unsaved module was written and the path
// of its own file, as two text lines, "time <seconds since 1970>" and "path <path>".
#pragma once

#include <cstdint>
#include <string>

struct RecoveryNote {
    int64_t time = 0;  // 0: unknown
    std::string path;  // empty: the module had no file of its own
};

// The note's text. A path that holds a line break cannot be written on its line and is
// left out, so that a restored module asks for a file name rather than take a wrong one.
std::string FormatRecoveryNote(const RecoveryNote& note);

// Reads what it can of any text: unknown lines are skipped, a time that is no number (or is
// not above 0) stays 0. Never throws.
RecoveryNote ParseRecoveryNote(const std::string& text);
