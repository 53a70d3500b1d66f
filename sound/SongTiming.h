// How long the song plays and where the cursor falls in it, and the other values of the
// module information dialog. Computed by stepping a private player without sound.
#pragma once

#include <cstdint>
#include <string>

#include "module/Module.h"

struct SongTiming {
    uint32_t frames;       // frames of one pass, up to and including the one that loops back
    uint32_t cursorFrame;  // frames played before the target line was first reached; 0 if never
    float seconds;         // frames / frame rate
    float cursorSeconds;
};

// Plays the song once from line 0 of position 0 on a player of its own. The target is the
// main player's line and position while it plays, else the editor cursor's line and song
// position. Needs the note-to-period tables built.
SongTiming ComputeSongTiming(const Module& module, int targetLine, int targetPosition);

// "12.34 sec. (0:12 min.)".
std::string FormatSongTime(float seconds);

// Slots in use, and slots in use that no song position 0..songLength-1 plays.
int CountUsedPatterns(const Module& module);
int CountUnusedPatterns(const Module& module);

// Everything the module information dialog shows, as its texts.
struct ModuleInformation {
    std::string fileName;
    std::string directory;
    int songLength;
    int patterns;
    int unusedPatterns;
    std::string time;
    std::string cursorTime;
    SongTiming timing;
};

ModuleInformation GatherModuleInformation(const Module& module, int targetLine,
                                          int targetPosition);
