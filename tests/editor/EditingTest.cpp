// Editing commands on the pattern: note entry, clear, lines, transposition, detune, steps,
// the line tool, double and half, gradient, test mode and live recording.
#include "EditorTestSupport.h"
#include "editor/EditOps.h"

using namespace keys;

TEST(Editing, NoteEntryWritesAndMovesByStep) {
    EditorRig rig;
    rig.view->currentInstrument = 5;
    rig.view->volume = 11;
    rig.view->step = 2;
    rig.Cursor(3, 4);
    rig.Line(4).detune[1] = 7;
    rig.Key(kQ);  // octave 1 shown: 3 * 12 + 12
    EXPECT_EQ(rig.Line(4).note[1], 48);
    EXPECT_EQ(rig.Line(4).instrument[1], 5);
    EXPECT_EQ(rig.Line(4).volume[1], 11);
    EXPECT_EQ(rig.Line(4).detune[1], 0);
    EXPECT_EQ(rig.view->cursorLine, 6);
    EXPECT_TRUE(rig.undo->CanUndo());
}

TEST(Editing, NoiseAndNulKeys) {
    EditorRig rig;
    rig.Cursor(9, 0);
    rig.Key(kX);
    EXPECT_EQ(rig.Line(0).note[3], 252);
    rig.Key(kS, 1);
    EXPECT_EQ(rig.Line(1).note[3], kNoteNul);
    rig.Cursor(0, 0);
    rig.Key(kA);
    EXPECT_EQ(rig.Line(0).note[0], kNoteNul);
}

TEST(Editing, TestModeOnlySounds) {
    EditorRig rig;
    Player player;
    std::recursive_mutex lock;
    player.Bind(*rig.module);
    rig.view->BindPlayer(&player, &lock);
    rig.view->testMode = 1;
    rig.Cursor(3, 0);
    rig.view->octave = 4;
    rig.Key(kZ);  // note 48, playable
    EXPECT_EQ(rig.Line(0).note[1], kNoteEmpty);
    EXPECT_EQ(rig.view->cursorLine, 0);
    EXPECT_FALSE(rig.undo->CanUndo());
    EXPECT_EQ(player.testNoteActive[1], 1);
    EXPECT_EQ(player.channels[1].framesLeft, 60u);
    EXPECT_EQ(player.channels[1].note, 48);
    rig.module->chipType = 1;
    rig.Cursor(9, 0);
    rig.Key(kZ);
    EXPECT_EQ(player.testNoteActive[3], 1);
    EXPECT_EQ(player.channels[3].framesLeft, 50u);
}

TEST(Editing, LiveRecordingWritesOnThePlayedLineOnly) {
    EditorRig rig;
    Player player;
    std::recursive_mutex lock;
    player.Bind(*rig.module);
    rig.view->BindPlayer(&player, &lock);
    rig.view->following = 1;
    rig.view->playLine = 20;
    rig.view->octave = 4;
    rig.Cursor(6, 3);
    rig.Key(kZ);
    EXPECT_EQ(rig.Line(20).note[2], 48);
    EXPECT_EQ(rig.Line(3).note[2], kNoteEmpty);
    EXPECT_EQ(rig.undo->UndoableSteps(), 1u);
    EXPECT_EQ(player.testNoteActive[2], 1);
    // Other editing keys and undo do nothing while following.
    rig.Key(kDelete);
    rig.Key(kBackspace);
    rig.Key(kY, kModCtrl);
    EXPECT_EQ(rig.undo->UndoableSteps(), 1u);
    EXPECT_EQ(rig.Line(20).note[2], 48);
    EditCommand clear;
    clear.code = kCmdClear;
    EXPECT_FALSE(rig.view->ExecuteMenuCommand(clear));
}

TEST(Editing, LiveNotesAndTestNotesNeedAChannelColumn) {
    EditorRig rig;
    Player player;
    std::recursive_mutex lock;
    player.Bind(*rig.module);
    rig.view->BindPlayer(&player, &lock);
    rig.view->following = 1;
    rig.view->playLine = 2;
    rig.Select(12, 0, 13, 0);
    EXPECT_FALSE(rig.view->RecordLiveNote(48));
    EXPECT_FALSE(rig.view->SoundNote(48));
    EXPECT_FALSE(rig.undo->CanUndo());
    for (int c = 0; c < 4; ++c) EXPECT_EQ(player.testNoteActive[c], 0);
}

TEST(Editing, ClearTouchesOnlyNoteEffectAndCommand) {
    EditorRig rig;
    PatternLine& l = rig.Line(3);
    rig.Note(3, 0, 50, 4, 9);
    l.detune[0] = 5;
    l.effect[0] = 2;
    l.effectParam[0] = 7;
    l.globalCmd[1] = 1;
    l.globalParam[1] = 48;
    rig.Select(0, 3, 13, 3);
    rig.Key(kDelete);
    EXPECT_EQ(l.note[0], kNoteEmpty);
    EXPECT_EQ(l.effect[0], 0);
    EXPECT_EQ(l.globalCmd[1], 0);
    EXPECT_EQ(l.instrument[0], 4);
    EXPECT_EQ(l.detune[0], 5);
    EXPECT_EQ(l.effectParam[0], 7);
    EXPECT_EQ(l.globalParam[1], 48);
}

TEST(Editing, InsertAndDeleteLine) {
    EditorRig rig;
    for (int l = 0; l < 64; ++l) {
        rig.Note(l, 0, static_cast<uint8_t>(l));
        rig.Note(l, 1, static_cast<uint8_t>(l));
        rig.Line(l).effect[0] = 1;
    }
    rig.Cursor(0, 10);
    rig.Key(kReturn);  // whole channel 0
    EXPECT_EQ(rig.Line(10).note[0], kNoteEmpty);
    EXPECT_EQ(rig.Line(10).effect[0], 0);
    EXPECT_EQ(rig.Line(11).note[0], 10);
    EXPECT_EQ(rig.Line(63).note[0], 62);
    EXPECT_EQ(rig.Line(10).note[1], 10);
    rig.Key(kBackspace);  // removes line 9
    EXPECT_EQ(rig.view->cursorLine, 9);
    EXPECT_EQ(rig.Line(9).note[0], kNoteEmpty);
    EXPECT_EQ(rig.Line(9).note[1], 9);  // channel 1 was outside the frame
    EXPECT_EQ(rig.Line(63).note[0], kNoteEmpty);
    EXPECT_EQ(rig.Line(62).note[0], 62);
    // With Shift only the frame's logical columns move.
    rig.Cursor(2, 20);
    rig.Key(kReturn, 1);
    EXPECT_EQ(rig.Line(20).effect[0], 0);
    EXPECT_EQ(rig.Line(20).note[0], 20);
}

TEST(Editing, BackspaceOnLineZeroDoesNothing) {
    EditorRig rig;
    rig.Note(0, 0, 40);
    rig.Cursor(0, 0);
    rig.Key(kBackspace);
    EXPECT_EQ(rig.Line(0).note[0], 40);
    EXPECT_FALSE(rig.undo->CanUndo());
}

TEST(Editing, TransposeOctaveUpClampsNoiseInEitherOrder) {
    for (int order = 0; order < 2; ++order) {
        EditorRig rig;
        rig.Note(order, 0, 36);
        rig.Note(1 - order, 0, 252);
        rig.Select(0, 0, 0, 1);
        rig.Key(kF11);
        EXPECT_EQ(rig.Line(order).note[0], 48);
        EXPECT_EQ(rig.Line(1 - order).note[0], 251);
    }
    EXPECT_EQ(TransposeNote(155, 1), 155);
    EXPECT_EQ(TransposeNote(0, 255), 0);
    EXPECT_EQ(TransposeNote(250, 1), 249);
    EXPECT_EQ(TransposeNote(247, 1), 247);
    EXPECT_EQ(TransposeNote(248, 254), 250);
    EXPECT_EQ(TransposeNote(kNoteNul, 2), kNoteNul);
    EXPECT_EQ(TransposeNote(200, 2), 200);
    EXPECT_EQ(TransposeNote(kNoteEmpty, 2), kNoteEmpty);
}

TEST(Editing, DetuneLimitsAndEmptyNotes) {
    EditorRig rig;
    rig.Note(0, 0, 50);
    rig.Line(0).detune[0] = 99;
    rig.Line(1).detune[0] = 5;  // empty note
    rig.Note(2, 0, 252);
    rig.Line(2).detune[0] = 3;  // noise carries no detune
    rig.Select(0, 0, 0, 2);
    rig.Key(kKpPlus);
    EXPECT_EQ(rig.Line(0).detune[0], 99);
    EXPECT_EQ(rig.Line(1).detune[0], 5);
    EXPECT_EQ(rig.Line(2).detune[0], 3);
    rig.Key(kKpMultiply);
    EXPECT_EQ(rig.Line(0).detune[0], -99);
    rig.Key(kKpMinus);
    EXPECT_EQ(rig.Line(0).detune[0], -99);
    rig.Key(kKpDivide);
    EXPECT_EQ(rig.Line(0).detune[0], 0);
}

TEST(Editing, VolumeAndInstrumentStepsWrapMathematically) {
    EditorRig rig;
    rig.Note(0, 0, 50, 0, 0);
    rig.Cursor(1, 0);
    rig.Key(kV, 1);  // clamped
    EXPECT_EQ(rig.Line(0).volume[0], 0);
    rig.view->wrapVolume = true;
    rig.Key(kV, 1);  // wrapping: 0 - 1 is 15, not a negative remainder
    EXPECT_EQ(rig.Line(0).volume[0], 15);
    rig.Key(kV);
    EXPECT_EQ(rig.Line(0).volume[0], 0);
    rig.Key(kI, 1);
    EXPECT_EQ(rig.Line(0).instrument[0], 15);
    rig.Key(kI);
    EXPECT_EQ(rig.Line(0).instrument[0], 0);
    rig.view->wrapVolume = false;
    rig.Line(0).volume[0] = 15;
    rig.Key(kV);
    EXPECT_EQ(rig.Line(0).volume[0], 15);
}

TEST(Editing, LineToolSteps) {
    EditorRig rig;
    PatternLine& l = rig.Line(0);
    l.globalCmd[0] = kGlobalSP;
    l.globalParam[0] = 48;
    l.globalCmd[1] = kGlobalST;
    l.globalParam[1] = 0x1F;
    rig.Cursor(12, 0);
    rig.Key(kW);
    EXPECT_EQ(l.globalParam[0], 56);
    rig.Key(kQ, 1);
    EXPECT_EQ(l.globalParam[0], 8);  // clamped at 8
    rig.Cursor(13, 0);
    rig.Key(kW);
    EXPECT_EQ(l.globalParam[1], 0x2F);
    l.globalParam[1] = 0x1F;
    rig.Key(kE);
    EXPECT_EQ(l.globalParam[1], 0x10);
    // "PV" parameters clamp to 0..15, "VO" ones wrap.
    l.effect[0] = kEffectPV;
    l.effectParam[0] = 14;
    l.effect[1] = kEffectVO;
    l.effectParam[1] = 14;
    rig.Cursor(2, 0);
    rig.Key(kW);
    EXPECT_EQ(l.effectParam[0], 15);
    rig.Cursor(5, 0);
    rig.Key(kW);
    EXPECT_EQ(l.effectParam[1], 8);  // (14 + 10) mod 16
    rig.Key(kW, 1);
    rig.Key(kW, 1);
    EXPECT_EQ(l.effectParam[1], 4);  // 8 - 10 mod 16 = 14, 14 - 10 = 4
}

TEST(Editing, SetEffectAndGlobalOnlyInTheirColumns) {
    EditorRig rig;
    rig.view->volume = 9;
    rig.Cursor(5, 2);
    rig.Key(kV);
    EXPECT_EQ(rig.Line(2).effect[1], kEffectVO);
    EXPECT_EQ(rig.Line(2).effectParam[1], 9);
    rig.Cursor(13, 4);
    rig.Key(kP);
    EXPECT_EQ(rig.Line(4).globalCmd[1], kGlobalPV);
    EXPECT_EQ(rig.Line(4).globalParam[1], 170);
    const uint32_t steps = rig.undo->UndoableSteps();
    rig.Cursor(0, 0);
    rig.Run(kCmdSetGlobal, 1, 8);
    rig.Run(kCmdSetEffect, 1, 0);
    EXPECT_EQ(rig.undo->UndoableSteps(), steps);
    EXPECT_EQ(rig.Line(0).globalCmd[0], 0);
}

TEST(Editing, InterpAsWritten) {
    // Volume 15 down to 3 over five lines.
    EXPECT_EQ(Interp(1, 5, 15, 3), 12);
    EXPECT_EQ(Interp(2, 5, 15, 3), 9);
    EXPECT_EQ(Interp(3, 5, 15, 3), 6);
    // n >= d: (d + 1) / n * (i + 0.5).
    EXPECT_EQ(Interp(1, 10, 0, 4), 0 + static_cast<int>(5.0 / 10 * 1.5));
    EXPECT_EQ(Interp(5, 10, 0, 4), 2);
    EXPECT_EQ(Interp(1, 3, 8, 255), 8 + static_cast<int>(247.0 / 2 * 1 + 0.5));
}

TEST(Editing, GradientOfVolumes) {
    EditorRig rig;
    for (int l = 0; l < 5; ++l) rig.Note(l, 0, 50, 0, 1);
    rig.Line(0).volume[0] = 15;
    rig.Line(4).volume[0] = 3;
    rig.Line(2).note[0] = kNoteEmpty;
    rig.Select(1, 0, 1, 4);
    rig.Key(kG, kModCtrl);
    EXPECT_TRUE(rig.messages.empty());
    EXPECT_EQ(rig.Line(1).volume[0], 12);
    EXPECT_EQ(rig.Line(2).volume[0], 1);
    EXPECT_EQ(rig.Line(3).volume[0], 6);
}

TEST(Editing, GradientOfTonesAndNoise) {
    EditorRig rig;
    rig.Note(0, 0, 48);
    rig.Note(1, 0, 60);
    rig.Note(2, 0, 252);
    rig.Note(4, 0, 72);
    rig.Select(0, 0, 0, 4);
    rig.Key(kG, kModCtrl);
    EXPECT_EQ(rig.Line(1).note[0], 54);  // halfway between C and C: a quarter of the way
    EXPECT_LE(std::abs(rig.Line(1).detune[0]), 20);
    EXPECT_EQ(rig.Line(2).note[0], 252);  // another kind: untouched
    EXPECT_EQ(rig.Line(3).note[0], kNoteEmpty);
    rig.Note(0, 3, 254);
    rig.Note(1, 3, 251);
    rig.Note(2, 3, 251);
    rig.Note(3, 3, 247);
    rig.Note(4, 3, 251);
    rig.Select(9, 0, 9, 4);
    rig.Key(kG, kModCtrl);
    EXPECT_EQ(rig.Line(1).note[3], 253);
    EXPECT_EQ(rig.Line(2).note[3], 253);
    EXPECT_EQ(rig.Line(3).note[3], 247);
}

TEST(Editing, GradientMessages) {
    struct Case {
        uint8_t top, bottom;
        int column;
        const char* message;
    };
    const Case cases[] = {
        {50, kNoteEmpty, 0, "There must be a note at both top and bottom."},
        {50, 200, 0, "There must be a note at both top and bottom."},
        {50, 252, 0, "Can't interpolate between different tone types."},
        {kNoteNul, kNoteNul, 0, "Can't interpolate between null-notes."},
        {kNoteEmpty, 50, 1, "There must be a note at both top and bottom."},
        {200, 50, 1, "The start note has no volume."},
        {50, 200, 1, "The end note has no volume."},
    };
    for (const Case& c : cases) {
        EditorRig rig;
        rig.Note(0, 0, c.top);
        rig.Note(3, 0, c.bottom);
        rig.Select(c.column, 0, c.column, 3);
        rig.Key(kG, kModCtrl);
        ASSERT_EQ(rig.messages.size(), 1u);
        EXPECT_EQ(rig.messages[0], c.message);
        EXPECT_FALSE(rig.undo->CanUndo());
    }
    EditorRig rig;
    rig.Select(0, 0, 1, 5);
    rig.Key(kG, kModCtrl);
    rig.Select(0, 0, 0, 1);
    rig.Key(kG, kModCtrl);
    rig.Line(0).effect[0] = 1;
    rig.Select(2, 0, 2, 3);
    rig.Key(kG, kModCtrl);
    rig.Line(3).effect[0] = 1;
    rig.Line(0).globalCmd[0] = 0;
    rig.Select(12, 0, 12, 3);
    rig.Key(kG, kModCtrl);
    ASSERT_EQ(rig.messages.size(), 4u);
    EXPECT_EQ(rig.messages[0], "The selection frame mustn't include more than one column.");
    EXPECT_EQ(rig.messages[1], "The selection frame must be higher than 2 lines.");
    EXPECT_EQ(rig.messages[2],
              "The effect or command type at the top must match the one at the bottom.");
    EXPECT_EQ(rig.messages[3], "There must be an effect or command at both top and bottom.");
}

TEST(Editing, DoubleAndHalfWithResize) {
    EditorRig rig;
    for (int l = 0; l < 64; ++l) rig.Note(l, 0, static_cast<uint8_t>(l));
    rig.Select(0, 0, 0, 63);
    rig.Run(kCmdDouble, 2);
    EXPECT_EQ(rig.module->patterns[0].length, 128);
    EXPECT_EQ(rig.Line(2).note[0], 1);
    EXPECT_EQ(rig.Line(3).note[0], kNoteEmpty);
    EXPECT_EQ(rig.Line(126).note[0], 63);
    EXPECT_EQ(rig.view->GetSelection().height, 128);
    rig.Run(kCmdHalf, 2);
    EXPECT_EQ(rig.module->patterns[0].length, 64);
    for (int l = 0; l < 64; ++l) EXPECT_EQ(rig.Line(l).note[0], l);
    EXPECT_EQ(rig.view->GetSelection().height, 64);
}

TEST(Editing, DoublePlainPushesLinesOut) {
    EditorRig rig;
    for (int l = 0; l < 64; ++l) rig.Note(l, 0, static_cast<uint8_t>(l));
    rig.Select(0, 10, 0, 13);
    rig.Run(kCmdDouble, 1);
    EXPECT_EQ(rig.Line(10).note[0], 10);
    EXPECT_EQ(rig.Line(11).note[0], kNoteEmpty);
    EXPECT_EQ(rig.Line(16).note[0], 13);
    EXPECT_EQ(rig.Line(18).note[0], 14);
    EXPECT_EQ(rig.Line(63).note[0], 59);
    EXPECT_EQ(rig.module->patterns[0].length, 64);
}

TEST(Editing, DoubleOfAFullPatternStaysInsideIt) {
    EditorRig rig;
    rig.module->SetPatternLength(0, 256);
    rig.module->MakePattern(1);  // the slot right after pattern 0 in memory
    rig.view->Clamp();
    for (int l = 0; l < 256; ++l) rig.Note(l, 0, static_cast<uint8_t>(l % 100));
    const auto next = std::make_unique<Pattern>(rig.module->patterns[1]);
    rig.Select(0, 0, 0, 255);
    rig.Run(kCmdDouble, 2);
    EXPECT_EQ(rig.module->patterns[0].length, 256);
    EXPECT_EQ(rig.Line(254).note[0], 127 % 100);
    EXPECT_EQ(rig.Line(255).note[0], kNoteEmpty);
    EXPECT_EQ(std::memcmp(&rig.module->patterns[1], next.get(), sizeof(Pattern)), 0);
    rig.Select(0, 200, 0, 255);
    rig.Run(kCmdDouble, 1);
    EXPECT_EQ(std::memcmp(&rig.module->patterns[1], next.get(), sizeof(Pattern)), 0);
}

TEST(Editing, HalfKeepsTheFilledCellOfEachPair) {
    EditorRig rig;
    rig.Note(1, 0, 40);
    rig.Note(2, 0, 41);
    rig.Note(3, 0, 42);
    rig.Note(8, 0, 50);
    rig.Select(0, 0, 0, 4);  // 5 lines: 4 are folded, line 4 moves with the rest
    rig.Run(kCmdHalf, 1);
    EXPECT_EQ(rig.Line(0).note[0], 40);
    EXPECT_EQ(rig.Line(1).note[0], 41);
    EXPECT_EQ(rig.Line(6).note[0], 50);
    EXPECT_EQ(rig.Line(63).note[0], kNoteEmpty);
    EXPECT_EQ(rig.view->GetSelection().height, 2);
}

TEST(Editing, EditsRedrawAndScrollTheFrameIntoView) {
    EditorRig rig;
    rig.Select(0, 50, 0, 60);
    rig.view->scrollTop = 0;
    rig.view->dirty = 0;
    rig.Key(kF9);
    EXPECT_EQ(rig.view->dirty & kRedrawAfterEdit, static_cast<uint32_t>(kRedrawAfterEdit));
    EXPECT_EQ(rig.view->scrollTop, 29);
    // A frame that overlaps the window does not scroll it.
    rig.Select(0, 20, 0, 40);
    rig.Key(kF9);
    EXPECT_EQ(rig.view->scrollTop, 29);
}
