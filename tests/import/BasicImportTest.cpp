// BASIC import: PLAY music strings, SOUND and BEEP on the frame time line; statements
// found only at a statement start; what real programs hold that is stepped over; string
// variables, three voices and volumes.
#include <gtest/gtest.h>

#include <memory>

#include "ImportTestUtil.h"
#include "app/Exceptions.h"

using namespace importtest;

namespace {

std::unique_ptr<Module> Import(const std::string& program, uint8_t chip = 0, uint8_t divider = 0,
                               std::initializer_list<uint8_t> instruments = {}) {
    auto mHolder = std::make_unique<Module>();
    Module& m = *mHolder;
    const bool made = ImportBasic(m, reinterpret_cast<const uint8_t*>(program.data()),
                                  program.size(), [&](BasicOptions& o) {
                                      o.chip = Chip(chip, divider);
                                      int i = 0;
                                      for (uint8_t n : instruments) o.instruments[i++] = n;
                                      return true;
                                  });
    EXPECT_TRUE(made);
    return mHolder;
}

// The lines of channel `c` that hold a cell, as (line, note) pairs.
std::vector<std::pair<long, int>> Cells(const Module& m, int c = 0) {
    std::vector<std::pair<long, int>> cells;
    for (long i = 0; i < SongLines(m); ++i)
        if (SongLine(m, i).note[c] != kNoteEmpty) cells.emplace_back(i, SongLine(m, i).note[c]);
    return cells;
}

// Cell k of channel c; a missing cell is a failure, not a read past the end.
std::pair<long, int> CellAt(const Module& m, size_t k, int c = 0) {
    const std::vector<std::pair<long, int>> cells = Cells(m, c);
    if (k >= cells.size()) {
        ADD_FAILURE() << "only " << cells.size() << " cells, wanted cell " << k;
        return {-1, -1};
    }
    return cells[k];
}

int Note(int semitone, int octave) { return semitone + (octave + 3) * 12; }

using Cells_t = std::vector<std::pair<long, int>>;

}  // namespace

TEST(BasicImport, NotesAndRestsLandOnTheirFrames) {
    auto mHolder = Import("10 PLAY \"CD\"\r\n");
    Module& m = *mHolder;
    // C sounds 0.4375 s (26.25 frames); its rest begins in line 26, so "Nul" goes into 27.
    const Cells_t expected = {{0, Note(0, 4)}, {27, kNoteNul}, {30, Note(2, 4)}, {57, kNoteNul}};
    EXPECT_EQ(Cells(m), expected);
    EXPECT_EQ(SongLine(m, 0).volume[0], 15);
    EXPECT_EQ(SongLine(m, 27).volume[0], 0);
    EXPECT_EQ(m.patterns[0].lines[0].globalCmd[0], kGlobalSP);
    EXPECT_EQ(m.patterns[0].lines[0].globalParam[0], 8);
    EXPECT_EQ(SongLines(m), 61);
}

TEST(BasicImport, OctaveCommandsStopAtTheirEnds) {
    EXPECT_EQ(CellAt(*Import("PLAY \"O6>C\""), 0).second, Note(0, 6));
    EXPECT_EQ(CellAt(*Import("PLAY \"O9C\""), 0).second, Note(0, 6));
    EXPECT_EQ(CellAt(*Import("PLAY \"O0<C\""), 0).second, Note(0, 0));
    EXPECT_EQ(CellAt(*Import("PLAY \"O2>>C<C\""), 0).second, Note(0, 4));
    EXPECT_EQ(CellAt(*Import("PLAY \"O2>>C<C\""), 2).second, Note(0, 3));
    EXPECT_EQ(CellAt(*Import("PLAY \"C#\""), 0).second, Note(1, 4));
    EXPECT_EQ(CellAt(*Import("PLAY \"a+\""), 0).second, Note(10, 4));
    EXPECT_EQ(CellAt(*Import("PLAY \"B-\""), 0).second, Note(10, 4));
    EXPECT_EQ(CellAt(*Import("PLAY \"N84\""), 0).second, 120);
    EXPECT_EQ(CellAt(*Import("PLAY \"N99\""), 0).second, 120);
    EXPECT_EQ(CellAt(*Import("PLAY \"C\"", 0, 1), 0).second, Note(0, 4) + 12);
}

TEST(BasicImport, KeywordsCountOnlyAtAStatementStart) {
    EXPECT_EQ(Cells(*Import("10 PRINT \"HI\": PLAY \"C\"\n")).size(), 2u);
    EXPECT_EQ(Cells(*Import("10 X = 1 PLAY \"C\"\n")).size(), 1u);  // only the start cell
    EXPECT_EQ(Cells(*Import("10 IF X THEN PLAY \"C\"\n")).size(), 1u);
    EXPECT_EQ(Cells(*Import("10 play \"c\"\n20 Play \"d\"\n")).size(), 4u);
}

TEST(BasicImport, ShortNoteInsideALineWritesNoCell) {
    // Legato C at T255 L64 fills 0.0147 s of line 0; SOUND's 0.00055 s fits in the rest of
    // it; BEEP starts there too but runs on, so its cell goes into line 1.
    auto mHolder = Import("PLAY \"T255L64MLC\"\nSOUND 440, 0.01\nBEEP\n");
    Module& m = *mHolder;
    // 1000 Hz: 48 + 12 log2(1000 / 130.83133) = 83.2, note 83 (period 113); 3579545 / 32 /
    // 1000 = 111.9, detune -1.
    const Cells_t expected = {{0, Note(0, 4)}, {1, 83}};
    EXPECT_EQ(Cells(m), expected);
    EXPECT_EQ(SongLine(m, 1).detune[0], -1);
    EXPECT_EQ(SongLines(m), 16);  // 0.0153 + 0.25 s end inside line 15
}

TEST(BasicImport, SoundClampsFrequencyAndDuration) {
    auto mHolder = Import("SOUND 20, 1000\nBEEP\n");
    Module& m = *mHolder;
    // 37 Hz: 48 + 12 log2(37 / 130.83133) = 26.1, note 26 (period 3047); 3579545 / 32 / 37 =
    // 3023.3, detune -24.
    EXPECT_EQ(CellAt(m, 0).second, 26);
    EXPECT_EQ(SongLine(m, 0).detune[0], -24);
    EXPECT_EQ(CellAt(m, 1).first, 33);  // 10 / 18.2 s = 32.97 frames
    auto palHolder = Import("SOUND 440, 9\nBEEP\n", 1);
    Module& pal = *palHolder;
    EXPECT_EQ(CellAt(pal, 0).second, 69);       // A, whatever the clock
    EXPECT_EQ(SongLine(pal, 0).detune[0], -2);  // 3546893 / 32 / 440 = 251.9 against 254
    EXPECT_EQ(CellAt(pal, 1).first, 25);        // 24.7 frames at PAL
}

TEST(BasicImport, LengthsTempoDotsAndPauses) {
    // L8 at T120: 0.25 s a note, 15 frames.
    EXPECT_EQ(CellAt(*Import("PLAY \"L8CD\""), 2).first, 15);
    EXPECT_EQ(CellAt(*Import("PLAY \"C8D\""), 2).first, 15);  // a length for one note only
    EXPECT_EQ(CellAt(*Import("PLAY \"C8D8E\""), 4).first, 30);
    EXPECT_EQ(CellAt(*Import("PLAY \"T240CD\""), 2).first, 15);
    EXPECT_EQ(CellAt(*Import("PLAY \"C.D\""), 2).first, 45);   // dotted: 1.5 x 0.5 s
    EXPECT_EQ(CellAt(*Import("PLAY \"C..D\""), 2).first, 68);  // each dot half as much again: 67.5
    EXPECT_EQ(CellAt(*Import("PLAY \"P4D\""), 0).first, 0);    // the start cell
    EXPECT_EQ(CellAt(*Import("PLAY \"P4D\""), 1).first, 30);
    // A length of 0 after a note is held to 1 like "L": a whole note of 2 s.
    EXPECT_EQ(CellAt(*Import("PLAY \"C0D\""), 2).first, 120);
    EXPECT_EQ(CellAt(*Import("PLAY \"L0CD\""), 2).first, 120);
    EXPECT_EQ(CellAt(*Import("PLAY \"L99CD\""), 1).first, 2);  // L64: D starts inside line 1
    // N0 rests for the note length.
    EXPECT_EQ(Cells(*Import("PLAY \"N0D\"")).size(), 3u);
    EXPECT_EQ(CellAt(*Import("PLAY \"N0D\""), 1).first, 30);
}

TEST(BasicImport, ModesChooseInstrumentsAndSoundingParts) {
    auto mHolder =
        Import("PLAY \"MSC MLD MNE P4\"\nSOUND 300, 2\nBEEP\n", 0, 0, {1, 2, 3, 4, 5, 6});
    Module& m = *mHolder;
    const Cells_t cells = Cells(m);
    // Staccato sounds 0.375 s (22.5 frames); legato has no rest.
    const Cells_t expected = {{0, Note(0, 4)},  {23, kNoteNul}, {30, Note(2, 4)},
                              {60, Note(4, 4)}, {87, kNoteNul}, {90, kNoteNul},
                              {120, 62},        {127, 83}};  // SOUND 300, BEEP 1000
    ASSERT_EQ(cells, expected);
    const int instruments[] = {2, 6, 3, 1, 6, 6, 4, 5};
    for (size_t i = 0; i < cells.size(); ++i)
        EXPECT_EQ(SongLine(m, cells[i].first).instrument[0], instruments[i]) << i;
    EXPECT_EQ(m.patterns[0].lines[0].instrument[0], 2);
}

TEST(BasicImport, StatementsItCannotReadAreSkipped) {
    const char* program =
        "10 REM don't \"quote 1st: PLAY \"C\"\r\n"
        "20 PLAY ON: PLAY OFF: PLAY: PLAY 10\r\n"
        "30 SOUND F, 2: SOUND 440, 2 * X: SOUND 440 + 1, 2\r\n"
        "40 X# = 1.5E+10: Y! = 2!: Z% = 3%: PRINT 1#; 2!\r\n"
        "50 PRINT \"open string\r\n"
        "60 PLAY \"V8 X5 Z9 C\" ' comment with \"quote\r\n"
        "70 SOUND 440!, 2#\r\n"
        "80 PLAY \"1 2 C\", \r\n"
        "90 DATA 1st, 2nd: PLAY \"X\" + VARPTR$(A$)\r\n";
    auto mHolder = Import(program);
    Module& m = *mHolder;
    const Cells_t cells = Cells(m);
    // Only lines 60, 70 and 80 play; the first note takes the place of the start cell.
    const Cells_t expected = {{0, Note(0, 4)},
                              {27, kNoteNul},
                              {30, 69},  // SOUND 440: A
                              {37, Note(0, 4)},
                              {63, kNoteNul}};
    EXPECT_EQ(cells, expected);
    EXPECT_EQ(SongLine(m, 0).volume[0], 8);
    EXPECT_EQ(SongLine(m, 30).volume[0], 15);
}

TEST(BasicImport, MalformedModeIsAParseException) {
    auto targetHolder = std::make_unique<Module>();
    Module& target = *targetHolder;
    target.title = "keep";
    const std::string program = "PLAY \"C\"\nPLAY \"MX\"\n";
    try {
        ImportBasic(target, reinterpret_cast<const uint8_t*>(program.data()), program.size(),
                    BasicOkay(0));
        ADD_FAILURE();
    } catch (const ParseException& e) {
        EXPECT_STREQ(e.Message(), "");
    }
    EXPECT_EQ(target.title, "keep");
    EXPECT_FALSE(ImportBasic(target, reinterpret_cast<const uint8_t*>(program.data()),
                             program.size(), [](BasicOptions&) { return false; }));
    // "M" before something that is no letter is nothing at all.
    EXPECT_EQ(Cells(*Import("PLAY \"M1C\"")).size(), 2u);
}

TEST(BasicImport, StringVariablesAndConcatenation) {
    auto mHolder =
        Import("10 H$ = \"E\"\n20 LET G$ = \"CD\" + h$\n30 PLAY G$ + \"F\"\n40 PLAY UNKNOWN$\n");
    Module& m = *mHolder;
    std::vector<int> notes;
    for (const auto& c : Cells(m))
        if (c.second != kNoteNul) notes.push_back(c.second);
    EXPECT_EQ(notes, (std::vector<int>{Note(0, 4), Note(2, 4), Note(4, 4), Note(5, 4)}));
}

TEST(BasicImport, ThreeVoicesPlayOnTheirOwnChannelsAndTimeLines) {
    auto mHolder = Import("PLAY \"C\"\nPLAY \"L8CC\", \"O3E\", \"G2\"\nPLAY \"D\"\n");
    Module& m = *mHolder;
    // The voices start together after the first note (line 30).
    EXPECT_EQ(CellAt(m, 2, 0), (std::pair<long, int>{30, Note(0, 4)}));
    EXPECT_EQ(CellAt(m, 4, 0), (std::pair<long, int>{45, Note(0, 4)}));
    EXPECT_EQ(CellAt(m, 0, 1), (std::pair<long, int>{30, Note(4, 3)}));
    EXPECT_EQ(CellAt(m, 0, 2), (std::pair<long, int>{30, Note(7, 4)}));
    // Channel 0 goes on from its own time line.
    EXPECT_EQ(CellAt(m, 6, 0), (std::pair<long, int>{60, Note(2, 4)}));
    // The half note of voice 3 runs longest: 60 frames from line 30.
    EXPECT_EQ(SongLines(m), 91);
}

TEST(BasicImport, LongProgramsStopWritingAfterTheLastPattern) {
    std::string program;
    for (int i = 0; i < 200; ++i) program += "PLAY \"L1 T32 CDEFGAB\"\n";  // 7.5 s a note
    auto mHolder = Import(program);
    Module& m = *mHolder;
    EXPECT_EQ(m.songLength, 256);
    EXPECT_EQ(SongLines(m), 65536);
}
