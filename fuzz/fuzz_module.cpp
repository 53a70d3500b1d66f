// Module loader fuzz target: any bytes either load or throw an Exception. A module that
// loads must save, load back and save again into the same bytes, and play a second of
// audio without fault.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "ImportFuzzPlay.h"
#include "app/Exceptions.h"
#include "fuzz/FuzzScratch.h"
#include "module/Module.h"
#include "sound/NoteTable.h"
#include "sound/Player.h"

namespace {

std::vector<uint8_t> WrittenBytes(const Module& module) {
    FILE* file = std::tmpfile();
    if (!file) std::abort();
    module.Write(file);
    std::fflush(file);
    std::vector<uint8_t> bytes(static_cast<size_t>(std::ftell(file)));
    std::rewind(file);
    if (std::fread(bytes.data(), 1, bytes.size(), file) != bytes.size()) std::abort();
    std::fclose(file);
    return bytes;
}

bool LoadFrom(Module& module, const std::string& path, const uint8_t* data, size_t size) {
    FILE* file = std::fopen(path.c_str(), "wb");
    if (!file) std::abort();
    if (size && std::fwrite(data, 1, size, file) != size) std::abort();
    std::fclose(file);
    try {
        return module.Load(path);
    } catch (const Exception&) {
        return false;
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const std::string path = ScratchPath("module");
    static Module* module = new Module;
    static Module* copy = new Module;
    if (!LoadFrom(*module, path, data, size)) return 0;

    const std::vector<uint8_t> first = WrittenBytes(*module);
    if (!LoadFrom(*copy, path, first.data(), first.size())) std::abort();
    if (WrittenBytes(*copy) != first) std::abort();
    PlayLoadedSecond(*module);
    return 0;
}
