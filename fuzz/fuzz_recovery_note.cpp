// Fuzz target for the recovery note: any text reads without fault, and what it gives
// writes out as a note that reads back the same.
#include <cstddef>
#include <cstdint>
#include <string>

#include "app/RecoveryNote.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    const RecoveryNote note = ParseRecoveryNote(text);
    if (note.time < 0) __builtin_trap();
    const RecoveryNote again = ParseRecoveryNote(FormatRecoveryNote(note));
    if (again.time != note.time) __builtin_trap();
    // A path that could not be written comes back empty, any other whole.
    if (again.path != note.path && !again.path.empty()) __builtin_trap();
    return 0;
}
