// Export of one pass of the song as a VGM 1.50 log of sound chip writes with a GD3 tag.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "module/Module.h"

// The file's bytes: the song played once from position 0, line 0 by a private player, up
// to and including the frame in which it goes back to the repeat position. With `loop`,
// the log goes on with the whole register state at that point, marked as the loop start in
// the header, and the looped part once more up to the frame that loops again, so a player
// that repeats it sounds as the tracker does on its second pass.
std::vector<uint8_t> BuildVGM(const Module& module, bool loop = false);

// Writes BuildVGM's bytes to `path`; the old file survives any failure. Throws Exception
// with an empty message when the file cannot be created (before anything is built), and
// FileIOException when the data cannot be written.
void ExportVGM(const Module& module, const std::string& path, bool loop = false);
