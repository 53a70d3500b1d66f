// Pixel formats: how each one stores a colour.
#include "PixelFormat.h"

#include <cstring>

namespace drelm {

namespace {

inline uint32_t Expand5(uint32_t v) { return (v << 3) | (v >> 2); }
inline uint32_t Expand6(uint32_t v) { return (v << 2) | (v >> 4); }

inline uint16_t Load16(const uint8_t* p) {
    uint16_t v;
    std::memcpy(&v, p, 2);
    return v;
}
inline uint32_t Load32(const uint8_t* p) {
    uint32_t v;
    std::memcpy(&v, p, 4);
    return v;
}

}  // namespace

int NearestPaletteIndex(const DRELM_Palette& palette, uint32_t argb) {
    int best = 0;
    long long bestDistance = -1;
    const DRELM_RGBA c(argb);
    for (int i = 0; i < palette.Count(); ++i) {
        const DRELM_RGBA& p = palette.colors[static_cast<size_t>(i)];
        const long long dr = int(p.r) - int(c.r);
        const long long dg = int(p.g) - int(c.g);
        const long long db = int(p.b) - int(c.b);
        const long long da = int(p.a) - int(c.a);
        const long long d = dr * dr + dg * dg + db * db + da * da;
        if (bestDistance < 0 || d < bestDistance) {
            best = i;
            bestDistance = d;
            if (d == 0) break;
        }
    }
    return best;
}

uint32_t ReadPixel(const uint8_t* p, DRELM_FORMAT format, const DRELM_Palette* palette) {
    switch (format) {
        case DRELM_FORMAT_A8R8G8B8:
            return Load32(p);
        case DRELM_FORMAT_X8R8G8B8:
            return Load32(p) | 0xFF000000u;
        case DRELM_FORMAT_R5G6B5: {
            const uint32_t v = Load16(p);
            return 0xFF000000u | Expand5(v >> 11) << 16 | Expand6((v >> 5) & 63) << 8 |
                   Expand5(v & 31);
        }
        case DRELM_FORMAT_A1R5G5B5: {
            const uint32_t v = Load16(p);
            return ((v & 0x8000) ? 0xFF000000u : 0u) | Expand5((v >> 10) & 31) << 16 |
                   Expand5((v >> 5) & 31) << 8 | Expand5(v & 31);
        }
        case DRELM_FORMAT_A4R4G4B4: {
            const uint32_t v = Load16(p);
            return ((v >> 12) * 17) << 24 | (((v >> 8) & 15) * 17) << 16 |
                   (((v >> 4) & 15) * 17) << 8 | ((v & 15) * 17);
        }
        case DRELM_FORMAT_P8:
            return palette != nullptr ? palette->GetColor(*p).Packed() : 0xFF000000u;
        case DRELM_FORMAT_A8:
            return (uint32_t(*p) << 24) | 0x00FFFFFFu;
        default:
            return 0;
    }
}

uint32_t EncodePixel(DRELM_FORMAT format, uint32_t argb, const DRELM_Palette* palette) {
    const uint32_t a = argb >> 24, r = (argb >> 16) & 0xFF, g = (argb >> 8) & 0xFF, b = argb & 0xFF;
    switch (format) {
        case DRELM_FORMAT_A8R8G8B8:
            return argb;
        case DRELM_FORMAT_X8R8G8B8:
            return argb | 0xFF000000u;
        case DRELM_FORMAT_R5G6B5:
            return (r >> 3) << 11 | (g >> 2) << 5 | (b >> 3);
        case DRELM_FORMAT_A1R5G5B5:
            return (a >= 128 ? 0x8000u : 0u) | (r >> 3) << 10 | (g >> 3) << 5 | (b >> 3);
        case DRELM_FORMAT_A4R4G4B4:
            return (a >> 4) << 12 | (r >> 4) << 8 | (g >> 4) << 4 | (b >> 4);
        case DRELM_FORMAT_P8:
            return palette != nullptr ? static_cast<uint32_t>(NearestPaletteIndex(*palette, argb))
                                      : 0;
        case DRELM_FORMAT_A8:
            return a;
        default:
            return 0;
    }
}

void WritePixel(uint8_t* p, DRELM_FORMAT format, uint32_t argb, const DRELM_Palette* palette) {
    const uint32_t v = EncodePixel(format, argb, palette);
    switch (DRELM_BytesPerPixel(format)) {
        case 4:
            std::memcpy(p, &v, 4);
            break;
        case 2: {
            const uint16_t v16 = static_cast<uint16_t>(v);
            std::memcpy(p, &v16, 2);
            break;
        }
        case 1:
            *p = static_cast<uint8_t>(v);
            break;
        default:
            break;
    }
}

}  // namespace drelm
