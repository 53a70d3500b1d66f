// The key table: key, modifiers and cursor column to the action and its arguments.
#include <gtest/gtest.h>

#include "editor/EditorKeys.h"
#include "editor/KeyMap.h"

using namespace keys;
using K = KeyActionKind;

namespace {

struct Case {
    uint8_t key;
    uint32_t mods;
    bool repeat;
    int column;
    int width;
    K kind;
    uint32_t code;  // for commands
    int a;          // command a, or the action's value
    int b;
    int c;
    int d;
};

constexpr uint32_t S = kModShift, C = kModCtrl, A = kModAlt;

const Case kCases[] = {
    {kUp, 0, false, 0, 1, K::Command, kCmdMove, 0, 0, 0, -1},
    {kDown, S, false, 0, 1, K::Command, kCmdMove, 1, 0, 0, 1},
    {kLeft, 0, false, 5, 1, K::Command, kCmdMove, 0, 0, -1, 0},
    {kRight, S, false, 5, 1, K::Command, kCmdMove, 1, 0, 1, 0},
    {kPageUp, 0, false, 0, 1, K::Command, kCmdMove, 0, 0, 0, -32},
    {kPageDown, S, false, 0, 1, K::Command, kCmdMove, 1, 0, 0, 32},
    {kUp, C, false, 0, 1, K::Command, kCmdJump, 0, 0, 4, 0},
    {kDown, C | S, false, 0, 1, K::Command, kCmdJump, 1, 0, 5, 0},
    {kLeft, C, false, 0, 1, K::Command, kCmdJump, 0, 0, 2, 0},
    {kRight, C, false, 0, 1, K::Command, kCmdJump, 0, 0, 3, 0},
    {kHome, 0, false, 0, 1, K::Command, kCmdJump, 0, 0, 0, 0},
    {kEnd, S, false, 0, 1, K::Command, kCmdJump, 1, 0, 1, 0},
    {kSpace, 0, false, 0, 1, K::Command, kCmdJump, 0, 0, 5, 0},
    {kSpace, S, false, 0, 1, K::Command, kCmdSelectAllLines, 0, 0, 0, 0},
    {kDelete, 0, false, 0, 1, K::Command, kCmdClear, 0, 0, 0, 0},
    {kBackspace, 0, false, 0, 1, K::DeleteLine, 0, 0, 0, 0, 0},
    {kReturn, 0, false, 0, 1, K::InsertLine, 0, 0, 0, 0, 0},
    {kReturn, A, false, 0, 1, K::FullScreen, 0, 0, 0, 0, 0},
    {kF1, 0, false, 0, 1, K::Octave, 0, 3, 0, 0, 0},
    {kF8, 0, false, 0, 1, K::Octave, 0, 10, 0, 0, 0},
    {kF9, 0, false, 0, 1, K::Command, kCmdTranspose, 1, 0, 0, 0},
    {kF10, 0, false, 0, 1, K::Command, kCmdTranspose, 255, 0, 0, 0},
    {kF11, 0, false, 0, 1, K::Command, kCmdTranspose, 2, 0, 0, 0},
    {kF12, 0, false, 0, 1, K::Command, kCmdTranspose, 254, 0, 0, 0},
    {kKpPlus, 0, false, 0, 1, K::Command, kCmdDetune, 1, 0, 0, 0},
    {kKpMinus, 0, false, 0, 1, K::Command, kCmdDetune, 255, 0, 0, 0},
    {kKpMultiply, 0, false, 0, 1, K::Command, kCmdDetune, 2, 0, 0, 0},
    {kKpDivide, 0, false, 0, 1, K::Command, kCmdDetune, 0, 0, 0, 0},
    {kX, C, false, 0, 1, K::Command, kCmdCut, 0, 0, 0, 0},
    {kC, C, false, 0, 1, K::Command, kCmdCopy, 0, 0, 0, 0},
    {kV, C, false, 0, 1, K::Command, kCmdPaste, 0, 0, 0, 0},
    {kG, C, false, 0, 1, K::Command, kCmdGradient, 0, 0, 0, 0},
    {kX, C, true, 0, 1, K::None, 0, 0, 0, 0, 0},
    {kV, C, true, 0, 1, K::None, 0, 0, 0, 0, 0},
    {kG, C, true, 0, 1, K::None, 0, 0, 0, 0, 0},
    {kY, C, false, 0, 1, K::Undo, 0, 0, 0, 0, 0},
    {kZ, C, false, 0, 1, K::Redo, 0, 0, 0, 0, 0},
    {kF1, C, false, 0, 1, K::RunMacro, 0, 0, 0, 0, 0},
    {kF10, C, false, 0, 1, K::RunMacro, 0, 9, 0, 0, 0},
    {kF12, C, false, 0, 1, K::RunMacro, 0, 11, 0, 0, 0},
    {kGrave, C, false, 0, 1, K::RunTemporaryMacro, 0, 0, 0, 0, 0},
    {kGrave, A, false, 0, 1, K::RunTemporaryMacro, 0, 0, 0, 0, 0},
    // Note keys at octave 3 (internal), tone channel.
    {kZ, 0, false, 0, 1, K::Note, 0, 36, 0, 0, 0},
    {kM, 0, false, 3, 1, K::Note, 0, 47, 0, 0, 0},
    {kComma, 0, false, 6, 1, K::Note, 0, 48, 0, 0, 0},
    {kSlash, 0, false, 0, 1, K::Note, 0, 52, 0, 0, 0},
    {kBackslash, 0, false, 0, 1, K::Note, 0, 54, 0, 0, 0},
    {kQ, 0, false, 0, 1, K::Note, 0, 48, 0, 0, 0},
    {kU, 0, false, 0, 1, K::Note, 0, 59, 0, 0, 0},
    {kI, 0, false, 0, 1, K::Note, 0, 60, 0, 0, 0},
    {kRightBracket, 0, false, 0, 1, K::Note, 0, 67, 0, 0, 0},
    {kA, 0, false, 0, 1, K::Note, 0, 246, 0, 0, 0},
    {kF, 0, false, 0, 1, K::None, 0, 0, 0, 0, 0},
    // Noise channel note column.
    {kZ, 0, false, 9, 1, K::Note, 0, 253, 0, 0, 0},
    {kX, 0, false, 9, 1, K::Note, 0, 252, 0, 0, 0},
    {kC, 0, false, 9, 1, K::Note, 0, 251, 0, 0, 0},
    {kV, 0, false, 9, 1, K::Note, 0, 254, 0, 0, 0},
    {kB, 0, false, 9, 1, K::Note, 0, 249, 0, 0, 0},
    {kN, 0, false, 9, 1, K::Note, 0, 248, 0, 0, 0},
    {kM, 0, false, 9, 1, K::Note, 0, 247, 0, 0, 0},
    {kComma, 0, false, 9, 1, K::Note, 0, 250, 0, 0, 0},
    {kS, S, false, 9, 1, K::Note, 0, 246, 0, 0, 0},
    {kS, 0, false, 9, 1, K::None, 0, 0, 0, 0, 0},
    {kQ, 0, false, 9, 1, K::None, 0, 0, 0, 0, 0},
    {kA, 0, false, 9, 1, K::None, 0, 0, 0, 0, 0},
    // Instrument / volume column.
    {kI, 0, false, 1, 1, K::Command, kCmdInstrumentStep, 0, 0, 0, 0},
    {kI, S, false, 4, 1, K::Command, kCmdInstrumentStep, 1, 0, 0, 0},
    {kV, 0, false, 1, 1, K::Command, kCmdVolumeStep, 0, 0, 0, 0},
    {kV, S, false, 1, 1, K::Command, kCmdVolumeStep, 1, 0, 0, 0},
    {kQ, 0, false, 1, 1, K::None, 0, 0, 0, 0, 0},
    {kE, 0, false, 1, 1, K::None, 0, 0, 0, 0, 0},
    {kZ, 0, false, 1, 1, K::None, 0, 0, 0, 0, 0},
    // Effect column.
    {kE, 0, false, 2, 1, K::Command, kCmdLineTool, 0, 0, 0, 0},
    {kE, S, false, 2, 1, K::Command, kCmdLineTool, 1, 0, 0, 0},
    {kW, 0, false, 5, 1, K::Command, kCmdLineTool, 2, 0, 0, 0},
    {kW, S, false, 5, 1, K::Command, kCmdLineTool, 3, 0, 0, 0},
    {kQ, 0, false, 8, 1, K::Command, kCmdLineTool, 4, 0, 0, 0},
    {kQ, S, false, 11, 1, K::Command, kCmdLineTool, 5, 0, 0, 0},
    {kP, 0, false, 2, 1, K::Command, kCmdSetEffect, 1, 0, 0, 0},
    {kV, 0, false, 2, 1, K::Command, kCmdSetEffect, 2, 9, 0, 0},
    {kS, 0, false, 2, 1, K::None, 0, 0, 0, 0, 0},
    // Global command columns.
    {kS, 0, false, 12, 1, K::Command, kCmdSetGlobal, 1, 8, 0, 0},
    {kT, 0, false, 13, 1, K::Command, kCmdSetGlobal, 2, 255, 0, 0},
    {kC, 0, false, 12, 1, K::Command, kCmdSetGlobal, 3, 0, 0, 0},
    {kP, 0, false, 13, 1, K::Command, kCmdSetGlobal, 4, 170, 0, 0},
    {kE, 0, false, 12, 1, K::Command, kCmdLineTool, 0, 0, 0, 0},
    {kW, S, false, 13, 1, K::Command, kCmdLineTool, 3, 0, 0, 0},
    {kV, 0, false, 12, 1, K::None, 0, 0, 0, 0, 0},
    {kZ, 0, false, 12, 1, K::None, 0, 0, 0, 0, 0},
    // A frame wider than one column: only I, V and the line tool act.
    {kI, 0, false, 0, 3, K::Command, kCmdInstrumentStep, 0, 0, 0, 0},
    {kV, S, false, 0, 3, K::Command, kCmdVolumeStep, 1, 0, 0, 0},
    {kQ, 0, false, 0, 2, K::Command, kCmdLineTool, 4, 0, 0, 0},
    {kE, S, false, 12, 2, K::Command, kCmdLineTool, 1, 0, 0, 0},
    {kZ, 0, false, 0, 2, K::None, 0, 0, 0, 0, 0},
    {kP, 0, false, 2, 2, K::None, 0, 0, 0, 0, 0},
    {kS, 0, false, 12, 2, K::None, 0, 0, 0, 0, 0},
    {kDelete, 0, false, 0, 5, K::Command, kCmdClear, 0, 0, 0, 0},
};

}  // namespace

TEST(KeyMap, Table) {
    for (const Case& c : kCases) {
        KeyContext ctx;
        ctx.cursorColumn = c.column;
        ctx.frameWidth = c.width;
        ctx.octave = 3;
        ctx.visibleLines = 32;
        ctx.volume = 9;
        const KeyAction got = MapKey(c.key, c.mods, c.repeat, ctx);
        SCOPED_TRACE(testing::Message() << "key " << int(c.key) << " mods " << c.mods << " column "
                                        << c.column << " width " << c.width);
        ASSERT_EQ(got.kind, c.kind);
        if (c.kind == K::Command) {
            EXPECT_EQ(got.cmd.code, c.code);
            EXPECT_EQ(got.cmd.a, c.a);
            EXPECT_EQ(got.cmd.b, c.b);
            EXPECT_EQ(got.cmd.c, c.c);
            EXPECT_EQ(got.cmd.d, c.d);
            EXPECT_EQ(got.cmd.zero, 0);
        } else {
            EXPECT_EQ(got.value, c.a);
        }
    }
}

TEST(KeyMap, ShiftOnLineKeysWorksOnColumnsOnly) {
    KeyContext ctx;
    EXPECT_TRUE(MapKey(kBackspace, kModShift, false, ctx).columnsOnly);
    EXPECT_FALSE(MapKey(kBackspace, 0, false, ctx).columnsOnly);
    EXPECT_TRUE(MapKey(kReturn, kModShift, false, ctx).columnsOnly);
}

TEST(KeyMap, WrapVolumeOptionSetsBitOne) {
    KeyContext ctx;
    ctx.cursorColumn = 1;
    ctx.wrapVolume = true;
    EXPECT_EQ(MapKey(kV, 0, false, ctx).cmd.a, 2);
    EXPECT_EQ(MapKey(kV, kModShift, false, ctx).cmd.a, 3);
}

TEST(KeyMap, OctaveEightAndNine) {
    KeyContext ctx;
    ctx.octave = 10;
    EXPECT_EQ(MapKey(kZ, 0, false, ctx).value, 120);
    EXPECT_EQ(MapKey(kRightBracket, 0, false, ctx).value, 151);
    ctx.octave = 11;
    EXPECT_EQ(MapKey(kRightBracket, 0, false, ctx).kind, K::None);
    EXPECT_EQ(MapKey(kZ, 0, false, ctx).value, 132);
}
