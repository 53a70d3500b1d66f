// The undo history: every change the editor makes to the module, as typed steps in two
// fixed rings (step records and 40-byte data slots), so recording never allocates. When a
// ring runs full the oldest steps are dropped. It also knows whether the module changed
// since it was last saved.
#pragma once

#include <cstdint>
#include <mutex>

#include "editor/EditOps.h"
#include "module/Module.h"

class PatternView;

// What GetViewState hands to the history and SetViewState takes back.
struct ViewState {
    int32_t anchorColumn = 0;
    int32_t anchorLine = 0;
    int32_t cursorColumn = 0;
    int32_t cursorLine = 0;
    int32_t songPosition = 0;
};

#pragma pack(push, 1)
// A pattern's name and tact settings as the settings dialogs edit them.
struct PatternSettings {
    char name[33];
    uint8_t mainTactOn;
    uint8_t secondaryTactOn;
    uint8_t mainTactStart;
    uint8_t secondaryTactStart;
    uint8_t mainTactInterval;
    uint8_t secondaryTactInterval;
};
#pragma pack(pop)
static_assert(sizeof(PatternSettings) == 39, "name and tact settings fill 39 bytes");

PatternSettings GetPatternSettings(const Pattern& pattern);
// `which`: bit 0 the name, bit 1 the main tact, bit 2 the secondary tact.
void ApplyPatternSettings(Pattern& pattern, const PatternSettings& settings, unsigned which);
constexpr unsigned kSettingsAll = 7;

enum UndoKind : uint8_t {
    kUndoLines = 0,
    kUndoPattern = 1,
    kUndoClear = 2,
    kUndoOrderEntry = 3,
    kUndoOrderInsertRemove = 4,
    kUndoOrderList = 5,
    kUndoChangeInstruments = 6,
    kUndoCopyChannels = 7,
    kUndoPatternSettings = 8,
    kUndoMultiPattern = 9,
    kUndoInstruments = 10,
    kUndoPatternMade = 11,
    kUndoPatternDeleted = 12,
    kUndoRepeatPosition = 13,
};

struct UndoStep {
    uint8_t kind;
    uint8_t e[7];  // kind-specific small values
    uint32_t poolStart;
    uint32_t slots;
    uint16_t a, b, c, d;
    ViewState before;
    ViewState after;
};

struct UndoSlot {
    uint8_t bytes[40];
};

class UndoHistory {
public:
    static constexpr uint32_t kSteps = 1024;
    static constexpr uint32_t kSlots = 65536;

    uint8_t baselineValid = 1;
    uint32_t savedHead = 0;
    UndoStep steps[kSteps];
    UndoSlot pool[kSlots];
    Module* module = nullptr;
    uint8_t open = 0;
    uint32_t poolWrite = 0;
    uint32_t tail = 0;
    uint32_t head = 0;
    uint32_t count = 0;
    // The view whose state the steps remember and restore; may be null in tools.
    PatternView* view = nullptr;
    // Taken around every change the replayer could be reading; may be null.
    std::recursive_mutex* playerLock = nullptr;

    // Binds the module and empties the history; the module counts as unchanged.
    void Reset(Module& module);
    void BindView(PatternView* view, std::recursive_mutex* playerLock);
    void MarkSaved();
    bool HasChanges() const { return !baselineValid || head != savedHead; }
    bool CanUndo() const { return head != tail; }
    bool CanRedo() const { return head != (tail + count) % kSteps; }
    // Step back or forward; false when there was nothing to do.
    bool Undo();
    bool Redo();
    // Steps that can be undone.
    uint32_t UndoableSteps() const { return (head - tail) % kSteps; }

    // Kind 0: lines first..first+count-1 of pattern p.
    void BeginLines(int p, int first, int lineCount);
    void EndLines();
    // Kind 1: the whole pattern, its length may change.
    void BeginPattern(int p);
    void EndPattern();
    // Kind 2: clear of a frame.
    void BeginClear(int p, const Frame& frame);
    void EndClear();
    // Kind 3: the pattern number at one song position changes.
    void BeginOrderEntry(int position, int oldPattern, int newPattern);
    void EndOrderEntry();
    // Kind 4: a position is inserted (`removed` false: the entry is already the new one at
    // `position` when End is called) or removed.
    void BeginOrderInsertRemove(int position, bool removed);
    void EndOrderInsertRemove();
    // Kind 5: the whole order list, song length and repeat position.
    void BeginOrderList();
    void EndOrderList();
    // Kind 6: between Begin and End, AddInstrumentElement for every line changed, with the
    // four instrument bytes it had before.
    void BeginChangeInstruments(int mode, int instrument1, int instrument2, unsigned channelMask);
    void AddInstrumentElement(int p, int line, const uint8_t before[4]);
    void EndChangeInstruments();
    // Kind 7: AddChannelElement before a line is changed.
    void BeginCopyChannels(int channel1, int channel2, int mode);
    void AddChannelElement(int p, int line);
    void EndCopyChannels();
    // Kind 8: name, tacts and length of one pattern.
    void BeginPatternSettings(int p);
    void EndPatternSettings();
    // Kind 9: `applied` (as chosen by `which`) to every pattern set in `mask`.
    void BeginMultiPattern(unsigned which, const uint8_t mask[32], const PatternSettings& applied);
    void EndMultiPattern();
    // Kind 10: all 16 instruments.
    void BeginInstruments();
    void EndInstruments();
    // Kind 11: pattern p was made and inserted at `position`; End takes its settings.
    void BeginPatternMade(int position, int p);
    void EndPatternMade();
    // Kind 12: pattern p is deleted from the song (every position that plays it).
    void BeginPatternDeleted(int position, int p);
    void EndPatternDeleted();
    // Kind 13.
    void BeginRepeatPosition(int oldPosition, int newPosition);
    void EndRepeatPosition();

private:
    UndoStep& Open(UndoKind kind);
    void Close(UndoKind kind);
    UndoStep& Current() { return steps[(head + kSteps - 1) % kSteps]; }
    // Reserves n slots for the open step, dropping the oldest steps whose data they cover.
    uint32_t Take(uint32_t n);
    void WriteBytes(uint32_t slot, const void* data, size_t bytes);
    void ReadBytes(uint32_t slot, void* data, size_t bytes) const;
    void WriteLines(const Pattern& pattern, int first, int lineCount);
    void ReadLines(uint32_t slot, Pattern& pattern, int first, int lineCount) const;
    void ApplyStep(const UndoStep& step, bool forward);
    void ApplyOrderStep(const UndoStep& step, bool forward);
    void ApplyBatchStep(const UndoStep& step, bool forward);
    void ApplySettingsStep(const UndoStep& step, bool forward);
    void ApplySongStep(const UndoStep& step, bool forward);
    ViewState CurrentViewState() const;
    void RestoreView(const ViewState& state, bool patternKind, int first, int lineCount);
    void SelectPosition(int position);
};
