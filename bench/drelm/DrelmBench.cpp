// Frame costs of the drawing device on the software path at 800 x 600: a frame of 2000
// textured blits and 200 lines of text, and its parts.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "Drelm.h"

namespace {

struct Scene {
    DRELM_Texture* atlas = nullptr;
    DRELM_Font* font = nullptr;
    std::vector<std::string> lines;

    Scene() {
        setenv("SDL_VIDEODRIVER", "offscreen", 0);
        DRELM_Init();
        DRELM_SetVideoMode(DRELM_VideoMode(800, 600, DRELM_FORMAT_X8R8G8B8),
                           DRELM_VIDEO_HIDDEN | DRELM_VIDEO_SOFTWARE);
        // A 256 x 256 atlas of 24 x 24 icons: shaded discs with soft transparent edges.
        atlas = DRELM_CreateTexture(256, 256, DRELM_FORMAT_A8R8G8B8);
        auto* px = static_cast<uint32_t*>(atlas->Lock(DRELM_LOCK_WRITE));
        for (int y = 0; y < 256; ++y) {
            for (int x = 0; x < 256; ++x) {
                const int cx = x % 24 - 12, cy = y % 24 - 12;
                const int d = cx * cx + cy * cy;
                const uint32_t a = d < 100 ? 255 : d < 144 ? 128 : 0;
                px[y * 256 + x] = a << 24 | uint32_t(x) << 16 | uint32_t(y) << 8 | 0x80;
            }
        }
        atlas->Unlock();
        font = DRELM_CreateFont("/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf", 12);
        for (int i = 0; i < 200; ++i) {
            char text[96];
            std::snprintf(text, sizeof text,
                          "%03d | C-4 01 F 0A0 | D#5 02 8 000 | --- .. . ... | G-3 0F A 1%02X", i,
                          i);
            lines.emplace_back(text);
        }
    }
    ~Scene() {
        DRELM_FreeFont(font);
        DRELM_FreeTexture(atlas);
        DRELM_Quit();
    }

    void Blits() const {
        for (int i = 0; i < 2000; ++i) {
            const int icon = i % 100;
            const Quelm::Rect part((icon % 10) * 24, (icon / 10) * 24, 24, 24);
            const int x = (i * 37) % 776, y = (i * 53) % 576;
            if (i % 2 == 0) {
                atlas->BlitPart(part, x, y);
            } else {
                atlas->BlitPart(part, x, y, DRELM_RGBA(255, 200, 120, 220));
            }
        }
    }
    void Text() const {
        for (int i = 0; i < 200; ++i) {
            font->Print(4 + (i / 50) * 200, (i % 50) * 12, lines[size_t(i)].c_str(),
                        DRELM_RGBA(230, 230, 240));
        }
    }
};

Scene& TheScene() {
    static Scene scene;
    return scene;
}

void BM_Frame2000BlitsAnd200TextLines(benchmark::State& state) {
    Scene& s = TheScene();
    for (auto _ : state) {
        DRELM_ClearBuffers(DRELM_RGBA(20, 24, 40));
        s.Blits();
        s.Text();
        DRELM_NextFrame();
    }
}
BENCHMARK(BM_Frame2000BlitsAnd200TextLines)->Unit(benchmark::kMillisecond);

void BM_2000Blits(benchmark::State& state) {
    Scene& s = TheScene();
    for (auto _ : state) s.Blits();
}
BENCHMARK(BM_2000Blits)->Unit(benchmark::kMillisecond);

void BM_200TextLines(benchmark::State& state) {
    Scene& s = TheScene();
    for (auto _ : state) s.Text();
}
BENCHMARK(BM_200TextLines)->Unit(benchmark::kMillisecond);

void BM_ClearAndPresent(benchmark::State& state) {
    TheScene();
    for (auto _ : state) {
        DRELM_ClearBuffers(DRELM_RGBA(20, 24, 40));
        DRELM_NextFrame();
    }
}
BENCHMARK(BM_ClearAndPresent)->Unit(benchmark::kMillisecond);

void BM_CreateTrueTypeFont(benchmark::State& state) {
    TheScene();
    for (auto _ : state) {
        DRELM_Font* f = DRELM_CreateFont("/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf", 12);
        DRELM_FreeFont(f);
    }
}
BENCHMARK(BM_CreateTrueTypeFont)->Unit(benchmark::kMillisecond);

}  // namespace
