// MIDI import: tick-to-frame timing, voice envelopes, folding voices onto channels, the
// channel map, running status and the malformed meta events.
#include <gtest/gtest.h>

#include <memory>
#include <set>

#include "ImportTestUtil.h"
#include "app/Exceptions.h"

using namespace importtest;

namespace {

struct Track {
    Bytes b;
    Track& Event(uint32_t delta, std::initializer_list<uint8_t> bytes) {
        AppendVarLen(b, delta);
        b.insert(b.end(), bytes);
        return *this;
    }
    Track& On(uint32_t delta, int ch, int note, int velocity = 127) {
        return Event(delta, {static_cast<uint8_t>(0x90 | ch), static_cast<uint8_t>(note),
                             static_cast<uint8_t>(velocity)});
    }
    Track& Off(uint32_t delta, int ch, int note, int velocity = 127) {
        return Event(delta, {static_cast<uint8_t>(0x80 | ch), static_cast<uint8_t>(note),
                             static_cast<uint8_t>(velocity)});
    }
    Track& Tempo(uint32_t delta, uint32_t microseconds) {
        return Event(delta,
                     {0xFF, 0x51, 3, static_cast<uint8_t>(microseconds >> 16),
                      static_cast<uint8_t>(microseconds >> 8), static_cast<uint8_t>(microseconds)});
    }
    Bytes End(uint32_t delta = 0) {
        Event(delta, {0xFF, 0x2F, 0});
        return b;
    }
};

std::unique_ptr<Module> Import(const Bytes& file, uint8_t chip = 0, uint8_t divider = 0,
                               const std::function<void(MidiOptions&)>& map = nullptr) {
    auto mHolder = std::make_unique<Module>();
    Module& m = *mHolder;
    EXPECT_TRUE(ImportMidi(m, file.data(), file.size(), [&](const MidiProbe&, MidiOptions& o) {
        o.chip = Chip(chip, divider);
        if (map) map(o);
        return true;
    }));
    return mHolder;
}

// First song line at or after `from` where channel `c` holds a note of volume above 0.
long FirstSounding(const Module& m, int c, long from = 0) {
    for (long i = from; i < SongLines(m); ++i)
        if (SongLine(m, i).volume[c] > 0 && SongLine(m, i).note[c] <= kNoteLastTone) return i;
    return -1;
}

std::string MidiError(const Bytes& file) {
    auto mHolder = std::make_unique<Module>();
    Module& m = *mHolder;
    try {
        ImportMidi(m, file.data(), file.size(), MidiOkay(0));
    } catch (const Exception& e) {
        return e.Message() + (e.HasCode(0) ? " " + std::to_string(e.Code(0)) : std::string());
    }
    return "";
}

}  // namespace

TEST(MidiImport, QuarterNoteAtDivision96AndTempo500000LastsThirtyNtscLines) {
    const Bytes file =
        MidiFile(96, {Track().On(0, 0, 60).Off(96, 0, 60, 127).On(0, 0, 62).Off(96, 0, 62).End()});
    auto mHolder = Import(file);
    Module& m = *mHolder;
    EXPECT_EQ(SongLines(m), 61);  // 60 frames and the line after them
    EXPECT_EQ(FirstSounding(m, 0), 0);
    EXPECT_EQ(SongLine(m, 0).note[0], 60);
    EXPECT_EQ(SongLine(m, 29).note[0], 60);
    EXPECT_EQ(SongLine(m, 30).note[0], 62);
    EXPECT_EQ(m.patterns[0].lines[0].globalCmd[0], kGlobalSP);
    EXPECT_EQ(m.patterns[0].lines[0].globalParam[0], 8);
    // The same song at PAL: 25 lines a quarter note.
    auto palHolder = Import(file, 1);
    Module& pal = *palHolder;
    EXPECT_EQ(SongLines(pal), 51);
    EXPECT_EQ(SongLine(pal, 25).note[0], 62);
}

TEST(MidiImport, TempoChangesAndLongSongsSpanPatterns) {
    // 32 quarter notes at 120 then 32 at 240 beats a minute: 960 + 480 frames.
    Track t;
    t.Tempo(0, 500000)
        .On(0, 0, 60)
        .Off(96 * 32, 0, 60)
        .Tempo(0, 250000)
        .On(0, 0, 64)
        .Off(96 * 32, 0, 64);
    auto mHolder = Import(MidiFile(96, {t.End()}));
    Module& m = *mHolder;
    EXPECT_EQ(SongLines(m), 1441);
    EXPECT_EQ(m.songLength, 6);
    for (int p = 0; p < 5; ++p) EXPECT_EQ(m.patterns[p].length, 256);
    EXPECT_EQ(m.patterns[5].length, 1441 - 5 * 256);
    EXPECT_EQ(SongLine(m, 960).note[0], 64);
}

TEST(MidiImport, EnvelopeRisesByVelocityAndFallsByReleaseVelocity) {
    Track t;
    t.On(0, 0, 60, 64).Off(96, 0, 60, 32).On(96, 1, 50, 100).Off(96, 1, 50, 0);
    auto mHolder = Import(MidiFile(96, {t.End(96)}));
    Module& m = *mHolder;
    EXPECT_EQ(SongLine(m, 0).volume[0], 7);   // level 64: 127 x 64 x 15 / 16129
    EXPECT_EQ(SongLine(m, 1).volume[0], 15);  // level 127 after two frames
    // Released at line 30 with velocity 32: 127 - 32 = 95, then 63, 31, 0.
    EXPECT_EQ(SongLine(m, 30).volume[0], 11);
    EXPECT_EQ(SongLine(m, 31).volume[0], 7);
    EXPECT_EQ(SongLine(m, 32).volume[0], 3);
    EXPECT_EQ(SongLine(m, 33).volume[0], 0);
    EXPECT_EQ(SongLine(m, 33).note[0], kNoteNul);
    EXPECT_EQ(SongLine(m, 34).note[0], kNoteEmpty);  // one silent cell, then nothing
    // A release with velocity 0 holds the level while the slot is not reused.
    const long held = FirstSounding(m, 1);
    EXPECT_EQ(held, 60);
    EXPECT_EQ(SongLine(m, SongLines(m) - 2).volume[1], 15);
}

TEST(MidiImport, VoicesOnOneChannelTakeTurnsLineByLine) {
    Track t;
    t.On(0, 0, 60)
        .On(0, 0, 64)
        .On(0, 0, 67)
        .Off(96, 0, 60, 127)
        .Off(0, 0, 64, 127)
        .Off(0, 0, 67, 127);
    auto mHolder = Import(MidiFile(96, {t.End()}));
    Module& m = *mHolder;
    const int order[] = {60, 64, 67};
    for (int i = 0; i < 12; ++i) EXPECT_EQ(SongLine(m, i).note[0], order[i % 3]) << i;
    EXPECT_EQ(SongLine(m, 0).note[1], kNoteNul);  // nothing maps to channel 1
}

TEST(MidiImport, TwoChannelsOnOneTargetAlternateTheirInstruments) {
    Track t;
    t.On(0, 2, 60).On(0, 6, 72).Off(96, 2, 60).Off(0, 6, 72);
    auto held = Import(MidiFile(96, {t.End()}), 0, 0, [](MidiOptions& o) {
        o.map[2] = {1, 1, 5};
        o.map[6] = {1, 1, 9};
    });
    const Module& m = *held;
    for (int i = 0; i < 10; ++i) {
        EXPECT_EQ(SongLine(m, i).instrument[1], i % 2 ? 9 : 5) << i;
        EXPECT_EQ(SongLine(m, i).note[1], i % 2 ? 72 : 60) << i;
    }
}

TEST(MidiImport, DisabledChannelMakesNoVoicesButKeepsTheTiming) {
    Track t;
    // Channel 1 (disabled) plays with running status and a controller in between.
    t.On(0, 1, 40)
        .Event(48, {41, 100})
        .Event(0, {0xB1, 7, 10})
        .Off(48, 1, 40)
        .On(0, 0, 60)
        .Off(96, 0, 60);
    auto mHolder =
        Import(MidiFile(96, {t.End()}), 0, 0, [](MidiOptions& o) { o.map[1].enabled = 0; });
    Module& m = *mHolder;
    EXPECT_EQ(FirstSounding(m, 1), -1);
    EXPECT_EQ(FirstSounding(m, 0), 30);
    EXPECT_EQ(SongLines(m), 61);
}

TEST(MidiImport, ControllerSevenSetsTheChannelVolume) {
    Track t;
    t.Event(0, {0xB0, 7, 64}).On(0, 0, 60).Off(96, 0, 60);
    auto mHolder = Import(MidiFile(96, {t.End()}));
    Module& m = *mHolder;
    EXPECT_EQ(SongLine(m, 5).volume[0], 7);  // 64 x 127 x 15 / 16129
}

TEST(MidiImport, DividerTwoRaisesNotesAnOctave) {
    auto mHolder = Import(MidiFile(96, {Track().On(0, 0, 60).Off(96, 0, 60).End()}), 0, 1);
    Module& m = *mHolder;
    EXPECT_EQ(SongLine(m, 0).note[0], 72);
}

TEST(MidiImport, RunningStatusSurvivesMetaAndSystemExclusiveEvents) {
    Track t;
    t.On(0, 0, 60);
    t.Event(0, {0xFF, 0x01, 3, 'a', 'b', 'c'});  // a text event
    t.Event(0, {64, 127});                       // note on 64 by running status
    t.Event(0, {0xF0, 2, 0x7E, 0xF7});           // system exclusive
    t.Event(0, {67, 127});                       // note on 67 by running status
    auto mHolder = Import(MidiFile(96, {t.Off(96, 0, 60).Off(0, 0, 64).Off(0, 0, 67).End()}));
    Module& m = *mHolder;
    std::set<int> notes;
    for (int i = 0; i < 6; ++i) notes.insert(SongLine(m, i).note[0]);
    EXPECT_EQ(notes, (std::set<int>{60, 64, 67}));
}

TEST(MidiImport, TracksPlayTogether) {
    const Bytes file =
        MidiFile(96, {Track().Tempo(0, 500000).End(), Track().On(0, 0, 60).Off(96, 0, 60).End(),
                      Track().On(48, 1, 70).Off(96, 1, 70).End()});
    auto mHolder = Import(file);
    Module& m = *mHolder;
    EXPECT_EQ(FirstSounding(m, 0), 0);
    EXPECT_EQ(FirstSounding(m, 1), 15);
    EXPECT_EQ(SongLines(m), 46);
}

TEST(MidiImport, MalformedEventsGiveTheirMessages) {
    Bytes smpte = MidiFile(96, {Track().End()});
    smpte[12] = 0xE7;
    bool shown = false;
    auto mHolder = std::make_unique<Module>();
    Module& m = *mHolder;
    try {
        ImportMidi(m, smpte.data(), smpte.size(),
                   [&](const MidiProbe&, MidiOptions&) { return shown = true; });
        ADD_FAILURE();
    } catch (const Exception& e) {
        EXPECT_STREQ(e.Message(), "Unsupported timing");
    }
    EXPECT_FALSE(shown);
    EXPECT_EQ(MidiError(MidiFile(96, {Track().Event(0, {0xFF, 0x2F, 1, 0}).End()})),
              "$2F command 1");
    EXPECT_EQ(MidiError(MidiFile(96, {Track().Event(0, {0xFF, 0x51, 2, 1, 2}).End()})),
              "$51 command 2");
    EXPECT_EQ(MidiError(MidiFile(96, {Track().Event(0, {0xFF, 0x58, 3, 1, 2, 3}).End()})),
              "$58 command 3");
    EXPECT_EQ(MidiError(MidiFile(96, {Track().Event(0, {0xFF, 0x58, 4, 1, 2, 3, 4}).End()})), "");
}

TEST(MidiImport, TracksRunningPastTheDataFinish) {
    Bytes file = MidiFile(96, {Track().On(0, 0, 60).Off(96, 0, 60).End()});
    file.resize(file.size() - 5);  // the note off and the end of track are cut away
    auto mHolder = Import(file);
    Module& m = *mHolder;
    EXPECT_EQ(SongLines(m), 31);
}

TEST(MidiImport, HugeDeltasFillTheModuleAndStop) {
    // 2^28 - 1 ticks at a slow division: far beyond 256 full patterns.
    Track t;
    t.On(0, 0, 60).Event(0x0FFFFFFF, {0x80, 60, 0}).On(0x0FFFFFFF, 0, 61);
    auto mHolder = Import(MidiFile(1, {t.End(0x0FFFFFFF)}));
    Module& m = *mHolder;
    EXPECT_EQ(m.songLength, 256);
    EXPECT_EQ(SongLines(m), 65536);
}

// Held voices that fill the module keep taking turns on every line of every pattern: three
// on channel 0 (a turn of three lines, which 256 does not divide), two on channel 2, none
// on channel 1 (one silent cell, then nothing), and a chord that changes midway.
TEST(MidiImport, HeldVoicesTakeTurnsToTheLastLineOfAFullModule) {
    Track t;
    t.On(0, 0, 60).On(0, 0, 64).On(0, 0, 67).On(0, 2, 50).On(0, 2, 53);
    // 7000 frames later (division 96 at 120 beats a minute: 0.3125 frames a tick) the second
    // voice of channel 2 is released at once and a third one comes in.
    t.Off(22400, 2, 53, 127).On(0, 2, 57).Event(0x0FFFFFFF, {0x80, 60, 0});
    auto mHolder = Import(MidiFile(96, {t.End()}));
    const Module& m = *mHolder;
    ASSERT_EQ(SongLines(m), 65536);
    const int channel0[] = {60, 64, 67};
    for (long i = 0; i < 65536; ++i) {
        const PatternLine& line = SongLine(m, i);
        ASSERT_EQ(line.note[0], channel0[i % 3]) << i;
        ASSERT_EQ(line.volume[0], 15) << i;
        ASSERT_EQ(line.instrument[0], 0) << i;
        ASSERT_EQ(line.note[1], i == 0 ? kNoteNul : kNoteEmpty) << i;
        ASSERT_EQ(line.volume[1], 0) << i;
        ASSERT_EQ(line.instrument[2], 2) << i;
        ASSERT_EQ(line.note[3], i == 0 ? kNoteNul : kNoteEmpty) << i;
        EXPECT_EQ(line.globalCmd[0], i == 0 ? kGlobalSP : kGlobalNone) << i;
    }
    // Channel 2 alternates 50 and 53 until the release, then 50 and 57 take turns on from
    // where the turn had come.
    for (long i = 0; i < 7000; ++i) ASSERT_EQ(SongLine(m, i).note[2], i % 2 ? 53 : 50) << i;
    const uint8_t after = SongLine(m, 7000).note[2];
    ASSERT_TRUE(after == 50 || after == 57);
    for (long i = 7000; i < 65536; ++i)
        ASSERT_EQ(SongLine(m, i).note[2], (i - 7000) % 2 ? (after == 50 ? 57 : 50) : after) << i;
}

TEST(MidiImport, CancelLeavesTheTargetAlone) {
    auto targetHolder = std::make_unique<Module>();
    Module& target = *targetHolder;
    target.title = "keep";
    const Bytes file = MidiFile(96, {Track().On(0, 0, 60).End(96)});
    EXPECT_FALSE(ImportMidi(target, file.data(), file.size(),
                            [](const MidiProbe&, MidiOptions&) { return false; }));
    EXPECT_THROW(ImportMidi(target, file.data(), 10, MidiOkay(0)), Exception);
    EXPECT_EQ(target.title, "keep");
    MidiProbe probe = ProbeMidi(file.data(), file.size());
    EXPECT_EQ(probe.division, 96);
    EXPECT_EQ(probe.tracks, 1);
    MidiOptions defaults;
    EXPECT_EQ(defaults.map[13].target, 1);
    EXPECT_EQ(defaults.map[13].instrument, 13);
    EXPECT_EQ(defaults.map[13].enabled, 1);
}

TEST(MidiImport, TracksReadOnlyTheirOwnChunks) {
    // 3000 empty tracks before the one that plays: none of them reads its notes again.
    std::vector<Bytes> tracks(3000);
    tracks.push_back(Track().On(0, 0, 60).On(0, 1, 64).Off(96, 0, 60).Off(0, 1, 64).End());
    Bytes file = MidiFile(96, tracks);
    auto mHolder = Import(file);
    Module& m = *mHolder;
    EXPECT_EQ(SongLines(m), 31);
    for (int i = 0; i < 30; ++i) {
        EXPECT_EQ(SongLine(m, i).note[0], 60) << i;
        EXPECT_EQ(SongLine(m, i).note[1], 64) << i;
    }
}
