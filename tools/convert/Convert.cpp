// tonweave-convert's work: the format registries, the --info facts and the load-convert-
// write sequence with its messages.
#include "tools/convert/Convert.h"

#include <cstring>
#include <exception>
#include <ostream>

#include "app/Exceptions.h"
#include "app/SafeFile.h"
#include "sound/NoteTable.h"

namespace {

// Function-local so that registrars in other files may run first at start-up.
std::vector<OutputFormat>& OutputRegistry() {
    static std::vector<OutputFormat> formats;
    return formats;
}
std::vector<InfoExtension>& InfoRegistry() {
    static std::vector<InfoExtension> extensions;
    return extensions;
}
ImportHandlerFactory& ImportFactory() {
    static ImportHandlerFactory factory = nullptr;
    return factory;
}

void WriteModuleFile(const Module& module, const std::string& path, const ConvertOptions&) {
    WriteFileSafely(path, [&](FILE* file) {
        module.Write(file);
        return true;
    });
}

const OutputRegistrar kModuleOutput("quavex", "module file", WriteModuleFile);

std::string Lower(std::string text) {
    for (char& ch : text)
        if (ch >= 'A' && ch <= 'Z') ch = static_cast<char>(ch - 'A' + 'a');
    return text;
}

// One line per key whatever the text holds: line breaks, tabs and backslashes escaped.
std::string Escape(const std::string& text) {
    std::string out;
    for (char ch : text) {
        switch (ch) {
            case '\n':
                out += "\\n";
                break;
            case '\r':
                out += "\\r";
                break;
            case '\t':
                out += "\\t";
                break;
            case '\\':
                out += "\\\\";
                break;
            default:
                if (static_cast<unsigned char>(ch) < 32)
                    out += ' ';
                else
                    out += ch;
        }
    }
    return out;
}

// "Module::Load(): Unknown file type" -> "Unknown file type"; low-level names say nothing
// to the user.
std::string Reason(const Exception& e) {
    std::string message = e.Message();
    const size_t method = message.find("(): ");
    if (method != std::string::npos) message = message.substr(method + 4);
    while (!message.empty() && (message.back() == '.' || message.back() == ' ')) message.pop_back();
    return message;
}

std::string KnownExtensions() {
    std::string list;
    for (const OutputFormat& format : OutputRegistry()) {
        if (!list.empty()) list += ", ";
        list += std::string(".") + format.extension;
    }
    return list;
}

}  // namespace

void RegisterOutputFormat(const OutputFormat& format) { OutputRegistry().push_back(format); }
const std::vector<OutputFormat>& OutputFormats() { return OutputRegistry(); }
void SetImportHandlerFactory(ImportHandlerFactory factory) { ImportFactory() = factory; }
void RegisterInfoExtension(InfoExtension extension) { InfoRegistry().push_back(extension); }

const OutputFormat* FindOutputFormat(const std::string& path) {
    const size_t dot = path.find_last_of('.');
    const size_t slash = path.find_last_of('/');
    if (dot == std::string::npos || (slash != std::string::npos && slash > dot)) return nullptr;
    const std::string extension = Lower(path.substr(dot + 1));
    for (const OutputFormat& format : OutputRegistry())
        if (extension == format.extension) return &format;
    return nullptr;
}

std::vector<InfoLine> ModuleInfo(const Module& module, const ConvertOptions& options) {
    int used = 0;
    int unused = 0;
    bool inSong[kMaxPatterns] = {};
    for (int i = 0; i < module.songLength && i < kMaxSongLength; ++i)
        inSong[module.orderList[i]] = true;
    for (int p = 0; p < kMaxPatterns; ++p) {
        if (!module.patterns[p].used) continue;
        ++used;
        if (!inSong[p]) ++unused;
    }
    std::vector<InfoLine> lines = {
        {"title", Escape(module.title)},
        {"author", Escape(module.author)},
        {"chip", module.chipType == 1 ? "PAL" : "NTSC"},
        {"divider", module.frequencyDivider == 1 ? "2x" : "1x"},
        {"song_length", std::to_string(module.songLength)},
        {"repeat_position", std::to_string(module.repeatPosition)},
        {"initial_speed", std::to_string(module.initialSpeed)},
        {"initial_stereo", std::to_string(module.initialStereo)},
        {"patterns_used", std::to_string(used)},
        {"unused_patterns", std::to_string(unused)},
    };
    for (int i = 0; i < kInstruments; ++i) {
        const Instrument& instrument = module.instruments[i];
        const std::string name(instrument.name, strnlen(instrument.name, kNameLength));
        if (!name.empty()) lines.emplace_back("instrument." + std::to_string(i), Escape(name));
    }
    for (InfoExtension extension : InfoRegistry()) extension(module, options, lines);
    return lines;
}

int RunConvert(const std::vector<std::string>& arguments, std::ostream& out, std::ostream& err) {
    ConvertOptions options;
    std::string error;
    if (!ParseConvertOptions(arguments, options, error)) {
        // Run bare, the program shows how to use it.
        if (arguments.empty()) out << ConvertUsage();
        err << error << '\n';
        return 1;
    }
    if (options.help) {
        out << ConvertUsage();
        out << "\nOutput formats:";
        for (const OutputFormat& format : OutputRegistry())
            out << "\n  ." << format.extension << "  " << format.description;
        out << '\n';
        return 0;
    }
    const OutputFormat* format = nullptr;
    if (!options.info) {
        format = FindOutputFormat(options.output);
        if (!format) {
            err << "Can't tell the output format of \"" << options.output
                << "\"; known extensions: " << KnownExtensions() << ".\n";
            return 1;
        }
    }

    auto module = std::make_unique<Module>();
    try {
        std::unique_ptr<ImportHandler> importer;
        if (ImportFactory()) importer = ImportFactory()(options);
        if (!module->Load(options.input, importer.get())) {
            err << "The import of \"" << options.input << "\" was given up.\n";
            return 1;
        }
    } catch (const Exception& e) {
        // Container failures name a low-level step; for the user the file is just damaged.
        const bool damaged =
            e.Kind() == kParseException || e.Kind() == kFileIOException || e.Message()[0] == '\0';
        err << "Couldn't load \"" << options.input
            << "\": " << (damaged ? std::string("the file is damaged or cut short") : Reason(e))
            << ".\n";
        return 1;
    } catch (const std::exception&) {
        err << "Couldn't load \"" << options.input << "\": out of memory.\n";
        return 1;
    }
    // An import took the chip settings from the options already; a module file keeps its
    // own unless they are given.
    if (!module->fileName.empty()) {
        if (options.chipType) module->chipType = *options.chipType;
        if (options.frequencyDivider) module->frequencyDivider = *options.frequencyDivider;
    }

    if (options.info) {
        try {
            for (const InfoLine& line : ModuleInfo(*module, options))
                out << line.first << '=' << line.second << '\n';
        } catch (const Exception& e) {
            err << "Couldn't describe \"" << options.input << "\": " << Reason(e) << ".\n";
            return 1;
        }
        return 0;
    }
    try {
        format->write(*module, options.output, options);
    } catch (const Exception& e) {
        const std::string reason = Reason(e);
        err << "Couldn't write \"" << options.output << "\""
            << (reason.empty() ? std::string() : ": " + reason) << ".\n";
        return 1;
    } catch (const std::exception&) {
        err << "Couldn't write \"" << options.output << "\": out of memory.\n";
        return 1;
    }
    return 0;
}
