// The four importers (MOD, MIDI, VGM/VGZ, BASIC) and the seam their dialogs sit on: a probe
// step tells a dialog what to show, an options value carries back what the user set, and
// the importer then converts. Every importer builds the new song in a module of its own and
// copies it into the target only when the whole conversion succeeded, so a cancelled dialog
// or a malformed file leaves the target exactly as it was.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "module/Module.h"

// The "Sound chip" group every import dialog shares. Both start unset; the dialogs refuse
// "Okay" until both are chosen ("All chip settings must be set.").
constexpr uint8_t kChipSettingUnset = 255;

struct ChipSettings {
    uint8_t chipType = kChipSettingUnset;          // 0 NTSC (60Hz), 1 PAL (50Hz)
    uint8_t frequencyDivider = kChipSettingUnset;  // 0 1x, 1 2x
    bool IsSet() const { return chipType <= 1 && frequencyDivider <= 1; }
};

extern const char* const kChipSettingsMissing;  // "All chip settings must be set."

// ---- MOD ---------------------------------------------------------------------------------

struct ModProbe {
    std::string title;        // printable characters up to the first NUL
    std::string sampleNames;  // the 31 names, each followed by a line feed
    int channels = 4;
};
struct ModOptions {
    ChipSettings chip;
};
using ModDialog = std::function<bool(const ModProbe&, ModOptions&)>;

// Reads the title and sample headers. Throws Exception "Error in MOD file" with the error
// number as code 0 (1: a sample volume above 64, 2: a loop ending beyond its sample).
ModProbe ProbeMod(const uint8_t* data, size_t size, int channels);
// Converts a two- or four-channel MOD. Returns false when the dialog was cancelled. Throws
// "Error in MOD file" (errors 1, 2, 4: song length 0 or above 128, 5: order entry above 127).
bool ImportMod(Module& target, const uint8_t* data, size_t size, int channels,
               const ModDialog& dialog);

// ---- MIDI --------------------------------------------------------------------------------

struct MidiProbe {
    uint16_t format = 0;
    uint16_t tracks = 0;
    uint16_t division = 0;
};
struct MidiChannelMap {
    uint8_t enabled;
    uint8_t target;      // module channel 0..3
    uint8_t instrument;  // 0..15
};
struct MidiOptions {
    ChipSettings chip;
    MidiChannelMap map[16];
    MidiOptions();  // every MIDI channel i enabled, to channel i mod 4, instrument i
};
using MidiDialog = std::function<bool(const MidiProbe&, MidiOptions&)>;

// Reads the header ("MThd", length 6, format, tracks, division). Throws "Unsupported timing"
// for SMPTE divisions and a clear message for a file that is no MIDI file.
MidiProbe ProbeMidi(const uint8_t* data, size_t size);
// Plays all tracks together and folds the 16 voices onto the four channels. Throws
// "$2F command", "$51 command", "$58 command" for malformed meta events.
bool ImportMidi(Module& target, const uint8_t* data, size_t size, const MidiDialog& dialog);

// ---- VGM / VGZ ---------------------------------------------------------------------------

struct VgmProbe {
    uint32_t version = 0;
    uint32_t rate = 0;      // 0 = "Unknown"
    uint32_t clock = 0;     // 0 = "Unused"; bits 0..29 of the header field
    uint16_t feedback = 9;  // shown as "$%04X"
    uint8_t width = 16;
    uint32_t dataOffset = 0x40;
    uint32_t dataLength = 0;  // bytes of command data the header announces
};
struct VgmOptions {
    ChipSettings chip;
};
using VgmDialog = std::function<bool(const VgmProbe&, VgmOptions&)>;

// The longest log read: more than a full module's worth of frames even for logs padded
// with sample data blocks.
constexpr size_t kMaxVgmLogBytes = 256u << 20;
extern const char* const kVgmTooLarge;  // "The VGM log is too large."

// Reads a plain or gzip-compressed log whole through zlib. Throws an Exception without
// message when the file cannot be opened or is no VGM log, FileIOException when a read
// fails or compressed data is damaged, and Exception(kVgmTooLarge) when the (uncompressed)
// log is longer than `limit` bytes. A compressed stream that is cut short gives what it had.
std::vector<uint8_t> ReadVgmFile(const std::string& path, size_t limit = kMaxVgmLogBytes);
// Throws an Exception without message when the data does not start with "Vgm ".
VgmProbe ProbeVgm(const uint8_t* data, size_t size);
// Converts an uncompressed log held in memory.
bool ImportVgm(Module& target, const uint8_t* data, size_t size, const VgmDialog& dialog);
// Opens the path through zlib's gzip reader (plain and compressed alike) and converts.
bool ImportVgmFile(Module& target, const std::string& path, const VgmDialog& dialog);

// ---- BASIC -------------------------------------------------------------------------------

enum BasicInstrument : uint8_t {
    kBasicPlayNormal = 0,
    kBasicPlayStaccato = 1,
    kBasicPlayLegato = 2,
    kBasicSound = 3,
    kBasicBeep = 4,
    kBasicPause = 5,
};
struct BasicOptions {
    ChipSettings chip;
    uint8_t instruments[6] = {0, 0, 0, 0, 0, 0};  // indexed by BasicInstrument, 0..15
};
using BasicDialog = std::function<bool(BasicOptions&)>;

// Plays the PLAY, SOUND and BEEP statements of a program text. Throws ParseException for
// a malformed music string and passes the tokenizer's failures through.
bool ImportBasic(Module& target, const uint8_t* data, size_t size, const BasicDialog& dialog);

// ---- The seam Module::Load calls ----------------------------------------------------------

struct ImportOptions {
    ModOptions mod;
    MidiOptions midi;
    VgmOptions vgm;
    BasicOptions basic;
    // Sets the chip settings of all four kinds at once.
    void SetChip(uint8_t chipType, uint8_t frequencyDivider);
};

// The dialogs a front end shows; a missing one counts as "Okay" with the options unchanged.
struct ImportDialogs {
    ModDialog mod;
    MidiDialog midi;
    VgmDialog vgm;
    BasicDialog basic;
};

// Hands each foreign file to its importer. The tracker gives it dialogs that ask the user;
// the converter gives it options filled from the command line.
class StandardImportHandler : public ImportHandler {
public:
    explicit StandardImportHandler(const ImportOptions& options);
    explicit StandardImportHandler(ImportDialogs dialogs, const ImportOptions& start = {});

    bool Import(Module& target, FileKind kind, FILE* file, const std::string& path) override;

private:
    ImportDialogs dialogs;
    ImportOptions options;
};

// Reads what is left of an open file from its start, at most `limit` bytes. Throws
// FileIOException when the file cannot be read or is larger than the limit.
std::vector<uint8_t> ReadWholeFile(FILE* file, size_t limit);
