// Recording, dropping, undoing and redoing of the history's steps.
#include "editor/UndoHistory.h"

#include <algorithm>
#include <cstring>

#include "editor/PatternView.h"
#include "editor/PlayerLock.h"
#include "editor/SongEdits.h"

namespace {

// Lines are stored whole, one per slot.
static_assert(sizeof(PatternLine) <= sizeof(UndoSlot), "a line image fits one slot");
constexpr int kOrderSlots = 8;       // 32 order-list entries per slot
constexpr int kInstrumentElements = 6;  // 6-byte elements per slot
constexpr int kChannelElements = 2;     // 14-byte elements per slot
constexpr int kChannelElementBytes = 14;

}  // namespace

PatternSettings GetPatternSettings(const Pattern& pattern) {
    PatternSettings s;
    std::memcpy(s.name, pattern.name, sizeof(s.name));
    s.mainTactOn = pattern.mainTactOn;
    s.secondaryTactOn = pattern.secondaryTactOn;
    s.mainTactStart = pattern.mainTactStart;
    s.secondaryTactStart = pattern.secondaryTactStart;
    s.mainTactInterval = pattern.mainTactInterval;
    s.secondaryTactInterval = pattern.secondaryTactInterval;
    return s;
}

void ApplyPatternSettings(Pattern& pattern, const PatternSettings& s, unsigned which) {
    if (which & 1) {
        std::memcpy(pattern.name, s.name, sizeof(pattern.name));
        pattern.name[kNameLength] = 0;
    }
    if (which & 2) {
        pattern.mainTactOn = s.mainTactOn;
        pattern.mainTactStart = s.mainTactStart;
        pattern.mainTactInterval = s.mainTactInterval;
    }
    if (which & 4) {
        pattern.secondaryTactOn = s.secondaryTactOn;
        pattern.secondaryTactStart = s.secondaryTactStart;
        pattern.secondaryTactInterval = s.secondaryTactInterval;
    }
}

void UndoHistory::Reset(Module& m) {
    module = &m;
    poolWrite = tail = head = count = 0;
    baselineValid = 1;
    savedHead = 0;
    open = 0;
}

void UndoHistory::BindView(PatternView* v, std::recursive_mutex* lock) {
    view = v;
    playerLock = lock;
}

void UndoHistory::MarkSaved() {
    savedHead = head;
    baselineValid = 1;
}

ViewState UndoHistory::CurrentViewState() const { return view ? view->GetViewState() : ViewState{}; }

UndoStep& UndoHistory::Open(UndoKind kind) {
    // A new step discards the redo steps; if the saved state was among them it can never
    // be reached again, even when `head` later comes back to the same number.
    const uint32_t headOffset = (head - tail) % kSteps;
    const uint32_t savedOffset = (savedHead - tail) % kSteps;
    if (savedOffset > headOffset) baselineValid = 0;
    head = (head + 1) % kSteps;
    if (head == tail) {
        tail = (tail + 1) % kSteps;
        baselineValid = 0;
    }
    count = (head - tail) % kSteps;
    open = 1;
    UndoStep& step = Current();
    step = UndoStep{};
    step.kind = kind;
    step.poolStart = poolWrite;
    step.before = CurrentViewState();
    step.after = step.before;
    return step;
}

void UndoHistory::Close(UndoKind kind) {
    if (!open || Current().kind != kind) return;
    Current().after = CurrentViewState();
    open = 0;
}

uint32_t UndoHistory::Take(uint32_t n) {
    while (count > 1) {
        uint32_t start = steps[tail].poolStart;
        if (start < poolWrite) start += kSlots;
        if (start >= poolWrite + n) break;
        tail = (tail + 1) % kSteps;
        --count;
        baselineValid = 0;
    }
    const uint32_t first = poolWrite;
    poolWrite = (poolWrite + n) % kSlots;
    Current().slots += n;
    return first;
}

void UndoHistory::WriteBytes(uint32_t slot, const void* data, size_t bytes) {
    const uint8_t* src = static_cast<const uint8_t*>(data);
    while (bytes > 0) {
        const size_t n = std::min(bytes, sizeof(UndoSlot));
        std::memcpy(pool[slot % kSlots].bytes, src, n);
        src += n;
        bytes -= n;
        ++slot;
    }
}

void UndoHistory::ReadBytes(uint32_t slot, void* data, size_t bytes) const {
    uint8_t* dst = static_cast<uint8_t*>(data);
    while (bytes > 0) {
        const size_t n = std::min(bytes, sizeof(UndoSlot));
        std::memcpy(dst, pool[slot % kSlots].bytes, n);
        dst += n;
        bytes -= n;
        ++slot;
    }
}

void UndoHistory::WriteLines(const Pattern& pattern, int first, int lineCount) {
    const uint32_t slot = Take(lineCount);
    for (int i = 0; i < lineCount; ++i)
        std::memcpy(pool[(slot + i) % kSlots].bytes, &pattern.lines[first + i], sizeof(PatternLine));
}

void UndoHistory::ReadLines(uint32_t slot, Pattern& pattern, int first, int lineCount) const {
    for (int i = 0; i < lineCount; ++i)
        std::memcpy(&pattern.lines[first + i], pool[(slot + i) % kSlots].bytes, sizeof(PatternLine));
}

// ---- Recording -------------------------------------------------------------------------

void UndoHistory::BeginLines(int p, int first, int lineCount) {
    UndoStep& s = Open(kUndoLines);
    s.a = static_cast<uint16_t>(p);
    s.b = static_cast<uint16_t>(first);
    s.c = static_cast<uint16_t>(lineCount);
    WriteLines(module->patterns[p], first, lineCount);
}

void UndoHistory::EndLines() {
    if (!open || Current().kind != kUndoLines) return;
    const UndoStep& s = Current();
    WriteLines(module->patterns[s.a], s.b, s.c);
    Close(kUndoLines);
}

void UndoHistory::BeginPattern(int p) {
    UndoStep& s = Open(kUndoPattern);
    s.a = static_cast<uint16_t>(p);
    s.b = module->patterns[p].length;
    WriteLines(module->patterns[p], 0, s.b);
}

void UndoHistory::EndPattern() {
    if (!open || Current().kind != kUndoPattern) return;
    UndoStep& s = Current();
    s.c = module->patterns[s.a].length;
    WriteLines(module->patterns[s.a], 0, s.c);
    Close(kUndoPattern);
}

void UndoHistory::BeginClear(int p, const Frame& frame) {
    UndoStep& s = Open(kUndoClear);
    s.a = static_cast<uint16_t>(p);
    s.e[0] = static_cast<uint8_t>(frame.x);
    s.e[1] = static_cast<uint8_t>(frame.width);
    s.b = static_cast<uint16_t>(frame.y);
    s.c = static_cast<uint16_t>(frame.height);
    WriteLines(module->patterns[p], frame.y, frame.height);
}

void UndoHistory::EndClear() { Close(kUndoClear); }

void UndoHistory::BeginOrderEntry(int position, int oldPattern, int newPattern) {
    UndoStep& s = Open(kUndoOrderEntry);
    s.a = static_cast<uint16_t>(position);
    s.b = static_cast<uint16_t>(oldPattern);
    s.c = static_cast<uint16_t>(newPattern);
}

void UndoHistory::EndOrderEntry() { Close(kUndoOrderEntry); }

void UndoHistory::BeginOrderInsertRemove(int position, bool removed) {
    UndoStep& s = Open(kUndoOrderInsertRemove);
    s.a = static_cast<uint16_t>(position);
    s.b = removed ? 1 : 0;
    // The removed entry and the repeat position it may pull back are needed to undo.
    s.c = position < module->songLength ? module->orderList[position] : 0;
    s.d = module->repeatPosition;
}

void UndoHistory::EndOrderInsertRemove() {
    if (!open || Current().kind != kUndoOrderInsertRemove) return;
    UndoStep& s = Current();
    if (!s.b) s.c = module->orderList[s.a];
    Close(kUndoOrderInsertRemove);
}

void UndoHistory::BeginOrderList() {
    UndoStep& s = Open(kUndoOrderList);
    s.a = module->songLength;
    s.c = module->repeatPosition;
    s.e[0] = static_cast<uint8_t>(s.before.songPosition);
    WriteBytes(Take(kOrderSlots), module->orderList, 256);
}

void UndoHistory::EndOrderList() {
    if (!open || Current().kind != kUndoOrderList) return;
    UndoStep& s = Current();
    s.b = module->songLength;
    s.d = module->repeatPosition;
    WriteBytes(Take(kOrderSlots), module->orderList, 256);
    Close(kUndoOrderList);
    s.e[1] = static_cast<uint8_t>(s.after.songPosition);
}

void UndoHistory::BeginChangeInstruments(int mode, int instrument1, int instrument2,
                                         unsigned channelMask) {
    UndoStep& s = Open(kUndoChangeInstruments);
    s.e[0] = static_cast<uint8_t>(mode);
    s.e[1] = static_cast<uint8_t>(instrument1);
    s.e[2] = static_cast<uint8_t>(instrument2);
    s.e[3] = static_cast<uint8_t>(channelMask & 15);
}

void UndoHistory::AddInstrumentElement(int p, int line, const uint8_t before[4]) {
    if (!open || Current().kind != kUndoChangeInstruments) return;
    UndoStep& s = Current();
    const uint32_t index = static_cast<uint32_t>(s.a) | (static_cast<uint32_t>(s.d) << 16);
    if (index % kInstrumentElements == 0) Take(1);
    const uint32_t slot = s.poolStart + index / kInstrumentElements;
    uint8_t* e = pool[slot % kSlots].bytes + (index % kInstrumentElements) * 6;
    e[0] = static_cast<uint8_t>(p);
    e[1] = static_cast<uint8_t>(line);
    std::memcpy(e + 2, before, 4);
    s.a = static_cast<uint16_t>(index + 1);
    s.d = static_cast<uint16_t>((index + 1) >> 16);
}

void UndoHistory::EndChangeInstruments() { Close(kUndoChangeInstruments); }

void UndoHistory::BeginCopyChannels(int channel1, int channel2, int mode) {
    UndoStep& s = Open(kUndoCopyChannels);
    s.e[0] = static_cast<uint8_t>(channel1);
    s.e[1] = static_cast<uint8_t>(channel2);
    s.e[2] = static_cast<uint8_t>(mode);
}

void UndoHistory::AddChannelElement(int p, int line) {
    if (!open || Current().kind != kUndoCopyChannels) return;
    UndoStep& s = Current();
    const uint32_t index = static_cast<uint32_t>(s.a) | (static_cast<uint32_t>(s.d) << 16);
    if (index % kChannelElements == 0) Take(1);
    const uint32_t slot = s.poolStart + index / kChannelElements;
    uint8_t* e = pool[slot % kSlots].bytes + (index % kChannelElements) * kChannelElementBytes;
    const PatternLine& l = module->patterns[p].lines[line];
    e[0] = static_cast<uint8_t>(p);
    e[1] = static_cast<uint8_t>(line);
    for (int k = 0; k < 2; ++k) {
        const int c = s.e[k];
        uint8_t* cell = e + 2 + 6 * k;
        cell[0] = l.note[c];
        cell[1] = static_cast<uint8_t>(l.detune[c]);
        cell[2] = l.instrument[c];
        cell[3] = l.volume[c];
        cell[4] = l.effect[c];
        cell[5] = l.effectParam[c];
    }
    s.a = static_cast<uint16_t>(index + 1);
    s.d = static_cast<uint16_t>((index + 1) >> 16);
}

void UndoHistory::EndCopyChannels() { Close(kUndoCopyChannels); }

void UndoHistory::BeginPatternSettings(int p) {
    UndoStep& s = Open(kUndoPatternSettings);
    s.a = static_cast<uint16_t>(p);
    s.b = module->patterns[p].length;
    const PatternSettings before = GetPatternSettings(module->patterns[p]);
    WriteBytes(Take(1), &before, sizeof(before));
}

void UndoHistory::EndPatternSettings() {
    if (!open || Current().kind != kUndoPatternSettings) return;
    UndoStep& s = Current();
    s.c = module->patterns[s.a].length;
    const PatternSettings after = GetPatternSettings(module->patterns[s.a]);
    WriteBytes(Take(1), &after, sizeof(after));
    // Lines hidden by a shorter length may be overwritten while hidden (growing a pattern
    // empties the lines it adds), so they are kept for undo.
    if (s.c < s.b) WriteLines(module->patterns[s.a], s.c, s.b - s.c);
    Close(kUndoPatternSettings);
}

void UndoHistory::BeginMultiPattern(unsigned which, const uint8_t mask[32],
                                    const PatternSettings& applied) {
    UndoStep& s = Open(kUndoMultiPattern);
    s.a = static_cast<uint16_t>(which);
    WriteBytes(Take(1), mask, 32);
    WriteBytes(Take(1), &applied, sizeof(applied));
    for (int p = 0; p < kMaxPatterns; ++p) {
        if (!(mask[p / 8] & (1 << (p % 8)))) continue;
        const PatternSettings before = GetPatternSettings(module->patterns[p]);
        WriteBytes(Take(1), &before, sizeof(before));
        ++s.b;
    }
}

void UndoHistory::EndMultiPattern() { Close(kUndoMultiPattern); }

void UndoHistory::BeginInstruments() {
    Open(kUndoInstruments);
    WriteBytes(Take(32), module->instruments, sizeof(module->instruments));
}

void UndoHistory::EndInstruments() {
    if (!open || Current().kind != kUndoInstruments) return;
    WriteBytes(Take(32), module->instruments, sizeof(module->instruments));
    Close(kUndoInstruments);
}

void UndoHistory::BeginPatternMade(int position, int p) {
    UndoStep& s = Open(kUndoPatternMade);
    s.a = static_cast<uint16_t>(position);
    s.b = static_cast<uint16_t>(p);
}

void UndoHistory::EndPatternMade() {
    if (!open || Current().kind != kUndoPatternMade) return;
    UndoStep& s = Current();
    s.c = module->patterns[s.b].length;
    const PatternSettings settings = GetPatternSettings(module->patterns[s.b]);
    WriteBytes(Take(1), &settings, sizeof(settings));
    Close(kUndoPatternMade);
}

void UndoHistory::BeginPatternDeleted(int position, int p) {
    UndoStep& s = Open(kUndoPatternDeleted);
    const Pattern& pattern = module->patterns[p];
    s.a = static_cast<uint16_t>(position);
    s.b = static_cast<uint16_t>(p);
    s.c = pattern.length;
    s.d = module->songLength;
    s.e[0] = module->repeatPosition;
    const PatternSettings settings = GetPatternSettings(pattern);
    WriteBytes(Take(2), &settings, sizeof(settings));
    WriteBytes(Take(kOrderSlots), module->orderList, 256);
    WriteLines(pattern, 0, pattern.length);
}

void UndoHistory::EndPatternDeleted() { Close(kUndoPatternDeleted); }

void UndoHistory::BeginRepeatPosition(int oldPosition, int newPosition) {
    UndoStep& s = Open(kUndoRepeatPosition);
    s.a = static_cast<uint16_t>(oldPosition);
    s.b = static_cast<uint16_t>(newPosition);
}

void UndoHistory::EndRepeatPosition() { Close(kUndoRepeatPosition); }

// ---- Undo and redo ---------------------------------------------------------------------

bool UndoHistory::Undo() {
    if (open || head == tail) return false;
    const UndoStep& step = steps[(head + kSteps - 1) % kSteps];
    {
        PlayerLock guard(playerLock);
        ApplyStep(step, false);
    }
    head = (head + kSteps - 1) % kSteps;
    return true;
}

bool UndoHistory::Redo() {
    if (open || head == (tail + count) % kSteps) return false;
    const UndoStep& step = steps[head];
    if (step.kind <= kUndoRepeatPosition) {
        PlayerLock guard(playerLock);
        ApplyStep(step, true);
    }
    head = (head + 1) % kSteps;
    return true;
}

void UndoHistory::RestoreView(const ViewState& state, bool patternKind, int first, int lineCount) {
    if (!view) return;
    view->SetViewState(state);
    if (patternKind) view->EnsureVisible(first, lineCount);
}

void UndoHistory::SelectPosition(int position) {
    if (!view) return;
    view->SetSongPosition(position);
    view->CenterOrderList();
}

void UndoHistory::ApplyStep(const UndoStep& s, bool forward) {
    const ViewState& state = forward ? s.after : s.before;
    switch (s.kind) {
        case kUndoLines: {
            ReadLines(s.poolStart + (forward ? s.c : 0), module->patterns[s.a], s.b, s.c);
            RestoreView(state, true, s.b - 1, s.c + 2);
            break;
        }
        case kUndoPattern: {
            Pattern& pattern = module->patterns[s.a];
            pattern.length = forward ? s.c : s.b;
            ReadLines(s.poolStart + (forward ? s.b : 0), pattern, 0, pattern.length);
            // The frame the user worked on, not the lengths, says where to look.
            const int y = std::min(state.anchorLine, state.cursorLine);
            const int h = std::abs(state.anchorLine - state.cursorLine) + 1;
            RestoreView(state, true, y, h);
            break;
        }
        case kUndoClear: {
            Pattern& pattern = module->patterns[s.a];
            if (forward) ClearFrame(pattern, Frame{s.e[0], s.b, s.e[1], s.c});
            else ReadLines(s.poolStart, pattern, s.b, s.c);
            RestoreView(s.before, true, s.b, s.c);
            break;
        }
        case kUndoOrderEntry:
        case kUndoOrderInsertRemove:
        case kUndoOrderList:
        case kUndoRepeatPosition: ApplyOrderStep(s, forward); break;
        case kUndoChangeInstruments:
        case kUndoCopyChannels: ApplyBatchStep(s, forward); break;
        case kUndoPatternSettings:
        case kUndoMultiPattern:
        case kUndoInstruments: ApplySettingsStep(s, forward); break;
        default: ApplySongStep(s, forward); break;
    }
    if (view) view->Invalidate(511);
}

void UndoHistory::ApplyOrderStep(const UndoStep& s, bool forward) {
    switch (s.kind) {
        case kUndoOrderEntry:
            module->orderList[s.a] = static_cast<uint8_t>(forward ? s.c : s.b);
            SelectPosition(s.a);
            break;
        case kUndoOrderInsertRemove: {
            const bool insert = (s.b == 0) == forward;
            if (insert) InsertOrderEntry(*module, s.a, s.c);
            else RemoveOrderEntry(*module, s.a);
            if (!forward) module->repeatPosition = static_cast<uint8_t>(s.d);
            // Taking an insertion back returns to the position the user inserted after.
            const int position = !forward && s.b == 0 ? s.before.songPosition : s.a;
            SelectPosition(std::min<int>(position, module->songLength - 1));
            break;
        }
        case kUndoOrderList:
            ReadBytes(s.poolStart + (forward ? kOrderSlots : 0), module->orderList, 256);
            module->songLength = forward ? s.b : s.a;
            module->repeatPosition = static_cast<uint8_t>(forward ? s.d : s.c);
            SelectPosition(forward ? s.e[1] : s.e[0]);
            break;
        default:
            module->repeatPosition = static_cast<uint8_t>(forward ? s.b : s.a);
            if (view) view->Invalidate(kRedrawOrderList);
            break;
    }
}

void UndoHistory::ApplyBatchStep(const UndoStep& s, bool forward) {
    const uint32_t elements = static_cast<uint32_t>(s.a) | (static_cast<uint32_t>(s.d) << 16);
    const bool instruments = s.kind == kUndoChangeInstruments;
    const uint32_t perSlot = instruments ? kInstrumentElements : kChannelElements;
    const uint32_t size = instruments ? 6 : kChannelElementBytes;
    // Undo puts the elements back newest first, so a line listed twice ends as it began.
    for (uint32_t n = 0; n < elements; ++n) {
        const uint32_t i = forward ? n : elements - 1 - n;
        const uint8_t* e = pool[(s.poolStart + i / perSlot) % kSlots].bytes + (i % perSlot) * size;
        PatternLine& line = module->patterns[e[0]].lines[e[1]];
        if (instruments) {
            if (forward) ChangeInstrumentsOnLine(line, s.e[0], s.e[1], s.e[2], s.e[3]);
            else std::memcpy(line.instrument, e + 2, 4);
            continue;
        }
        if (forward) {
            CopyChannelsOnLine(line, s.e[0], s.e[1], s.e[2]);
            continue;
        }
        for (int k = 0; k < 2; ++k) {
            const int c = s.e[k];
            const uint8_t* cell = e + 2 + 6 * k;
            line.note[c] = cell[0];
            line.detune[c] = static_cast<int8_t>(cell[1]);
            line.instrument[c] = cell[2];
            line.volume[c] = cell[3];
            line.effect[c] = cell[4];
            line.effectParam[c] = cell[5];
        }
    }
    if (view) view->SetViewState(forward ? s.after : s.before);
}

void UndoHistory::ApplySettingsStep(const UndoStep& s, bool forward) {
    if (s.kind == kUndoPatternSettings) {
        PatternSettings settings;
        ReadBytes(s.poolStart + (forward ? 1 : 0), &settings, sizeof(settings));
        Pattern& pattern = module->patterns[s.a];
        ApplyPatternSettings(pattern, settings, kSettingsAll);
        if (forward) {
            module->SetPatternLength(s.a, s.c);
        } else {
            if (s.b > s.c) ReadLines(s.poolStart + 2, pattern, s.c, s.b - s.c);
            pattern.length = s.b;
        }
    } else if (s.kind == kUndoMultiPattern) {
        uint8_t mask[32];
        PatternSettings applied;
        ReadBytes(s.poolStart, mask, sizeof(mask));
        ReadBytes(s.poolStart + 1, &applied, sizeof(applied));
        uint32_t slot = s.poolStart + 2;
        for (int p = 0; p < kMaxPatterns; ++p) {
            if (!(mask[p / 8] & (1 << (p % 8)))) continue;
            PatternSettings before;
            ReadBytes(slot++, &before, sizeof(before));
            if (forward) ApplyPatternSettings(module->patterns[p], applied, s.a);
            else ApplyPatternSettings(module->patterns[p], before, kSettingsAll);
        }
    } else {
        ReadBytes(s.poolStart + (forward ? 32 : 0), module->instruments, sizeof(module->instruments));
    }
    if (view) view->SetViewState(forward ? s.after : s.before);
}

void UndoHistory::ApplySongStep(const UndoStep& s, bool forward) {
    Pattern& pattern = module->patterns[s.b];
    if (s.kind == kUndoPatternMade) {
        if (forward) {
            PatternSettings settings;
            ReadBytes(s.poolStart, &settings, sizeof(settings));
            module->MakePattern(s.b);
            module->SetPatternLength(s.b, s.c);
            ApplyPatternSettings(pattern, settings, kSettingsAll);
            InsertOrderEntry(*module, s.a, s.b);
        } else {
            RemoveOrderEntry(*module, s.a);
            pattern.used = 0;
        }
        const int position = forward ? s.a : s.before.songPosition;
        SelectPosition(std::min<int>(position, module->songLength - 1));
        return;
    }
    if (forward) {
        int position = s.before.songPosition;
        DeletePatternFromSong(*module, s.b, position);
        SelectPosition(position);
        return;
    }
    PatternSettings settings;
    ReadBytes(s.poolStart, &settings, sizeof(settings));
    pattern.used = 1;
    pattern.length = s.c;
    ApplyPatternSettings(pattern, settings, kSettingsAll);
    ReadBytes(s.poolStart + 2, module->orderList, 256);
    ReadLines(s.poolStart + 2 + kOrderSlots, pattern, 0, s.c);
    module->songLength = s.d;
    module->repeatPosition = s.e[0];
    SelectPosition(s.a);
}
