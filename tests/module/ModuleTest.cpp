// The module's operations, its kind and display tables, and the display text of cells.
#include <gtest/gtest.h>

#include <cstring>

#include "ModuleTestSupport.h"
#include "app/Exceptions.h"
#include "module/Module.h"
#include "module/ModuleText.h"

namespace {

bool IsEmptyLine(const PatternLine& line) {
    PatternLine empty;
    std::memset(&empty, 0, sizeof empty);
    std::memset(empty.note, 255, 4);
    return std::memcmp(&line, &empty, sizeof line) == 0;
}

PatternLine FullLine() {
    PatternLine line;
    for (int c = 0; c < 4; ++c) {
        line.note[c] = static_cast<uint8_t>(40 + c);
        line.detune[c] = static_cast<int8_t>(-5 - c);
        line.instrument[c] = 7;
        line.volume[c] = 9;
        line.effect[c] = 2;
        line.effectParam[c] = 33;
    }
    line.globalCmd[0] = 1;
    line.globalCmd[1] = 4;
    line.globalParam[0] = 48;
    line.globalParam[1] = 0xAA;
    return line;
}

}  // namespace

TEST(Module, ClearLeavesOneEmptyPatternPlayedOnce) {
    auto module = NewModule();
    module->title = "x";
    module->patterns[9].used = 1;
    module->songLength = 7;
    module->instruments[3].startVolume = 1;
    module->Clear(1, 1);
    EXPECT_EQ(module->chipType, 1);
    EXPECT_EQ(module->frequencyDivider, 1);
    EXPECT_TRUE(module->title.empty());
    EXPECT_EQ(module->songLength, 1);
    EXPECT_EQ(module->orderList[0], 0);
    EXPECT_EQ(module->repeatPosition, 0);
    EXPECT_EQ(module->initialSpeed, 48);
    EXPECT_EQ(module->initialStereo, 0xFF);
    int used = 0;
    for (const Pattern& p : module->patterns) used += p.used;
    EXPECT_EQ(used, 1);
    const Pattern& p0 = module->patterns[0];
    EXPECT_EQ(p0.used, 1);
    EXPECT_EQ(p0.length, 64);
    EXPECT_EQ(p0.mainTactInterval, 16);
    EXPECT_EQ(p0.secondaryTactInterval, 8);
    for (const PatternLine& line : p0.lines) EXPECT_TRUE(IsEmptyLine(line));
    EXPECT_EQ(module->instruments[3].startVolume, 255);
}

TEST(Module, ClearPatternLinesResetsOnlyNotesEffectsAndCommands) {
    auto module = NewModule();
    PatternLine& line = module->patterns[0].lines[200];
    line = FullLine();
    module->ClearPatternLines(0);
    for (int c = 0; c < 4; ++c) {
        EXPECT_EQ(line.note[c], 255);
        EXPECT_EQ(line.effect[c], 0);
        EXPECT_EQ(line.detune[c], -5 - c);
        EXPECT_EQ(line.instrument[c], 7);
        EXPECT_EQ(line.effectParam[c], 33);
    }
    EXPECT_EQ(line.globalCmd[0], 0);
    EXPECT_EQ(line.globalCmd[1], 0);
    EXPECT_EQ(line.globalParam[1], 0xAA);
}

TEST(Module, MakePatternGivesAFreshSlot) {
    auto module = NewModule();
    Pattern& p = module->patterns[17];
    std::strcpy(p.name, "old");
    p.mainTactOn = 1;
    p.lines[3] = FullLine();
    module->MakePattern(17);
    EXPECT_EQ(p.used, 1);
    EXPECT_EQ(p.length, 64);
    EXPECT_STREQ(p.name, "");
    EXPECT_EQ(p.mainTactOn, 0);
    for (const PatternLine& line : p.lines) EXPECT_TRUE(IsEmptyLine(line));
    EXPECT_THROW(module->MakePattern(256), Exception);
}

TEST(Module, SetPatternLengthClearsOnlyLinesItAdds) {
    auto module = NewModule();
    Pattern& p = module->patterns[0];
    for (int l = 0; l < 256; ++l) p.lines[l] = FullLine();
    module->SetPatternLength(0, 10);
    EXPECT_EQ(p.length, 10);
    // Shrinking keeps the bytes beyond the end.
    EXPECT_FALSE(IsEmptyLine(p.lines[10]));
    EXPECT_FALSE(IsEmptyLine(p.lines[200]));
    module->SetPatternLength(0, 12);
    EXPECT_FALSE(IsEmptyLine(p.lines[9]));
    EXPECT_TRUE(IsEmptyLine(p.lines[10]));
    EXPECT_TRUE(IsEmptyLine(p.lines[11]));
    EXPECT_FALSE(IsEmptyLine(p.lines[12]));
    module->SetPatternLength(0, 1000);
    EXPECT_EQ(p.length, 256);
    EXPECT_TRUE(IsEmptyLine(p.lines[255]));
    module->SetPatternLength(0, 0);
    EXPECT_EQ(p.length, 1);
}

TEST(Module, ResetInstrument) {
    auto module = NewModule();
    Instrument& in = module->instruments[15];
    std::memset(&in, 0x5A, sizeof in);
    module->ResetInstrument(15);
    EXPECT_STREQ(in.name, "");
    EXPECT_EQ(in.startVolume, 255);
    for (int i = 0; i < 4; ++i) EXPECT_EQ(in.delay[i], 8);
    for (int i = 0; i < 5; ++i) {
        EXPECT_EQ(in.vibSpeed[i], 0);
        EXPECT_EQ(in.vibStrength[i], 0);
        EXPECT_EQ(in.volumeAdd[i], 0);
    }
}

TEST(Module, TactMarksWithMainWinning) {
    auto module = NewModule();
    Pattern& p = module->patterns[0];
    EXPECT_EQ(TactOfLine(p, 0), kTactNone);
    p.mainTactOn = 1;
    p.mainTactStart = 2;
    p.mainTactInterval = 4;
    p.secondaryTactOn = 1;
    p.secondaryTactStart = 0;
    p.secondaryTactInterval = 2;
    EXPECT_EQ(TactOfLine(p, 0), kTactSecondary);
    EXPECT_EQ(TactOfLine(p, 1), kTactNone);
    EXPECT_EQ(TactOfLine(p, 2), kTactMain);
    EXPECT_EQ(TactOfLine(p, 4), kTactSecondary);
    EXPECT_EQ(TactOfLine(p, 6), kTactMain);
    p.mainTactInterval = 0;  // only from a damaged file; must not divide by zero
    EXPECT_EQ(TactOfLine(p, 2), kTactMain);
    EXPECT_EQ(TactOfLine(p, 6), kTactSecondary);
}

TEST(ModuleTables, NoteKindsAndWhatTheyCarry) {
    struct Case {
        int note, kind;
        bool detune, instrument;
    } cases[] = {
        {0, kKindTone, true, true},
        {155, kKindTone, true, true},
        {156, kKindInvalid, false, false},
        {245, kKindInvalid, false, false},
        {246, kKindNul, true, true},
        {247, kKindPeriodicNoise, false, true},
        {250, kKindPeriodicNoise, false, true},
        {251, kKindWhiteNoise, false, true},
        {254, kKindWhiteNoise, false, true},
        {255, kKindEmpty, false, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.note);
        EXPECT_EQ(NoteKindOf(static_cast<uint8_t>(c.note)), c.kind);
        EXPECT_EQ(NoteCarriesDetune(static_cast<uint8_t>(c.note)), c.detune);
        EXPECT_EQ(NoteCarriesInstrument(static_cast<uint8_t>(c.note)), c.instrument);
    }
}

TEST(ModuleTables, NoteDisplay) {
    struct Case {
        int note;
        const char* text;
    } cases[] = {{0, "C ="},   {1, "C#="},   {12, "C -"},  {24, "C 0"},  {40, "E 1"},
                 {45, "A 1"},  {46, "B 1"},  {47, "H 1"},  {69, "A 3"},  {119, "H 7"},
                 {143, "H 9"}, {144, "C +"}, {155, "H +"}, {156, "???"}, {245, "???"},
                 {246, "Nul"}, {247, "PHi"}, {248, "PMd"}, {249, "PLo"}, {250, "PC2"},
                 {251, "WHi"}, {252, "WMd"}, {253, "WLo"}, {254, "WC2"}, {255, "---"}};
    for (const Case& c : cases) EXPECT_STREQ(kNoteDisplay[c.note], c.text) << c.note;
    for (int n = 0; n < 256; ++n) EXPECT_EQ(std::strlen(kNoteDisplay[n]), 3u) << n;
}

TEST(ModuleText, SpeedParameter) {
    struct Case {
        int value;
        const char* text;
    } cases[] = {{48, " 6.0"}, {255, "31.9"}, {12, " 1.5"}, {8, " 1.0"},
                 {15, " 1.9"}, {80, "10.0"},  {0, " 0.0"},  {3, " 0.3"}};
    for (const Case& c : cases) {
        char text[5];
        FormatSpeed(static_cast<uint8_t>(c.value), text);
        EXPECT_STREQ(text, c.text) << c.value;
        EXPECT_STREQ(FormatGlobal(kGlobalSP, static_cast<uint8_t>(c.value)).param, c.text);
    }
}

TEST(ModuleText, GlobalCommands) {
    struct Case {
        int command, param;
        const char* letters;
        const char* text;
    } cases[] = {{0, 77, "  ", "    "},   {2, 0xFF, "ST", "  FF"}, {3, 0x0A, "CB", "  0A"},
                 {4, 0xAA, "PV", "  AA"}, {5, 1, "??", "    "},    {15, 1, "??", "    "}};
    for (const Case& c : cases) {
        const GlobalText t =
            FormatGlobal(static_cast<uint8_t>(c.command), static_cast<uint8_t>(c.param));
        EXPECT_STREQ(t.letters, c.letters) << c.command;
        EXPECT_STREQ(t.param, c.text) << c.command;
    }
}

TEST(ModuleText, CellsShowOnlyWhatTheNoteCarries) {
    PatternLine line = FullLine();
    line.note[0] = 255;  // empty: stale detune, instrument and volume stay hidden
    line.note[1] = 246;
    line.detune[1] = 99;
    line.instrument[1] = 15;
    line.volume[1] = 0;
    line.note[2] = 200;  // invalid
    line.note[3] = 247;  // PHi: instrument and volume, no detune
    line.detune[3] = 12;
    line.instrument[3] = 3;
    line.volume[3] = 15;
    line.effect[2] = 0;
    line.effect[3] = 1;
    line.effectParam[3] = 255;

    CellText c0 = FormatCell(line, 0);
    EXPECT_STREQ(c0.note, "---");
    EXPECT_STREQ(c0.detune, "   ");
    EXPECT_STREQ(c0.instrument, "--");
    EXPECT_STREQ(c0.volume, "--");
    EXPECT_STREQ(c0.effect, "VO");
    EXPECT_STREQ(c0.param, " 33");

    CellText c1 = FormatCell(line, 1);
    EXPECT_STREQ(c1.note, "Nul");
    EXPECT_STREQ(c1.detune, "+99");
    EXPECT_STREQ(c1.instrument, "15");
    EXPECT_STREQ(c1.volume, " 0");

    CellText c2 = FormatCell(line, 2);
    EXPECT_STREQ(c2.note, "???");
    EXPECT_STREQ(c2.detune, "   ");
    EXPECT_STREQ(c2.instrument, "  ");
    EXPECT_STREQ(c2.volume, "  ");
    EXPECT_STREQ(c2.effect, "--");
    EXPECT_STREQ(c2.param, "---");

    CellText c3 = FormatCell(line, 3);
    EXPECT_STREQ(c3.note, "PHi");
    EXPECT_STREQ(c3.detune, "   ");
    EXPECT_STREQ(c3.instrument, " 3");
    EXPECT_STREQ(c3.volume, "15");
    EXPECT_STREQ(c3.effect, "PV");
    EXPECT_STREQ(c3.param, "255");
}

TEST(ModuleText, Detunes) {
    PatternLine line = FullLine();
    struct Case {
        int detune;
        const char* text;
    } cases[] = {{0, "   "},   {1, " +1"},  {-1, " -1"},   {9, " +9"},  {10, "+10"},
                 {-99, "-99"}, {99, "+99"}, {-128, "-99"}, {127, "+99"}};
    for (const Case& c : cases) {
        line.detune[0] = static_cast<int8_t>(c.detune);
        EXPECT_STREQ(FormatCell(line, 0).detune, c.text) << c.detune;
    }
}

TEST(ModuleText, WholeLineInBothTemplates) {
    PatternLine line = FullLine();
    line.note[0] = 51;  // D#2
    line.detune[0] = 64;
    line.effect[0] = 1;
    line.effectParam[0] = 7;
    line.globalCmd[0] = 1;
    line.globalParam[0] = 255;
    line.globalCmd[1] = 2;
    line.globalParam[1] = 0xFF;
    const std::string wide = FormatLineText(line, 5);
    EXPECT_EQ(wide.size(), std::strlen(kLineTemplateWide));
    EXPECT_EQ(wide.substr(0, 29), "  5||D#2+64||| 7| 9||PV|  7||");
    EXPECT_EQ(wide.substr(29, 24), "F 1 -6||| 7| 9||VO| 33||");
    EXPECT_EQ(wide.substr(101), "SP31.9||ST  FF");

    const std::string narrow = FormatLineText(line, 123, true);
    EXPECT_EQ(narrow.size(), std::strlen(kLineTemplateNarrow));
    EXPECT_EQ(narrow.substr(0, 29), "123||D#2}+64}| 7| 9|}PV}  7||");
    EXPECT_EQ(narrow.substr(101), "}SP}31.9||}ST}  FF");

    PatternLine empty;
    std::memset(&empty, 0, sizeof empty);
    std::memset(empty.note, 255, 4);
    EXPECT_EQ(FormatLineText(empty, 0).substr(0, 29), "  0||---   |||--|--||--|---||");
    EXPECT_EQ(FormatLineText(empty, 0).substr(101), "      ||      ");
}
