// Frequency and period to note: the module's note scale has C of octave index 4 (note 48)
// at 130.83133 Hz, one octave lower with the 2x divider.
#include "import/NoteSearch.h"

#include <cmath>
#include <cstdlib>

#include "module/Module.h"
#include "sound/NoteTable.h"

NoteAndDetune FrequencyToNote(double hz, uint8_t chipType, uint8_t frequencyDivider) {
    const double base = frequencyDivider == 1 ? 65.415665 : 130.83133;
    double position;
    if (!(hz > 0.0))
        position = 0.0;
    else if (!std::isfinite(hz))
        position = kNoteLastTone;
    else
        position = std::log(hz / base) / std::log(1.0594631) + 48.0 + 0.5;
    if (position < 0.0) position = 0.0;
    if (position > kNoteLastTone) position = kNoteLastTone;
    const int note = static_cast<int>(position);

    double clock = chipType == 1 ? kPalChipClock : kNtscChipClock;
    if (frequencyDivider == 1) clock /= 2.0;
    double detune = 0.0;
    if (hz > 0.0 && std::isfinite(hz)) detune = std::round(clock / 32.0 / hz - gNotePeriods[note]);
    if (detune < -99.0) detune = -99.0;
    if (detune > 99.0) detune = 99.0;
    return {static_cast<uint8_t>(note), static_cast<int8_t>(detune)};
}

NoteAndDetune PeriodToNote(uint32_t period) {
    if (period == 0) return {kNoteNul, 0};
    if (period > 1023) period = 1023;
    int best = kNoteLowestPlayable;
    int bestDistance = 1 << 30;
    for (int n = kNoteLowestPlayable; n <= kNoteHighestPlayable; ++n) {
        const int distance = std::abs(static_cast<int>(period) - gNotePeriods[n]);
        if (distance < bestDistance) {
            best = n;
            bestDistance = distance;
            if (distance == 0) break;
        }
    }
    int detune = static_cast<int>(period) - gNotePeriods[best];
    if (detune < -99) detune = -99;
    if (detune > 99) detune = 99;
    return {static_cast<uint8_t>(best), static_cast<int8_t>(detune)};
}
