// A small RGBA canvas with anti-aliased shapes, enough to draw the gadget parts of a skin
// from code. Coverage is computed from signed distances, so edges are smooth at any size.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct Rgba {
    uint8_t r = 0, g = 0, b = 0, a = 255;
};

constexpr Rgba Hex(uint32_t rgb, uint8_t a = 255) {
    return Rgba{uint8_t(rgb >> 16), uint8_t(rgb >> 8), uint8_t(rgb), a};
}

class Canvas {
public:
    Canvas(int width, int height);

    int Width() const { return width; }
    int Height() const { return height; }

    // All drawing is offset by the origin, so a part is drawn in its own coordinates.
    void SetOrigin(int x, int y) {
        ox = x;
        oy = y;
    }

    // Source-over blend of one pixel with a coverage between 0 and 1.
    void Blend(int x, int y, Rgba c, float coverage);
    void Fill(int x, int y, int w, int h, Rgba c);
    // Filled rectangle with rounded corners of the given radius.
    void RoundRect(float x, float y, float w, float h, float radius, Rgba c);
    // A ring of the given thickness along the inside edge of a rounded rectangle.
    void RoundFrame(float x, float y, float w, float h, float radius, float thickness, Rgba c);
    // A stroke between two points with round caps.
    void Line(float x0, float y0, float x1, float y1, float thickness, Rgba c);
    void Disc(float cx, float cy, float radius, Rgba c);
    // A filled triangle.
    void Triangle(float x0, float y0, float x1, float y1, float x2, float y2, Rgba c);
    // Vertical gradient fill inside a rounded rectangle.
    void RoundRectGradient(float x, float y, float w, float h, float radius, Rgba top, Rgba bottom);

    // Writes the canvas as an 8-bit RGBA PNG; false when the file cannot be written.
    bool SavePng(const std::string& path) const;

private:
    template <typename Coverage>
    void Shade(float x0, float y0, float x1, float y1, Rgba c, Coverage coverage);

    int width, height;
    int ox = 0, oy = 0;
    std::vector<Rgba> pixels;
};
