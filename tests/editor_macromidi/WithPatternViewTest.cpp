// Macros and MIDI note entry on the real pattern view, undo history and replayer.
#include <gtest/gtest.h>

#include "editor/Macros.h"
#include "editor/MidiNotes.h"
#include "tests/editor/EditorTestSupport.h"

namespace {

class NoPort : public MidiInputPort {
public:
    bool Create() override { return false; }
    unsigned PortCount() override { return 0; }
    bool PortName(unsigned, std::string&) override { return false; }
    bool Start(unsigned, MessageCallback, void*) override { return false; }
    void Close() override {}
};

}  // namespace

TEST(MacrosOnTheView, NoteAndTwoDownsRecordedThroughExecuteCommandFillEveryThirdLine) {
    EditorRig rig;
    auto macros = std::make_unique<Macros>();
    rig.view->hooks.recordCommand = &Macros::RecordHook;
    rig.view->hooks.recordContext = macros.get();
    std::recursive_mutex lock;
    macros->StartRecordingTemporary();
    rig.Run(kCmdEnterNote, 50, 2, 15);
    rig.Run(kCmdMove, 0, 0, 0, 1);
    rig.Run(kCmdMove, 0, 0, 0, 1);
    MacroPrompts prompts;
    macros->StopRecording(prompts);
    ASSERT_EQ(macros->temporary.commandCount, 3u);
    rig.Cursor(0, 0);
    auto execute = [&](const EditCommand& cmd) { rig.view->ExecuteCommand(cmd); };
    for (int i = 0; i < 3; ++i) macros->RunTemporary(lock, false, execute);
    EXPECT_EQ(rig.Line(0).note[0], 50);
    EXPECT_EQ(rig.Line(3).note[0], 50);
    EXPECT_EQ(rig.Line(6).note[0], 50);
    EXPECT_EQ(rig.Line(1).note[0], 255);
    EXPECT_EQ(rig.view->cursorLine, 9);
}

TEST(MidiOnTheView, AChordIsOneLineAndUndoTakesItBackNoteByNote) {
    EditorRig rig;
    Player player;
    player.Bind(*rig.module);
    std::recursive_mutex lock;
    MidiInput midi(std::make_unique<NoPort>());
    MidiNoteEntry entry(midi, *rig.module, player, lock, MidiEntryUndoFor(*rig.undo));
    rig.Select(0, 2, 8, 2);
    rig.view->currentInstrument = 4;
    rig.view->volume = 9;
    for (uint8_t note : {48, 52, 55}) {
        const uint8_t on[3] = {0x90, note, 90};
        midi.OnShortMessage(on, 3);
    }
    entry.DrainInto(*rig.view);
    EXPECT_EQ(rig.Line(2).note[0], 48);
    EXPECT_EQ(rig.Line(2).note[1], 52);
    EXPECT_EQ(rig.Line(2).note[2], 55);
    EXPECT_EQ(rig.Line(2).instrument[2], 4);
    EXPECT_EQ(rig.Line(2).volume[0], 9);
    for (uint8_t note : {48, 52, 55}) {
        const uint8_t off[3] = {0x80, note, 0};
        midi.OnShortMessage(off, 3);
    }
    entry.DrainInto(*rig.view);
    EXPECT_EQ(rig.view->cursorLine, 3);
    EXPECT_EQ(rig.view->anchorLine, 3);
    EXPECT_EQ(rig.view->cursorColumn, 8);
    EXPECT_TRUE(rig.undo->HasChanges());
    rig.view->Undo();
    EXPECT_EQ(rig.Line(2).note[2], 255);
    EXPECT_EQ(rig.Line(2).note[1], 52);
    rig.view->Undo();
    rig.view->Undo();
    EXPECT_EQ(rig.Line(2).note[0], 255);
    EXPECT_FALSE(rig.undo->CanUndo());
}
