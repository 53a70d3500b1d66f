// MIDI notes into the pattern: chords into neighbouring channels on one line, the entry
// slots of narrow frames, the right edge, test mode, the 2x divider and live recording.
#include <gtest/gtest.h>

#include <memory>

#include "editor/InstrumentEdit.h"
#include "editor/MidiNotes.h"
#include "sound/Player.h"

namespace {

// The pattern view's fields and the two operations note entry uses.
struct FakeView {
    int anchorColumn = 0, anchorLine = 0, cursorColumn = 0, cursorLine = 0;
    int currentPattern = 0, currentInstrument = 3, volume = 12, step = 1, playLine = 0;
    bool testMode = false, following = false;
    int length = 64;
    uint32_t invalidated = 0;
    void MoveCursor(int extend, int dx, int dy) {
        cursorColumn = std::clamp(cursorColumn + dx, 0, 13);
        cursorLine = std::clamp(cursorLine + dy, 0, length - 1);
        if (!extend) {
            anchorColumn = cursorColumn;
            anchorLine = cursorLine;
        }
    }
    void Invalidate(uint32_t flags) { invalidated |= flags; }
    void Frame(int column0, int column1, int line) {
        anchorColumn = column0;
        cursorColumn = column1;
        anchorLine = cursorLine = line;
    }
};

class FakePort : public MidiInputPort {
public:
    bool Create() override { return false; }
    unsigned PortCount() override { return 0; }
    bool PortName(unsigned, std::string&) override { return false; }
    bool Start(unsigned, MessageCallback, void*) override { return false; }
    void Close() override {}
};

struct Rig {
    std::unique_ptr<Module> module = std::make_unique<Module>();
    Player player;
    std::recursive_mutex lock;
    MidiInput midi{std::make_unique<FakePort>()};
    std::vector<std::pair<int, int>> undoLines;
    int undoEnds = 0;
    std::unique_ptr<MidiNoteEntry> entry;
    FakeView view;
    Rig() {
        module->Clear(0, 0);
        player.Bind(*module);
        MidiEntryUndo undo;
        undo.beginLine = [this](int p, int l) { undoLines.push_back({p, l}); };
        undo.end = [this] { ++undoEnds; };
        entry = std::make_unique<MidiNoteEntry>(midi, *module, player, lock, undo);
    }
    void Key(uint8_t note, bool down) {
        const uint8_t message[3] = {0x90, note, static_cast<uint8_t>(down ? 100 : 0)};
        midi.OnShortMessage(message, 3);
        entry->DrainInto(view);
    }
    const PatternLine& Line(int l) const { return module->patterns[0].lines[l]; }
};

}  // namespace

TEST(MidiNotes, AChordLandsOnOneLineAndTheCursorMovesOnceAfterRelease) {
    Rig rig;
    rig.view.Frame(0, 8, 4);  // channels 0..2
    rig.view.step = 2;
    rig.Key(60, true);
    rig.Key(64, true);
    rig.Key(67, true);
    EXPECT_EQ(rig.Line(4).note[0], 60);
    EXPECT_EQ(rig.Line(4).note[1], 64);
    EXPECT_EQ(rig.Line(4).note[2], 67);
    EXPECT_EQ(rig.Line(4).instrument[1], 3);
    EXPECT_EQ(rig.Line(4).volume[2], 12);
    EXPECT_EQ(rig.Line(4).detune[0], 0);
    EXPECT_EQ(rig.Line(5).note[1], 255);
    EXPECT_EQ(rig.view.cursorLine, 4) << "no move while keys of the chord are down";
    EXPECT_EQ(rig.undoLines, (std::vector<std::pair<int, int>>{{0, 4}, {0, 4}, {0, 4}}));
    EXPECT_EQ(rig.undoEnds, 3);
    rig.Key(64, false);
    rig.Key(60, false);
    EXPECT_EQ(rig.view.cursorLine, 4);
    rig.Key(67, false);
    EXPECT_EQ(rig.view.cursorLine, 6);
    EXPECT_EQ(rig.view.anchorLine, 6) << "the frame collapses onto the new line";
    EXPECT_EQ(rig.view.anchorColumn, 0);
    EXPECT_EQ(rig.view.cursorColumn, 8) << "columns are kept";
    EXPECT_EQ(rig.view.invalidated, 131u);
    // Test notes sounded on the three channels while the song was stopped, for a second.
    EXPECT_EQ(rig.player.testNoteActive[0], 1);
    EXPECT_EQ(rig.player.channels[2].framesLeft, 60u);
}

TEST(MidiNotes, AOneColumnFrameTakesOnlyTheFirstKeyUntilItIsReleased) {
    Rig rig;
    rig.view.Frame(3, 3, 0);  // channel 1, one column
    rig.Key(60, true);
    rig.Key(62, true);  // no free slot: ignored
    EXPECT_EQ(rig.Line(0).note[1], 60);
    EXPECT_EQ(rig.Line(0).note[2], 255);
    rig.Key(60, false);
    EXPECT_EQ(rig.view.cursorLine, 1);
    rig.Key(62, false);  // its release moves nothing
    EXPECT_EQ(rig.view.cursorLine, 1);
    rig.Key(65, true);
    EXPECT_EQ(rig.Line(1).note[1], 65);
}

TEST(MidiNotes, KeysBeyondTheLastChannelAreIgnoredBeforeTheySound) {
    Rig rig;
    rig.view.Frame(9, 11, 2);  // the noise channel's columns: one channel only
    rig.Key(60, true);
    rig.Key(62, true);
    EXPECT_EQ(rig.Line(2).note[3], 60);
    for (int c = 0; c < 3; ++c) EXPECT_EQ(rig.player.testNoteActive[c], 0) << c;
    EXPECT_EQ(rig.midi.noteSlots[1], MidiInput::kFreeSlot);
    EXPECT_EQ(rig.undoLines.size(), 1u);
    // Frames starting in the global columns take no notes at all.
    rig.view.Frame(12, 13, 5);
    rig.Key(70, true);
    EXPECT_EQ(rig.Line(5).note[0], 255);
}

TEST(MidiNotes, TestModeSoundsAndLeavesThePatternAlone) {
    Rig rig;
    rig.view.testMode = true;
    rig.view.Frame(0, 5, 0);
    rig.Key(60, true);
    rig.Key(72, true);
    EXPECT_EQ(rig.player.testNoteActive[0], 1);
    EXPECT_EQ(rig.player.testNoteActive[1], 1);
    EXPECT_EQ(rig.player.channels[1].note, 72);
    EXPECT_EQ(rig.Line(0).note[0], 255);
    EXPECT_EQ(rig.Line(0).note[1], 255);
    rig.Key(60, false);
    rig.Key(72, false);
    EXPECT_EQ(rig.view.cursorLine, 0);
    EXPECT_TRUE(rig.undoLines.empty());
}

TEST(MidiNotes, WithEditOffKeysSoundAndWriteNothingEvenWhileFollowing) {
    Rig rig;
    rig.entry->writeProtected = true;
    rig.view.Frame(0, 0, 0);
    rig.Key(62, true);
    EXPECT_EQ(rig.player.testNoteActive[0], 1);
    EXPECT_EQ(rig.Line(0).note[0], 255);
    rig.Key(62, false);
    rig.view.following = true;
    rig.view.playLine = 9;
    rig.Key(64, true);
    EXPECT_EQ(rig.Line(9).note[0], 255);
    EXPECT_EQ(rig.player.channels[0].note, 64) << "it sounds although the song plays";
    EXPECT_TRUE(rig.undoLines.empty());
    EXPECT_EQ(rig.view.cursorLine, 0);
}

TEST(MidiNotes, TheTwoTimesDividerEntersOneOctaveUpAndPalSoundsFiftyFrames) {
    Rig rig;
    rig.module->frequencyDivider = 1;
    rig.module->chipType = 1;
    rig.Key(60, true);
    EXPECT_EQ(rig.Line(0).note[0], 72);
    EXPECT_EQ(rig.player.channels[0].framesLeft, 50u);
}

TEST(MidiNotes, WhileFollowingNotesGoOntoThePlayedLineWithoutSoundOrMove) {
    Rig rig;
    rig.view.following = true;
    rig.view.playLine = 17;
    rig.view.Frame(3, 3, 2);
    rig.Key(55, true);
    EXPECT_EQ(rig.Line(17).note[1], 55);
    EXPECT_EQ(rig.Line(2).note[1], 255);
    EXPECT_EQ(rig.player.testNoteActive[1], 0) << "the song plays it";
    rig.Key(55, false);
    EXPECT_EQ(rig.view.cursorLine, 2);
    EXPECT_EQ(rig.undoLines, (std::vector<std::pair<int, int>>{{0, 17}}));
}

TEST(MidiNotes, DrainForgetsTheSlots) {
    Rig rig;
    rig.view.Frame(0, 0, 0);
    rig.Key(60, true);
    rig.midi.Drain();
    rig.entry->Reset();
    rig.Key(61, true);  // the slot is free again
    EXPECT_EQ(rig.Line(1).note[0], 255);
    EXPECT_EQ(rig.Line(0).note[0], 61);
}

TEST(InstrumentEditorMidi, KeysStartAndStopTheirOwnVoices) {
    Rig rig;
    InstrumentEditor editor;
    editor.Begin(*rig.module, 0);
    TestVoices voices(rig.player, rig.lock);
    EXPECT_EQ(editor.OnMidiEvent({kMidiNoteOn, 60, 100}, voices, 0), 60);
    EXPECT_EQ(editor.OnMidiEvent({kMidiNoteOn, 64, 100}, voices, 1), 76);
    EXPECT_EQ(editor.OnMidiEvent({kMidiNoteOn, 64, 100}, voices, 1), -1) << "already sounding";
    EXPECT_EQ(rig.player.channels[0].note, 60);
    EXPECT_EQ(rig.player.channels[1].note, 76);
    EXPECT_EQ(editor.OnMidiEvent({kMidiNoteOff, 60, 0}, voices, 0), -1);
    EXPECT_EQ(rig.player.testNoteActive[0], 0);
    EXPECT_EQ(rig.player.testNoteActive[1], 1);
    editor.type = 1;
    EXPECT_EQ(editor.OnMidiEvent({kMidiNoteOn, 61, 100}, voices, 0), 247 + 61 % 8);
    EXPECT_EQ(rig.player.channels[3].note, 247 + 61 % 8);
    EXPECT_EQ(editor.TestNote(0), 60);
    editor.octave = 8;
    EXPECT_EQ(editor.TestNote(0), 120);
    editor.octave = 11;
    EXPECT_EQ(editor.TestNote(0), 255);
}

TEST(InstrumentEditorKeyboard, TestNotesLightTheKeyThatPlaysThem) {
    InstrumentEditor editor;
    editor.octave = 3;  // the gadget starts at C of octave 3, note 60
    EXPECT_EQ(editor.KeyboardKey(60), 0);
    EXPECT_EQ(editor.KeyboardKey(84), 24);
    EXPECT_EQ(editor.KeyboardKey(59), -1);
    EXPECT_EQ(editor.KeyboardKey(85), -1);
    for (int k = 0; k < 25; ++k) EXPECT_EQ(editor.KeyboardKey(editor.TestNote(k)), k);
    // On "Noise" the first eight keys stand for the periodic and white noise values.
    editor.type = 1;
    EXPECT_EQ(editor.KeyboardKey(kNotePeriodicHigh), 0);
    EXPECT_EQ(editor.KeyboardKey(kNotePeriodicHigh + 7), 7);
    EXPECT_EQ(editor.KeyboardKey(kNotePeriodicHigh - 1), -1);
    EXPECT_EQ(editor.KeyboardKey(60), -1);
}
