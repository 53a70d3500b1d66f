// tonweave-convert: loads a module or an importable file and writes it in the format that
// the output file's extension names, or prints facts about it for scripts.
//
// Formats plug in without touching the command line code: a source file in this directory
// defines a static OutputRegistrar (or ImportRegistrar, InfoRegistrar), and the program
// finds it at start-up. For example, in tools/convert/WavOutput.cpp:
//
//   static void WriteWav(const Module& m, const std::string& path, const ConvertOptions& o) {
//       WriteSongWav(m, path, o.volume, o.AudibleMask());
//   }
//   static const OutputRegistrar kWav("wav", "44100 Hz 16-bit stereo audio", WriteWav);
#pragma once

#include <cstdint>
#include <iosfwd>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "module/Module.h"

// One --midi-map entry: MIDI channel `midiChannel` (0..15) plays on chip channel `target`
// (0..3) with instrument `instrument` (0..15).
struct MidiMapEntry {
    int midiChannel;
    int target;
    int instrument;
};

// The six instruments of a BASIC import, each 0..15.
struct BasicInstruments {
    int playNormal;
    int playStaccato;
    int playLegato;
    int sound;
    int beep;
    int pause;
};

struct ConvertOptions {
    bool help = false;
    bool info = false;   // --info FILE: print key=value lines instead of converting
    bool vgmLoop = false;  // --vgm-loop: the VGM log loops at the song's repeat position
    std::string input;   // the file to load
    std::string output;  // the file to write (empty with --info)

    int volume = 50;                          // --volume N: master volume 0..100 of rendered audio
    std::vector<int> mutedChannels;           // --mute CHANNELS: chip channels 0..3 left silent
    std::optional<uint8_t> chipType;          // --chip ntsc|pal: 0 NTSC, 1 PAL
    std::optional<uint8_t> frequencyDivider;  // --divider 1x|2x: 0 or 1
    std::vector<MidiMapEntry> midiMap;        // --midi-map CH=TARGET:INSTRUMENT[,..]
    std::vector<int> midiDisabled;            // --midi-disable CH (repeatable, or CH,CH,..)
    std::optional<BasicInstruments> basicInstruments;  // --basic-instruments N,S,L,SOUND,BEEP,PAUSE

    // Bit c set for every chip channel that sounds (the player's mute mask).
    uint8_t AudibleMask() const;
};

// Parses the command line (without the program name). On a mistake gives back false and a
// sentence for the user in `error`.
bool ParseConvertOptions(const std::vector<std::string>& arguments, ConvertOptions& options,
                         std::string& error);

// The usage text printed by --help and after a command line mistake.
const char* ConvertUsage();

// Writes `module` to `path`; throws Exception on failure.
using OutputWriter = void (*)(const Module& module, const std::string& path,
                              const ConvertOptions& options);
struct OutputFormat {
    const char* extension;    // lower case, without the dot: "quavex", "wav"
    const char* description;  // for the usage text
    OutputWriter write;
};
void RegisterOutputFormat(const OutputFormat& format);
const std::vector<OutputFormat>& OutputFormats();
// The format of `path` by its extension in any letter case; null when none fits.
const OutputFormat* FindOutputFormat(const std::string& path);

// Builds the handler that Module::Load gives foreign files to, set up from the options
// (chip settings, MIDI map, BASIC instruments) instead of dialogs.
using ImportHandlerFactory = std::unique_ptr<ImportHandler> (*)(const ConvertOptions& options);
void SetImportHandlerFactory(ImportHandlerFactory factory);

// Adds key=value lines to the --info output after the module's own ones.
using InfoLine = std::pair<std::string, std::string>;
using InfoExtension = void (*)(const Module& module, const ConvertOptions& options,
                               std::vector<InfoLine>& lines);
void RegisterInfoExtension(InfoExtension extension);

// The --info lines of a module: title, author, chip, divider, song_length,
// repeat_position, initial_speed, initial_stereo, patterns_used, unused_patterns and
// instrument.N for each named instrument, then those of the extensions.
std::vector<InfoLine> ModuleInfo(const Module& module, const ConvertOptions& options);

// The whole program: gives back the exit code (0 success, 1 failure with one sentence on
// `err`).
int RunConvert(const std::vector<std::string>& arguments, std::ostream& out, std::ostream& err);

struct OutputRegistrar {
    OutputRegistrar(const char* extension, const char* description, OutputWriter write) {
        RegisterOutputFormat({extension, description, write});
    }
};
struct ImportRegistrar {
    explicit ImportRegistrar(ImportHandlerFactory factory) { SetImportHandlerFactory(factory); }
};
struct InfoRegistrar {
    explicit InfoRegistrar(InfoExtension extension) { RegisterInfoExtension(extension); }
};
