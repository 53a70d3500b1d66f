// Makes the demo's picture font: the printable ASCII characters rendered without
// anti-aliasing from a monospaced TrueType font, coloured with a vertical gold gradient
// and a dark drop shadow, in a grid of cells, plus the description file that places them.
#include "PictureFontMaker.h"

#include <algorithm>
#include <cstdio>
#include <string>

#include "Drelm.h"

namespace {

constexpr int kFirst = 32;
constexpr int kLast = 126;
constexpr int kPerRow = 16;

}  // namespace

std::string MakePictureFont(const std::string& directory, const char* trueTypeFile, int size) {
    DRELM_Font source;
    source.Create(trueTypeFile, size, DRELM_FONT_MONOCHROME | DRELM_FONT_EMBOLDEN,
                  DRELM_FONT_LOAD_TRUETYPE);
    int cellW = 0;
    for (int c = kFirst; c <= kLast; ++c) cellW = std::max(cellW, source.CharacterWidth(c));
    cellW += 1;  // room for the shadow
    const int cellH = source.Height() + 1;
    const int count = kLast - kFirst + 1;
    const int rows = (count + kPerRow - 1) / kPerRow;

    // White glyphs first, then colour and shadow from their shape.
    DRELM_Surface mask;
    mask.Create(cellW * kPerRow, cellH * rows, DRELM_FORMAT_A8R8G8B8);
    for (int i = 0; i < count; ++i) {
        const char text[2] = {static_cast<char>(kFirst + i), '\0'};
        source.PrintSrfc((i % kPerRow) * cellW, (i / kPerRow) * cellH, text, &mask, DRELM_WHITE);
    }
    DRELM_Surface picture;
    picture.Create(mask.Width(), mask.Height(), DRELM_FORMAT_A8R8G8B8);
    const int ascend = source.Ascend();
    for (int y = 0; y < picture.Height(); ++y) {
        for (int x = 0; x < picture.Width(); ++x) {
            const int row = y % cellH;
            const bool ink = mask.GetPixel(x, y).a >= 128;
            const bool shadow = x % cellW > 0 && row > 0 && mask.GetPixel(x - 1, y - 1).a >= 128;
            if (ink) {
                // Gold at the top, deep orange at the baseline.
                const int t = std::min(255, row * 255 / std::max(1, ascend));
                picture.SetPixel(
                    x, y,
                    DRELM_RGBA(255, uint8_t(230 - t * 110 / 255), uint8_t(120 - t * 110 / 255)));
            } else if (shadow) {
                picture.SetPixel(x, y, DRELM_RGBA(40, 20, 0, 200));
            }
        }
    }
    const std::string pictureFile = directory + "/demo-picture-font.png";
    picture.Save(pictureFile.c_str());

    const std::string description = directory + "/demo-picture-font.font";
    FILE* f = std::fopen(description.c_str(), "wb");
    if (f == nullptr) return "";
    std::fprintf(f,
                 "; the demo's picture font, made by drelm-demo\r\n"
                 "font \"Demo gold\"\r\n"
                 "picture \"demo-picture-font.png\"\r\n"
                 "height %d\r\n"
                 "ascend %d\r\n"
                 "chars %d, %d place 0, 0, %d, %d, %d\r\n",
                 cellH, ascend, kFirst, kLast, cellW, cellH, kPerRow);
    std::fclose(f);
    return description;
}
