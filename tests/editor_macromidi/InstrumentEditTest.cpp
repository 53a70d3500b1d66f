// The instrument editor without a window: clipboard text and its refusals, clamping of
// pasted data, reset, field texts, the graph's data and the four test voices.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>

#include "editor/Base64.h"
#include "editor/InstrumentEdit.h"
#include "sound/Player.h"

namespace {

Instrument Sample() {
    Instrument i;
    std::memset(&i, 0, sizeof i);
    std::strcpy(i.name, "Lead with a very long name 12345");  // 32 characters
    i.startVolume = 0xE7;
    const uint8_t delays[4] = {3, 0, 255, 1};
    std::memcpy(i.delay, delays, 4);
    for (int p = 0; p < 5; ++p) {
        i.vibSpeed[p] = static_cast<uint8_t>(p % 4);
        i.vibStrength[p] = static_cast<uint8_t>(15 - p);
        i.volumeAdd[p] = static_cast<uint8_t>(0xF0 + p);
    }
    return i;
}

std::string BlockText(const std::vector<uint8_t>& block) {
    return std::string(kInstrumentClipboardFormat) + "\n" +
           EncodeBase64(block.data(), block.size());
}

std::vector<uint8_t> Block(uint16_t version, uint16_t system, const Instrument& i) {
    std::vector<uint8_t> b(4 + sizeof i);
    b[0] = static_cast<uint8_t>(version);
    b[1] = static_cast<uint8_t>(version >> 8);
    b[2] = static_cast<uint8_t>(system);
    b[3] = static_cast<uint8_t>(system >> 8);
    std::memcpy(b.data() + 4, &i, sizeof i);
    return b;
}

struct Rig {
    std::unique_ptr<Module> module = std::make_unique<Module>();
    Player player;
    std::recursive_mutex lock;
    Rig() {
        module->Clear(0, 0);
        player.Bind(*module);
    }
};

}  // namespace

TEST(InstrumentClipboard, CopyThenPasteOntoAnotherKeepsAll53Bytes) {
    auto module = std::make_unique<Module>();
    module->Clear(0, 0);
    module->instruments[2] = Sample();
    InstrumentEditor editor;
    editor.Begin(*module, 2);
    const std::string text = editor.CopyText();
    EXPECT_EQ(text.rfind("Tonweave-Instrument-Data-1\n", 0), 0u);
    editor.current = 9;
    EXPECT_EQ(editor.Paste(text), nullptr);
    EXPECT_EQ(std::memcmp(&editor.working[9], &module->instruments[2], sizeof(Instrument)), 0);
    EXPECT_TRUE(editor.Changed(*module));
    // Windows line ends from another program are fine.
    std::string crlf = text;
    crlf.insert(std::strlen(kInstrumentClipboardFormat), "\r");
    editor.current = 10;
    EXPECT_EQ(editor.Paste(crlf), nullptr);
    EXPECT_EQ(std::memcmp(&editor.working[10], &module->instruments[2], sizeof(Instrument)), 0);
}

TEST(InstrumentClipboard, TheThreeRefusalsLeaveTheInstrumentAlone) {
    const Instrument i = Sample();
    InstrumentEditor editor;
    auto module = std::make_unique<Module>();
    module->Clear(0, 0);
    editor.Begin(*module, 0);
    EXPECT_STREQ(editor.Paste(BlockText(Block(0, 1, i))), kInstrumentPasteSystem);
    EXPECT_STREQ(kInstrumentPasteSystem,
                 "Can't paste because the System-clipboard's instrument data belongs to a "
                 "different system.");
    EXPECT_STREQ(editor.Paste(BlockText(Block(1, 0, i))), kInstrumentPasteVersion);
    EXPECT_STREQ(editor.Paste(BlockText(Block(256, 1, i))), kInstrumentPasteVersion)
        << "the version is checked first";
    EXPECT_STREQ(editor.Paste(""), kInstrumentPasteNoData);
    EXPECT_STREQ(kInstrumentPasteNoData,
                 "The System-clipboard does not contain Tonweave instrument data.");
    EXPECT_FALSE(editor.Changed(*module));
}

TEST(InstrumentClipboard, OnlyExactlyFourPlus53BytesUnderTheFormatLineArePasted) {
    const Instrument i = Sample();
    Instrument out;
    auto block = Block(0, 0, i);
    EXPECT_EQ(ParseInstrumentClipboard(BlockText(block), out), nullptr);
    auto shorter = block;
    shorter.pop_back();
    EXPECT_STREQ(ParseInstrumentClipboard(BlockText(shorter), out), kInstrumentPasteNoData);
    auto longer = block;
    longer.push_back(0);
    EXPECT_STREQ(ParseInstrumentClipboard(BlockText(longer), out), kInstrumentPasteNoData);
    const std::string payload = EncodeBase64(block.data(), block.size());
    for (const std::string& text :
         {std::string("Tonweave-Instrument-Data-2\n") + payload,
          std::string("Tonweave-Pattern-Data-1\n") + payload,
          std::string("Tonweave-Instrument-Data-1") + payload,
          std::string(" Tonweave-Instrument-Data-1\n") + payload,
          std::string("Tonweave-Instrument-Data-1\n") + payload + "!",
          std::string("Tonweave-Instrument-Data-1\n"), std::string("hello")})
        EXPECT_STREQ(ParseInstrumentClipboard(text, out), kInstrumentPasteNoData) << text;
}

TEST(InstrumentClipboard, PastedFieldsAreClampedAndTheNameTerminated) {
    Instrument wild;
    std::memset(&wild, 'A', sizeof wild);  // no terminator anywhere
    for (int p = 0; p < 5; ++p) {
        wild.vibSpeed[p] = static_cast<uint8_t>(4 + p * 50);
        wild.vibStrength[p] = static_cast<uint8_t>(16 + p * 50);
    }
    wild.vibSpeed[0] = 3;
    wild.vibStrength[0] = 15;
    Instrument out;
    ASSERT_EQ(ParseInstrumentClipboard(BlockText(Block(0, 0, wild)), out), nullptr);
    EXPECT_EQ(out.name[32], 0);
    EXPECT_EQ(std::strlen(out.name), 32u);
    EXPECT_EQ(out.startVolume, 'A');
    for (int p = 0; p < 5; ++p) {
        EXPECT_EQ(out.vibSpeed[p], 3) << p;
        EXPECT_EQ(out.vibStrength[p], 15) << p;
        EXPECT_EQ(out.volumeAdd[p], 'A');
    }
    // A short name keeps nothing behind its terminator.
    Instrument shortName = Sample();
    std::memset(shortName.name, 'Z', sizeof shortName.name);
    shortName.name[3] = 0;
    ASSERT_EQ(ParseInstrumentClipboard(BlockText(Block(0, 0, shortName)), out), nullptr);
    for (int k = 3; k < 33; ++k) EXPECT_EQ(out.name[k], 0) << k;
    // The pasted instrument can play: its vibrato stays inside the table.
    Rig rig;
    EXPECT_GE(rig.player.StartTestNote(0, -1, out, 15, 60, 0, 0), 0);
    for (int f = 0; f < 300; ++f) rig.player.PlayFrame();
}

TEST(InstrumentEditor, ResetGivesTheResetValues) {
    auto module = std::make_unique<Module>();
    module->Clear(0, 0);
    module->instruments[4] = Sample();
    InstrumentEditor editor;
    editor.Begin(*module, 4);
    editor.Reset();
    const Instrument& i = editor.working[4];
    EXPECT_EQ(i.name[0], 0);
    EXPECT_EQ(i.startVolume, 255);
    EXPECT_EQ(FormatStartVolume(i.startVolume), "15.15");
    for (uint8_t d : i.delay) EXPECT_EQ(d, 8);
    for (int p = 0; p < 5; ++p) {
        EXPECT_EQ(i.volumeAdd[p], 0);
        EXPECT_EQ(i.vibSpeed[p], 0);
        EXPECT_EQ(i.vibStrength[p], 0);
    }
    EXPECT_EQ(std::memcmp(&i, &module->instruments[0], sizeof i), 0) << "same as a new module's";
    const Instrument original = Sample();
    EXPECT_EQ(std::memcmp(&module->instruments[4], &original, sizeof original), 0)
        << "the module keeps its instrument until \"Okay\"";
}

TEST(InstrumentEditor, OkayCopiesAllSixteenAndCancelLeavesTheModule) {
    Rig rig;
    InstrumentEditor editor;
    editor.Begin(*rig.module, 20);
    EXPECT_EQ(editor.current, 15);
    editor.working[0] = Sample();
    editor.working[15].delay[2] = 77;
    EXPECT_TRUE(editor.Changed(*rig.module));
    EXPECT_NE(rig.module->instruments[15].delay[2], 77);  // nothing until "Okay"
    editor.ApplyTo(*rig.module, rig.lock);
    EXPECT_EQ(rig.module->instruments[15].delay[2], 77);
    EXPECT_EQ(std::memcmp(&rig.module->instruments[0], &editor.working[0], sizeof(Instrument)), 0);
    EXPECT_FALSE(editor.Changed(*rig.module));
}

TEST(InstrumentEditor, FieldTexts) {
    EXPECT_EQ(FormatStartVolume(0x1A), " 1.10");
    EXPECT_EQ(FormatStartVolume(0), " 0. 0");
    EXPECT_EQ(FormatVolumeAdd(0x12), " 1. 2");
    EXPECT_EQ(FormatVolumeAdd(0xFF), "- 0. 1");
    EXPECT_EQ(FormatVolumeAdd(0xF0), "- 1. 0");
    EXPECT_EQ(FormatVolumeAdd(0x80), "- 8. 0");
    EXPECT_EQ(FormatVolumeAdd(0x7F), " 7.15");
    Instrument i = Sample();
    std::strcpy(i.name, "Bass");
    EXPECT_EQ(FormatInstrumentRow(i), std::string(20, ' ') + "Bass");
    InstrumentEditor editor;
    EXPECT_STREQ(editor.TypeName(), "Tone");
    editor.type = 1;
    EXPECT_STREQ(editor.TypeName(), "Noise");
}

TEST(InstrumentEditor, TypedLevelsReadBackEveryShownTextClampAndRefuseTheRest) {
    // Every value the fields show reads back as itself.
    for (int v = 0; v < 256; ++v) {
        uint8_t back = 0;
        ASSERT_TRUE(ParseStartVolume(FormatStartVolume(uint8_t(v)), back)) << v;
        EXPECT_EQ(back, v);
        ASSERT_TRUE(ParseVolumeAdd(FormatVolumeAdd(uint8_t(v)), back)) << v;
        EXPECT_EQ(back, v);
    }
    struct Case {
        const char* text;
        bool ok;
        uint8_t value;
    };
    // Out of range is clamped as a number field clamps; sixteenths carry into the level.
    const Case starts[] = {{"15.15", true, 255}, {"3", true, 0x30},   {" 2 . 9 ", true, 0x29},
                           {"16.0", true, 255},  {"1.16", true, 0x20}, {"-1.0", true, 0},
                           {"99.99", true, 255}, {"999.999", true, 255},
                           {"", false, 0},       {"1.", false, 0},    {"1.2.3", false, 0},
                           {"x", false, 0},      {"0001", false, 0},  {"1 2", false, 0},
                           {"--1", false, 0},    {"-", false, 0}};
    for (const Case& c : starts) {
        uint8_t v = 77;
        EXPECT_EQ(ParseStartVolume(c.text, v), c.ok) << c.text;
        EXPECT_EQ(v, c.ok ? c.value : 77) << c.text;
    }
    const Case adds[] = {{"-8.0", true, 0x80},  {"- 0. 1", true, 0xFF}, {"7.15", true, 0x7F},
                         {"8.0", true, 0x7F},   {"-8.1", true, 0x80},   {"-50.0", true, 0x80},
                         {"-5.0", true, 0xB0},  {"--1", false, 0},      {"-", false, 0},
                         {"0", true, 0},        {"1.x", false, 0}};
    for (const Case& c : adds) {
        uint8_t v = 77;
        EXPECT_EQ(ParseVolumeAdd(c.text, v), c.ok) << c.text;
        EXPECT_EQ(v, c.ok ? c.value : 77) << c.text;
    }
}

TEST(InstrumentGraph, ScaleMarkersAndColoursOfEveryPhase) {
    Instrument i;
    ResetInstrumentRecord(i);
    const uint8_t delays[4] = {10, 0, 5, 20};  // the second phase lasts 256 frames
    std::memcpy(i.delay, delays, 4);
    i.startVolume = 0x80;
    for (int p = 0; p < 5; ++p) {
        i.vibSpeed[p] = 1;
        i.vibStrength[p] = 15;
    }
    const InstrumentGraph small = ComputeInstrumentGraph(i, 1280, 64);
    EXPECT_EQ(small.pixelsPerFrame, 2);
    EXPECT_EQ(small.lineWidth, 1);
    EXPECT_EQ(small.markers, (std::vector<int>{20, 532, 542, 582}));
    EXPECT_EQ(small.background, 0xFF000000u);
    EXPECT_EQ(small.markerColour, 0xFF303070u);
    const InstrumentGraph large = ComputeInstrumentGraph(i, 1280, 65);
    EXPECT_EQ(large.pixelsPerFrame, 4);
    EXPECT_EQ(large.lineWidth, 2);
    EXPECT_EQ(large.markers, (std::vector<int>{40, 1064, 1084, 1164}));

    // Phases 0..3 are white and phase 4 (from frame 291 on) grey; the same for the bars.
    ASSERT_EQ(small.envelope.size(), 640u);
    for (const GraphSegment& s : small.envelope) {
        const bool last = s.x0 >= 291 * 2;
        EXPECT_EQ(s.colour, last ? kGraphEnvelopeLastPhase : kGraphEnvelopeColour) << s.x0;
        EXPECT_EQ(s.y0, s.y1) << "no volume add: a flat line";
    }
    ASSERT_FALSE(small.vibrato.empty());
    bool sawLast = false, sawFirst = false;
    for (const GraphBar& b : small.vibrato) {
        const bool last = b.x >= 291 * 2;
        EXPECT_EQ(b.colour, last ? kGraphVibratoLastPhase : kGraphVibratoColour);
        sawLast = sawLast || last;
        sawFirst = sawFirst || !last;
        EXPECT_GE(b.y, 0);
        EXPECT_LE(b.y + b.height, 64);
        // Bars stand on the middle line, one frame wide.
        EXPECT_TRUE(b.y + b.height == 32 || b.y == 32);
        EXPECT_EQ(b.width, 2);
    }
    EXPECT_TRUE(sawFirst && sawLast);
}

TEST(InstrumentGraph, AFallingEnvelopeWrapsFromTheBottomToTheTop) {
    Instrument i;
    ResetInstrumentRecord(i);
    i.startVolume = 0x10;
    i.volumeAdd[0] = 0xF0;  // one level down per frame
    i.delay[0] = 4;
    const InstrumentGraph g = ComputeInstrumentGraph(i, 200, 64);
    // Frames: 0x10, 0x00, 0xF0 (wrapped), 0xE0, ...
    ASSERT_GE(g.envelope.size(), 4u);
    const GraphSegment& a = g.envelope[0];
    EXPECT_EQ(a.x0, 0);
    EXPECT_EQ(a.y1, 63);  // level 0 is the bottom edge
    const GraphSegment& down = g.envelope[1];
    const GraphSegment& up = g.envelope[2];
    EXPECT_EQ(down.x0, 2);
    EXPECT_EQ(down.y0, 63);
    EXPECT_EQ(down.y1, 63) << "leaves at the bottom";
    EXPECT_EQ(up.y0, 0) << "comes back at the top";
    EXPECT_EQ(up.x1, 4);
    for (const GraphSegment& s : g.envelope) {
        EXPECT_GE(s.y0, 0);
        EXPECT_LE(s.y0, 63);
        EXPECT_GE(s.y1, 0);
        EXPECT_LE(s.y1, 63);
        EXPECT_LT(s.x1, 200);
    }
    EXPECT_EQ(g.markers, (std::vector<int>{8, 24, 40, 56}));
}

TEST(TestVoices, ThreeKeysSoundThreeVoicesAndAFourthStaysSilent) {
    Rig rig;
    const Instrument& instrument = rig.module->instruments[0];
    TestVoices voices(rig.player, rig.lock);
    EXPECT_EQ(voices.Start(16, 0, instrument, 60), 0);
    EXPECT_EQ(voices.Start(17, 0, instrument, 62), 1);
    EXPECT_EQ(voices.Start(16, 0, instrument, 60), -1) << "a repeating key";
    EXPECT_EQ(voices.Start(TestVoices::kMidiSource + 64, 0, instrument, 64), 2);
    EXPECT_EQ(voices.Sounding(), 3);
    EXPECT_EQ(voices.Start(18, 0, instrument, 65), -1) << "no tone channel left";
    EXPECT_EQ(voices.Start(19, 1, instrument, 251), 3) << "the noise channel";
    EXPECT_EQ(voices.Sounding(), 4);
    EXPECT_EQ(voices.Start(20, 1, instrument, 252), -1) << "four voices at most";
    // A release stops exactly its voice.
    voices.Stop(17);
    EXPECT_EQ(rig.player.testNoteActive[1], 0);
    EXPECT_EQ(rig.player.testNoteActive[0], 1);
    EXPECT_EQ(rig.player.testNoteActive[2], 1);
    EXPECT_EQ(voices.Start(18, 0, instrument, 65), 1);
    EXPECT_EQ(voices.Start(21, 0, instrument, 20), -1) << "not playable";
    voices.StopAll();
    for (int c = 0; c < 4; ++c) EXPECT_EQ(rig.player.testNoteActive[c], 0);
    EXPECT_EQ(voices.Sounding(), 0);
}

TEST(TestVoices, TheMouseFollowsTheKeyboardGadgetAndLeavingStopsAll) {
    Rig rig;
    const Instrument& instrument = rig.module->instruments[0];
    {
        TestVoices voices(rig.player, rig.lock);
        voices.MoveMouse(0, instrument, 60);
        voices.MoveMouse(0, instrument, 60);
        EXPECT_EQ(voices.Sounding(), 1);
        EXPECT_EQ(rig.player.channels[0].note, 60);
        voices.MoveMouse(0, instrument, 61);
        EXPECT_EQ(voices.Sounding(), 1);
        EXPECT_EQ(rig.player.channels[0].note, 61);
        voices.Start(30, 0, instrument, 70);
        EXPECT_EQ(rig.player.channels[1].volume, 15);
    }
    for (int c = 0; c < 4; ++c) EXPECT_EQ(rig.player.testNoteActive[c], 0);
}
