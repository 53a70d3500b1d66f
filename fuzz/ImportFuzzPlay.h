// For the loader fuzz targets: a song that loads or imports must also play a second of
// audio without fault.
#pragma once

#include <memory>

#include "module/Module.h"
#include "sound/Player.h"

inline void PlayLoadedSecond(const Module& module) {
    auto player = std::make_unique<Player>();
    player->Bind(module);
    player->Start(0, 0, 0);
    uint8_t samples[1024];
    for (int frame = 0; frame < 60; ++frame) {
        player->PlayFrame();
        player->chip.RenderFrame(120, 0xFF);
        for (int left = player->chip.SamplesPerFrame() * 4; left > 0; left -= 1024)
            player->chip.ReadSamples(samples, left < 1024 ? left : 1024);
    }
}
