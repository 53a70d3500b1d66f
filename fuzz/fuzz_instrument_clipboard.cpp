// Fuzz target for the instrument clipboard: any text either pastes as an instrument whose
// every field is in range, or is refused with one of the three messages; a pasted
// instrument copies out as a text that pastes back byte for byte.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>

#include "editor/InstrumentEdit.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    Instrument pasted;
    std::memset(&pasted, 0xAA, sizeof pasted);
    const char* message = ParseInstrumentClipboard(text, pasted);
    if (message) {
        if (message != kInstrumentPasteNoData && message != kInstrumentPasteVersion &&
            message != kInstrumentPasteSystem)
            __builtin_trap();
        return 0;
    }
    if (pasted.name[kNameLength] != 0) __builtin_trap();
    for (int p = 0; p < 5; ++p)
        if (pasted.vibSpeed[p] > 3 || pasted.vibStrength[p] > 15) __builtin_trap();
    Instrument again;
    if (ParseInstrumentClipboard(InstrumentClipboardText(pasted), again) != nullptr)
        __builtin_trap();
    if (std::memcmp(&again, &pasted, sizeof pasted) != 0) __builtin_trap();
    return 0;
}
