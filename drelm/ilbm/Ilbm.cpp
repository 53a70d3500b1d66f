// libilbm.so: the run-time library through which drelm reads IFF ILBM pictures (see
// DrelmIlbm.h). Reads the header, palette, display mode and body chunks of a FORM ILBM:
// 1 to 8 bit-planes through the palette (extra half-bright and hold-and-modify modes
// included), 24 and 32 planes as true colour, uncompressed or run-length packed bodies,
// a mask plane or a transparent colour. Every read is checked against the chunk's end.
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <new>
#include <vector>

#include "DrelmIlbm.h"

namespace {

constexpr int kMaxSide = 16384;
constexpr unsigned long long kMaxPixels = 64ULL * 1024 * 1024;
constexpr uint32_t kModeHam = 0x800;
constexpr uint32_t kModeHalfBright = 0x80;

uint32_t Be32(const uint8_t* p) {
    return uint32_t(p[0]) << 24 | uint32_t(p[1]) << 16 | uint32_t(p[2]) << 8 | p[3];
}
uint32_t Be16(const uint8_t* p) { return uint32_t(p[0]) << 8 | p[1]; }

struct Header {
    int width = 0;
    int height = 0;
    int planes = 0;
    int masking = 0;      // 0 none, 1 mask plane, 2 transparent colour, 3 lasso
    int compression = 0;  // 0 none, 1 run-length
    uint32_t transparent = 0;
};

struct Chunks {
    bool haveHeader = false;
    Header header;
    std::vector<uint32_t> palette;  // 0xAARRGGBB
    uint32_t mode = 0;
    const uint8_t* body = nullptr;
    size_t bodySize = 0;
};

bool ReadChunks(const uint8_t* data, size_t size, Chunks& c) {
    if (size < 12 || std::memcmp(data, "FORM", 4) != 0 || std::memcmp(data + 8, "ILBM", 4) != 0)
        return false;
    // The FORM may claim more than the file holds; only what is there is read.
    size_t end = std::min<size_t>(size, 8 + static_cast<size_t>(Be32(data + 4)));
    size_t pos = 12;
    while (pos + 8 <= end) {
        const uint8_t* id = data + pos;
        const size_t length = Be32(data + pos + 4);
        pos += 8;
        if (length > end - pos) return false;
        const uint8_t* chunk = data + pos;
        if (std::memcmp(id, "BMHD", 4) == 0) {
            if (length < 20) return false;
            c.header.width = static_cast<int>(Be16(chunk));
            c.header.height = static_cast<int>(Be16(chunk + 2));
            c.header.planes = chunk[8];
            c.header.masking = chunk[9];
            c.header.compression = chunk[10];
            c.header.transparent = Be16(chunk + 12);
            c.haveHeader = true;
        } else if (std::memcmp(id, "CMAP", 4) == 0) {
            c.palette.clear();
            for (size_t i = 0; i + 3 <= length && c.palette.size() < 256; i += 3) {
                c.palette.push_back(0xFF000000u | uint32_t(chunk[i]) << 16 |
                                    uint32_t(chunk[i + 1]) << 8 | chunk[i + 2]);
            }
        } else if (std::memcmp(id, "CAMG", 4) == 0) {
            if (length >= 4) c.mode = Be32(chunk);
        } else if (std::memcmp(id, "BODY", 4) == 0) {
            c.body = chunk;
            c.bodySize = length;
        }
        pos += length + (length & 1);
    }
    return c.haveHeader && c.body != nullptr;
}

// Unpacks `out.size()` bytes of one row from the body; false when the body runs out or
// a run overshoots the row.
bool ReadRow(const Chunks& c, size_t& pos, std::vector<uint8_t>& out) {
    if (c.header.compression == 0) {
        if (out.size() > c.bodySize - pos) return false;
        std::memcpy(out.data(), c.body + pos, out.size());
        pos += out.size();
        return true;
    }
    size_t filled = 0;
    while (filled < out.size()) {
        if (pos >= c.bodySize) return false;
        const int n = static_cast<int8_t>(c.body[pos++]);
        if (n >= 0) {
            const size_t count = static_cast<size_t>(n) + 1;
            if (count > out.size() - filled || count > c.bodySize - pos) return false;
            std::memcpy(out.data() + filled, c.body + pos, count);
            pos += count;
            filled += count;
        } else if (n != -128) {
            const size_t count = static_cast<size_t>(-n) + 1;
            if (count > out.size() - filled || pos >= c.bodySize) return false;
            std::memset(out.data() + filled, c.body[pos++], count);
            filled += count;
        }
    }
    return true;
}

uint32_t PaletteColour(const Chunks& c, uint32_t index) {
    const size_t base = c.palette.size();
    if (index < base) return c.palette[index];
    // Extra half-bright: the upper half of the indices is the lower half at half brightness.
    if ((c.mode & kModeHalfBright) != 0 && index >= 32 && index - 32 < base) {
        const uint32_t v = c.palette[index - 32];
        return 0xFF000000u | ((v >> 1) & 0x007F7F7Fu);
    }
    return 0xFF000000u;
}

bool Decode(const Chunks& c, libilbm_Picture* picture) {
    const Header& h = c.header;
    const bool ham = (c.mode & kModeHam) != 0 && (h.planes == 6 || h.planes == 8);
    if (h.width < 1 || h.height < 1 || h.width > kMaxSide || h.height > kMaxSide ||
        static_cast<unsigned long long>(h.width) * h.height > kMaxPixels) {
        return false;
    }
    if (!((h.planes >= 1 && h.planes <= 8) || h.planes == 24 || h.planes == 32)) return false;
    if (h.compression > 1) return false;
    const size_t rowBytes = static_cast<size_t>((h.width + 15) / 16) * 2;
    const int stored = h.planes + (h.masking == 1 ? 1 : 0);
    std::vector<std::vector<uint8_t>> rows(static_cast<size_t>(stored),
                                           std::vector<uint8_t>(rowBytes));
    auto* pixels = new (std::nothrow) unsigned int[static_cast<size_t>(h.width) * h.height];
    if (pixels == nullptr) return false;
    size_t pos = 0;
    for (int y = 0; y < h.height; ++y) {
        for (auto& row : rows) {
            if (!ReadRow(c, pos, row)) {
                delete[] pixels;
                return false;
            }
        }
        uint32_t held = c.palette.empty() ? 0xFF000000u : c.palette[0];
        for (int x = 0; x < h.width; ++x) {
            const size_t byte = static_cast<size_t>(x) >> 3;
            const uint8_t bit = static_cast<uint8_t>(0x80 >> (x & 7));
            uint32_t value = 0;
            for (int p = 0; p < h.planes; ++p) {
                if (rows[static_cast<size_t>(p)][byte] & bit) value |= 1u << p;
            }
            uint32_t argb;
            if (h.planes == 24 || h.planes == 32) {
                argb = (value & 0xFF) << 16 | (value & 0xFF00) | ((value >> 16) & 0xFF);
                argb |= h.planes == 32 ? (value & 0xFF000000u) : 0xFF000000u;
            } else if (ham) {
                const int bits = h.planes - 2;
                const uint32_t control = value >> bits;
                const uint32_t v = value & ((1u << bits) - 1);
                const uint32_t expanded = bits == 4 ? v * 17 : (v << 2) | (v >> 4);
                switch (control) {
                    case 0:
                        held = PaletteColour(c, v);
                        break;
                    case 1:
                        held = (held & 0xFFFFFF00u) | expanded;
                        break;
                    case 2:
                        held = (held & 0xFF00FFFFu) | expanded << 16;
                        break;
                    default:
                        held = (held & 0xFFFF00FFu) | expanded << 8;
                        break;
                }
                argb = held;
            } else {
                argb = PaletteColour(c, value);
                if (h.masking == 2 && value == h.transparent) argb &= 0x00FFFFFFu;
            }
            if (h.masking == 1 && (rows[static_cast<size_t>(h.planes)][byte] & bit) == 0)
                argb &= 0x00FFFFFFu;
            pixels[static_cast<size_t>(y) * h.width + x] = argb;
        }
    }
    picture->width = h.width;
    picture->height = h.height;
    picture->pixels = pixels;
    return true;
}

}  // namespace

extern "C" {

__attribute__((visibility("default"))) libilbm_Picture* libilbm_Create(void) {
    auto* p = new (std::nothrow) libilbm_Picture;
    if (p != nullptr) *p = libilbm_Picture{0, 0, nullptr};
    return p;
}

__attribute__((visibility("default"))) int libilbm_Load(libilbm_Picture* picture, const void* data,
                                                        unsigned long size) {
    if (picture == nullptr || data == nullptr) return 0;
    libilbm_Unload(picture);
    try {
        Chunks chunks;
        if (!ReadChunks(static_cast<const uint8_t*>(data), size, chunks)) return 0;
        return Decode(chunks, picture) ? 1 : 0;
    } catch (...) {
        return 0;
    }
}

__attribute__((visibility("default"))) void libilbm_Unload(libilbm_Picture* picture) {
    if (picture == nullptr) return;
    delete[] picture->pixels;
    *picture = libilbm_Picture{0, 0, nullptr};
}

__attribute__((visibility("default"))) void libilbm_Free(libilbm_Picture* picture) {
    libilbm_Unload(picture);
    delete picture;
}

}  // extern "C"
