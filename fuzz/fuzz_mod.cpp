// Fuzz target: MOD import of arbitrary bytes, as a two- or four-channel file. A song that
// imports must play.
#include <cstring>

#include "app/Exceptions.h"
#include "fuzz/ImportFuzzPlay.h"
#include "import/Importers.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const int channels = size >= 1084 && std::memcmp(data + 1080, "2CHN", 4) == 0 ? 2 : 4;
    static Module module;
    try {
        if (ImportMod(module, data, size, channels, [size](const ModProbe&, ModOptions& o) {
                o.chip.chipType = size & 1;
                o.chip.frequencyDivider = (size >> 1) & 1;
                return true;
            }))
            PlayLoadedSecond(module);
    } catch (const Exception&) {
    }
    return 0;
}
