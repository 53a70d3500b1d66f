// Export of the song as a cartridge ROM for the Master System or the Game Gear: the
// console replayer with the compiled song, the title and author on screen, looping as the
// tracker loops it.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "module/Module.h"

enum class RomSystem { kMasterSystem, kGameGear };

// One line of text on the screen: name-table row and column, and the characters (32..127).
struct RomTextLine {
    int row;
    int column;
    std::string text;
};

// The title and the author, word-wrapped and centred in the part of the screen that the
// system shows; characters the font lacks become '?'.
std::vector<RomTextLine> RomScreenText(const Module& module, RomSystem system);

// The ROM's bytes. A song that fits beside the program makes a 32 KB ROM; a bigger one is
// laid out from bank 2 on and paged through the cartridge mapper (64 KB to 512 KB).
// Throws Exception ("Module::ExportROM(): The song needs ...") when it fits in none.
std::vector<uint8_t> BuildROM(const Module& module, RomSystem system);

// The largest ROM that BuildROM writes, and the most song data it can hold.
constexpr size_t kMaxRomBytes = 512 * 1024;
constexpr size_t kMaxBankedSongBytes = kMaxRomBytes - 0x8000;

// Builds the ROM and writes it to `path`; the old file survives any failure. Throws
// Exception naming "Module::ExportROM()" when it cannot be built, created or written.
void ExportROM(const Module& module, const std::string& path, RomSystem system);
