// Picture-font descriptions: any text gives a font or a parse error, never a crash. The
// description is written beside a fixed 16 x 16 picture.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>

#include "Drelm.h"
#include "app/Exceptions.h"

namespace {

std::string Directory() {
    static const std::string dir = [] {
        std::string d = "/tmp/fuzz-drelm-font-" + std::to_string(::getpid());
        std::string command = "mkdir -p " + d;
        if (std::system(command.c_str()) != 0) return std::string("/tmp");
        DRELM_Surface picture;
        picture.Create(16, 16, DRELM_FORMAT_A8R8G8B8);
        picture.FillRect(Quelm::Rect(0, 0, 8, 8), DRELM_WHITE);
        picture.Save((d + "/glyphs.png").c_str());
        return d;
    }();
    return dir;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string file = Directory() + "/font.font";
    FILE* f = std::fopen(file.c_str(), "wb");
    if (f == nullptr) return 0;
    std::fwrite(data, 1, size, f);
    std::fclose(f);
    try {
        DRELM_Font* font = DRELM_CreateFont(file.c_str(), 0, 0, DRELM_FONT_LOAD_PICTURE);
        font->TextWidth("Hello ?\xC3\xA9");
        DRELM_Surface target;
        target.Create(32, 16, DRELM_FORMAT_A8R8G8B8);
        font->PrintSrfc(-3, 2, "AB01", &target);
        DRELM_FreeFont(font);
    } catch (const Exception&) {
    }
    return 0;
}
