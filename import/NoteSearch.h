// Turning what a source file plays (a frequency, or a chip tone period) into the module's
// note and detune. The importers of sampled, logged and programmed music all share this.
#pragma once

#include <cstdint>

struct NoteAndDetune {
    uint8_t note;
    int8_t detune;
};

// A frequency in Hz as note 0..155 and a detune of -99..99 tone-period units against the
// note's period; the chip settings give the clock the period is measured at. Frequencies
// that are not positive or not finite give the nearest end of the range.
NoteAndDetune FrequencyToNote(double hz, uint8_t chipType, uint8_t frequencyDivider);

// A tone period (limited to 1023) as the playable note 45..119 with the nearest period
// and the difference as detune; 0 gives "Nul".
NoteAndDetune PeriodToNote(uint32_t period);
