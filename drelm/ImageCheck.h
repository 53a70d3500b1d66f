// Recognising picture files by their first bytes, and structural checks that a file is
// sound before a decoder that trusts its input sees it.
#pragma once

#include <cstddef>
#include <cstdint>

namespace drelm {

inline constexpr int kMaxImageSide = 16384;
inline constexpr unsigned long long kMaxImagePixels = 64ULL * 1024 * 1024;

enum class PictureKind { kUnknown, kPng, kGif, kJpeg, kBmp, kIlbm };

PictureKind DetectPicture(const uint8_t* data, size_t size);

// Each gives true when the block structure is complete and consistent and the picture's
// size is within kMaxImageSide and kMaxImagePixels.
bool CheckGif(const uint8_t* data, size_t size);
bool CheckJpeg(const uint8_t* data, size_t size);
bool CheckBmp(const uint8_t* data, size_t size);

}  // namespace drelm
