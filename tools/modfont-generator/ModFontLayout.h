// Where the pattern font's glyphs lie in "modfont.png": characters 32..127, normal 8 x 9
// glyphs in the top band, narrow 4 x 9 glyphs in the band below, each band in character
// order from the left. Glyph pixels are opaque white; everything else is transparent.
#pragma once

constexpr int kModFontFirstChar = 32;
constexpr int kModFontChars = 96;
constexpr int kModFontGlyphHeight = 9;
constexpr int kModFontNormalWidth = 8;
constexpr int kModFontNarrowWidth = 4;
constexpr int kModFontNormalTop = 0;
constexpr int kModFontNarrowTop = kModFontGlyphHeight;
constexpr int kModFontImageWidth = kModFontChars * kModFontNormalWidth;
constexpr int kModFontImageHeight = 2 * kModFontGlyphHeight;
