// Cut, copy and paste through the five clipboards: column pairing, paste rules, messages,
// undo, the desktop text format byte for byte, and pasted data that cannot be trusted.
#include <array>

#include "EditorTestSupport.h"
#include "editor/Base64.h"
#include "editor/Clipboard.h"

namespace {

constexpr const char* kTypesDiffer = "Can't paste because the column types do not match.";
constexpr const char* kSystemEmpty = "The System-clipboard doesn't contain Tonweave pattern data.";

// A desktop clipboard that holds text in the test, and may refuse it.
struct FakeDesktop {
    std::string text;
    bool refuse = false;
    int sets = 0;
    static bool Set(void* context, const std::string& t) {
        auto* d = static_cast<FakeDesktop*>(context);
        ++d->sets;
        if (d->refuse) return false;
        d->text = t;
        return true;
    }
    static std::string Get(void* context) { return static_cast<FakeDesktop*>(context)->text; }
};

struct ClipRig : EditorRig {
    std::unique_ptr<Clipboards> clips = std::make_unique<Clipboards>();
    FakeDesktop desktop;

    ClipRig() {
        view->hooks.clipboardCommand = Clipboards::Hook;
        view->hooks.clipboardContext = clips.get();
        clips->desktop = {FakeDesktop::Set, FakeDesktop::Get, &desktop};
    }
    void Use(int slot) { clips->current = slot; }
    void Copy() { Run(kCmdCopy); }
    void Cut() { Run(kCmdCut); }
    void Paste() { Run(kCmdPaste); }
    std::string LastMessage() const { return messages.empty() ? "" : messages.back(); }
};

// A block of `height` x `width` cells as the desktop format holds it, every cell an empty
// one of column type `type`.
std::vector<uint8_t> Block(int height, int width, uint8_t type) {
    std::vector<uint8_t> b(kClipBlockBytes, 0);
    b[2] = uint8_t(height);
    b[3] = uint8_t(height >> 8);
    b[4] = uint8_t(width);
    for (int i = 0; i < 256 * 14; ++i) {
        b[8 + 6 * i] = 1;
        b[8 + 6 * i + 1] = type;
    }
    return b;
}

std::string Text(const std::vector<uint8_t>& block) {
    return std::string(kClipTextHeader) + "\n" + EncodeBase64(block.data(), block.size());
}

uint8_t* CellBytes(std::vector<uint8_t>& block, int line, int column) {
    return &block[8 + 6 * (14 * line + column)];
}

}  // namespace

TEST(Clipboard, InstrumentColumnTravelsWithItsNoteUnlessSeparate) {
    ClipRig rig;
    rig.Use(1);
    rig.Note(0, 1, 60, 3, 9);
    rig.Cursor(4, 0);  // channel 1's instrument/volume column
    rig.Copy();
    EXPECT_EQ(rig.clips->slots[1].width, 2u);
    EXPECT_EQ(rig.clips->slots[1].cells[0][0].type, kColNote);
    EXPECT_EQ(rig.clips->slots[1].cells[0][1].type, kColInstVol);
    // Pasted on channel 2's instrument/volume column, it lands on channel 2's note column.
    rig.Cursor(7, 5);
    rig.Paste();
    EXPECT_EQ(rig.Line(5).note[2], 60);
    EXPECT_EQ(rig.Line(5).instrument[2], 3);
    EXPECT_EQ(rig.Line(5).volume[2], 9);
    rig.Cursor(9, 6);  // and on a note column as it is
    rig.Paste();
    EXPECT_EQ(rig.Line(6).note[3], 60);

    rig.clips->instVolSeparately = true;
    rig.Cursor(4, 0);
    rig.Copy();
    EXPECT_EQ(rig.clips->slots[1].width, 1u);
    EXPECT_EQ(rig.clips->slots[1].cells[0][0].type, kColInstVol);
    EXPECT_EQ(rig.clips->slots[1].cells[0][0].data[0], 3);
    rig.Cursor(0, 8);
    rig.Paste();
    EXPECT_EQ(rig.LastMessage(), kTypesDiffer);
    // A selection ending on a note column takes its instrument column only when paired.
    rig.clips->instVolSeparately = false;
    rig.Select(2, 0, 3, 0);
    rig.Copy();
    EXPECT_EQ(rig.clips->slots[1].width, 3u);
}

TEST(Clipboard, BlocksThatDoNotFitTheColumnsAreRefused) {
    ClipRig rig;
    rig.Use(2);
    rig.Line(1).globalCmd[0] = kGlobalSP;
    rig.Line(1).globalParam[0] = 24;
    rig.Select(12, 0, 13, 3);
    rig.Copy();
    const PatternLine before = rig.Line(1);
    const std::vector<uint8_t> saved = SavedBytes(*rig.module);
    for (int column : {0, 1, 2, 9, 11, 13}) {
        SCOPED_TRACE(column);
        rig.messages.clear();
        rig.Cursor(column, 0);
        rig.Paste();
        EXPECT_EQ(rig.LastMessage(), kTypesDiffer);
    }
    // A block of channel columns does not fit the global columns either.
    rig.Select(0, 0, 2, 0);
    rig.Copy();
    rig.Cursor(12, 0);
    rig.Paste();
    EXPECT_EQ(rig.LastMessage(), kTypesDiffer);
    EXPECT_EQ(SavedBytes(*rig.module), saved);
    EXPECT_FALSE(rig.undo->CanUndo());
    EXPECT_EQ(std::memcmp(&rig.Line(1), &before, sizeof before), 0);
    // Whereas it fits exactly on the global columns.
    rig.Select(12, 1, 13, 1);
    rig.Copy();
    rig.Cursor(12, 7);
    rig.Paste();
    EXPECT_EQ(rig.Line(7).globalCmd[0], kGlobalSP);
    EXPECT_EQ(rig.Line(7).globalParam[0], 24);
}

TEST(Clipboard, EmptyCellsClearOnlyWithPasteDelete) {
    ClipRig rig;
    rig.Use(1);
    // Line 0 is all empty; copy the whole line.
    rig.Select(0, 0, 13, 0);
    rig.Copy();
    auto fill = [&] {
        rig.Note(2, 0, 50);
        rig.Line(2).effect[1] = kEffectVO;
        rig.Line(2).effectParam[1] = 5;
        rig.Line(2).globalCmd[1] = kGlobalST;
    };
    fill();
    rig.clips->pasteDeleteNotes = false;
    rig.Cursor(0, 2);
    rig.Paste();
    EXPECT_EQ(rig.Line(2).note[0], 50);
    EXPECT_EQ(rig.Line(2).effect[1], kEffectVO);
    EXPECT_EQ(rig.Line(2).globalCmd[1], kGlobalST);
    rig.clips->pasteDeleteNotes = true;
    rig.Paste();
    EXPECT_EQ(rig.Line(2).note[0], kNoteEmpty);
    EXPECT_EQ(rig.Line(2).effect[1], kEffectNone);
    EXPECT_EQ(rig.Line(2).globalCmd[1], kGlobalNone);
    // The bytes a clear leaves alone stay.
    EXPECT_EQ(rig.Line(2).effectParam[1], 5);
}

TEST(Clipboard, PasteNeverLengthensThePattern) {
    ClipRig rig;
    rig.Use(1);
    for (int l = 0; l < 64; ++l) rig.Note(l, 0, uint8_t(45 + l % 60));
    rig.Select(0, 0, 1, 63);
    rig.Copy();
    EXPECT_EQ(rig.clips->slots[1].height, 64u);
    rig.Cursor(3, 40);
    rig.Paste();
    EXPECT_EQ(rig.module->patterns[0].length, 64);
    for (int l = 40; l < 64; ++l) EXPECT_EQ(rig.Line(l).note[1], 45 + (l - 40) % 60) << l;
    for (int l = 0; l < 40; ++l) EXPECT_EQ(rig.Line(l).note[1], kNoteEmpty) << l;
    // Nothing was written past the end, where a later lengthening would show it.
    EXPECT_EQ(rig.module->patterns[0].lines[64].note[1], kNoteEmpty);
}

TEST(Clipboard, EachSlotKeepsItsOwnBlock) {
    ClipRig rig;
    rig.Note(0, 0, 60);
    rig.Use(2);
    rig.Copy();
    rig.Use(3);
    rig.Cursor(0, 4);
    rig.Paste();
    EXPECT_EQ(rig.LastMessage(), "The User-clipboard is empty.");
    EXPECT_EQ(rig.Line(4).note[0], kNoteEmpty);
    EXPECT_FALSE(rig.undo->CanUndo());
    rig.Use(2);
    rig.Paste();
    EXPECT_EQ(rig.Line(4).note[0], 60);
}

TEST(Clipboard, CutAndPasteAreOneUndoStepEachAndCopyIsNone) {
    ClipRig rig;
    rig.Use(1);
    rig.Note(3, 0, 60);
    rig.Note(4, 0, 62);
    rig.Select(0, 3, 1, 4);
    rig.Copy();
    EXPECT_FALSE(rig.undo->CanUndo());
    rig.Cut();
    EXPECT_EQ(rig.Line(3).note[0], kNoteEmpty);
    EXPECT_EQ(rig.Line(4).note[0], kNoteEmpty);
    EXPECT_EQ(rig.undo->UndoableSteps(), 1u);
    EXPECT_EQ(rig.undo->steps[0].kind, kUndoPattern);
    rig.Select(6, 10, 6, 10);
    rig.Paste();
    EXPECT_EQ(rig.Line(10).note[2], 60);
    EXPECT_EQ(rig.Line(11).note[2], 62);
    EXPECT_EQ(rig.undo->UndoableSteps(), 2u);
    EXPECT_EQ(rig.undo->steps[1].kind, kUndoPattern);
    // Undo takes the paste back and puts the frame where it was before the paste.
    rig.Select(0, 0, 0, 0);
    ASSERT_TRUE(rig.view->Undo());
    EXPECT_EQ(rig.Line(10).note[2], kNoteEmpty);
    EXPECT_EQ(rig.view->cursorColumn, 6);
    EXPECT_EQ(rig.view->cursorLine, 10);
    ASSERT_TRUE(rig.view->Undo());
    EXPECT_EQ(rig.Line(3).note[0], 60);
    EXPECT_EQ(rig.Line(4).note[0], 62);
    EXPECT_EQ(rig.view->anchorLine, 3);
    EXPECT_EQ(rig.view->cursorLine, 4);
    ASSERT_TRUE(rig.view->Redo());
    ASSERT_TRUE(rig.view->Redo());
    EXPECT_EQ(rig.Line(3).note[0], kNoteEmpty);
    EXPECT_EQ(rig.Line(11).note[2], 62);
}

TEST(Clipboard, FailedCutChangesNothingAndLeavesNoStepOpen) {
    ClipRig rig;
    rig.Use(0);
    rig.desktop.refuse = true;
    rig.Note(0, 0, 60);
    rig.Cursor(0, 0);
    rig.Cut();
    EXPECT_EQ(rig.LastMessage(), "Cut has failed.");
    EXPECT_EQ(rig.Line(0).note[0], 60);
    EXPECT_EQ(rig.undo->open, 0);
    EXPECT_FALSE(rig.undo->CanUndo());
    rig.Copy();
    EXPECT_EQ(rig.LastMessage(), "Copy has failed.");
    // The next edit is a step of its own that undoes alone.
    rig.desktop.refuse = false;
    rig.Cut();
    EXPECT_EQ(rig.Line(0).note[0], kNoteEmpty);
    EXPECT_EQ(rig.undo->UndoableSteps(), 1u);
    rig.view->Undo();
    EXPECT_EQ(rig.Line(0).note[0], 60);
    EXPECT_FALSE(rig.undo->CanUndo());
}

TEST(Clipboard, SystemSlotWritesTheDesktopTextByteForByte) {
    ClipRig rig;
    rig.Use(0);
    rig.Note(0, 1, 60, 3, 9);
    rig.Line(0).detune[1] = -5;
    rig.Line(1).effect[1] = kEffectPV;
    rig.Line(1).effectParam[1] = 0x42;
    rig.Select(3, 0, 5, 1);
    rig.Copy();
    ASSERT_EQ(rig.desktop.sets, 1);
    const std::string& text = rig.desktop.text;
    ASSERT_EQ(text.rfind("Tonweave-Pattern-Data-1\n", 0), 0u);
    std::vector<uint8_t> block;
    ASSERT_TRUE(DecodeBase64(text.substr(24), block));
    ASSERT_EQ(block.size(), 8u + 21504u);
    const std::array<uint8_t, 8> header = {0, 0, 2, 0, 3, 0, 0, 0};
    EXPECT_TRUE(std::equal(header.begin(), header.end(), block.begin()));
    const std::array<uint8_t, 18> line0 = {0, 0, 60, 0xFB, 3, 9, 0, 1, 3,
                                           9, 0, 0,  1,    2, 0, 0, 0, 0};
    EXPECT_TRUE(std::equal(line0.begin(), line0.end(), block.begin() + 8));
    const std::array<uint8_t, 18> line1 = {1, 0, 0, 0, 0, 0, 1, 1, 0, 0, 0, 0, 0, 2, 1, 0x42, 0, 0};
    EXPECT_TRUE(std::equal(line1.begin(), line1.end(), block.begin() + 8 + 84));
    // Everything outside the block is zero.
    EXPECT_TRUE(std::all_of(block.begin() + 8 + 18, block.begin() + 8 + 84,
                            [](uint8_t b) { return b == 0; }));
    EXPECT_TRUE(
        std::all_of(block.begin() + 8 + 84 + 18, block.end(), [](uint8_t b) { return b == 0; }));
    // The same text pasted by a second tracker gives the same cells.
    ClipRig other;
    other.Use(0);
    other.desktop.text = text;
    other.Cursor(6, 20);
    other.Paste();
    EXPECT_EQ(other.Line(20).note[2], 60);
    EXPECT_EQ(other.Line(20).detune[2], -5);
    EXPECT_EQ(other.Line(21).effect[2], kEffectPV);
    EXPECT_EQ(other.Line(21).effectParam[2], 0x42);
}

TEST(Clipboard, DesktopTextThatIsNotAPatternBlockIsNoData) {
    ClipRig rig;
    rig.Use(0);
    rig.Note(5, 0, 60);
    std::vector<uint8_t> good = Block(2, 1, kColNote);
    struct Case {
        const char* what;
        std::string text;
        const char* message;
    };
    auto sized = [&](size_t n) {
        std::vector<uint8_t> b = good;
        b.resize(n, 0);
        return Text(b);
    };
    auto withHeader = [&](int height, int width, int version) {
        std::vector<uint8_t> b = Block(height, width, kColNote);
        b[0] = uint8_t(version);
        return Text(b);
    };
    const char* version =
        "Can't paste because the System-clipboard's pattern data version is not compatible "
        "with this version of Tonweave.";
    const Case cases[] = {
        {"other program's text", "Hello from another program", kSystemEmpty},
        {"empty text", "", kSystemEmpty},
        {"header without a line break", kClipTextHeader, kSystemEmpty},
        {"other header", "Tonweave-Pattern-Data-2\n" + Text(good).substr(24), kSystemEmpty},
        {"header not first", " " + Text(good), kSystemEmpty},
        {"bad base64", std::string(kClipTextHeader) + "\n!!!!", kSystemEmpty},
        {"block one byte short", sized(kClipBlockBytes - 1), kSystemEmpty},
        {"block one byte long", sized(kClipBlockBytes + 1), kSystemEmpty},
        {"header only", sized(8), kSystemEmpty},
        {"height 0", withHeader(0, 1, 0), kSystemEmpty},
        {"height 257", withHeader(257, 1, 0), kSystemEmpty},
        {"width 0", withHeader(1, 0, 0), kSystemEmpty},
        {"width 15", withHeader(1, 15, 0), kSystemEmpty},
        {"version 1", withHeader(1, 1, 1), version},
        {"huge text", std::string(kClipTextHeader) + "\n" + std::string(100000, 'A'), kSystemEmpty},
    };
    const std::vector<uint8_t> saved = SavedBytes(*rig.module);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        rig.messages.clear();
        rig.desktop.text = c.text;
        rig.Cursor(0, 5);
        rig.Paste();
        EXPECT_EQ(rig.LastMessage(), c.message);
        EXPECT_EQ(SavedBytes(*rig.module), saved);
        EXPECT_FALSE(rig.undo->CanUndo());
    }
    // Line breaks of CR LF and a block broken into lines are still ours.
    std::string broken = std::string(kClipTextHeader) + "\r\n";
    const std::string body = EncodeBase64(good.data(), good.size());
    for (size_t i = 0; i < body.size(); i += 76) broken += body.substr(i, 76) + "\r\n";
    rig.messages.clear();
    rig.desktop.text = broken;
    rig.Paste();
    EXPECT_TRUE(rig.messages.empty());
    EXPECT_EQ(rig.Line(5).note[0], kNoteEmpty);  // an empty cell, pasted with "Paste: Delete"
}

TEST(Clipboard, PastedValuesAreMadeSafe) {
    ClipRig rig;
    rig.Use(0);
    std::vector<uint8_t> b = Block(3, 14, 0);
    for (int k = 0; k < 14; ++k) CellBytes(b, 0, k)[1] = kColumnTypes[k];
    for (int l = 1; l < 3; ++l)
        for (int k = 0; k < 14; ++k) CellBytes(b, l, k)[1] = kColumnTypes[k];
    auto set = [&](int line, int column, std::array<uint8_t, 4> data) {
        uint8_t* c = CellBytes(b, line, column);
        c[0] = 0;
        std::copy(data.begin(), data.end(), c + 2);
    };
    set(0, 0, {60, 120, 0x3F, 0xF7});  // detune 120, instrument 63, volume 247
    set(0, 4, {0x1E, 0xA5, 0, 0});     // channel 1 instrument/volume alone
    set(0, 2, {7, 9, 0, 0});           // effect 7 does not exist
    set(0, 5, {2, 9, 0, 0});           // VO 9
    set(0, 12, {9, 1, 0, 0});          // global command 9 does not exist
    set(0, 13, {4, 170, 0, 0});        // PV 170
    set(1, 0, {61, 0x88, 1, 2});       // detune -120
    CellBytes(b, 2, 0)[1] = 3;         // a line whose cell has another column's type
    CellBytes(b, 2, 0)[0] = 0;
    CellBytes(b, 2, 0)[2] = kGlobalSP;
    rig.Note(0, 1, 50, 2, 2);
    rig.Line(0).effect[0] = kEffectPV;
    rig.Line(0).effectParam[0] = 3;
    rig.Line(0).globalCmd[0] = kGlobalSP;
    rig.Line(0).globalParam[0] = 16;
    rig.Note(2, 0, 70);
    rig.desktop.text = Text(b);
    rig.clips->pasteDeleteNotes = false;
    rig.Cursor(0, 0);
    rig.Paste();
    EXPECT_TRUE(rig.messages.empty());
    const PatternLine& l0 = rig.Line(0);
    EXPECT_EQ(l0.note[0], 60);
    EXPECT_EQ(l0.detune[0], 99);
    EXPECT_EQ(l0.instrument[0], 15);
    EXPECT_EQ(l0.volume[0], 7);
    EXPECT_EQ(l0.note[1], 50);
    EXPECT_EQ(l0.instrument[1], 0xE);
    EXPECT_EQ(l0.volume[1], 5);
    EXPECT_EQ(l0.effect[0], kEffectPV);  // dropped: the cell stays as it was
    EXPECT_EQ(l0.effectParam[0], 3);
    EXPECT_EQ(l0.effect[1], kEffectVO);
    EXPECT_EQ(l0.globalCmd[0], kGlobalSP);
    EXPECT_EQ(l0.globalParam[0], 16);
    EXPECT_EQ(l0.globalCmd[1], kGlobalPV);
    EXPECT_EQ(rig.Line(1).detune[0], -99);
    EXPECT_EQ(rig.Line(2).note[0], 70);  // wrong type: not written
}
