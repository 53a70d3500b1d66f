// The seed corpus of the module loader's fuzz target: files of every format version, one
// the module writes itself, and broken ones. tools/module-seeds writes them; the module
// tests hold the files in fuzz/corpus/module to what this makes.
#include "tools/module-seeds/ModuleSeeds.h"

#include <algorithm>
#include <cstring>

#include "module/Module.h"
#include "tests/module/ModuleTestSupport.h"

namespace {

Bytes LinesOfEveryKind() {
    ByteWriter w;
    w.U8(0x01).U8(0x21).U8(48).U8(0xF0);                    // SP and ST
    w.U8(0x3C).U8(60).U8(246).U8(200).U8(251);              // four kinds of notes
    w.U8(0xFB).U8(0x12).U8(0x05).U8(0x34).U8(0x56);         // detunes, instruments, volumes
    w.U8(0xC0).U8(0x21).U8(0x12).U8(7).U8(8).U8(9).U8(10);  // every effect with parameters
    w.U8(0x01).U8(0x43).U8(0x01).U8(0xAA);                  // CB and PV
    w.Fill(60, 0);
    return w.bytes;
}

Bytes OldLines() {
    ByteWriter w;
    w.U8(0x01).U8(24);                               // SP in the single global column
    w.U8(0x06).U8(0x10).U8(0x80).U8(0x11).U8(0x2F);  // ST, note 128 with a corrected detune
    w.U8(0x07).U8(0x33).U8(0x10).U8(0xFF).U8(0x22);  // CB, note 16, detune -1
    w.Fill(61, 0);
    return w.bytes;
}

}  // namespace

void WriteModuleSeeds(const std::string& directory) {
    const std::string dir = directory + "/";
    for (int version = 1; version <= 5; ++version) {
        ModuleFileParts parts;
        parts.version = version;
        parts.title = "Seed";
        parts.author = "Tonweave";
        parts.notes = "Two\nlines";
        parts.lines = version >= 3 ? LinesOfEveryKind() : OldLines();
        WriteAll(dir + "version" + std::to_string(version) + ".quavex", ModuleFileBytes(parts));
    }

    // Written by the module itself: two patterns, a full-length one, long notes.
    auto m = NewModule();
    m->MakePattern(5);
    m->SetPatternLength(5, 256);
    m->songLength = 3;
    m->orderList[1] = 5;
    m->repeatPosition = 1;
    m->notes = std::string(300, 'n');
    std::strcpy(m->instruments[2].name, "Bass");
    m->instruments[2].vibStrength[1] = 15;
    m->instruments[2].vibSpeed[1] = 3;
    PatternLine& line = m->patterns[5].lines[255];
    line.note[0] = 119;
    line.detune[0] = -99;
    line.note[3] = 254;
    line.effect[1] = 1;
    line.globalCmd[1] = 4;
    m->Save(dir + "saved.quavex");
    const Bytes saved = ReadAll(dir + "saved.quavex");

    // Broken files: cut short, bad fields, strings reaching past the end.
    WriteAll(dir + "broken-truncated.quavex", Bytes(saved.begin(), saved.begin() + 400));
    ModuleFileParts bad;
    bad.version = 6;
    WriteAll(dir + "broken-version.quavex", ModuleFileBytes(bad));
    bad = ModuleFileParts();
    bad.lines = ByteWriter().U8(0x04).U8(60).U8(100).U8(0).Fill(63, 0).bytes;
    WriteAll(dir + "broken-detune.quavex", ModuleFileBytes(bad));
    Bytes longString = ModuleFileBytes(ModuleFileParts());
    const Bytes info = {'I', 'N', 'F', 'O'};
    auto at = std::search(longString.begin(), longString.end(), info.begin(), info.end());
    const size_t title = static_cast<size_t>(at - longString.begin()) + 8;
    longString.erase(longString.begin() + static_cast<long>(title));
    const Bytes huge = {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x7F};
    longString.insert(longString.begin() + static_cast<long>(title), huge.begin(), huge.end());
    WriteAll(dir + "broken-string.quavex", longString);
    Bytes legacy = ModuleFileBytes(ModuleFileParts());
    std::memcpy(legacy.data(), "QUAVEX  ", 8);
    WriteAll(dir + "broken-legacy.quavex", legacy);
    WriteAll(dir + "broken-short.quavex", Bytes{'Q', 'U', 'A'});
}
