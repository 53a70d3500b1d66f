// Draws the pattern view's state: the channel titles and a ring of line rows on one
// surface, so that scrolling draws only the lines that come into view, and the cursor,
// selection frame and play bar over it when the ring is shown.
#pragma once

#include <cstdint>

#include "Drelm.h"
#include "editor/PatternView.h"

// Glyph layout of "modfont.png": characters 32..127, normal 8 x 9 glyphs in the band at
// the top, narrow 4 x 9 glyphs in the band below.
constexpr int kPatternFontFirst = 32;
constexpr int kPatternFontCount = 96;
constexpr int kPatternGlyphRows = 9;

class PatternDraw {
public:
    // Colour indices of the view.
    enum Colour : int {
        kTitles = 0,
        kTitlesDark,
        kTitlesBg,
        kTitlesBgDark,
        kBackground,
        kDividerMain,
        kDividerSecondary,
        kText,
        kTextInvalid,
        kTactMain,
        kTactSecondary,
        kCursor,
        kPlayBar,
        kColourCount
    };

    // Takes the glyphs out of the font picture (A8R8G8B8; a pixel with alpha of 128 or
    // more is set). False when the picture is too small to hold them.
    bool SetFont(const DRELM_Surface& picture);
    // 0xRRGGBB colours in the order above, and the "tact as lines" preference.
    void SetColours(const uint32_t rgb[kColourCount], bool tactAsLines);
    // Makes the surface for the view's geometry and line count; everything is redrawn.
    void Layout(PatternView& view);

    // Draws what the view's flags 2, 4 and 8 name into the ring and clears them. Returns
    // the number of pattern lines drawn.
    int Update(PatternView& view);
    // Shows the ring at x, y of `target` starting with the row of scrollTop, then the
    // cursor, frame and play bar; clears flag 1.
    void Compose(PatternView& view, DRELM_Surface& target, int x, int y);

    const DRELM_Surface& Ring() const { return ring; }
    // Lines drawn since start, for checks that only dirty lines are drawn.
    long linesDrawn = 0;

private:
    void DrawLine(const PatternView& view, int line);
    void DrawTitles(const PatternView& view);
    void FillLine(const PatternView& view, int line);
    void DrawText(const PatternView& view, int y);
    void DrawGlyph(int x, int y, uint8_t c, bool narrow, uint32_t colour);
    void Fill(int x, int y, int w, int h, uint32_t colour);
    void Print(int x, int y, const char* text, uint32_t colour);
    int ColumnX(const PatternView& view, int column) const;
    int ColumnWidth(const PatternView& view, int column) const;

    // Rows of set pixels per glyph, bit 7 = leftmost pixel.
    uint8_t normal[kPatternFontCount][kPatternGlyphRows] = {};
    uint8_t narrow[kPatternFontCount][kPatternGlyphRows] = {};
    uint32_t colours[kColourCount] = {};
    bool tactLines = false;
    DRELM_Surface ring;
    uint32_t* pixels = nullptr;
    int pitch = 0;  // in pixels
    int rows = 0;
    int effectLineX = 0;  // of channel 0
};
