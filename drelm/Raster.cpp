// Pixel kernels of the drawing device. Every kernel is instantiated per blend mode and
// with or without the depth buffer, so the common case (alpha blending, no depth) runs a
// tight loop.
#include "Raster.h"

#include <emmintrin.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace drelm {

uint32_t BlendAdd(uint32_t d, uint32_t s) {
    const uint32_t a = s >> 24;
    uint32_t out = 0;
    for (int shift = 0; shift < 24; shift += 8) {
        const uint32_t c = ((d >> shift) & 0xFFu) + Div255(((s >> shift) & 0xFFu) * a);
        out |= std::min<uint32_t>(c, 255) << shift;
    }
    return out | (std::min<uint32_t>((d >> 24) + a, 255) << 24);
}

uint32_t BlendMultiply(uint32_t d, uint32_t s) {
    // A transparent source leaves the target alone: the factor moves from 1 towards the
    // source colour with its alpha.
    const uint32_t a = s >> 24;
    uint32_t out = d & 0xFF000000u;
    for (int shift = 0; shift < 24; shift += 8) {
        const uint32_t f = 255 - a + Div255(((s >> shift) & 0xFFu) * a);
        out |= Div255(((d >> shift) & 0xFFu) * f) << shift;
    }
    return out;
}

namespace {

template <int Blend>
inline uint32_t Combine(uint32_t d, uint32_t s) {
    if constexpr (Blend == DRELM_BLEND_NONE) {
        (void)d;
        return s;
    } else if constexpr (Blend == DRELM_BLEND_ALPHA) {
        return BlendOver(d, s);
    } else if constexpr (Blend == DRELM_BLEND_ADD) {
        return BlendAdd(d, s);
    } else {
        return BlendMultiply(d, s);
    }
}

// Writes one source pixel, honouring the depth buffer. A fully transparent source pixel
// changes nothing (it does not even write depth) unless the blend mode replaces.
template <int Blend, bool Depth>
inline void Put(uint32_t* d, float* z, uint32_t s, const Paint& paint) {
    if constexpr (Blend != DRELM_BLEND_NONE) {
        if ((s >> 24) == 0) return;
    }
    if constexpr (Depth) {
        if (paint.zTest && paint.z > *z) return;
        if (paint.zWrite) *z = paint.z;
    }
    *d = Combine<Blend>(*d, s);
}

template <typename F>
void DispatchBlend(const Canvas& canvas, const Paint& paint, F&& kernel) {
    const bool depth = canvas.depth != nullptr && (paint.zTest || paint.zWrite);
    switch (paint.blend) {
        case DRELM_BLEND_NONE:
            depth ? kernel.template operator()<DRELM_BLEND_NONE, true>()
                  : kernel.template operator()<DRELM_BLEND_NONE, false>();
            break;
        case DRELM_BLEND_ADD:
            depth ? kernel.template operator()<DRELM_BLEND_ADD, true>()
                  : kernel.template operator()<DRELM_BLEND_ADD, false>();
            break;
        case DRELM_BLEND_MULTIPLY:
            depth ? kernel.template operator()<DRELM_BLEND_MULTIPLY, true>()
                  : kernel.template operator()<DRELM_BLEND_MULTIPLY, false>();
            break;
        default:
            depth ? kernel.template operator()<DRELM_BLEND_ALPHA, true>()
                  : kernel.template operator()<DRELM_BLEND_ALPHA, false>();
            break;
    }
}

inline uint32_t Lerp(uint32_t a, uint32_t b, float t) {
    return static_cast<uint32_t>(
        std::lround(static_cast<float>(a) + (static_cast<float>(b) - static_cast<float>(a)) * t));
}

inline uint32_t LerpColour(const DRELM_RGBA& a, const DRELM_RGBA& b, float t) {
    return (Lerp(a.a, b.a, t) << 24) | (Lerp(a.r, b.r, t) << 16) | (Lerp(a.g, b.g, t) << 8) |
           Lerp(a.b, b.b, t);
}

inline DRELM_RGBA Unpack(uint32_t v) { return DRELM_RGBA(v); }

}  // namespace

void FillRect(const Canvas& canvas, const Paint& paint, const Quelm::Rect& rect, uint32_t argb) {
    const Quelm::Rect r = rect.Intersect(paint.clip);
    if (r.IsEmpty()) return;
    DispatchBlend(canvas, paint, [&]<int Blend, bool Depth>() {
        for (int y = r.y; y < r.Bottom(); ++y) {
            uint32_t* d = canvas.pixels + static_cast<size_t>(y) * canvas.stride + r.x;
            float* z =
                Depth ? canvas.depth + static_cast<size_t>(y) * canvas.stride + r.x : nullptr;
            if constexpr (!Depth && (Blend == DRELM_BLEND_NONE || Blend == DRELM_BLEND_ALPHA)) {
                if (Blend == DRELM_BLEND_NONE || (argb >> 24) == 255) {
                    std::fill(d, d + r.width, argb);
                } else {
                    for (int i = 0; i < r.width; ++i) d[i] = BlendOver(d[i], argb);
                }
            } else {
                for (int i = 0; i < r.width; ++i)
                    Put<Blend, Depth>(d + i, Depth ? z + i : nullptr, argb, paint);
            }
        }
    });
}

void FillRect4(const Canvas& canvas, const Paint& paint, const Quelm::Rect& rect,
               const DRELM_RGBA& topLeft, const DRELM_RGBA& topRight, const DRELM_RGBA& bottomLeft,
               const DRELM_RGBA& bottomRight) {
    const Quelm::Rect r = rect.Intersect(paint.clip);
    if (r.IsEmpty()) return;
    const float sx = rect.width > 1 ? 1.0f / static_cast<float>(rect.width - 1) : 0.0f;
    const float sy = rect.height > 1 ? 1.0f / static_cast<float>(rect.height - 1) : 0.0f;
    DispatchBlend(canvas, paint, [&]<int Blend, bool Depth>() {
        for (int y = r.y; y < r.Bottom(); ++y) {
            const float ty = static_cast<float>(y - rect.y) * sy;
            const DRELM_RGBA left = Unpack(LerpColour(topLeft, bottomLeft, ty));
            const DRELM_RGBA right = Unpack(LerpColour(topRight, bottomRight, ty));
            uint32_t* d = canvas.pixels + static_cast<size_t>(y) * canvas.stride;
            float* z = Depth ? canvas.depth + static_cast<size_t>(y) * canvas.stride : nullptr;
            for (int x = r.x; x < r.Right(); ++x) {
                const uint32_t c = LerpColour(left, right, static_cast<float>(x - rect.x) * sx);
                Put<Blend, Depth>(d + x, Depth ? z + x : nullptr, c, paint);
            }
        }
    });
}

void FillDiagonal(const Canvas& canvas, const Paint& paint, const Quelm::Rect& rect,
                  const DRELM_RGBA& from, const DRELM_RGBA& to) {
    const Quelm::Rect r = rect.Intersect(paint.clip);
    if (r.IsEmpty()) return;
    const int steps = (rect.width - 1) + (rect.height - 1);
    const float scale = steps > 0 ? 1.0f / static_cast<float>(steps) : 0.0f;
    DispatchBlend(canvas, paint, [&]<int Blend, bool Depth>() {
        for (int y = r.y; y < r.Bottom(); ++y) {
            uint32_t* d = canvas.pixels + static_cast<size_t>(y) * canvas.stride;
            float* z = Depth ? canvas.depth + static_cast<size_t>(y) * canvas.stride : nullptr;
            for (int x = r.x; x < r.Right(); ++x) {
                const float t = static_cast<float>((x - rect.x) + (y - rect.y)) * scale;
                Put<Blend, Depth>(d + x, Depth ? z + x : nullptr, LerpColour(from, to, t), paint);
            }
        }
    });
}

namespace {

// floor(a / b) for b > 0, wide enough for products of two coordinates.
inline long long FloorDiv(__int128 a, __int128 b) {
    const __int128 q = a / b;
    return static_cast<long long>((a % b != 0 && a < 0) ? q - 1 : q);
}

}  // namespace

void DrawLine(const Canvas& canvas, const Paint& paint, int x1, int y1, int x2, int y2,
              uint32_t argb) {
    // Along the longer axis every step is one pixel; the other coordinate is the exact
    // line value rounded half up. Only the steps inside the clip rectangle are visited,
    // so a line from far outside costs no more than one across the target.
    const Quelm::Rect& c = paint.clip;
    if (c.IsEmpty()) return;
    const bool xMajor =
        std::llabs(static_cast<long long>(x2) - x1) >= std::llabs(static_cast<long long>(y2) - y1);
    long long a1 = xMajor ? x1 : y1, b1 = xMajor ? y1 : x1;
    long long a2 = xMajor ? x2 : y2, b2 = xMajor ? y2 : x2;
    if (a1 > a2) {
        std::swap(a1, a2);
        std::swap(b1, b2);
    }
    const long long lo = xMajor ? c.x : c.y;
    const long long hi = (xMajor ? c.Right() : c.Bottom()) - 1;
    const long long from = std::max(a1, lo);
    const long long to = std::min(a2, hi);
    if (from > to) return;
    const long long da = a2 - a1;
    const long long db = b2 - b1;
    DispatchBlend(canvas, paint, [&]<int Blend, bool Depth>() {
        for (long long a = from; a <= to; ++a) {
            const long long b = da == 0
                                    ? b1
                                    : b1 + FloorDiv(static_cast<__int128>(2) * (a - a1) * db + da,
                                                    static_cast<__int128>(2) * da);
            const long long x = xMajor ? a : b;
            const long long y = xMajor ? b : a;
            if (x < c.x || x >= c.Right() || y < c.y || y >= c.Bottom()) continue;
            const size_t i = static_cast<size_t>(y) * canvas.stride + static_cast<size_t>(x);
            Put<Blend, Depth>(canvas.pixels + i, Depth ? canvas.depth + i : nullptr, argb, paint);
        }
    });
}

namespace {

inline uint32_t Fetch(const Source& s, int x, int y) {
    const uint32_t v = s.pixels[static_cast<size_t>(y) * s.stride + x];
    return s.opaque ? (v | 0xFF000000u) : v;
}

// Straight-alpha bilinear sample of four texels with 8-bit weights summing to 65536.
uint32_t Bilinear(uint32_t c00, uint32_t c10, uint32_t c01, uint32_t c11, uint32_t fx,
                  uint32_t fy) {
    const uint32_t w00 = (256 - fx) * (256 - fy);
    const uint32_t w10 = fx * (256 - fy);
    const uint32_t w01 = (256 - fx) * fy;
    const uint32_t w11 = fx * fy;
    const uint64_t a = uint64_t(c00 >> 24) * w00 + uint64_t(c10 >> 24) * w10 +
                       uint64_t(c01 >> 24) * w01 + uint64_t(c11 >> 24) * w11;
    if (a == 0) return 0;
    uint32_t out = static_cast<uint32_t>((a + 32768) >> 16) << 24;
    // Colours are weighted by their alpha so transparent texels do not darken edges.
    for (int shift = 0; shift < 24; shift += 8) {
        const uint64_t sum = uint64_t((c00 >> shift) & 0xFF) * (c00 >> 24) * w00 +
                             uint64_t((c10 >> shift) & 0xFF) * (c10 >> 24) * w10 +
                             uint64_t((c01 >> shift) & 0xFF) * (c01 >> 24) * w01 +
                             uint64_t((c11 >> shift) & 0xFF) * (c11 >> 24) * w11;
        out |= static_cast<uint32_t>(std::min<uint64_t>((sum + a / 2) / a, 255)) << shift;
    }
    return out;
}

// Fixed-point source coordinate (16.16) of target pixel i's centre minus half a texel.
inline long long SampleCoord(int i, int srcSize, int dstSize) {
    return ((2LL * i + 1) * srcSize * 65536LL) / (2LL * dstSize) - 32768;
}

}  // namespace

namespace {

// round(x / 255) in each 16-bit lane, for x <= 65025.
inline __m128i Div255x8(__m128i x) {
    x = _mm_add_epi16(x, _mm_set1_epi16(128));
    return _mm_srli_epi16(_mm_add_epi16(x, _mm_srli_epi16(x, 8)), 8);
}

// Two pixels (in 16-bit lanes) multiplied channel by channel with the modulation colour.
inline __m128i Modulate8(__m128i px, __m128i m) { return Div255x8(_mm_mullo_epi16(px, m)); }

// The straight-alpha "over" of BlendOver for two pixels in 16-bit lanes: the same
// formula (the source alpha lane counts as 255), so results equal the scalar ones.
inline __m128i Over8(__m128i d, __m128i s) {
    __m128i a = _mm_shufflelo_epi16(s, _MM_SHUFFLE(3, 3, 3, 3));
    a = _mm_shufflehi_epi16(a, _MM_SHUFFLE(3, 3, 3, 3));
    const __m128i alphaLane = _mm_set_epi16(255, 0, 0, 0, 255, 0, 0, 0);
    const __m128i s255 =
        _mm_or_si128(_mm_andnot_si128(_mm_set_epi16(-1, 0, 0, 0, -1, 0, 0, 0), s), alphaLane);
    const __m128i ia = _mm_sub_epi16(_mm_set1_epi16(255), a);
    return Div255x8(_mm_add_epi16(_mm_mullo_epi16(s255, a), _mm_mullo_epi16(d, ia)));
}

// Four pixels of an unscaled blit with alpha blending: wholly transparent groups are
// skipped and wholly opaque ones stored.
inline void Blend4(uint32_t* d, const uint32_t* s, __m128i forceV, bool modulated, __m128i m) {
    const __m128i zero = _mm_setzero_si128();
    const __m128i alphaMask = _mm_set1_epi32(static_cast<int>(0xFF000000u));
    __m128i src = _mm_or_si128(_mm_loadu_si128(reinterpret_cast<const __m128i*>(s)), forceV);
    __m128i lo = _mm_unpacklo_epi8(src, zero);
    __m128i hi = _mm_unpackhi_epi8(src, zero);
    if (modulated) {
        lo = Modulate8(lo, m);
        hi = Modulate8(hi, m);
        src = _mm_packus_epi16(lo, hi);
    }
    const __m128i alpha = _mm_and_si128(src, alphaMask);
    if (_mm_movemask_epi8(_mm_cmpeq_epi32(alpha, zero)) == 0xFFFF) return;
    if (_mm_movemask_epi8(_mm_cmpeq_epi32(alpha, alphaMask)) == 0xFFFF) {
        _mm_storeu_si128(reinterpret_cast<__m128i*>(d), src);
        return;
    }
    const __m128i dst = _mm_loadu_si128(reinterpret_cast<const __m128i*>(d));
    const __m128i outLo = Over8(_mm_unpacklo_epi8(dst, zero), lo);
    const __m128i outHi = Over8(_mm_unpackhi_epi8(dst, zero), hi);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(d), _mm_packus_epi16(outLo, outHi));
}

// One row of an unscaled blit with alpha blending and no depth, four pixels at a time;
// the last one to three go through a small buffer whose spare lanes are transparent.
void BlendSpan(uint32_t* d, const uint32_t* s, int n, uint32_t force, bool modulated,
               uint32_t modulate) {
    const __m128i m =
        _mm_unpacklo_epi8(_mm_set1_epi32(static_cast<int>(modulate)), _mm_setzero_si128());
    const __m128i forceV = _mm_set1_epi32(static_cast<int>(force));
    int i = 0;
    for (; i + 4 <= n; i += 4) Blend4(d + i, s + i, forceV, modulated, m);
    if (i < n) {
        const int rest = n - i;
        uint32_t sb[4] = {0, 0, 0, 0};
        uint32_t db[4] = {0, 0, 0, 0};
        std::memcpy(sb, s + i, static_cast<size_t>(rest) * 4);
        std::memcpy(db, d + i, static_cast<size_t>(rest) * 4);
        // Spare lanes stay transparent even for sources without alpha.
        for (int k = rest; k < 4; ++k) sb[k] = 0;
        Blend4(db, sb, _mm_setzero_si128(), modulated, m);
        if (force != 0) {
            for (int k = 0; k < rest; ++k) {
                uint32_t v = s[i + k] | force;
                if (modulated) v = Modulate(v, modulate);
                db[k] = BlendOver(d[i + k], v);
            }
        }
        std::memcpy(d + i, db, static_cast<size_t>(rest) * 4);
    }
}

bool UsesDepth(const Canvas& canvas, const Paint& paint) {
    return canvas.depth != nullptr && (paint.zTest || paint.zWrite);
}

}  // namespace

void Blit(const Canvas& canvas, const Paint& paint, const Source& source,
          const Quelm::Rect& sourceRect, const Quelm::Rect& targetRect, uint32_t modulate) {
    const Quelm::Rect src = sourceRect.Intersect(Quelm::Rect(0, 0, source.width, source.height));
    if (src.IsEmpty() || targetRect.IsEmpty() || !(src == sourceRect)) {
        // A source rectangle reaching outside the picture draws only its inside part, at
        // the place it would have had.
        if (src.IsEmpty() || targetRect.IsEmpty()) return;
        if (sourceRect.width == targetRect.width && sourceRect.height == targetRect.height) {
            const Quelm::Rect moved(targetRect.x + (src.x - sourceRect.x),
                                    targetRect.y + (src.y - sourceRect.y), src.width, src.height);
            Blit(canvas, paint, source, src, moved, modulate);
        }
        return;
    }
    const Quelm::Rect r = targetRect.Intersect(paint.clip);
    if (r.IsEmpty()) return;
    const bool modulated = modulate != 0xFFFFFFFFu;
    const bool scaled = src.width != targetRect.width || src.height != targetRect.height;

    if (!scaled) {
        const int ox = src.x - targetRect.x;
        const int oy = src.y - targetRect.y;
        if (paint.blend == DRELM_BLEND_ALPHA && !UsesDepth(canvas, paint)) {
            const uint32_t force = source.opaque ? 0xFF000000u : 0u;
            for (int y = r.y; y < r.Bottom(); ++y) {
                BlendSpan(canvas.pixels + static_cast<size_t>(y) * canvas.stride + r.x,
                          source.pixels + static_cast<size_t>(y + oy) * source.stride + r.x + ox,
                          r.width, force, modulated, modulate);
            }
            return;
        }
        DispatchBlend(canvas, paint, [&]<int Blend, bool Depth>() {
            for (int y = r.y; y < r.Bottom(); ++y) {
                uint32_t* d = canvas.pixels + static_cast<size_t>(y) * canvas.stride + r.x;
                float* z =
                    Depth ? canvas.depth + static_cast<size_t>(y) * canvas.stride + r.x : nullptr;
                const uint32_t* s =
                    source.pixels + static_cast<size_t>(y + oy) * source.stride + r.x + ox;
                const uint32_t force = source.opaque ? 0xFF000000u : 0u;
                if (modulated) {
                    for (int i = 0; i < r.width; ++i) {
                        Put<Blend, Depth>(d + i, Depth ? z + i : nullptr,
                                          Modulate(s[i] | force, modulate), paint);
                    }
                } else {
                    for (int i = 0; i < r.width; ++i) {
                        Put<Blend, Depth>(d + i, Depth ? z + i : nullptr, s[i] | force, paint);
                    }
                }
            }
        });
        return;
    }

    if (paint.filter == DRELM_FILTER_POINT) {
        std::vector<int> columns(static_cast<size_t>(r.width));
        for (int i = 0; i < r.width; ++i) {
            const long long c =
                (2LL * (r.x + i - targetRect.x) + 1) * src.width / (2LL * targetRect.width);
            columns[static_cast<size_t>(i)] = src.x + static_cast<int>(c);
        }
        DispatchBlend(canvas, paint, [&]<int Blend, bool Depth>() {
            for (int y = r.y; y < r.Bottom(); ++y) {
                const int sy = src.y + static_cast<int>((2LL * (y - targetRect.y) + 1) *
                                                        src.height / (2LL * targetRect.height));
                uint32_t* d = canvas.pixels + static_cast<size_t>(y) * canvas.stride + r.x;
                float* z =
                    Depth ? canvas.depth + static_cast<size_t>(y) * canvas.stride + r.x : nullptr;
                for (int i = 0; i < r.width; ++i) {
                    uint32_t s = Fetch(source, columns[static_cast<size_t>(i)], sy);
                    if (modulated) s = Modulate(s, modulate);
                    Put<Blend, Depth>(d + i, Depth ? z + i : nullptr, s, paint);
                }
            }
        });
        return;
    }

    // Bilinear: taps are clamped to the source rectangle, so neighbouring parts of a
    // packed texture never bleed in.
    DispatchBlend(canvas, paint, [&]<int Blend, bool Depth>() {
        for (int y = r.y; y < r.Bottom(); ++y) {
            long long fyFixed = SampleCoord(y - targetRect.y, src.height, targetRect.height);
            fyFixed = std::clamp<long long>(fyFixed, 0, (src.height - 1) * 65536LL);
            const int y0 = static_cast<int>(fyFixed >> 16);
            const int y1 = std::min(y0 + 1, src.height - 1);
            const uint32_t fy = static_cast<uint32_t>((fyFixed >> 8) & 0xFF);
            uint32_t* d = canvas.pixels + static_cast<size_t>(y) * canvas.stride;
            float* z = Depth ? canvas.depth + static_cast<size_t>(y) * canvas.stride : nullptr;
            for (int x = r.x; x < r.Right(); ++x) {
                long long fxFixed = SampleCoord(x - targetRect.x, src.width, targetRect.width);
                fxFixed = std::clamp<long long>(fxFixed, 0, (src.width - 1) * 65536LL);
                const int x0 = static_cast<int>(fxFixed >> 16);
                const int x1 = std::min(x0 + 1, src.width - 1);
                const uint32_t fx = static_cast<uint32_t>((fxFixed >> 8) & 0xFF);
                uint32_t s = Bilinear(Fetch(source, src.x + x0, src.y + y0),
                                      Fetch(source, src.x + x1, src.y + y0),
                                      Fetch(source, src.x + x0, src.y + y1),
                                      Fetch(source, src.x + x1, src.y + y1), fx, fy);
                if (modulated) s = Modulate(s, modulate);
                Put<Blend, Depth>(d + x, Depth ? z + x : nullptr, s, paint);
            }
        }
    });
}

void ScalePixels(const uint32_t* src, int sw, int sh, int srcStride, uint32_t* dst, int dw, int dh,
                 DRELM_TEXTURE_FILTER_TYPE filter) {
    if (sw <= 0 || sh <= 0 || dw <= 0 || dh <= 0) return;
    const bool shrinking = dw < sw || dh < sh;
    if (filter == DRELM_FILTER_BOX && shrinking) {
        // Area average of the source pixels that fall into each target pixel, weighted by
        // alpha like the bilinear filter.
        for (int y = 0; y < dh; ++y) {
            const int y0 = static_cast<int>(static_cast<long long>(y) * sh / dh);
            const int y1 =
                std::max(y0 + 1, static_cast<int>(static_cast<long long>(y + 1) * sh / dh));
            for (int x = 0; x < dw; ++x) {
                const int x0 = static_cast<int>(static_cast<long long>(x) * sw / dw);
                const int x1 =
                    std::max(x0 + 1, static_cast<int>(static_cast<long long>(x + 1) * sw / dw));
                uint64_t a = 0, r = 0, g = 0, b = 0;
                for (int yy = y0; yy < y1; ++yy) {
                    for (int xx = x0; xx < x1; ++xx) {
                        const uint32_t c = src[static_cast<size_t>(yy) * srcStride + xx];
                        const uint32_t ca = c >> 24;
                        a += ca;
                        r += ((c >> 16) & 0xFF) * ca;
                        g += ((c >> 8) & 0xFF) * ca;
                        b += (c & 0xFF) * ca;
                    }
                }
                const uint64_t n = static_cast<uint64_t>(y1 - y0) * static_cast<uint64_t>(x1 - x0);
                uint32_t out = 0;
                if (a != 0) {
                    out = static_cast<uint32_t>((a + n / 2) / n) << 24 |
                          static_cast<uint32_t>((r + a / 2) / a) << 16 |
                          static_cast<uint32_t>((g + a / 2) / a) << 8 |
                          static_cast<uint32_t>((b + a / 2) / a);
                }
                dst[static_cast<size_t>(y) * dw + x] = out;
            }
        }
        return;
    }
    Canvas canvas;
    canvas.pixels = dst;
    canvas.width = dw;
    canvas.height = dh;
    canvas.stride = dw;
    Paint paint;
    paint.clip = Quelm::Rect(0, 0, dw, dh);
    paint.blend = DRELM_BLEND_NONE;
    paint.filter = filter == DRELM_FILTER_POINT ? DRELM_FILTER_POINT : DRELM_FILTER_BILINEAR;
    Source source;
    source.pixels = src;
    source.width = sw;
    source.height = sh;
    source.stride = srcStride;
    Blit(canvas, paint, source, Quelm::Rect(0, 0, sw, sh), Quelm::Rect(0, 0, dw, dh), 0xFFFFFFFFu);
}

}  // namespace drelm
