// tonweave-pattern-font OUT.png FONT.ttf: draws the pattern view's font picture from a
// monospaced TrueType font. The printable ASCII characters 32..127 come twice: in cells
// of 8 x 12 pixels, 16 to a row (the normal glyphs, top 72 rows), and squeezed into cells
// of 4 x 12 pixels, 32 to a row (the narrow glyphs, the 36 rows below).
#include <cstdio>

#include "Drelm.h"
#include "app/Exceptions.h"

namespace {

constexpr int kFirst = 32;
constexpr int kCount = 96;
constexpr int kCellW = 8, kCellH = 12;
constexpr int kNarrowW = 4;
constexpr int kNormalRows = kCount / 16;
constexpr int kNarrowRows = kCount / 32;

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: tonweave-pattern-font OUT.png FONT.ttf\n");
        return 2;
    }
    try {
        DRELM_Init();
        DRELM_Font font;
        font.Create(argv[2], 11, DRELM_FONT_MONOCHROME, DRELM_FONT_LOAD_TRUETYPE);
        DRELM_Surface glyphs;
        glyphs.Create(kCellW * kCount, kCellH, DRELM_FORMAT_A8R8G8B8);
        const int top = (kCellH - font.Height()) / 2;
        for (int i = 0; i < kCount; ++i) {
            const char text[2] = {char(kFirst + i), '\0'};
            const int x = i * kCellW + (kCellW - font.CharacterWidth(kFirst + i)) / 2;
            font.PrintSrfc(x, top, text, &glyphs, DRELM_WHITE);
        }
        DRELM_Surface picture;
        picture.Create(16 * kCellW, (kNormalRows + kNarrowRows) * kCellH, DRELM_FORMAT_A8R8G8B8);
        const DRELM_RGBA clear(0, 0, 0, 0);
        for (int y = 0; y < picture.Height(); ++y)
            for (int x = 0; x < picture.Width(); ++x) picture.SetPixel(x, y, clear);
        for (int i = 0; i < kCount; ++i) {
            const int nx = (i % 16) * kCellW, ny = (i / 16) * kCellH;
            const int sx = (i % 32) * kNarrowW, sy = (kNormalRows + i / 32) * kCellH;
            for (int y = 0; y < kCellH; ++y) {
                for (int x = 0; x < kCellW; ++x) {
                    if (glyphs.GetPixel(i * kCellW + x, y).a >= 128)
                        picture.SetPixel(nx + x, ny + y, DRELM_WHITE);
                }
                // Each narrow pixel keeps the ink of the two it stands for.
                for (int x = 0; x < kNarrowW; ++x) {
                    const bool ink = glyphs.GetPixel(i * kCellW + 2 * x, y).a >= 128 ||
                                     glyphs.GetPixel(i * kCellW + 2 * x + 1, y).a >= 128;
                    if (ink) picture.SetPixel(sx + x, sy + y, DRELM_WHITE);
                }
            }
        }
        picture.Save(argv[1]);
        font.Free();
        DRELM_Quit();
    } catch (const Exception& e) {
        std::fprintf(stderr, "tonweave-pattern-font: %s\n", e.Message());
        return 1;
    }
    return 0;
}
