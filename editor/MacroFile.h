// The "macros" file beside the program: the 16-character text "Tonweave-MACR.-1", then
// chunks of the container:
//   chunk "HEAD" (16 bytes): u16 version 0, u16 storedCount, u8[12] activeSource
//   chunk "STOR": one chunk "MACR" per stored macro, in list order, each holding
//     chunk "HEAD": u16 commandCount, u8 0, u8 0, name and description as container strings
//     chunk "CMDS": commandCount records of 12 bytes (u32 code, u8 a, u8 b, s16 c, s16 d,
//                   u16 0), little-endian
// A file is taken whole or not at all.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>

#include "editor/Macros.h"

extern const char kMacroFileMagic[17];  // "Tonweave-MACR.-1", no terminator in the file

// Whether a command could have been recorded by the editor: a known code with arguments
// in their ranges.
bool IsValidRecordedCommand(const EditCommand& cmd);

// Reads a macros file from an open file at offset 0 into `store`, active slots filled.
// Throws ParseException / FileIOException for anything malformed; `store` is then in an
// unspecified state (read into a scratch store).
void ReadMacroFile(FILE* file, MacroStore& store);
// The same from bytes in memory.
void ReadMacroData(const uint8_t* data, size_t size, MacroStore& store);
// Writes the store's stored macros and bindings. Throws FileIOException on a short write.
void WriteMacroFile(FILE* file, const MacroStore& store);

enum class MacroLoadResult { Loaded, Missing, Refused };

// Start-up: a missing file leaves the store empty and is no failure; a malformed one
// empties the store and gives Refused (the caller shows "Couldn't load the macros.").
// Either way `changed` is cleared, so a refused file is not overwritten at quit unless
// the user changes the macros.
MacroLoadResult LoadMacros(const std::string& path, Macros& macros);
// Quit: writes the file anew through a temporary that replaces the old file only when
// complete; clears `changed`. Throws Exception on failure (the caller shows "Couldn't save
// the macros."), leaving the old file as it was.
void SaveMacros(const std::string& path, Macros& macros);
// SaveMacros only when the macros changed since they were loaded or saved; false when a
// save was needed and failed.
bool SaveMacrosIfChanged(const std::string& path, Macros& macros);
