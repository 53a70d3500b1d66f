// Writes the demo song as a module file. Regenerating the shipped file is an explicit step:
//   tonweave-make-demo assets/demo/demo.quavex
// With --check the file is compared with what the generator makes now instead.
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include <unistd.h>

#include "DemoSong.h"
#include "app/Exceptions.h"
#include "app/SafeFile.h"
#include "sound/NoteTable.h"

namespace {

std::vector<char> ReadAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<char>(std::istreambuf_iterator<char>(in), {});
}

}  // namespace

int main(int argc, char** argv) {
    const bool check = argc == 3 && std::strcmp(argv[1], "--check") == 0;
    if (argc != 2 && !check) {
        std::fprintf(stderr, "usage: %s [--check] OUT.quavex\n", argv[0]);
        return 2;
    }
    const std::string path = argv[argc - 1];
    auto module = std::make_unique<Module>();
    ComposeDemoSong(*module);
    try {
        if (!check) {
            module->Save(path);
            std::printf("Wrote %s\n", path.c_str());
            return 0;
        }
        const std::string fresh = (std::filesystem::temp_directory_path() /
                                   ("tonweave-demo-" + std::to_string(getpid()) + ".quavex"))
                                      .string();
        module->Save(fresh);
        const bool same = ReadAll(fresh) == ReadAll(path);
        std::remove(fresh.c_str());
        if (!same) {
            std::fprintf(stderr, "%s differs from the generator's song; regenerate it.\n",
                         path.c_str());
            return 1;
        }
        return 0;
    } catch (const Exception& e) {
        std::fprintf(stderr, "Couldn't write the demo song: %s\n", e.Message());
        return 1;
    }
}
