// The audio device on SDL: our own 16384-byte looping buffer, which SDL's audio callback
// plays from the play cursor onwards and advances.
#pragma once

#include <SDL.h>

#include <atomic>
#include <cstdint>

#include "sound/AudioDevice.h"

class SdlAudioDevice : public AudioDevice {
public:
    SdlAudioDevice() = default;
    ~SdlAudioDevice() override;
    SdlAudioDevice(const SdlAudioDevice&) = delete;
    SdlAudioDevice& operator=(const SdlAudioDevice&) = delete;

    bool Create() override;
    bool Lock(uint32_t offset, uint32_t bytes, LockedRange& range) override;
    void Unlock(const LockedRange& range) override;
    bool Play() override;
    bool GetCurrentPosition(uint32_t& playCursor) override;
    void Release() override;

private:
    static void SDLCALL Callback(void* self, Uint8* stream, int len);

    SDL_AudioDeviceID deviceId = 0;
    bool subsystemStarted = false;
    bool locked = false;
    std::atomic<uint32_t> playCursor{0};
    alignas(16) uint8_t buffer[kBufferBytes] = {};
};
