// Fonts: creating them (TrueType or picture), measuring text and drawing it glyph by
// glyph from the glyph texture, with kerning between neighbours.
#include <cstring>
#include <memory>

#include "FontImpl.h"
#include "Internal.h"
#include "app/Exceptions.h"

namespace drelm {

int NextCharacter(const unsigned char*& p, const unsigned char* end) {
    const unsigned char c = *p;
    if (c < 0x80) {
        ++p;
        return c;
    }
    int length = 0;
    int value = 0;
    if ((c & 0xE0) == 0xC0) {
        length = 2;
        value = c & 0x1F;
    } else if ((c & 0xF0) == 0xE0) {
        length = 3;
        value = c & 0x0F;
    } else if ((c & 0xF8) == 0xF0) {
        length = 4;
        value = c & 0x07;
    }
    if (length == 0 || end - p < length) {
        ++p;
        return c;
    }
    for (int i = 1; i < length; ++i) {
        if ((p[i] & 0xC0) != 0x80) {
            ++p;
            return c;
        }
        value = (value << 6) | (p[i] & 0x3F);
    }
    // Overlong forms are not characters of their own.
    static const int kMinimum[5] = {0, 0, 0x80, 0x800, 0x10000};
    if (value < kMinimum[length]) {
        ++p;
        return c;
    }
    p += length;
    return value;
}

}  // namespace drelm

namespace {

// Characters outside the font's range, or without a glyph, are drawn as "?"; control
// characters take no room.
const FontGlyph* GlyphFor(const DRELM_Font::Impl& f, int c, int* shownAs) {
    if (c < 32) return nullptr;
    if (c > 255 || !f.glyphs[static_cast<size_t>(c)].present) c = '?';
    *shownAs = c;
    return f.glyphs[static_cast<size_t>(c)].present ? &f.glyphs[static_cast<size_t>(c)] : nullptr;
}

// Walks the glyphs of `length` bytes of text; `visit(glyph, penX)` for each drawn glyph.
// Gives back the advance of the whole text.
template <typename Visit>
int Walk(const DRELM_Font::Impl& f, const char* text, size_t length, Visit&& visit) {
    if (text == nullptr) return 0;
    const auto* p = reinterpret_cast<const unsigned char*>(text);
    const auto* end = p + length;
    int pen = 0;
    int previous = -1;
    while (p < end) {
        const int c = drelm::NextCharacter(p, end);
        int shown = c;
        const FontGlyph* g = GlyphFor(f, c, &shown);
        if (g == nullptr) continue;
        if (previous >= 0) pen += f.Kerning(previous, shown);
        if (!visit(*g, pen)) break;
        pen += g->advance;
        previous = shown;
    }
    return pen;
}

struct GlyphSource {
    const DRELM_Texture* texture;
    DRELM_Point at;
};

GlyphSource SourceOf(const DRELM_Font::Impl& f) {
    if (f.other != nullptr && f.other->IsCreated()) return {f.other, f.otherPoint};
    return {&f.texture, DRELM_Point(0, 0)};
}

// Draws onto the current render target; `maxWidth` < 0 for no limit.
int Draw(const DRELM_Font::Impl& f, int x, int y, const char* text, size_t length,
         const DRELM_RGBA& colour, int maxWidth) {
    if (!f.created || text == nullptr) return 0;
    drelm::Canvas canvas = drelm::CurrentCanvas();
    const drelm::Paint paint = drelm::CurrentPaint();
    const GlyphSource from = SourceOf(f);
    drelm::Source source;
    source.pixels = reinterpret_cast<const uint32_t*>(DrelmInternal::Pixels(*from.texture));
    source.width = from.texture->Width();
    source.height = from.texture->Height();
    source.stride = from.texture->Width();
    source.opaque = from.texture->Format() == DRELM_FORMAT_X8R8G8B8;
    const DRELM_Point o = drelm::Lib().draw.current.offset;
    const uint32_t modulate = colour.Packed();
    int drawn = 0;
    const int total = Walk(f, text, length, [&](const FontGlyph& g, int pen) {
        if (maxWidth >= 0 && pen + g.advance > maxWidth) return false;
        drawn = pen + g.advance;
        if (canvas.pixels != nullptr && !g.rect.IsEmpty()) {
            const Quelm::Rect src(g.rect.x + from.at.x, g.rect.y + from.at.y, g.rect.width,
                                  g.rect.height);
            const Quelm::Rect dst(x + o.x + pen + g.offsetX, y + o.y + g.offsetY, g.rect.width,
                                  g.rect.height);
            drelm::Blit(canvas, paint, source, src, dst, modulate);
        }
        return true;
    });
    return maxWidth >= 0 ? drawn : total;
}

}  // namespace

DRELM_Font::DRELM_Font() : impl(new Impl) {}

DRELM_Font::~DRELM_Font() { delete impl; }

void DRELM_Font::Create(const char* name, int size, uint32_t flags, DRELM_FONT_LOAD_MODE loadMode) {
    Free();
    if (name == nullptr) throw Exception("DRELM: Create font");
    // Built aside, so a failure leaves the font empty rather than half made.
    std::unique_ptr<Impl> fresh(new Impl);
    const bool picture =
        loadMode == DRELM_FONT_LOAD_PICTURE ||
        (loadMode == DRELM_FONT_LOAD_AUTO && drelm::LooksLikeFontDescription(name));
    if (picture) {
        drelm::LoadPictureFont(name, *fresh);
    } else {
        drelm::LoadTrueTypeFont(name, size, flags, *fresh);
    }
    try {
        fresh->texture.Create(fresh->surface.Width(), fresh->surface.Height(),
                              DRELM_FORMAT_A8R8G8B8);
    } catch (const Exception&) {
        throw Exception("DRELM: Create font");
    }
    fresh->surface.CopyToTexture(&fresh->texture);
    fresh->size = picture ? fresh->ascend + fresh->descend : size;
    fresh->created = true;
    delete impl;
    impl = fresh.release();
}

void DRELM_Font::Free() {
    impl->surface.Free();
    impl->texture.Free();
    impl->kerning.clear();
    impl->glyphs = {};
    impl->created = false;
    impl->other = nullptr;
    impl->size = impl->ascend = impl->descend = 0;
}

void DRELM_Font::Clear() { impl->other = nullptr; }

int DRELM_Font::Print(int x, int y, const char* text, const DRELM_RGBA& colour) const {
    return Draw(*impl, x, y, text, text != nullptr ? std::strlen(text) : 0, colour, -1);
}

int DRELM_Font::PrintBW(int x, int y, const char* text, const DRELM_RGBA& colour) const {
    return Print(x - TextWidth(text), y, text, colour);
}

int DRELM_Font::PrintMW(int x, int y, int width, const char* text, const DRELM_RGBA& colour) const {
    if (width <= 0) return 0;
    return Draw(*impl, x, y, text, text != nullptr ? std::strlen(text) : 0, colour, width);
}

int DRELM_Font::PrintLine(int x, int y, const DRELM_LinePart* lineArray,
                          const DRELM_RGBA& colour) const {
    if (lineArray == nullptr) return 0;
    int pen = 0;
    for (const DRELM_LinePart* part = lineArray; part->text != nullptr; ++part) {
        if (part->x >= 0) pen = part->x;
        pen += Print(x + pen, y, part->text, colour);
    }
    return pen;
}

int DRELM_Font::PrintSrfc(int x, int y, const char* text, DRELM_Surface* surface,
                          const DRELM_RGBA& colour) const {
    if (!impl->created || text == nullptr || surface == nullptr) return 0;
    const DRELM_FORMAT format = surface->Format();
    if (format != DRELM_FORMAT_A8R8G8B8 && format != DRELM_FORMAT_X8R8G8B8) return TextWidth(text);
    drelm::Canvas canvas;
    canvas.pixels = static_cast<uint32_t*>(surface->Lock(DRELM_LOCK_READWRITE));
    canvas.width = surface->Width();
    canvas.height = surface->Height();
    canvas.stride = surface->Pitch() / 4;
    drelm::Paint paint;
    paint.clip = Quelm::Rect(0, 0, canvas.width, canvas.height);
    drelm::Source source;
    source.pixels = reinterpret_cast<const uint32_t*>(DrelmInternal::Pixels(impl->surface));
    source.width = impl->surface.Width();
    source.height = impl->surface.Height();
    source.stride = impl->surface.Width();
    const int width = Walk(*impl, text, std::strlen(text), [&](const FontGlyph& g, int pen) {
        if (!g.rect.IsEmpty()) {
            drelm::Blit(
                canvas, paint, source, g.rect,
                Quelm::Rect(x + pen + g.offsetX, y + g.offsetY, g.rect.width, g.rect.height),
                colour.Packed());
        }
        return true;
    });
    surface->Unlock();
    return width;
}

int DRELM_Font::TextWidth(const char* text) const {
    if (text == nullptr) return 0;
    return Walk(*impl, text, std::strlen(text), [](const FontGlyph&, int) { return true; });
}

int DRELM_Font::TextPartWidth(const char* text, int from, int count) const {
    if (text == nullptr || from < 0 || count <= 0) return 0;
    const size_t length = std::strlen(text);
    if (static_cast<size_t>(from) >= length) return 0;
    const size_t n = std::min(length - static_cast<size_t>(from), static_cast<size_t>(count));
    return Walk(*impl, text + from, n, [](const FontGlyph&, int) { return true; });
}

int DRELM_Font::TextLineWidth(const DRELM_LinePart* lineArray) const {
    if (lineArray == nullptr) return 0;
    int pen = 0;
    for (const DRELM_LinePart* part = lineArray; part->text != nullptr; ++part) {
        if (part->x >= 0) pen = part->x;
        pen += TextWidth(part->text);
    }
    return pen;
}

int DRELM_Font::CharacterWidth(int character) const {
    int shown = character;
    const FontGlyph* g = GlyphFor(*impl, character, &shown);
    return g != nullptr ? g->advance : 0;
}

void DRELM_Font::UseOtherTexture(DRELM_Texture* texture, DRELM_Point point) {
    impl->other = texture;
    impl->otherPoint = point;
}

const DRELM_Surface* DRELM_Font::GlyphSurface() const { return &impl->surface; }
int DRELM_Font::Height() const { return impl->ascend + impl->descend; }
int DRELM_Font::Ascend() const { return impl->ascend; }
int DRELM_Font::Descend() const { return impl->descend; }
int DRELM_Font::Size() const { return impl->size; }
bool DRELM_Font::IsCreated() const { return impl->created; }

DRELM_Font* DRELM_CreateFont(const char* name, int size, uint32_t flags,
                             DRELM_FONT_LOAD_MODE loadMode) {
    auto* font = new DRELM_Font;
    try {
        font->Create(name, size, flags, loadMode);
    } catch (...) {
        delete font;
        throw;
    }
    return font;
}

void DRELM_FreeFont(DRELM_Font* font) { delete font; }
