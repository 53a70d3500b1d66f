// drelm-demo: shows what the graphics and input library draws and hears. Usage:
//   drelm-demo [--screenshot FILE] [--fonts DIR]
// With --screenshot it plays a short scripted input sequence, saves the last frame as PNG
// and quits (works on SDL's offscreen driver); otherwise it runs until the window is
// closed or Escape is pressed.
#include <SDL.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <deque>
#include <filesystem>
#include <string>

#include "Drelm.h"
#include "PictureFontMaker.h"
#include "app/Exceptions.h"

namespace {

constexpr int kWidth = 800;
constexpr int kHeight = 600;
const char* const kFontDir = "/usr/share/fonts/truetype/dejavu/";

struct Demo {
    DRELM_Font* title = nullptr;
    DRELM_Font* label = nullptr;
    DRELM_Font* sizes[4] = {};
    DRELM_Font* bold = nullptr;
    DRELM_Font* mono = nullptr;
    DRELM_Font* picture = nullptr;
    DRELM_Texture* ball = nullptr;
    DRELM_Texture* tiles = nullptr;
    DRELM_Texture* target = nullptr;
    std::deque<std::string> events;
    int frame = 0;
};

const DRELM_RGBA kPanel(32, 36, 48, 235);
const DRELM_RGBA kPanelEdge(90, 100, 130);
const DRELM_RGBA kText(225, 230, 240);
const DRELM_RGBA kDim(150, 160, 180);

// A shaded ball with a soft, transparent edge.
DRELM_Texture* MakeBall(int size) {
    DRELM_Texture* t = DRELM_CreateTexture(size, size, DRELM_FORMAT_A8R8G8B8);
    auto* px = static_cast<uint32_t*>(t->Lock(DRELM_LOCK_WRITE));
    const float r = size / 2.0f;
    for (int y = 0; y < size; ++y) {
        for (int x = 0; x < size; ++x) {
            const float dx = x + 0.5f - r, dy = y + 0.5f - r;
            const float d = std::sqrt(dx * dx + dy * dy) / r;
            const float light =
                std::max(0.0f, 1.0f - std::sqrt((dx + r * 0.35f) * (dx + r * 0.35f) +
                                                (dy + r * 0.35f) * (dy + r * 0.35f)) /
                                          (1.3f * r));
            const float edge = std::clamp((1.0f - d) * r, 0.0f, 1.0f);
            const uint32_t a = static_cast<uint32_t>(edge * 255.0f);
            const uint32_t v = static_cast<uint32_t>(90 + 165 * light);
            px[y * size + x] = (a << 24) | (v << 16) | (v << 8) | v;
        }
    }
    t->Unlock();
    return t;
}

// A 24 x 8 strip of three 8 x 8 tiles: a brick, a checker and a stripe.
DRELM_Texture* MakeTiles() {
    DRELM_Surface s;
    s.Create(24, 8, DRELM_FORMAT_A8R8G8B8);
    for (int y = 0; y < 8; ++y) {
        for (int x = 0; x < 8; ++x) {
            const bool mortar = y == 3 || y == 7 || (y < 3 ? x == 0 : x == 4);
            s.SetPixel(x, y, mortar ? DRELM_RGBA(200, 190, 170) : DRELM_RGBA(170, 70, 50));
            s.SetPixel(8 + x, y,
                       ((x / 4 + y / 4) & 1) ? DRELM_RGBA(60, 60, 80) : DRELM_RGBA(230, 230, 240));
            s.SetPixel(16 + x, y,
                       ((x + y) % 4 < 2) ? DRELM_RGBA(40, 160, 220) : DRELM_RGBA(20, 60, 110, 160));
        }
    }
    DRELM_Texture* t = DRELM_CreateTexture(24, 8, DRELM_FORMAT_A8R8G8B8);
    s.CopyToTexture(t);
    return t;
}

void Panel(const Demo& d, const Quelm::Rect& r, const char* caption) {
    DRELM_DrawRect(r, kPanel);
    DRELM_DrawBox(r, kPanelEdge);
    DRELM_DrawGradientRectH(Quelm::Rect(r.x + 1, r.y + 1, r.width - 2, 18), DRELM_RGBA(70, 90, 150),
                            DRELM_RGBA(40, 44, 60));
    d.label->Print(r.x + 8, r.y + 2, caption, DRELM_WHITE);
}

void DrawPrimitives(const Demo& d) {
    const Quelm::Rect area(10, 40, 380, 250);
    Panel(d, area, "Primitives");
    DRELM_Translate(area.x + 10, area.y + 28);
    const int f = d.frame;
    DRELM_DrawRect(Quelm::Rect(0, 0, 60, 40), DRELM_RGBA(220, 60, 60));
    DRELM_DrawRect(Quelm::Rect(30, 20, 60, 40), DRELM_RGBA(60, 120, 240, 160));
    DRELM_DrawRect4(Quelm::Rect(100, 0, 80, 60), DRELM_RGBA(255, 0, 0), DRELM_RGBA(0, 255, 0),
                    DRELM_RGBA(0, 0, 255), DRELM_RGBA(255, 255, 255));
    DRELM_DrawGradientRectH(Quelm::Rect(190, 0, 80, 28), DRELM_RGBA(255, 200, 0),
                            DRELM_RGBA(120, 0, 160));
    DRELM_DrawGradientRectV(Quelm::Rect(190, 32, 80, 28), DRELM_RGBA(0, 200, 180),
                            DRELM_RGBA(0, 40, 60));
    DRELM_DrawGradientRect(Quelm::Rect(280, 0, 80, 60), DRELM_RGBA(250, 250, 250),
                           DRELM_RGBA(30, 30, 30), DRELM_GRADIENT_DIAGONAL);
    for (int i = 0; i <= 12; ++i) {
        const DRELM_RGBA c(uint8_t(255 - i * 18), uint8_t(80 + i * 14), uint8_t(60 + i * 15));
        DRELM_DrawLine(0, 80, 120, 80 + i * 10, c);
        DRELM_DrawLine(0, 80, i * 10, 200, c);
    }
    for (int i = 0; i < 5; ++i) {
        DRELM_DrawBox(Quelm::Rect(140 + i * 6, 80 + i * 6, 90 - i * 12, 90 - i * 12),
                      DRELM_RGBA(255, uint8_t(220 - i * 40), uint8_t(40 * i)));
    }
    // Additive glow and nested clipping.
    DRELM_SetRenderState(DRELM_RS_BLEND, DRELM_BLEND_ADD);
    for (int i = 0; i < 3; ++i) {
        DRELM_DrawRect(Quelm::Rect(250 + i * 18, 80 + i * 12, 50, 50),
                       i == 0   ? DRELM_RGBA(180, 0, 0)
                       : i == 1 ? DRELM_RGBA(0, 180, 0)
                                : DRELM_RGBA(0, 0, 180));
    }
    DRELM_SetRenderState(DRELM_RS_BLEND, DRELM_BLEND_ALPHA);
    DRELM_StartClip(Quelm::Rect(250, 160, 110, 50));
    DRELM_DrawRect(Quelm::Rect(240, 150, 140, 70), DRELM_RGBA(50, 50, 70));
    DRELM_StartClip(Quelm::Rect(260 + (f * 2) % 60, 165, 40, 40));
    for (int y = 150; y < 220; y += 6)
        DRELM_DrawRect(Quelm::Rect(240, y, 140, 3), DRELM_RGBA(255, 220, 80));
    DRELM_EndClip();
    DRELM_DrawBox(Quelm::Rect(250, 160, 110, 50), kPanelEdge);
    DRELM_EndClip();
    d.label->Print(250, 212, "nested clip", kDim);
    DRELM_Translate(-(area.x + 10), -(area.y + 28));
}

void DrawBlits(const Demo& d) {
    const Quelm::Rect area(400, 40, 390, 250);
    Panel(d, area, "Textures");
    DRELM_Translate(area.x + 10, area.y + 28);
    d.ball->Blit(0, 0);
    d.ball->Blit(40, 0, DRELM_RGBA(255, 120, 120));
    d.ball->Blit(80, 0, DRELM_RGBA(120, 255, 140));
    d.ball->Blit(120, 0, DRELM_RGBA(120, 160, 255, 140));
    d.ball->Blit(170, 0, 64, 64);  // stretched, point filter
    DRELM_SetRenderState(DRELM_RS_FILTER, DRELM_FILTER_BILINEAR);
    d.ball->Blit(240, 0, 64, 64);
    DRELM_SetRenderState(DRELM_RS_FILTER, DRELM_FILTER_POINT);
    d.label->Print(170, 66, "point", kDim);
    d.label->Print(240, 66, "bilinear", kDim);
    d.tiles->BlitPartTiled(Quelm::Rect(0, 0, 8, 8), Quelm::Rect(0, 90, 160, 40), DRELM_TILE_BOTH);
    d.tiles->BlitPartTiled(Quelm::Rect(8, 0, 8, 8), Quelm::Rect(170, 90, 90, 40), DRELM_TILE_BOTH);
    d.tiles->BlitPartTiled(Quelm::Rect(16, 0, 8, 8), Quelm::Rect(270, 90, 100, 40),
                           DRELM_TILE_HORIZONTAL);
    d.tiles->BlitPart(Quelm::Rect(0, 0, 24, 8), Quelm::Rect(0, 140, 96, 32));
    d.label->Print(100, 150, "BlitPart / BlitPartTiled", kDim);
    // The render target: redrawn every frame, then shown twice.
    d.target->Blit(0, 180);
    d.target->Blit(90, 180, DRELM_RGBA(255, 255, 255, 120));
    for (int i = 0; i < 12; ++i) {
        const int x = 200 + i * 14,
                  y = 196 + static_cast<int>(12 * std::sin((d.frame + i * 5) * 0.15));
        d.ball->Blit(x, y, 14, 14, DRELM_RGBA(uint8_t(255 - i * 15), uint8_t(100 + i * 12), 200));
    }
    DRELM_Translate(-(area.x + 10), -(area.y + 28));
}

void DrawFonts(const Demo& d) {
    const Quelm::Rect area(10, 300, 480, 290);
    Panel(d, area, "Fonts");
    int y = area.y + 26;
    const char* sample = "The quick brown fox jumps over the lazy dog. AV To 0123";
    for (int i = 0; i < 4; ++i) {
        char caption[16];
        std::snprintf(caption, sizeof caption, "%d px", 11 + i);
        d.label->Print(area.x + 8, y, caption, kDim);
        d.sizes[i]->Print(area.x + 50, y, sample, kText);
        y += d.sizes[i]->Height() + 3;
    }
    d.bold->Print(area.x + 50, y, "Embolden: Pattern  Instrument  Module",
                  DRELM_RGBA(255, 210, 120));
    y += d.bold->Height() + 3;
    d.mono->Print(area.x + 50, y, "C-4 01 F 0A0 | D#5 02 8 000", DRELM_RGBA(140, 230, 160));
    y += d.mono->Height() + 6;
    const DRELM_LinePart line[] = {
        {"PrintLine:", 0}, {"col 1", 110}, {"col 2", 190}, {"col 3", 270}, {nullptr, 0}};
    d.sizes[1]->PrintLine(area.x + 50, y, line, kText);
    y += d.sizes[1]->Height() + 2;
    d.sizes[1]->PrintBW(area.x + area.width - 10, y, "PrintBW: right-aligned",
                        DRELM_RGBA(255, 170, 170));
    d.sizes[1]->PrintMW(area.x + 50, y, 150, "PrintMW: cut at 150 pixels, the rest is left out",
                        kText);
    DRELM_DrawLine(area.x + 200, y, area.x + 200, y + 14, DRELM_RGBA(255, 80, 80));
    y += d.sizes[1]->Height() + 8;
    d.picture->Print(area.x + 50, y, "PICTURE FONT 0123456789", DRELM_WHITE);
    y += d.picture->Height() + 2;
    d.picture->Print(area.x + 50, y, "Tinted: {[(<>)]} #$%&", DRELM_RGBA(160, 220, 255));
    y += d.picture->Height() + 2;
    d.label->Print(area.x + 50, y, "a TrueType font (DejaVu) and a generated picture font", kDim);
}

std::string Describe(const DRELM_Event& e) {
    char text[96];
    switch (e.type) {
        case DRELM_EVENT_KEY_DOWN:
            std::snprintf(text, sizeof text, "key dn %02X %-11s c%-3d m%03X%s", e.key,
                          DRELM_GetKeyName(e.key), e.value1,
                          static_cast<unsigned>(e.value2) & 0xFFF, e.flag ? " rep" : "");
            break;
        case DRELM_EVENT_KEY_UP:
            std::snprintf(text, sizeof text, "key up %02X %s", e.key, DRELM_GetKeyName(e.key));
            break;
        case DRELM_EVENT_MOUSE_MOVE:
            std::snprintf(text, sizeof text, "mouse     %d, %d", e.value1, e.value2);
            break;
        case DRELM_EVENT_WHEEL_UP:
        case DRELM_EVENT_WHEEL_DOWN:
            std::snprintf(text, sizeof text, "wheel %s %+d",
                          e.type == DRELM_EVENT_WHEEL_UP ? "up  " : "down", e.value3);
            break;
        case DRELM_EVENT_LEFT_DOWN:
            std::snprintf(text, sizeof text, "left down mods %03X%s",
                          static_cast<unsigned>(e.value2) & 0xFFF, e.flag ? " double click" : "");
            break;
        case DRELM_EVENT_LEFT_UP:
            std::snprintf(text, sizeof text, "left up");
            break;
        case DRELM_EVENT_RIGHT_DOWN:
            std::snprintf(text, sizeof text, "right down");
            break;
        case DRELM_EVENT_RIGHT_UP:
            std::snprintf(text, sizeof text, "right up");
            break;
        case DRELM_EVENT_MIDDLE_DOWN:
            std::snprintf(text, sizeof text, "middle down");
            break;
        case DRELM_EVENT_MIDDLE_UP:
            std::snprintf(text, sizeof text, "middle up");
            break;
        case DRELM_EVENT_DEVICE_LOST:
            std::snprintf(text, sizeof text, "device lost");
            break;
        case DRELM_EVENT_QUIT:
            std::snprintf(text, sizeof text, "close requested");
            break;
        default:
            std::snprintf(text, sizeof text, "event %d", e.type);
            break;
    }
    return text;
}

void DrawInput(const Demo& d) {
    const Quelm::Rect area(500, 300, 290, 290);
    Panel(d, area, "Input events");
    DRELM_StartClip(Quelm::Rect(area.x + 4, area.y + 20, area.width - 8, area.height - 24));
    int y = area.y + 26;
    for (const std::string& line : d.events) {
        d.mono->Print(area.x + 8, y, line.c_str(), kText);
        y += d.mono->Height();
    }
    DRELM_Point mouse;
    uint32_t buttons = 0;
    DRELM_GetMouseState(&mouse, &buttons);
    char status[128];
    std::snprintf(status, sizeof status, "%u ms  mouse %d,%d  buttons %u  caps %s", DRELM_GetTime(),
                  mouse.x, mouse.y, buttons,
                  (DRELM_GetKeyModifiers() & DRELM_MOD_CAPS) ? "on" : "off");
    d.label->Print(area.x + 8, area.Bottom() - 18, status, kDim);
    // Keys held now, by name.
    std::string held = "held:";
    const uint8_t* keys = DRELM_GetKeyState();
    for (int k = 1; k < 256; ++k) {
        if (keys[k]) held += std::string(" ") + DRELM_GetKeyName(k);
    }
    d.label->Print(area.x + 8, area.Bottom() - 34, held.c_str(), kDim);
    DRELM_EndClip();
    // The mouse position as a cross hair.
    DRELM_DrawLine(mouse.x - 8, mouse.y, mouse.x + 8, mouse.y, DRELM_RGBA(255, 255, 0));
    DRELM_DrawLine(mouse.x, mouse.y - 8, mouse.x, mouse.y + 8, DRELM_RGBA(255, 255, 0));
}

void DrawFrame(Demo& d) {
    // The render target's picture: a small scene of its own.
    DRELM_SetRenderTarget(d.target);
    DRELM_ClearBuffers(DRELM_RGBA(20, 30, 60, 255));
    DRELM_DrawGradientRectV(Quelm::Rect(0, 0, 80, 30), DRELM_RGBA(250, 150, 60),
                            DRELM_RGBA(20, 30, 60));
    d.ball->Blit(20 + (d.frame * 3) % 40, 10, 24, 24);
    d.label->Print(4, 34, "target", DRELM_WHITE);
    DRELM_SetRenderTarget(nullptr);

    DRELM_DrawRect4(Quelm::Rect(0, 0, kWidth, kHeight), DRELM_RGBA(18, 22, 40),
                    DRELM_RGBA(30, 20, 50), DRELM_RGBA(10, 30, 40), DRELM_RGBA(25, 25, 30));
    d.title->Print(12, 8, "drelm", DRELM_RGBA(255, 200, 90));
    d.label->Print(12 + d.title->TextWidth("drelm") + 10, 14,
                   "graphics and input library: primitives, textures, fonts, input", kDim);
    DrawPrimitives(d);
    DrawBlits(d);
    DrawFonts(d);
    DrawInput(d);
}

bool PumpEvents(Demo& d) {
    DRELM_UpdateInput();
    DRELM_Event e;
    bool quit = false;
    while (DRELM_GetEvent(&e)) {
        if (e.type == DRELM_EVENT_QUIT ||
            (e.type == DRELM_EVENT_KEY_DOWN && e.key == DRELM_KEY_ESCAPE))
            quit = true;
        if (e.type == DRELM_EVENT_DEVICE_LOST) DRELM_RestoreGraphicsDevice();
        d.events.push_back(Describe(e));
        while (d.events.size() > 15) d.events.pop_front();
    }
    return !quit;
}

// A short sequence that shows each kind of event in the screenshot.
void Script(int frame) {
    switch (frame) {
        case 1:
            DRELM_InjectMouseMove(620, 250);
            break;
        case 2:
            DRELM_InjectMouseButton(SDL_BUTTON_LEFT, true, 620, 250);
            DRELM_InjectMouseButton(SDL_BUTTON_LEFT, false, 620, 250);
            break;
        case 3:
            DRELM_InjectMouseButton(SDL_BUTTON_LEFT, true, 622, 251);
            DRELM_InjectMouseButton(SDL_BUTTON_LEFT, false, 622, 251);
            break;
        case 4:
            DRELM_InjectWheel(1);
            break;
        case 5:
            DRELM_InjectKey(SDL_SCANCODE_LSHIFT, true);
            break;
        case 6:
            DRELM_InjectKey(SDL_SCANCODE_T, true);
            DRELM_InjectKey(SDL_SCANCODE_T, false);
            DRELM_InjectKey(SDL_SCANCODE_LSHIFT, false);
            break;
        case 7:
            DRELM_InjectKey(SDL_SCANCODE_W, true);
            break;
        case 8:
            DRELM_InjectKey(SDL_SCANCODE_W, false);
            DRELM_InjectKey(SDL_SCANCODE_KP_PLUS, true);
            DRELM_InjectKey(SDL_SCANCODE_KP_PLUS, false);
            break;
        case 9:
            DRELM_InjectKey(SDL_SCANCODE_F9, true);
            break;
        case 10:
            DRELM_InjectMouseMove(560, 540);
            break;
        default:
            break;
    }
}

}  // namespace

int main(int argc, char** argv) {
    const char* screenshot = nullptr;
    std::string fontDir;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--screenshot") == 0 && i + 1 < argc) {
            screenshot = argv[++i];
        } else if (std::strcmp(argv[i], "--fonts") == 0 && i + 1 < argc) {
            fontDir = argv[++i];
        } else {
            std::fprintf(stderr, "usage: drelm-demo [--screenshot FILE] [--fonts DIR]\n");
            return 2;
        }
    }
    if (fontDir.empty()) {
        fontDir = (std::filesystem::temp_directory_path() / "drelm-demo").string();
    }
    Demo d;
    try {
        std::filesystem::create_directories(fontDir);
        DRELM_Init();
        DRELM_SetVideoMode(DRELM_VideoMode(kWidth, kHeight, DRELM_FORMAT_X8R8G8B8),
                           screenshot != nullptr ? static_cast<uint32_t>(DRELM_VIDEO_HIDDEN) : 0u);
        DRELM_SetWindowTitle("drelm demo");
        const std::string sans = std::string(kFontDir) + "DejaVuSans.ttf";
        d.title = DRELM_CreateFont((std::string(kFontDir) + "DejaVuSans-Bold.ttf").c_str(), 22);
        d.label = DRELM_CreateFont(sans.c_str(), 11);
        for (int i = 0; i < 4; ++i) d.sizes[i] = DRELM_CreateFont(sans.c_str(), 11 + i);
        d.bold = DRELM_CreateFont(sans.c_str(), 13, DRELM_FONT_EMBOLDEN);
        d.mono = DRELM_CreateFont((std::string(kFontDir) + "DejaVuSansMono.ttf").c_str(), 11);
        const std::string description = MakePictureFont(
            fontDir, (std::string(kFontDir) + "DejaVuSansMono-Bold.ttf").c_str(), 13);
        d.picture = DRELM_CreateFont(description.c_str(), 0, 0, DRELM_FONT_LOAD_PICTURE);
        d.ball = MakeBall(32);
        d.tiles = MakeTiles();
        d.target = DRELM_CreateTexture(80, 50, DRELM_FORMAT_A8R8G8B8, DRELM_TEXTURE_RENDER_TARGET);

        const int frames = screenshot != nullptr ? 14 : -1;
        for (d.frame = 0; frames < 0 || d.frame < frames; ++d.frame) {
            if (screenshot != nullptr) Script(d.frame);
            if (!PumpEvents(d)) break;
            DrawFrame(d);
            if (screenshot != nullptr && d.frame == frames - 1) DRELM_SaveScreenshot(screenshot);
            DRELM_NextFrame();
            if (screenshot == nullptr) SDL_Delay(15);
        }
    } catch (const Exception& e) {
        std::fprintf(stderr, "drelm-demo: %s\n", e.Message());
        DRELM_Quit();
        return 1;
    }
    for (DRELM_Font* f : {d.title, d.label, d.sizes[0], d.sizes[1], d.sizes[2], d.sizes[3], d.bold,
                          d.mono, d.picture}) {
        DRELM_FreeFont(f);
    }
    DRELM_FreeTexture(d.ball);
    DRELM_FreeTexture(d.tiles);
    DRELM_FreeTexture(d.target);
    DRELM_Quit();
    return 0;
}
