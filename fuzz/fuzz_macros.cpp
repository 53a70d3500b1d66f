// Fuzz target for the macros file: any input loads as a consistent store or is refused
// whole, and a store that loads writes out as a file that loads back the same.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <memory>
#include <vector>

#include "app/Exceptions.h"
#include "editor/MacroFile.h"

namespace {

std::vector<uint8_t> Write(const MacroStore& store) {
    FILE* file = tmpfile();
    if (!file) return {};
    WriteMacroFile(file, store);
    std::vector<uint8_t> bytes(static_cast<size_t>(ftell(file)));
    rewind(file);
    if (fread(bytes.data(), 1, bytes.size(), file) != bytes.size()) bytes.clear();
    fclose(file);
    return bytes;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // Stores of 770 KB each: made once, since the reader clears what it fills and a new pair
    // for every input would cost more than everything the input exercises.
    static MacroStore* store = new MacroStore();
    static MacroStore* again = new MacroStore();
    try {
        ReadMacroData(data, size, *store);
    } catch (const Exception&) {
        return 0;
    }
    if (store->storedCount > kStoredMacros) __builtin_trap();
    for (int slot = 0; slot < kMacroSlots; ++slot) {
        const uint8_t source = store->activeSource[slot];
        if (source == kNoMacroSource) continue;
        if (source >= store->storedCount || !store->isActive[source]) __builtin_trap();
        if (std::memcmp(&store->active[slot], &store->stored[source], sizeof(Macro)) != 0)
            __builtin_trap();
    }
    const std::vector<uint8_t> first = Write(*store);
    try {
        ReadMacroData(first.data(), first.size(), *again);
    } catch (const Exception&) {
        __builtin_trap();  // the writer made a file its own reader refuses
    }
    if (Write(*again) != first) __builtin_trap();
    return 0;
}
