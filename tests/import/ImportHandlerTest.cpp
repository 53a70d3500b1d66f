// Loading foreign files through Module::Load: each kind reaches its importer with the
// options of the caller, a cancelled dialog or a bad file leaves the module as it was, and
// cut or damaged real files give an error or a song, never a crash or a hang.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <random>

#include "ImportTestUtil.h"
#include "app/Exceptions.h"
#include "tests/module/ModuleCompare.h"

using namespace importtest;
namespace fs = std::filesystem;

namespace {

std::string TempPath(const std::string& name) {
    return std::string(TW_BINARY_DIR) + "/import-load-" + std::to_string(getpid()) + "-" + name;
}

// A module that no import makes: any change to it shows.
std::unique_ptr<Module> Marked() {
    auto m = std::make_unique<Module>();
    moduletest::MarkModule(*m);
    return m;
}

ImportOptions Options(uint8_t chip = 0) {
    ImportOptions options;
    options.SetChip(chip, 0);
    return options;
}

struct Sample {
    const char* name;
    Bytes bytes;
};

std::vector<Sample> SmallFiles() {
    ModBuilder mod;
    const Bytes midi =
        MidiFile(96, {Bytes{0x00, 0x90, 60, 100, 0x60, 0x80, 60, 0, 0x00, 0xFF, 0x2F, 0x00}});
    const Bytes vgm = VgmFile({0x50, 0x8F, 0x50, 0x20, 0x50, 0x90, 0x62, 0x62});
    const std::string basic = "10 PLAY \"CDE\"\r\n";
    return {{"a.mod", mod.bytes},
            {"a.mid", midi},
            {"a.vgm", vgm},
            {"tune.bas", Bytes(basic.begin(), basic.end())},
            {"TUNE.BAM", Bytes(basic.begin(), basic.end())}};
}

}  // namespace

TEST(ImportLoad, EveryKindImportsThroughModuleLoadAndForgetsItsPath) {
    for (const Sample& s : SmallFiles()) {
        const std::string path = TempPath(s.name);
        ASSERT_TRUE(WriteFile(path, s.bytes));
        StandardImportHandler handler(Options(1));
        auto mHolder = Marked();
        Module& m = *mHolder;
        bool made = false;
        EXPECT_NO_THROW(made = m.Load(path, &handler)) << s.name;
        EXPECT_TRUE(made) << s.name;
        EXPECT_TRUE(m.fileName.empty()) << s.name;
        EXPECT_TRUE(m.directory.empty()) << s.name;
        EXPECT_EQ(m.chipType, 1) << s.name;
        EXPECT_GT(SongLines(m), 1) << s.name;
        std::remove(path.c_str());
    }
}

TEST(ImportLoad, DialogsSeeTheProbeAndCancellingChangesNothing) {
    std::vector<std::string> seen;
    ImportDialogs dialogs;
    dialogs.mod = [&](const ModProbe& p, ModOptions&) {
        seen.push_back("mod " + p.title);
        return false;
    };
    dialogs.midi = [&](const MidiProbe& p, MidiOptions&) {
        seen.push_back("midi " + std::to_string(p.division));
        return false;
    };
    dialogs.vgm = [&](const VgmProbe& p, VgmOptions&) {
        seen.push_back("vgm " + std::to_string(p.clock));
        return false;
    };
    dialogs.basic = [&](BasicOptions& o) {
        seen.push_back("basic " + std::to_string(o.chip.chipType));
        return false;
    };
    StandardImportHandler handler(dialogs);
    for (const Sample& s : SmallFiles()) {
        const std::string path = TempPath(s.name);
        ASSERT_TRUE(WriteFile(path, s.bytes));
        auto mHolder = Marked();
        Module& m = *mHolder;
        EXPECT_FALSE(m.Load(path, &handler)) << s.name;
        // A cancelled import is no load: the song and its file name and directory stay.
        EXPECT_EQ(moduletest::ModuleDifference(m, *Marked()), "") << s.name;
        std::remove(path.c_str());
    }
    // The chip settings start unset in every dialog.
    EXPECT_EQ(seen, (std::vector<std::string>{"mod song", "midi 96", "vgm 3579545", "basic 255",
                                              "basic 255"}));
}

TEST(ImportLoad, OptionsSetInADialogAreOfferedAgainNextTime) {
    int calls = 0;
    ImportDialogs dialogs;
    dialogs.basic = [&](BasicOptions& o) {
        if (calls++ == 0) {
            o.chip.chipType = 1;
            o.chip.frequencyDivider = 0;
            o.instruments[kBasicPause] = 7;
        }
        EXPECT_EQ(o.instruments[kBasicPause], 7);
        return true;
    };
    StandardImportHandler handler(dialogs);
    const std::string path = TempPath("again.bas");
    ASSERT_TRUE(WriteFile(path, Bytes{'B', 'E', 'E', 'P', '\n'}));
    for (int i = 0; i < 2; ++i) {
        auto mHolder = std::make_unique<Module>();
        Module& m = *mHolder;
        EXPECT_TRUE(m.Load(path, &handler));
        EXPECT_EQ(m.patterns[0].lines[0].instrument[0], 0);  // BEEP's cell replaced the pause cell
        EXPECT_EQ(m.chipType, 1);
    }
    std::remove(path.c_str());
}

TEST(ImportLoad, MalformedFilesGiveTheirErrorsAndLeaveTheModuleAlone) {
    ModBuilder loud;
    loud.bytes[20 + 25] = 65;
    ModBuilder badOrder;
    badOrder.bytes[952] = 128;
    Bytes smpte = MidiFile(0xE728, {Bytes{0, 0xFF, 0x2F, 0}});
    Bytes tempo = MidiFile(96, {Bytes{0, 0xFF, 0x51, 4, 1, 2, 3, 4, 0, 0xFF, 0x2F, 0}});
    const std::string mx = "PLAY \"MX\"\n";
    struct Case {
        const char* name;
        Bytes bytes;
        const char* message;
    } cases[] = {
        {"loud.mod", loud.bytes, "Error in MOD file"},
        {"order.mod", badOrder.bytes, "Error in MOD file"},
        {"smpte.mid", smpte, "Unsupported timing"},
        {"tempo.mid", tempo, "$51 command"},
        {"mode.bas", Bytes(mx.begin(), mx.end()), ""},
    };
    StandardImportHandler handler(Options());
    for (const Case& c : cases) {
        const std::string path = TempPath(c.name);
        ASSERT_TRUE(WriteFile(path, c.bytes));
        auto mHolder = Marked();
        Module& m = *mHolder;
        try {
            m.Load(path, &handler);
            ADD_FAILURE() << c.name;
        } catch (const Exception& e) {
            EXPECT_STREQ(e.Message(), c.message) << c.name;
        }
        EXPECT_EQ(moduletest::ModuleDifference(m, *Marked()), "") << c.name;
        std::remove(path.c_str());
    }
}

// Every real file, cut at many lengths and with bytes damaged, loads or fails with an
// Exception; a failure leaves the module exactly as it was.
TEST(ImportLoad, CutAndDamagedRealFilesNeverCrash) {
    std::vector<std::string> files;
    for (const char* dir : {"mod", "mid", "vgm", "bas"}) {
        const std::string d = TestData(dir);
        if (!fs::is_directory(d)) continue;
        for (const auto& e : fs::directory_iterator(d)) files.push_back(e.path().string());
    }
    if (files.empty()) GTEST_SKIP() << "no test files";
    std::mt19937 random(1234);
    StandardImportHandler handler(Options());
    int failures = 0, loads = 0;
    for (const std::string& file : files) {
        const Bytes original = ReadFile(file);
        const std::string path = TempPath(fs::path(file).filename().string());
        std::vector<Bytes> variants;
        for (size_t cut : {size_t{4}, size_t{9}, size_t{20}, size_t{70}, original.size() / 3,
                           original.size() / 2, original.size() - 1})
            if (cut < original.size())
                variants.emplace_back(original.begin(), original.begin() + cut);
        for (int v = 0; v < 8; ++v) {
            Bytes damaged = original;
            for (int k = 0; k < 1 + v; ++k)
                damaged[8 + random() % (damaged.size() - 8)] = static_cast<uint8_t>(random());
            variants.push_back(damaged);
        }
        for (const Bytes& variant : variants) {
            ASSERT_TRUE(WriteFile(path, variant));
            auto mHolder = Marked();
            Module& m = *mHolder;
            try {
                m.Load(path, &handler);
                ++loads;
            } catch (const Exception&) {
                ++failures;
                EXPECT_EQ(moduletest::ModuleDifference(m, *Marked()), "")
                    << file << " (" << variant.size() << " bytes)";
            }
        }
        std::remove(path.c_str());
    }
    EXPECT_GT(loads, 0);
    EXPECT_GT(failures, 0);
}

namespace {

// A stream over `bytes` that fails (or ends early) after `deliver` bytes, as a disk error or
// a file cut while it is read would: its length as seen by a seek is still the whole.
struct FaultyStream {
    Bytes bytes;
    size_t deliver;
    bool error;
    size_t pos = 0;
};

FILE* OpenFaulty(FaultyStream& s) {
    cookie_io_functions_t io{};
    io.read = [](void* cookie, char* buffer, size_t size) -> ssize_t {
        auto& s = *static_cast<FaultyStream*>(cookie);
        if (s.pos >= s.deliver) {
            if (!s.error) return 0;
            errno = EIO;
            return -1;
        }
        const size_t n = std::min(size, s.deliver - s.pos);
        std::memcpy(buffer, s.bytes.data() + s.pos, n);
        s.pos += n;
        return static_cast<ssize_t>(n);
    };
    io.seek = [](void* cookie, off64_t* offset, int whence) -> int {
        auto& s = *static_cast<FaultyStream*>(cookie);
        const off64_t base = whence == SEEK_SET   ? 0
                             : whence == SEEK_CUR ? static_cast<off64_t>(s.pos)
                                                  : static_cast<off64_t>(s.bytes.size());
        s.pos = static_cast<size_t>(base + *offset);
        *offset = static_cast<off64_t>(s.pos);
        return 0;
    };
    return fopencookie(&s, "rb", io);
}

}  // namespace

TEST(ImportLoad, ShortReadIsAnErrorAndLeavesTheModuleAlone) {
    ModBuilder mod(4, 2, "short");
    mod.Cell(0, 0, 0, 0, 428, 0, 0);
    for (bool error : {true, false}) {
        SCOPED_TRACE(error ? "read error" : "file cut while read");
        FaultyStream stream{mod.bytes, mod.bytes.size() - 1500, error};
        FILE* file = OpenFaulty(stream);
        ASSERT_NE(file, nullptr);
        try {
            ReadWholeFile(file, 1 << 20);
            ADD_FAILURE() << "a short read was taken for the whole file";
        } catch (const FileIOException& e) {
            EXPECT_STREQ(e.Message(), "ReadWholeFile(): Can't read file");
        }
        // Through the importer too: the song is not made from part of the file.
        std::rewind(file);
        stream.pos = 0;
        StandardImportHandler handler(Options());
        auto mHolder = Marked();
        EXPECT_THROW(handler.Import(*mHolder, FileKind::Mod4Channel, file, "short.mod"),
                     FileIOException);
        EXPECT_EQ(moduletest::ModuleDifference(*mHolder, *Marked()), "");
        std::fclose(file);
    }
    // The same stream delivering everything reads whole.
    FaultyStream whole{mod.bytes, mod.bytes.size(), true};
    FILE* file = OpenFaulty(whole);
    ASSERT_NE(file, nullptr);
    EXPECT_EQ(ReadWholeFile(file, 1 << 20), mod.bytes);
    std::fclose(file);
}
