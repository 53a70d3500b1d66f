// Palettes, surfaces (pixels in memory in any format) and the pixel side of textures.
#include <algorithm>
#include <cstring>
#include <new>
#include <unordered_map>

#include "Internal.h"
#include "PixelFormat.h"

using drelm::Fail;

namespace {

constexpr int kMaxSurfaceSide = 16384;
constexpr long long kMaxSurfacePixels = 64LL * 1024 * 1024;
constexpr int kMaxTextureSide = 8192;

bool IsSurfaceFormat(DRELM_FORMAT f) { return f >= DRELM_FORMAT_A8R8G8B8 && f <= DRELM_FORMAT_A8; }

// Every pixel as A8R8G8B8, row after row without padding.
std::vector<uint32_t> ToArgb(const DRELM_SurfaceOrTexture& s, const DRELM_Palette* palette) {
    std::vector<uint32_t> out(static_cast<size_t>(s.Width()) * static_cast<size_t>(s.Height()));
    const uint8_t* base = DrelmInternal::Pixels(s);
    const int bpp = DRELM_BytesPerPixel(s.Format());
    for (int y = 0; y < s.Height(); ++y) {
        const uint8_t* row = base + static_cast<size_t>(y) * static_cast<size_t>(s.Pitch());
        for (int x = 0; x < s.Width(); ++x) {
            out[static_cast<size_t>(y) * s.Width() + x] =
                drelm::ReadPixel(row + static_cast<size_t>(x) * bpp, s.Format(), palette);
        }
    }
    return out;
}

void ApplyColorKey(std::vector<uint32_t>& argb, uint32_t a, uint32_t b) {
    if ((b & DRELM_CONVERT_COLORKEY) == 0) return;
    const uint32_t key = a & 0x00FFFFFFu;
    for (uint32_t& p : argb) {
        if ((p & 0x00FFFFFFu) == key) p = 0;
    }
}

// A palette for pixels that had none: their own colours when there are at most 256,
// otherwise 3 bits of red and green and 2 of blue.
DRELM_Palette BuildPalette(const std::vector<uint32_t>& argb) {
    DRELM_Palette palette;
    std::unordered_map<uint32_t, int> seen;
    for (uint32_t p : argb) {
        if (seen.count(p) != 0) continue;
        if (seen.size() == 256) {
            palette.colors.clear();
            for (int i = 0; i < 256; ++i) {
                palette.AddColor(DRELM_RGBA(uint8_t((i >> 5) * 255 / 7),
                                            uint8_t(((i >> 2) & 7) * 255 / 7),
                                            uint8_t((i & 3) * 255 / 3)));
            }
            return palette;
        }
        seen.emplace(p, palette.AddColor(DRELM_RGBA(p)));
    }
    return palette;
}

void StoreArgb(DRELM_Surface& s, const std::vector<uint32_t>& argb, int w, int h,
               DRELM_FORMAT format) {
    DrelmInternal::Allocate(s, w, h, format);
    uint8_t* base = DrelmInternal::Pixels(s);
    const int bpp = DRELM_BytesPerPixel(format);
    for (int y = 0; y < h; ++y) {
        uint8_t* row = base + static_cast<size_t>(y) * static_cast<size_t>(s.Pitch());
        for (int x = 0; x < w; ++x) {
            drelm::WritePixel(row + static_cast<size_t>(x) * bpp, format,
                              argb[static_cast<size_t>(y) * w + x], &s.palette);
        }
    }
}

// Copies `rect` of `from` to x, y of `to`, converting formats, cut to both pictures.
void CopyPixels(const DRELM_SurfaceOrTexture& from, const DRELM_Palette* fromPalette,
                const Quelm::Rect& rect, int x, int y, DRELM_SurfaceOrTexture& to,
                const DRELM_Palette* toPalette) {
    if (!from.IsCreated() || !to.IsCreated()) return;
    Quelm::Rect src = rect.Intersect(Quelm::Rect(0, 0, from.Width(), from.Height()));
    // Keep the part of the source that lands on the target, at its original place.
    const int dx = x - rect.x;
    const int dy = y - rect.y;
    src = src.Intersect(Quelm::Rect(-dx, -dy, to.Width(), to.Height()));
    if (src.IsEmpty()) return;
    const int sb = DRELM_BytesPerPixel(from.Format());
    const int db = DRELM_BytesPerPixel(to.Format());
    const uint8_t* sp = DrelmInternal::Pixels(from);
    uint8_t* dp = DrelmInternal::Pixels(to);
    const bool same = from.Format() == to.Format() &&
                      (from.Format() != DRELM_FORMAT_P8 || fromPalette == toPalette);
    for (int row = src.y; row < src.Bottom(); ++row) {
        const uint8_t* s =
            sp + static_cast<size_t>(row) * from.Pitch() + static_cast<size_t>(src.x) * sb;
        uint8_t* d =
            dp + static_cast<size_t>(row + dy) * to.Pitch() + static_cast<size_t>(src.x + dx) * db;
        if (same) {
            std::memcpy(d, s, static_cast<size_t>(src.width) * sb);
            continue;
        }
        for (int i = 0; i < src.width; ++i) {
            drelm::WritePixel(
                d + static_cast<size_t>(i) * db, to.Format(),
                drelm::ReadPixel(s + static_cast<size_t>(i) * sb, from.Format(), fromPalette),
                toPalette);
        }
    }
}

}  // namespace

int DRELM_BytesPerPixel(DRELM_FORMAT format) {
    switch (format) {
        case DRELM_FORMAT_A8R8G8B8:
        case DRELM_FORMAT_X8R8G8B8:
            return 4;
        case DRELM_FORMAT_R5G6B5:
        case DRELM_FORMAT_A1R5G5B5:
        case DRELM_FORMAT_A4R4G4B4:
            return 2;
        case DRELM_FORMAT_P8:
        case DRELM_FORMAT_A8:
            return 1;
        default:
            return 0;
    }
}

// ---- DRELM_Palette ----------------------------------------------------------------------

int DRELM_Palette::AddColor(const DRELM_RGBA& rgba) {
    colors.push_back(rgba);
    return Count() - 1;
}

void DRELM_Palette::SetColor(int index, const DRELM_RGBA& value) {
    if (index < 0 || index >= 256) return;
    if (index >= Count()) colors.resize(static_cast<size_t>(index) + 1, DRELM_BLACK);
    colors[static_cast<size_t>(index)] = value;
}

DRELM_RGBA DRELM_Palette::GetColor(int index) const {
    if (index < 0 || index >= Count()) return DRELM_BLACK;
    return colors[static_cast<size_t>(index)];
}

// ---- DRELM_SurfaceOrTexture ---------------------------------------------------------------

DRELM_SurfaceOrTexture::~DRELM_SurfaceOrTexture() = default;

void DRELM_SurfaceOrTexture::Allocate(int w, int h, DRELM_FORMAT f) {
    if (w <= 0 || h <= 0 || w > kMaxSurfaceSide || h > kMaxSurfaceSide ||
        static_cast<long long>(w) * h > kMaxSurfacePixels || DRELM_BytesPerPixel(f) == 0) {
        Fail("DRELM: Allocate surface pixels");
    }
    std::vector<uint8_t> fresh;
    try {
        fresh.assign(static_cast<size_t>(w) * static_cast<size_t>(h) * DRELM_BytesPerPixel(f), 0);
    } catch (const std::bad_alloc&) {
        Fail("DRELM: Allocate surface pixels");
    }
    pixels.swap(fresh);
    width = w;
    height = h;
    format = f;
    pitch = w * DRELM_BytesPerPixel(f);
    lockCount = 0;
}

void DRELM_SurfaceOrTexture::Release() {
    std::vector<uint8_t>().swap(pixels);
    width = height = pitch = 0;
    format = DRELM_FORMAT_UNKNOWN;
    lockCount = 0;
}

void* DRELM_SurfaceOrTexture::Lock(DRELM_LOCK_MODE lockMode) {
    return Lock(lockMode, Quelm::Rect(0, 0, width, height));
}

void* DRELM_SurfaceOrTexture::Lock(DRELM_LOCK_MODE, const Quelm::Rect& rect) {
    if (!IsCreated() || rect.IsEmpty() || rect.x < 0 || rect.y < 0 || rect.Right() > width ||
        rect.Bottom() > height) {
        return nullptr;
    }
    ++lockCount;
    return pixels.data() + static_cast<size_t>(rect.y) * pitch +
           static_cast<size_t>(rect.x) * DRELM_BytesPerPixel(format);
}

void DRELM_SurfaceOrTexture::Unlock() {
    if (lockCount > 0) --lockCount;
}

DRELM_RGBA DRELM_SurfaceOrTexture::GetPixel(int x, int y) const {
    if (!IsCreated() || x < 0 || y < 0 || x >= width || y >= height) return DRELM_RGBA(0, 0, 0, 0);
    const DRELM_Palette* palette = nullptr;
    if (format == DRELM_FORMAT_P8) palette = &static_cast<const DRELM_Surface*>(this)->palette;
    return DRELM_RGBA(drelm::ReadPixel(pixels.data() + static_cast<size_t>(y) * pitch +
                                           static_cast<size_t>(x) * DRELM_BytesPerPixel(format),
                                       format, palette));
}

// ---- DRELM_Surface -----------------------------------------------------------------------

DRELM_Surface::~DRELM_Surface() = default;

void DRELM_Surface::Create(int w, int h, DRELM_FORMAT f, uint32_t) {
    if (!IsSurfaceFormat(f)) Fail("DRELM: Allocate surface pixels");
    Allocate(w, h, f);
    palette.colors.clear();
}

void DRELM_Surface::Create(const char* fileName, uint32_t flags) {
    DRELM_Surface loaded;
    drelm::LoadPicture(fileName, (flags & DRELM_SURFACE_KEEP_PALETTE) != 0, loaded);
    pixels.swap(loaded.pixels);
    width = loaded.width;
    height = loaded.height;
    pitch = loaded.pitch;
    format = loaded.format;
    palette = loaded.palette;
    lockCount = 0;
}

void DRELM_Surface::Free() {
    Release();
    palette.colors.clear();
}

void DRELM_Surface::Clear() { std::fill(pixels.begin(), pixels.end(), uint8_t(0)); }

void DRELM_Surface::Convert(DRELM_FORMAT f, uint32_t a, uint32_t b) {
    if (!IsCreated()) return;
    if (!IsSurfaceFormat(f)) Fail("DRELM: Allocate surface pixels");
    std::vector<uint32_t> argb = ToArgb(*this, &palette);
    ApplyColorKey(argb, a, b);
    DRELM_Palette newPalette;
    if (f == DRELM_FORMAT_P8) {
        newPalette = (format == DRELM_FORMAT_P8 && (b & DRELM_CONVERT_COLORKEY) == 0)
                         ? palette
                         : BuildPalette(argb);
    }
    palette = newPalette;
    StoreArgb(*this, argb, width, height, f);
}

void DRELM_Surface::Convert(const DRELM_Palette& newPalette) {
    if (!IsCreated()) return;
    std::vector<uint32_t> argb = ToArgb(*this, &palette);
    palette = newPalette;
    if (palette.colors.empty()) palette.AddColor(DRELM_BLACK);
    StoreArgb(*this, argb, width, height, DRELM_FORMAT_P8);
}

void DRELM_Surface::Copy(int x, int y, DRELM_Surface* target) const {
    CopyRect(Quelm::Rect(0, 0, width, height), x, y, target);
}

void DRELM_Surface::CopyRect(const Quelm::Rect& rect, int x, int y, DRELM_Surface* target) const {
    if (target == nullptr) return;
    CopyPixels(*this, &palette, rect, x, y, *target, &target->palette);
}

void DRELM_Surface::CopyToTexture(DRELM_Texture* texture) const {
    CopyToTexture(texture, Quelm::Rect(0, 0, width, height), 0, 0);
}

void DRELM_Surface::CopyToTexture(DRELM_Texture* texture, const Quelm::Rect& rect, int x,
                                  int y) const {
    if (texture == nullptr) return;
    CopyPixels(*this, &palette, rect, x, y, *texture, nullptr);
}

void DRELM_Surface::FillRect(const Quelm::Rect& rect, const DRELM_RGBA& colour) {
    if (!IsCreated()) return;
    const Quelm::Rect r = rect.Intersect(Quelm::Rect(0, 0, width, height));
    const int bpp = DRELM_BytesPerPixel(format);
    for (int y = r.y; y < r.Bottom(); ++y) {
        for (int x = r.x; x < r.Right(); ++x) {
            drelm::WritePixel(
                pixels.data() + static_cast<size_t>(y) * pitch + static_cast<size_t>(x) * bpp,
                format, colour.Packed(), &palette);
        }
    }
}

uint32_t DRELM_Surface::FindColor(const DRELM_RGBA& colour) const {
    return drelm::EncodePixel(format, colour.Packed(), &palette);
}

DRELM_Point DRELM_Surface::FindPixel(const DRELM_RGBA& colour) const {
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            if (GetPixel(x, y) == colour) return DRELM_Point(x, y);
        }
    }
    return DRELM_Point(-1, -1);
}

void DRELM_Surface::Resize(const Quelm::Rect& rect, DRELM_TEXTURE_FILTER_TYPE filterType) {
    if (!IsCreated()) return;
    const int w = rect.width;
    const int h = rect.height;
    if (w <= 0 || h <= 0 || w > kMaxSurfaceSide || h > kMaxSurfaceSide ||
        static_cast<long long>(w) * h > kMaxSurfacePixels) {
        Fail("DRELM: Allocate surface pixels");
    }
    const std::vector<uint32_t> argb = ToArgb(*this, &palette);
    std::vector<uint32_t> scaled(static_cast<size_t>(w) * static_cast<size_t>(h));
    // Palette pictures keep their colours only with the nearest pixel.
    const DRELM_TEXTURE_FILTER_TYPE filter =
        format == DRELM_FORMAT_P8 ? DRELM_FILTER_POINT : filterType;
    drelm::ScalePixels(argb.data(), width, height, width, scaled.data(), w, h, filter);
    StoreArgb(*this, scaled, w, h, format);
}

void DRELM_Surface::Save(const char* fileName) const {
    if (!IsCreated()) Fail("SurfaceSaver: Feature not supported");
    if (format == DRELM_FORMAT_A8R8G8B8 || format == DRELM_FORMAT_P8) {
        drelm::SavePng(fileName, width, height, format, pixels.data(), pitch, &palette);
        return;
    }
    const std::vector<uint32_t> argb = ToArgb(*this, &palette);
    drelm::SavePng(fileName, width, height, DRELM_FORMAT_A8R8G8B8,
                   reinterpret_cast<const uint8_t*>(argb.data()), width * 4, nullptr);
}

void DRELM_Surface::SetPixel(int x, int y, const DRELM_RGBA& colour) {
    if (!IsCreated() || x < 0 || y < 0 || x >= width || y >= height) return;
    drelm::WritePixel(pixels.data() + static_cast<size_t>(y) * pitch +
                          static_cast<size_t>(x) * DRELM_BytesPerPixel(format),
                      format, colour.Packed(), &palette);
}

// ---- DRELM_Texture (pixels; drawing is in Draw.cpp) ---------------------------------------

DRELM_Texture::~DRELM_Texture() {
    drelm::Library& lib = drelm::Lib();
    if (lib.draw.target == this) DRELM_SetRenderTarget(nullptr);
}

void DRELM_Texture::Create(int w, int h, DRELM_FORMAT f, uint32_t flags) {
    if ((f != DRELM_FORMAT_A8R8G8B8 && f != DRELM_FORMAT_X8R8G8B8) || w <= 0 || h <= 0 ||
        w > kMaxTextureSide || h > kMaxTextureSide) {
        Fail("DRELM: Create texture");
    }
    if (drelm::Lib().draw.target == this) DRELM_SetRenderTarget(nullptr);
    Allocate(w, h, f);
    renderTarget = (flags & DRELM_TEXTURE_RENDER_TARGET) != 0;
    if (f == DRELM_FORMAT_X8R8G8B8) Clear(DRELM_BLACK);
}

void DRELM_Texture::Create(const char* fileName, DRELM_FORMAT f, uint32_t a, uint32_t b) {
    DRELM_Surface picture;
    picture.Create(fileName, 0);
    if (picture.Width() > kMaxTextureSide || picture.Height() > kMaxTextureSide) {
        Fail("DRELM: Create texture");
    }
    picture.Convert(DRELM_FORMAT_A8R8G8B8, a, b);
    Create(picture.Width(), picture.Height(), f, 0);
    picture.CopyToTexture(this);
}

void DRELM_Texture::Free() {
    if (drelm::Lib().draw.target == this) DRELM_SetRenderTarget(nullptr);
    Release();
    renderTarget = false;
}

void DRELM_Texture::Clear(const DRELM_RGBA& colour) {
    if (!IsCreated()) return;
    uint32_t v = colour.Packed();
    if (format == DRELM_FORMAT_X8R8G8B8) v |= 0xFF000000u;
    uint32_t* p = reinterpret_cast<uint32_t*>(pixels.data());
    std::fill(p, p + static_cast<size_t>(width) * height, v);
}

void DRELM_Texture::UpdateTexture(const DRELM_Texture* other) {
    if (other == nullptr || other == this) return;
    CopyPixels(*other, nullptr, Quelm::Rect(0, 0, other->Width(), other->Height()), 0, 0, *this,
               nullptr);
}

void DRELM_Texture::Save(const char* fileName) const {
    if (!IsCreated()) Fail("SurfaceSaver: Feature not supported");
    if (format == DRELM_FORMAT_A8R8G8B8) {
        drelm::SavePng(fileName, width, height, format, pixels.data(), pitch, nullptr);
        return;
    }
    const std::vector<uint32_t> argb = ToArgb(*this, nullptr);
    drelm::SavePng(fileName, width, height, DRELM_FORMAT_A8R8G8B8,
                   reinterpret_cast<const uint8_t*>(argb.data()), width * 4, nullptr);
}

// ---- Creating and freeing ------------------------------------------------------------------

DRELM_Surface* DRELM_CreateSurface(int width, int height, DRELM_FORMAT format, uint32_t flags) {
    auto* s = new DRELM_Surface;
    try {
        s->Create(width, height, format, flags);
    } catch (...) {
        delete s;
        throw;
    }
    return s;
}

DRELM_Surface* DRELM_CreateSurface(const char* fileName, uint32_t flags) {
    auto* s = new DRELM_Surface;
    try {
        s->Create(fileName, flags);
    } catch (...) {
        delete s;
        throw;
    }
    return s;
}

DRELM_Surface* DRELM_CreateSurfaceFromMemory(const void* data, size_t size, uint32_t flags) {
    auto* s = new DRELM_Surface;
    try {
        drelm::LoadPictureFromMemory(static_cast<const uint8_t*>(data), data != nullptr ? size : 0,
                                     (flags & DRELM_SURFACE_KEEP_PALETTE) != 0, *s);
    } catch (...) {
        delete s;
        throw;
    }
    return s;
}

DRELM_Surface* DRELM_CreateSurface(const DRELM_Surface* source, DRELM_FORMAT format, uint32_t a,
                                   uint32_t b) {
    auto* s = new DRELM_Surface;
    try {
        if (source == nullptr || !source->IsCreated()) Fail("DRELM: Allocate surface pixels");
        s->Create(source->Width(), source->Height(), source->Format());
        s->palette = source->palette;
        source->Copy(0, 0, s);
        s->Convert(format, a, b);
    } catch (...) {
        delete s;
        throw;
    }
    return s;
}

void DRELM_FreeSurface(DRELM_Surface* surface) { delete surface; }

DRELM_Texture* DRELM_CreateTexture(int width, int height, DRELM_FORMAT format, uint32_t flags) {
    auto* t = new DRELM_Texture;
    try {
        t->Create(width, height, format, flags);
    } catch (...) {
        delete t;
        throw;
    }
    return t;
}

DRELM_Texture* DRELM_CreateTexture(const char* fileName, DRELM_FORMAT format, uint32_t a,
                                   uint32_t b) {
    auto* t = new DRELM_Texture;
    try {
        t->Create(fileName, format, a, b);
    } catch (...) {
        delete t;
        throw;
    }
    return t;
}

void DRELM_FreeTexture(DRELM_Texture* texture) { delete texture; }
