// Offline rendering of a song pass, frame by frame as the sound thread does it.
#include "sound/SongRender.h"

#include <cstdio>
#include <cstring>
#include <memory>

#include "app/Exceptions.h"
#include "app/SafeFile.h"
#include "sound/Player.h"
#include "sound/SongTiming.h"

namespace {

constexpr int kChunkBytes = 1024;

void PutU16(uint8_t* p, uint16_t v) {
    p[0] = static_cast<uint8_t>(v);
    p[1] = static_cast<uint8_t>(v >> 8);
}

void PutU32(uint8_t* p, uint32_t v) {
    PutU16(p, static_cast<uint16_t>(v));
    PutU16(p + 2, static_cast<uint16_t>(v >> 16));
}

}  // namespace

uint32_t RenderSongPass(const Module& module, int volume, uint8_t muteMask, const SampleSink& sink) {
    if (volume < 0) volume = 0;
    if (volume > 100) volume = 100;
    const uint8_t master = static_cast<uint8_t>(volume * 120 / 100);
    auto player = std::make_unique<Player>();
    player->Bind(module);
    player->SetMuteMask(muteMask);
    player->Start(0, 0, 0);
    uint8_t chunk[kChunkBytes];
    uint32_t frames = 0;
    do {
        player->PlayFrame();
        uint8_t mask = player->muteMask;
        for (int c = 0; c < kChannels; ++c)
            if (player->testNoteActive[c]) mask |= static_cast<uint8_t>(1 << c);
        player->chip.RenderFrame(master, static_cast<uint8_t>((mask * 16) | mask));
        // The device gets the frame in pieces of at most 1024 bytes; so does the sink.
        int left = player->chip.SamplesPerFrame() * 4;
        while (left > 0) {
            const int n = left < kChunkBytes ? left : kChunkBytes;
            player->chip.ReadSamples(chunk, n);
            if (sink) sink(chunk, n);
            left -= n;
        }
        ++frames;
    } while (!player->looped);
    return frames;
}

std::array<uint8_t, 44> MakeWavHeader(uint32_t dataBytes) {
    std::array<uint8_t, 44> h{};
    uint8_t* p = h.data();
    std::memcpy(p, "RIFF", 4);
    PutU32(p + 4, 36 + dataBytes);
    std::memcpy(p + 8, "WAVEfmt ", 8);
    PutU32(p + 16, 16);       // size of the format block
    PutU16(p + 20, 1);        // PCM
    PutU16(p + 22, 2);        // channels
    PutU32(p + 24, 44100);    // sample rate
    PutU32(p + 28, 176400);   // bytes per second
    PutU16(p + 32, 4);        // bytes per sample pair
    PutU16(p + 34, 16);       // bits per sample
    std::memcpy(p + 36, "data", 4);
    PutU32(p + 40, dataBytes);
    return h;
}

uint32_t WriteSongWav(const Module& module, const std::string& path, int volume, uint8_t muteMask) {
    // The length is known before rendering, so the header goes out first and the samples
    // stream straight to the file.
    const SongTiming timing = ComputeSongTiming(module, -1, -1);
    const uint64_t pairsPerFrame = module.chipType ? 882 : 735;
    const uint64_t dataBytes = timing.frames * pairsPerFrame * 4;
    if (dataBytes > 0xFFFFFFFFull - 36)
        throw Exception("WriteSongWav(): Song too long for a WAV file",
                        static_cast<uint32_t>(timing.frames));
    uint32_t frames = 0;
    SafeWriteMessages messages;
    messages.write = "WriteSongWav(): Couldn't write file";
    WriteFileSafely(
        path,
        [&](FILE* f) {
            const auto header = MakeWavHeader(static_cast<uint32_t>(dataBytes));
            bool ok = std::fwrite(header.data(), 1, header.size(), f) == header.size();
            uint64_t written = 0;
            frames = RenderSongPass(module, volume, muteMask, [&](const uint8_t* b, int n) {
                const size_t bytes = static_cast<size_t>(n);
                if (ok && std::fwrite(b, 1, bytes, f) != bytes) ok = false;
                written += bytes;
            });
            if (ok && (written != dataBytes || frames != timing.frames))
                throw InternalException("WriteSongWav(): Length differs from the song timing",
                                        frames, timing.frames);
            return ok;
        },
        messages);
    return frames;
}
