// The seam between Module::Load and the importers: reads the open file, gives each
// importer its dialog (or the options the converter filled in) and forgets the file name,
// so that the first save of an imported song asks for one.
#include <utility>

#include "app/Exceptions.h"
#include "import/Importers.h"

const char* const kChipSettingsMissing = "All chip settings must be set.";

namespace {

// MOD, MIDI and BASIC files of real songs are a few megabytes at most; anything much
// larger is no song and is refused before it is read.
constexpr size_t kMaxImportBytes = 64u << 20;

template <typename Options>
bool Ask(const std::function<bool(Options&)>& dialog, Options& options) {
    return dialog ? dialog(options) : true;
}

}  // namespace

void ImportOptions::SetChip(uint8_t chipType, uint8_t frequencyDivider) {
    for (ChipSettings* chip : {&mod.chip, &midi.chip, &vgm.chip, &basic.chip}) {
        chip->chipType = chipType;
        chip->frequencyDivider = frequencyDivider;
    }
}

StandardImportHandler::StandardImportHandler(const ImportOptions& options) : options(options) {}

StandardImportHandler::StandardImportHandler(ImportDialogs dialogs, const ImportOptions& start)
    : dialogs(std::move(dialogs)), options(start) {}

std::vector<uint8_t> ReadWholeFile(FILE* file, size_t limit) {
    if (!file || std::fseek(file, 0, SEEK_END) != 0)
        throw FileIOException("ReadWholeFile(): Can't read file");
    const long length = std::ftell(file);
    if (length < 0 || std::fseek(file, 0, SEEK_SET) != 0)
        throw FileIOException("ReadWholeFile(): Can't read file");
    if (static_cast<unsigned long>(length) > limit)
        throw FileIOException("ReadWholeFile(): File too large");
    std::vector<uint8_t> data(static_cast<size_t>(length));
    // Fewer bytes than the file had a moment ago is a read error or a file cut while being
    // read; either way the song would be imported from part of it.
    if (!data.empty() && std::fread(data.data(), 1, data.size(), file) != data.size())
        throw FileIOException("ReadWholeFile(): Can't read file");
    return data;
}

bool StandardImportHandler::Import(Module& target, FileKind kind, FILE* file,
                                   const std::string& path) {
    bool made = false;
    // Each dialog starts from the options given at construction and sees the probe; what
    // it sets is kept for the next file of the same kind.
    switch (kind) {
        case FileKind::Mod4Channel:
        case FileKind::Mod2Channel: {
            const std::vector<uint8_t> data = ReadWholeFile(file, kMaxImportBytes);
            made =
                ImportMod(target, data.data(), data.size(), kind == FileKind::Mod2Channel ? 2 : 4,
                          [this](const ModProbe& probe, ModOptions& o) {
                              o = options.mod;
                              if (dialogs.mod && !dialogs.mod(probe, o)) return false;
                              options.mod = o;
                              return true;
                          });
            break;
        }
        case FileKind::Midi: {
            const std::vector<uint8_t> data = ReadWholeFile(file, kMaxImportBytes);
            made = ImportMidi(target, data.data(), data.size(),
                              [this](const MidiProbe& probe, MidiOptions& o) {
                                  o = options.midi;
                                  if (dialogs.midi && !dialogs.midi(probe, o)) return false;
                                  options.midi = o;
                                  return true;
                              });
            break;
        }
        case FileKind::Vgm:
            made = ImportVgmFile(target, path, [this](const VgmProbe& probe, VgmOptions& o) {
                o = options.vgm;
                if (dialogs.vgm && !dialogs.vgm(probe, o)) return false;
                options.vgm = o;
                return true;
            });
            break;
        case FileKind::Basic: {
            const std::vector<uint8_t> data = ReadWholeFile(file, kMaxImportBytes);
            made = ImportBasic(target, data.data(), data.size(), [this](BasicOptions& o) {
                o = options.basic;
                if (dialogs.basic && !Ask(dialogs.basic, o)) return false;
                options.basic = o;
                return true;
            });
            break;
        }
        default:
            throw Exception("");
    }
    if (made) {
        target.fileName.clear();
        target.directory.clear();
    }
    return made;
}
