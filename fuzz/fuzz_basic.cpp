// Fuzz target: BASIC import of arbitrary program text. A song that imports must play.
#include "app/Exceptions.h"
#include "fuzz/ImportFuzzPlay.h"
#include "import/Importers.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static Module module;
    try {
        if (ImportBasic(module, data, size, [size](BasicOptions& o) {
                o.chip.chipType = size & 1;
                o.chip.frequencyDivider = (size >> 1) & 1;
                return true;
            }))
            PlayLoadedSecond(module);
    } catch (const Exception&) {
    }
    return 0;
}
