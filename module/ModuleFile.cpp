// The module file: the magic "QUAVEX-2" and the chunks HEAD, INFO, INST, PATS and PATT.
// Module::Load also recognises foreign files and hands them to an importer.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <string>

#include "app/Exceptions.h"
#include "app/SafeFile.h"
#include "module/IFF.h"
#include "module/Module.h"
#include "sound/NoteTable.h"

namespace {

constexpr char kMagic[9] = "QUAVEX-2";
constexpr uint8_t kFormatVersion = 5;

// HEAD: the 40 fixed bytes, then (from version 2 on) four bytes of start settings.
struct HeadRecord {
    uint8_t version;
    uint8_t repeatPosition;
    uint8_t reserved[2];
    uint8_t songLength[2];  // little-endian
    uint8_t chipType;
    uint8_t frequencyDivider;
    uint8_t usedBitmap[32];
};
static_assert(sizeof(HeadRecord) == 40, "HEAD starts with 40 bytes");

// INST: one per instrument, followed by its name.
struct InstrumentRecord {
    uint8_t startVolume;
    uint8_t delay[4];
    uint8_t vibrato[5];  // strength * 4 + speed
    uint8_t volumeAdd[5];
};
static_assert(sizeof(InstrumentRecord) == 15, "instrument records are 15 bytes");

// PATS: one per used pattern, followed by its name.
struct PatternRecord {
    uint8_t length;  // 0 stands for 256
    uint8_t tactFlags;
    uint8_t mainTactStart;
    uint8_t secondaryTactStart;
    uint8_t mainTactInterval;
    uint8_t secondaryTactInterval;
};
static_assert(sizeof(PatternRecord) == 6, "pattern records are 6 bytes");

// Flag byte of an encoded line.
constexpr uint8_t kFlagGlobals = 0x01;
constexpr uint8_t kFlagNote0 = 0x04;  // shifted left by the channel
constexpr uint8_t kFlagEffects01 = 0x40;
constexpr uint8_t kFlagEffects23 = 0x80;

// Each check names itself, so a refused file says what was wrong with it.
[[noreturn]] void Malformed(const char* check) {
    throw Exception(std::string("Module::Load(): ") + check);
}

// ---- writing ----

uint8_t Nibbles(uint8_t high, uint8_t low) {
    return static_cast<uint8_t>((high & 15) << 4 | (low & 15));
}

void CopyName(char (&dest)[33], const std::string& text) {
    // A name has room for 32 characters; longer names from other writers are cut.
    std::memset(dest, 0, sizeof dest);
    std::memcpy(dest, text.data(), std::min<size_t>(text.size(), kNameLength));
}

std::string NameOf(const char (&name)[33]) { return std::string(name, strnlen(name, kNameLength)); }

// Writes one encoded line to `out` (at most 1 + 3 + 4 + 8 + 2 + 4 = 22 bytes) and gives
// back its size. Codes live in nibbles in the file, so only their low four bits count.
size_t EncodeLine(const PatternLine& line, uint8_t* out) {
    size_t n = 1;
    uint8_t flag = 0;
    const uint8_t global0 = line.globalCmd[0] & 15, global1 = line.globalCmd[1] & 15;
    if (global0 != 0 || global1 != 0) {
        flag |= kFlagGlobals;
        out[n++] = Nibbles(global1, global0);
        if (global0) out[n++] = line.globalParam[0];
        if (global1) out[n++] = line.globalParam[1];
    }
    for (int c = 0; c < kChannels; ++c) {
        if (line.note[c] != kNoteEmpty) {
            flag |= static_cast<uint8_t>(kFlagNote0 << c);
            out[n++] = line.note[c];
        }
    }
    for (int c = 0; c < kChannels; ++c) {
        const uint8_t note = line.note[c];
        if (NoteCarriesDetune(note)) {
            // A detune outside the range would make a file that no loader accepts.
            const int detune = std::clamp<int>(line.detune[c], -99, 99);
            out[n++] = static_cast<uint8_t>(static_cast<int8_t>(detune));
        }
        if (NoteCarriesInstrument(note)) out[n++] = Nibbles(line.instrument[c], line.volume[c]);
    }
    uint8_t effect[kChannels];
    for (int c = 0; c < kChannels; ++c) effect[c] = line.effect[c] & 15;
    if (effect[0] || effect[1]) {
        flag |= kFlagEffects01;
        out[n++] = Nibbles(effect[1], effect[0]);
    }
    if (effect[2] || effect[3]) {
        flag |= kFlagEffects23;
        out[n++] = Nibbles(effect[3], effect[2]);
    }
    for (int c = 0; c < kChannels; ++c)
        if (effect[c]) out[n++] = line.effectParam[c];
    out[0] = flag;
    return n;
}

// ---- reading ----

struct LineReader {
    IFFParser& parser;
    int version;

    uint8_t Byte() {
        uint8_t b;
        parser.ReadNextBytes(&b, 1);
        return b;
    }

    void Read(PatternLine& line) {
        const uint8_t flag = Byte();
        if (version >= 3) {
            if (flag & kFlagGlobals) {
                const uint8_t commands = Byte();
                line.globalCmd[0] = commands & 15;
                line.globalCmd[1] = commands >> 4;
                if (line.globalCmd[0]) line.globalParam[0] = Byte();
                if (line.globalCmd[1]) line.globalParam[1] = Byte();
            }
        } else {
            // Older files have a single global column whose command sits in the flag.
            line.globalCmd[0] = flag & 3;
            if (line.globalCmd[0]) line.globalParam[0] = Byte();
        }
        for (int c = 0; c < kChannels; ++c)
            if (flag & (kFlagNote0 << c)) line.note[c] = Byte();
        for (int c = 0; c < kChannels; ++c) {
            const uint8_t note = line.note[c];
            if (NoteCarriesDetune(note)) {
                const int8_t detune = static_cast<int8_t>(Byte());
                if (detune < -99 || detune > 99) Malformed("Detune out of range");
                line.detune[c] = detune;
            }
            if (NoteCarriesInstrument(note)) {
                const uint8_t b = Byte();
                line.instrument[c] = b >> 4;
                line.volume[c] = b & 15;
            }
        }
        if (version <= 4) CorrectOldDetunes(line);
        if (flag & kFlagEffects01) {
            const uint8_t b = Byte();
            line.effect[0] = b & 15;
            line.effect[1] = b >> 4;
        }
        if (flag & kFlagEffects23) {
            const uint8_t b = Byte();
            line.effect[2] = b & 15;
            line.effect[3] = b >> 4;
        }
        for (int c = 0; c < kChannels; ++c)
            if (line.effect[c] != 0) line.effectParam[c] = Byte();
    }

    // Files before version 5 were made against periods truncated instead of rounded. From
    // octave index 8 up a period is small enough that the difference is audible, so the
    // detune takes it over and the note sounds as it did.
    static void CorrectOldDetunes(PatternLine& line) {
        for (int c = 0; c < kChannels; ++c) {
            const uint8_t note = line.note[c];
            if (note < 96 || note > kNoteLastTone) continue;
            const int corrected = line.detune[c] + gNotePeriodsTruncated[note] - gNotePeriods[note];
            line.detune[c] = static_cast<int8_t>(std::clamp(corrected, -99, 99));
        }
    }
};

void ReadHead(IFFParser& parser, Module& module, int& version, bool (&used)[kMaxPatterns]) {
    parser.MatchBlockStart("HEAD");
    HeadRecord head;
    parser.ReadNextBytes(&head, sizeof head);
    version = head.version;
    const int songLength = head.songLength[0] | head.songLength[1] << 8;
    if (version < 1 || version > kFormatVersion) Malformed("Unknown version");
    if (songLength < 1 || songLength > kMaxSongLength) Malformed("Bad song length");
    if (head.repeatPosition >= songLength) Malformed("Repeat position past the song");
    if (head.reserved[0] != 0 || head.reserved[1] != 0) Malformed("Reserved bytes set");
    if (head.chipType > 1) Malformed("Unknown chip type");
    if (head.frequencyDivider > 1) Malformed("Unknown frequency divider");

    uint8_t extra[4] = {48, 0xFF, 0, 0};
    if (version >= 2) parser.ReadNextBytes(extra, sizeof extra);
    const uint8_t speed = extra[0];
    const uint8_t stereo = version >= 4 ? extra[1] : 0xFF;

    // The module is a cleared one (see LoadInto), so only the chip settings differ.
    module.chipType = head.chipType;
    module.frequencyDivider = head.frequencyDivider;
    module.songLength = static_cast<uint16_t>(songLength);
    parser.ReadNextBytes(module.orderList, songLength);
    module.repeatPosition = head.repeatPosition;
    module.initialSpeed = speed;
    module.initialStereo = stereo;
    // Clear made pattern 0; only the bitmap decides which slots the file holds.
    for (int p = 0; p < kMaxPatterns; ++p) {
        used[p] = (head.usedBitmap[p / 8] >> (p % 8)) & 1;
        module.patterns[p].used = 0;
    }
}

void ReadInstruments(IFFParser& parser, Module& module) {
    parser.MatchBlockStart("INST");
    std::string name;
    for (Instrument& instrument : module.instruments) {
        InstrumentRecord record;
        parser.ReadNextBytes(&record, sizeof record);
        parser.ReadString(name);
        instrument.startVolume = record.startVolume;
        std::memcpy(instrument.delay, record.delay, 4);
        for (int phase = 0; phase < 5; ++phase) {
            if ((record.vibrato[phase] >> 2) > 15) Malformed("Vibrato strength out of range");
            instrument.vibStrength[phase] = record.vibrato[phase] >> 2;
            instrument.vibSpeed[phase] = record.vibrato[phase] & 3;
        }
        std::memcpy(instrument.volumeAdd, record.volumeAdd, 5);
        CopyName(instrument.name, name);
    }
}

void ReadPatternHeaders(IFFParser& parser, Module& module, const bool (&used)[kMaxPatterns]) {
    parser.MatchBlockStart("PATS");
    std::string name;
    for (int p = 0; p < kMaxPatterns; ++p) {
        if (!used[p]) continue;
        module.MakePattern(p);
        PatternRecord record;
        parser.ReadNextBytes(&record, sizeof record);
        parser.ReadString(name);
        if (record.tactFlags & 0xFC) Malformed("Unknown tact flags");
        Pattern& pattern = module.patterns[p];
        pattern.length = record.length == 0 ? 256 : record.length;
        pattern.mainTactOn = record.tactFlags & 1;
        pattern.secondaryTactOn = (record.tactFlags >> 1) & 1;
        pattern.mainTactStart = record.mainTactStart;
        pattern.secondaryTactStart = record.secondaryTactStart;
        pattern.mainTactInterval = record.mainTactInterval;
        pattern.secondaryTactInterval = record.secondaryTactInterval;
        CopyName(pattern.name, name);
    }
}

void ReadModuleFile(FILE* file, Module& module) {
    if (std::fseek(file, sizeof kMagic - 1, SEEK_SET) != 0) Malformed("Can't read file");
    IFFParser parser;
    parser.Attach(file);
    int version = 0;
    bool used[kMaxPatterns];
    ReadHead(parser, module, version, used);

    parser.MatchBlockStart("INFO");
    parser.ReadString(module.title);
    parser.ReadString(module.author);
    parser.ReadString(module.notes);

    ReadInstruments(parser, module);
    ReadPatternHeaders(parser, module, used);

    parser.MatchBlockStart("PATT");
    LineReader reader{parser, version};
    for (int p = 0; p < kMaxPatterns; ++p) {
        if (!used[p]) continue;
        Pattern& pattern = module.patterns[p];
        for (int l = 0; l < pattern.length; ++l) reader.Read(pattern.lines[l]);
    }
    // Bytes after the last line are left alone: later writers may append chunks.
}

// Lines a pattern stores: its length kept within 1..256, with 0 read as 256.
int StoredLength(const Pattern& pattern) {
    if (pattern.length == 0) return kMaxLines;
    return std::min<int>(pattern.length, kMaxLines);
}

// Opens a regular file for reading without ever blocking: opening a FIFO for reading would
// wait for a writer, so the kind is checked before the descriptor may block.
FILE* OpenRegularFile(const std::string& path, uint64_t& length) {
    const int fd = open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return nullptr;
    struct stat info;
    if (fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        close(fd);
        return nullptr;
    }
    fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    FILE* file = fdopen(fd, "rb");
    if (!file) {
        close(fd);
        return nullptr;
    }
    length = static_cast<uint64_t>(info.st_size);
    return file;
}

void SplitPath(const std::string& path, std::string& directory, std::string& fileName) {
    const size_t slash = path.find_last_of('/');
    if (slash == std::string::npos) {
        // Saving back joins directory and name, so a bare name keeps the current directory.
        directory.assign(1, '.');
        fileName = path;
    } else if (slash == 0) {
        directory.assign(1, '/');
        fileName = path.substr(1);
    } else {
        directory = path.substr(0, slash);
        fileName = path.substr(slash + 1);
    }
}

class FileCloser {
public:
    explicit FileCloser(FILE* f) : file(f) {}
    ~FileCloser() { Close(); }
    FileCloser(const FileCloser&) = delete;
    FileCloser& operator=(const FileCloser&) = delete;
    void Close() {
        if (file) std::fclose(file);
        file = nullptr;
    }
    FILE* Get() const { return file; }

private:
    FILE* file;
};

}  // namespace

void Module::Write(FILE* file) const {
    if (std::fwrite(kMagic, 1, 8, file) != 8)
        throw FileIOException("IFFWriter::WriteData(): Can't write data");
    IFFWriter writer;
    writer.Attach(file);

    // Whatever the fields hold, the file must load again: out-of-range settings are written
    // as the nearest value the loader accepts.
    const int storedSongLength = std::clamp<int>(songLength, 1, kMaxSongLength);
    HeadRecord head{};
    head.version = kFormatVersion;
    head.repeatPosition = repeatPosition < storedSongLength ? repeatPosition : 0;
    head.songLength[0] = static_cast<uint8_t>(storedSongLength & 0xFF);
    head.songLength[1] = static_cast<uint8_t>(storedSongLength >> 8);
    head.chipType = chipType ? 1 : 0;
    head.frequencyDivider = frequencyDivider ? 1 : 0;
    for (int p = 0; p < kMaxPatterns; ++p)
        if (patterns[p].used) head.usedBitmap[p / 8] |= static_cast<uint8_t>(1 << (p % 8));
    const uint8_t extra[4] = {initialSpeed, initialStereo, 0, 0};
    writer.BeginBlock("HEAD");
    writer.WriteData(&head, sizeof head);
    writer.WriteData(extra, sizeof extra);
    writer.WriteData(orderList, static_cast<size_t>(storedSongLength));
    writer.EndBlock();

    writer.BeginBlock("INFO");
    writer.WriteString(title);
    writer.WriteString(author);
    writer.WriteString(notes);
    writer.EndBlock();

    writer.BeginBlock("INST");
    for (const Instrument& instrument : instruments) {
        InstrumentRecord record;
        record.startVolume = instrument.startVolume;
        std::memcpy(record.delay, instrument.delay, 4);
        for (int phase = 0; phase < 5; ++phase)
            record.vibrato[phase] =
                static_cast<uint8_t>(std::min<int>(instrument.vibStrength[phase], 15) << 2 |
                                     (instrument.vibSpeed[phase] & 3));
        std::memcpy(record.volumeAdd, instrument.volumeAdd, 5);
        writer.WriteData(&record, sizeof record);
        writer.WriteString(NameOf(instrument.name));
    }
    writer.EndBlock();

    writer.BeginBlock("PATS");
    for (const Pattern& pattern : patterns) {
        if (!pattern.used) continue;
        PatternRecord record;
        record.length = static_cast<uint8_t>(StoredLength(pattern) & 0xFF);
        record.tactFlags =
            static_cast<uint8_t>((pattern.mainTactOn ? 1 : 0) | (pattern.secondaryTactOn ? 2 : 0));
        record.mainTactStart = pattern.mainTactStart;
        record.secondaryTactStart = pattern.secondaryTactStart;
        record.mainTactInterval = pattern.mainTactInterval;
        record.secondaryTactInterval = pattern.secondaryTactInterval;
        writer.WriteData(&record, sizeof record);
        writer.WriteString(NameOf(pattern.name));
    }
    writer.EndBlock();

    writer.BeginBlock("PATT");
    uint8_t encoded[32];
    for (const Pattern& pattern : patterns) {
        if (!pattern.used) continue;
        for (int l = 0; l < StoredLength(pattern); ++l)
            writer.WriteData(encoded, EncodeLine(pattern.lines[l], encoded));
    }
    writer.EndBlock();
    writer.Close();
}

void Module::Save(const std::string& path) {
    SafeFileWriter output(path);
    Write(output.File());
    output.Commit();
    SplitPath(path, directory, fileName);
}

namespace {

// Fills `module` (a cleared one) from the file; the whole of Module::Load but the commit.
bool LoadInto(Module& module, const std::string& path, ImportHandler* importer) {
    uint64_t length = 0;
    FileCloser file(OpenRegularFile(path, length));
    if (!file.Get()) throw Exception("Module::Load(): Can't open file");
    if (length < 4) throw Exception("Module::Load(): File too short");

    uint8_t first8[8] = {};
    const size_t headLength = length < 8 ? 4 : 8;
    if (std::fread(first8, 1, headLength, file.Get()) != headLength)
        throw Exception("Module::Load(): Can't read file");
    uint8_t at1080[4] = {};
    bool haveAt1080 = false;
    if (length >= 1084) {
        haveAt1080 = std::fseek(file.Get(), 1080, SEEK_SET) == 0 &&
                     std::fread(at1080, 1, 4, file.Get()) == 4;
    }
    const FileKind kind =
        DetectFileKind(first8, static_cast<size_t>(length), haveAt1080 ? at1080 : nullptr, path);

    if (kind == FileKind::Unknown || kind == FileKind::LegacyModule)
        throw Exception("Module::Load(): Unknown file type");
    if (kind == FileKind::Module) {
        ReadModuleFile(file.Get(), module);
        SplitPath(path, module.directory, module.fileName);
        return true;
    }

    if (!importer) {
        const std::string message =
            std::string("Module::Load(): ") + FileKindName(kind) + " files can't be imported yet.";
        throw Exception(message);
    }
    bool imported;
    if (kind == FileKind::Vgm) {
        // The VGM importer reads through a gzip reader of its own, by path.
        file.Close();
        imported = importer->Import(module, kind, nullptr, path);
    } else {
        std::rewind(file.Get());
        imported = importer->Import(module, kind, file.Get(), path);
    }
    // An imported song has no file of its own yet; the first save asks for a name.
    module.fileName.clear();
    module.directory.clear();
    return imported;
}

}  // namespace

bool Module::Load(const std::string& path, ImportHandler* importer) {
    // Read into a module of its own, so that a malformed file, a failed read or a cancelled
    // import leaves this one exactly as it was; only a complete song replaces it.
    ModuleLease loaded(0, 0);
    if (!LoadInto(*loaded, path, importer)) return false;
    *this = std::move(*loaded);
    return true;
}
