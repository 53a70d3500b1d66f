// Fuzz target for the console song replayer: any bytes either are refused with a
// ParseException or play for a while without a fault, never leaving the file's bounds.
#include <cstddef>
#include <cstdint>

#include "app/Exceptions.h"
#include "export/DadivevPlayer.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static DadivevPlayer* player = new DadivevPlayer();
    try {
        player->Load(data, size);
    } catch (const ParseException&) {
        return 0;
    }
    // Long enough to pass several steps at the slowest speed and to loop short songs.
    for (int frame = 0; frame < 4000; ++frame) player->PlayFrame();
    return 0;
}
