// Recognition of the files Module::Load accepts, by content first and by name last.
#include <cstring>

#include "module/Module.h"

namespace {

bool Is(const uint8_t* bytes, const char* text) {
    return std::memcmp(bytes, text, std::strlen(text)) == 0;
}

// BASIC text has no signature; only its extension tells it. Linux keeps the case that the
// file was saved with, so "song.bas" counts as much as "SONG.BAS".
bool HasBasicExtension(const std::string& path) {
    const size_t dot = path.find_last_of('.');
    if (dot == std::string::npos) return false;
    const size_t slash = path.find_last_of('/');
    if (slash != std::string::npos && slash > dot) return false;
    std::string ext = path.substr(dot + 1);
    if (ext.size() != 3) return false;
    for (char& ch : ext)
        if (ch >= 'a' && ch <= 'z') ch = static_cast<char>(ch - 'a' + 'A');
    return ext == "BAS" || ext == "BAM";
}

}  // namespace

FileKind DetectFileKind(const uint8_t* first8, size_t fileLength, const uint8_t* at1080,
                        const std::string& path) {
    if (fileLength < 4) return FileKind::Unknown;
    // Later tests override earlier ones: a module file that happens to carry a MOD
    // signature at 1080 is still a module file.
    FileKind kind = FileKind::Unknown;
    if (fileLength >= 1084 && at1080) {
        if (Is(at1080, "M.K.") || Is(at1080, "M!K!") || Is(at1080, "4CHN"))
            kind = FileKind::Mod4Channel;
        else if (Is(at1080, "2CHN"))
            kind = FileKind::Mod2Channel;
    }
    if ((first8[0] == 0x1F && first8[1] == 0x8B) || Is(first8, "Vgm ")) kind = FileKind::Vgm;
    if (Is(first8, "QUAVEX  "))
        kind = FileKind::LegacyModule;
    else if (Is(first8, "QUAVEX-2"))
        kind = FileKind::Module;
    else if (Is(first8, "MThd") && first8[4] == 0 && first8[5] == 0 && first8[6] == 0 &&
             first8[7] == 6)
        kind = FileKind::Midi;
    if (kind == FileKind::Unknown && HasBasicExtension(path)) kind = FileKind::Basic;
    return kind;
}

const char* FileKindName(FileKind kind) {
    switch (kind) {
        case FileKind::Mod4Channel:
            return "MOD (4 channels)";
        case FileKind::Mod2Channel:
            return "MOD (2 channels)";
        case FileKind::Vgm:
            return "VGM";
        case FileKind::LegacyModule:
            return "old module";
        case FileKind::Module:
            return "module";
        case FileKind::Midi:
            return "MIDI";
        case FileKind::Basic:
            return "BASIC";
        case FileKind::Unknown:
            break;
    }
    return "unknown";
}
