// Anti-aliased drawing on an RGBA canvas, written out as PNG through libpng.
#include "Canvas.h"

#include <png.h>

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace {

// Distance from a point to the edge of a rounded rectangle: negative inside.
float RoundRectDistance(float px, float py, float x, float y, float w, float h, float r) {
    float cx = x + w / 2, cy = y + h / 2;
    float qx = std::fabs(px - cx) - (w / 2 - r);
    float qy = std::fabs(py - cy) - (h / 2 - r);
    float ax = std::max(qx, 0.0f), ay = std::max(qy, 0.0f);
    return std::sqrt(ax * ax + ay * ay) + std::min(std::max(qx, qy), 0.0f) - r;
}

float Clamp01(float v) { return std::min(1.0f, std::max(0.0f, v)); }

float SegmentDistance(float px, float py, float x0, float y0, float x1, float y1) {
    float dx = x1 - x0, dy = y1 - y0;
    float len2 = dx * dx + dy * dy;
    float t = len2 > 0 ? Clamp01(((px - x0) * dx + (py - y0) * dy) / len2) : 0;
    float ex = px - (x0 + t * dx), ey = py - (y0 + t * dy);
    return std::sqrt(ex * ex + ey * ey);
}

}  // namespace

Canvas::Canvas(int width, int height)
    : width(width), height(height), pixels(size_t(width) * height, Rgba{0, 0, 0, 0}) {}

void Canvas::Blend(int x, int y, Rgba c, float coverage) {
    x += ox;
    y += oy;
    if (x < 0 || y < 0 || x >= width || y >= height || coverage <= 0) return;
    Rgba& d = pixels[size_t(y) * width + x];
    float sa = c.a / 255.0f * Clamp01(coverage);
    float da = d.a / 255.0f;
    float oa = sa + da * (1 - sa);
    if (oa <= 0) return;
    auto mix = [&](uint8_t s, uint8_t t) {
        return uint8_t(std::lround((s * sa + t * da * (1 - sa)) / oa));
    };
    d = Rgba{mix(c.r, d.r), mix(c.g, d.g), mix(c.b, d.b), uint8_t(std::lround(oa * 255))};
}

template <typename Coverage>
void Canvas::Shade(float x0, float y0, float x1, float y1, Rgba c, Coverage coverage) {
    int ix0 = int(std::floor(x0)) - 1, iy0 = int(std::floor(y0)) - 1;
    int ix1 = int(std::ceil(x1)) + 1, iy1 = int(std::ceil(y1)) + 1;
    for (int y = iy0; y < iy1; ++y)
        for (int x = ix0; x < ix1; ++x) Blend(x, y, c, coverage(x + 0.5f, y + 0.5f));
}

void Canvas::Fill(int x, int y, int w, int h, Rgba c) {
    for (int yy = y; yy < y + h; ++yy)
        for (int xx = x; xx < x + w; ++xx) Blend(xx, yy, c, 1);
}

void Canvas::RoundRect(float x, float y, float w, float h, float r, Rgba c) {
    Shade(x, y, x + w, y + h, c, [&](float px, float py) {
        return Clamp01(0.5f - RoundRectDistance(px, py, x, y, w, h, r));
    });
}

void Canvas::RoundFrame(float x, float y, float w, float h, float r, float t, Rgba c) {
    Shade(x, y, x + w, y + h, c, [&](float px, float py) {
        float d = RoundRectDistance(px, py, x, y, w, h, r);
        return std::min(Clamp01(0.5f - d), Clamp01(0.5f + d + t));
    });
}

void Canvas::Line(float x0, float y0, float x1, float y1, float t, Rgba c) {
    Shade(std::min(x0, x1) - t, std::min(y0, y1) - t, std::max(x0, x1) + t, std::max(y0, y1) + t, c,
          [&](float px, float py) {
              return Clamp01(t / 2 + 0.5f - SegmentDistance(px, py, x0, y0, x1, y1));
          });
}

void Canvas::Disc(float cx, float cy, float r, Rgba c) {
    Shade(cx - r, cy - r, cx + r, cy + r, c,
          [&](float px, float py) { return Clamp01(r + 0.5f - std::hypot(px - cx, py - cy)); });
}

void Canvas::Triangle(float x0, float y0, float x1, float y1, float x2, float y2, Rgba c) {
    float area = (x1 - x0) * (y2 - y0) - (x2 - x0) * (y1 - y0);
    float sign = area < 0 ? -1.0f : 1.0f;
    auto edge = [&](float ax, float ay, float bx, float by, float px, float py) {
        float len = std::hypot(bx - ax, by - ay);
        return sign * ((bx - ax) * (py - ay) - (by - ay) * (px - ax)) / len;
    };
    Shade(std::min({x0, x1, x2}), std::min({y0, y1, y2}), std::max({x0, x1, x2}),
          std::max({y0, y1, y2}), c, [&](float px, float py) {
              float d = std::min({edge(x0, y0, x1, y1, px, py), edge(x1, y1, x2, y2, px, py),
                                  edge(x2, y2, x0, y0, px, py)});
              return Clamp01(d + 0.5f);
          });
}

void Canvas::RoundRectGradient(float x, float y, float w, float h, float r, Rgba top, Rgba bottom) {
    Shade(x, y, x + w, y + h, top, [&](float, float) { return 0.0f; });
    for (int py = int(y); py < int(y + h); ++py) {
        float t = h > 1 ? (py + 0.5f - y) / h : 0;
        auto lerp = [&](uint8_t a, uint8_t b) { return uint8_t(std::lround(a + (b - a) * t)); };
        Rgba c{lerp(top.r, bottom.r), lerp(top.g, bottom.g), lerp(top.b, bottom.b),
               lerp(top.a, bottom.a)};
        for (int px = int(x); px < int(x + w); ++px)
            Blend(px, py, c,
                  Clamp01(0.5f - RoundRectDistance(px + 0.5f, py + 0.5f, x, y, w, h, r)));
    }
}

bool Canvas::SavePng(const std::string& path) const {
    FILE* file = std::fopen(path.c_str(), "wb");
    if (!file) return false;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png ? png_create_info_struct(png) : nullptr;
    if (!png || !info || setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        std::fclose(file);
        return false;
    }
    png_init_io(png, file);
    png_set_IHDR(png, info, width, height, 8, PNG_COLOR_TYPE_RGBA, PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    for (int y = 0; y < height; ++y)
        png_write_row(png, reinterpret_cast<png_const_bytep>(&pixels[size_t(y) * width]));
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    return std::fclose(file) == 0;
}
