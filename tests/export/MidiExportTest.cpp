// MIDI export: exact track bytes for the cases that matter, the dialog's rows, the chosen
// handling of notes that MIDI cannot carry, and an independent reader that must accept
// every exported file with balanced notes.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>

#include "app/Exceptions.h"
#include "export/MidiExport.h"
#include "tests/export/ExportTestUtil.h"
#include "tests/export/MidiReader.h"

using namespace exporttest;

namespace {

miditest::File ReadBack(const std::vector<uint8_t>& bytes) {
    miditest::File f;
    miditest::Reader reader(bytes);
    EXPECT_TRUE(reader.Read(f)) << reader.error;
    return f;
}

// The bytes of track `index` without its chunk head.
std::vector<uint8_t> TrackBytes(const std::vector<uint8_t>& midi, int index) {
    size_t pos = 14;
    for (int t = 0;; ++t) {
        const uint32_t length = (midi[pos + 4] << 24) | (midi[pos + 5] << 16) | (midi[pos + 6] << 8) | midi[pos + 7];
        if (t == index) return std::vector<uint8_t>(midi.begin() + pos + 8, midi.begin() + pos + 8 + length);
        pos += 8 + length;
    }
}

std::vector<uint8_t> Bytes(std::initializer_list<int> list) {
    std::vector<uint8_t> out;
    for (int v : list) out.push_back(static_cast<uint8_t>(v));
    return out;
}

void Append(std::vector<uint8_t>& out, const std::string& s) { out.insert(out.end(), s.begin(), s.end()); }

// Notes of a channel track as (tick, note-on?, key).
std::vector<std::tuple<uint32_t, bool, int>> NoteEvents(const miditest::Track& t) {
    std::vector<std::tuple<uint32_t, bool, int>> out;
    for (const auto& e : t.events) {
        const int kind = e.status >> 4;
        if (kind == 0x9) out.emplace_back(e.tick, true, e.data[0]);
        if (kind == 0x8) out.emplace_back(e.tick, false, e.data[0]);
    }
    return out;
}

}  // namespace

TEST(MidiExport, HeaderConductorAndASilentChannelAreExactlyTheseBytes) {
    auto m = NewModule();
    m->title = "T";
    m->author = "A";
    m->notes = "N";
    const auto midi = BuildMIDI(*m, MidiProgramTable());
    EXPECT_EQ(std::vector<uint8_t>(midi.begin(), midi.begin() + 14),
              Bytes({'M', 'T', 'h', 'd', 0, 0, 0, 6, 0, 1, 0, 5, 0, 64}));

    std::vector<uint8_t> conductor = Bytes({0, 0xFF, 0x01, 7});
    Append(conductor, "Name: T");
    conductor.insert(conductor.end(), {0, 0xFF, 0x01, 9});
    Append(conductor, "Author: A");
    conductor.insert(conductor.end(), {0, 0xFF, 0x01, 8});
    Append(conductor, "Notes: N");
    conductor.insert(conductor.end(), {0, 0xFF, 0x51, 3, 0x02, 0x08, 0xD5, 0, 0xFF, 0x2F, 0});
    EXPECT_EQ(TrackBytes(midi, 0), conductor);

    // A channel that never plays: its name, then the end after 384 frames of 8 ticks.
    for (int c = 0; c < 4; ++c) {
        std::vector<uint8_t> silent = Bytes({0, 0xFF, 0x03, 9});
        Append(silent, "Channel " + std::to_string(c));
        silent.insert(silent.end(), {0x98, 0x00, 0xFF, 0x2F, 0x00});  // 3072 ticks
        EXPECT_EQ(TrackBytes(midi, c + 1), silent) << c;
    }
    EXPECT_EQ(ReadBack(midi).tracks.size(), 5u);
}

TEST(MidiExport, EveryChannelTrackLastsEightTicksPerFrameInNtscAndPal) {
    for (uint8_t chip : {0, 1}) {
        auto m = NewModule(chip);
        Note(*m, 0, 0, 0, 60);
        Note(*m, 0, 10, 1, 72);
        Note(*m, 0, 20, 2, 84);
        Note(*m, 0, 30, 3, 252);
        const auto f = ReadBack(BuildMIDI(*m, MidiProgramTable()));
        ASSERT_EQ(f.tracks.size(), 5u);
        for (int t = 1; t < 5; ++t) {
            EXPECT_EQ(f.tracks[t].endTick, 3072u) << t;
            EXPECT_EQ(f.tracks[t].events.back().meta, 0x2F);
            EXPECT_EQ(miditest::CheckBalancedNotes(f.tracks[t]), "");
        }
    }
}

TEST(MidiExport, ConsecutiveNotesShareATimeAndProgramsChangeOnlyWhenDifferent) {
    auto m = NewModule();
    m->initialSpeed = 8;
    m->SetPatternLength(0, 3);
    Note(*m, 0, 0, 0, 60, 0);
    Note(*m, 0, 1, 0, 62, 0);
    Note(*m, 0, 2, 0, 64, 1, 8);  // volume 8: output 8, level 1650 * 127 / 7590 = 27
    MidiProgramTable programs;
    programs.program[1] = 5;
    std::vector<uint8_t> expected = Bytes({0, 0xFF, 0x03, 9});
    Append(expected, "Channel 0");
    expected.insert(expected.end(), {
        0, 0xC0, 80, 0, 0x90, 60, 127, 0, 0xB0, 7, 127,  // frame 1
        8, 0x80, 60, 127, 0, 0x90, 62, 127,              // frame 2: same program
        8, 0x80, 62, 127, 0, 0xC0, 5, 0, 0x90, 64, 127,  // frame 3: new program
        0, 0xB0, 7, 27,
        8, 0x80, 64, 127, 0, 0xFF, 0x2F, 0,
    });
    EXPECT_EQ(TrackBytes(BuildMIDI(*m, programs), 1), expected);
}

TEST(MidiExport, EnvelopeBecomesAChannelVolumeStreamAndVolumeZeroOnlyEndsTheNote) {
    auto m = NewModule();
    m->initialSpeed = 8;
    m->SetPatternLength(0, 6);
    m->instruments[0].startVolume = 0xF0;
    m->instruments[0].volumeAdd[0] = 0xF0;  // one level down per frame
    Note(*m, 0, 0, 1, 69);
    Note(*m, 0, 3, 1, 69, 0, 0);
    const auto f = ReadBack(BuildMIDI(*m, MidiProgramTable()));
    std::vector<std::pair<uint32_t, int>> volumes;
    for (const auto& e : f.tracks[2].events)
        if ((e.status >> 4) == 0xB) volumes.emplace_back(e.tick, e.data[1]);
    // Levels 15, 14, 13: 7590, 5940, 4840 scaled to 127.
    const std::vector<std::pair<uint32_t, int>> expected = {{0, 127}, {8, 99}, {16, 80}};
    EXPECT_EQ(volumes, expected);
    const std::vector<std::tuple<uint32_t, bool, int>> notes = {{0, true, 69}, {24, false, 69}};
    EXPECT_EQ(NoteEvents(f.tracks[2]), notes);
}

TEST(MidiExport, NotesThatMidiCannotCarry) {
    auto m = NewModule();
    m->initialSpeed = 8;
    m->SetPatternLength(0, 8);
    Note(*m, 0, 0, 0, 60);
    Note(*m, 0, 1, 0, 246);  // "Nul": no note, but the one before ends
    Note(*m, 0, 3, 0, 30);   // unplayable, yet a MIDI key: on and off at once
    Note(*m, 0, 4, 0, 62);
    Note(*m, 0, 5, 0, 140);  // no MIDI key: ends the note before, writes none
    Note(*m, 0, 0, 3, 250, 2);  // periodic noise clocked by channel 2: key 57
    Note(*m, 0, 2, 3, 254, 2);  // white noise clocked by channel 2: key 57
    Note(*m, 0, 4, 3, 60, 2);   // a tone value on the noise channel: no note
    Note(*m, 0, 6, 3, 248, 2);
    MidiProgramTable programs;
    programs.program[16 + 2] = 33;
    programs.program[32 + 2] = 44;
    const auto f = ReadBack(BuildMIDI(*m, programs));

    const std::vector<std::tuple<uint32_t, bool, int>> tone = {
        {0, true, 60}, {8, false, 60}, {24, true, 30}, {24, false, 30},
        {32, true, 62}, {40, false, 62}};
    EXPECT_EQ(NoteEvents(f.tracks[1]), tone);
    const std::vector<std::tuple<uint32_t, bool, int>> noise = {
        {0, true, 57}, {16, false, 57}, {16, true, 57}, {32, false, 57},
        {48, true, 81}, {64, false, 81}};
    EXPECT_EQ(NoteEvents(f.tracks[4]), noise);
    std::vector<int> programChanges;
    for (const auto& e : f.tracks[4].events)
        if ((e.status >> 4) == 0xC) programChanges.push_back(e.data[0]);
    EXPECT_EQ(programChanges, (std::vector<int>{33, 44, 33}));
    for (int t = 1; t < 5; ++t) EXPECT_EQ(miditest::CheckBalancedNotes(f.tracks[t]), "") << t;
}

TEST(MidiExport, DialogRowsListEachInstrumentUseOnce) {
    auto m = NewModule();
    std::strcpy(m->instruments[4].name, "Lead");
    Note(*m, 0, 0, 1, 60, 4);
    Note(*m, 0, 5, 2, 61, 4);
    Note(*m, 0, 9, 3, 252, 4);   // white noise
    Note(*m, 0, 10, 3, 248, 9);  // periodic noise
    Note(*m, 0, 11, 0, 246, 7);  // "Nul" is no tone use
    Note(*m, 0, 12, 0, 130, 8);  // neither is an unplayable value
    Note(*m, 0, 63, 0, 50, 12);
    m->SetPatternLength(0, 63);   // line 63 lies beyond the length now
    m->MakePattern(5);            // a used pattern outside the song still counts
    Note(*m, 5, 0, 0, 50, 3);
    Note(*m, 9, 0, 0, 50, 11);    // a slot that is not used does not
    const auto rows = ListMidiInstrumentUses(*m);
    ASSERT_EQ(rows.size(), 4u);
    EXPECT_EQ(rows[0].entry, 3);
    EXPECT_EQ(rows[1].entry, 4);
    EXPECT_EQ(rows[1].label, " 4 " + std::string(28, ' ') + "Lead");
    EXPECT_EQ(rows[2].entry, 16 + 9);
    EXPECT_EQ(rows[2].use, MidiUse::PeriodicNoise);
    EXPECT_EQ(rows[2].label, " 9 PE" + std::string(32, ' '));
    EXPECT_EQ(rows[3].entry, 32 + 4);
    EXPECT_EQ(rows[3].instrument, 4);
    EXPECT_EQ(rows[3].label, " 4 WN" + std::string(28, ' ') + "Lead");
}

TEST(MidiExport, DialogDecidesWhetherAndWithWhichProgramsTheFileIsWritten) {
    auto m = NewModule();
    Note(*m, 0, 0, 0, 60, 3);
    const std::string path = TempPath("dialog.mid");
    std::filesystem::remove(path);
    EXPECT_FALSE(ExportMIDI(*m, path, [](const std::vector<MidiInstrumentUse>&, MidiProgramTable&) { return false; }));
    EXPECT_FALSE(std::filesystem::exists(path));

    size_t rowsSeen = 0;
    EXPECT_TRUE(ExportMIDI(*m, path, [&](const std::vector<MidiInstrumentUse>& rows, MidiProgramTable& t) {
        rowsSeen = rows.size();
        EXPECT_EQ(t.program[3], 80);
        EXPECT_EQ(t.program[19], 81);
        EXPECT_EQ(t.program[35], 117);
        t.program[rows[0].entry] = 19;
        return true;
    }));
    EXPECT_EQ(rowsSeen, 1u);
    MidiProgramTable programs;
    programs.program[3] = 19;
    EXPECT_EQ(ReadFile(path), BuildMIDI(*m, programs));
}

TEST(MidiExport, UncreatableFileThrowsAnEmptyMessage) {
    auto m = NewModule();
    try {
        ExportMIDI(*m, TempPath("no-such-dir/x.mid"));
        FAIL() << "no exception";
    } catch (const Exception& e) {
        EXPECT_STREQ(e.Message(), "");
    }
}

TEST(MidiExport, ReaderAcceptsEveryRandomSongWithBalancedNotes) {
    for (unsigned seed = 0; seed < 40; ++seed) {
        SCOPED_TRACE(seed);
        auto m = RandomModule(seed * 7919u + 1);
        m->title = "Song " + std::to_string(seed);
        m->notes = std::string(200, 'n');  // a text longer than one length byte holds
        const auto f = ReadBack(BuildMIDI(*m, MidiProgramTable()));
        ASSERT_EQ(f.format, 1);
        ASSERT_EQ(f.division, 64);
        ASSERT_EQ(f.tracks.size(), 5u);
        for (int t = 1; t < 5; ++t) {
            EXPECT_EQ(miditest::CheckBalancedNotes(f.tracks[t]), "") << t;
            EXPECT_EQ(f.tracks[t].endTick, f.tracks[1].endTick);
            EXPECT_EQ(f.tracks[t].endTick % 8, 0u);
        }
    }
}
