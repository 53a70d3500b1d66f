// The command executor of the pattern view and the key handling around it.
#include <algorithm>
#include <mutex>

#include "editor/KeyMap.h"
#include "editor/PatternView.h"
#include "editor/PlayerLock.h"
#include "sound/Player.h"

namespace {

bool FrameHasColumnOfType(const Frame& f, int type) {
    for (int k = f.x; k < f.x + f.width; ++k)
        if (ColumnTypeOf(k) == type) return true;
    return false;
}

bool IsEditingCode(uint32_t code) {
    return (code >= kCmdClear && code <= kCmdHalf) || (code >= kCmdDetune && code <= kCmdSetEffect) ||
           code == kCmdCut || code == kCmdPaste;
}

}  // namespace

bool PatternView::ExecuteMenuCommand(const EditCommand& cmd) {
    if (following && IsEditingCode(cmd.code)) return false;
    ExecuteCommand(cmd);
    return true;
}

void PatternView::ExecuteCommand(const EditCommand& cmd) {
    if (hooks.recordCommand) hooks.recordCommand(hooks.recordContext, cmd);
    const Frame frame = GetSelection();
    switch (cmd.code) {
        case kCmdMove: MoveCursor(cmd.a, cmd.c, cmd.d); return;
        case kCmdJump: {
            int dx = 0, dy = 0;
            switch (cmd.c) {
                case 0: dy = -kMaxLines; break;
                case 1: dy = kMaxLines; break;
                case 2: dx = cursorColumn == 13 ? -1 : -3; break;
                case 3: dx = cursorColumn < 9 ? 3 : cursorColumn <= 11 ? 12 - cursorColumn : 1; break;
                case 4: dy = -step; break;
                case 5: dy = step; break;
                default: return;
            }
            MoveCursor(cmd.a, dx, dy);
            return;
        }
        case kCmdSelectAllLines:
            anchorLine = 0;
            cursorLine = PatternLength();
            Clamp();
            Invalidate(kRedrawAfterMove);
            return;
        case kCmdCut:
        case kCmdCopy:
        case kCmdPaste:
            if (hooks.clipboardCommand) hooks.clipboardCommand(hooks.clipboardContext, *this, cmd);
            return;
        default: ExecuteEdit(cmd, frame); return;
    }
}

void PatternView::ExecuteEdit(const EditCommand& cmd, const Frame& frame) {
    Pattern& pattern = CurrentPattern();
    const int p = currentPattern;
    const bool channels = frame.x < 12;
    switch (cmd.code) {
        case kCmdClear: {
            PlayerLock guard(playerLock);
            undo->BeginClear(p, frame);
            ClearFrame(pattern, frame);
            undo->EndClear();
            break;
        }
        case kCmdGradient: Gradient(frame); return;
        case kCmdDouble:
        case kCmdHalf: DoubleOrHalf(cmd, frame); return;
        case kCmdDetune:
        case kCmdTranspose: {
            if (!channels) return;
            PlayerLock guard(playerLock);
            undo->BeginLines(p, frame.y, frame.height);
            if (cmd.code == kCmdDetune) DetuneFrame(pattern, frame, cmd.a);
            else TransposeFrame(pattern, frame, cmd.a);
            undo->EndLines();
            break;
        }
        case kCmdVolumeStep:
        case kCmdInstrumentStep:
            if (!FrameHasColumnOfType(frame, kColInstVol)) return;
            undo->BeginLines(p, frame.y, frame.height);
            if (cmd.code == kCmdVolumeStep) VolumeStepFrame(pattern, frame, cmd.a);
            else InstrumentStepFrame(pattern, frame, cmd.a != 0);
            undo->EndLines();
            break;
        case kCmdLineTool:
            if (cmd.a > 5 || (!FrameHasColumnOfType(frame, kColEffect) &&
                              !FrameHasColumnOfType(frame, kColGlobal)))
                return;
            undo->BeginLines(p, frame.y, frame.height);
            LineToolFrame(pattern, frame, cmd.a);
            undo->EndLines();
            break;
        case kCmdEnterNote: EnterNote(cmd, frame); return;
        case kCmdSetGlobal:
        case kCmdSetEffect: {
            const bool global = cmd.code == kCmdSetGlobal;
            if (global ? frame.x < 12 : ColumnTypeOf(frame.x) != kColEffect) return;
            if (global ? cmd.a > kGlobalPV : cmd.a > kEffectVO) return;
            undo->BeginLines(p, frame.y, frame.height);
            for (int l = frame.y; l < frame.y + frame.height; ++l) {
                PatternLine& line = pattern.lines[l];
                if (global) {
                    line.globalCmd[frame.x - 12] = cmd.a;
                    line.globalParam[frame.x - 12] = cmd.b;
                } else {
                    line.effect[frame.x / 3] = cmd.a;
                    line.effectParam[frame.x / 3] = cmd.b;
                }
            }
            undo->EndLines();
            break;
        }
        default: return;
    }
    AfterEdit(frame);
}

void PatternView::EnterNote(const EditCommand& cmd, const Frame& frame) {
    if (frame.x >= 12) return;
    const uint8_t note = cmd.a;
    if (NoteKindOf(note) == kKindInvalid) return;
    const int c = frame.x / 3;
    Pattern& pattern = CurrentPattern();
    {
        PlayerLock guard(playerLock);
        undo->BeginLines(currentPattern, frame.y, frame.height);
        for (int l = frame.y; l < frame.y + frame.height; ++l) {
            PatternLine& line = pattern.lines[l];
            line.note[c] = note;
            line.instrument[c] = cmd.b & 15;
            line.volume[c] = static_cast<uint8_t>(std::min(15, cmd.c & 0xFF));
            line.detune[c] = 0;
        }
        undo->EndLines();
    }
    AfterEdit(frame);
    MoveCursor(0, 0, step);
}

void PatternView::DoubleOrHalf(const EditCommand& cmd, const Frame& frame) {
    if (cmd.a != 1 && cmd.a != 2) return;
    const bool resize = cmd.a == 2;
    Frame after = frame;
    {
        PlayerLock guard(playerLock);
        undo->BeginPattern(currentPattern);
        if (cmd.code == kCmdDouble) after.height = DoubleFrame(*module, currentPattern, frame, resize);
        else after.height = HalfFrame(*module, currentPattern, frame, resize);
        SetFrameHeight(frame, after.height);
        undo->EndPattern();
    }
    AfterEdit(after);
    if (resize) Invalidate(kRedrawTitles);
}

void PatternView::Gradient(const Frame& frame) {
    Pattern& pattern = CurrentPattern();
    if (const char* problem = CheckGradient(pattern, frame)) {
        Message(problem);
        return;
    }
    undo->BeginLines(currentPattern, frame.y, frame.height);
    ApplyGradient(pattern, frame);
    undo->EndLines();
    AfterEdit(frame);
}

void PatternView::InsertLine(bool columnsOnly) {
    const Frame frame = GetSelection();
    const LogicalRange cols = columnsOnly ? LogicalColumnsOf(frame) : ChannelColumnsOf(frame);
    {
        PlayerLock guard(playerLock);
        undo->BeginPattern(currentPattern);
        ::InsertLine(CurrentPattern(), frame.y, cols);
        undo->EndPattern();
    }
    AfterEdit(frame);
}

void PatternView::DeleteLine(bool columnsOnly) {
    const Frame frame = GetSelection();
    if (frame.y == 0) return;
    const LogicalRange cols = columnsOnly ? LogicalColumnsOf(frame) : ChannelColumnsOf(frame);
    {
        PlayerLock guard(playerLock);
        undo->BeginPattern(currentPattern);
        ::DeleteLine(CurrentPattern(), frame.y - 1, cols);
        undo->EndPattern();
    }
    AfterEdit(frame);
    // The frame follows the lines it was on.
    --anchorLine;
    --cursorLine;
    Clamp();
    ScrollFrameIntoView(GetSelection());
    Invalidate(kRedrawOverlay);
}

bool PatternView::SoundNote(uint8_t note) {
    const Frame frame = GetSelection();
    if (frame.x >= 12 || !player) return false;
    const int channel = frame.x / 3;
    const uint32_t frames = module->chipType == 1 ? 50 : 60;
    PlayerLock guard(playerLock);
    return player->StartTestNote(channel == kNoiseChannel ? 1 : 0, channel,
                                 module->instruments[currentInstrument & 15], volume, note, 0,
                                 frames) >= 0;
}

bool PatternView::RecordLiveNote(uint8_t note) {
    const Frame frame = GetSelection();
    if (frame.x >= 12 || NoteKindOf(note) == kKindInvalid) return false;
    const int c = frame.x / 3;
    {
        PlayerLock guard(playerLock);
        const int line = std::min<int>(playLine, PatternLength() - 1);
        undo->BeginLines(currentPattern, line, 1);
        PatternLine& l = CurrentPattern().lines[line];
        l.note[c] = note;
        l.instrument[c] = currentInstrument & 15;
        l.volume[c] = volume & 15;
        l.detune[c] = 0;
        undo->EndLines();
        InvalidateLines(line, 1);
    }
    Invalidate(kRedrawTitle | kRedrawMenus);
    return true;
}

KeyResult PatternView::HandleKey(uint8_t scanCode, uint32_t modifiers, bool repeat) {
    const Frame frame = GetSelection();
    KeyContext context;
    context.cursorColumn = cursorColumn;
    context.frameWidth = frame.width;
    context.octave = octave;
    context.visibleLines = visibleLines;
    context.volume = volume;
    context.wrapVolume = wrapVolume;
    const KeyAction action = MapKey(scanCode, modifiers, repeat, context);
    KeyResult handled{ShellAction::Handled, 0};
    switch (action.kind) {
        case KeyActionKind::None: return {};
        case KeyActionKind::Command:
            if ((following || writeProtected) && IsEditingCode(action.cmd.code)) return handled;
            ExecuteCommand(action.cmd);
            return handled;
        case KeyActionKind::Note: {
            const uint8_t note = static_cast<uint8_t>(action.value);
            SoundNote(note);
            if (testMode || writeProtected) return handled;
            if (following) {
                RecordLiveNote(note);
            } else {
                EditCommand cmd;
                cmd.code = kCmdEnterNote;
                cmd.a = note;
                cmd.b = currentInstrument;
                cmd.c = volume;
                ExecuteCommand(cmd);
            }
            return handled;
        }
        case KeyActionKind::InsertLine:
            if (!following && !writeProtected) InsertLine(action.columnsOnly);
            return handled;
        case KeyActionKind::DeleteLine:
            if (!following && !writeProtected) DeleteLine(action.columnsOnly);
            return handled;
        case KeyActionKind::Undo: Undo(); return handled;
        case KeyActionKind::Redo: Redo(); return handled;
        case KeyActionKind::Octave:
            octave = static_cast<uint8_t>(action.value);
            Invalidate(kRedrawValues);
            return handled;
        case KeyActionKind::FullScreen: return {ShellAction::ToggleFullScreen, 0};
        case KeyActionKind::RunMacro: return {ShellAction::RunMacro, action.value};
        case KeyActionKind::RunTemporaryMacro: return {ShellAction::RunTemporaryMacro, 0};
    }
    return {};
}
