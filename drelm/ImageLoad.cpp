// Picture files: the decoder is chosen by the first bytes. PNG goes through libpng, GIF,
// JPEG and BMP through DevIL after a structural check of our own (the decoders trust
// their input more than a loader of user files may), IFF ILBM through the optional
// run-time library. Every failure becomes one of the SurfaceLoader messages.
#include <IL/il.h>
#include <dlfcn.h>
#include <png.h>

#include <algorithm>
#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <new>
#include <string>

#include "ImageCheck.h"
#include "Internal.h"
#include "app/Exceptions.h"
#include "include/DrelmIlbm.h"

namespace drelm {

namespace {

constexpr long kMaxFileSize = 256L * 1024 * 1024;

[[noreturn]] void ParseError() { throw ParseException("SurfaceLoader: Parse error"); }
[[noreturn]] void OutOfMemory() { throw OutOfMemoryException("SurfaceLoader: Out of memory"); }

std::vector<uint8_t> ReadWholeFile(const char* fileName) {
    if (fileName == nullptr) throw FileIOException("SurfaceLoader: File IO error");
    FILE* f = std::fopen(fileName, "rb");
    if (f == nullptr) throw FileIOException("SurfaceLoader: File IO error");
    std::vector<uint8_t> data;
    long size = -1;
    if (std::fseek(f, 0, SEEK_END) == 0) size = std::ftell(f);
    if (size < 0 || std::fseek(f, 0, SEEK_SET) != 0) {
        std::fclose(f);
        throw FileIOException("SurfaceLoader: File IO error");
    }
    if (size > kMaxFileSize) {
        std::fclose(f);
        OutOfMemory();
    }
    data.resize(static_cast<size_t>(size));
    const size_t got = size > 0 ? std::fread(data.data(), 1, data.size(), f) : 0;
    std::fclose(f);
    if (got != data.size()) throw FileIOException("SurfaceLoader: File IO error");
    return data;
}

// ---- PNG ----------------------------------------------------------------------------------

struct PngInput {
    const uint8_t* data;
    size_t size;
    size_t position;
};

void PngRead(png_structp png, png_bytep out, png_size_t length) {
    auto* in = static_cast<PngInput*>(png_get_io_ptr(png));
    if (length > in->size - in->position) png_error(png, "truncated");
    std::memcpy(out, in->data + in->position, length);
    in->position += length;
}

void PngSilent(png_structp, png_const_charp) {}
// Errors end the decoding quietly; the caller reports them with its own message.
[[noreturn]] void PngFail(png_structp png, png_const_charp) { png_longjmp(png, 1); }

struct PngResult {
    int width = 0;
    int height = 0;
    bool paletted = false;
    std::vector<uint8_t> pixels;  // A8R8G8B8 or P8 rows without padding
    std::vector<png_bytep> rows;
    DRELM_Palette palette;
    bool outOfMemory = false;
};

// Only plain data lives across setjmp here; the result is owned by the caller.
bool DecodePng(const uint8_t* data, size_t size, bool keepPalette, PngResult* result) {
    png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, PngFail, PngSilent);
    if (png == nullptr) return false;
    png_infop info = png_create_info_struct(png);
    if (info == nullptr) {
        png_destroy_read_struct(&png, nullptr, nullptr);
        return false;
    }
    PngInput input{data, size, 0};
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_read_struct(&png, &info, nullptr);
        return false;
    }
    png_set_read_fn(png, &input, PngRead);
    png_set_user_limits(png, kMaxImageSide, kMaxImageSide);
    png_set_chunk_malloc_max(png, 64 * 1024 * 1024);
    png_read_info(png, info);
    const png_uint_32 w = png_get_image_width(png, info);
    const png_uint_32 h = png_get_image_height(png, info);
    const int colorType = png_get_color_type(png, info);
    const int depth = png_get_bit_depth(png, info);
    if (static_cast<unsigned long long>(w) * h > kMaxImagePixels) png_error(png, "too large");
    const bool paletted = keepPalette && colorType == PNG_COLOR_TYPE_PALETTE;
    if (paletted) {
        if (depth < 8) png_set_packing(png);
        png_colorp entries = nullptr;
        int count = 0;
        png_get_PLTE(png, info, &entries, &count);
        png_bytep alpha = nullptr;
        int alphaCount = 0;
        png_get_tRNS(png, info, &alpha, &alphaCount, nullptr);
        for (int i = 0; i < count; ++i) {
            result->palette.AddColor(DRELM_RGBA(entries[i].red, entries[i].green, entries[i].blue,
                                                i < alphaCount ? alpha[i] : 255));
        }
    } else {
        png_set_expand(png);  // palette, low-depth grey and tRNS become RGB(A)
        png_set_strip_16(png);
        if (colorType == PNG_COLOR_TYPE_GRAY || colorType == PNG_COLOR_TYPE_GRAY_ALPHA) {
            png_set_gray_to_rgb(png);
        }
        png_set_filler(png, 0xFF, PNG_FILLER_AFTER);
        png_set_bgr(png);  // B, G, R, A in memory: 0xAARRGGBB on a little-endian machine
    }
    png_set_interlace_handling(png);
    png_read_update_info(png, info);
    const size_t rowBytes = png_get_rowbytes(png, info);
    const size_t wanted = static_cast<size_t>(w) * (paletted ? 1 : 4);
    if (rowBytes != wanted) png_error(png, "unexpected layout");
    result->pixels.resize(rowBytes * h);
    result->rows.resize(h);
    for (png_uint_32 y = 0; y < h; ++y) result->rows[y] = result->pixels.data() + rowBytes * y;
    png_read_image(png, result->rows.data());
    png_read_end(png, nullptr);
    png_destroy_read_struct(&png, &info, nullptr);
    result->width = static_cast<int>(w);
    result->height = static_cast<int>(h);
    result->paletted = paletted;
    return true;
}

void LoadPng(const uint8_t* data, size_t size, bool keepPalette, DRELM_Surface& out) {
    PngResult result;
    bool ok = false;
    try {
        ok = DecodePng(data, size, keepPalette, &result);
    } catch (const std::bad_alloc&) {
        OutOfMemory();
    }
    if (!ok || result.width <= 0 || result.height <= 0) ParseError();
    out.palette = result.palette;
    DrelmInternal::Adopt(out, result.width, result.height,
                         result.paletted ? DRELM_FORMAT_P8 : DRELM_FORMAT_A8R8G8B8,
                         std::move(result.pixels));
}

// ---- DevIL --------------------------------------------------------------------------------

void LoadWithDevil(const uint8_t* data, size_t size, ILenum type, bool keepPalette,
                   DRELM_Surface& out) {
    static bool started = false;
    if (!started) {
        ilInit();
        ilEnable(IL_ORIGIN_SET);
        ilOriginFunc(IL_ORIGIN_UPPER_LEFT);
        started = true;
    }
    ILuint image = 0;
    ilGenImages(1, &image);
    ilBindImage(image);
    struct Guard {
        ILuint id;
        ~Guard() {
            ilDeleteImages(1, &id);
            while (ilGetError() != IL_NO_ERROR) {
            }
        }
    } guard{image};
    if (ilLoadL(type, data, static_cast<ILuint>(size)) != IL_TRUE) {
        if (ilGetError() == IL_OUT_OF_MEMORY) OutOfMemory();
        ParseError();
    }
    const int w = ilGetInteger(IL_IMAGE_WIDTH);
    const int h = ilGetInteger(IL_IMAGE_HEIGHT);
    if (w <= 0 || h <= 0 || w > kMaxImageSide || h > kMaxImageSide) ParseError();
    // DevIL converts a colour index past the end of the palette by reading beyond the
    // palette (a GIF's code size may allow more colours than its table has), and such an
    // index would do the same in a kept palette: the picture is damaged.
    const bool indexed = ilGetInteger(IL_IMAGE_FORMAT) == IL_COLOUR_INDEX;
    if (indexed) {
        const ILubyte* indices = ilGetData();
        const int colours = ilGetInteger(IL_PALETTE_NUM_COLS);
        if (indices == nullptr || ilGetInteger(IL_IMAGE_BYTES_PER_PIXEL) != 1 || colours <= 0)
            ParseError();
        const size_t count = static_cast<size_t>(w) * h;
        if (*std::max_element(indices, indices + count) >= colours) ParseError();
    }
    const bool paletted = keepPalette && indexed;
    std::vector<uint8_t> pixels;
    if (paletted) {
        if (ilConvertPal(IL_PAL_RGBA32) != IL_TRUE) ParseError();
        const ILubyte* pal = ilGetPalette();
        const int count = std::min(ilGetInteger(IL_PALETTE_NUM_COLS), 256);
        out.palette.colors.clear();
        for (int i = 0; pal != nullptr && i < count; ++i) {
            out.palette.AddColor(
                DRELM_RGBA(pal[4 * i], pal[4 * i + 1], pal[4 * i + 2], pal[4 * i + 3]));
        }
        const ILubyte* indices = ilGetData();
        if (indices == nullptr) ParseError();
        pixels.assign(indices, indices + static_cast<size_t>(w) * h);
    } else {
        if (ilConvertImage(IL_BGRA, IL_UNSIGNED_BYTE) != IL_TRUE) ParseError();
        const ILubyte* bgra = ilGetData();
        if (bgra == nullptr) ParseError();
        pixels.assign(bgra, bgra + static_cast<size_t>(w) * h * 4);
    }
    DrelmInternal::Adopt(out, w, h, paletted ? DRELM_FORMAT_P8 : DRELM_FORMAT_A8R8G8B8,
                         std::move(pixels));
}

// ---- IFF ILBM -----------------------------------------------------------------------------

using IlbmCreate = libilbm_Picture* (*)();
using IlbmLoad = int (*)(libilbm_Picture*, const void*, unsigned long);
using IlbmUnload = void (*)(libilbm_Picture*);
using IlbmFree = void (*)(libilbm_Picture*);

std::string& IlbmLibraryName() {
    static std::string name = "libilbm.so";
    return name;
}

// A bare library name is looked for beside libdrelm.so first (where the build puts the
// reader), then along the system's library path.
void* OpenIlbmLibrary() {
    const std::string& name = IlbmLibraryName();
    if (name.find('/') == std::string::npos) {
        Dl_info self;
        if (dladdr(reinterpret_cast<void*>(&OpenIlbmLibrary), &self) != 0 &&
            self.dli_fname != nullptr) {
            std::string beside(self.dli_fname);
            const size_t slash = beside.find_last_of('/');
            if (slash != std::string::npos) {
                beside = beside.substr(0, slash + 1) + name;
                if (FILE* probe = std::fopen(beside.c_str(), "rb")) {
                    std::fclose(probe);
                    if (void* handle = dlopen(beside.c_str(), RTLD_NOW | RTLD_LOCAL)) return handle;
                }
            }
        }
    }
    return dlopen(name.c_str(), RTLD_NOW | RTLD_LOCAL);
}

void LoadIlbm(const uint8_t* data, size_t size, DRELM_Surface& out) {
    void* library = OpenIlbmLibrary();
    if (library == nullptr) throw LibraryLoadException("Could not load library");
    struct Closer {
        void* handle;
        ~Closer() { dlclose(handle); }
    } closer{library};
    auto create = reinterpret_cast<IlbmCreate>(dlsym(library, "libilbm_Create"));
    auto load = reinterpret_cast<IlbmLoad>(dlsym(library, "libilbm_Load"));
    auto unload = reinterpret_cast<IlbmUnload>(dlsym(library, "libilbm_Unload"));
    auto free = reinterpret_cast<IlbmFree>(dlsym(library, "libilbm_Free"));
    if (create == nullptr || load == nullptr || unload == nullptr || free == nullptr) {
        throw LibraryLoadException("Could not load function");
    }
    libilbm_Picture* picture = create();
    if (picture == nullptr) OutOfMemory();
    const bool ok = load(picture, data, static_cast<unsigned long>(size)) != 0;
    const int w = picture->width;
    const int h = picture->height;
    std::vector<uint8_t> pixels;
    const bool valid = ok && picture->pixels != nullptr && w > 0 && h > 0 && w <= kMaxImageSide &&
                       h <= kMaxImageSide;
    if (valid) {
        const auto* bytes = reinterpret_cast<const uint8_t*>(picture->pixels);
        pixels.assign(bytes, bytes + static_cast<size_t>(w) * h * 4);
    }
    unload(picture);
    free(picture);
    if (!valid) ParseError();
    DrelmInternal::Adopt(out, w, h, DRELM_FORMAT_A8R8G8B8, std::move(pixels));
}

}  // namespace

void LoadPictureFromMemory(const uint8_t* data, size_t size, bool keepPalette, DRELM_Surface& out) {
    out.Free();
    switch (DetectPicture(data, size)) {
        case PictureKind::kPng:
            LoadPng(data, size, keepPalette, out);
            break;
        case PictureKind::kGif:
            if (!CheckGif(data, size)) ParseError();
            LoadWithDevil(data, size, IL_GIF, keepPalette, out);
            break;
        case PictureKind::kJpeg:
            if (!CheckJpeg(data, size)) ParseError();
            LoadWithDevil(data, size, IL_JPG, false, out);
            break;
        case PictureKind::kBmp:
            if (!CheckBmp(data, size)) ParseError();
            LoadWithDevil(data, size, IL_BMP, keepPalette, out);
            break;
        case PictureKind::kIlbm:
            LoadIlbm(data, size, out);
            break;
        default:
            throw Exception("SurfaceLoader: Feature not supported");
    }
}

void LoadPicture(const char* fileName, bool keepPalette, DRELM_Surface& out) {
    const std::vector<uint8_t> data = ReadWholeFile(fileName);
    LoadPictureFromMemory(data.data(), data.size(), keepPalette, out);
}

}  // namespace drelm

void DRELM_SetIlbmLibrary(const char* name) {
    drelm::IlbmLibraryName() = name != nullptr ? name : "libilbm.so";
}
