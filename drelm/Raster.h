// The drawing device: rectangles, lines, gradients and blits into A8R8G8B8 pixel memory,
// with clipping, blend modes, colour modulation and an optional depth buffer. Knows
// nothing of windows, so every result can be checked pixel by pixel.
#pragma once

#include <cstdint>

#include "Drelm.h"

namespace drelm {

struct Canvas {
    uint32_t* pixels = nullptr;
    int width = 0;
    int height = 0;
    int stride = 0;          // pixels per row
    float* depth = nullptr;  // same layout as pixels, or nullptr
};

struct Paint {
    Quelm::Rect clip;  // inside the canvas
    int blend = DRELM_BLEND_ALPHA;
    bool zTest = false;
    bool zWrite = false;
    float z = 0.0f;
    int filter = DRELM_FILTER_POINT;
};

struct Source {
    const uint32_t* pixels = nullptr;
    int width = 0;
    int height = 0;
    int stride = 0;       // pixels per row
    bool opaque = false;  // X8R8G8B8: the top byte is not alpha
};

// round(x / 255) for x in 0..65535.
inline uint32_t Div255(uint32_t x) {
    x += 128;
    return (x + (x >> 8)) >> 8;
}

// Two 8-bit results kept in the lanes 0x00FF00FF, each round(lane / 255).
inline uint32_t Div255Lanes(uint32_t x) {
    x += 0x00800080u;
    return ((x + ((x >> 8) & 0x00FF00FFu)) >> 8) & 0x00FF00FFu;
}

// Each channel of `s` multiplied by the same channel of `m`, / 255 rounded.
inline uint32_t Modulate(uint32_t s, uint32_t m) {
    const uint32_t rb =
        Div255Lanes((s & 0xFFu) * (m & 0xFFu) | (((s >> 16) & 0xFFu) * ((m >> 16) & 0xFFu)) << 16);
    const uint32_t ag =
        Div255Lanes(((s >> 8) & 0xFFu) * ((m >> 8) & 0xFFu) | ((s >> 24) * (m >> 24)) << 16);
    return rb | (ag << 8);
}

// Straight-alpha "over": colour = s * a + d * (1 - a), alpha = a + da * (1 - a).
inline uint32_t BlendOver(uint32_t d, uint32_t s) {
    const uint32_t a = s >> 24;
    if (a == 255) return s;
    if (a == 0) return d;
    const uint32_t ia = 255 - a;
    const uint32_t rb = (s & 0x00FF00FFu) * a + (d & 0x00FF00FFu) * ia;
    const uint32_t ag = (((s >> 8) & 0xFFu) | 0x00FF0000u) * a + ((d >> 8) & 0x00FF00FFu) * ia;
    return Div255Lanes(rb) | (Div255Lanes(ag) << 8);
}

uint32_t BlendAdd(uint32_t d, uint32_t s);
uint32_t BlendMultiply(uint32_t d, uint32_t s);

void FillRect(const Canvas& canvas, const Paint& paint, const Quelm::Rect& rect, uint32_t argb);
void FillRect4(const Canvas& canvas, const Paint& paint, const Quelm::Rect& rect,
               const DRELM_RGBA& topLeft, const DRELM_RGBA& topRight, const DRELM_RGBA& bottomLeft,
               const DRELM_RGBA& bottomRight);
void FillDiagonal(const Canvas& canvas, const Paint& paint, const Quelm::Rect& rect,
                  const DRELM_RGBA& from, const DRELM_RGBA& to);
void DrawLine(const Canvas& canvas, const Paint& paint, int x1, int y1, int x2, int y2,
              uint32_t argb);
// Draws `sourceRect` of `source` into `targetRect` (stretched when the sizes differ, with
// paint.filter), texels multiplied by `modulate` (0xAARRGGBB).
void Blit(const Canvas& canvas, const Paint& paint, const Source& source,
          const Quelm::Rect& sourceRect, const Quelm::Rect& targetRect, uint32_t modulate);

// Scales straight-alpha A8R8G8B8 pixels into another buffer of the given size.
void ScalePixels(const uint32_t* src, int sw, int sh, int srcStride, uint32_t* dst, int dw, int dh,
                 DRELM_TEXTURE_FILTER_TYPE filter);

}  // namespace drelm
