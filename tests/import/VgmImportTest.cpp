// VGM import: frame cutting with the carried wait, register changes into cells, noise and
// stereo handling, other chips' commands, compressed logs and foreign clocks.
#include <gtest/gtest.h>
#include <unistd.h>
#include <zlib.h>

#include <memory>

#include "ImportTestUtil.h"
#include "app/Exceptions.h"
#include "import/NoteSearch.h"

using namespace importtest;

namespace {

// PSG bytes for a tone period, an attenuation, a noise control.
Bytes Tone(int ch, int period) {
    return {0x50, static_cast<uint8_t>(0x80 | ch << 5 | (period & 15)), 0x50,
            static_cast<uint8_t>(period >> 4)};
}
Bytes Volume(int ch, int attenuation) {
    return {0x50, static_cast<uint8_t>(0x90 | ch << 5 | attenuation)};
}
Bytes Noise(int white, int rate) { return {0x50, static_cast<uint8_t>(0xE0 | white << 2 | rate)}; }
Bytes operator+(Bytes a, const Bytes& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}
const Bytes kFrameNtsc = {0x62};
const Bytes kFramePal = {0x63};

std::unique_ptr<Module> Import(const Bytes& file, uint8_t chip = 0) {
    auto mHolder = std::make_unique<Module>();
    Module& m = *mHolder;
    EXPECT_TRUE(ImportVgm(m, file.data(), file.size(), VgmOkay(chip)));
    return mHolder;
}

std::string TempPath(const char* name) {
    return std::string(TW_BINARY_DIR) + "/import-test-" + std::to_string(getpid()) + "-" + name;
}

}  // namespace

TEST(VgmImport, OneCellPerChangeThenEmptyLines) {
    Bytes commands;
    for (int i = 0; i < 4; ++i) commands = commands + Tone(0, 254) + Volume(0, 2) + kFrameNtsc;
    auto mHolder = Import(VgmFile(commands));
    Module& m = *mHolder;
    EXPECT_EQ(m.initialSpeed, 8);
    EXPECT_EQ(SongLines(m), 4);
    EXPECT_EQ(m.patterns[0].lines[0].note[0], 69);  // 254 is A's period
    EXPECT_EQ(m.patterns[0].lines[0].detune[0], 0);
    EXPECT_EQ(m.patterns[0].lines[0].volume[0], 13);
    EXPECT_EQ(m.patterns[0].lines[0].note[1], kNoteNul);  // the primed start
    EXPECT_EQ(m.patterns[0].lines[0].note[3], 253);
    for (int i = 1; i < 4; ++i) EXPECT_EQ(m.patterns[0].lines[i].note[0], kNoteEmpty) << i;
}

TEST(VgmImport, WaitCarriesOverFrames) {
    Bytes six;
    for (int i = 0; i < 6; ++i) six = six + kFrameNtsc;
    EXPECT_EQ(SongLines(*Import(VgmFile(six), 1)), 5);  // 4410 samples at 882 a frame
    EXPECT_EQ(SongLines(*Import(VgmFile(six), 0)), 6);
    // 0x61 nn nn, 0x7n (n + 1) and 0x8n (n) waits add up the same way.
    const Bytes mixed = {0x61, 0xDF, 0x02, 0x7F, 0x8F, 0x80, 0x70};  // 735 + 16 + 15 + 0 + 1
    EXPECT_EQ(SongLines(*Import(VgmFile(mixed))), 2);
}

TEST(VgmImport, NoiseLatchMarksAChangeEvenWithTheSameValue) {
    const Bytes commands = Noise(1, 2) + Volume(3, 0) + kFrameNtsc + Noise(1, 2) + kFrameNtsc +
                           kFrameNtsc + Volume(3, 5) + kFrameNtsc + Noise(0, 3) + kFrameNtsc;
    auto mHolder = Import(VgmFile(commands));
    Module& m = *mHolder;
    const Pattern& p = m.patterns[0];
    EXPECT_EQ(p.lines[0].note[3], 253);  // white, rate 2: "WLo"
    EXPECT_EQ(p.lines[0].volume[3], 15);
    EXPECT_EQ(p.lines[1].note[3], 253);
    EXPECT_EQ(p.lines[2].note[3], kNoteEmpty);
    // Only the volume changed: a VO effect and no note.
    EXPECT_EQ(p.lines[3].note[3], kNoteEmpty);
    EXPECT_EQ(p.lines[3].effect[3], kEffectVO);
    EXPECT_EQ(p.lines[3].effectParam[3], 10);
    EXPECT_EQ(p.lines[4].note[3], 250);  // periodic, clocked by channel 2: "PC2"
    EXPECT_EQ(p.lines[4].effect[3], 0);
}

TEST(VgmImport, StereoWritesOnlyWhenTheByteChanges) {
    const Bytes commands = Bytes{0x4F, 0xFF} + kFrameNtsc + Bytes{0x4F, 0x96} + kFrameNtsc +
                           Bytes{0x4F, 0x96} + kFrameNtsc + Bytes{0x4F, 0xFF} + kFrameNtsc;
    auto mHolder = Import(VgmFile(commands));
    Module& m = *mHolder;
    const Pattern& p = m.patterns[0];
    EXPECT_EQ(p.lines[0].globalCmd[1], 0);
    EXPECT_EQ(p.lines[1].globalCmd[1], kGlobalST);
    EXPECT_EQ(p.lines[1].globalParam[1], 0x96);
    EXPECT_EQ(p.lines[2].globalCmd[1], 0);
    EXPECT_EQ(p.lines[3].globalParam[1], 0xFF);
}

TEST(VgmImport, OtherChipsCommandsChangeNothing) {
    const Bytes base = Tone(1, 300) + Volume(1, 0) + kFrameNtsc + kFrameNtsc;
    Bytes noisy =
        Bytes{0x52, 0x28, 0xF0, 0x53, 0x50, 0x90, 0x30, 0x50, 0xB0, 0x50, 0x90} + Tone(1, 300);
    noisy = noisy + Bytes{0xC0, 0x50, 0x50, 0x50, 0xE0, 0x50, 0x50, 0x50, 0x50} + Volume(1, 0) +
            kFrameNtsc;
    noisy = noisy + Bytes{0x67, 0x66, 0x00, 4, 0, 0, 0, 0x50, 0x90, 0x50, 0x90} + kFrameNtsc;
    auto aHolder = Import(VgmFile(base)), bHolder = Import(VgmFile(noisy));
    const Module &a = *aHolder, &b = *bHolder;
    ASSERT_EQ(SongLines(a), SongLines(b));
    for (long i = 0; i < SongLines(a); ++i)
        EXPECT_EQ(std::memcmp(&SongLine(a, i), &SongLine(b, i), sizeof(PatternLine)), 0) << i;
}

TEST(VgmImport, TonePeriodsBecomeNearestPlayableNotes) {
    // The table's periods worked out by hand: A (69) 254, G (67) 285, C# (61) 404, the
    // lowest note 45 1017, the highest 119 14.
    struct Case {
        uint16_t period;
        uint8_t note;
        int8_t detune;
    } cases[] = {{0, kNoteNul, 0}, {254, 69, 0},  {257, 69, 3},  {285, 67, 0},
                 {400, 61, -4},    {1023, 45, 6}, {5000, 45, 6},  // limited to 1023
                 {14, 119, 0},     {1, 119, -13}};
    for (const Case& c : cases) {
        const NoteAndDetune nd = PeriodToNote(c.period);
        EXPECT_EQ(nd.note, c.note) << c.period;
        EXPECT_EQ(nd.detune, c.detune) << c.period;
    }
}

TEST(VgmImport, LogsOfAnotherClockKeepTheirPitch) {
    // A 4 MHz log: period 285 there sounds like 255 at the console's clock.
    const Bytes commands = Tone(0, 285) + Volume(0, 0) + kFrameNtsc;
    auto mHolder = Import(VgmFile(commands, 4000000));
    Module& m = *mHolder;
    EXPECT_EQ(m.patterns[0].lines[0].note[0], 69);  // 285 x 3579545 / 4000000 = 255
    EXPECT_EQ(m.patterns[0].lines[0].detune[0], 1);
    // Within 2 % of the console's clock nothing is scaled; the flag bits are no clock.
    auto nearHolder = Import(VgmFile(commands, 3579545u * 101 / 100 | 0x80000000u));
    Module& near = *nearHolder;
    EXPECT_EQ(near.patterns[0].lines[0].note[0], 67);  // 285 as it is: G
    EXPECT_EQ(near.patterns[0].lines[0].detune[0], 0);
    VgmProbe probe = ProbeVgm(VgmFile(commands, 3579545u | 0xC0000000u).data(), 0x80);
    EXPECT_EQ(probe.clock, 3579545u);
}

TEST(VgmImport, NewerLogsStartTheirCommandsAtTheDataOffset) {
    // Version 1.51 with a 0x80-byte header whose extra fields would read as commands.
    Bytes file =
        VgmFile(Bytes(0x40, 0x50) + Tone(0, 400) + Volume(0, 0) + kFrameNtsc, 3579545, 0x151);
    const uint32_t relative = 0x80 - 0x34;
    file[0x34] = static_cast<uint8_t>(relative);
    auto mHolder = Import(file);
    Module& m = *mHolder;
    EXPECT_EQ(SongLines(m), 1);
    EXPECT_EQ(m.patterns[0].lines[0].note[0], 61);  // 400: C# (404) less 4
    EXPECT_EQ(m.patterns[0].lines[0].detune[0], -4);
}

TEST(VgmImport, HeaderDefaultsForTheDialog) {
    Bytes file = VgmFile({});
    file[0x24] = 60;
    VgmProbe probe = ProbeVgm(file.data(), file.size());
    EXPECT_EQ(probe.rate, 60u);
    EXPECT_EQ(probe.clock, 3579545u);
    EXPECT_EQ(probe.feedback, 9);
    EXPECT_EQ(probe.width, 16);
    file[0x28] = 0x06;
    file[0x2A] = 15;
    probe = ProbeVgm(file.data(), file.size());
    EXPECT_EQ(probe.feedback, 6);
    EXPECT_EQ(probe.width, 15);
}

TEST(VgmImport, CompressedAndTruncatedLogs) {
    Bytes commands;
    for (int i = 0; i < 100; ++i) commands = commands + Tone(0, 100 + i) + kFrameNtsc;
    const Bytes plain = VgmFile(commands);
    const std::string path = TempPath("log.vgz");
    gzFile g = gzopen(path.c_str(), "wb");
    ASSERT_NE(g, nullptr);
    gzwrite(g, plain.data(), static_cast<unsigned>(plain.size()));
    gzclose(g);
    auto mHolder = std::make_unique<Module>();
    Module& m = *mHolder;
    ASSERT_TRUE(ImportVgmFile(m, path, VgmOkay(0)));
    EXPECT_EQ(SongLines(m), 100);

    // A compressed stream cut short gives the frames that could be read.
    Bytes packed = ReadFile(path);
    packed.resize(packed.size() / 2);
    ASSERT_TRUE(WriteFile(path, packed));
    auto cutHolder = std::make_unique<Module>();
    Module& cut = *cutHolder;
    EXPECT_TRUE(ImportVgmFile(cut, path, VgmOkay(0)));
    EXPECT_LT(SongLines(cut), 100);

    // A plain log cut in the middle of a command.
    Bytes half(plain.begin(), plain.begin() + 0x40 + 5 * 50 + 3);
    EXPECT_EQ(SongLines(*Import(half)), 50);
    std::remove(path.c_str());
}

TEST(VgmImport, NoLogGivesAnExceptionWithoutMessage) {
    auto targetHolder = std::make_unique<Module>();
    Module& target = *targetHolder;
    target.title = "keep";
    const Bytes text = {'V', 'g', 'm', '!', 0, 0, 0, 0};
    try {
        ImportVgm(target, text.data(), text.size(), VgmOkay(0));
        ADD_FAILURE();
    } catch (const Exception& e) {
        EXPECT_STREQ(e.Message(), "");
    }
    EXPECT_THROW(ImportVgmFile(target, TempPath("missing.vgm"), VgmOkay(0)), Exception);
    const Bytes log = VgmFile(kFrameNtsc);
    EXPECT_FALSE(ImportVgm(target, log.data(), log.size(),
                           [](const VgmProbe&, VgmOptions&) { return false; }));
    EXPECT_EQ(target.title, "keep");
}

TEST(VgmImport, LongLogStopsWhenTheModuleIsFull) {
    Bytes commands;
    for (int i = 0; i < 800; ++i) commands = commands + Bytes{0x61, 0xFF, 0xFF};  // 89 frames each
    auto mHolder = Import(VgmFile(commands));
    Module& m = *mHolder;
    EXPECT_EQ(m.songLength, 256);
    EXPECT_EQ(SongLines(m), 65536);
}

TEST(VgmImport, DamagedCompressedDataIsAnErrorNotAShorterSong) {
    // More than the first read step of the reader, so the damage is met in a later read.
    Bytes commands;
    for (int i = 0; i < 20000; ++i) commands = commands + Tone(0, 100 + i % 900) + kFrameNtsc;
    const Bytes plain = VgmFile(commands);
    ASSERT_GT(plain.size(), 64u * 1024);
    const std::string path = TempPath("damaged.vgz");
    gzFile g = gzopen(path.c_str(), "wb");
    ASSERT_NE(g, nullptr);
    gzwrite(g, plain.data(), static_cast<unsigned>(plain.size()));
    gzclose(g);
    // A second gzip member whose first deflate block has the reserved block type.
    Bytes packed = ReadFile(path);
    const Bytes member = {0x1F, 0x8B, 8, 0, 0, 0, 0, 0, 0, 0xFF, 0x07, 0, 0, 0, 0, 0, 0, 0, 0, 0};
    packed.insert(packed.end(), member.begin(), member.end());
    ASSERT_TRUE(WriteFile(path, packed));
    auto target = std::make_unique<Module>();
    target->title = "keep";
    try {
        ImportVgmFile(*target, path, VgmOkay(0));
        ADD_FAILURE() << "damaged data gave a song";
    } catch (const FileIOException& e) {
        EXPECT_STREQ(e.Message(), "ReadVgmFile(): Can't read file");
    }
    EXPECT_EQ(target->title, "keep");
    // Without the damaged member the same log reads whole.
    packed.resize(packed.size() - member.size());
    ASSERT_TRUE(WriteFile(path, packed));
    EXPECT_EQ(ReadVgmFile(path), plain);
    std::remove(path.c_str());
}

TEST(VgmImport, ALogOverTheSizeLimitIsRefusedWithASentence) {
    const Bytes plain = VgmFile(Tone(0, 300) + Volume(0, 0) + kFrameNtsc + kFrameNtsc);
    for (bool compressed : {false, true}) {
        SCOPED_TRACE(compressed ? "compressed" : "plain");
        const std::string path = TempPath(compressed ? "limit.vgz" : "limit.vgm");
        if (compressed) {
            gzFile g = gzopen(path.c_str(), "wb");
            ASSERT_NE(g, nullptr);
            gzwrite(g, plain.data(), static_cast<unsigned>(plain.size()));
            gzclose(g);
        } else {
            ASSERT_TRUE(WriteFile(path, plain));
        }
        EXPECT_EQ(ReadVgmFile(path, plain.size()), plain);  // exactly at the limit
        try {
            ReadVgmFile(path, plain.size() - 1);
            ADD_FAILURE() << "a log over the limit was cut to it";
        } catch (const Exception& e) {
            EXPECT_STREQ(e.Message(), "The VGM log is too large.");
        }
        std::remove(path.c_str());
    }
    EXPECT_EQ(kMaxVgmLogBytes, size_t{256} << 20);
}
