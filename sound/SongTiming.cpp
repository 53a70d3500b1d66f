// Song timing and the module information values.
#include "sound/SongTiming.h"

#include <cmath>
#include <cstdio>
#include <memory>

#include "sound/Player.h"

SongTiming ComputeSongTiming(const Module& module, int targetLine, int targetPosition) {
    // The player carries a chip with its sample ring; keep it off the caller's stack.
    auto player = std::make_unique<Player>();
    player->Bind(module);
    player->Start(0, 0, 0);
    SongTiming t{};
    bool matched = false;
    // Every pattern ends within 256 lines of at most 32 frames and every song position is
    // left for the next, so the pass always ends.
    do {
        if (!matched && player->line == targetLine && player->position == targetPosition) {
            t.cursorFrame = t.frames;
            matched = true;
        }
        player->PlayFrame();
        ++t.frames;
    } while (!player->looped);
    const float rate = module.chipType ? 50.0f : 60.0f;
    t.seconds = static_cast<float>(t.frames) / rate;
    t.cursorSeconds = static_cast<float>(t.cursorFrame) / rate;
    return t;
}

std::string FormatSongTime(float seconds) {
    char text[64];
    const int minutes = static_cast<int>(std::floor(seconds / 60.0f));
    const int rest = static_cast<int>(std::floor(seconds)) % 60;
    std::snprintf(text, sizeof text, "%.2f sec. (%d:%02d min.)", seconds, minutes, rest);
    return text;
}

int CountUsedPatterns(const Module& module) {
    int n = 0;
    for (const Pattern& p : module.patterns) n += p.used ? 1 : 0;
    return n;
}

int CountUnusedPatterns(const Module& module) {
    bool named[kMaxPatterns] = {};
    const int length = module.songLength > kMaxSongLength ? kMaxSongLength : module.songLength;
    for (int i = 0; i < length; ++i) named[module.orderList[i]] = true;
    int n = 0;
    for (int p = 0; p < kMaxPatterns; ++p) n += (module.patterns[p].used && !named[p]) ? 1 : 0;
    return n;
}

ModuleInformation GatherModuleInformation(const Module& module, int targetLine,
                                          int targetPosition) {
    ModuleInformation info;
    info.fileName = module.fileName;
    info.directory = module.directory;
    info.songLength = module.songLength;
    info.patterns = CountUsedPatterns(module);
    info.unusedPatterns = CountUnusedPatterns(module);
    info.timing = ComputeSongTiming(module, targetLine, targetPosition);
    info.time = FormatSongTime(info.timing.seconds);
    info.cursorTime = FormatSongTime(info.timing.cursorSeconds);
    return info;
}
