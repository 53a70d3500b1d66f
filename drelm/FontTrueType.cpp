// TrueType fonts through FreeType: every character from 32 to 255 is rendered once, hinted
// at the pixel size so stems fall on whole pixels, and packed into the glyph surface as
// white with the coverage as alpha. Kerning pairs come from the font's kerning table.
#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_OUTLINE_H

#include <algorithm>
#include <cstring>

#include "FontImpl.h"
#include "Internal.h"
#include "app/Exceptions.h"

namespace drelm {

namespace {

constexpr int kMaxFontSize = 256;
constexpr int kAtlasWidth = 512;

FT_Library FreeType() {
    static FT_Library library = nullptr;
    if (library == nullptr && FT_Init_FreeType(&library) != 0) {
        library = nullptr;
        throw Exception("DRELM: Load FreeType library");
    }
    return library;
}

struct Rendered {
    int width = 0;
    int height = 0;
    std::vector<uint8_t> coverage;
};

// Copies the rendered bitmap of the glyph slot (8-bit grey or 1-bit mono) as 8-bit coverage.
Rendered Capture(const FT_Bitmap& bitmap) {
    Rendered r;
    r.width = static_cast<int>(bitmap.width);
    r.height = static_cast<int>(bitmap.rows);
    r.coverage.assign(static_cast<size_t>(r.width) * r.height, 0);
    for (int y = 0; y < r.height; ++y) {
        const unsigned char* row = bitmap.buffer + static_cast<long>(y) * bitmap.pitch;
        for (int x = 0; x < r.width; ++x) {
            uint8_t v = 0;
            if (bitmap.pixel_mode == FT_PIXEL_MODE_MONO) {
                v = (row[x >> 3] & (0x80 >> (x & 7))) ? 255 : 0;
            } else if (bitmap.pixel_mode == FT_PIXEL_MODE_GRAY) {
                v = bitmap.num_grays == 256
                        ? row[x]
                        : static_cast<uint8_t>(row[x] * 255 / std::max(1, bitmap.num_grays - 1));
            }
            r.coverage[static_cast<size_t>(y) * r.width + x] = v;
        }
    }
    return r;
}

}  // namespace

void LoadTrueTypeFont(const char* fileName, int size, uint32_t flags, DRELM_Font::Impl& impl) {
    if (size < 1 || size > kMaxFontSize) throw Exception("DRELM: Create font");
    FT_Library library = FreeType();
    FT_Face face = nullptr;
    if (FT_New_Face(library, fileName, 0, &face) != 0) throw Exception("DRELM: Create font");
    struct FaceGuard {
        FT_Face face;
        ~FaceGuard() { FT_Done_Face(face); }
    } guard{face};
    if (!FT_IS_SCALABLE(face) || FT_Set_Pixel_Sizes(face, 0, static_cast<FT_UInt>(size)) != 0) {
        throw Exception("DRELM: Create font");
    }
    const bool mono = (flags & DRELM_FONT_MONOCHROME) != 0;
    const bool bold = (flags & DRELM_FONT_EMBOLDEN) != 0;
    impl.ascend = static_cast<int>((face->size->metrics.ascender + 63) >> 6);
    impl.descend = static_cast<int>((-face->size->metrics.descender + 63) >> 6);
    // Thickening by a 24th of the em, the usual synthetic bold.
    const FT_Pos strength = FT_MulFix(face->units_per_EM, face->size->metrics.y_scale) / 24;
    // The automatic hinter in normal mode snaps stems to whole pixels both ways, which
    // keeps 11 to 14 pixel text crisp and evenly spaced.
    const FT_Int32 loadFlags =
        FT_LOAD_FORCE_AUTOHINT | (mono ? FT_LOAD_TARGET_MONO : FT_LOAD_TARGET_NORMAL);

    std::array<Rendered, 256> bitmaps;
    std::array<FT_UInt, 256> indices{};
    for (int c = 32; c < 256; ++c) {
        const FT_UInt index = FT_Get_Char_Index(face, static_cast<FT_ULong>(c));
        if (index == 0 && c != ' ') continue;
        if (FT_Load_Glyph(face, index, loadFlags) != 0) continue;
        FT_GlyphSlot slot = face->glyph;
        FT_Pos advance = slot->advance.x;
        if (bold && slot->format == FT_GLYPH_FORMAT_OUTLINE) {
            FT_Outline_Embolden(&slot->outline, strength);
            advance += strength;
        }
        if (FT_Render_Glyph(slot, mono ? FT_RENDER_MODE_MONO : FT_RENDER_MODE_NORMAL) != 0)
            continue;
        FontGlyph& g = impl.glyphs[static_cast<size_t>(c)];
        g.present = true;
        g.advance = static_cast<int>((advance + 32) >> 6);
        g.offsetX = slot->bitmap_left;
        g.offsetY = impl.ascend - slot->bitmap_top;
        bitmaps[static_cast<size_t>(c)] = Capture(slot->bitmap);
        indices[static_cast<size_t>(c)] = index;
    }
    if (!impl.glyphs['?'].present) throw Exception("DRELM: Create font");

    // Shelf packing, one pixel apart so filtered blits never pick up a neighbour.
    int x = 0, y = 0, shelf = 0;
    for (int c = 32; c < 256; ++c) {
        Rendered& r = bitmaps[static_cast<size_t>(c)];
        if (!impl.glyphs[static_cast<size_t>(c)].present || r.width == 0 || r.height == 0) continue;
        // Widths are rounded up to whole groups of four pixels (transparent at the right),
        // which the blending draws fastest.
        const int width = (r.width + 3) & ~3;
        if (width > kAtlasWidth - 1) throw Exception("DRELM: Create font");
        if (x + width + 1 > kAtlasWidth) {
            x = 0;
            y += shelf + 1;
            shelf = 0;
        }
        impl.glyphs[static_cast<size_t>(c)].rect = Quelm::Rect(x + 1, y + 1, width, r.height);
        x += width + 1;
        shelf = std::max(shelf, r.height);
    }
    impl.surface.Create(kAtlasWidth, std::max(y + shelf + 2, 1), DRELM_FORMAT_A8R8G8B8);
    uint32_t* pixels = static_cast<uint32_t*>(impl.surface.Lock(DRELM_LOCK_WRITE));
    const int stride = impl.surface.Pitch() / 4;
    for (int c = 32; c < 256; ++c) {
        const FontGlyph& g = impl.glyphs[static_cast<size_t>(c)];
        const Rendered& r = bitmaps[static_cast<size_t>(c)];
        if (g.rect.IsEmpty()) continue;
        for (int row = 0; row < r.height; ++row) {
            for (int col = 0; col < r.width; ++col) {
                const uint32_t a = r.coverage[static_cast<size_t>(row) * r.width + col];
                pixels[static_cast<size_t>(g.rect.y + row) * stride + g.rect.x + col] =
                    (a << 24) | 0x00FFFFFFu;
            }
        }
    }
    impl.surface.Unlock();

    if (FT_HAS_KERNING(face)) {
        std::vector<int8_t> table(static_cast<size_t>(kKernChars) * kKernChars, 0);
        bool any = false;
        for (int l = kFirstKernChar; l < 256; ++l) {
            if (indices[static_cast<size_t>(l)] == 0) continue;
            for (int r = kFirstKernChar; r < 256; ++r) {
                if (indices[static_cast<size_t>(r)] == 0) continue;
                FT_Vector delta;
                // The font's own values, rounded to whole pixels (the fitted mode of the
                // rasteriser shrinks them at small sizes, which loses most pairs).
                if (FT_Get_Kerning(face, indices[static_cast<size_t>(l)],
                                   indices[static_cast<size_t>(r)], FT_KERNING_UNFITTED,
                                   &delta) != 0 ||
                    delta.x == 0) {
                    continue;
                }
                const long px = (delta.x + (delta.x >= 0 ? 32 : -32)) / 64;
                table[static_cast<size_t>((l - kFirstKernChar) * kKernChars + r - kFirstKernChar)] =
                    static_cast<int8_t>(std::clamp<long>(px, -127, 127));
                any = any || px != 0;
            }
        }
        if (any) impl.kerning.swap(table);
    }
}

}  // namespace drelm
