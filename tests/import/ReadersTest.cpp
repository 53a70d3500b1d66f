// The pieces under every importer: the frequency and period to note rules, and the
// keyword table.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "import/NoteSearch.h"
#include "import/StringInfoTable.h"
#include "module/Module.h"

TEST(NoteSearch, FrequencyToNoteAndDetune) {
    // Note 48 is 130.83133 Hz; at NTSC 1x its period is the table's, so no detune.
    NoteAndDetune c = FrequencyToNote(130.83133, 0, 0);
    EXPECT_EQ(c.note, 48);
    EXPECT_EQ(c.detune, 0);
    EXPECT_EQ(FrequencyToNote(261.66266, 0, 0).note, 60);
    EXPECT_EQ(FrequencyToNote(130.83133, 0, 1).note, 60);  // 2x: one octave up
    EXPECT_EQ(FrequencyToNote(440.0, 0, 0).note, 69);
    // Half a semitone rounds up; just below rounds down.
    EXPECT_EQ(FrequencyToNote(130.83133 * std::pow(2.0, 0.51 / 12), 0, 0).note, 49);
    EXPECT_EQ(FrequencyToNote(130.83133 * std::pow(2.0, 0.49 / 12), 0, 0).note, 48);
    // Detune is the period difference at the chip's clock, rounded, within -99..99: at PAL
    // 3546893 / 32 / 130.83133 = 847.2 against note 48's 855; 0.45 of a semitone above it at
    // NTSC, 3579545 / 32 / 134.2766 = 833.1.
    const NoteAndDetune pal = FrequencyToNote(130.83133, 1, 0);
    EXPECT_EQ(pal.note, 48);
    EXPECT_EQ(pal.detune, -8);
    const NoteAndDetune sharp = FrequencyToNote(130.83133 * std::pow(2.0, 0.45 / 12), 0, 0);
    EXPECT_EQ(sharp.note, 48);
    EXPECT_EQ(sharp.detune, -22);
    EXPECT_EQ(FrequencyToNote(37.0, 0, 0).detune, -24);   // 3023.3 against note 26's 3047
    EXPECT_EQ(FrequencyToNote(1000.0, 0, 0).detune, -1);  // 111.9 against note 83's 113
    EXPECT_EQ(FrequencyToNote(1.0, 0, 0).note, 0);
    EXPECT_EQ(FrequencyToNote(1.0, 0, 0).detune, 99);
    EXPECT_EQ(FrequencyToNote(1e9, 0, 0).note, 155);
    EXPECT_EQ(FrequencyToNote(0.0, 0, 0).note, 0);
    EXPECT_EQ(FrequencyToNote(-5.0, 0, 0).note, 0);
    EXPECT_EQ(FrequencyToNote(std::numeric_limits<double>::infinity(), 0, 0).note, 155);
    EXPECT_EQ(FrequencyToNote(std::nan(""), 0, 0).note, 0);
}

TEST(StringInfoTable, NamesGiveNumbersAndMakeTokenizerSymbols) {
    StringInfoTable table;
    table.Add("PLAY", 0);
    table.Add("SOUND", 1);
    table.Add("BEEP", 2);
    table.Add("SOUND", 5);
    EXPECT_EQ(table.Size(), 3u);
    int32_t n = -1;
    EXPECT_TRUE(table.Find("SOUND", n));
    EXPECT_EQ(n, 5);
    EXPECT_FALSE(table.Find("sound", n));
    EXPECT_TRUE(table.Find("sound", n, true));
    EXPECT_FALSE(table.Find("SOUNDS", n, true));

    const char text[] = "play x beep";
    Tokenizer tokenizer;
    tokenizer.AttachBuffer(text, sizeof text - 1);
    tokenizer.SetSymbols(table.Symbols(), true);
    Token token;
    tokenizer.GetNextToken(token);
    EXPECT_EQ(token.type, kTokenSymbol);
    EXPECT_EQ(token.number, 0);
    tokenizer.GetNextToken(token);
    EXPECT_EQ(token.type, kTokenName);
    tokenizer.GetNextToken(token);
    EXPECT_EQ(token.type, kTokenSymbol);
    EXPECT_EQ(token.number, 2);
}
