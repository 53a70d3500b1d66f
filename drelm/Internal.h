// State shared by the parts of the library: the window, the back buffer that every
// drawing call paints into, the draw state and the input state.
#pragma once

#include <SDL.h>

#include <array>
#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

#include "Drelm.h"
#include "Raster.h"

// Friend of the resource classes, so the library's own code reaches their pixels.
struct DrelmInternal {
    static uint8_t* Pixels(DRELM_SurfaceOrTexture& s) { return s.pixels.data(); }
    static const uint8_t* Pixels(const DRELM_SurfaceOrTexture& s) { return s.pixels.data(); }
    static void Allocate(DRELM_SurfaceOrTexture& s, int w, int h, DRELM_FORMAT f) {
        s.Allocate(w, h, f);
    }
    static void Adopt(DRELM_SurfaceOrTexture& s, int w, int h, DRELM_FORMAT f,
                      std::vector<uint8_t>&& bytes) {
        s.width = w;
        s.height = h;
        s.format = f;
        s.pitch = w * DRELM_BytesPerPixel(f);
        s.pixels = std::move(bytes);
    }
    static bool& RenderTargetFlag(DRELM_Texture& t) { return t.renderTarget; }
};

namespace drelm {

// Translation and clipping of one render target.
struct TargetState {
    DRELM_Point offset;
    Quelm::Rect clip;  // in target pixels, already inside the target
    std::vector<Quelm::Rect> clipStack;
};

struct VideoState {
    bool sdlVideo = false;  // the SDL video subsystem is started
    SDL_Window* window = nullptr;
    SDL_Renderer* renderer = nullptr;
    SDL_Texture* frameTexture = nullptr;
    DRELM_Screen screen;
    bool hasScreen = false;
    std::vector<uint32_t> backBuffer;  // screen pixels, A8R8G8B8
    std::vector<float> depth;
    bool depthDirty = false;  // written since it was last cleared
    float depthClearValue = DRELM_Z_FAR;
    bool windowSurface = false;  // presenting through the window's own surface
    bool minimized = false;
    std::vector<SDL_Cursor*> cursors;  // DRELM_CURSOR_* first, then loaded ones
};

struct DrawState {
    DRELM_RenderState renderState;
    float z = DRELM_Z_NEAR;
    DRELM_Texture* target = nullptr;  // nullptr: the screen
    TargetState current;
    TargetState savedScreen;  // the screen's state while a texture is the target
};

struct Library {
    std::recursive_mutex mutex;
    VideoState video;
    DrawState draw;
};

Library& Lib();

// The canvas and paint settings of the current render target, with the clip.
Canvas CurrentCanvas();
Paint CurrentPaint();
// Converts a rectangle in translated coordinates to target pixels.
Quelm::Rect ToTarget(const Quelm::Rect& r);
Quelm::Rect TargetBounds();

// Input: started by DRELM_Init, torn down by DRELM_Quit, fed by SDL events.
void InputReset();
void InputShutdown();
void InputHandleSdlEvent(const SDL_Event& event, const SDL_Event* previous, const SDL_Event* next);
// Device-lost handling for the window part.
void InputQueueDeviceLost();
void InputDeviceRestored();

// Throws the library's exception with `message`.
[[noreturn]] void Fail(const char* message);

// Loads any picture the library knows into an A8R8G8B8 surface (or P8 with keepPalette).
void LoadPicture(const char* fileName, bool keepPalette, DRELM_Surface& out);
void LoadPictureFromMemory(const uint8_t* data, size_t size, bool keepPalette, DRELM_Surface& out);
// Writes pixels (A8R8G8B8 rows, or P8 with palette) as PNG.
void SavePng(const char* fileName, int width, int height, DRELM_FORMAT format,
             const uint8_t* pixels, int pitch, const DRELM_Palette* palette);

}  // namespace drelm
