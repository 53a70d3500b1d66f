// Structural checks of GIF, JPEG and BMP files (see ImageCheck.h). Each walks the file's
// blocks with bounds checks and stops at the first inconsistency.
#include "ImageCheck.h"

#include <cstring>

namespace drelm {

namespace {

uint32_t Le16(const uint8_t* p) { return p[0] | (p[1] << 8); }
uint32_t Le32(const uint8_t* p) {
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}
uint32_t Be16(const uint8_t* p) { return (p[0] << 8) | p[1]; }

bool SideOk(long long v) { return v >= 1 && v <= kMaxImageSide; }
// The decoders allocate the whole picture before anything else can look at it, four times
// over once it is converted.
bool SizeOk(long long w, long long h) {
    return SideOk(w) && SideOk(h) && static_cast<unsigned long long>(w * h) <= kMaxImagePixels;
}

// Skips GIF data sub-blocks up to and including the empty one.
bool SkipSubBlocks(const uint8_t* data, size_t size, size_t& pos) {
    for (;;) {
        if (pos >= size) return false;
        const size_t length = data[pos++];
        if (length == 0) return true;
        if (length > size - pos) return false;
        pos += length;
    }
}

}  // namespace

PictureKind DetectPicture(const uint8_t* data, size_t size) {
    static const uint8_t kPng[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    if (size >= 8 && std::memcmp(data, kPng, 8) == 0) return PictureKind::kPng;
    if (size >= 6 && (std::memcmp(data, "GIF87a", 6) == 0 || std::memcmp(data, "GIF89a", 6) == 0)) {
        return PictureKind::kGif;
    }
    if (size >= 3 && data[0] == 0xFF && data[1] == 0xD8 && data[2] == 0xFF)
        return PictureKind::kJpeg;
    if (size >= 14 && data[0] == 'B' && data[1] == 'M') return PictureKind::kBmp;
    if (size >= 12 && std::memcmp(data, "FORM", 4) == 0 && std::memcmp(data + 8, "ILBM", 4) == 0) {
        return PictureKind::kIlbm;
    }
    return PictureKind::kUnknown;
}

bool CheckGif(const uint8_t* data, size_t size) {
    if (size < 13) return false;
    const uint32_t screenW = Le16(data + 6);
    const uint32_t screenH = Le16(data + 8);
    if (!SizeOk(screenW, screenH)) return false;
    const bool globalTable = (data[10] & 0x80) != 0;
    size_t pos = 13;
    if (globalTable) {
        const size_t tableSize = 3u << ((data[10] & 7) + 1);
        if (tableSize > size - pos) return false;
        pos += tableSize;
    }
    int images = 0;
    for (;;) {
        // A file that ends after complete blocks but without its trailer is still usable.
        if (pos >= size) return images > 0;
        const uint8_t block = data[pos++];
        if (block == 0x3B) return images > 0;
        if (block == 0x21) {
            if (pos >= size) return false;
            ++pos;  // the extension label
            if (!SkipSubBlocks(data, size, pos)) return false;
            continue;
        }
        if (block != 0x2C || size - pos < 9) return false;
        const uint32_t left = Le16(data + pos);
        const uint32_t top = Le16(data + pos + 2);
        const uint32_t w = Le16(data + pos + 4);
        const uint32_t h = Le16(data + pos + 6);
        const uint8_t flags = data[pos + 8];
        pos += 9;
        if (w == 0 || h == 0 || left + w > screenW || top + h > screenH) return false;
        if ((flags & 0x80) != 0) {
            const size_t tableSize = 3u << ((flags & 7) + 1);
            if (tableSize > size - pos) return false;
            pos += tableSize;
        } else if (!globalTable) {
            return false;
        }
        if (pos >= size) return false;
        const uint8_t codeSize = data[pos++];
        if (codeSize < 2 || codeSize > 8) return false;
        if (!SkipSubBlocks(data, size, pos)) return false;
        ++images;
    }
}

bool CheckJpeg(const uint8_t* data, size_t size) {
    if (size < 4 || data[0] != 0xFF || data[1] != 0xD8) return false;
    size_t pos = 2;
    for (;;) {
        if (pos >= size || data[pos] != 0xFF) return false;
        while (pos < size && data[pos] == 0xFF) ++pos;  // fill bytes
        if (pos >= size) return false;
        const uint8_t marker = data[pos++];
        if (marker == 0x01 || (marker >= 0xD0 && marker <= 0xD7)) continue;
        if (marker == 0xD9 || marker == 0xDA || marker == 0x00) return false;  // no frame header
        if (size - pos < 2) return false;
        const size_t length = Be16(data + pos);
        if (length < 2 || length > size - pos) return false;
        const bool frame =
            marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC;
        if (frame) {
            if (length < 8) return false;
            const uint32_t h = Be16(data + pos + 3);
            const uint32_t w = Be16(data + pos + 5);
            const uint32_t components = data[pos + 7];
            return SizeOk(w, h) && components >= 1 && components <= 4 &&
                   length >= 8 + 3 * components;
        }
        pos += length;
    }
}

bool CheckBmp(const uint8_t* data, size_t size) {
    if (size < 54 || data[0] != 'B' || data[1] != 'M') return false;
    const uint32_t dataOffset = Le32(data + 10);
    const uint32_t dibSize = Le32(data + 14);
    if (dibSize < 40 || dibSize > 124 || 14 + dibSize > size) return false;
    const long long w = static_cast<int32_t>(Le32(data + 18));
    long long h = static_cast<int32_t>(Le32(data + 22));
    if (h < 0) h = -h;
    const uint32_t planes = Le16(data + 26);
    const uint32_t bpp = Le16(data + 28);
    const uint32_t compression = Le32(data + 30);
    if (!SizeOk(w, h) || planes != 1) return false;
    if (bpp != 1 && bpp != 4 && bpp != 8 && bpp != 16 && bpp != 24 && bpp != 32) return false;
    if (compression != 0 && !(compression == 3 && (bpp == 16 || bpp == 32))) return false;
    if (bpp <= 8) {
        uint32_t colours = Le32(data + 46);
        if (colours == 0) colours = 1u << bpp;
        if (colours > (1u << bpp)) return false;
        if (static_cast<unsigned long long>(14) + dibSize + 4ULL * colours > size) return false;
    }
    const unsigned long long rowBytes = ((static_cast<unsigned long long>(w) * bpp + 31) / 32) * 4;
    return dataOffset >= 14 + dibSize && dataOffset <= size &&
           rowBytes * static_cast<unsigned long long>(h) <= size - dataOffset;
}

}  // namespace drelm
