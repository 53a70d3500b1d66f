// Export of one pass of the song as a Standard MIDI File: a conductor track and one track
// per chip channel, with the notes, programs and channel volumes that the replayer produces.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "module/Module.h"

// General MIDI program (0..127) per instrument and use: entries 0..15 instrument 0..15 on a
// tone channel, 16..31 with periodic noise, 32..47 with white noise.
struct MidiProgramTable {
    static constexpr int kEntries = 48;
    static constexpr uint8_t kDefaultTone = 80;
    static constexpr uint8_t kDefaultPeriodicNoise = 81;
    static constexpr uint8_t kDefaultWhiteNoise = 117;

    uint8_t program[kEntries];

    MidiProgramTable();  // the defaults
};

enum class MidiUse : uint8_t { Tone = 0, PeriodicNoise = 1, WhiteNoise = 2 };

// One row of the "Export MIDI" dialog: an instrument and the way the song uses it.
struct MidiInstrumentUse {
    uint8_t instrument;  // 0..15
    MidiUse use;
    uint8_t entry;       // index into MidiProgramTable::program
    std::string label;   // "%2d ", "PE"/"WN" for noise rows, then the name as "%32s"
};

// The uses found in the used patterns (lines below each pattern's length), ordered by table
// entry: a tone row for an instrument with a tone note 45..119 on channels 0..2, a "PE" row
// for periodic noise (247..250) and a "WN" row for white noise (251..254) on channel 3.
std::vector<MidiInstrumentUse> ListMidiInstrumentUses(const Module& module);

// The file's bytes. Notes that MIDI cannot carry: values of 128 and above on a tone channel
// ("Nul" among them) and values other than 247..254 on the noise channel write no note (the
// note they replace still ends); noise clocked by tone channel 2 (250, 254) sounds as note 57,
// an octave below the low noise.
std::vector<uint8_t> BuildMIDI(const Module& module, const MidiProgramTable& programs);

// Writes the file with the given programs. Throws Exception with an empty message when the
// file cannot be created and FileIOException when it cannot be written.
void ExportMIDI(const Module& module, const std::string& path,
                const MidiProgramTable& programs = MidiProgramTable());

// The dialog's hook: gets the rows and the default table, fills in the user's choices and
// returns false on "Cancel".
using MidiProgramChooser =
    std::function<bool(const std::vector<MidiInstrumentUse>& uses, MidiProgramTable& programs)>;

// Runs `choose` first; returns false (writing nothing) when it was cancelled, true when the
// file was written. Throws as the overload above, after the dialog.
bool ExportMIDI(const Module& module, const std::string& path, const MidiProgramChooser& choose);
