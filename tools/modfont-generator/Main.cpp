// Draws the pattern font "modfont.png" from the glyph tables in this directory.
// usage: modfont-generator OUTPUT_DIR
#include <cstdio>
#include <cstring>
#include <string>

#include "../skin-generator/Canvas.h"
#include "ModFontLayout.h"

namespace {

const char* const kNormal[kModFontChars][7] = {
#include "Glyphs5x7.inc"
};
const char* const kNarrow[kModFontChars][7] = {
#include "Glyphs3x7.inc"
};

bool HasDescender(char c) { return std::strchr("gjpqy", c) != nullptr; }

void DrawGlyph(Canvas& canvas, const char* const rows[7], int x, int y) {
    for (int r = 0; r < 7; ++r)
        for (int k = 0; rows[r][k]; ++k)
            if (rows[r][k] == '#') canvas.Fill(x + k, y + r, 1, 1, Rgba{255, 255, 255, 255});
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: modfont-generator OUTPUT_DIR\n");
        return 2;
    }
    Canvas canvas(kModFontImageWidth, kModFontImageHeight);
    for (int i = 0; i < kModFontChars; ++i) {
        const char c = static_cast<char>(kModFontFirstChar + i);
        const int drop = HasDescender(c) ? 1 : 0;
        DrawGlyph(canvas, kNormal[i], i * kModFontNormalWidth + 1, kModFontNormalTop + 1 + drop);
        DrawGlyph(canvas, kNarrow[i], i * kModFontNarrowWidth + 1, kModFontNarrowTop + 1 + drop);
    }
    const std::string path = std::string(argv[1]) + "/modfont.png";
    if (!canvas.SavePng(path)) {
        std::fprintf(stderr, "modfont-generator: cannot write %s\n", path.c_str());
        return 1;
    }
    return 0;
}
