// Surfaces: formats and conversions, copies, fills, colour searches, scaling, PNG save and
// load round trips, GIF and JPEG through the other decoder, and damaged or unknown files.
#include <cstddef>
#include <cstdio>

// jpeglib.h needs size_t and FILE declared first.
#include <jpeglib.h>

#include "DrelmTestSupport.h"

using drelmtest::MessageOf;
using drelmtest::ScratchFile;
using drelmtest::WriteBytes;

namespace {

DRELM_Surface* Checkerboard(int w, int h) {
    DRELM_Surface* s = DRELM_CreateSurface(w, h, DRELM_FORMAT_A8R8G8B8);
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            s->SetPixel(x, y,
                        DRELM_RGBA(uint8_t(x * 37), uint8_t(y * 11), uint8_t(x ^ y),
                                   uint8_t((x + y) * 13)));
        }
    }
    return s;
}

// A GIF with a 4-colour table whose LZW stream starts over after every two pixels, so
// every code is 3 bits wide: a real GIF, simple to write.
std::vector<uint8_t> MakeGif(int w, int h, const std::vector<uint8_t>& indices,
                             const DRELM_RGBA (&colours)[4], int transparent) {
    std::vector<uint8_t> out = {
        'G',  'I', 'F', '8', '9', 'a', uint8_t(w), uint8_t(w >> 8), uint8_t(h), uint8_t(h >> 8),
        0x91, 0,   0};
    for (const DRELM_RGBA& c : colours) out.insert(out.end(), {c.r, c.g, c.b});
    if (transparent >= 0) out.insert(out.end(), {0x21, 0xF9, 4, 1, 0, 0, uint8_t(transparent), 0});
    out.insert(out.end(),
               {0x2C, 0, 0, 0, 0, uint8_t(w), uint8_t(w >> 8), uint8_t(h), uint8_t(h >> 8), 0, 2});
    std::vector<uint8_t> data;
    uint32_t bits = 0;
    int count = 0;
    auto emit = [&](uint32_t code) {
        bits |= code << count;
        count += 3;
        while (count >= 8) {
            data.push_back(uint8_t(bits));
            bits >>= 8;
            count -= 8;
        }
    };
    for (size_t i = 0; i < indices.size(); ++i) {
        if (i % 2 == 0) emit(4);  // clear
        emit(indices[i]);
    }
    emit(5);  // end
    if (count > 0) data.push_back(uint8_t(bits));
    for (size_t i = 0; i < data.size(); i += 255) {
        const size_t n = std::min<size_t>(255, data.size() - i);
        out.push_back(uint8_t(n));
        out.insert(out.end(), data.begin() + long(i), data.begin() + long(i + n));
    }
    out.push_back(0);
    out.push_back(0x3B);
    return out;
}

std::vector<uint8_t> MakeJpeg(int w, int h, const std::vector<uint8_t>& rgb) {
    jpeg_compress_struct cinfo;
    jpeg_error_mgr error;
    cinfo.err = jpeg_std_error(&error);
    jpeg_create_compress(&cinfo);
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&cinfo, &buffer, &size);
    cinfo.image_width = static_cast<JDIMENSION>(w);
    cinfo.image_height = static_cast<JDIMENSION>(h);
    cinfo.input_components = 3;
    cinfo.in_color_space = JCS_RGB;
    jpeg_set_defaults(&cinfo);
    jpeg_set_quality(&cinfo, 100, TRUE);
    jpeg_start_compress(&cinfo, TRUE);
    while (cinfo.next_scanline < cinfo.image_height) {
        JSAMPROW row = const_cast<JSAMPROW>(rgb.data() + cinfo.next_scanline * w * 3);
        jpeg_write_scanlines(&cinfo, &row, 1);
    }
    jpeg_finish_compress(&cinfo);
    std::vector<uint8_t> out(buffer, buffer + size);
    jpeg_destroy_compress(&cinfo);
    std::free(buffer);
    return out;
}

std::vector<uint8_t> ReadFile(const std::string& path) {
    std::vector<uint8_t> data;
    FILE* f = std::fopen(path.c_str(), "rb");
    if (f == nullptr) return data;
    int c;
    while ((c = std::fgetc(f)) != EOF) data.push_back(uint8_t(c));
    std::fclose(f);
    return data;
}

TEST(Surface, PngSaveAndLoadKeepEveryPixelAndAlpha) {
    DRELM_Surface* s = Checkerboard(37, 23);
    const std::string file = ScratchFile("round.png");
    s->Save(file.c_str());
    DRELM_Surface* back = DRELM_CreateSurface(file.c_str());
    ASSERT_EQ(back->Width(), 37);
    ASSERT_EQ(back->Height(), 23);
    EXPECT_EQ(back->Format(), DRELM_FORMAT_A8R8G8B8);
    for (int y = 0; y < 23; ++y) {
        for (int x = 0; x < 37; ++x)
            ASSERT_EQ(back->GetPixel(x, y), s->GetPixel(x, y)) << x << "," << y;
    }
    // The same bytes load from memory too.
    const std::vector<uint8_t> bytes = ReadFile(file);
    DRELM_Surface* fromMemory = DRELM_CreateSurfaceFromMemory(bytes.data(), bytes.size());
    EXPECT_EQ(fromMemory->GetPixel(36, 22), s->GetPixel(36, 22));
    DRELM_FreeSurface(fromMemory);
    DRELM_FreeSurface(back);
    DRELM_FreeSurface(s);
}

TEST(Surface, PalettePngKeepsIndicesAndPaletteWhenAsked) {
    DRELM_Surface s;
    s.Create(5, 3, DRELM_FORMAT_P8);
    s.palette.AddColor(DRELM_RGBA(10, 20, 30));
    s.palette.AddColor(DRELM_RGBA(200, 0, 0, 128));
    s.palette.SetColor(2, DRELM_RGBA(0, 255, 0));
    auto* p = static_cast<uint8_t*>(s.Lock(DRELM_LOCK_WRITE));
    for (int i = 0; i < 15; ++i) p[i] = uint8_t(i % 3);
    s.Unlock();
    const std::string file = ScratchFile("palette.png");
    s.Save(file.c_str());

    DRELM_Surface* kept = DRELM_CreateSurface(file.c_str(), DRELM_SURFACE_KEEP_PALETTE);
    ASSERT_EQ(kept->Format(), DRELM_FORMAT_P8);
    ASSERT_EQ(kept->palette.Count(), 3);
    EXPECT_EQ(kept->palette.GetColor(1), DRELM_RGBA(200, 0, 0, 128));
    const auto* q = static_cast<const uint8_t*>(kept->Lock(DRELM_LOCK_READ));
    for (int i = 0; i < 15; ++i) EXPECT_EQ(q[i], i % 3);
    kept->Unlock();
    DRELM_Surface* expanded = DRELM_CreateSurface(file.c_str());
    EXPECT_EQ(expanded->Format(), DRELM_FORMAT_A8R8G8B8);
    EXPECT_EQ(expanded->GetPixel(1, 0), DRELM_RGBA(200, 0, 0, 128));
    DRELM_FreeSurface(kept);
    DRELM_FreeSurface(expanded);
}

TEST(Surface, FormatsStoreColoursAsTheirBitsAllow) {
    DRELM_Surface s;
    s.Create(1, 1, DRELM_FORMAT_A8R8G8B8);
    s.SetPixel(0, 0, DRELM_RGBA(255, 130, 7, 200));
    struct Case {
        DRELM_FORMAT format;
        DRELM_RGBA expected;
        int bytes;
    };
    const Case cases[] = {
        {DRELM_FORMAT_X8R8G8B8, DRELM_RGBA(255, 130, 7, 255), 4},
        {DRELM_FORMAT_R5G6B5, DRELM_RGBA(255, 130, 0, 255), 2},
        {DRELM_FORMAT_A1R5G5B5, DRELM_RGBA(255, 132, 0, 255), 2},
        {DRELM_FORMAT_A4R4G4B4, DRELM_RGBA(255, 136, 0, 204), 2},
        {DRELM_FORMAT_A8, DRELM_RGBA(255, 255, 255, 200), 1},
    };
    for (const Case& c : cases) {
        DRELM_Surface* converted = DRELM_CreateSurface(&s, c.format);
        EXPECT_EQ(converted->Format(), c.format);
        EXPECT_EQ(converted->Pitch(), c.bytes);
        EXPECT_EQ(converted->GetPixel(0, 0), c.expected) << int(c.format);
        DRELM_FreeSurface(converted);
    }
    EXPECT_EQ(s.FindColor(DRELM_RGBA(1, 2, 3, 4)), 0x04010203u);
}

TEST(Surface, ColourKeyMakesThatColourTransparent) {
    DRELM_Surface s;
    s.Create(3, 1, DRELM_FORMAT_X8R8G8B8);
    s.SetPixel(0, 0, DRELM_RGBA(255, 0, 255));
    s.SetPixel(1, 0, DRELM_RGBA(255, 0, 254));
    s.Convert(DRELM_FORMAT_A8R8G8B8, 0x00FF00FFu, DRELM_CONVERT_COLORKEY);
    EXPECT_EQ(s.GetPixel(0, 0).Packed(), 0u);
    EXPECT_EQ(s.GetPixel(1, 0), DRELM_RGBA(255, 0, 254));
    EXPECT_EQ(s.FindPixel(DRELM_RGBA(255, 0, 254)), DRELM_Point(1, 0));
    EXPECT_EQ(s.FindPixel(DRELM_RGBA(1, 1, 1)), DRELM_Point(-1, -1));
}

TEST(Surface, PaletteConversionTakesTheNearestEntry) {
    DRELM_Surface s;
    s.Create(2, 1, DRELM_FORMAT_A8R8G8B8);
    s.SetPixel(0, 0, DRELM_RGBA(250, 10, 10));
    s.SetPixel(1, 0, DRELM_RGBA(5, 5, 90));
    DRELM_Palette palette;
    palette.AddColor(DRELM_RGBA(0, 0, 0));
    palette.AddColor(DRELM_RGBA(255, 0, 0));
    palette.AddColor(DRELM_RGBA(0, 0, 128));
    s.Convert(palette);
    EXPECT_EQ(s.Format(), DRELM_FORMAT_P8);
    EXPECT_EQ(s.GetPixel(0, 0), DRELM_RGBA(255, 0, 0));
    EXPECT_EQ(s.GetPixel(1, 0), DRELM_RGBA(0, 0, 128));
    EXPECT_EQ(s.FindColor(DRELM_RGBA(10, 10, 100)), 2u);

    // Without a palette one is made from the colours present.
    DRELM_Surface t;
    t.Create(3, 1, DRELM_FORMAT_A8R8G8B8);
    t.FillRect(Quelm::Rect(0, 0, 3, 1), DRELM_RGBA(9, 8, 7));
    t.SetPixel(2, 0, DRELM_RGBA(1, 2, 3));
    t.Convert(DRELM_FORMAT_P8);
    EXPECT_EQ(t.palette.Count(), 2);
    EXPECT_EQ(t.GetPixel(2, 0), DRELM_RGBA(1, 2, 3));
}

TEST(Surface, CopiesAreCutToTheTarget) {
    DRELM_Surface* src = Checkerboard(4, 4);
    DRELM_Surface dst;
    dst.Create(5, 5, DRELM_FORMAT_A8R8G8B8);
    src->CopyRect(Quelm::Rect(1, 1, 3, 3), 3, -1, &dst);
    // Source columns 1..2, rows 2..3 land at (3..4, 0..1); the rest falls outside.
    EXPECT_EQ(dst.GetPixel(3, 0), src->GetPixel(1, 2));
    EXPECT_EQ(dst.GetPixel(4, 1), src->GetPixel(2, 3));
    EXPECT_EQ(dst.GetPixel(2, 0).Packed(), 0u);
    EXPECT_EQ(dst.GetPixel(3, 2).Packed(), 0u);
    src->Copy(-10, -10, &dst);  // entirely outside: nothing happens
    src->Copy(0, 0, nullptr);

    DRELM_Texture texture;
    texture.Create(4, 4, DRELM_FORMAT_A8R8G8B8);
    src->CopyToTexture(&texture, Quelm::Rect(2, 2, 2, 2), 0, 0);
    EXPECT_EQ(texture.GetPixel(1, 1), src->GetPixel(3, 3));
    DRELM_FreeSurface(src);

    dst.FillRect(Quelm::Rect(-2, -2, 4, 4), DRELM_RGBA(1, 2, 3));
    EXPECT_EQ(dst.GetPixel(1, 1), DRELM_RGBA(1, 2, 3));
    EXPECT_EQ(dst.GetPixel(2, 2).Packed(), 0u);
}

TEST(Surface, ResizeWithEachFilter) {
    DRELM_Surface s;
    s.Create(2, 1, DRELM_FORMAT_A8R8G8B8);
    s.SetPixel(0, 0, DRELM_RGBA(0, 0, 0));
    s.SetPixel(1, 0, DRELM_RGBA(200, 100, 0));
    s.Resize(Quelm::Rect(0, 0, 4, 2), DRELM_FILTER_POINT);
    EXPECT_EQ(s.Width(), 4);
    EXPECT_EQ(s.Height(), 2);
    EXPECT_EQ(s.GetPixel(1, 1), DRELM_RGBA(0, 0, 0));
    EXPECT_EQ(s.GetPixel(2, 0), DRELM_RGBA(200, 100, 0));
    s.Resize(Quelm::Rect(0, 0, 2, 1), DRELM_FILTER_BOX);
    EXPECT_EQ(s.GetPixel(0, 0), DRELM_RGBA(0, 0, 0));
    EXPECT_EQ(s.GetPixel(1, 0), DRELM_RGBA(200, 100, 0));
    s.Resize(Quelm::Rect(0, 0, 1, 1), DRELM_FILTER_BOX);
    EXPECT_EQ(s.GetPixel(0, 0), DRELM_RGBA(100, 50, 0));

    DRELM_Surface b;
    b.Create(2, 1, DRELM_FORMAT_A8R8G8B8);
    b.SetPixel(0, 0, DRELM_RGBA(0, 0, 0));
    b.SetPixel(1, 0, DRELM_RGBA(255, 0, 0));
    b.Resize(Quelm::Rect(0, 0, 4, 1), DRELM_FILTER_BILINEAR);
    EXPECT_EQ(b.GetPixel(0, 0), DRELM_RGBA(0, 0, 0));
    EXPECT_EQ(b.GetPixel(1, 0), DRELM_RGBA(64, 0, 0));
    EXPECT_EQ(b.GetPixel(2, 0), DRELM_RGBA(191, 0, 0));
    EXPECT_EQ(b.GetPixel(3, 0), DRELM_RGBA(255, 0, 0));
    EXPECT_EQ(MessageOf([&] { b.Resize(Quelm::Rect(0, 0, 0, 5), DRELM_FILTER_POINT); }),
              "DRELM: Allocate surface pixels");
}

TEST(Surface, LockGivesPixelsInsideThePictureOnly) {
    DRELM_Surface s;
    EXPECT_EQ(s.Lock(DRELM_LOCK_READ), nullptr);
    s.Create(4, 3, DRELM_FORMAT_R5G6B5);
    auto* base = static_cast<uint8_t*>(s.Lock(DRELM_LOCK_READ));
    auto* part = static_cast<uint8_t*>(s.Lock(DRELM_LOCK_READ, Quelm::Rect(1, 2, 2, 1)));
    EXPECT_EQ(part - base, 2 * 8 + 1 * 2);
    EXPECT_EQ(s.Lock(DRELM_LOCK_READ, Quelm::Rect(3, 0, 2, 1)), nullptr);
    s.Unlock();
    s.Unlock();
    EXPECT_EQ(MessageOf([&] { s.Create(0, 3, DRELM_FORMAT_A8R8G8B8); }),
              "DRELM: Allocate surface pixels");
    EXPECT_EQ(MessageOf([&] { s.Create(100000, 100000, DRELM_FORMAT_A8R8G8B8); }),
              "DRELM: Allocate surface pixels");
    EXPECT_EQ(MessageOf([] { DRELM_CreateTexture(8, 8, DRELM_FORMAT_R5G6B5); }),
              "DRELM: Create texture");
    EXPECT_EQ(MessageOf([] { DRELM_CreateTexture(9000, 8, DRELM_FORMAT_A8R8G8B8); }),
              "DRELM: Create texture");
}

TEST(PictureFiles, GifLoadsThroughTheOtherDecoder) {
    const DRELM_RGBA colours[4] = {DRELM_RGBA(0, 0, 0), DRELM_RGBA(255, 0, 0),
                                   DRELM_RGBA(0, 128, 255), DRELM_RGBA(255, 255, 255)};
    std::vector<uint8_t> indices(6 * 3);
    for (size_t i = 0; i < indices.size(); ++i) indices[i] = uint8_t((i * 7 / 3) % 4);
    const std::string file = ScratchFile("picture.gif");
    WriteBytes(file, MakeGif(6, 3, indices, colours, -1));
    DRELM_Surface* s = DRELM_CreateSurface(file.c_str());
    ASSERT_EQ(s->Width(), 6);
    ASSERT_EQ(s->Height(), 3);
    for (int i = 0; i < 18; ++i) {
        EXPECT_EQ(s->GetPixel(i % 6, i / 6), colours[indices[size_t(i)]]) << i;
    }
    DRELM_FreeSurface(s);

    WriteBytes(file, MakeGif(6, 3, indices, colours, 1));
    DRELM_Surface* keyed = DRELM_CreateSurface(file.c_str(), DRELM_SURFACE_KEEP_PALETTE);
    EXPECT_EQ(keyed->Format(), DRELM_FORMAT_P8);
    EXPECT_EQ(keyed->palette.GetColor(2), colours[2]);
    EXPECT_EQ(keyed->palette.GetColor(1).a, 0) << "the transparent index";
    DRELM_FreeSurface(keyed);
}

TEST(PictureFiles, JpegLoadsThroughTheOtherDecoder) {
    const int w = 16, h = 16;
    std::vector<uint8_t> rgb(size_t(w) * h * 3);
    const DRELM_RGBA quadrant[4] = {DRELM_RGBA(255, 0, 0), DRELM_RGBA(0, 255, 0),
                                    DRELM_RGBA(0, 0, 255), DRELM_RGBA(240, 240, 240)};
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            const DRELM_RGBA& c = quadrant[(y / 8) * 2 + x / 8];
            rgb[size_t(y * w + x) * 3 + 0] = c.r;
            rgb[size_t(y * w + x) * 3 + 1] = c.g;
            rgb[size_t(y * w + x) * 3 + 2] = c.b;
        }
    }
    const std::string file = ScratchFile("picture.jpg");
    WriteBytes(file, MakeJpeg(w, h, rgb));
    DRELM_Surface* s = DRELM_CreateSurface(file.c_str());
    ASSERT_EQ(s->Width(), w);
    ASSERT_EQ(s->Height(), h);
    for (int q = 0; q < 4; ++q) {
        const DRELM_RGBA got = s->GetPixel((q % 2) * 8 + 3, (q / 2) * 8 + 3);
        const DRELM_RGBA& want = quadrant[q];
        EXPECT_NEAR(got.r, want.r, 8) << q;
        EXPECT_NEAR(got.g, want.g, 8) << q;
        EXPECT_NEAR(got.b, want.b, 8) << q;
        EXPECT_EQ(got.a, 255);
    }
    DRELM_FreeSurface(s);
}

TEST(PictureFiles, DamagedMissingAndUnknownFilesGiveTheLoaderMessages) {
    EXPECT_EQ(MessageOf([] { DRELM_CreateSurface(ScratchFile("missing.png").c_str()); }),
              "SurfaceLoader: File IO error");
    EXPECT_EQ(MessageOf([] { DRELM_CreateSurface(static_cast<const char*>(nullptr)); }),
              "SurfaceLoader: File IO error");
    const std::string file = ScratchFile("bad.bin");
    WriteBytes(file, {'h', 'e', 'l', 'l', 'o', 0, 1, 2, 3});
    EXPECT_EQ(MessageOf([&] { DRELM_CreateSurface(file.c_str()); }),
              "SurfaceLoader: Feature not supported");
    WriteBytes(file, {});
    EXPECT_EQ(MessageOf([&] { DRELM_CreateSurface(file.c_str()); }),
              "SurfaceLoader: Feature not supported");

    // A PNG cut anywhere is a parse error, never a crash.
    DRELM_Surface* s = Checkerboard(20, 20);
    const std::string png = ScratchFile("cut.png");
    s->Save(png.c_str());
    DRELM_FreeSurface(s);
    const std::vector<uint8_t> whole = ReadFile(png);
    for (size_t cut : {size_t(8), size_t(20), size_t(40), whole.size() / 2, whole.size() - 13}) {
        const std::vector<uint8_t> part(whole.begin(), whole.begin() + long(cut));
        EXPECT_EQ(MessageOf([&] { DRELM_CreateSurfaceFromMemory(part.data(), part.size()); }),
                  "SurfaceLoader: Parse error")
            << cut;
    }
    std::vector<uint8_t> flipped = whole;
    flipped[whole.size() / 2] ^= 0x55;  // breaks the image data's checksum
    EXPECT_EQ(MessageOf([&] { DRELM_CreateSurfaceFromMemory(flipped.data(), flipped.size()); }),
              "SurfaceLoader: Parse error");

    const DRELM_RGBA colours[4] = {DRELM_RGBA(0, 0, 0), DRELM_RGBA(1, 1, 1), DRELM_RGBA(2, 2, 2),
                                   DRELM_RGBA(3, 3, 3)};
    std::vector<uint8_t> gif = MakeGif(4, 4, std::vector<uint8_t>(16, 1), colours, -1);
    std::vector<uint8_t> wide = gif;
    wide[6] = 2;  // the screen is narrower than the image
    EXPECT_EQ(MessageOf([&] { DRELM_CreateSurfaceFromMemory(wide.data(), wide.size()); }),
              "SurfaceLoader: Parse error");
    const std::vector<uint8_t> cutGif(gif.begin(), gif.begin() + 30);
    EXPECT_EQ(MessageOf([&] { DRELM_CreateSurfaceFromMemory(cutGif.data(), cutGif.size()); }),
              "SurfaceLoader: Parse error");
    const std::vector<uint8_t> jpegHead = {0xFF, 0xD8, 0xFF, 0xE0, 0x00, 0x10, 'J', 'F', 'I', 'F'};
    EXPECT_EQ(MessageOf([&] { DRELM_CreateSurfaceFromMemory(jpegHead.data(), jpegHead.size()); }),
              "SurfaceLoader: Parse error");
    std::vector<uint8_t> bmp(60, 0);
    bmp[0] = 'B';
    bmp[1] = 'M';
    bmp[14] = 40;
    bmp[18] = 200;  // 200 x 200 pixels promised, none present
    bmp[22] = 200;
    bmp[26] = 1;
    bmp[28] = 24;
    bmp[10] = 54;
    EXPECT_EQ(MessageOf([&] { DRELM_CreateSurfaceFromMemory(bmp.data(), bmp.size()); }),
              "SurfaceLoader: Parse error");
}

TEST(PictureFiles, PicturesTheDecoderWouldMishandleAreRefused) {
    const DRELM_RGBA colours[4] = {DRELM_RGBA(0, 0, 0), DRELM_RGBA(90, 90, 90),
                                   DRELM_RGBA(180, 180, 180), DRELM_RGBA(255, 255, 255)};
    // A table of two colours (flags 0x90) with pixels that name colour 3: the LZW codes
    // allow four, the table has two.
    auto twoColours = [&](uint8_t index) {
        std::vector<uint8_t> gif = MakeGif(4, 2, {0, 1, index, 1, 0, 1, 0, 1}, colours, -1);
        gif[10] = 0x90;
        gif.erase(gif.begin() + 13 + 6, gif.begin() + 13 + 12);
        return gif;
    };
    for (uint32_t flags : {0u, static_cast<uint32_t>(DRELM_SURFACE_KEEP_PALETTE)}) {
        SCOPED_TRACE(flags);
        const std::vector<uint8_t> inside = twoColours(1);
        DRELM_Surface* s = DRELM_CreateSurfaceFromMemory(inside.data(), inside.size(), flags);
        EXPECT_EQ(s->Width(), 4);
        DRELM_FreeSurface(s);
        const std::vector<uint8_t> past = twoColours(3);
        EXPECT_EQ(
            MessageOf([&] { DRELM_CreateSurfaceFromMemory(past.data(), past.size(), flags); }),
            "SurfaceLoader: Parse error");
    }
    // A screen of 72 million pixels (9000 x 8000) around a tiny image: each side is within
    // bounds, the whole is more than the decoders may allocate.
    std::vector<uint8_t> vast = MakeGif(4, 2, std::vector<uint8_t>(8, 1), colours, -1);
    vast[6] = 9000 & 255;
    vast[7] = 9000 >> 8;
    vast[8] = 8000 & 255;
    vast[9] = 8000 >> 8;
    EXPECT_EQ(MessageOf([&] { DRELM_CreateSurfaceFromMemory(vast.data(), vast.size()); }),
              "SurfaceLoader: Parse error");
}

// An IFF ILBM file: header, optional palette and display mode, and the body.
std::vector<uint8_t> MakeIlbm(int w, int h, int planes, int masking, int compression,
                              int transparent, const std::vector<uint8_t>& palette,
                              const std::vector<uint8_t>& body, uint32_t mode = 0) {
    auto be32 = [](std::vector<uint8_t>& v, uint32_t x) {
        v.insert(v.end(), {uint8_t(x >> 24), uint8_t(x >> 16), uint8_t(x >> 8), uint8_t(x)});
    };
    auto chunk = [&](std::vector<uint8_t>& v, const char* id, const std::vector<uint8_t>& data) {
        v.insert(v.end(), id, id + 4);
        be32(v, uint32_t(data.size()));
        v.insert(v.end(), data.begin(), data.end());
        if (data.size() & 1) v.push_back(0);
    };
    std::vector<uint8_t> form = {'I', 'L', 'B', 'M'};
    chunk(form, "BMHD",
          {uint8_t(w >> 8),
           uint8_t(w),
           uint8_t(h >> 8),
           uint8_t(h),
           0,
           0,
           0,
           0,
           uint8_t(planes),
           uint8_t(masking),
           uint8_t(compression),
           0,
           0,
           uint8_t(transparent),
           1,
           1,
           0,
           0,
           0,
           0});
    if (!palette.empty()) chunk(form, "CMAP", palette);
    if (mode != 0)
        chunk(form, "CAMG",
              {uint8_t(mode >> 24), uint8_t(mode >> 16), uint8_t(mode >> 8), uint8_t(mode)});
    chunk(form, "BODY", body);
    std::vector<uint8_t> file = {'F', 'O', 'R', 'M'};
    be32(file, uint32_t(form.size()));
    file.insert(file.end(), form.begin(), form.end());
    return file;
}

TEST(PictureFiles, IlbmLoadsThroughItsRunTimeLibrary) {
    // Two planes, run-length packed, colour 3 transparent. Rows: 0 1 2 3 / 3 2 1 0 / 0 0 0 0.
    const std::vector<uint8_t> palette = {0, 0, 0, 255, 0, 0, 0, 255, 0, 9, 9, 9};
    const std::vector<uint8_t> body = {0x01, 0x50, 0x00, 0x01, 0x30, 0x00,  // row 0, planes 0 and 1
                                       0x01, 0xA0, 0x00, 0x01, 0xC0, 0x00,  // row 1
                                       0xFF, 0x00, 0x80, 0xFF, 0x00};  // row 2: runs and a no-op
    const std::vector<uint8_t> file = MakeIlbm(4, 3, 2, 2, 1, 3, palette, body);
    DRELM_Surface* s = DRELM_CreateSurfaceFromMemory(file.data(), file.size());
    ASSERT_EQ(s->Width(), 4);
    ASSERT_EQ(s->Height(), 3);
    const DRELM_RGBA clear(9, 9, 9, 0);
    const DRELM_RGBA expected[3][4] = {
        {DRELM_RGBA(0, 0, 0), DRELM_RGBA(255, 0, 0), DRELM_RGBA(0, 255, 0), clear},
        {clear, DRELM_RGBA(0, 255, 0), DRELM_RGBA(255, 0, 0), DRELM_RGBA(0, 0, 0)},
        {DRELM_RGBA(0, 0, 0), DRELM_RGBA(0, 0, 0), DRELM_RGBA(0, 0, 0), DRELM_RGBA(0, 0, 0)},
    };
    for (int y = 0; y < 3; ++y) {
        for (int x = 0; x < 4; ++x) EXPECT_EQ(s->GetPixel(x, y), expected[y][x]) << x << "," << y;
    }
    DRELM_FreeSurface(s);

    // 24 planes, uncompressed: red bits in planes 0-7, green 8-15, blue 16-23.
    const DRELM_RGBA colours[2] = {DRELM_RGBA(0x12, 0x34, 0x56), DRELM_RGBA(0xFF, 0x00, 0x80)};
    std::vector<uint8_t> deep;
    for (int p = 0; p < 24; ++p) {
        uint8_t bits = 0;
        for (int x = 0; x < 2; ++x) {
            const uint8_t c = p < 8 ? colours[x].r : p < 16 ? colours[x].g : colours[x].b;
            if (c & (1 << (p % 8))) bits |= uint8_t(0x80 >> x);
        }
        deep.insert(deep.end(), {bits, 0});
    }
    const std::vector<uint8_t> trueColour = MakeIlbm(2, 1, 24, 0, 0, 0, {}, deep);
    s = DRELM_CreateSurfaceFromMemory(trueColour.data(), trueColour.size());
    EXPECT_EQ(s->GetPixel(0, 0), colours[0]);
    EXPECT_EQ(s->GetPixel(1, 0), colours[1]);
    DRELM_FreeSurface(s);

    // A body that ends early, a run past the row, a header-less file.
    std::vector<uint8_t> cut = MakeIlbm(4, 3, 2, 0, 1, 0, palette, {0x01, 0x50, 0x00});
    EXPECT_EQ(MessageOf([&] { DRELM_CreateSurfaceFromMemory(cut.data(), cut.size()); }),
              "SurfaceLoader: Parse error");
    cut = MakeIlbm(4, 1, 1, 0, 1, 0, palette, {0xF0, 0x00});
    EXPECT_EQ(MessageOf([&] { DRELM_CreateSurfaceFromMemory(cut.data(), cut.size()); }),
              "SurfaceLoader: Parse error");
    const std::vector<uint8_t> bare = {'F', 'O', 'R', 'M', 0, 0, 0, 4, 'I', 'L', 'B', 'M'};
    EXPECT_EQ(MessageOf([&] { DRELM_CreateSurfaceFromMemory(bare.data(), bare.size()); }),
              "SurfaceLoader: Parse error");
}

TEST(PictureFiles, IlbmWithoutItsLibraryOrItsFunctions) {
    const std::vector<uint8_t> ilbm = {'F', 'O', 'R', 'M', 0, 0, 0, 4, 'I', 'L', 'B', 'M'};
    DRELM_SetIlbmLibrary("libdrelm-test-no-such-library.so");
    try {
        DRELM_CreateSurfaceFromMemory(ilbm.data(), ilbm.size());
        ADD_FAILURE() << "no exception";
    } catch (const Exception& e) {
        EXPECT_STREQ(e.Message(), "Could not load library");
        EXPECT_EQ(e.Kind(), kLibraryLoadException);
    }
    // A library that is there but is not the ILBM reader.
    DRELM_SetIlbmLibrary("libz.so.1");
    EXPECT_EQ(MessageOf([&] { DRELM_CreateSurfaceFromMemory(ilbm.data(), ilbm.size()); }),
              "Could not load function");
    DRELM_SetIlbmLibrary(nullptr);
}

TEST(PictureFiles, SavingReportsItsFailures) {
    DRELM_Surface empty;
    EXPECT_EQ(MessageOf([&] { empty.Save(ScratchFile("empty.png").c_str()); }),
              "SurfaceSaver: Feature not supported");
    DRELM_Surface* s = Checkerboard(2, 2);
    try {
        s->Save("/nonexistent-directory/x.png");
        FAIL() << "no exception";
    } catch (const Exception& e) {
        EXPECT_STREQ(e.Message(), "SurfaceSaver: File IO error");
        EXPECT_EQ(e.Kind(), kFileIOException);
    }
    // A 16-bit surface is written as 32-bit colour.
    DRELM_Surface* rgb = DRELM_CreateSurface(s, DRELM_FORMAT_R5G6B5);
    rgb->Save(ScratchFile("rgb.png").c_str());
    DRELM_Surface* back = DRELM_CreateSurface(ScratchFile("rgb.png").c_str());
    EXPECT_EQ(back->GetPixel(1, 1), rgb->GetPixel(1, 1));
    DRELM_FreeSurface(back);
    DRELM_FreeSurface(rgb);
    DRELM_FreeSurface(s);
}

}  // namespace
