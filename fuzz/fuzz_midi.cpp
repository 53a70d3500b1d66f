// Fuzz target: MIDI import of arbitrary bytes, with some channels disabled or remapped.
// A song that imports must play.
#include "app/Exceptions.h"
#include "fuzz/ImportFuzzPlay.h"
#include "import/Importers.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static Module module;
    try {
        if (ImportMidi(module, data, size, [size](const MidiProbe&, MidiOptions& o) {
                o.chip.chipType = size & 1;
                o.chip.frequencyDivider = (size >> 1) & 1;
                o.map[9].enabled = 0;
                o.map[1].target = 3;
                return true;
            }))
            PlayLoadedSecond(module);
    } catch (const Exception&) {
    }
    return 0;
}
