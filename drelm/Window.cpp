// Start and stop, the window, video modes, presenting frames, the device-lost cycle,
// cursors and screenshots.
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstring>
#include <string>
#include <thread>

#include "Internal.h"
#include "app/Exceptions.h"

namespace drelm {

void Fail(const char* message) { throw Exception(message); }

}  // namespace drelm

using drelm::Fail;
using drelm::Lib;

namespace {

constexpr int kMaxScreenSide = 8192;
std::string gTitle;
bool gServicesStarted = false;

bool IsDisplayFormat(DRELM_FORMAT f) {
    return f == DRELM_FORMAT_X8R8G8B8 || f == DRELM_FORMAT_A8R8G8B8 || f == DRELM_FORMAT_R5G6B5;
}

// Headless drivers get the software renderer: nothing to accelerate, and no GL stack to
// load into test processes.
bool WantsSoftware(uint32_t flags) {
    if ((flags & DRELM_VIDEO_SOFTWARE) != 0) return true;
    const char* driver = SDL_GetCurrentVideoDriver();
    return driver != nullptr &&
           (std::strcmp(driver, "offscreen") == 0 || std::strcmp(driver, "dummy") == 0);
}

void DestroyDevice() {
    drelm::VideoState& v = Lib().video;
    if (v.frameTexture != nullptr) SDL_DestroyTexture(v.frameTexture);
    if (v.renderer != nullptr) SDL_DestroyRenderer(v.renderer);
    v.frameTexture = nullptr;
    v.renderer = nullptr;
    v.windowSurface = false;
}

void CreateDevice(int w, int h, uint32_t flags) {
    drelm::VideoState& v = Lib().video;
    DestroyDevice();
    // Without acceleration the frame goes straight into the window's own pixels: one copy
    // instead of a texture upload plus a software copy.
    if (WantsSoftware(flags) && (flags & DRELM_VIDEO_VSYNC) == 0) {
        // Otherwise SDL may put a GL renderer behind the window surface.
        SDL_SetHint(SDL_HINT_FRAMEBUFFER_ACCELERATION, "0");
        if (SDL_GetWindowSurface(v.window) == nullptr) Fail("d3d->createDevice()");
        v.windowSurface = true;
        return;
    }
    uint32_t rendererFlags = (flags & DRELM_VIDEO_VSYNC) != 0 ? SDL_RENDERER_PRESENTVSYNC : 0;
    if (!WantsSoftware(flags)) {
        v.renderer = SDL_CreateRenderer(v.window, -1, rendererFlags | SDL_RENDERER_ACCELERATED);
    }
    if (v.renderer == nullptr) {
        v.renderer = SDL_CreateRenderer(v.window, -1, rendererFlags | SDL_RENDERER_SOFTWARE);
    }
    if (v.renderer != nullptr) {
        v.frameTexture = SDL_CreateTexture(v.renderer, SDL_PIXELFORMAT_ARGB8888,
                                           SDL_TEXTUREACCESS_STREAMING, w, h);
    }
    if (v.frameTexture == nullptr) {
        DestroyDevice();
        Fail("d3d->createDevice()");
    }
}

void CreateCursors() {
    drelm::VideoState& v = Lib().video;
    if (!v.cursors.empty()) return;
    const SDL_SystemCursor system[] = {
        SDL_SYSTEM_CURSOR_ARROW,    SDL_SYSTEM_CURSOR_WAIT,    SDL_SYSTEM_CURSOR_IBEAM,
        SDL_SYSTEM_CURSOR_HAND,     SDL_SYSTEM_CURSOR_SIZEWE,  SDL_SYSTEM_CURSOR_SIZENS,
        SDL_SYSTEM_CURSOR_SIZENWSE, SDL_SYSTEM_CURSOR_SIZEALL,
    };
    for (SDL_SystemCursor c : system) v.cursors.push_back(SDL_CreateSystemCursor(c));
}

void FreeCursors() {
    for (SDL_Cursor* c : Lib().video.cursors) {
        if (c != nullptr) SDL_FreeCursor(c);
    }
    Lib().video.cursors.clear();
}

// Finds the display mode of exactly that size (and refresh rate, when one is asked).
bool FindDisplayMode(const DRELM_VideoMode& mode, SDL_DisplayMode* found) {
    const int count = SDL_GetNumDisplayModes(0);
    for (int i = 0; i < count; ++i) {
        SDL_DisplayMode m;
        if (SDL_GetDisplayMode(0, i, &m) != 0) continue;
        if (m.w == mode.width && m.h == mode.height &&
            (mode.refreshRate == 0 || m.refresh_rate == mode.refreshRate)) {
            *found = m;
            return true;
        }
    }
    return false;
}

void ResetScreenState() {
    drelm::DrawState& d = Lib().draw;
    d.target = nullptr;
    d.current = drelm::TargetState();
    d.current.clip = drelm::TargetBounds();
    d.savedScreen = d.current;
}

void ValidateMode(const DRELM_VideoMode& mode) {
    if (!IsDisplayFormat(mode.format) || mode.width < 1 || mode.height < 1 ||
        mode.width > kMaxScreenSide || mode.height > kMaxScreenSide) {
        Fail("Unsupported video mode");
    }
}

DRELM_Screen* ApplyMode(const DRELM_VideoMode& mode, uint32_t flags) {
    drelm::Library& lib = Lib();
    drelm::VideoState& v = lib.video;
    ValidateMode(mode);
    if (!v.sdlVideo) {
        if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) {
            Fail("Couldn't create Direct3D context. Is DirectX9 (or above) correctly installed?");
        }
        v.sdlVideo = true;
    }
    const bool fullScreen = (flags & DRELM_VIDEO_FULLSCREEN) != 0;
    SDL_DisplayMode displayMode{};
    if (fullScreen && !FindDisplayMode(mode, &displayMode)) Fail("Video mode not found");

    if (v.window == nullptr) {
        uint32_t windowFlags =
            (flags & DRELM_VIDEO_HIDDEN) != 0 ? SDL_WINDOW_HIDDEN : SDL_WINDOW_SHOWN;
        v.window = SDL_CreateWindow(gTitle.c_str(), SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED,
                                    mode.width, mode.height, windowFlags);
        if (v.window == nullptr) Fail("DRELM: Couldn't open window");
    } else {
        SDL_SetWindowFullscreen(v.window, 0);
        SDL_SetWindowSize(v.window, mode.width, mode.height);
    }
    if (fullScreen) {
        SDL_SetWindowDisplayMode(v.window, &displayMode);
        if (SDL_SetWindowFullscreen(v.window, SDL_WINDOW_FULLSCREEN) != 0)
            Fail("Video mode not found");
    }
    CreateDevice(mode.width, mode.height, flags);

    const size_t pixels = static_cast<size_t>(mode.width) * static_cast<size_t>(mode.height);
    v.backBuffer.assign(pixels, 0xFF000000u);
    v.depth.assign(pixels, DRELM_Z_FAR);
    v.depthDirty = false;
    v.depthClearValue = DRELM_Z_FAR;
    v.screen.Set(mode, flags);
    v.hasScreen = true;
    lib.draw.renderState = DRELM_RenderState();
    lib.draw.z = DRELM_Z_NEAR;
    ResetScreenState();
    CreateCursors();
    return &v.screen;
}

void StartServices() {
    if (gServicesStarted) return;
    SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
    SDL_SetHint(SDL_HINT_JOYSTICK_ALLOW_BACKGROUND_EVENTS, "1");
    if (SDL_InitSubSystem(SDL_INIT_EVENTS) != 0) {
        Fail("Couldn't create DirectInput interface. Is DirectX9 (or above) correctly installed?");
    }
    // Joysticks are optional: without them the keyboard and mouse still work.
    SDL_InitSubSystem(SDL_INIT_JOYSTICK);
    gServicesStarted = true;
}

void PresentToWindowSurface(drelm::VideoState& v) {
    SDL_Surface* surface = SDL_GetWindowSurface(v.window);
    if (surface == nullptr) return;
    const int w = std::min(surface->w, v.screen.Width());
    const int h = std::min(surface->h, v.screen.Height());
    if (SDL_MUSTLOCK(surface) && SDL_LockSurface(surface) != 0) return;
    const uint32_t format = surface->format->format;
    if (format == SDL_PIXELFORMAT_ARGB8888 || format == SDL_PIXELFORMAT_RGB888) {
        for (int y = 0; y < h; ++y) {
            std::memcpy(
                static_cast<uint8_t*>(surface->pixels) + static_cast<size_t>(y) * surface->pitch,
                v.backBuffer.data() + static_cast<size_t>(y) * v.screen.Width(),
                static_cast<size_t>(w) * 4);
        }
    } else {
        SDL_ConvertPixels(w, h, SDL_PIXELFORMAT_ARGB8888, v.backBuffer.data(), v.screen.Width() * 4,
                          format, surface->pixels, surface->pitch);
    }
    if (SDL_MUSTLOCK(surface)) SDL_UnlockSurface(surface);
    SDL_UpdateWindowSurface(v.window);
}

}  // namespace

void DRELM_Init() {
    std::lock_guard<std::recursive_mutex> lock(Lib().mutex);
    DRELM_Quit();
    StartServices();
    drelm::InputReset();
}

void DRELM_Quit() {
    drelm::Library& lib = Lib();
    std::lock_guard<std::recursive_mutex> lock(lib.mutex);
    drelm::InputShutdown();
    FreeCursors();
    DestroyDevice();
    drelm::VideoState& v = lib.video;
    if (v.window != nullptr) SDL_DestroyWindow(v.window);
    v.window = nullptr;
    if (v.sdlVideo) SDL_QuitSubSystem(SDL_INIT_VIDEO);
    v.sdlVideo = false;
    v.hasScreen = false;
    v.screen = DRELM_Screen();
    std::vector<uint32_t>().swap(v.backBuffer);
    std::vector<float>().swap(v.depth);
    v.minimized = false;
    lib.draw = drelm::DrawState();
    if (gServicesStarted) {
        SDL_QuitSubSystem(SDL_INIT_JOYSTICK);
        SDL_QuitSubSystem(SDL_INIT_EVENTS);
        gServicesStarted = false;
    }
}

DRELM_Screen* DRELM_SetVideoMode(const DRELM_VideoMode& videoMode, uint32_t flags) {
    std::lock_guard<std::recursive_mutex> lock(Lib().mutex);
    StartServices();
    return ApplyMode(videoMode, flags);
}

DRELM_Screen* DRELM_ChangeVideoMode(const DRELM_VideoMode& videoMode, uint32_t flags) {
    std::lock_guard<std::recursive_mutex> lock(Lib().mutex);
    StartServices();
    return ApplyMode(videoMode, flags);
}

void DRELM_RestoreGraphicsDevice() {
    drelm::Library& lib = Lib();
    std::lock_guard<std::recursive_mutex> lock(lib.mutex);
    if (lib.video.window != nullptr && lib.video.hasScreen) {
        CreateDevice(lib.video.screen.Width(), lib.video.screen.Height(), lib.video.screen.flags);
    }
    drelm::InputDeviceRestored();
}

DRELM_Screen* DRELM_GetScreen() {
    drelm::VideoState& v = Lib().video;
    return v.hasScreen ? &v.screen : nullptr;
}

void* DRELM_GetWindowHandle() { return Lib().video.window; }

void DRELM_SetWindowTitle(const char* title) {
    gTitle = title != nullptr ? title : "";
    if (Lib().video.window != nullptr) SDL_SetWindowTitle(Lib().video.window, gTitle.c_str());
}

bool DRELM_IsSurfaceFormatAvailable(DRELM_FORMAT format) {
    return DRELM_BytesPerPixel(format) != 0;
}

bool DRELM_IsTextureFormatAvailable(DRELM_FORMAT format) {
    return format == DRELM_FORMAT_A8R8G8B8 || format == DRELM_FORMAT_X8R8G8B8;
}

namespace {

std::atomic<int> gPacingRate{60};
std::chrono::steady_clock::time_point gNextPresent;

// Sleeps until one pacing interval after the previous frame. A loop that fell behind by
// more than an interval starts counting afresh instead of rushing to catch up.
void PaceFrame() {
    const int rate = gPacingRate.load();
    if (rate <= 0) return;
    using Clock = std::chrono::steady_clock;
    const auto interval = std::chrono::nanoseconds(1000000000LL / rate);
    const auto now = Clock::now();
    if (gNextPresent < now - interval || gNextPresent > now + interval) gNextPresent = now;
    std::this_thread::sleep_until(gNextPresent);
    gNextPresent += interval;
}

}  // namespace

void DRELM_SetFramePacing(int framesPerSecond) { gPacingRate.store(std::max(0, framesPerSecond)); }
int DRELM_GetFramePacing() { return gPacingRate.load(); }

void DRELM_SkipFrame() {
    bool paced = false;
    {
        std::lock_guard<std::recursive_mutex> lock(Lib().mutex);
        const drelm::VideoState& v = Lib().video;
        const uint32_t flags = v.screen.flags;
        paced = v.hasScreen && (flags & DRELM_VIDEO_VSYNC) == 0 && (flags & DRELM_VIDEO_HIDDEN) == 0;
        // With vsync the present is what waits; without a present, wait a frame's time.
        if (!paced && v.hasScreen && (flags & DRELM_VIDEO_VSYNC) != 0)
            std::this_thread::sleep_for(std::chrono::milliseconds(16));
    }
    if (paced) PaceFrame();
}

void DRELM_NextFrame() {
    drelm::Library& lib = Lib();
    bool idle = false;
    bool paced = false;
    {
        std::lock_guard<std::recursive_mutex> lock(lib.mutex);
        drelm::VideoState& v = lib.video;
        if (v.windowSurface && v.hasScreen) {
            PresentToWindowSurface(v);
        } else if (v.frameTexture != nullptr && v.hasScreen) {
            SDL_UpdateTexture(v.frameTexture, nullptr, v.backBuffer.data(), v.screen.Width() * 4);
            SDL_RenderCopy(v.renderer, v.frameTexture, nullptr, nullptr);
            SDL_RenderPresent(v.renderer);
        }
        idle = v.minimized;
        const uint32_t flags = v.screen.flags;
        paced = v.hasScreen && (flags & DRELM_VIDEO_VSYNC) == 0 && (flags & DRELM_VIDEO_HIDDEN) == 0;
    }
    // A minimised window shows nothing; give the processor back instead of spinning.
    if (idle) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    if (paced) PaceFrame();
}

void DRELM_SaveScreenshot(const char* fileName) {
    DRELM_Surface* shot = DRELM_GrabScreen();
    try {
        shot->Save(fileName);
    } catch (...) {
        DRELM_FreeSurface(shot);
        throw;
    }
    DRELM_FreeSurface(shot);
}

DRELM_Surface* DRELM_GrabScreen() {
    const drelm::VideoState& v = Lib().video;
    if (!v.hasScreen) Fail("SurfaceSaver: Feature not supported");
    DRELM_Surface* shot =
        DRELM_CreateSurface(v.screen.Width(), v.screen.Height(), DRELM_FORMAT_A8R8G8B8);
    uint32_t* out = static_cast<uint32_t*>(shot->Lock(DRELM_LOCK_WRITE));
    for (size_t i = 0; i < v.backBuffer.size(); ++i) out[i] = v.backBuffer[i] | 0xFF000000u;
    shot->Unlock();
    return shot;
}

int DRELM_LoadCursor(const char* fileName, int hotX, int hotY) {
    DRELM_Surface picture;
    picture.Create(fileName, 0);
    drelm::VideoState& v = Lib().video;
    SDL_Cursor* cursor = nullptr;
    if (v.sdlVideo) {
        SDL_Surface* s = SDL_CreateRGBSurfaceWithFormatFrom(
            picture.Lock(DRELM_LOCK_READ), picture.Width(), picture.Height(), 32, picture.Pitch(),
            SDL_PIXELFORMAT_ARGB8888);
        picture.Unlock();
        if (s != nullptr) {
            cursor = SDL_CreateColorCursor(s, hotX, hotY);
            SDL_FreeSurface(s);
        }
    }
    CreateCursors();
    v.cursors.push_back(cursor);
    return static_cast<int>(v.cursors.size()) - 1;
}

void DRELM_SetCursor(int cursor) {
    drelm::VideoState& v = Lib().video;
    if (!v.sdlVideo) return;
    if (cursor == DRELM_CURSOR_HIDDEN) {
        SDL_ShowCursor(SDL_DISABLE);
        return;
    }
    if (cursor < 0 || cursor >= static_cast<int>(v.cursors.size())) return;
    if (v.cursors[static_cast<size_t>(cursor)] == nullptr) return;
    SDL_SetCursor(v.cursors[static_cast<size_t>(cursor)]);
    SDL_ShowCursor(SDL_ENABLE);
}
