// The pieces under every importer: the bounds-checked byte reader, the frequency and
// period to note rules, and the keyword table.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "import/ByteReader.h"
#include "import/NoteSearch.h"
#include "import/StringInfoTable.h"
#include "module/Module.h"
#include "sound/NoteTable.h"

TEST(ByteReader, ReadsBothByteOrdersAndNeverPastTheEnd) {
    const uint8_t data[] = {0x12, 0x34, 0x56, 0x78, 0x9A};
    ByteReader in(data, sizeof data);
    uint16_t u16;
    uint32_t u32;
    EXPECT_TRUE(in.ReadU16BE(u16));
    EXPECT_EQ(u16, 0x1234);
    in.Seek(0);
    EXPECT_TRUE(in.ReadU16LE(u16));
    EXPECT_EQ(u16, 0x3412);
    in.Seek(0);
    EXPECT_TRUE(in.ReadU32BE(u32));
    EXPECT_EQ(u32, 0x12345678u);
    in.Seek(1);
    EXPECT_TRUE(in.ReadU32LE(u32));
    EXPECT_EQ(u32, 0x9A785634u);
    in.Seek(2);
    EXPECT_TRUE(in.ReadU24BE(u32));
    EXPECT_EQ(u32, 0x56789Au);
    // A read that does not fit gives zero and leaves the reader at the end.
    in.Seek(3);
    EXPECT_FALSE(in.ReadU32BE(u32));
    EXPECT_EQ(u32, 0u);
    EXPECT_TRUE(in.AtEnd());
    uint8_t b = 7;
    EXPECT_FALSE(in.ReadU8(b));
    EXPECT_EQ(b, 0);
    EXPECT_FALSE(in.Seek(6));
    EXPECT_FALSE(in.Skip(1));
    uint8_t buffer[8] = {1, 1, 1, 1, 1, 1, 1, 1};
    in.Seek(3);
    EXPECT_EQ(in.ReadBytes(buffer, sizeof buffer), 2u);
    EXPECT_EQ(buffer[1], 0x9A);
    EXPECT_EQ(buffer[2], 1);  // not there: left as it was
    ByteReader empty(nullptr, 0);
    EXPECT_FALSE(empty.ReadU16LE(u16));
}

TEST(ByteReader, VariableLengthNumbers) {
    struct Case {
        std::vector<uint8_t> bytes;
        uint32_t value;
        bool complete;
    } cases[] = {
        {{0x00}, 0, true},
        {{0x7F}, 127, true},
        {{0x81, 0x00}, 128, true},
        {{0xFF, 0x7F}, 16383, true},
        {{0xFF, 0xFF, 0xFF, 0x7F}, 0x0FFFFFFF, true},
        {{0xFF, 0xFF, 0xFF, 0xFF, 0x7F}, 0x0FFFFFFF, true},  // cut after four bytes
        {{0x81}, 1, false},
    };
    for (const Case& c : cases) {
        ByteReader in(c.bytes.data(), c.bytes.size());
        uint32_t value;
        EXPECT_EQ(in.ReadVarLen(value), c.complete);
        if (c.complete) {
            EXPECT_EQ(value, c.value);
        }
    }
}

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
    // Detune is the period difference at the chip's clock, rounded, within -99..99.
    const NoteAndDetune pal = FrequencyToNote(130.83133, 1, 0);
    EXPECT_EQ(pal.note, 48);
    EXPECT_EQ(pal.detune,
              static_cast<int>(std::lround(3546893.0 / 32 / 130.83133 - gNotePeriods[48])));
    EXPECT_EQ(
        FrequencyToNote(130.83133 * std::pow(2.0, 0.45 / 12), 0, 0).detune,
        std::lround(3579545.0 / 32 / (130.83133 * std::pow(2.0, 0.45 / 12)) - gNotePeriods[48]));
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
