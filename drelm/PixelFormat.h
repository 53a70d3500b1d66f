// Reading and writing single pixels of every surface format as A8R8G8B8.
#pragma once

#include <cstdint>

#include "Drelm.h"

namespace drelm {

// The A8R8G8B8 colour of the pixel at `p` in `format` (P8 through `palette`).
uint32_t ReadPixel(const uint8_t* p, DRELM_FORMAT format, const DRELM_Palette* palette);
// Stores `argb` at `p` in `format`; P8 takes the nearest palette entry.
void WritePixel(uint8_t* p, DRELM_FORMAT format, uint32_t argb, const DRELM_Palette* palette);
// The value that stands for `argb` in `format` (for P8 the nearest palette index).
uint32_t EncodePixel(DRELM_FORMAT format, uint32_t argb, const DRELM_Palette* palette);
// Index of the palette entry nearest to `argb` (squared distance over r, g, b, a).
int NearestPaletteIndex(const DRELM_Palette& palette, uint32_t argb);

}  // namespace drelm
