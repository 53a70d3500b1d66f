// module-seeds DIR: writes the module loader's fuzz seeds into DIR. Regenerating the
// committed seeds is a step taken on purpose: module-seeds fuzz/corpus/module
#include <cstdio>
#include <filesystem>

#include "app/Exceptions.h"
#include "tools/module-seeds/ModuleSeeds.h"

int main(int argc, char** argv) {
    if (argc != 2 || !std::filesystem::is_directory(argv[1])) {
        std::fprintf(stderr, "Usage: module-seeds DIRECTORY (an existing directory)\n");
        return 1;
    }
    try {
        WriteModuleSeeds(argv[1]);
    } catch (const Exception& e) {
        std::fprintf(stderr, "Couldn't write the seeds: %s\n", e.Message());
        return 1;
    }
    return 0;
}
