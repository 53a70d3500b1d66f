// Reading and writing the "macros" file; see MacroFile.h for the layout.
#include "editor/MacroFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <memory>

#include "app/Exceptions.h"
#include "app/SafeFile.h"
#include "module/IFF.h"

const char kMacroFileMagic[17] = "Tonweave-MACR.-1";

namespace {

constexpr uint16_t kVersion = 0;
constexpr size_t kCommandBytes = 12;

[[noreturn]] void Malformed(const char* what) {
    throw ParseException(std::string("ReadMacroFile(): ") + what);
}

uint16_t U16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | p[1] << 8); }
void PutU16(uint8_t* p, uint16_t v) {
    p[0] = static_cast<uint8_t>(v);
    p[1] = static_cast<uint8_t>(v >> 8);
}

void DecodeCommand(const uint8_t* p, EditCommand& cmd) {
    cmd.code = static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 |
               static_cast<uint32_t>(p[2]) << 16 | static_cast<uint32_t>(p[3]) << 24;
    cmd.a = p[4];
    cmd.b = p[5];
    cmd.c = static_cast<int16_t>(U16(p + 6));
    cmd.d = static_cast<int16_t>(U16(p + 8));
    cmd.zero = U16(p + 10);
}

void EncodeCommand(const EditCommand& cmd, uint8_t* p) {
    for (int i = 0; i < 4; ++i) p[i] = static_cast<uint8_t>(cmd.code >> (8 * i));
    p[4] = cmd.a;
    p[5] = cmd.b;
    PutU16(p + 6, static_cast<uint16_t>(cmd.c));
    PutU16(p + 8, static_cast<uint16_t>(cmd.d));
    PutU16(p + 10, 0);
}

// The bytes a chunk's data took must be the size its header declared.
void ExpectConsumed(const IFFParser& parser, uint64_t start, uint32_t size) {
    if (parser.Position() - start != size) Malformed("Chunk size does not match its data");
}

void ReadMacroGroup(IFFParser& parser, Macro& macro) {
    uint32_t groupSize = 0;
    parser.MatchBlockStart("MACR", &groupSize);
    const uint64_t groupStart = parser.Position();

    uint32_t headSize = 0;
    parser.MatchBlockStart("HEAD", &headSize);
    const uint64_t headStart = parser.Position();
    uint8_t head[4];
    parser.ReadNextBytes(head, sizeof head);
    const uint16_t count = U16(head);
    if (count > kMacroCommands) Malformed("Too many commands");
    std::string name, description;
    parser.ReadString(name);
    parser.ReadString(description);
    if (!IsValidMacroName(name)) Malformed("Invalid name");
    if (!IsValidMacroDescription(description)) Malformed("Invalid description");
    ExpectConsumed(parser, headStart, headSize);

    parser.MatchBlockStart("CMDS", static_cast<uint32_t>(count * kCommandBytes));
    ClearMacro(macro);
    std::memcpy(macro.name, name.data(), name.size());
    std::memcpy(macro.description, description.data(), description.size());
    uint8_t record[kCommandBytes];
    for (uint16_t i = 0; i < count; ++i) {
        parser.ReadNextBytes(record, sizeof record);
        DecodeCommand(record, macro.commands[i]);
        if (!IsValidRecordedCommand(macro.commands[i])) Malformed("Invalid command");
    }
    macro.commandCount = count;
    ExpectConsumed(parser, groupStart, groupSize);
}

void CheckSources(const MacroStore& store) {
    bool used[kStoredMacros] = {};
    for (uint8_t source : store.activeSource) {
        if (source == kNoMacroSource) continue;
        if (source >= store.storedCount) Malformed("Active source out of range");
        // One stored macro in two slots would leave a slot behind when one is unbound.
        if (used[source]) Malformed("Macro bound twice");
        used[source] = true;
    }
}

// Opens a regular file without blocking on a FIFO; null when there is none.
FILE* OpenRegular(const std::string& path, bool& missing) {
    missing = false;
    const int fd = open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        missing = errno == ENOENT;
        return nullptr;
    }
    struct stat info;
    if (fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        close(fd);
        return nullptr;
    }
    fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    FILE* file = fdopen(fd, "rb");
    if (!file) close(fd);
    return file;
}

}  // namespace

bool IsValidRecordedCommand(const EditCommand& cmd) {
    if (cmd.zero != 0) return false;
    switch (cmd.code) {
        case kCmdMove:
        case kCmdSelectAllLines:
        case kCmdClear:
        case kCmdGradient:
        case kCmdCut:
        case kCmdCopy:
        case kCmdPaste:
        case kCmdVolumeStep:
        case kCmdInstrumentStep:
            return true;
        case kCmdJump:
            return cmd.c >= 0 && cmd.c <= 5;
        case kCmdDouble:
        case kCmdHalf:
            return cmd.a == 1 || cmd.a == 2;
        case kCmdDetune:
            return cmd.a == 0 || cmd.a == 1 || cmd.a == 2 || cmd.a == 255;
        case kCmdTranspose:
            return cmd.a == 1 || cmd.a == 255 || cmd.a == 2 || cmd.a == 254;
        case kCmdLineTool:
            return cmd.a <= 5;
        case kCmdEnterNote:
            // Notes 156..245 are no notes at all; instrument and volume are 0..15.
            return !(cmd.a >= 156 && cmd.a <= 245) && cmd.b <= 15 && (cmd.c & 0xFF) <= 15;
        case kCmdSetGlobal:
            return cmd.a <= 4;
        case kCmdSetEffect:
            return cmd.a <= 2;
        default:
            return false;
    }
}

void ReadMacroFile(FILE* file, MacroStore& store) {
    IFFParser parser;
    parser.Attach(file);
    char magic[16];
    parser.ReadNextBytes(magic, sizeof magic);
    if (std::memcmp(magic, kMacroFileMagic, sizeof magic) != 0) Malformed("Not a macros file");

    parser.MatchBlockStart("HEAD", 16u);
    uint8_t head[16];
    parser.ReadNextBytes(head, sizeof head);
    if (U16(head) != kVersion) Malformed("Unknown version");
    const uint16_t count = U16(head + 2);
    if (count > kStoredMacros) Malformed("Too many macros");

    std::memset(static_cast<void*>(&store), 0, sizeof store);
    store.storedCount = count;
    std::memcpy(store.activeSource, head + 4, kMacroSlots);
    CheckSources(store);

    uint32_t storSize = 0;
    parser.MatchBlockStart("STOR", &storSize);
    const uint64_t storStart = parser.Position();
    for (uint16_t i = 0; i < count; ++i) ReadMacroGroup(parser, store.stored[i]);
    ExpectConsumed(parser, storStart, storSize);
    parser.MatchFileEnd();

    for (int slot = 0; slot < kMacroSlots; ++slot) {
        const uint8_t source = store.activeSource[slot];
        if (source == kNoMacroSource) continue;
        store.active[slot] = store.stored[source];
        store.isActive[source] = 1;
    }
}

void ReadMacroData(const uint8_t* data, size_t size, MacroStore& store) {
    if (size < sizeof kMacroFileMagic - 1) Malformed("File too short");
    FILE* file = fmemopen(const_cast<uint8_t*>(data), size, "rb");
    if (!file) throw FileIOException("ReadMacroData(): Can't open data");
    try {
        ReadMacroFile(file, store);
    } catch (...) {
        std::fclose(file);
        throw;
    }
    std::fclose(file);
}

void WriteMacroFile(FILE* file, const MacroStore& store) {
    IFFWriter writer;
    writer.Attach(file);
    writer.WriteData(kMacroFileMagic, 16);

    const uint32_t count = std::min<uint32_t>(store.storedCount, kStoredMacros);
    uint8_t head[16];
    PutU16(head, kVersion);
    PutU16(head + 2, static_cast<uint16_t>(count));
    for (int slot = 0; slot < kMacroSlots; ++slot) {
        const uint8_t source = store.activeSource[slot];
        head[4 + slot] = source < count ? source : kNoMacroSource;
    }
    writer.BeginBlock("HEAD", 16);
    writer.WriteData(head, sizeof head);
    writer.EndBlock();

    writer.BeginBlock("STOR");
    uint8_t record[kCommandBytes];
    for (uint32_t i = 0; i < count; ++i) {
        const Macro& macro = store.stored[i];
        const uint32_t commands = std::min<uint32_t>(macro.commandCount, kMacroCommands);
        writer.BeginBlock("MACR");
        writer.BeginBlock("HEAD");
        uint8_t macroHead[4] = {0, 0, 0, 0};
        PutU16(macroHead, static_cast<uint16_t>(commands));
        writer.WriteData(macroHead, sizeof macroHead);
        writer.WriteString(MacroName(macro));
        writer.WriteString(MacroDescription(macro));
        writer.EndBlock();
        writer.BeginBlock("CMDS", static_cast<uint32_t>(commands * kCommandBytes));
        for (uint32_t k = 0; k < commands; ++k) {
            EncodeCommand(macro.commands[k], record);
            writer.WriteData(record, sizeof record);
        }
        writer.EndBlock();
        writer.EndBlock();
    }
    writer.EndBlock();
    writer.Close();
}

MacroLoadResult LoadMacros(const std::string& path, Macros& macros) {
    bool missing = false;
    FILE* file = OpenRegular(path, missing);
    MacroLoadResult result = MacroLoadResult::Refused;
    macros.ClearStore();
    if (missing) {
        result = MacroLoadResult::Missing;
    } else if (file) {
        auto scratch = std::make_unique<MacroStore>();
        try {
            ReadMacroFile(file, *scratch);
            macros.store = *scratch;
            result = MacroLoadResult::Loaded;
        } catch (const Exception&) {
            result = MacroLoadResult::Refused;
        }
    }
    if (file) std::fclose(file);
    macros.changed = false;
    return result;
}

void SaveMacros(const std::string& path, Macros& macros) {
    SafeFileWriter output(path);
    WriteMacroFile(output.File(), macros.store);
    output.Commit();
    macros.changed = false;
}

bool SaveMacrosIfChanged(const std::string& path, Macros& macros) {
    if (!macros.changed) return true;
    try {
        SaveMacros(path, macros);
        return true;
    } catch (const Exception&) {
        return false;
    }
}
