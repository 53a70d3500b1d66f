// The console replayer (console/tonweave.s) and the exported ROMs on an emulated Z80: every
// frame must leave the chip as the tracker's player leaves its own, over two passes.
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>

#include "export/DadivevPlayer.h"
#include "tests/console/ConsoleRun.h"
#include "tests/console/ConsoleSongs.h"

using namespace console;

namespace {

void ExpectSame(const RunResult& r, int minimumFrames = 1) {
    EXPECT_EQ(r.differing, 0) << r.firstDifference;
    EXPECT_GE(r.frames, minimumFrames);
}

}  // namespace

TEST(ConsoleRom, DemoSongPlaysAsTheTrackerOnBothSystems) {
    auto m = DemoSong();
    ASSERT_TRUE(m);
    ExpectSame(RunRom(*m, RomSystem::kMasterSystem), 1000);
    if (m->chipType == 0) ExpectSame(RunRom(*m, RomSystem::kGameGear), 1000);
}

TEST(ConsoleRom, CraftedSongsPlayAsTheTracker) {
    for (auto& m : CraftedSongs()) {
        ExpectSame(RunRom(*m, RomSystem::kMasterSystem), 50);
        if (m->chipType == 0) ExpectSame(RunRom(*m, RomSystem::kGameGear), 50);
    }
}

TEST(ConsoleBare, CraftedSongsFromRamPlayAsTheTracker) {
    for (auto& m : CraftedSongs()) {
        ASSERT_LE(CompileDADIVEV(*m).size(), kRamSongLimit);
        ExpectSame(RunBare(*m, true), 50);
    }
}

TEST(ConsoleRom, BusiestLinesPlayAsTheTracker) {
    auto m = BusiestLinesSong();
    ExpectSame(RunRom(*m, RomSystem::kMasterSystem), 150);
    ExpectSame(RunRom(*m, RomSystem::kGameGear), 150);
    ExpectSame(RunBare(*m, true), 150);
    // The reference replayer too, with every marker of the pass.
    int cb = 0;
    for (int l = 0; l < 96; ++l)
        for (int k = 0; k < kGlobalColumns; ++k) cb += m->patterns[0].lines[l].globalCmd[k] == kGlobalCB;
    const auto file = CompileDADIVEV(*m);
    DadivevPlayer reference;
    reference.Load(file);
    auto player = std::make_unique<Player>();
    player->Bind(*m);
    player->Start(0, 0, 0);
    int markers = 0;
    for (int f = 0; f < 96; ++f) {
        reference.PlayFrame();
        player->PlayFrame();
        ASSERT_EQ(Difference(player->chip.Registers(), reference.Chip().Registers(), false, true), "") << f;
        markers += static_cast<int>(reference.Markers().size());
    }
    EXPECT_EQ(markers, cb);
    EXPECT_GT(cb, 60);
}

TEST(ConsoleRom, RandomSongsPlayAsTheTracker) {
    for (int song = 0; song < 40; ++song) {
        SCOPED_TRACE(song);
        auto m = RandomModule(20261209u + static_cast<unsigned>(song));
        ExpectSame(RunRom(*m, RomSystem::kMasterSystem));
        if (CompileDADIVEV(*m).size() <= kRamSongLimit) ExpectSame(RunBare(*m, true));
    }
}

TEST(ConsoleRom, ImportedSongsPlayAsTheTracker) {
    auto songs = ImportedSongs();
    if (songs.empty()) GTEST_SKIP() << "no shared test data";
    for (auto& [name, m] : songs) {
        SCOPED_TRACE(name);
        ExpectSame(RunRom(*m, RomSystem::kMasterSystem));
    }
}

namespace {

// `patterns` full patterns of notes with random periods on every channel: no block repeats,
// so the song grows by about 8 KB a pattern.
std::unique_ptr<Module> BigSong(int patterns) {
    auto m = NewModule();
    std::mt19937 rng(99);
    m->initialSpeed = 8;
    for (int p = 0; p < patterns; ++p) {
        m->MakePattern(p);
        m->SetPatternLength(p, 256);
        for (int l = 0; l < 256; ++l)
            for (int c = 0; c < 4; ++c)
                Note(*m, p, l, c, static_cast<uint8_t>(c == 3 ? 247 + rng() % 8 : 45 + rng() % 75), 0,
                     static_cast<uint8_t>(rng() % 16), static_cast<int8_t>(rng() % 64));
        m->orderList[p] = static_cast<uint8_t>(p);
    }
    m->songLength = static_cast<uint16_t>(patterns);
    m->repeatPosition = static_cast<uint8_t>(patterns / 2);
    return m;
}

}  // namespace

TEST(ConsoleRom, SongsBeyondOneBankArePagedThroughTheMapper) {
    auto m = BigSong(11);
    const auto song = CompileDADIVEV(*m);
    ASSERT_GT(song.size(), 3u * 0x4000) << "the song should span several banks";
    const auto rom = BuildROM(*m, RomSystem::kMasterSystem);
    EXPECT_EQ(rom.size(), 0x20000u);
    EXPECT_EQ(rom[romshell::kDescFlags] & romshell::kFlagBanked, romshell::kFlagBanked);
    EXPECT_TRUE(std::equal(song.begin(), song.end(), rom.begin() + 0x8000));
    EXPECT_EQ(rom[0x7FFF], 0x4F);  // export, 128 KB
    ExpectSame(RunRom(*m, RomSystem::kMasterSystem), 4096);
    ExpectSame(RunBare(*m, false), 4096);
}

TEST(ConsoleRom, SongTooBigForTheLargestRomIsRefusedClearly) {
    auto m = BigSong(90);
    ASSERT_GT(CompileDADIVEV(*m).size(), kMaxBankedSongBytes);
    try {
        BuildROM(*m, RomSystem::kGameGear);
        FAIL() << "no exception";
    } catch (const Exception& e) {
        EXPECT_NE(std::string(e.Message()).find("Module::ExportROM(): The song needs "), std::string::npos)
            << e.Message();
        EXPECT_NE(std::string(e.Message()).find("the largest ROM (512 KB)"), std::string::npos);
    }
}

TEST(ConsoleRom, HeaderChecksumAndDescriptorAreWritten) {
    auto m = EveryFeatureSong();
    for (RomSystem system : {RomSystem::kMasterSystem, RomSystem::kGameGear}) {
        const auto rom = BuildROM(*m, system);
        ASSERT_EQ(rom.size(), 0x8000u);
        EXPECT_EQ(std::string(rom.begin() + 0x7FF0, rom.begin() + 0x7FF8), "TMR SEGA");
        uint16_t sum = 0;
        for (size_t i = 0; i < 0x7FF0; ++i) sum = static_cast<uint16_t>(sum + rom[i]);
        EXPECT_EQ(rom[0x7FFA] | (rom[0x7FFB] << 8), sum);
        EXPECT_EQ(rom[0x7FFF], system == RomSystem::kGameGear ? 0x7C : 0x4C);
        const size_t song = rom[romshell::kDescSong] | (rom[romshell::kDescSong + 1] << 8);
        const auto compiled = CompileDADIVEV(*m);
        EXPECT_TRUE(std::equal(compiled.begin(), compiled.end(), rom.begin() + song));
        EXPECT_EQ(rom[romshell::kDescFlags], system == RomSystem::kGameGear ? 2 : 0);
    }
}

TEST(ConsoleRom, TitleAndAuthorAreOnTheVisibleScreen) {
    auto m = EveryFeatureSong();
    m->title = "A rather long title that needs two rows";
    m->author = "Zo\xc3\xab";  // not in the font
    const auto lines = RomScreenText(*m, RomSystem::kGameGear);
    ASSERT_EQ(lines.size(), 4u);
    EXPECT_EQ(lines[0].text, "A rather long");
    EXPECT_EQ(lines[1].text, "title that needs");
    EXPECT_EQ(lines[2].text, "two rows");
    EXPECT_EQ(lines[3].text, "Zo??");
    EXPECT_EQ(lines[3].row, lines[2].row + 2);
    for (const auto& l : lines) {
        EXPECT_GE(l.column, 6);
        EXPECT_LE(l.column + static_cast<int>(l.text.size()), 26);
        EXPECT_GE(l.row, 3);
        EXPECT_LE(l.row, 20);
    }
    m->title = "";
    EXPECT_EQ(RomScreenText(*m, RomSystem::kMasterSystem)[0].text, "Untitled");
    // A word that fills a line exactly, then an over-long word cut into pieces.
    m->title = std::string(18, 'a') + " b " + std::string(40, 'c');
    m->author = "";
    const auto cut = RomScreenText(*m, RomSystem::kGameGear);
    ASSERT_EQ(cut.size(), 3u);
    EXPECT_EQ(cut[0].text, std::string(18, 'a'));
    EXPECT_EQ(cut[1].text, "b");
    EXPECT_EQ(cut[2].text, std::string(18, 'c'));

    // The ROM draws the lines into the name table, with the font in the first tiles.
    m->title = "Night Drive";
    m->author = "K. Ito";
    Machine machine(BuildROM(*m, RomSystem::kMasterSystem));
    ASSERT_GT(machine.RunFrame(100), 0);
    for (const auto& l : RomScreenText(*m, RomSystem::kMasterSystem))
        for (size_t i = 0; i < l.text.size(); ++i)
            EXPECT_EQ(machine.ScreenChar(l.row, l.column + static_cast<int>(i)), l.text[i]);
    EXPECT_EQ(machine.VideoMemory()[('A' - 32) * 32 + 4 * 0], 0x38);  // top row of the A
    EXPECT_EQ(machine.VdpRegister(1) & 0x60, 0x60);                 // display and frame interrupt
    EXPECT_EQ(machine.strayWrites, 0);
}

namespace {

struct Bare {
    std::unique_ptr<Module> m;
    std::unique_ptr<Machine> machine;
    std::unique_ptr<Player> player;
    explicit Bare(std::unique_ptr<Module> song) : m(std::move(song)) {
        const auto file = CompileDADIVEV(*m);
        machine = std::make_unique<Machine>(BuildROM(*m, RomSystem::kMasterSystem));
        for (size_t i = 0; i < file.size(); ++i) machine->Poke(static_cast<uint16_t>(0xC100 + i), file[i]);
        machine->Call(romshell::kStart, 0, 0xC100);
        player = std::make_unique<Player>();
        player->Bind(*m);
        player->Start(0, 0, 0);
    }
    const PsgRegisters& Want() const { return player->chip.Registers(); }
    const PsgRegisters& Got() const { return machine->chip.Registers(); }
    void Frame() {
        machine->chip.ClearNoiseReset();
        machine->Call(romshell::kFrame);
        player->PlayFrame();
    }
    // Writes since `from` that reach channel c (latches and the data bytes after them).
    int WritesTo(int c, size_t from) const {
        int count = 0;
        int latched = -1;
        for (size_t i = 0; i < machine->psgWrites.size(); ++i) {
            const uint8_t w = machine->psgWrites[i];
            if (w & 0x80) latched = (w >> 5) & 3;
            if (i >= from && latched == c) ++count;
        }
        return count;
    }
};

}  // namespace

TEST(ConsoleApi, MusicAttenuationIsAddedAndClamped) {
    Bare b(EveryFeatureSong());
    b.machine->Call(romshell::kSetAttenuation, 4);
    for (int f = 0; f < 400; ++f) {
        b.Frame();
        for (int c = 0; c < 4; ++c)
            ASSERT_EQ(b.Got().attenuation[c], std::min(15, b.Want().attenuation[c] + 4)) << f;
    }
    b.machine->Call(romshell::kSetAttenuation, 200);  // more than 15 is silence
    b.Frame();
    for (int c = 0; c < 4; ++c) EXPECT_EQ(b.Got().attenuation[c], 15);
}

TEST(ConsoleApi, TakenChannelsAreLeftAloneAndRewrittenWhenGivenBack) {
    Bare b(EveryFeatureSong());
    for (int f = 0; f < 20; ++f) b.Frame();
    b.machine->Call(romshell::kTake, 0x0C);
    const size_t from = b.machine->psgWrites.size();
    for (int f = 0; f < 200; ++f) b.Frame();
    EXPECT_EQ(b.WritesTo(2, from), 0);
    EXPECT_EQ(b.WritesTo(3, from), 0);
    EXPECT_GT(b.WritesTo(0, from), 0);
    // The game's own sound on both channels.
    b.machine->chip.Write(0xC5);
    b.machine->chip.Write(0x3F);
    b.machine->chip.Write(0xE3);
    b.machine->Call(romshell::kGive, 0x0C);
    b.Frame();
    EXPECT_EQ(Difference(b.Want(), b.Got(), false, false).find("period 2"), std::string::npos);
    EXPECT_EQ(b.Got().attenuation[2], b.Want().attenuation[2]);
    EXPECT_EQ(b.Got().attenuation[3], b.Want().attenuation[3]);
    EXPECT_EQ(b.Got().noiseRate, b.Want().noiseRate);
    EXPECT_EQ(b.Got().noiseWhite, b.Want().noiseWhite);
}

TEST(ConsoleApi, NoiseFollowingChannelTwoIsHeldWhileChannelTwoIsTaken) {
    auto m = NewModule();
    m->SetPatternLength(0, 8);
    Note(*m, 0, 0, 2, 60);
    Note(*m, 0, 0, 3, 254);  // white noise clocked by tone channel 2
    Note(*m, 0, 4, 3, 248);  // periodic noise at a fixed rate
    m->initialSpeed = 48;
    Bare b(std::move(m));
    b.machine->Call(romshell::kTake, 0x04);
    const size_t from = b.machine->psgWrites.size();
    for (int f = 0; f < 12; ++f) {
        b.Frame();
        EXPECT_EQ(b.Got().attenuation[3], 15) << "the held noise is silent";
    }
    EXPECT_EQ(b.WritesTo(2, from), 0);
    for (size_t i = from; i < b.machine->psgWrites.size(); ++i)
        EXPECT_NE(b.machine->psgWrites[i] & 0xF0, 0xE0) << "no noise control while held";
    // Past line 4 the noise no longer follows channel 2 and sounds again.
    for (int f = 0; f < 14; ++f) b.Frame();
    EXPECT_EQ(b.Got().attenuation[3], b.Want().attenuation[3]);
    EXPECT_EQ(b.Got().noiseRate, 1);
    b.machine->Call(romshell::kGive, 0x04);
    b.Frame();
    EXPECT_TRUE(Difference(b.Want(), b.Got(), false, false).find("attenuation") == std::string::npos);
}

TEST(ConsoleApi, PauseSilencesAndResumeGoesOnWhereItStopped) {
    Bare b(EveryFeatureSong());
    for (int f = 0; f < 50; ++f) b.Frame();
    b.machine->Call(romshell::kPause);
    for (int c = 0; c < 4; ++c) EXPECT_EQ(b.Got().attenuation[c], 15);
    const size_t from = b.machine->psgWrites.size();
    for (int f = 0; f < 30; ++f) b.machine->Call(romshell::kFrame);
    EXPECT_EQ(b.machine->psgWrites.size(), from);
    b.machine->Call(romshell::kResume);
    for (int f = 0; f < 300; ++f) {
        b.Frame();
        ASSERT_EQ(Difference(b.Want(), b.Got(), false, false), "") << f;
    }
    b.machine->Call(romshell::kStop);
    b.machine->Call(romshell::kFrame);
    for (int c = 0; c < 4; ++c) EXPECT_EQ(b.Got().attenuation[c], 15);
}

TEST(ConsoleApi, MarkersAreReportedInTheFrameTheirLineIsRead) {
    auto m = EveryFeatureSong();
    const auto file = CompileDADIVEV(*m);
    DadivevPlayer reference;
    reference.Load(file);
    Bare b(std::move(m));
    const uint16_t count = b.machine->PeekWord(romshell::kMarkerCountAddress);
    int seen = 0;
    for (int f = 0; f < 2000; ++f) {
        b.machine->Call(romshell::kFrame);
        reference.PlayFrame();
        const auto& want = reference.Markers();
        ASSERT_EQ(b.machine->Peek(count), want.size()) << f;
        for (size_t i = 0; i < want.size(); ++i) EXPECT_EQ(b.machine->Peek(static_cast<uint16_t>(count + 1 + i)), want[i]);
        seen += static_cast<int>(want.size());
    }
    EXPECT_EQ(seen, 2);  // the one line with two markers plays once
}

namespace {

// The ROM on a console of the other frame rate: call n must equal `frames(n)` frames of
// the tracker.
void ExpectTempoKept(const Module& m, bool palMachine, int (*frames)(int)) {
    Machine machine(BuildROM(m, RomSystem::kMasterSystem), false, palMachine);
    auto player = std::make_unique<Player>();
    player->Bind(m);
    player->Start(0, 0, 0);
    int played = 0;
    for (int n = 1; n <= 600; ++n) {
        ASSERT_GT(machine.RunFrame(n == 1 ? 100 : 4), 0);
        while (played < frames(n)) {
            player->PlayFrame();
            ++played;
        }
        const std::string d = Difference(player->chip.Registers(), machine.chip.Registers(),
                                         m.frequencyDivider == 1, false);
        ASSERT_TRUE(d.find("period") == std::string::npos && d.find("attenuation") == std::string::npos)
            << n << ": " << d;
    }
}

}  // namespace

TEST(ConsoleRom, SongsKeepTheirTempoOnAConsoleOfTheOtherRate) {
    auto ntsc = EveryFeatureSong();
    ExpectTempoKept(*ntsc, true, [](int n) { return n + n / 5; });
    auto pal = HalfClockPalSong();
    ExpectTempoKept(*pal, false, [](int n) { return n - n / 6; });
}

TEST(ConsoleExample, TheExampleGamesSongIsTheDemoAsTheExporterWritesIt) {
    // console/example/song.c holds the demo song as C bytes; a change of the format must
    // bring it along, or the example game plays nonsense.
    auto m = DemoSong();
    ASSERT_TRUE(m);
    std::ifstream in(std::string(TW_SOURCE_DIR) + "/console/example/song.c");
    ASSERT_TRUE(in);
    const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    std::vector<uint8_t> bytes;
    for (size_t at = text.find("0x"); at != std::string::npos; at = text.find("0x", at + 2))
        bytes.push_back(static_cast<uint8_t>(std::stoi(text.substr(at + 2, 2), nullptr, 16)));
    EXPECT_EQ(bytes, CompileDADIVEV(*m));
}
