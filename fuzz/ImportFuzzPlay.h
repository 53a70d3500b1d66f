// For the loader fuzz targets: a song that loads or imports must also play a second without
// fault.
#pragma once

#include <memory>

#include "module/Module.h"
#include "sound/Player.h"

// The player reads the module in every frame, so it steps the whole second. The chip sees
// only register values, and rendering a frame costs as much as everything else in a run put
// together, so it renders one frame in fifteen: enough to take each song through the
// renderer with the registers it leads to, and cheap enough that the fuzzer runs thousands
// of inputs a second.
inline void PlayLoadedSecond(const Module& module) {
    constexpr int kFrames = 60;
    constexpr int kRenderEvery = 15;
    auto player = std::make_unique<Player>();
    player->Bind(module);
    player->Start(0, 0, 0);
    uint8_t samples[1024];
    for (int frame = 0; frame < kFrames; ++frame) {
        player->PlayFrame();
        if (frame % kRenderEvery != kRenderEvery - 1) continue;
        player->chip.RenderFrame(120, 0xFF);
        for (int left = player->chip.SamplesPerFrame() * 4; left > 0; left -= 1024)
            player->chip.ReadSamples(samples, left < 1024 ? left : 1024);
    }
}
