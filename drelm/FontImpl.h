// The inside of DRELM_Font: one glyph record per character 0..255, their pictures packed
// into one surface and texture, the metrics and the kerning table.
#pragma once

#include <array>
#include <string>
#include <vector>

#include "Drelm.h"

inline constexpr int kFirstKernChar = 32;
inline constexpr int kKernChars = 256 - kFirstKernChar;

struct FontGlyph {
    bool present = false;
    Quelm::Rect rect;  // in the glyph surface
    int offsetX = 0;   // from the pen position to the picture's left edge
    int offsetY = 0;   // from the top of the line to the picture's top edge
    int advance = 0;
};

struct DRELM_Font::Impl {
    bool created = false;
    int size = 0;
    int ascend = 0;
    int descend = 0;
    std::array<FontGlyph, 256> glyphs;
    std::vector<int8_t> kerning;  // kKernChars x kKernChars, empty when the font has none
    DRELM_Surface surface;
    DRELM_Texture texture;
    DRELM_Texture* other = nullptr;
    DRELM_Point otherPoint;

    int Kerning(int left, int right) const {
        if (kerning.empty() || left < kFirstKernChar || right < kFirstKernChar || left > 255 ||
            right > 255) {
            return 0;
        }
        return kerning[static_cast<size_t>((left - kFirstKernChar) * kKernChars + right -
                                           kFirstKernChar)];
    }
};

namespace drelm {

// Fill `impl` (metrics, glyphs, surface) from a font file; the caller makes the texture.
void LoadTrueTypeFont(const char* fileName, int size, uint32_t flags, DRELM_Font::Impl& impl);
void LoadPictureFont(const char* fileName, DRELM_Font::Impl& impl);
// Whether a file starts like a picture-font description rather than a font program.
bool LooksLikeFontDescription(const char* fileName);

// Decodes one character of UTF-8 text at `p` (Latin-1 for a byte that starts no valid
// sequence) and advances `p`.
int NextCharacter(const unsigned char*& p, const unsigned char* end);

}  // namespace drelm
