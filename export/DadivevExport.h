// Export of the song as compiled data for a replayer on the console (".dadivev").
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "module/Module.h"

// The whole file in memory: the song as the tracker plays it from position 0, with the loop
// back to the repeat position. Throws Exception ("Module::ExportDADIVEV(): ...") only for a
// song with more steps than the format can count.
std::vector<uint8_t> CompileDADIVEV(const Module& module);

// Compiles the module and writes it to `path` (the old file survives any failure). Throws
// Exception whose message names "Module::ExportDADIVEV()" when the file cannot be created
// or written.
void ExportDADIVEV(const Module& module, const std::string& path);
