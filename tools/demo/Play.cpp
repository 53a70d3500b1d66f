// tonweave-play: plays a module file through the sound device until Enter is pressed, the
// way the tracker's sound thread plays it. Without a sound device, or without a terminal to
// press Enter on, it renders one pass of the song to a WAV file instead and says where.
//
//   tonweave-play [--volume N] [--wav OUT.wav] SONG.quavex
#include <SDL.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <iostream>
#include <memory>
#include <mutex>
#include <string>

#include "app/Exceptions.h"
#include "module/Module.h"
#include "sound/NoteTable.h"
#include "sound/Player.h"
#include "sound/SongRender.h"
#include "sound/SongTiming.h"
#include "sound/SoundOutput.h"
#include "sound/sdl/SdlAudioDevice.h"

namespace {

struct PlayOptions {
    std::string song;
    std::string wav;
    int volume = 50;
};

bool ParseArguments(int argc, char** argv, PlayOptions& o) {
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        if ((a == "--volume" || a == "--wav") && i + 1 < argc) {
            const std::string value = argv[++i];
            if (a == "--wav") {
                o.wav = value;
                continue;
            }
            char* end = nullptr;
            const long v = std::strtol(value.c_str(), &end, 10);
            if (value.empty() || *end != '\0' || v < 0 || v > 100) return false;
            o.volume = static_cast<int>(v);
        } else if (!a.empty() && a[0] != '-' && o.song.empty()) {
            o.song = a;
        } else {
            return false;
        }
    }
    if (o.song.empty()) return false;
    if (o.wav.empty())
        o.wav = std::filesystem::path(o.song).filename().replace_extension(".wav").string();
    return true;
}

// A device that only pretends to play (SDL's "dummy" or "disk" drivers, as in CI) counts as
// none: nobody would hear anything.
bool AudibleDriver() {
    const char* driver = SDL_GetCurrentAudioDriver();
    return driver && std::strcmp(driver, "dummy") != 0 && std::strcmp(driver, "disk") != 0;
}

int RenderInstead(const Module& module, const PlayOptions& o, const char* why) {
    try {
        const uint32_t frames = WriteSongWav(module, o.wav, o.volume, 0xFF);
        const float rate = module.chipType ? 50.0f : 60.0f;
        std::printf("%s Rendered one pass of the song (%s) to %s\n", why,
                    FormatSongTime(static_cast<float>(frames) / rate).c_str(),
                    std::filesystem::absolute(o.wav).string().c_str());
        return 0;
    } catch (const Exception& e) {
        std::fprintf(stderr, "Couldn't write %s: %s\n", o.wav.c_str(), e.Message());
        return 1;
    }
}

}  // namespace

int main(int argc, char** argv) {
    PlayOptions options;
    if (!ParseArguments(argc, argv, options)) {
        std::fprintf(stderr, "usage: %s [--volume 0..100] [--wav OUT.wav] SONG.quavex\n", argv[0]);
        return 2;
    }
    auto module = std::make_unique<Module>();
    try {
        module->Load(options.song);
    } catch (const Exception& e) {
        std::fprintf(stderr, "Couldn't load %s: %s\n", options.song.c_str(), e.Message());
        return 1;
    }
    if (!isatty(STDIN_FILENO) || std::getenv("CI"))
        return RenderInstead(*module, options, "No terminal to stop the song from.");

    std::recursive_mutex soundMutex;
    auto player = std::make_unique<Player>();
    player->Bind(*module);
    SoundOutput output(*player, soundMutex, std::make_unique<SdlAudioDevice>());
    output.SetVolume(options.volume);
    output.Open();
    if (!output.Available() || !AudibleDriver()) {
        output.Shutdown();
        return RenderInstead(*module, options, "No sound device.");
    }
    {
        std::lock_guard<std::recursive_mutex> lock(soundMutex);
        player->Start(0, 0, 0);
    }
    output.StartThread();
    const SongTiming timing = ComputeSongTiming(*module, -1, -1);
    std::printf("Playing \"%s\" by %s, %s a pass. Press Enter to stop.\n",
                module->title.c_str(), module->author.c_str(),
                FormatSongTime(timing.seconds).c_str());
    std::fflush(stdout);
    std::string line;
    std::getline(std::cin, line);
    {
        std::lock_guard<std::recursive_mutex> lock(soundMutex);
        player->Stop();
    }
    output.Shutdown();
    return 0;
}
