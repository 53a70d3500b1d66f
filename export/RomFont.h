// The ROM's text font: characters 32..127, 8 rows of 8 pixels each, most significant bit
// at the left. Drawn for this program; 127 is a box for characters the font lacks.
#pragma once

#include <cstdint>

constexpr int kRomFontFirst = 32;
constexpr int kRomFontGlyphs = 96;
const uint8_t* RomFontGlyph(int character);
