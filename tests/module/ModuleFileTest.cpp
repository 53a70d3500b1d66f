// The module file: exact bytes of saved files, the round trip of a module that uses every
// feature, older versions and their conversions, kind detection and the import hand-off.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstring>

#include "ModuleCompare.h"
#include "ModuleTestSupport.h"
#include "app/Exceptions.h"
#include "module/Module.h"
#include "sound/NoteTable.h"
#include "tools/module-seeds/ModuleSeeds.h"

namespace {

Bytes SaveToBytes(Module& module, const ScratchDirectory& dir, const char* name = "out.quavex") {
    module.Save(dir.File(name));
    return ReadAll(dir.File(name));
}

std::unique_ptr<Module> LoadBytes(const Bytes& bytes, const ScratchDirectory& dir,
                                  const char* name = "in.quavex") {
    WriteAll(dir.File(name), bytes);
    auto module = NewModule();
    EXPECT_TRUE(module->Load(dir.File(name)));
    return module;
}

// The data of the last chunk, which is PATT in a module file.
Bytes LineBytes(const Bytes& file) {
    const Bytes tag = {'P', 'A', 'T', 'T'};
    auto at = std::find_end(file.begin(), file.end(), tag.begin(), tag.end());
    EXPECT_NE(at, file.end());
    return Bytes(at + 8, file.end());
}

// One line's bytes, as the only line of a one-line pattern.
Bytes EncodedLine(const PatternLine& line, const ScratchDirectory& dir) {
    auto module = NewModule();
    module->SetPatternLength(0, 1);
    module->patterns[0].lines[0] = line;
    return LineBytes(SaveToBytes(*module, dir));
}

PatternLine EmptyLine() {
    PatternLine line;
    std::memset(&line, 0, sizeof line);
    std::memset(line.note, 255, 4);
    return line;
}

// The load fails with exactly the exception of the check that refuses the file, so a
// check that stops working cannot hide behind another that fails later.
void ExpectLoadFails(const Bytes& bytes, const char* what, int kind, const char* message) {
    ScratchDirectory dir;
    WriteAll(dir.File("bad.quavex"), bytes);
    auto module = NewModule();
    try {
        module->Load(dir.File("bad.quavex"));
        ADD_FAILURE() << what << ": loaded";
    } catch (const Exception& e) {
        EXPECT_EQ(e.Kind(), kind) << what;
        EXPECT_STREQ(e.Message(), message) << what;
    }
}

// A module that uses every feature the file can hold; its unused bytes are all zero, so
// a loaded copy must equal it byte for byte.
std::unique_ptr<Module> EverythingModule() {
    auto m = NewModule();
    m->Clear(1, 1);
    m->initialSpeed = 255;
    m->initialStereo = 0x5A;
    m->songLength = 256;
    m->repeatPosition = 255;
    for (int i = 0; i < 256; ++i) m->orderList[i] = static_cast<uint8_t>(255 - i);
    m->title = std::string(64, 'T');
    m->author = "An author with a name";
    for (int i = 0; i < 1000; ++i)
        m->notes += (i % 50 == 49) ? '\n' : static_cast<char>('!' + i % 90);
    for (int i = 0; i < 16; ++i) {
        Instrument& in = m->instruments[i];
        const std::string name = i == 0 ? std::string(32, 'N') : "Instrument " + std::to_string(i);
        std::memcpy(in.name, name.c_str(), name.size());
        in.startVolume = static_cast<uint8_t>(i * 17);
        for (int d = 0; d < 4; ++d) in.delay[d] = static_cast<uint8_t>(i * 16 + d);
        for (int ph = 0; ph < 5; ++ph) {
            in.vibSpeed[ph] = static_cast<uint8_t>((i + ph) % 4);
            in.vibStrength[ph] = static_cast<uint8_t>((i + ph * 3) % 16);
            in.volumeAdd[ph] = static_cast<uint8_t>(i * 5 + ph * 60);
        }
    }
    int counter = 0;
    for (int p = 0; p < 256; ++p) {
        m->MakePattern(p);
        Pattern& pattern = m->patterns[p];
        pattern.length = p == 1 ? 1 : 256;
        const std::string name =
            "Pattern " + std::to_string(p) + (p == 7 ? std::string(22, 'x') : "");
        std::memcpy(pattern.name, name.c_str(), std::min<size_t>(name.size(), 32));
        pattern.mainTactOn = p & 1;
        pattern.secondaryTactOn = (p >> 1) & 1;
        pattern.mainTactStart = static_cast<uint8_t>(p);
        pattern.secondaryTactStart = static_cast<uint8_t>(p / 2);
        pattern.mainTactInterval = static_cast<uint8_t>(p + 1);
        pattern.secondaryTactInterval = static_cast<uint8_t>(255 - p);
        for (int l = 0; l < pattern.length; ++l) {
            PatternLine& line = pattern.lines[l];
            for (int c = 0; c < 4; ++c) {
                ++counter;
                const uint8_t note = static_cast<uint8_t>((p * 256 + l) * 4 + c + p);
                line.note[c] = note;
                if (NoteCarriesDetune(note))
                    line.detune[c] = static_cast<int8_t>(counter % 199 - 99);
                if (NoteCarriesInstrument(note)) {
                    line.instrument[c] = static_cast<uint8_t>((l + c) % 16);
                    line.volume[c] = static_cast<uint8_t>((l * 3 + c + p) % 16);
                }
                line.effect[c] = static_cast<uint8_t>((l + c + p) % 3);
                if (line.effect[c]) line.effectParam[c] = static_cast<uint8_t>(l * 7 + c);
            }
            for (int k = 0; k < 2; ++k) {
                line.globalCmd[k] = static_cast<uint8_t>((l / (k + 1) + p) % 5);
                if (line.globalCmd[k]) line.globalParam[k] = static_cast<uint8_t>(l + k * 100 + p);
            }
        }
    }
    return m;
}

void ExpectSameModule(const Module& a, const Module& b) {
    EXPECT_EQ(a.initialSpeed, b.initialSpeed);
    EXPECT_EQ(a.initialStereo, b.initialStereo);
    EXPECT_EQ(a.frequencyDivider, b.frequencyDivider);
    EXPECT_EQ(a.chipType, b.chipType);
    EXPECT_EQ(a.songLength, b.songLength);
    EXPECT_EQ(a.repeatPosition, b.repeatPosition);
    EXPECT_EQ(0, std::memcmp(a.orderList, b.orderList, a.songLength));
    EXPECT_EQ(a.title, b.title);
    EXPECT_EQ(a.author, b.author);
    EXPECT_EQ(a.notes, b.notes);
    EXPECT_EQ(0, std::memcmp(a.instruments, b.instruments, sizeof a.instruments));
    for (int p = 0; p < 256; ++p) {
        SCOPED_TRACE(p);
        const Pattern& x = a.patterns[p];
        const Pattern& y = b.patterns[p];
        ASSERT_EQ(x.used, y.used);
        if (!x.used) continue;
        ASSERT_EQ(x.length, y.length);
        EXPECT_STREQ(x.name, y.name);
        EXPECT_EQ(x.mainTactOn, y.mainTactOn);
        EXPECT_EQ(x.secondaryTactOn, y.secondaryTactOn);
        EXPECT_EQ(x.mainTactStart, y.mainTactStart);
        EXPECT_EQ(x.secondaryTactStart, y.secondaryTactStart);
        EXPECT_EQ(x.mainTactInterval, y.mainTactInterval);
        EXPECT_EQ(x.secondaryTactInterval, y.secondaryTactInterval);
        ASSERT_EQ(0, std::memcmp(x.lines, y.lines, sizeof(PatternLine) * x.length));
    }
}

// Saves with the process's file size limit lowered, as on a full disk.
bool SaveFailsUnderSizeLimit(Module& module, const std::string& path, rlim_t limit) {
    struct rlimit old;
    getrlimit(RLIMIT_FSIZE, &old);
    struct sigaction ignore = {}, previous;
    ignore.sa_handler = SIG_IGN;
    sigaction(SIGXFSZ, &ignore, &previous);
    struct rlimit limited = old;
    limited.rlim_cur = limit;
    setrlimit(RLIMIT_FSIZE, &limited);
    bool failed = false;
    try {
        module.Save(path);
    } catch (const Exception&) {
        failed = true;
    }
    setrlimit(RLIMIT_FSIZE, &old);
    sigaction(SIGXFSZ, &previous, nullptr);
    return failed;
}

class RecordingImporter : public ImportHandler {
public:
    bool Import(Module& target, FileKind k, FILE* f, const std::string& p) override {
        ++calls;
        kind = k;
        hadFile = f != nullptr;
        offset = f ? std::ftell(f) : -1;
        path = p;
        target.title = "imported";
        return answer;
    }
    int calls = 0;
    FileKind kind = FileKind::Unknown;
    bool hadFile = false;
    long offset = -1;
    std::string path;
    bool answer = true;
};

}  // namespace

TEST(ModuleFile, ClearedModuleBytes) {
    ScratchDirectory dir;
    auto module = NewModule();
    ByteWriter e;
    e.Text("QUAVEX-2");
    e.Text("HEAD").U32(45).U8(5).U8(0).U16(0).U16(1).U8(0).U8(0).U8(1).Fill(31, 0);
    e.U8(48).U8(0xFF).U8(0).U8(0).U8(0).U8(0);  // extra settings, order list, padding
    e.Text("INFO").U32(3).U8(0).U8(0).U8(0).U8(0);
    e.Text("INST").U32(256);
    for (int i = 0; i < 16; ++i) e.U8(0xFF).Fill(4, 8).Fill(10, 0).U8(0);
    e.Text("PATS").U32(7).U8(64).U8(0).U8(0).U8(0).U8(16).U8(8).U8(0).U8(0);
    e.Text("PATT").U32(64).Fill(64, 0);
    EXPECT_EQ(SaveToBytes(*module, dir), e.bytes);
    EXPECT_EQ(e.bytes.size(), 426u);
}

TEST(ModuleFile, LineEncodings) {
    ScratchDirectory dir;
    EXPECT_EQ(EncodedLine(EmptyLine(), dir), (Bytes{0x00}));

    PatternLine noise = EmptyLine();
    noise.note[1] = 247;
    noise.detune[1] = 50;  // not carried by noise: not written
    noise.instrument[1] = 3;
    noise.volume[1] = 15;
    EXPECT_EQ(EncodedLine(noise, dir), (Bytes{0x08, 0xF7, 0x3F}));

    PatternLine full = EmptyLine();
    full.globalCmd[0] = 1;
    full.globalParam[0] = 48;
    full.globalCmd[1] = 4;
    full.globalParam[1] = 0xAA;
    full.note[0] = 69;
    full.detune[0] = -5;
    full.instrument[0] = 2;
    full.volume[0] = 12;
    full.note[1] = 246;
    full.detune[1] = 7;
    full.instrument[1] = 1;
    full.volume[1] = 15;
    full.note[2] = 200;
    full.note[3] = 251;
    full.instrument[3] = 4;
    full.volume[3] = 9;
    full.effect[0] = 1;
    full.effectParam[0] = 10;
    full.effect[2] = 2;
    full.effectParam[2] = 15;
    EXPECT_EQ(EncodedLine(full, dir), (Bytes{0xFD, 0x41, 0x30, 0xAA, 0x45, 0xF6, 0xC8, 0xFB, 0xFB,
                                             0x2C, 0x07, 0x1F, 0x49, 0x01, 0x02, 0x0A, 0x0F}));

    PatternLine second = EmptyLine();
    second.globalCmd[1] = 3;
    second.globalParam[1] = 0x11;
    second.effect[3] = 2;
    second.effectParam[3] = 0x22;
    EXPECT_EQ(EncodedLine(second, dir), (Bytes{0x81, 0x30, 0x11, 0x20, 0x22}));

    // A detune out of range in memory is written at the range's end, never unreadable.
    PatternLine wild = EmptyLine();
    wild.note[0] = 60;
    wild.detune[0] = -128;
    EXPECT_EQ(EncodedLine(wild, dir), (Bytes{0x04, 60, 0x9D, 0x00}));
}

TEST(ModuleFile, FullLengthPatternIsStoredAsZero) {
    ScratchDirectory dir;
    auto module = NewModule();
    module->SetPatternLength(0, 256);
    module->patterns[0].lines[255].note[0] = 50;
    const Bytes file = SaveToBytes(*module, dir);
    const Bytes lines = LineBytes(file);
    ASSERT_EQ(lines.size(), 255u + 4u);
    EXPECT_EQ(lines.back(), 0x00);  // instrument 0, volume 0
    const Bytes pats = {'P', 'A', 'T', 'S'};
    auto at = std::search(file.begin(), file.end(), pats.begin(), pats.end());
    ASSERT_NE(at, file.end());
    EXPECT_EQ(at[8], 0);
    auto loaded = LoadBytes(file, dir);
    EXPECT_EQ(loaded->patterns[0].length, 256);
    EXPECT_EQ(loaded->patterns[0].lines[255].note[0], 50);
}

TEST(ModuleFile, EverythingSavesLoadsAndSavesIdentically) {
    ScratchDirectory dir;
    auto original = EverythingModule();
    const Bytes first = SaveToBytes(*original, dir, "first.quavex");
    auto loaded = NewModule();
    ASSERT_TRUE(loaded->Load(dir.File("first.quavex")));
    ExpectSameModule(*original, *loaded);
    EXPECT_EQ(loaded->fileName, "first.quavex");
    EXPECT_EQ(loaded->directory, dir.Path());
    const Bytes second = SaveToBytes(*loaded, dir, "second.quavex");
    EXPECT_TRUE(first == second);

    // The header as laid down: version, repeat position, reserved, length, chip, divider,
    // a full bitmap, the start settings and the order list.
    ByteWriter head;
    head.Text("QUAVEX-2").Text("HEAD").U32(44 + 256).U8(5).U8(255).U16(0).U16(256).U8(1).U8(1);
    head.Fill(32, 0xFF).U8(255).U8(0x5A).U8(0).U8(0);
    for (int i = 0; i < 256; ++i) head.U8(255 - i);
    head.Text("INFO");
    ASSERT_GT(first.size(), head.bytes.size());
    EXPECT_TRUE(std::equal(head.bytes.begin(), head.bytes.end(), first.begin()));
    // The 1000-character notes take the two-byte prefix 0xE8 0x03.
    const size_t info = head.bytes.size() + 4;
    EXPECT_EQ(first[info], 64);
    EXPECT_EQ(first[info + 1 + 64], 21);
    EXPECT_EQ(first[info + 1 + 64 + 1 + 21], 0xE8);
    EXPECT_EQ(first[info + 1 + 64 + 1 + 21 + 1], 0x03);
}

TEST(ModuleFile, SaveAndLoadSetNameAndDirectory) {
    ScratchDirectory dir;
    auto module = NewModule();
    module->Save(dir.File("song.quavex"));
    EXPECT_EQ(module->fileName, "song.quavex");
    EXPECT_EQ(module->directory, dir.Path());
    auto other = NewModule();
    other->fileName = "stale";
    ASSERT_TRUE(other->Load(dir.File("song.quavex")));
    EXPECT_EQ(other->fileName, "song.quavex");
    EXPECT_EQ(other->directory, dir.Path());
}

TEST(ModuleFile, BytesAfterTheLastLineAreIgnored) {
    ScratchDirectory dir;
    ModuleFileParts parts;
    Bytes file = ModuleFileBytes(parts);
    file.insert(file.end(), {'J', 'U', 'N', 'K', 1, 2, 3});
    auto module = LoadBytes(file, dir);
    EXPECT_EQ(module->patterns[0].length, 64);
}

TEST(ModuleFile, ModSignatureInAModuleFileStillLoadsAsModule) {
    ScratchDirectory dir;
    ModuleFileParts parts;
    parts.notes = std::string(1200, 'n');
    Bytes file = ModuleFileBytes(parts);
    ASSERT_GE(file.size(), 1084u);
    std::memcpy(&file[1080], "M.K.", 4);
    auto module = LoadBytes(file, dir);
    EXPECT_NE(module->notes.find("M.K."), std::string::npos);

    // Without the module magic the same bytes are a MOD file.
    std::memcpy(&file[0], "XXXXXXXX", 8);
    WriteAll(dir.File("tune.mod"), file);
    auto target = NewModule();
    try {
        target->Load(dir.File("tune.mod"));
        ADD_FAILURE() << "a MOD file loaded without an importer";
    } catch (const Exception& e) {
        EXPECT_STREQ(e.Message(), "Module::Load(): MOD (4 channels) files can't be imported yet.");
    }
    RecordingImporter importer;
    target->fileName = "old";
    target->directory = "old";
    EXPECT_TRUE(target->Load(dir.File("tune.mod"), &importer));
    EXPECT_EQ(importer.kind, FileKind::Mod4Channel);
    EXPECT_TRUE(importer.hadFile);
    EXPECT_EQ(importer.offset, 0);
    EXPECT_EQ(target->title, "imported");
    EXPECT_TRUE(target->fileName.empty());
    EXPECT_TRUE(target->directory.empty());
}

TEST(ModuleFile, ImportHandOff) {
    ScratchDirectory dir;
    struct Case {
        const char* name;
        Bytes bytes;
        FileKind kind;
        bool file;
    } cases[] = {
        {"a.vgz", {0x1F, 0x8B, 8, 0, 0, 0}, FileKind::Vgm, false},
        {"a.vgm", {'V', 'g', 'm', ' ', 0x50, 0}, FileKind::Vgm, false},
        {"a.mid", {'M', 'T', 'h', 'd', 0, 0, 0, 6, 0, 1}, FileKind::Midi, true},
        {"A.BAS", {'1', '0', ' ', 'P', 'L', 'A', 'Y'}, FileKind::Basic, true},
        {"b.bam", {'1', '0', ' ', 'B', 'E', 'E', 'P'}, FileKind::Basic, true},
        {"c.Bas", {'1', '0', ' ', 'B', 'E', 'E', 'P'}, FileKind::Basic, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        WriteAll(dir.File(c.name), c.bytes);
        RecordingImporter importer;
        importer.answer = false;
        auto module = NewModule();
        EXPECT_FALSE(module->Load(dir.File(c.name), &importer));
        EXPECT_EQ(importer.calls, 1);
        EXPECT_EQ(importer.kind, c.kind);
        EXPECT_EQ(importer.hadFile, c.file);
        if (c.file) {
            EXPECT_EQ(importer.offset, 0);
        }
        EXPECT_EQ(importer.path, dir.File(c.name));
        EXPECT_THROW(NewModule()->Load(dir.File(c.name)), Exception);
    }
}

TEST(ModuleFile, KindDetection) {
    auto detect = [](const char* first, size_t length, const char* at1080, const char* path) {
        uint8_t head[8] = {};
        std::memcpy(head, first, std::min<size_t>(8, std::strlen(first)));
        return DetectFileKind(head, length, reinterpret_cast<const uint8_t*>(at1080), path);
    };
    EXPECT_EQ(detect("abcdefgh", 1084, "M.K.", "x"), FileKind::Mod4Channel);
    EXPECT_EQ(detect("abcdefgh", 1084, "M!K!", "x"), FileKind::Mod4Channel);
    EXPECT_EQ(detect("abcdefgh", 1084, "4CHN", "x"), FileKind::Mod4Channel);
    EXPECT_EQ(detect("abcdefgh", 1084, "2CHN", "x"), FileKind::Mod2Channel);
    EXPECT_EQ(detect("abcdefgh", 1083, "M.K.", "x"), FileKind::Unknown);
    EXPECT_EQ(detect("abcdefgh", 1084, "6CHN", "x.bas"), FileKind::Basic);
    EXPECT_EQ(detect("Vgm abcd", 1084, "M.K.", "x"), FileKind::Vgm);
    EXPECT_EQ(detect("QUAVEX-2", 1084, "M.K.", "x"), FileKind::Module);
    EXPECT_EQ(detect("QUAVEX  ", 100, nullptr, "x"), FileKind::LegacyModule);
    EXPECT_EQ(detect("QUAVEX-3", 100, nullptr, "x"), FileKind::Unknown);
    EXPECT_EQ(detect("Vgm ", 4, nullptr, "x.bas"), FileKind::Vgm);
    EXPECT_EQ(detect("MThd", 4, nullptr, "x"), FileKind::Unknown);
    EXPECT_EQ(detect("abc", 3, nullptr, "x.bas"), FileKind::Unknown);
    EXPECT_EQ(detect("10 PRINT", 100, nullptr, "dir.bas/prog"), FileKind::Unknown);
    EXPECT_EQ(detect("10 PRINT", 100, nullptr, "prog.basic"), FileKind::Unknown);
    EXPECT_EQ(detect("10 PRINT", 100, nullptr, "prog.bAm"), FileKind::Basic);
}

TEST(ModuleFile, OlderVersionsLoadWithTheirConversions) {
    // Hand-computed periods: 98 is 47.61 (47 truncated, 48 rounded), 96 is 53.44 (53 both),
    // 95 is 56.62 but lies below the corrected range.
    ASSERT_EQ(gNotePeriods[98], 48);
    ASSERT_EQ(gNotePeriodsTruncated[98], 47);
    ASSERT_EQ(gNotePeriods[96], gNotePeriodsTruncated[96]);
    ScratchDirectory dir;
    for (int version = 1; version <= 5; ++version) {
        SCOPED_TRACE(version);
        ModuleFileParts parts;
        parts.version = version;
        parts.initialSpeed = 20;
        parts.initialStereo = 0x12;
        ByteWriter lines;
        // Line 0: a speed command in the single global column of versions 1 and 2, or in
        // column 1 of later versions.
        if (version <= 2)
            lines.U8(0x01).U8(20);
        else
            lines.U8(0x01).U8(0x01).U8(20);
        // Line 1: notes 98, 96, 95 and 246 with detunes 5, 7, 5, 10.
        lines.U8(0x3C).U8(98).U8(96).U8(95).U8(246);
        lines.U8(5).U8(0x11).U8(7).U8(0x22).U8(5).U8(0x33).U8(10).U8(0x44);
        // Line 2: note 98 with detune -99, which the correction must not push past -99.
        lines.U8(0x04).U8(98).U8(0x9D).U8(0x0F);
        // Line 3: "CB" 0x77 (command 3) in the old flag bits, or in column 2.
        if (version <= 2)
            lines.U8(0x03).U8(0x77);
        else
            lines.U8(0x01).U8(0x30).U8(0x77);
        lines.Fill(60, 0);
        parts.lines = lines.bytes;
        auto m = LoadBytes(ModuleFileBytes(parts), dir);
        EXPECT_EQ(m->initialSpeed, version == 1 ? 48 : 20);
        EXPECT_EQ(m->initialStereo, version >= 4 ? 0x12 : 0xFF);
        const Pattern& p = m->patterns[0];
        EXPECT_EQ(p.lines[0].globalCmd[0], 1);
        EXPECT_EQ(p.lines[0].globalParam[0], 20);
        EXPECT_EQ(p.lines[0].globalCmd[1], 0);
        const int shift = version <= 4 ? -1 : 0;
        EXPECT_EQ(p.lines[1].detune[0], 5 + shift);
        EXPECT_EQ(p.lines[1].detune[1], 7);
        EXPECT_EQ(p.lines[1].detune[2], 5);
        EXPECT_EQ(p.lines[1].detune[3], 10);
        EXPECT_EQ(p.lines[1].instrument[3], 4);
        EXPECT_EQ(p.lines[1].volume[3], 4);
        EXPECT_EQ(p.lines[2].detune[0], -99);
        const int column = version <= 2 ? 0 : 1;
        EXPECT_EQ(p.lines[3].globalCmd[column], 3);
        EXPECT_EQ(p.lines[3].globalParam[column], 0x77);
        EXPECT_EQ(p.lines[3].globalCmd[1 - column], 0);
    }
}

TEST(ModuleFile, MalformedHeadersAndFields) {
    ModuleFileParts good;
    {
        ScratchDirectory dir;
        LoadBytes(ModuleFileBytes(good), dir);
    }
    auto with = [&](auto change) {
        ModuleFileParts parts = good;
        change(parts);
        return ModuleFileBytes(parts);
    };
    ExpectLoadFails(with([](ModuleFileParts& p) { p.version = 0; }), "version 0", kGenericException,
                    "Module::Load(): Unknown version");
    ExpectLoadFails(with([](ModuleFileParts& p) { p.version = 6; }), "version 6", kGenericException,
                    "Module::Load(): Unknown version");
    ExpectLoadFails(with([](ModuleFileParts& p) { p.songLength = 0; }), "song length 0",
                    kGenericException, "Module::Load(): Bad song length");
    ExpectLoadFails(with([](ModuleFileParts& p) {
                        p.songLength = 257;
                        p.orderList.assign(257, 0);
                    }),
                    "song length 257", kGenericException, "Module::Load(): Bad song length");
    ExpectLoadFails(with([](ModuleFileParts& p) {
                        p.songLength = 3;
                        p.repeatPosition = 3;
                        p.orderList.assign(3, 0);
                    }),
                    "repeat position equal to the song length", kGenericException,
                    "Module::Load(): Repeat position past the song");
    ExpectLoadFails(with([](ModuleFileParts& p) { p.reserved = 0x100; }), "reserved",
                    kGenericException, "Module::Load(): Reserved bytes set");
    ExpectLoadFails(with([](ModuleFileParts& p) { p.chipType = 2; }), "chip type",
                    kGenericException, "Module::Load(): Unknown chip type");
    ExpectLoadFails(with([](ModuleFileParts& p) { p.frequencyDivider = 2; }), "divider",
                    kGenericException, "Module::Load(): Unknown frequency divider");
    ExpectLoadFails(
        with([](ModuleFileParts& p) {
            ByteWriter w;
            for (int i = 0; i < 16; ++i)
                w.U8(255).Fill(4, 8).Fill(4, 0).U8(i == 9 ? 0x40 : 0x3F).Fill(5, 0).String("");
            p.instruments = w.bytes;
        }),
        "vibrato strength 16", kGenericException, "Module::Load(): Vibrato strength out of range");
    ExpectLoadFails(with([](ModuleFileParts& p) {
                        p.patternHeaders = ByteWriter().U8(64).U8(0x04).Fill(4, 0).String("").bytes;
                    }),
                    "tact bits", kGenericException, "Module::Load(): Unknown tact flags");
    ExpectLoadFails(with([](ModuleFileParts& p) {
                        p.lines = ByteWriter().U8(0x04).U8(60).U8(100).U8(0).Fill(63, 0).bytes;
                    }),
                    "detune 100", kGenericException, "Module::Load(): Detune out of range");
    ExpectLoadFails(with([](ModuleFileParts& p) {
                        p.lines = ByteWriter().U8(0x04).U8(60).U8(0x9C).U8(0).Fill(63, 0).bytes;
                    }),
                    "detune -100", kGenericException, "Module::Load(): Detune out of range");
    ExpectLoadFails(with([](ModuleFileParts& p) { p.lines.assign(63, 0); }), "a line short",
                    kFileIOException, "IFFParser::ReadNextBytes(): Failed");

    Bytes legacy = ModuleFileBytes(good);
    std::memcpy(legacy.data(), "QUAVEX  ", 8);
    ExpectLoadFails(legacy, "legacy magic", kGenericException, "Module::Load(): Unknown file type");

    Bytes swapped = ModuleFileBytes(good);
    const Bytes info = {'I', 'N', 'F', 'O'};
    std::copy(info.begin(), info.end(), swapped.begin() + 8);
    ExpectLoadFails(swapped, "chunk out of order", kParseException,
                    "IFFParser::MatchBlockStart(): Failed");

    ExpectLoadFails({'Q', 'U', 'A'}, "three bytes", kGenericException,
                    "Module::Load(): File too short");
    // A chunk is wanted where the file ends: the container's own empty parse error.
    ExpectLoadFails({'Q', 'U', 'A', 'V', 'E', 'X', '-', '2'}, "magic alone", kParseException, "");
    ExpectLoadFails(Bytes(2000, 0x41), "unknown content", kGenericException,
                    "Module::Load(): Unknown file type");

    ScratchDirectory dir;
    EXPECT_THROW(NewModule()->Load(dir.File("missing.quavex")), Exception);
    EXPECT_THROW(NewModule()->Load(dir.Path()), Exception);
}

TEST(ModuleFile, EveryTruncationFails) {
    ModuleFileParts parts;
    parts.title = "title";
    parts.notes = std::string(200, 'z');
    parts.usedPatterns = {0, 9};
    parts.songLength = 2;
    parts.orderList = {9, 0};
    parts.lines = ByteWriter()
                      .U8(0xFD)
                      .U8(0x41)
                      .U8(0x30)
                      .U8(0xAA)
                      .U8(0x45)
                      .U8(0xF6)
                      .U8(0xC8)
                      .U8(0xFB)
                      .U8(0xFB)
                      .U8(0x2C)
                      .U8(0x07)
                      .U8(0x1F)
                      .U8(0x49)
                      .U8(0x01)
                      .U8(0x02)
                      .U8(0x0A)
                      .U8(0x0F)
                      .Fill(127, 0)
                      .bytes;
    // Saved again with 300-character notes, which take the long string form.
    const Bytes file = [&] {
        ScratchDirectory dir;
        auto module = LoadBytes(ModuleFileBytes(parts), dir);
        module->notes = std::string(300, 'z');
        return SaveToBytes(*module, dir);
    }();
    ScratchDirectory dir;
    const std::string path = dir.File("cut.quavex");
    int failures = 0;
    auto module = NewModule();
    auto marked = NewModule();
    moduletest::MarkModule(*module);
    moduletest::MarkModule(*marked);
    for (size_t n = 0; n < file.size(); ++n) {
        WriteAll(path, Bytes(file.begin(), file.begin() + static_cast<long>(n)));
        try {
            module->Load(path);
            ADD_FAILURE() << "loaded when cut to " << n << " bytes";
        } catch (const Exception&) {
            ++failures;
        }
        // A failed load is no load: song, file name and directory stay as they were.
        ASSERT_EQ(moduletest::ModuleDifference(*module, *marked), "") << "cut to " << n;
    }
    EXPECT_EQ(failures, static_cast<int>(file.size()));
    WriteAll(path, file);
    ASSERT_TRUE(module->Load(path));
    EXPECT_EQ(module->fileName, "cut.quavex");
    EXPECT_EQ(module->directory, dir.Path());
    EXPECT_EQ(module->notes, std::string(300, 'z'));
}

TEST(ModuleFile, FailedSaveKeepsThePreviousFile) {
    ScratchDirectory dir;
    const std::string path = dir.File("keep.quavex");
    auto small = NewModule();
    small->title = "previous";
    small->Save(path);
    const Bytes before = ReadAll(path);

    // The file system refuses to grow the file past a few bytes.
    auto big = EverythingModule();
    EXPECT_TRUE(SaveFailsUnderSizeLimit(*big, path, 4096));
    EXPECT_EQ(ReadAll(path), before);
    EXPECT_EQ(dir.EntryCount(), 1u);  // no temporary left behind
    EXPECT_TRUE(big->fileName.empty());

    // A directory in the way of the target, and a directory that does not exist.
    std::filesystem::create_directory(dir.File("taken.quavex"));
    EXPECT_THROW(small->Save(dir.File("taken.quavex")), Exception);
    EXPECT_THROW(small->Save(dir.File("nowhere/x.quavex")), Exception);
    EXPECT_EQ(dir.EntryCount(), 2u);
    EXPECT_EQ(ReadAll(path), before);
}

TEST(ModuleFile, OutOfRangeFieldsStillSaveALoadableFile) {
    ScratchDirectory dir;
    auto module = NewModule();
    module->songLength = 0;
    module->repeatPosition = 5;
    module->chipType = 7;
    module->frequencyDivider = 9;
    module->patterns[0].length = 300;
    module->instruments[4].vibStrength[2] = 20;
    module->instruments[4].vibSpeed[2] = 6;
    module->patterns[0].lines[0].note[0] = 60;
    module->patterns[0].lines[0].detune[0] = 120;
    module->Save(dir.File("odd.quavex"));
    auto loaded = NewModule();
    ASSERT_TRUE(loaded->Load(dir.File("odd.quavex")));
    EXPECT_EQ(loaded->songLength, 1);
    EXPECT_EQ(loaded->repeatPosition, 0);
    EXPECT_EQ(loaded->chipType, 1);
    EXPECT_EQ(loaded->frequencyDivider, 1);
    EXPECT_EQ(loaded->patterns[0].length, 256);
    EXPECT_EQ(loaded->instruments[4].vibStrength[2], 15);
    EXPECT_EQ(loaded->instruments[4].vibSpeed[2], 2);
    EXPECT_EQ(loaded->patterns[0].lines[0].detune[0], 99);
}

TEST(ModuleFile, SpecialFilesAreRefusedWithoutBlocking) {
    ScratchDirectory dir;
    ASSERT_EQ(mkfifo(dir.File("pipe.quavex").c_str(), 0600), 0);
    EXPECT_THROW(NewModule()->Load(dir.File("pipe.quavex")), Exception);
    EXPECT_THROW(NewModule()->Load("/dev/null"), Exception);
}

// The committed seeds of the module loader's fuzz target are what tools/module-seeds makes,
// so a change of the file writer shows here instead of leaving the seeds stale.
TEST(ModuleFile, FuzzSeedsAreWhatTheSeedToolWrites) {
    ScratchDirectory dir;
    WriteModuleSeeds(dir.Path());
    const std::string committed = std::string(TW_SOURCE_DIR) + "/fuzz/corpus/module/";
    size_t files = 0;
    for (const auto& entry : std::filesystem::directory_iterator(dir.Path())) {
        const std::string name = entry.path().filename().string();
        EXPECT_EQ(ReadAll(entry.path().string()), ReadAll(committed + name)) << name;
        ++files;
    }
    EXPECT_EQ(files, 12u);
}
