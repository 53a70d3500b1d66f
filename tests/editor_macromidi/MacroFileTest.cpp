// The "macros" file: exact bytes, round trips through the disk, and files that must be
// refused whole (truncated, damaged, inconsistent, with commands the editor cannot make).
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <iterator>
#include <memory>

#include "MacroTestSupport.h"
#include "app/Exceptions.h"
#include "editor/MacroFile.h"
#include "tests/app/TestDirectory.h"

namespace {

std::vector<uint8_t> WriteToBytes(const MacroStore& store) {
    FILE* file = tmpfile();
    WriteMacroFile(file, store);
    std::vector<uint8_t> bytes(static_cast<size_t>(ftell(file)));
    rewind(file);
    EXPECT_EQ(fread(bytes.data(), 1, bytes.size(), file), bytes.size());
    fclose(file);
    return bytes;
}

bool Loads(const std::vector<uint8_t>& bytes) {
    auto store = std::make_unique<MacroStore>();
    try {
        ReadMacroData(bytes.data(), bytes.size(), *store);
        return true;
    } catch (const Exception&) {
        return false;
    }
}

void ExpectSameMacro(const Macro& a, const Macro& b) {
    EXPECT_EQ(MacroName(a), MacroName(b));
    EXPECT_EQ(MacroDescription(a), MacroDescription(b));
    ASSERT_EQ(a.commandCount, b.commandCount);
    EXPECT_EQ(std::memcmp(a.commands, b.commands, a.commandCount * sizeof(EditCommand)), 0);
}

void ExpectSameStore(const MacroStore& a, const MacroStore& b) {
    ASSERT_EQ(a.storedCount, b.storedCount);
    EXPECT_EQ(std::memcmp(a.activeSource, b.activeSource, sizeof a.activeSource), 0);
    EXPECT_EQ(std::memcmp(a.isActive, b.isActive, sizeof a.isActive), 0);
    for (uint32_t i = 0; i < a.storedCount; ++i) ExpectSameMacro(a.stored[i], b.stored[i]);
    for (int s = 0; s < kMacroSlots; ++s) ExpectSameMacro(a.active[s], b.active[s]);
}

void WriteFile(const std::string& path, const std::vector<uint8_t>& bytes) {
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
}

std::vector<uint8_t> ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<uint8_t>((std::istreambuf_iterator<char>(in)), {});
}

// One macro "Ab" described "x" with the command move(extend, 0, -1), bound to Ctrl+F1.
std::unique_ptr<Macros> OneMacro() {
    auto macros = std::make_unique<Macros>();
    Macro m = MakeMacro("Ab", 0, "x");
    m.commands[0] = Move(1, 0, -1);
    m.commandCount = 1;
    macros->Store(m);
    macros->Activate(0, 0);
    return macros;
}

// clang-format off
const std::vector<uint8_t> kOneMacroFile = {
    'T', 'o', 'n', 'w', 'e', 'a', 'v', 'e', '-', 'M', 'A', 'C', 'R', '.', '-', '1',
    'H', 'E', 'A', 'D', 16, 0, 0, 0,                        // offset 16
    0, 0, 1, 0, 0, 255, 255, 255, 255, 255, 255, 255, 255, 255, 255, 255,
    'S', 'T', 'O', 'R', 46, 0, 0, 0,                        // offset 40
    'M', 'A', 'C', 'R', 38, 0, 0, 0,                        // offset 48
    'H', 'E', 'A', 'D', 9, 0, 0, 0,                         // offset 56
    1, 0, 0, 0, 2, 'A', 'b', 1, 'x',
    0,                                                      // padding at 73
    'C', 'M', 'D', 'S', 12, 0, 0, 0,                        // offset 74
    1, 0, 0, 0, 1, 0, 0, 0, 0xFF, 0xFF, 0, 0};
// clang-format on

// A valid file with `count` stored macros of three commands each.
std::vector<uint8_t> FileWith(int count) {
    auto macros = std::make_unique<Macros>();
    for (int i = 0; i < count; ++i) macros->Store(MakeMacro("m" + std::to_string(i), 3));
    return WriteToBytes(macros->store);
}

// Offset of the first command record of the first macro in a FileWith(n) file: the macro
// head is 4 bytes and two strings ("m0" and ""), 8 bytes that need no padding.
constexpr size_t kFirstCommand = 16 + 24 + 8 + 8 + 8 + 8 + 8;

}  // namespace

TEST(MacroFile, OneMacroHasTheseExactBytes) {
    auto macros = OneMacro();
    EXPECT_EQ(WriteToBytes(macros->store), kOneMacroFile);
}

TEST(MacroFile, WrittenFilesLoadBackIdentically) {
    TestDirectory dir;
    auto macros = std::make_unique<Macros>();
    for (int i = 0; i < kStoredMacros; ++i) {
        Macro m = MakeMacro("macro number " + std::to_string(i), i == 7 ? 1024 : i,
                            std::string(i == 3 ? 64 : i, '~'));
        if (i == 9) m.commands[0] = EnterNote(254, 15, 15);
        if (i == 10) m.commands[2].d = -32768;
        macros->Store(m);
    }
    for (int slot = 0; slot < kMacroSlots; ++slot) macros->Activate(49 - slot * 4, slot);
    macros->Deactivate(6);
    const std::string path = dir.File("macros");
    SaveMacros(path, *macros);
    EXPECT_FALSE(macros->changed);

    auto loaded = std::make_unique<Macros>();
    ASSERT_EQ(LoadMacros(path, *loaded), MacroLoadResult::Loaded);
    ExpectSameStore(macros->store, loaded->store);
    EXPECT_FALSE(loaded->changed);
    // And the loaded store writes the same file again.
    EXPECT_EQ(WriteToBytes(loaded->store), ReadFile(path));
}

TEST(MacroFile, EmptyStoreRoundTrips) {
    auto macros = std::make_unique<Macros>();
    const auto bytes = WriteToBytes(macros->store);
    EXPECT_EQ(bytes.size(), 16u + 24u + 8u);
    auto store = std::make_unique<MacroStore>();
    ReadMacroData(bytes.data(), bytes.size(), *store);
    EXPECT_EQ(store->storedCount, 0u);
    for (uint8_t s : store->activeSource) EXPECT_EQ(s, kNoMacroSource);
}

TEST(MacroFile, EveryTruncationIsRefused) {
    const auto bytes = FileWith(3);
    ASSERT_TRUE(Loads(bytes));
    for (size_t n = 0; n < bytes.size(); ++n)
        EXPECT_FALSE(Loads(std::vector<uint8_t>(bytes.begin(), bytes.begin() + n))) << n;
    auto longer = bytes;
    longer.push_back(0);
    EXPECT_FALSE(Loads(longer));
}

TEST(MacroFile, DamagedHeadersAndSizesAreRefused) {
    auto damaged = [](size_t offset, uint8_t value) {
        auto bytes = kOneMacroFile;
        bytes[offset] = value;
        return Loads(bytes);
    };
    ASSERT_TRUE(Loads(kOneMacroFile));
    EXPECT_FALSE(damaged(0, 't'));  // magic
    EXPECT_FALSE(damaged(15, '2'));
    EXPECT_FALSE(damaged(24, 1));   // version 1
    EXPECT_FALSE(damaged(20, 17));  // HEAD size
    EXPECT_FALSE(damaged(44, 47));  // STOR size
    EXPECT_FALSE(damaged(44, 45));
    EXPECT_FALSE(damaged(52, 39));   // MACR size
    EXPECT_FALSE(damaged(60, 8));    // macro HEAD size
    EXPECT_FALSE(damaged(64, 2));    // two commands, CMDS holds one
    EXPECT_FALSE(damaged(65, 4));    // 1025 commands
    EXPECT_FALSE(damaged(68, 0));    // empty name
    EXPECT_FALSE(damaged(76, 'X'));  // CMDS tag
}

TEST(MacroFile, NamesAndDescriptionsMustBeValid) {
    auto with = [](size_t offset, uint8_t value) {
        auto bytes = kOneMacroFile;
        bytes[offset] = value;
        return Loads(bytes);
    };
    EXPECT_TRUE(with(69, ' ')) << "\" b\" is a valid name";
    EXPECT_FALSE(with(69, 0x1F));
    EXPECT_FALSE(with(70, 0x80));
    EXPECT_FALSE(with(72, '\n'));  // description character
    // All blanks.
    auto blanks = kOneMacroFile;
    blanks[69] = ' ';
    blanks[70] = ' ';
    EXPECT_FALSE(Loads(blanks));
}

TEST(MacroFile, ActiveSourcesMustNameStoredMacros) {
    auto bytes = FileWith(5);
    bytes[28] = 4;  // slot 0 -> macro 4 of 5
    EXPECT_TRUE(Loads(bytes));
    bytes[28] = 7;  // an active source 7 with only 5 stored macros
    EXPECT_FALSE(Loads(bytes));
    bytes[28] = 5;
    EXPECT_FALSE(Loads(bytes));
    bytes[28] = 2;
    bytes[29] = 2;  // one macro in two slots
    EXPECT_FALSE(Loads(bytes));
}

TEST(MacroFile, StoredCountMustMatchTheGroupsAndStayWithinFifty) {
    auto fewer = FileWith(4);
    fewer[26] = 5;  // says 5, holds 4
    EXPECT_FALSE(Loads(fewer));
    auto more = FileWith(4);
    more[26] = 3;  // says 3, holds 4
    EXPECT_FALSE(Loads(more));
    auto tooMany = FileWith(50);
    ASSERT_TRUE(Loads(tooMany));
    tooMany[26] = 51;
    EXPECT_FALSE(Loads(tooMany));
}

TEST(MacroFile, CommandsOutsideTheEditorsRangesAreRefused) {
    struct Case {
        EditCommand cmd;
        bool valid;
    };
    auto make = [](uint32_t code, uint8_t a, uint8_t b, int16_t c, int16_t d = 0) {
        EditCommand cmd;
        cmd.code = code;
        cmd.a = a;
        cmd.b = b;
        cmd.c = c;
        cmd.d = d;
        return cmd;
    };
    const Case cases[] = {
        {make(kCmdMove, 1, 0, -300, 300), true},
        {make(kCmdEnterNote, 155, 15, 15), true},
        {make(kCmdEnterNote, 246, 0, 0), true},
        {make(kCmdEnterNote, 48, 16, 15), false},  // instrument 16
        {make(kCmdEnterNote, 48, 15, 16), false},  // volume 16
        {make(kCmdEnterNote, 200, 1, 1), false},   // no note value
        {make(kCmdSetEffect, 2, 255, 0), true},
        {make(kCmdSetEffect, 3, 0, 0), false},
        {make(kCmdSetGlobal, 4, 255, 0), true},
        {make(kCmdSetGlobal, 5, 0, 0), false},
        {make(kCmdJump, 0, 0, 5), true},
        {make(kCmdJump, 0, 0, 6), false},
        {make(kCmdLineTool, 6, 0, 0), false},
        {make(kCmdDouble, 0, 0, 0), false},
        {make(kCmdTranspose, 254, 0, 0), true},
        {make(kCmdTranspose, 3, 0, 0), false},
        {make(kCmdDetune, 3, 0, 0), false},
        {make(0, 0, 0, 0), false},
        {make(4, 0, 0, 0), false},
        {make(67, 0, 0, 0), false},
        {make(kCmdPaste, 0, 0, 0), true},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(IsValidRecordedCommand(c.cmd), c.valid) << c.cmd.code << " " << int(c.cmd.a);
        auto bytes = FileWith(2);
        bytes[kFirstCommand + 0] = static_cast<uint8_t>(c.cmd.code);
        bytes[kFirstCommand + 1] = static_cast<uint8_t>(c.cmd.code >> 8);
        bytes[kFirstCommand + 4] = c.cmd.a;
        bytes[kFirstCommand + 5] = c.cmd.b;
        bytes[kFirstCommand + 6] = static_cast<uint8_t>(c.cmd.c);
        bytes[kFirstCommand + 7] = static_cast<uint8_t>(c.cmd.c >> 8);
        EXPECT_EQ(Loads(bytes), c.valid) << c.cmd.code << " " << int(c.cmd.a);
    }
    auto zero = FileWith(1);
    zero[kFirstCommand + 10] = 1;
    EXPECT_FALSE(Loads(zero));
}

TEST(MacroFile, ARefusedFileEmptiesTheStoreAndAMissingOneIsNoFailure) {
    TestDirectory dir;
    auto macros = OneMacro();
    EXPECT_EQ(LoadMacros(dir.File("macros"), *macros), MacroLoadResult::Missing);
    EXPECT_EQ(macros->store.storedCount, 0u);

    macros = OneMacro();
    auto bytes = FileWith(5);
    bytes[28] = 7;
    WriteFile(dir.File("macros"), bytes);
    EXPECT_EQ(LoadMacros(dir.File("macros"), *macros), MacroLoadResult::Refused);
    EXPECT_EQ(macros->store.storedCount, 0u);
    for (int s = 0; s < kMacroSlots; ++s) {
        EXPECT_EQ(macros->store.activeSource[s], kNoMacroSource);
        EXPECT_EQ(macros->store.active[s].commandCount, 0u);
    }
    // Nothing changed since: quitting keeps the refused file for the user to look at.
    EXPECT_TRUE(SaveMacrosIfChanged(dir.File("macros"), *macros));
    EXPECT_EQ(ReadFile(dir.File("macros")), bytes);

    EXPECT_EQ(LoadMacros(dir.Path(), *macros), MacroLoadResult::Refused) << "a directory";
}

TEST(MacroFile, DeletingABoundMacroStillSavesAFileThatLoads) {
    TestDirectory dir;
    auto macros = std::make_unique<Macros>();
    for (const char* name : {"A", "B", "C", "D", "E"}) macros->Store(MakeMacro(name, 2));
    macros->Activate(4, 0);
    macros->Activate(1, 1);
    macros->Delete(1);
    macros->Delete(0);
    ASSERT_TRUE(SaveMacrosIfChanged(dir.File("macros"), *macros));
    auto loaded = std::make_unique<Macros>();
    ASSERT_EQ(LoadMacros(dir.File("macros"), *loaded), MacroLoadResult::Loaded);
    EXPECT_EQ(loaded->store.storedCount, 3u);
    EXPECT_EQ(loaded->store.activeSource[0], 2);
    EXPECT_EQ(MacroName(loaded->store.active[0]), "E");
    EXPECT_EQ(loaded->store.activeSource[1], kNoMacroSource);
}

TEST(MacroFile, AFailedSaveThrowsKeepsTheChangedFlagAndTheOldFile) {
    TestDirectory dir;
    auto macros = OneMacro();
    EXPECT_THROW(SaveMacros(dir.File("missing/macros"), *macros), Exception);
    EXPECT_TRUE(macros->changed);
    EXPECT_FALSE(SaveMacrosIfChanged(dir.File("missing/macros"), *macros));
    EXPECT_EQ(dir.Entries().size(), 0u) << "no temporary is left behind";
}

// Writes the seed corpus of the macros file's fuzz target. Run on purpose only:
//   tests_editor_macromidi --gtest_also_run_disabled_tests --gtest_filter='*WriteMacroSeedCorpus'
TEST(MacroFile, DISABLED_WriteMacroSeedCorpus) {
    const std::string dir = std::string(TW_SOURCE_DIR) + "/fuzz/corpus/macros/";
    auto every = std::make_unique<Macros>();
    Macro kinds = MakeMacro("every command", 0, "one of each code");
    const uint32_t codes[] = {1, 2, 3, 16, 17, 18, 19, 32, 33, 34, 35, 36, 48, 49, 50, 64, 65, 66};
    for (uint32_t code : codes) {
        EditCommand& cmd = kinds.commands[kinds.commandCount++];
        cmd.code = code;
        cmd.a = code == 18 || code == 19 || code == 33 ? 1 : (code == 48 ? 60 : 2);
        cmd.b = 3;
        cmd.c = code == 1 ? -1 : 4;
        cmd.d = 1;
    }
    every->Store(kinds);
    every->Store(MakeMacro("long", 1024, std::string(64, 'd')));
    every->Store(MakeMacro("empty", 0));
    every->Activate(0, 0);
    every->Activate(2, 11);
    WriteFile(dir + "every-command", WriteToBytes(every->store));
    WriteFile(dir + "one-macro", kOneMacroFile);
    WriteFile(dir + "empty-store", FileWith(0));
    WriteFile(dir + "fifty", FileWith(50));
    auto bad = FileWith(5);
    bad[28] = 7;
    WriteFile(dir + "broken-source", bad);
    auto truncated = FileWith(3);
    truncated.resize(truncated.size() - 5);
    WriteFile(dir + "broken-truncated", truncated);
    auto command = FileWith(2);
    command[kFirstCommand] = 50;
    command[kFirstCommand + 4] = 3;
    WriteFile(dir + "broken-effect", command);
}

TEST(MacroFile, SeedCorpusFilesLoadUnlessBroken) {
    const std::string dir = std::string(TW_SOURCE_DIR) + "/fuzz/corpus/macros/";
    for (const char* name : {"every-command", "one-macro", "empty-store", "fifty"})
        EXPECT_TRUE(Loads(ReadFile(dir + name))) << name;
    for (const char* name : {"broken-source", "broken-truncated", "broken-effect"})
        EXPECT_FALSE(Loads(ReadFile(dir + name))) << name;
}
