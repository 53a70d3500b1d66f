// SDL back end of the audio device. The callback runs on SDL's audio thread; Lock holds
// SDL's device lock, so the callback never reads a range while the sound thread fills it.
#include "sound/sdl/SdlAudioDevice.h"

#include <cstring>

SdlAudioDevice::~SdlAudioDevice() { Release(); }

bool SdlAudioDevice::Create() {
    if (deviceId) return true;
    if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) return false;
    subsystemStarted = true;
    SDL_AudioSpec want;
    SDL_zero(want);
    want.freq = static_cast<int>(kSampleRate);
    want.format = AUDIO_S16LSB;
    want.channels = 2;
    // 512 pairs = 2048 bytes per callback: the cursor moves in steps well inside the
    // 3072-byte guard of the sound thread.
    want.samples = 512;
    want.callback = &SdlAudioDevice::Callback;
    want.userdata = this;
    SDL_AudioSpec have;
    // No changes allowed: SDL converts to whatever the hardware wants.
    deviceId = SDL_OpenAudioDevice(nullptr, 0, &want, &have, 0);
    if (deviceId == 0) {
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
        subsystemStarted = false;
        return false;
    }
    std::memset(buffer, 0, sizeof(buffer));
    playCursor.store(0);
    return true;
}

void SDLCALL SdlAudioDevice::Callback(void* self, Uint8* stream, int len) {
    SdlAudioDevice* device = static_cast<SdlAudioDevice*>(self);
    uint32_t cursor = device->playCursor.load(std::memory_order_relaxed);
    uint32_t left = static_cast<uint32_t>(len);
    while (left > 0) {
        const uint32_t run = left < kBufferBytes - cursor ? left : kBufferBytes - cursor;
        std::memcpy(stream, device->buffer + cursor, run);
        stream += run;
        left -= run;
        cursor = (cursor + run) % kBufferBytes;
    }
    device->playCursor.store(cursor, std::memory_order_release);
}

bool SdlAudioDevice::Lock(uint32_t offset, uint32_t bytes, LockedRange& range) {
    if (!deviceId || locked || offset >= kBufferBytes || bytes > kBufferBytes) return false;
    SDL_LockAudioDevice(deviceId);
    locked = true;
    const uint32_t first = bytes < kBufferBytes - offset ? bytes : kBufferBytes - offset;
    range.part1 = buffer + offset;
    range.bytes1 = first;
    range.part2 = bytes > first ? buffer : nullptr;
    range.bytes2 = bytes - first;
    return true;
}

void SdlAudioDevice::Unlock(const LockedRange&) {
    if (!locked) return;
    locked = false;
    SDL_UnlockAudioDevice(deviceId);
}

bool SdlAudioDevice::Play() {
    if (!deviceId) return false;
    SDL_PauseAudioDevice(deviceId, 0);
    return true;
}

bool SdlAudioDevice::GetCurrentPosition(uint32_t& cursor) {
    if (!deviceId) return false;
    cursor = playCursor.load(std::memory_order_acquire);
    return true;
}

void SdlAudioDevice::Release() {
    if (deviceId) {
        if (locked) Unlock(LockedRange{});
        SDL_CloseAudioDevice(deviceId);
        deviceId = 0;
    }
    if (subsystemStarted) {
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
        subsystemStarted = false;
    }
}
