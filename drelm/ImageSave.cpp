// Writing pictures as PNG through libpng, into a file that replaces the old one only
// when it was written completely.
#include <png.h>

#include <csetjmp>

#include "Internal.h"
#include "app/Exceptions.h"
#include "app/SafeFile.h"

namespace drelm {

namespace {

void PngSilent(png_structp, png_const_charp) {}
// Errors end the decoding quietly; the caller reports them with its own message.
[[noreturn]] void PngFail(png_structp png, png_const_charp) { png_longjmp(png, 1); }

// Plain data only across setjmp; true when every row was written.
bool EncodePng(FILE* file, int width, int height, DRELM_FORMAT format, const uint8_t* pixels,
               int pitch, const DRELM_Palette* palette) {
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, PngFail, PngSilent);
    if (png == nullptr) return false;
    png_infop info = png_create_info_struct(png);
    if (info == nullptr) {
        png_destroy_write_struct(&png, nullptr);
        return false;
    }
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        return false;
    }
    png_init_io(png, file);
    if (format == DRELM_FORMAT_P8) {
        png_set_IHDR(png, info, static_cast<png_uint_32>(width), static_cast<png_uint_32>(height),
                     8, PNG_COLOR_TYPE_PALETTE, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
                     PNG_FILTER_TYPE_DEFAULT);
        png_color entries[256];
        png_byte alpha[256];
        int count = palette != nullptr ? std::min(palette->Count(), 256) : 0;
        if (count == 0) {
            entries[0] = png_color{0, 0, 0};
            alpha[0] = 255;
            count = 1;
        }
        bool anyAlpha = false;
        for (int i = 0; palette != nullptr && i < std::min(palette->Count(), 256); ++i) {
            const DRELM_RGBA c = palette->GetColor(i);
            entries[i] = png_color{c.r, c.g, c.b};
            alpha[i] = c.a;
            anyAlpha = anyAlpha || c.a != 255;
        }
        png_set_PLTE(png, info, entries, count);
        if (anyAlpha) png_set_tRNS(png, info, alpha, count, nullptr);
    } else {
        png_set_IHDR(png, info, static_cast<png_uint_32>(width), static_cast<png_uint_32>(height),
                     8, PNG_COLOR_TYPE_RGB_ALPHA, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
                     PNG_FILTER_TYPE_DEFAULT);
    }
    png_write_info(png, info);
    if (format != DRELM_FORMAT_P8) png_set_bgr(png);
    for (int y = 0; y < height; ++y) {
        png_write_row(png, const_cast<png_bytep>(pixels + static_cast<size_t>(y) * pitch));
    }
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    return true;
}

}  // namespace

void SavePng(const char* fileName, int width, int height, DRELM_FORMAT format,
             const uint8_t* pixels, int pitch, const DRELM_Palette* palette) {
    if (format != DRELM_FORMAT_A8R8G8B8 && format != DRELM_FORMAT_P8) {
        throw Exception("SurfaceSaver: Feature not supported");
    }
    if (fileName == nullptr || width <= 0 || height <= 0 || pixels == nullptr) {
        throw Exception("SurfaceSaver: Feature not supported");
    }
    try {
        SafeFileWriter writer(fileName);
        if (!EncodePng(writer.File(), width, height, format, pixels, pitch, palette)) {
            writer.Abandon();
            throw InternalException("SurfaceSaver: Internal error");
        }
        writer.Commit();
    } catch (const InternalException&) {
        throw;
    } catch (const Exception&) {
        throw FileIOException("SurfaceSaver: File IO error");
    }
}

}  // namespace drelm
