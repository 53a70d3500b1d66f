// The key table of the pattern editor.
#include "editor/KeyMap.h"

#include "editor/EditOps.h"
#include "editor/EditorKeys.h"
#include "module/Module.h"

using namespace keys;

int NoteKeyOffset(uint8_t scan) {
    switch (scan) {
        case kZ: return 0;
        case kS: return 1;
        case kX: return 2;
        case kD: return 3;
        case kC: return 4;
        case kV: return 5;
        case kG: return 6;
        case kB: return 7;
        case kH: return 8;
        case kN: return 9;
        case kJ: return 10;
        case kM: return 11;
        case kComma: return 12;
        case kL: return 13;
        case kPeriod: return 14;
        case kSemicolon: return 15;
        case kSlash: return 16;
        case kBackslash: return 18;
        case kQ: return 12;
        case k2: return 13;
        case kW: return 14;
        case k3: return 15;
        case kE: return 16;
        case kR: return 17;
        case k5: return 18;
        case kT: return 19;
        case k6: return 20;
        case kY: return 21;
        case k7: return 22;
        case kU: return 23;
        case kI: return 24;
        case k9: return 25;
        case kO: return 26;
        case k0: return 27;
        case kP: return 28;
        case kLeftBracket: return 29;
        case kEquals: return 30;
        case kRightBracket: return 31;
        default: return -1;
    }
}

int NoiseKeyValue(uint8_t scan, bool shift) {
    switch (scan) {
        case kZ: return 253;  // WLo
        case kX: return 252;  // WMd
        case kC: return 251;  // WHi
        case kV: return 254;  // WC2
        case kB: return 249;  // PLo
        case kN: return 248;  // PMd
        case kM: return 247;  // PHi
        case kComma: return 250;  // PC2
        case kS: return shift ? kNoteNul : -1;
        default: return -1;
    }
}

namespace {

KeyAction Command(uint32_t code, uint8_t a = 0, uint8_t b = 0, int16_t c = 0, int16_t d = 0) {
    KeyAction action;
    action.kind = KeyActionKind::Command;
    action.cmd.code = code;
    action.cmd.a = a;
    action.cmd.b = b;
    action.cmd.c = c;
    action.cmd.d = d;
    return action;
}

KeyAction Of(KeyActionKind kind, int value = 0) {
    KeyAction action;
    action.kind = kind;
    action.value = value;
    return action;
}

KeyAction Move(bool extend, int dx, int dy) {
    return Command(kCmdMove, extend, 0, static_cast<int16_t>(dx), static_cast<int16_t>(dy));
}

KeyAction Jump(bool extend, int kind) {
    return Command(kCmdJump, extend, 0, static_cast<int16_t>(kind));
}

KeyAction ControlKey(uint8_t scan, bool shift, bool repeat) {
    switch (scan) {
        case kUp: return Jump(shift, 4);
        case kDown: return Jump(shift, 5);
        case kLeft: return Jump(shift, 2);
        case kRight: return Jump(shift, 3);
        case kX: return repeat ? KeyAction{} : Command(kCmdCut);
        case kC: return repeat ? KeyAction{} : Command(kCmdCopy);
        case kV: return repeat ? KeyAction{} : Command(kCmdPaste);
        case kG: return repeat ? KeyAction{} : Command(kCmdGradient);
        case kY: return Of(KeyActionKind::Undo);
        case kZ: return Of(KeyActionKind::Redo);
        case kGrave: return Of(KeyActionKind::RunTemporaryMacro);
        case kF11: return Of(KeyActionKind::RunMacro, 10);
        case kF12: return Of(KeyActionKind::RunMacro, 11);
        default:
            if (scan >= kF1 && scan <= kF10) return Of(KeyActionKind::RunMacro, scan - kF1);
            return {};
    }
}

// Keys that act the same wherever the cursor is.
bool ViewKey(uint8_t scan, bool shift, const KeyContext& ctx, KeyAction& out) {
    switch (scan) {
        case kUp: out = Move(shift, 0, -1); return true;
        case kDown: out = Move(shift, 0, 1); return true;
        case kLeft: out = Move(shift, -1, 0); return true;
        case kRight: out = Move(shift, 1, 0); return true;
        case kPageUp: out = Move(shift, 0, -ctx.visibleLines); return true;
        case kPageDown: out = Move(shift, 0, ctx.visibleLines); return true;
        case kHome: out = Jump(shift, 0); return true;
        case kEnd: out = Jump(shift, 1); return true;
        case kSpace: out = shift ? Command(kCmdSelectAllLines) : Jump(false, 5); return true;
        case kDelete: out = Command(kCmdClear); return true;
        case kBackspace:
            out = Of(KeyActionKind::DeleteLine);
            out.columnsOnly = shift;
            return true;
        case kReturn:
            out = Of(KeyActionKind::InsertLine);
            out.columnsOnly = shift;
            return true;
        case kF9: out = Command(kCmdTranspose, 1); return true;
        case kF10: out = Command(kCmdTranspose, 255); return true;
        case kF11: out = Command(kCmdTranspose, 2); return true;
        case kF12: out = Command(kCmdTranspose, 254); return true;
        case kKpPlus: out = Command(kCmdDetune, 1); return true;
        case kKpMinus: out = Command(kCmdDetune, 255); return true;
        case kKpMultiply: out = Command(kCmdDetune, 2); return true;
        case kKpDivide: out = Command(kCmdDetune, 0); return true;
        default:
            if (scan >= kF1 && scan <= kF8) {
                out = Of(KeyActionKind::Octave, scan - kF1 + 3);
                return true;
            }
            return false;
    }
}

// E, W, Q: parameter steps of 1, big and very big; Shift goes down.
int LineToolOf(uint8_t scan, bool shift) {
    const int down = shift ? 1 : 0;
    if (scan == kE) return 0 + down;
    if (scan == kW) return 2 + down;
    if (scan == kQ) return 4 + down;
    return -1;
}

KeyAction NoteColumnKey(uint8_t scan, bool shift, const KeyContext& ctx) {
    if (ctx.cursorColumn / 3 == kNoiseChannel) {
        const int noise = NoiseKeyValue(scan, shift);
        return noise < 0 ? KeyAction{} : Of(KeyActionKind::Note, noise);
    }
    if (scan == kA) return Of(KeyActionKind::Note, kNoteNul);
    const int offset = NoteKeyOffset(scan);
    if (offset < 0) return {};
    const int note = ctx.octave * 12 + offset;
    if (note > kNoteLastTone) return {};
    return Of(KeyActionKind::Note, note);
}

KeyAction EditingKey(uint8_t scan, bool shift, const KeyContext& ctx) {
    const int tool = LineToolOf(scan, shift);
    const uint8_t volumeArg = static_cast<uint8_t>((shift ? 1 : 0) | (ctx.wrapVolume ? 2 : 0));
    if (ctx.frameWidth > 1) {
        if (scan == kI) return Command(kCmdInstrumentStep, shift ? 1 : 0);
        if (scan == kV) return Command(kCmdVolumeStep, volumeArg);
        if (tool >= 0) return Command(kCmdLineTool, static_cast<uint8_t>(tool));
        return {};
    }
    switch (ColumnTypeOf(ctx.cursorColumn)) {
        case kColNote: return NoteColumnKey(scan, shift, ctx);
        case kColInstVol:
            if (scan == kI) return Command(kCmdInstrumentStep, shift ? 1 : 0);
            if (scan == kV) return Command(kCmdVolumeStep, volumeArg);
            return {};
        case kColEffect:
            if (tool >= 0) return Command(kCmdLineTool, static_cast<uint8_t>(tool));
            if (shift) return {};
            if (scan == kP) return Command(kCmdSetEffect, kEffectPV, 0);
            if (scan == kV) return Command(kCmdSetEffect, kEffectVO, ctx.volume);
            return {};
        default:
            if (tool >= 0) return Command(kCmdLineTool, static_cast<uint8_t>(tool));
            if (shift) return {};
            if (scan == kS) return Command(kCmdSetGlobal, kGlobalSP, 8);
            if (scan == kT) return Command(kCmdSetGlobal, kGlobalST, 255);
            if (scan == kC) return Command(kCmdSetGlobal, kGlobalCB, 0);
            if (scan == kP) return Command(kCmdSetGlobal, kGlobalPV, 170);
            return {};
    }
}

}  // namespace

KeyAction MapKey(uint8_t scan, uint32_t modifiers, bool repeat, const KeyContext& ctx) {
    const bool shift = modifiers & kModShift;
    const bool ctrl = modifiers & kModCtrl;
    const bool alt = modifiers & kModAlt;
    if (ctrl) return ControlKey(scan, shift, repeat);
    if (alt) {
        if (scan == kReturn) return Of(KeyActionKind::FullScreen);
        // The Edit menu names Alt with the key left of 1 for the temporary macro.
        if (scan == kGrave) return Of(KeyActionKind::RunTemporaryMacro);
        return {};
    }
    KeyAction action;
    if (ViewKey(scan, shift, ctx, action)) return action;
    return EditingKey(scan, shift, ctx);
}
