// Picture files from memory: every decoder behind the first-bytes dispatch must turn any
// input into a picture or one of the loader's errors.
#include <cstddef>
#include <cstdint>

#include "Drelm.h"
#include "app/Exceptions.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    for (uint32_t flags : {0u, static_cast<uint32_t>(DRELM_SURFACE_KEEP_PALETTE)}) {
        try {
            DRELM_Surface* s = DRELM_CreateSurfaceFromMemory(data, size, flags);
            // A picture that loads must also convert and scale.
            s->Convert(DRELM_FORMAT_A8R8G8B8);
            s->Resize(Quelm::Rect(0, 0, 7, 5), DRELM_FILTER_BILINEAR);
            DRELM_FreeSurface(s);
        } catch (const Exception&) {
        }
    }
    return 0;
}
