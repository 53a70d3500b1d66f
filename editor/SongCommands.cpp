// Order-list and pattern-list commands, each one undo step.
#include "editor/SongCommands.h"

#include <algorithm>
#include <cstring>
#include <mutex>

#include "editor/PatternView.h"
#include "editor/PlayerLock.h"
#include "editor/SongEdits.h"

const char* const kSongFullMessage = "The maximum song length has already been reached.";
const char* const kLastPositionMessage = "Can't remove the last pattern from the pattern list.";
const char* const kNoFreePatternMessage =
    "The maximum number of patterns has been already reached.";
const char* const kSongFullForNewMessage = "The maximum song length has been already reached.";
const char* const kOnlyPatternMessage =
    "This pattern can't be deleted, because it's the only one left in the pattern list";
const char* const kDeletePatternQuestion = "Do you really want to delete this pattern?";

namespace {

bool SameSettings(const PatternSettings& a, const PatternSettings& b) {
    return std::strncmp(a.name, b.name, kNameLength) == 0 && a.mainTactOn == b.mainTactOn &&
           a.secondaryTactOn == b.secondaryTactOn && a.mainTactStart == b.mainTactStart &&
           a.secondaryTactStart == b.secondaryTactStart &&
           a.mainTactInterval == b.mainTactInterval &&
           a.secondaryTactInterval == b.secondaryTactInterval;
}

void AfterOrderEdit(PatternView& view) {
    view.Clamp();
    view.Invalidate(kRedrawAll);
}

}  // namespace

const char* InsertSongPosition(PatternView& view) {
    Module& m = *view.module;
    if (m.songLength >= kMaxSongLength) return kSongFullMessage;
    const int at = view.songPosition + 1;
    {
        PlayerLock lock(view.playerLock);
        view.undo->BeginOrderInsertRemove(at, false);
        InsertOrderEntry(m, at, view.currentPattern);
        view.SetSongPosition(at);
        view.undo->EndOrderInsertRemove();
    }
    AfterOrderEdit(view);
    return nullptr;
}

const char* RemoveSongPosition(PatternView& view) {
    Module& m = *view.module;
    if (m.songLength < 2) return kLastPositionMessage;
    const int at = view.songPosition;
    {
        PlayerLock lock(view.playerLock);
        view.undo->BeginOrderInsertRemove(at, true);
        RemoveOrderEntry(m, at);
        view.SetSongPosition(std::min(at, m.songLength - 1));
        view.undo->EndOrderInsertRemove();
    }
    AfterOrderEdit(view);
    return nullptr;
}

const char* CheckMakePattern(const Module& module, int& slot) {
    slot = -1;
    for (int p = 0; p < kMaxPatterns && slot < 0; ++p)
        if (!module.patterns[p].used) slot = p;
    if (slot < 0) return kNoFreePatternMessage;
    if (module.songLength >= kMaxSongLength) return kSongFullForNewMessage;
    return nullptr;
}

void MakePatternAfterCursor(PatternView& view, int slot, const PatternSettings& settings,
                            int length) {
    Module& m = *view.module;
    const int at = view.songPosition + 1;
    {
        PlayerLock lock(view.playerLock);
        view.undo->BeginPatternMade(at, slot);
        m.MakePattern(slot);
        m.SetPatternLength(slot, length);
        ApplyPatternSettings(m.patterns[slot], settings, kSettingsAll);
        InsertOrderEntry(m, at, slot);
        view.SetSongPosition(at);
        view.undo->EndPatternMade();
    }
    AfterOrderEdit(view);
}

const char* CheckDeletePattern(const PatternView& view) {
    const Module& m = *view.module;
    if (SongPositionsOf(m, view.currentPattern) >= m.songLength) return kOnlyPatternMessage;
    return nullptr;
}

void DeleteCurrentPattern(PatternView& view) {
    Module& m = *view.module;
    int position = view.songPosition;
    {
        PlayerLock lock(view.playerLock);
        view.undo->BeginPatternDeleted(position, view.currentPattern);
        DeletePatternFromSong(m, view.currentPattern, position);
        view.SetSongPosition(position);
        view.undo->EndPatternDeleted();
    }
    AfterOrderEdit(view);
}

int NextUsedPattern(const Module& module, int from, int direction) {
    for (int p = from + direction; p >= 0 && p < kMaxPatterns; p += direction)
        if (module.patterns[p].used) return p;
    return -1;
}

bool SetPositionPattern(PatternView& view, int pattern) {
    Module& m = *view.module;
    if (pattern < 0 || pattern >= kMaxPatterns || !m.patterns[pattern].used) return false;
    const int at = view.songPosition;
    const int old = m.orderList[at];
    if (old == pattern) return false;
    {
        PlayerLock lock(view.playerLock);
        view.undo->BeginOrderEntry(at, old, pattern);
        m.orderList[at] = static_cast<uint8_t>(pattern);
        view.SetSongPosition(at);
        view.undo->EndOrderEntry();
    }
    AfterOrderEdit(view);
    return true;
}

bool ChangePatternSettings(PatternView& view, int p, const PatternSettings& settings, int length) {
    Module& m = *view.module;
    Pattern& pattern = m.patterns[p];
    length = std::clamp(length, 1, kMaxLines);
    if (SameSettings(GetPatternSettings(pattern), settings) && pattern.length == length)
        return false;
    {
        PlayerLock lock(view.playerLock);
        view.undo->BeginPatternSettings(p);
        ApplyPatternSettings(pattern, settings, kSettingsAll);
        m.SetPatternLength(p, length);
        view.undo->EndPatternSettings();
    }
    view.Clamp();
    view.Invalidate(kRedrawAll);
    return true;
}

bool ChangeManyPatterns(PatternView& view, unsigned which, const uint8_t mask[32],
                        const PatternSettings& settings) {
    Module& m = *view.module;
    uint8_t used[32] = {};
    bool any = false;
    for (int p = 0; p < kMaxPatterns; ++p) {
        if (!(mask[p / 8] & (1 << (p % 8))) || !m.patterns[p].used) continue;
        used[p / 8] = static_cast<uint8_t>(used[p / 8] | 1 << (p % 8));
        any = true;
    }
    if (!any || (which & kSettingsAll) == 0) return false;
    {
        PlayerLock lock(view.playerLock);
        view.undo->BeginMultiPattern(which & kSettingsAll, used, settings);
        for (int p = 0; p < kMaxPatterns; ++p)
            if (used[p / 8] & (1 << (p % 8)))
                ApplyPatternSettings(m.patterns[p], settings, which & kSettingsAll);
        view.undo->EndMultiPattern();
    }
    view.Invalidate(kRedrawAll);
    return true;
}

int SongPositionsOf(const Module& module, int p) {
    int n = 0;
    for (int i = 0; i < module.songLength; ++i) n += module.orderList[i] == p;
    return n;
}
