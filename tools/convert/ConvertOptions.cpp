// Command line of tonweave-convert: options in any order, "--name value" or "--name=value".
#include <cstring>
#include <sstream>

#include "tools/convert/Convert.h"

namespace {

// A whole decimal number within [low, high]; nothing else in the text.
bool ParseNumber(const std::string& text, int low, int high, int& value) {
    if (text.empty() || text.size() > 6) return false;
    int v = 0;
    for (char ch : text) {
        if (ch < '0' || ch > '9') return false;
        v = v * 10 + (ch - '0');
    }
    if (v < low || v > high) return false;
    value = v;
    return true;
}

std::vector<std::string> Split(const std::string& text, char separator) {
    std::vector<std::string> parts;
    std::string part;
    std::istringstream in(text);
    while (std::getline(in, part, separator)) parts.push_back(part);
    if (!text.empty() && text.back() == separator) parts.emplace_back();
    return parts;
}

bool ParseNumberList(const std::string& text, int low, int high, std::vector<int>& values) {
    const std::vector<std::string> parts = Split(text, ',');
    if (parts.empty()) return false;
    for (const std::string& part : parts) {
        int v;
        if (!ParseNumber(part, low, high, v)) return false;
        values.push_back(v);
    }
    return true;
}

std::string Lower(std::string text) {
    for (char& ch : text)
        if (ch >= 'A' && ch <= 'Z') ch = static_cast<char>(ch - 'A' + 'a');
    return text;
}

bool ParseMidiMap(const std::string& text, std::vector<MidiMapEntry>& entries) {
    const std::vector<std::string> parts = Split(text, ',');
    if (parts.empty()) return false;
    for (const std::string& part : parts) {
        const size_t equals = part.find('=');
        const size_t colon = part.find(':');
        if (equals == std::string::npos || colon == std::string::npos || colon < equals)
            return false;
        MidiMapEntry entry;
        if (!ParseNumber(part.substr(0, equals), 0, 15, entry.midiChannel) ||
            !ParseNumber(part.substr(equals + 1, colon - equals - 1), 0, 3, entry.target) ||
            !ParseNumber(part.substr(colon + 1), 0, 15, entry.instrument))
            return false;
        entries.push_back(entry);
    }
    return true;
}

// Applies one option with its value; gives back the sentence for a bad value, or "".
std::string ApplyOption(const std::string& name, const std::string& value, ConvertOptions& o) {
    if (name == "--volume") {
        if (!ParseNumber(value, 0, 100, o.volume))
            return "--volume takes a whole number from 0 to 100.";
    } else if (name == "--mute") {
        if (!ParseNumberList(value, 0, 3, o.mutedChannels))
            return "--mute takes chip channel numbers from 0 to 3, separated by commas.";
    } else if (name == "--chip") {
        const std::string v = Lower(value);
        if (v == "ntsc")
            o.chipType = 0;
        else if (v == "pal")
            o.chipType = 1;
        else
            return "--chip takes ntsc or pal.";
    } else if (name == "--divider") {
        const std::string v = Lower(value);
        if (v == "1x")
            o.frequencyDivider = 0;
        else if (v == "2x")
            o.frequencyDivider = 1;
        else
            return "--divider takes 1x or 2x.";
    } else if (name == "--midi-map") {
        if (!ParseMidiMap(value, o.midiMap))
            return "--midi-map takes entries CH=TARGET:INSTRUMENT separated by commas, with "
                   "MIDI channel 0 to 15, chip channel 0 to 3 and instrument 0 to 15.";
    } else if (name == "--midi-disable") {
        if (!ParseNumberList(value, 0, 15, o.midiDisabled))
            return "--midi-disable takes MIDI channel numbers from 0 to 15, separated by commas.";
    } else if (name == "--basic-instruments") {
        std::vector<int> n;
        if (!ParseNumberList(value, 0, 15, n) || n.size() != 6)
            return "--basic-instruments takes six instrument numbers from 0 to 15 "
                   "(normal, staccato, legato, SOUND, BEEP, pause), separated by commas.";
        o.basicInstruments = BasicInstruments{n[0], n[1], n[2], n[3], n[4], n[5]};
    }
    return "";
}

const char* const kValueOptions[] = {"--volume",           "--mute",     "--chip",
                                     "--divider",          "--midi-map", "--midi-disable",
                                     "--basic-instruments"};

bool TakesValue(const std::string& name) {
    for (const char* option : kValueOptions)
        if (name == option) return true;
    return false;
}

}  // namespace

uint8_t ConvertOptions::AudibleMask() const {
    uint8_t mask = 0x0F;
    for (int c : mutedChannels) mask = static_cast<uint8_t>(mask & ~(1 << c));
    return mask;
}

bool ParseConvertOptions(const std::vector<std::string>& arguments, ConvertOptions& options,
                         std::string& error) {
    std::vector<std::string> files;
    bool optionsEnded = false;
    for (size_t i = 0; i < arguments.size(); ++i) {
        const std::string& argument = arguments[i];
        if (optionsEnded || argument.size() < 2 || argument[0] != '-') {
            files.push_back(argument);
            continue;
        }
        if (argument == "--") {
            optionsEnded = true;
            continue;
        }
        if (argument == "-h" || argument == "--help") {
            options.help = true;
            return true;
        }
        if (argument == "--info") {
            options.info = true;
            continue;
        }
        if (argument == "--vgm-loop") {
            options.vgmLoop = true;
            continue;
        }
        const size_t equals = argument.find('=');
        const std::string name = argument.substr(0, equals);
        if (!TakesValue(name)) {
            error = "Unknown option \"" + name + "\"; see tonweave-convert --help.";
            return false;
        }
        std::string value;
        if (equals != std::string::npos) {
            value = argument.substr(equals + 1);
        } else if (i + 1 < arguments.size()) {
            value = arguments[++i];
        } else {
            error = "The option " + name + " needs a value.";
            return false;
        }
        error = ApplyOption(name, value, options);
        if (!error.empty()) return false;
    }
    if (options.info) {
        if (files.size() != 1) {
            error = "--info takes exactly one file.";
            return false;
        }
        options.input = files[0];
        return true;
    }
    if (files.size() != 2) {
        error = files.empty() ? "Give an input file and an output file, or --info and a file."
                              : "Give exactly one input file and one output file.";
        return false;
    }
    options.input = files[0];
    options.output = files[1];
    return true;
}

const char* ConvertUsage() {
    return "Usage: tonweave-convert [options] INPUT OUTPUT\n"
           "       tonweave-convert --info [options] FILE\n"
           "\n"
           "Loads INPUT (a .quavex module, or a MOD, MIDI, VGM/VGZ or BASIC file to import)\n"
           "and writes OUTPUT in the format its extension names. --info prints one\n"
           "key=value line per fact about the module instead.\n"
           "\n"
           "Options:\n"
           "  --info                 print facts about FILE as key=value lines\n"
           "  --volume N             master volume 0..100 of rendered audio (default 50)\n"
           "  --mute CHANNELS        chip channels to silence, e.g. 0,3 (0-2 tone, 3 noise)\n"
           "  --chip ntsc|pal        sound chip timing of an import; replaces a module's\n"
           "  --divider 1x|2x        frequency divider of an import; replaces a module's\n"
           "  --midi-map CH=TARGET:INSTRUMENT[,...]\n"
           "                         MIDI import: MIDI channel 0..15 to chip channel 0..3\n"
           "                         with instrument 0..15\n"
           "  --midi-disable CH[,...]  MIDI import: leave these MIDI channels out\n"
           "  --basic-instruments N,S,L,SOUND,BEEP,PAUSE\n"
           "                         BASIC import: instruments 0..15 of normal, staccato and\n"
           "                         legato PLAY notes, SOUND, BEEP and pauses\n"
           "  --vgm-loop             VGM output: the looped part once more, marked to repeat\n"
           "  -h, --help             show this text\n"
           "\n"
           "Exit status: 0 on success, 1 with one sentence on standard error on failure.\n";
}
