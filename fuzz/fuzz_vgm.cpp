// Fuzz target: VGM import of arbitrary bytes; gzip-compressed input goes through a file and
// the gzip reader, as compressed logs do. A song that imports must play.
#include <unistd.h>

#include <cstdio>
#include <string>

#include "app/Exceptions.h"
#include "fuzz/ImportFuzzPlay.h"
#include "import/Importers.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static Module module;
    const VgmDialog okay = [size](const VgmProbe&, VgmOptions& o) {
        o.chip.chipType = size & 1;
        o.chip.frequencyDivider = (size >> 1) & 1;
        return true;
    };
    try {
        if (size >= 2 && data[0] == 0x1F && data[1] == 0x8B) {
            const std::string path = "/tmp/tw-fuzz-vgm-" + std::to_string(getpid()) + ".vgz";
            FILE* f = std::fopen(path.c_str(), "wb");
            if (!f) return 0;
            std::fwrite(data, 1, size, f);
            std::fclose(f);
            try {
                if (ImportVgmFile(module, path, okay)) PlayLoadedSecond(module);
            } catch (const Exception&) {
            }
            std::remove(path.c_str());
        } else {
            if (ImportVgm(module, data, size, okay)) PlayLoadedSecond(module);
        }
    } catch (const Exception&) {
    }
    return 0;
}
